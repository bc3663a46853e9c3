// The log review's rules: a log loaded for the text box (Windows-1252, CR
// LF, trimmed, blank logs empty) and the text search's walk through the
// matches with its two questions.
#include "FakeDesktop.h"
#include "TestFiles.h"
#include "core/rules/LogReview.h"

#include <QTemporaryDir>
#include <QtTest>

namespace
{

// What the search did to the window, in order.
struct Window {
    QStringList events;
    LogTextSearch::Hooks hooks()
    {
        LogTextSearch::Hooks h;
        h.started = [this] { events << "started"; };
        h.finished = [this] { events << "finished"; };
        h.select = [this](int start, int length) {
            events << QStringLiteral("select %1+%2").arg(start).arg(length);
        };
        return h;
    }
};

} // namespace

class TestLogReview : public QObject
{
    Q_OBJECT
private slots:
    void loadingALog();
    void findNextWalksThroughTheMatches();
    void noSuchTextOffersTheOldTextAgain();
    void aMatchAtTheVeryEndIsNotFoundTwice();
};

void TestLogReview::loadingALog()
{
    QTemporaryDir dir;
    const QString path = dir.filePath("Search.Log");
    // Windows-1252: 0x80 is the euro sign, 0xE9 e acute, 0x81 undefined.
    writeFile(path, "  \r\n12/04/2026 at 22:50:01 - Ren\xE9 searched for '\x80 5'\r\n"
                    "12/04/2026 at 22:51:00 - x\x81y\rlast line\r\n\r\n");
    LogText log = LoadLogText(path);
    QVERIFY(log.hasEntries);
    QCOMPARE(log.text, QString::fromUtf8("12/04/2026 at 22:50:01 - René searched for '€ 5'\n"
                                         "12/04/2026 at 22:51:00 - x\xC2\x81y\nlast line"));

    // Missing, blank lines only, empty: the same notice.
    for (const QByteArray &bytes : {QByteArray("\r\n  \r\n\t\r\n"), QByteArray()}) {
        writeFile(path, bytes);
        log = LoadLogText(path);
        QVERIFY(!log.hasEntries);
        QCOMPARE(log.text, QStringLiteral("There are currently no entries for this log file"));
    }
    QVERIFY(!LoadLogText(dir.filePath("UserList.Log")).hasEntries);

    QCOMPARE(LogReviewText::OptionCaption(2), QStringLiteral("Database Search\r\nHistory"));
    QCOMPARE(LogReviewText::OptionCaption(4), QStringLiteral("User List\r\nMaintenance"));
    QCOMPARE(QStringList({LogReviewText::LogFile(1), LogReviewText::LogFile(2),
                          LogReviewText::LogFile(3), LogReviewText::LogFile(4)}),
             QStringList({"DataRecords.Log", "Search.Log", "SignInOut.Log", "UserList.Log"}));
}

void TestLogReview::findNextWalksThroughTheMatches()
{
    TestEnvironment env;
    LogFinder text;
    text.setText(QStringLiteral("Pat DOE signed in\nLee Ray signed in\nPat Doe signed out"));
    LogTextSearch search;
    Window w;

    // The lower-case name finds it in any case.
    env.desktop.answerInputBox(QStringLiteral("pat doe"));
    search.findText(text, w.hooks());
    QCOMPARE(env.desktop.inputTitles, QStringList{"Search for Text"});
    QCOMPARE(env.desktop.inputPrompts,
             QStringList{"\r\n\r\nEnter any text, whole or partial\r\nthat you wish to find..."});
    QCOMPARE(env.desktop.inputDefaults, QStringList{QString()});
    QCOMPARE(w.events, QStringList({"started", "select 0+7"}));
    QCOMPARE(search.SearchStart, 2);
    search.findText(text, w.hooks());
    QCOMPARE(w.events.last(), QStringLiteral("select 36+7"));
    QCOMPARE(search.SearchStart, 38);

    // The third click reaches the end; "Yes, look again" starts at the top.
    env.desktop.answerMsgBox(1, false, "End of text reached");
    search.findText(text, w.hooks());
    const MsgBoxRequest end = env.desktop.msgBoxes.last();
    QCOMPARE(end.icon, 5);
    QCOMPARE(end.text,
             QStringLiteral("No further matches found.\r\n\r\nStart again from the top?"));
    QCOMPARE(end.buttons, QStringList({"&Yes, look again", "&No, stop searching"}));
    QCOMPARE(end.defaultButton, 1);
    QCOMPARE(w.events, QStringList({"started", "select 0+7", "select 36+7", "select 0+7"}));
    QVERIFY(search.running());

    // At the end again, "No": the search is over and asks no more.
    search.findText(text, w.hooks());
    env.desktop.answerMsgBox(2, false, "End of text reached");
    search.findText(text, w.hooks());
    QCOMPARE(w.events.mid(4), QStringList({"select 36+7", "finished"}));
    QVERIFY(!search.running());
    QCOMPARE(search.SearchText, QStringLiteral("pat doe"));

    // A cancelled prompt changes nothing and starts nothing.
    env.desktop.answerInputBox(std::nullopt);
    search.findText(text, w.hooks());
    QCOMPARE(env.desktop.inputDefaults.last(), QStringLiteral("pat doe"));
    QCOMPARE(w.events.size(), 6);
    QVERIFY(!search.running());
    QCOMPARE(env.desktop.pendingAnswers(), 0);
}

void TestLogReview::noSuchTextOffersTheOldTextAgain()
{
    TestEnvironment env;
    LogFinder text;
    text.setText(QStringLiteral("12/04/2026 at 22:49:12 - 'Pat Doe' added to the 'User List'"));
    LogTextSearch search;
    Window w;
    env.desktop.answerInputBox(QStringLiteral("bicycle"));
    env.desktop.answerMsgBox(1, false, "No such text");
    env.desktop.answerInputBox(QStringLiteral("bicycle"));
    env.desktop.answerMsgBox(2, false, "No such text");
    search.findText(text, w.hooks());
    const MsgBoxRequest none = env.desktop.msgBoxes.first();
    QCOMPARE(none.icon, 4);
    QCOMPARE(none.text, QStringLiteral("The text 'bicycle'\r\ncould not be found."));
    QCOMPARE(none.buttons, QStringList({"&Try &another search", "&Stop searching"}));
    QCOMPARE(none.defaultButton, 2);
    // "Try another search" asked again with the old text offered.
    QCOMPARE(env.desktop.inputDefaults, QStringList({QString(), "bicycle"}));
    QCOMPARE(w.events, QStringList({"started", "finished", "started", "finished"}));
    QVERIFY(!search.running());
    QCOMPARE(env.desktop.pendingAnswers(), 0);
}

void TestLogReview::aMatchAtTheVeryEndIsNotFoundTwice()
{
    TestEnvironment env;
    LogFinder text;
    text.setText(QStringLiteral("x signed out"));
    LogTextSearch search;
    Window w;
    // The only "t" is the last character.
    env.desktop.answerInputBox(QStringLiteral("T"));
    search.findText(text, w.hooks());
    QCOMPARE(w.events, QStringList({"started", "select 11+1"}));
    // The next click reports the end instead of selecting the same match.
    env.desktop.answerMsgBox(2, false, "End of text reached");
    search.findText(text, w.hooks());
    QCOMPARE(w.events, QStringList({"started", "select 11+1", "finished"}));
    QCOMPARE(text.find("t", 12), 12);
    QCOMPARE(text.find("t", 13), 0);
    QCOMPARE(text.find("X S", 1), 1);
}

QTEST_GUILESS_MAIN(TestLogReview)
#include "tst_logreview.moc"
