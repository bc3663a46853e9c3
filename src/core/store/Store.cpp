#include "core/store/Store.h"

#include "core/common/ActivityLog.h"
#include "core/common/ChainedLogs.h"
#include "core/common/FileOps.h"
#include "core/common/FolderLock.h"
#include "core/common/Globals.h"
#include "core/entries/DataFile.h"

#include <QDir>
#include <QFileInfo>

bool FolderStore::openEntries()
{
    return OpenDataFile(m_ds);
}

void FolderStore::closeEntries()
{
    CloseDataFile(m_ds);
}

EntryRecord FolderStore::entry(int n)
{
    return ReadEntry(m_ds, n);
}

bool FolderStore::readEntryList(bool inactiveList, ListMode mode, const EntryFilter &filter,
                                EntryListData *data)
{
    return ReadEntryList(m_ds, inactiveList, mode, filter, data);
}

bool FolderStore::forEachEntryRecord(const std::function<bool(int, const char *)> &visit)
{
    DataFile file(m_ds);
    // No data file yet holds no entry; opening it would make one.
    if (!QFileInfo::exists(file.path()))
        return true;
    return file.open(DataFile::ForReading) && file.forEachRaw(visit);
}

bool FolderStore::recountEntries()
{
    return RecountEntries(m_ds);
}

StoreResult FolderStore::addEntry(EntryRecord &entry, int *recordNumber)
{
    return AppendEntry(m_ds, entry, recordNumber);
}

StoreResult FolderStore::saveEntry(int n, const EntryIdentity &asRead, const EntryRecord &edited)
{
    return SaveEditedEntry(m_ds, n, asRead, edited);
}

StoreResult FolderStore::archiveEntry(int n, const EntryIdentity &asRead)
{
    return ArchiveEntry(m_ds, n, asRead);
}

StoreResult FolderStore::restoreEntry(int n, const EntryIdentity &asRead)
{
    return RestoreEntry(m_ds, n, asRead);
}

StoreResult FolderStore::deleteEntry(int n, const EntryIdentity &asRead)
{
    return DeleteEntry(m_ds, n, asRead);
}

bool FolderStore::hasUserList() const
{
    return QFileInfo::exists(DataPath(m_ds, UserFileName));
}

bool FolderStore::openUsers()
{
    return OpenUserFile(m_ds);
}

void FolderStore::closeUsers()
{
    CloseUserFile(m_ds);
}

UserRecord FolderStore::user(int n)
{
    return ReadUser(m_ds, n);
}

QVector<UserRecord> FolderStore::allUsers(bool *ok)
{
    return ReadAllUsers(m_ds, ok);
}

UserResult FolderStore::addUser(UserRecord &user, int *recordNumber)
{
    return AppendUser(m_ds, user, recordNumber);
}

UserResult FolderStore::saveUser(int n, const UserIdentity &asRead, const UserRecord &edited)
{
    return SaveEditedUser(m_ds, n, asRead, edited);
}

UserResult FolderStore::deleteUser(int n, const UserIdentity &asRead)
{
    return DeleteUser(m_ds, n, asRead);
}

bool FolderStore::logSignInOut(int code)
{
    return LogSignInOut(m_ds, code);
}

bool FolderStore::logSearch(const QString &description)
{
    return LogSearch(m_ds, description);
}

bool FolderStore::readLog(const QString &logName, QByteArray *bytes)
{
    return ReadWholeFile(m_ds, DataPath(m_ds, logName), bytes);
}

bool FolderStore::appendLogLine(const QString &logName, const QString &line)
{
    return AppendLogLine(m_ds, logName, line);
}

ChainVerdict FolderStore::verifyLogChain(const QString &logName, bool *begun)
{
    *begun = QFileInfo::exists(DataPath(m_ds, ChainFileName(logName))) ||
             QFileInfo::exists(DataPath(m_ds, SealsFileName));
    if (!*begun)
        return ChainVerdict();
    FolderLock lock(m_ds);
    lock.acquire(); // without it a line being appended may show as unlinked
    return VerifyLogChain(m_ds, logName);
}

QList<SealRecord>
FolderStore::sealLogs(const std::function<QString(const QList<SealRecord> &)> &recordLine,
                      QString *error)
{
    FolderLock lock(m_ds);
    QList<SealRecord> seals;
    if (lock.acquire())
        seals = SealLogs(lock, desktop().now());
    if (seals.isEmpty()) {
        *error = lock.isHeld() ? QStringLiteral("The seals file '") + SealsFileName +
                                     QStringLiteral("' can not be written to in the data folder:") +
                                     CrLf + m_ds.folder()
                               : QStringLiteral("The data folder is busy: another workstation is "
                                                "writing to it.") +
                                     CrLf + QStringLiteral("Please try again.");
        return seals;
    }
    if (!AppendLogLine(lock, UserListLogName, recordLine(seals)))
        *error = LogFailedText(m_ds, UserListLogName);
    return seals;
}

QStringList FolderStore::coveredFileProblems()
{
    return CoveredFileProblems(m_ds);
}

InstallationResult FolderStore::loadInstallation()
{
    return LoadInstallation(m_ds);
}

InstallationResult FolderStore::saveInstallation(const QString &agency, const QString &accessCode,
                                                 SetupBy by)
{
    return SaveInstallation(m_ds, agency, accessCode, by);
}

InstallationResult FolderStore::checkAccessCode(const QString &code)
{
    return CheckAccessCode(m_ds, code);
}

bool FolderStore::holdsUsersOrEntries()
{
    return DataFolderInUse(m_ds);
}

QString FolderStore::updateAddress()
{
    return UpdateAddress(m_ds);
}

int FolderStore::countWrongAccessCode()
{
    return CountWrongAccessCode(m_ds);
}

int FolderStore::wrongAccessCodeCount()
{
    return WrongAccessCodeCount(m_ds);
}

void FolderStore::clearWrongAccessCodes()
{
    ClearWrongAccessCodes(m_ds);
}

QString FolderStore::installationResultText(InstallationResult result)
{
    return InstallationResultText(m_ds, result);
}

QString FolderStore::installationProblemText(InstallationResult result)
{
    return InstallationProblemText(m_ds, result);
}

QString FolderStore::notSetUpText() const
{
    return QStringLiteral("This data folder has not been set up yet:\n") +
           QDir::toNativeSeparators(DataPath(m_ds, QString()));
}
