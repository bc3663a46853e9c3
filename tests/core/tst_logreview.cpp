// The log review's rules: a log loaded for the text box (Windows-1252, CR
// LF, trimmed, blank logs empty) and the text search's walk.
#include "BoxText.h"
#include "FakeDesktop.h"
#include "TestFiles.h"
#include "core/common/MsgBox.h"
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
        h.ask = [](const MsgBoxRequest &r) { return desktop().messageBox(r).choice; };
        return h;
    }
};

} // namespace

class TestLogReview : public QObject
{
    Q_OBJECT
private slots:
    void loadingALog()
    {
        TestEnvironment env;
        const QString path = env.path("Search.Log");
        // Windows-1252: 0x80 is the euro sign, 0xE9 e acute, 0x81 undefined.
        writeFile(path, "  \r\n12/04/2026 at 22:50:01 - Ren\xE9 searched for '\x80 5'\r\n"
                        "12/04/2026 at 22:51:00 - x\x81y\rlast line\r\n\r\n");
        LogText log = LoadLogText(env.store, "Search.Log");
        QVERIFY(log.hasEntries);
        QCOMPARE(log.text, QString::fromUtf8("12/04/2026 at 22:50:01 - René searched for '€ 5'\n"
                                             "12/04/2026 at 22:51:00 - x\xC2\x81y\nlast line"));
        QCOMPARE(log.widestLine, 48); // the first line, its euro sign one character
        writeFile(path, "a\nbc\r\n" + QByteArray(75, 'x')); // a lone LF breaks too
        QCOMPARE(LoadLogText(env.store, "Search.Log").widestLine, 75);
        QCOMPARE(LoadLogText(env.store, "Search.Log").text, "a\nbc\n" + QString(75, 'x'));
        // Missing, blank lines only, empty: the same notice.
        for (const QByteArray &bytes : {QByteArray("\r\n  \r\n\t\r\n"), QByteArray()}) {
            writeFile(path, bytes);
            log = LoadLogText(env.store, "Search.Log");
            QVERIFY(!log.hasEntries);
            QCOMPARE(log.text, QStringLiteral("There are currently no entries for this log file"));
        }
        QVERIFY(!LoadLogText(env.store, "UserList.Log").hasEntries);
        // Found in any letter case, Windows-1252 letters too, at its own place.
        LogFinder finder;
        finder.setText(QString::fromUtf8("Ren\xC3\xA9 \xC5\x92uvre \xC3\x89T\xC3\x89"));
        QCOMPARE(finder.find(QString::fromUtf8("REN\xC3\x89"), 1), 1);
        QCOMPARE(finder.find(QString::fromUtf8("\xC5\x93UVRE"), 1), 6);
        QCOMPARE(finder.find(QString::fromUtf8("\xC3\xA9t\xC3\xA9"), 2), 12);
    }

    void searchWalksThroughTheMatches()
    {
        TestEnvironment env;
        LogFinder text;
        text.setText(QStringLiteral("Pat DOE signed in\nLee Ray signed in\nPat Doe signed out"));
        LogTextSearch search;
        Window w;
        // Found in any case; the third click reaches the end, where "Yes,
        // look again" starts at the top and "No" ends the search.
        env.desktop.answerInputBox(QStringLiteral("pat doe"));
        env.desktop.answerMsgBox(1, false, "End of text reached");
        env.desktop.answerMsgBox(2, false, "End of text reached");
        for (int click = 0; click < 5; ++click)
            search.findText(text, w.hooks());
        QCOMPARE(env.desktop.inputTitles, QStringList{"Search for Text"});
        QCOMPARE(
            env.desktop.inputPrompts,
            QStringList{"\r\n\r\nEnter any text, whole or partial\r\nthat you wish to find..."});
        QCOMPARE(w.events, QStringList({"started", "select 0+7", "select 36+7", "select 0+7",
                                        "select 36+7", "finished"}));
        QCOMPARE(boxText(env.desktop.msgBoxes.first()),
                 "End of text reached | No further matches found.\r\n\r\nStart again from the "
                 "top? | &Yes, look again, &No, stop searching | 5 1 0");
        QVERIFY(!search.running());

        // Not found: another search offers the text again, or Stop. A new
        // search offers the old text.
        text.setText(QStringLiteral("12/04/2026 at 22:49:12 - 'Pat Doe' added to the 'User List'"));
        w.events.clear();
        env.desktop.answerInputBox(QStringLiteral("bicycle"));
        env.desktop.answerMsgBox(1, false, "No such text");
        env.desktop.answerInputBox(QStringLiteral("bicycle"));
        env.desktop.answerMsgBox(2, false, "No such text");
        search.findText(text, w.hooks());
        QCOMPARE(env.desktop.inputDefaults, QStringList({"", "pat doe", "bicycle"}));
        QCOMPARE(w.events, QStringList({"started", "finished", "started", "finished"}));
        QVERIFY(!search.running());
        QCOMPARE(env.desktop.pendingAnswers(), 0);
    }
};

QTEST_GUILESS_MAIN(TestLogReview)
#include "tst_logreview.moc"
