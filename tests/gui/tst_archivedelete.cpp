// Archiving, restoring and deleting from the main window: the questions
// word for word, the remembered "Don't show this again" answers, the
// "'Inactive List' Empty" sequence, the bytes and log lines written, the
// position kept after a deletion, and entries changed by another
// workstation since the list was read.
#include "FakeDesktop.h"
#include "core/common/ActivityLog.h"
#include "core/common/Formats.h"
#include "core/common/Globals.h"
#include "gui/controls/Grid.h"
#include "gui/controls/ZelButton.h"
#include "gui/windows/Quit.h"
#include "gui/windows/Start.h"
#include "gui/windows/frmMain.h"

#include <QApplication>
#include <QFile>
#include <QFileInfo>
#include <QGroupBox>
#include <QLineEdit>
#include <QPointer>
#include <QRadioButton>
#include <QtTest>

namespace
{

// Entry k (1-based) received on day k of 2009, control number 2009-01-05
// 08:00 plus k minutes, case "C-k".
EntryRecord makeEntry(int k, int status)
{
    EntryRecord e;
    e.VersionStamp = 911;
    e.ControlNumber = ToOleDate(QDateTime(QDate(2009, 1, 5), QTime(8, 0, 0)).addSecs(60 * k));
    e.CaseNumber = QStringLiteral("C-%1").arg(k);
    e.Category = QStringLiteral("Tools");
    e.Description = QStringLiteral("Item %1").arg(k);
    e.Value = 10000 * k;
    e.ReceivedDate = ToOleDate(QDateTime(QDate(2009, 1, 1).addDays(k), QTime(0, 0)));
    e.Status = quint8(status);
    return e;
}

QByteArray readInFolder(const QString &name)
{
    QFile f(DataPath(name));
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

void writeData(const QByteArray &bytes)
{
    QFile f(DataPath(DataFileName));
    QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write(bytes);
}

// The status byte (offset 4999) of every record in the file.
QString statuses()
{
    const QByteArray bytes = readInFolder(DataFileName);
    QString out;
    for (qsizetype at = 4999; at < bytes.size(); at += 5000)
        out += QString::number(int(quint8(bytes[at])));
    return out;
}

// Case numbers (offset 10, 15 bytes) of every record in the file.
QString caseNumbers()
{
    const QByteArray bytes = readInFolder(DataFileName);
    QStringList out;
    for (qsizetype at = 0; at + 5000 <= bytes.size(); at += 5000)
        out << QString::fromLatin1(bytes.mid(at + 10, 15)).trimmed();
    return out.join(',');
}

// The log line for entry k and action verb at the fake desktop's time.
QByteArray logLine(int k, const char *verb)
{
    return QByteArray("12/04/2026 at 22:45:32 - Control#200901050") +
           QByteArray::number(800 + k).right(3) + QByteArray("00 ") + verb +
           QByteArray(" by Tester\r\n");
}

// The whole message box: title, icon, text, default, tick box, buttons.
void checkBox(const MsgBoxRequest &r, const QString &title, int icon, const QString &text,
              int defaultButton, bool offerDontShow, const QStringList &buttons)
{
    QCOMPARE(r.title, title);
    QCOMPARE(r.icon, icon);
    QCOMPARE(r.text, text);
    QCOMPARE(r.defaultButton, defaultButton);
    QCOMPARE(r.offerDontShow, offerDontShow);
    QCOMPARE(r.buttons, buttons);
}

QString listedCases(const frmMain &w)
{
    QStringList out;
    for (int r = 1; r < w.grid->Rows(); ++r)
        out << w.grid->TextMatrix(r, 1);
    return out.join(',');
}

// Writes entries 1..n with the statuses given (e.g. "1121") and opens the
// main window on them.
QPointer<frmMain> openMain(const QString &statuses)
{
    QByteArray bytes;
    for (int k = 1; k <= statuses.size(); ++k)
        bytes += makeEntry(k, statuses[k - 1].digitValue()).Pack();
    writeData(bytes);
    CurrentUserName = QStringLiteral("Tester");
    CurrentAccessLevel = 4;
    QPointer<frmMain> w = new frmMain;
    w->show();
    w->Form_Activate();
    return w;
}

void selectCase(frmMain &w, const QString &caseNumber)
{
    for (int r = 1; r < w.grid->Rows(); ++r) {
        if (w.grid->TextMatrix(r, 1) == caseNumber)
            w.grid->setRow(r);
    }
    QCOMPARE(w.grid->TextMatrix(w.grid->Row(), 1), caseNumber);
}

const QString Moved = QStringLiteral("Entry moved to the 'Inactive List'");
const QString ConfirmDeletion = QStringLiteral("Confirm Entry Deletion");
const QString NoEntries = QStringLiteral(" All Current Entries (0)  Total Value: $0.00");

} // namespace

class TestArchiveDelete : public QObject
{
    Q_OBJECT
private slots:
    void cleanup()
    {
        ProgramEnding = true;
        for (QWidget *top : QApplication::topLevelWidgets()) {
            if (qobject_cast<frmMain *>(top))
                delete top;
        }
        ProgramEnding = false;
    }

    void archiveTheOnlyActiveEntry()
    {
        TestEnvironment env;
        QPointer<frmMain> w = openMain("12");
        QCOMPARE(listedCases(*w), QStringLiteral("C-1"));

        env.desktop.answerMsgBox(1);
        env.desktop.answerMsgBox(1, true);
        w->cmdArchiveEntry->click();
        QCOMPARE(env.desktop.msgBoxes.size(), 2);
        checkBox(env.desktop.msgBoxes[0], "Archive this entry", 3,
                 "This entry will be moved (archived) to the 'Inactive List'.\r\n\r\n"
                 "It will NOT be permanently removed from the database.",
                 1, false,
                 {"&Move (archive) to the 'Inactive List'", "&Cancel, don't do anything"});
        checkBox(env.desktop.msgBoxes[1], Moved, 5,
                 "The entry has been moved from this 'Active List'\r\n"
                 "to the 'Inactive List' of archived entries.\r\n\r\n"
                 "You can click the 'Inactive List' at any time\r\n"
                 "to access the list of archived items.",
                 1, true, {"&Continue"});

        QCOMPARE(statuses(), QStringLiteral("22"));
        QCOMPARE(readInFolder(DataRecordsLogName), logLine(1, "archived"));
        // The Active List is empty: its option is disabled yet still chosen.
        QVERIFY(!w->grid->isVisible());
        QVERIFY(w->optDisplay[1]->isChecked() && !w->optDisplay[1]->isEnabled());
        QVERIFY(w->optDisplay[2]->isEnabled());
        QCOMPARE(w->frame1->title(), NoEntries);
        QVERIFY(!w->cmdArchiveEntry->isVisible());
        QCOMPARE(w->txtfield[1]->text(), QString());
    }

    void archiveNoticeRememberedAndCancel()
    {
        TestEnvironment env;
        QPointer<frmMain> w = openMain("111");
        const QByteArray before = readInFolder(DataFileName);

        // "Cancel" changes nothing.
        env.desktop.answerMsgBox(2, false, QStringLiteral("Archive this entry"));
        w->cmdArchiveEntry->click();
        QCOMPARE(readInFolder(DataFileName), before);
        QVERIFY(!QFileInfo::exists(DataPath(DataRecordsLogName)));

        // Without the tick the notice comes again; with it, never again.
        selectCase(*w, QStringLiteral("C-2"));
        for (const bool tick : {false, true}) {
            env.desktop.answerMsgBox(1);
            env.desktop.answerMsgBox(1, tick, Moved);
            w->cmdArchiveEntry->click();
        }
        QCOMPARE(statuses(), QStringLiteral("122"));
        QCOMPARE(listedCases(*w), QStringLiteral("C-1"));
        env.desktop.answerMsgBox(1, false, QStringLiteral("Archive this entry"));
        w->cmdArchiveEntry->click();
        QCOMPARE(statuses(), QStringLiteral("222"));
        QCOMPARE(env.desktop.msgBoxes.size(), 6);
        QCOMPARE(env.desktop.pendingAnswers(), 0);
        // After a reload the last row is chosen: C-3 went second.
        QCOMPARE(readInFolder(DataRecordsLogName),
                 logLine(2, "archived") + logLine(3, "archived") + logLine(1, "archived"));

        // A new window forgets the tick.
        delete w.data();
        w = openMain("1");
        env.desktop.answerMsgBox(1);
        env.desktop.answerMsgBox(1, false, Moved);
        w->cmdArchiveEntry->click();
        QCOMPARE(env.desktop.pendingAnswers(), 0);
    }

    void restoreTheLastArchivedEntry()
    {
        TestEnvironment env;
        QPointer<frmMain> w = openMain("12");
        w->optDisplay[2]->click();
        QCOMPARE(listedCases(*w), QStringLiteral("C-2"));
        QCOMPARE(w->frame1->title(),
                 QStringLiteral(" All Archived Entries (1)  Total Value: $2.00"));

        bool framesHidden = false;
        env.desktop.answerMsgBox(1);
        env.desktop.answerMsgBoxWith([&](const MsgBoxRequest &) {
            framesHidden = !w->frame1->isVisible() && !w->frame2->isVisible();
            return MsgBoxAnswer{1, false};
        });
        w->cmdRestoreEntry->click();
        checkBox(env.desktop.msgBoxes[0], "Confirm Restoration", 3,
                 "Are you SURE you want to restore this archived entry\r\n"
                 "from the 'Inactive List' to the 'Active List' of entries?",
                 1, true, {"&Yes, restore this entry", "&No, cancel this operation"});
        checkBox(env.desktop.msgBoxes[1], "'Inactive List' Empty", 5,
                 "The 'Inactive List' of archived entries\r\nis now empty.", 1, false,
                 {"&Return to the 'Active List'"});
        QVERIFY(framesHidden);

        QCOMPARE(statuses(), QStringLiteral("11"));
        QCOMPARE(readInFolder(DataRecordsLogName), logLine(2, "restored"));
        QCOMPARE(ActiveCount, 2);
        QCOMPARE(ArchivedCount, 0);
        QVERIFY(w->frame1->isVisible() && w->frame2->isVisible());
        QVERIFY(w->optDisplay[1]->isChecked() && !w->optDisplay[2]->isEnabled());
        QCOMPARE(listedCases(*w), QStringLiteral("C-1,C-2"));
        QCOMPARE(w->frame1->title(),
                 QStringLiteral(" All Current Entries (2)  Total Value: $3.00"));
        QCOMPARE(w->grid->ForeColor(), quint32(0xC00000));
    }

    void restoreQuestionRemembered()
    {
        TestEnvironment env;
        env.desktop.answerMsgBox(1); // the Active List is empty
        QPointer<frmMain> w = openMain("222");
        env.desktop.msgBoxes.clear();
        w->optDisplay[2]->click();

        // "No" with the tick: nothing restored, and no more questions.
        env.desktop.answerMsgBox(2, true, QStringLiteral("Confirm Restoration"));
        w->cmdRestoreEntry->click();
        QCOMPARE(statuses(), QStringLiteral("222"));
        w->cmdRestoreEntry->click();
        QCOMPARE(statuses(), QStringLiteral("221"));
        // The Inactive List still holds two: reloaded, no notice.
        QCOMPARE(listedCases(*w), QStringLiteral("C-1,C-2"));
        QVERIFY(w->optDisplay[1]->isEnabled() && w->optDisplay[2]->isChecked());
        QCOMPARE(env.desktop.msgBoxes.size(), 1);
    }

    void deleteAnswersAndPosition()
    {
        TestEnvironment env;
        QPointer<frmMain> w = openMain("1111111111");
        const QByteArray before = readInFolder(DataFileName);
        selectCase(*w, QStringLiteral("C-4"));

        // Enter answers the default button: "No".
        env.desktop.answerMsgBoxWith([](const MsgBoxRequest &r) {
            return MsgBoxAnswer{r.defaultButton, false};
        });
        w->cmdDeleteEntry->click();
        checkBox(env.desktop.msgBoxes[0], ConfirmDeletion, 3,
                 "Are you SURE you want to permanently delete\r\n"
                 "this entry from the Custorin database?",
                 2, false, {"&Yes, delete this entry", "&No, do not delete this entry"});
        QCOMPARE(readInFolder(DataFileName), before);
        QVERIFY(!QFileInfo::exists(DataPath(DataRecordsLogName)));
        QCOMPARE(w->grid->Row(), 4);

        // "Yes": gone from the file, logged, and the list comes back to the
        // same row.
        w->grid->setTopRow(3);
        const int top = w->grid->TopRow();
        env.desktop.answerMsgBox(1, false, ConfirmDeletion);
        w->cmdDeleteEntry->click();
        QCOMPARE(caseNumbers(), QStringLiteral("C-1,C-2,C-3,C-5,C-6,C-7,C-8,C-9,C-10"));
        QCOMPARE(readInFolder(DataRecordsLogName), logLine(4, "deleted"));
        QCOMPARE(w->grid->Rows(), 10);
        QCOMPARE(w->grid->Row(), 4);
        QCOMPARE(w->grid->TopRow(), top);
        QCOMPARE(w->txtfield[1]->text(), QStringLiteral("C-5"));
        QVERIFY(w->isEnabled());
        QVERIFY(w->timerNetworkWatch->isActive());
        // The next reload of the full list ends on the last row again.
        w->optDisplay[1]->click();
        QCOMPARE(w->grid->Row(), 9);

        // The last row deleted: the saved row is held to the new last row.
        env.desktop.answerMsgBox(1, false, ConfirmDeletion);
        w->cmdDeleteEntry->click();
        QCOMPARE(w->grid->Row(), 8);
        QCOMPARE(listedCases(*w).split(',').last(), QStringLiteral("C-9"));
    }

    void deleteTheOnlyEntry()
    {
        TestEnvironment env;
        QPointer<frmMain> w = openMain("1");
        env.desktop.answerMsgBox(1, false, ConfirmDeletion);
        w->cmdDeleteEntry->click();
        // From the Active List: no "'Inactive List' Empty" notice.
        QCOMPARE(env.desktop.msgBoxes.size(), 1);
        QVERIFY(!QFileInfo::exists(DataPath(DataFileName)));
        QVERIFY(!QFileInfo::exists(DataPath(TempFileName)));
        QCOMPARE(readInFolder(DataRecordsLogName), logLine(1, "deleted"));
        QCOMPARE(w->frame1->title(), NoEntries);
        QVERIFY(!w->optDisplay[1]->isEnabled() && !w->optDisplay[2]->isEnabled());
        QVERIFY(!w->cmdDeleteEntry->isVisible() && !w->cmdSeeEntry->isVisible());

        // The last archived entry: the notice, then back to the Active List.
        delete w.data();
        w = openMain("21");
        w->optDisplay[2]->click();
        env.desktop.answerMsgBox(1, false, ConfirmDeletion);
        env.desktop.answerMsgBox(1, false, QStringLiteral("'Inactive List' Empty"));
        w->cmdDeleteEntry->click();
        QCOMPARE(env.desktop.pendingAnswers(), 0);
        QCOMPARE(caseNumbers(), QStringLiteral("C-2"));
        QVERIFY(w->optDisplay[1]->isChecked());
        QCOMPARE(listedCases(*w), QStringLiteral("C-2"));
        QCOMPARE(w->grid->Row(), 1);
        QVERIFY(w->frame1->isVisible() && w->frame2->isVisible());
    }

    void changedAtAnotherWorkstation()
    {
        TestEnvironment env;
        QPointer<frmMain> w = openMain("112");
        selectCase(*w, QStringLiteral("C-1"));
        const QString changedTitle = QStringLiteral("Entry changed at another workstation");

        // Another workstation deleted entry 1: entry 2 now sits at record 1.
        // Archiving, deleting and restoring write nothing and read the list again.
        const QByteArray moved = readInFolder(DataFileName).mid(5000);
        writeData(moved);
        env.desktop.answerMsgBox(1, false, QStringLiteral("Archive this entry"));
        env.desktop.answerMsgBox(1, false, changedTitle);
        w->cmdArchiveEntry->click();
        QCOMPARE(readInFolder(DataFileName), moved);
        QCOMPARE(listedCases(*w), QStringLiteral("C-2"));

        const QByteArray replaced = makeEntry(7, 1).Pack() + makeEntry(3, 2).Pack();
        writeData(replaced);
        env.desktop.answerMsgBox(1, false, ConfirmDeletion);
        env.desktop.answerMsgBox(1, false, changedTitle);
        w->cmdDeleteEntry->click();
        QCOMPARE(readInFolder(DataFileName), replaced);
        QCOMPARE(listedCases(*w), QStringLiteral("C-7"));
        QVERIFY(w->isEnabled());

        w->optDisplay[2]->click();
        QCOMPARE(listedCases(*w), QStringLiteral("C-3"));
        writeData(makeEntry(7, 1).Pack());
        env.desktop.answerMsgBox(1, false, QStringLiteral("Confirm Restoration"));
        env.desktop.answerMsgBox(1, false, changedTitle);
        w->cmdRestoreEntry->click();
        QCOMPARE(statuses(), QStringLiteral("1"));
        QVERIFY(!QFileInfo::exists(DataPath(DataRecordsLogName)));
        QCOMPARE(w->grid->Rows(), 1);
        QCOMPARE(env.desktop.pendingAnswers(), 0);
    }
};

QTEST_MAIN(TestArchiveDelete)
#include "tst_archivedelete.moc"
