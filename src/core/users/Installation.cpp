#include "core/users/Installation.h"

#include "core/common/ActivityLog.h"
#include "core/common/ChainedLogs.h"
#include "core/common/Desktop.h"
#include "core/common/FileOps.h"
#include "core/common/FolderLock.h"
#include "core/common/Globals.h"
#include "core/common/InputChecks.h"
#include "core/common/MsgBox.h"
#include "core/common/SafeReplace.h"

#include <QCryptographicHash>
#include <QFile>
#include <QFileInfo>
#include <QMap>
#include <QPasswordDigestor>
#include <QRandomGenerator>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace
{

const QString kSection = QStringLiteral("[Installation]");
const QString kAgencyKey = QStringLiteral("AgencyName");
const QString kMethodKey = QStringLiteral("AccessCodeMethod");
const QString kIterationsKey = QStringLiteral("AccessCodeIterations");
const QString kSaltKey = QStringLiteral("AccessCodeSalt");
const QString kKeyKey = QStringLiteral("AccessCodeKey");
const QString kUpdateKey = QStringLiteral("UpdateAddress");
const QString kMethod = QStringLiteral("PBKDF2-SHA256");
constexpr qint64 kMaxFileSize = 64 * 1024;

struct Settings {
    QString agency;
    int iterations = 0;
    QByteArray salt;
    QByteArray key;
};

QString settingsPath(const DataSet &ds)
{
    return DataPath(ds, InstallationFileName);
}

QByteArray deriveKey(const QString &code, const QByteArray &salt, int iterations)
{
    return QPasswordDigestor::deriveKeyPbkdf2(QCryptographicHash::Sha256, code.toUtf8(), salt,
                                              iterations, AccessCodeKeyBytes);
}

// Lower-case hex of exactly bytes bytes; empty when it is anything else.
QByteArray fromHex(const QString &text, int bytes)
{
    if (text.size() != 2 * bytes)
        return QByteArray();
    for (QChar c : text) {
        const char16_t u = c.unicode();
        if (!((u >= '0' && u <= '9') || (u >= 'a' && u <= 'f')))
            return QByteArray();
    }
    return QByteArray::fromHex(text.toLatin1());
}

// The values of the file's [Installation] section.
InstallationResult readValues(QMap<QString, QString> *out, const QString &path)
{
    struct stat st;
    if (::lstat(QFile::encodeName(path).constData(), &st) != 0)
        return InstallationResult::NotConfigured;
    // Never read through a link: it could show any file of this account.
    QFile file;
    const int fd = OpenDataSetFile(path, O_RDONLY);
    if (fd < 0 || !file.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
        if (fd >= 0)
            ::close(fd);
        return InstallationResult::Unreadable;
    }
    if (file.size() > kMaxFileSize)
        return InstallationResult::Corrupted;
    const QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError)
        return InstallationResult::Unreadable;

    QString text = QString::fromUtf8(bytes);
    if (text.contains(QChar::ReplacementCharacter))
        return InstallationResult::Corrupted;
    QMap<QString, QString> values;
    bool inSection = false;
    for (QString line : text.split(QLatin1Char('\n'))) {
        if (line.endsWith(QLatin1Char('\r')))
            line.chop(1);
        if (line.trimmed().isEmpty() || line.startsWith(QLatin1Char(';')))
            continue;
        if (line.startsWith(QLatin1Char('['))) {
            inSection = line.trimmed() == kSection;
            continue;
        }
        const qsizetype eq = line.indexOf(QLatin1Char('='));
        if (eq <= 0)
            return InstallationResult::Corrupted;
        const QString name = line.left(eq).trimmed();
        if (!inSection)
            continue;
        if (values.contains(name))
            return InstallationResult::Corrupted;
        values.insert(name, line.mid(eq + 1));
    }
    *out = values;
    return InstallationResult::Ok;
}

InstallationResult settingsFromValues(Settings *out, const QMap<QString, QString> &values)
{
    Settings s;
    s.agency = values.value(kAgencyKey).trimmed();
    bool numberOk = false;
    s.iterations = values.value(kIterationsKey).toInt(&numberOk);
    s.salt = fromHex(values.value(kSaltKey), AccessCodeSaltBytes);
    s.key = fromHex(values.value(kKeyKey), AccessCodeKeyBytes);
    if (s.agency.isEmpty() || CharacterCount(s.agency) > AgencyNameMaxLength ||
        HasControlCharacter(s.agency) || values.value(kMethodKey) != kMethod || !numberOk ||
        s.iterations < AccessCodeIterationsMin || s.iterations > AccessCodeIterationsMax ||
        s.salt.isEmpty() || s.key.isEmpty())
        return InstallationResult::Corrupted;
    *out = s;
    return InstallationResult::Ok;
}

InstallationResult readSettings(Settings *out, const QString &path)
{
    QMap<QString, QString> values;
    const InstallationResult read = readValues(&values, path);
    if (read != InstallationResult::Ok)
        return read;
    return settingsFromValues(out, values);
}

InstallationResult checkCode(const Settings &s, const QString &code)
{
    if (CharacterCount(code) != AccessCodeLength)
        return InstallationResult::AccessCodeInvalid;
    const QByteArray key = deriveKey(code, s.salt, s.iterations);
    // Compared in full, whatever the first difference.
    unsigned char diff = 0;
    for (int i = 0; i < AccessCodeKeyBytes; ++i)
        diff |= static_cast<unsigned char>(key.at(i) ^ s.key.at(i));
    return key.size() == s.key.size() && diff == 0 ? InstallationResult::Ok
                                                   : InstallationResult::AccessCodeInvalid;
}

QString folderText(const DataSet &ds)
{
    return DataPath(ds, QString());
}

// Why the settings file can not be opened when a link or a folder stands
// in its place, after a blank line; empty otherwise.
QString notPlainParagraph(const DataSet &ds)
{
    const QString text = NotPlainFileText(settingsPath(ds));
    return text.isEmpty() ? text : CrLf + CrLf + text;
}

QString nothingSaved()
{
    return QStringLiteral("Nothing has been saved.");
}

} // namespace

InstallationResult CheckInstallationFile(const QString &path)
{
    Settings s;
    return readSettings(&s, path);
}

bool InstallationConfigured(const DataSet &ds)
{
    Settings s;
    return readSettings(&s, settingsPath(ds)) == InstallationResult::Ok;
}

InstallationResult LoadInstallation(DataSet &ds)
{
    Settings s;
    const InstallationResult r = readSettings(&s, settingsPath(ds));
    if (r == InstallationResult::Ok)
        ds.AgencyName = s.agency;
    else
        ds.AgencyName.clear();
    return r;
}

bool DataFolderInUse(const DataSet &ds)
{
    for (const QString &name : {UserFileName, DataFileName}) {
        const QFileInfo info(DataPath(ds, name));
        if (info.exists() && (!info.isFile() || info.size() > 0))
            return true;
    }
    return false;
}

QString AccessCodeLine(const DataSet &ds, const QDateTime &now, AccessCodeEvent event)
{
    QString what;
    switch (event) {
    case AccessCodeEvent::SetInWindow:
        what = QStringLiteral("Access code set in the set-up window");
        break;
    case AccessCodeEvent::SetByOperator:
        what = QStringLiteral("Access code set by the unattended set-up");
        break;
    case AccessCodeEvent::ChangedByOperator:
        what = QStringLiteral("Access code changed by the unattended set-up");
        break;
    case AccessCodeEvent::Wrong:
        what = QStringLiteral("Incorrect access code submitted at workstation '") +
               OneLine(WorkstationName(ds)) + QStringLiteral("' by account '") +
               OneLine(AccountName()) + QStringLiteral("'");
        break;
    }
    return LogStamp(now) + QStringLiteral(" - ") + what;
}

bool LogAccessCode(DataSet &ds, AccessCodeEvent event)
{
    return AppendLogLine(ds, UserListLogName, AccessCodeLine(ds, desktop().now(), event));
}

int WrongAccessCodeCount(const DataSet &ds)
{
    QByteArray bytes;
    if (!ReadWholeFile(ds, DataPath(ds, WrongCodesFileName), &bytes))
        return 0;
    bool ok = false;
    const int count = bytes.trimmed().toInt(&ok);
    return ok && count > 0 ? qMin(count, 1000000) : 0;
}

int CountWrongAccessCode(DataSet &ds)
{
    FolderLock lock(ds);
    if (!lock.acquire())
        return -1;
    const int count = WrongAccessCodeCount(ds) + 1;
    AppendLogLine(lock, UserListLogName,
                  AccessCodeLine(ds, desktop().now(), AccessCodeEvent::Wrong));
    if (!ReplaceFileContents(ds, DataPath(ds, WrongCodesFileName),
                             QByteArray::number(count) + '\n'))
        return -1;
    return count;
}

void ClearWrongAccessCodes(DataSet &ds)
{
    struct stat st;
    const QString path = DataPath(ds, WrongCodesFileName);
    if (::lstat(QFile::encodeName(path).constData(), &st) != 0)
        return;
    FolderLock lock(ds);
    if (lock.acquire())
        RemoveFileRetrying(ds, path);
}

InstallationResult SaveInstallation(DataSet &ds, const QString &agency, const QString &accessCode,
                                    SetupBy by)
{
    const InstallationResult checked = CheckInstallationInput(agency, accessCode);
    if (checked != InstallationResult::Ok)
        return checked;
    const QString name = agency.trimmed();

    const QFileInfo folder(folderText(ds));
    if (!folder.isDir())
        return InstallationResult::FolderMissing;
    if (!folder.isWritable())
        return InstallationResult::FolderReadOnly;

    QString content = kSection + QLatin1Char('\n');
    for (const auto &[key, value] : NewInstallationValues(name, accessCode, UpdateAddress(ds)))
        content += key + QLatin1Char('=') + value + QLatin1Char('\n');

    FolderLock lock(ds);
    if (!lock.acquire())
        return InstallationResult::Cancelled;
    // Looked at again under the lock: another workstation may have set the
    // folder up, or put users or entries in it, while the window was open.
    Settings existing;
    const bool configured = readSettings(&existing, settingsPath(ds)) == InstallationResult::Ok;
    AccessCodeEvent event = AccessCodeEvent::SetInWindow;
    if (by == SetupBy::Window) {
        if (configured)
            return InstallationResult::SetUpMeanwhile;
        if (DataFolderInUse(ds))
            return InstallationResult::FolderInUse;
    } else {
        event = configured ? AccessCodeEvent::ChangedByOperator : AccessCodeEvent::SetByOperator;
    }
    // The change and its line go together.
    qint64 logSize = 0;
    if (!AppendLogLine(lock, UserListLogName, AccessCodeLine(ds, desktop().now(), event), &logSize))
        return InstallationResult::LogFailed;
    if (!ReplaceFileContents(ds, settingsPath(ds), content.toUtf8())) {
        UndoLogAppend(lock, UserListLogName, logSize);
        return InstallationResult::IoError;
    }
    CoverFile(lock, InstallationFileName); // with a key; a failure shows in the check
    ds.AgencyName = name;
    return InstallationResult::Ok;
}

QString UpdateAddress(const DataSet &ds)
{
    QMap<QString, QString> values;
    if (readValues(&values, settingsPath(ds)) != InstallationResult::Ok)
        return QString();
    return UpdateAddressFromValues(values);
}

bool AccessCodeMatches(const DataSet &ds, const QString &code)
{
    return CheckAccessCode(ds, code) == InstallationResult::Ok;
}

InstallationResult CheckAccessCode(const DataSet &ds, const QString &code)
{
    Settings s;
    const InstallationResult read = readSettings(&s, settingsPath(ds));
    if (read != InstallationResult::Ok)
        return read;
    return checkCode(s, code);
}

InstallationResult CheckInstallationInput(const QString &agency, const QString &accessCode)
{
    const QString name = agency.trimmed();
    if (name.isEmpty())
        return InstallationResult::AgencyEmpty;
    if (CharacterCount(name) > AgencyNameMaxLength)
        return InstallationResult::AgencyTooLong;
    if (HasControlCharacter(name))
        return InstallationResult::AgencyInvalid;
    if (CharacterCount(accessCode) != AccessCodeLength || HasControlCharacter(accessCode))
        return InstallationResult::AccessCodeInvalid;
    return InstallationResult::Ok;
}

QVector<QPair<QString, QString>> NewInstallationValues(const QString &agency,
                                                       const QString &accessCode,
                                                       const QString &updateAddress)
{
    QByteArray salt(AccessCodeSaltBytes, '\0');
    QRandomGenerator::system()->generate(salt.begin(), salt.end());
    const QByteArray key = deriveKey(accessCode, salt, AccessCodeIterations);
    QVector<QPair<QString, QString>> values = {
        {kAgencyKey, agency.trimmed()},
        {kMethodKey, kMethod},
        {kIterationsKey, QString::number(AccessCodeIterations)},
        {kSaltKey, QString::fromLatin1(salt.toHex())},
        {kKeyKey, QString::fromLatin1(key.toHex())}};
    if (!updateAddress.isEmpty())
        values.append({kUpdateKey, updateAddress});
    return values;
}

InstallationResult InstallationFromValues(const QMap<QString, QString> &values, QString *agency)
{
    Settings s;
    const InstallationResult r =
        values.isEmpty() ? InstallationResult::NotConfigured : settingsFromValues(&s, values);
    if (agency)
        *agency = s.agency;
    return r;
}

InstallationResult CheckAccessCodeValues(const QMap<QString, QString> &values, const QString &code)
{
    Settings s;
    const InstallationResult read =
        values.isEmpty() ? InstallationResult::NotConfigured : settingsFromValues(&s, values);
    return read == InstallationResult::Ok ? checkCode(s, code) : read;
}

QString UpdateAddressFromValues(const QMap<QString, QString> &values)
{
    const QString address = values.value(kUpdateKey).trimmed();
    return HasControlCharacter(address) ? QString() : address;
}

QString InstallationResultTitle(InstallationResult result)
{
    switch (result) {
    case InstallationResult::NotConfigured:
        return QStringLiteral("Installation not set up");
    case InstallationResult::Unreadable:
        return QStringLiteral("Installation settings not available");
    case InstallationResult::Corrupted:
        return QStringLiteral("Installation settings damaged");
    case InstallationResult::AgencyEmpty:
    case InstallationResult::AgencyTooLong:
    case InstallationResult::AgencyInvalid:
        return QStringLiteral("Invalid Agency Name");
    case InstallationResult::AccessCodeInvalid:
        return QStringLiteral("Invalid Access Code");
    case InstallationResult::FolderMissing:
        return QStringLiteral("Data folder not found");
    case InstallationResult::FolderReadOnly:
        return QStringLiteral("Data folder read-only");
    case InstallationResult::IoError:
        return QStringLiteral("Installation settings not saved");
    case InstallationResult::FolderInUse:
        return QStringLiteral("Data folder in use");
    case InstallationResult::SetUpMeanwhile:
        return QStringLiteral("Installation set up meanwhile");
    case InstallationResult::LogFailed:
        return QStringLiteral("Activity log not available");
    case InstallationResult::Ok:
    case InstallationResult::Cancelled:
        break;
    }
    return QString();
}

QString InstallationResultText(const DataSet &ds, InstallationResult result)
{
    switch (result) {
    case InstallationResult::NotConfigured:
        return QStringLiteral("The agency name and the administrative access code") + CrLf +
               QStringLiteral("have not been set up for the data folder:") + CrLf + folderText(ds);
    case InstallationResult::Unreadable:
        return QStringLiteral("The installation settings file '") + InstallationFileName +
               QStringLiteral("'") + CrLf +
               QStringLiteral("can not be opened in the data folder:") + CrLf + folderText(ds) +
               notPlainParagraph(ds);
    case InstallationResult::Corrupted:
        return QStringLiteral("The installation settings file '") + InstallationFileName +
               QStringLiteral("'") + CrLf +
               QStringLiteral("in the data folder is damaged or incomplete:") + CrLf +
               folderText(ds) + CrLf + CrLf +
               QStringLiteral("Please set up the agency name and the access code again.");
    case InstallationResult::AgencyEmpty:
        return QStringLiteral("Please enter the name of the agency.");
    case InstallationResult::AgencyTooLong:
        return QStringLiteral("The name of the agency may have") + CrLf +
               QStringLiteral("at most ") + QString::number(AgencyNameMaxLength) +
               QStringLiteral(" characters.");
    case InstallationResult::AgencyInvalid:
        return QStringLiteral("The name of the agency may not hold") + CrLf +
               QStringLiteral("line breaks or tabs.");
    case InstallationResult::AccessCodeInvalid:
        return QStringLiteral("The access code must be exactly") + CrLf +
               QString::number(AccessCodeLength) + QStringLiteral(" characters long.");
    case InstallationResult::FolderMissing:
        return QStringLiteral("The data folder does not exist:") + CrLf + folderText(ds) + CrLf +
               CrLf + nothingSaved();
    case InstallationResult::FolderReadOnly:
        return QStringLiteral("The data folder can not be written to:") + CrLf + folderText(ds) +
               CrLf + CrLf + nothingSaved();
    case InstallationResult::IoError:
        return QStringLiteral("The installation settings file '") + InstallationFileName +
               QStringLiteral("'") + CrLf + QStringLiteral("could not be written") + CrLf +
               QStringLiteral("(the disk may be full or the folder read-only).") + CrLf + CrLf +
               nothingSaved();
    case InstallationResult::FolderInUse:
        return QStringLiteral("The data folder already holds users or entries:") + CrLf +
               folderText(ds) + CrLf + CrLf +
               QStringLiteral("Its installation settings can not be set up in this window.") +
               CrLf + InstallationRecoveryText() + CrLf + CrLf + nothingSaved();
    case InstallationResult::SetUpMeanwhile:
        return QStringLiteral("The data folder has been set up at another workstation") + CrLf +
               QStringLiteral("while this window was open:") + CrLf + folderText(ds) + CrLf + CrLf +
               QStringLiteral("Nothing has been saved here; the settings made there are used.");
    case InstallationResult::LogFailed:
        return QStringLiteral("The activity log '") + UserListLogName +
               QStringLiteral("' can not be") + CrLf +
               QStringLiteral("written to in the data folder:") + CrLf + folderText(ds) + CrLf +
               CrLf + nothingSaved();
    case InstallationResult::Ok:
    case InstallationResult::Cancelled:
        break;
    }
    return QString();
}

QString InstallationProblemText(const DataSet &ds, InstallationResult result)
{
    QString what = QStringLiteral("is damaged or incomplete");
    if (result == InstallationResult::NotConfigured)
        what = QStringLiteral("is missing");
    else if (result == InstallationResult::Unreadable)
        what = QStringLiteral("can not be opened");
    QString text = QStringLiteral("The installation settings file '") + InstallationFileName +
                   QStringLiteral("' ") + what + CrLf + QStringLiteral("in the data folder:") +
                   CrLf + folderText(ds) + notPlainParagraph(ds) + CrLf + CrLf;
    if (DataFolderInUse(ds))
        text += QStringLiteral("The folder holds users or entries, so its settings") + CrLf +
                QStringLiteral("are not set up again in a window.") + CrLf +
                InstallationRecoveryText();
    else
        text += QStringLiteral("Please end ") + AppTitle +
                QStringLiteral(" and start it again to set the folder up.");
    return text;
}

QString InstallationRecoveryText()
{
    return QStringLiteral("Please restore '") + InstallationFileName +
           QStringLiteral("' from a backup of the data folder,") + CrLf +
           QStringLiteral("or have an operator with a shell on the server run") + CrLf +
           QStringLiteral("custorin --data-dir FOLDER --set-agency NAME --set-access-code");
}
