// The review of the activity logs in the administrative window: the texts
// of the log panel, loading a log for the text box, and the text search
// that finds the next match on each click and can start again from the top.
#pragma once

#include "core/common/Desktop.h"
#include "core/store/Store.h"

#include <QString>
#include <functional>

constexpr int LogOptionCount = 4;

namespace LogReviewText
{
QString OptionCaption(int index); // optViewLog(1..4): two lines joined by CR LF
QString OptionTip(int index);
QString LogFile(int index); // the log each option shows
QString WindowCaption();    // title + " - Activity Logs"
QString FinishedReviewingCaption();
QString FinishedReviewingTip();
QString FindTextCaption(); // "F&ind text"
QString FindTextTip();
QString FindNextCaption(); // "Find &Next..."
QString FindFinishedCaption();
QString FindFinishedTip();
QString LookingForTip(const QString &searchText);
QString NoteText();      // labelLogNote
QString NoEntriesText(); // shown for a missing, unreadable or blank log
QString SearchTitle();
QString SearchPrompt();
} // namespace LogReviewText

MsgBoxRequest EndOfTextMessage();
MsgBoxRequest NoSuchTextMessage(const QString &searchText);

// A log as the text box shows it: Windows-1252 decoded, each CR LF (or
// lone CR) one line break "\n", blanks and line breaks around it trimmed,
// so the newest line is the last. hasEntries is false for a missing or
// unreadable file or one holding nothing but blanks and line breaks; the
// text is then the no-entries text. widestLine counts the characters of
// its longest line.
struct LogText {
    QString text;
    bool hasEntries = false;
    int widestLine = 0;
};
LogText LoadLogText(Store &store, const QString &logName);

// The state of a log's chain for the review: the line shown under the text
// ("Chain verified up to line N", or the first line that fails and why),
// and the line of the text to mark (1-based; 0: none). A failure is
// recorded in UserList.Log, and so is the review when recordReview (the
// window records each log once per opening of the review). Waits for the
// folder's lock: a window runs it off its thread.
struct LogChainState {
    QString text;
    int badLine = 0;
};
LogChainState ReviewLogChain(Store &store, const QString &logName, bool recordReview = true);

// "Seal the logs" of the log panel: the four chains' heads go into the
// seals file and the sealing into UserList.Log. lines: the "Log Seal" page
// to print; empty when nothing was sealed (message says why). Waits for
// the folder's lock (or the database): a window runs it off its thread.
struct LogSealResult {
    QStringList lines;
    MsgBoxRequest message;
};
QString SealLogsCaption(); // "Seal && &Print"
QString SealLogsTip();
LogSealResult SealLogsNow(Store &store);

// Why the administrative window does not open: the problems of the files
// the key covers (Store::coveredFileProblems).
MsgBoxRequest CoveredFilesRefusal(const QStringList &problems);

// The text being searched, with its lower-case form made once.
class LogFinder
{
public:
    void setText(const QString &text);
    const QString &text() const { return m_text; }
    // The 1-based position of the first occurrence of needle at or after
    // the 1-based position start, letter case ignored; 0 when there is none
    // (or start lies past the end).
    int find(const QString &needle, int start) const;

private:
    QString m_text;
    QString m_lower; // the same positions as m_text
};

// The search of the log panel: cmdFindText_Click and cmdFindFinished_Click
// without the widgets, which it reaches through the hooks.
class LogTextSearch
{
public:
    struct Hooks {
        std::function<void()> started;  // a search begins (buttons change)
        std::function<void()> finished; // it ends (buttons back)
        // select the match: start counted from 0, length
        std::function<void(int, int)> select;
        // asks the person (end of text, no such text): the button pressed
        std::function<int(const MsgBoxRequest &)> ask;
    };

    QString SearchText; // offered again as the next search's default
    int SearchStart = 1;
    bool running() const { return m_running; }

    // One click on cmdFindText over the text of finder.
    void findText(const LogFinder &finder, const Hooks &hooks);
    // cmdFindFinished.
    void finish(const Hooks &hooks);

private:
    bool m_running = false;
};
