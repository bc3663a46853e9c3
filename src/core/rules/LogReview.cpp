#include "core/rules/LogReview.h"

#include "core/common/ActivityLog.h"
#include "core/common/ChainedLogs.h"
#include "core/common/FolderLock.h"
#include "core/common/Globals.h"
#include "core/rules/BackupRestore.h"

#include <QFile>

namespace
{

// Code points of bytes 0x80..0x9F in Windows-1252 (0: undefined, the byte's
// own code point).
constexpr char16_t kHigh[32] = {0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
                                0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0,      0x017D, 0,
                                0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
                                0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178};

// Decodes and turns CR LF and lone CR into "\n" in one pass, counting the
// characters of the longest line on the way.
QString decodeLog(const QByteArray &bytes, int *widest)
{
    qsizetype lineStart = 0;
    qsizetype longest = 0;
    QString out(bytes.size(), Qt::Uninitialized);
    char16_t *o = reinterpret_cast<char16_t *>(out.data());
    qsizetype n = 0;
    const qsizetype size = bytes.size();
    const auto *b = reinterpret_cast<const unsigned char *>(bytes.constData());
    for (qsizetype i = 0; i < size; ++i) {
        const unsigned char c = b[i];
        if (c == '\r' || c == '\n') {
            longest = qMax(longest, n - lineStart);
            o[n++] = u'\n';
            lineStart = n;
            if (c == '\r' && i + 1 < size && b[i + 1] == '\n')
                ++i;
        } else if (c >= 0x80 && c <= 0x9F && kHigh[c - 0x80]) {
            o[n++] = kHigh[c - 0x80];
        } else {
            o[n++] = char16_t(c);
        }
    }
    out.truncate(n);
    *widest = int(qMax(longest, n - lineStart));
    return out;
}

// Lower case one character for one, so that positions in the lower-case
// form are those of the text (a log of 100,000 lines is lowered in a few
// milliseconds, where a full case mapping takes ten times as long).
QString lowerAligned(const QString &text)
{
    QString out(text.size(), Qt::Uninitialized);
    const char16_t *in = reinterpret_cast<const char16_t *>(text.constData());
    char16_t *o = reinterpret_cast<char16_t *>(out.data());
    for (qsizetype i = 0, n = text.size(); i < n; ++i) {
        const char16_t c = in[i];
        if (c < 0x80)
            o[i] = c >= u'A' && c <= u'Z' ? char16_t(c + 32) : c;
        else
            o[i] = QChar(c).toLower().unicode();
    }
    return out;
}

} // namespace

QString LogReviewText::OptionCaption(int index)
{
    switch (index) {
    case 1:
        return QStringLiteral("Data Records") + CrLf + QStringLiteral("History");
    case 2:
        return QStringLiteral("Database Search") + CrLf + QStringLiteral("History");
    case 3:
        return QStringLiteral("Sign-In") + CrLf + QStringLiteral("History");
    case 4:
        return QStringLiteral("User List") + CrLf + QStringLiteral("Maintenance");
    default:
        return QString();
    }
}

QString LogReviewText::OptionTip(int index)
{
    switch (index) {
    case 1:
        return QStringLiteral(
            " A log of all data record events (add, edit, move, restore, or delete) ");
    case 2:
        return QStringLiteral(" A log of all searches performed on the database ");
    case 3:
        return QStringLiteral(" A log of users who have signed in and signed out... ");
    case 4:
        return QStringLiteral(" A log of users who have been added, edited, and deleted ");
    default:
        return QString();
    }
}

QString LogReviewText::LogFile(int index)
{
    switch (index) {
    case 1:
        return DataRecordsLogName;
    case 2:
        return SearchLogName;
    case 3:
        return SignInOutLogName;
    case 4:
        return UserListLogName;
    default:
        return QString();
    }
}

QString LogReviewText::WindowCaption()
{
    return AppTitle + QStringLiteral(" - Activity Logs");
}

QString LogReviewText::FinishedReviewingCaption()
{
    return QStringLiteral("&Finished Reviewing");
}

QString LogReviewText::FinishedReviewingTip()
{
    return QStringLiteral(" Click here when finished reviewing the activity logs ");
}

QString LogReviewText::FindTextCaption()
{
    return QStringLiteral("F&ind text");
}

QString LogReviewText::FindTextTip()
{
    return QStringLiteral(" Search the currently displayed activity log ");
}

QString LogReviewText::FindNextCaption()
{
    return QStringLiteral("Find &Next...");
}

QString LogReviewText::FindFinishedCaption()
{
    return QStringLiteral("&Finished");
}

QString LogReviewText::FindFinishedTip()
{
    return QStringLiteral(" Stop searching for text ");
}

QString LogReviewText::LookingForTip(const QString &searchText)
{
    return QStringLiteral(" Looking for '") + searchText + QStringLiteral("' ");
}

QString LogReviewText::NoteText()
{
    return QStringLiteral("NOTE: You can select/copy/paste all or any part of the above text for "
                          "documentation or printing purposes");
}

QString LogReviewText::NoEntriesText()
{
    return QStringLiteral("There are currently no entries for this log file");
}

QString LogReviewText::SearchTitle()
{
    return QStringLiteral("Search for Text");
}

QString LogReviewText::SearchPrompt()
{
    return CrLf + CrLf + QStringLiteral("Enter any text, whole or partial") + CrLf +
           QStringLiteral("that you wish to find...");
}

MsgBoxRequest EndOfTextMessage()
{
    return {QStringLiteral("End of text reached"),
            5,
            QStringLiteral("No further matches found.") + CrLf + CrLf +
                QStringLiteral("Start again from the top?"),
            1,
            false,
            {QStringLiteral("&Yes, look again"), QStringLiteral("&No, stop searching")}};
}

MsgBoxRequest NoSuchTextMessage(const QString &searchText)
{
    return {QStringLiteral("No such text"),
            4,
            QStringLiteral("The text '") + searchText + QStringLiteral("'") + CrLf +
                QStringLiteral("could not be found."),
            2,
            false,
            {QStringLiteral("&Try &another search"), QStringLiteral("&Stop searching")}};
}

LogText LoadLogText(Store &store, const QString &logName)
{
    LogText log;
    QString text;
    if (QByteArray bytes; store.readLog(logName, &bytes))
        text = decodeLog(bytes, &log.widestLine).trimmed();
    log.hasEntries = !text.isEmpty();
    if (!log.hasEntries) {
        log.text = LogReviewText::NoEntriesText();
        log.widestLine = int(log.text.size());
    } else {
        log.text = text;
    }
    return log;
}

LogChainState ReviewLogChain(Store &store, const QString &logName, bool recordReview)
{
    LogChainState state;
    bool begun = false;
    const ChainVerdict verdict = store.verifyLogChain(logName, &begun);
    if (!begun) {
        state.text = QStringLiteral("Chain not begun yet: the next line of this log begins it");
    } else {
        if (verdict.ok()) {
            state.text = QStringLiteral("Chain verified up to line %1").arg(verdict.verifiedUpTo);
        } else {
            // The text shown starts at the first line that is not blank.
            QByteArray bytes;
            store.readLog(logName, &bytes);
            qint64 blank = 0;
            for (qsizetype i = 0; i < bytes.size() && QChar::isSpace(uchar(bytes.at(i))); ++i)
                blank += bytes.at(i) == '\n';
            state.badLine = int(qMax<qint64>(1, verdict.firstBad - blank));
            state.text = QStringLiteral("CHAIN BROKEN at line %1 (marked): %2")
                             .arg(verdict.firstBad)
                             .arg(verdict.problem);
            store.appendLogLine(UserListLogName,
                                ChainFailedLogLine(desktop().now(), logName, verdict));
        }
        if (!verdict.notes.isEmpty())
            state.text += QStringLiteral("; ") + verdict.notes.join(QStringLiteral("; "));
    }
    if (recordReview)
        store.appendLogLine(UserListLogName, LogReviewedLine(desktop().now(), logName));
    return state;
}

QString SealLogsCaption()
{
    return QStringLiteral("Seal && &Print");
}

QString SealLogsTip()
{
    return QStringLiteral(" Seal the activity logs as they stand now and print the Log Seal to "
                          "sign and file ");
}

LogSealResult SealLogsNow(Store &store)
{
    LogSealResult result;
    QString error;
    const QList<SealRecord> seals = store.sealLogs(
        [](const QList<SealRecord> &made) { return SealLogLine(desktop().now(), made); }, &error);
    if (seals.isEmpty()) {
        result.message = {
            QStringLiteral("Logs not sealed"), MsgIcon::Warning, error, MsgButton::First, false,
            {QStringLiteral("&Okay")}};
        return result;
    }
    DataSet &ds = store.dataSet();
    result.lines = LogSealLines(ds.AgencyName, store.whereText(), WorkstationText(),
                                !ds.options.LogKey.isEmpty(), seals);
    return result;
}

MsgBoxRequest CoveredFilesRefusal(const QStringList &problems)
{
    return {QStringLiteral("Administration refused"),
            MsgIcon::Stop,
            QStringLiteral("The administration can not be opened: a file that the workstations' "
                           "key covers is not as this program last wrote it.") +
                CrLf + CrLf + problems.join(CrLf) + CrLf + CrLf +
                QStringLiteral("Restore it from a backup (run --check for the whole report)."),
            MsgButton::First,
            false,
            {QStringLiteral("&Okay")}};
}

void LogFinder::setText(const QString &text)
{
    m_text = text;
    m_lower = lowerAligned(text);
}

int LogFinder::find(const QString &needle, int start) const
{
    if (needle.isEmpty() || start < 1 || start > m_text.size())
        return 0;
    const qsizetype at = m_lower.indexOf(lowerAligned(needle), start - 1);
    return at < 0 ? 0 : int(at) + 1;
}

void LogTextSearch::findText(const LogFinder &finder, const Hooks &hooks)
{
    for (;;) {
        if (!m_running) {
            const std::optional<QString> answer = desktop().inputBox(
                LogReviewText::SearchTitle(), LogReviewText::SearchPrompt(), SearchText);
            SearchText = answer.value_or(QString());
            if (SearchText.isEmpty())
                return;
            m_running = true;
            hooks.started();
            SearchStart = 1;
        }
        const int p = finder.find(SearchText, SearchStart);
        if (p > 0) {
            // The next click continues after this match. A match at the very
            // end leaves nothing after it: the next click reports the end
            // instead of finding the same match again.
            SearchStart = p + 1;
            hooks.select(p - 1, int(SearchText.size()));
            return;
        }
        if (SearchStart != 1) {
            if (hooks.ask(EndOfTextMessage()) == MsgButton::First) {
                SearchStart = 1;
                continue;
            }
            finish(hooks);
            return;
        }
        const int choice = hooks.ask(NoSuchTextMessage(SearchText));
        finish(hooks);
        if (choice != MsgButton::First)
            return;
    }
}

void LogTextSearch::finish(const Hooks &hooks)
{
    m_running = false;
    hooks.finished();
}
