// Archiving, restoring and deleting from the main window: the questions
// word for word, the remembered "Don't show this again" answers, the
// "'Inactive List' Empty" sequence, the bytes and log lines written, the
// position kept after a deletion, and entries changed by another
// workstation since the list was read.
#include "BoxText.h"
#include "FakeDesktop.h"
#include "MainFixtures.h"
#include "TestFiles.h"
#include "core/common/Formats.h"

#include <QGroupBox>
#include <QLineEdit>
#include <QRadioButton>
#include <QtTest>

using namespace fixtures;

namespace
{

// Entry k received on day k of 2009, control number 2009-01-05 08:00
// plus k minutes, case "C-k".
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

// Writes entries 1..n with the statuses given (e.g. "1121") and opens the
// main window on them.
QPointer<frmMain> openOn(const QString &statuses)
{
    QVector<EntryRecord> entries;
    for (int k = 1; k <= statuses.size(); ++k)
        entries << makeEntry(k, statuses[k - 1].digitValue());
    writeEntries(entries);
    return openMain(4);
}

// Case number (offset 10, 15 bytes) and status (offset 4999) of every
// record in the data file: "C-1:2 C-2:1".
QString records()
{
    const QByteArray bytes = readFile(DataPath(DataFileName));
    QStringList out;
    for (qsizetype at = 0; at + 5000 <= bytes.size(); at += 5000)
        out << QString::fromLatin1(bytes.mid(at + 10, 15)).trimmed() + ':' +
                   QString::number(quint8(bytes[at + 4999]));
    return out.join(' ');
}

const QString Moved = QStringLiteral("Entry moved to the 'Inactive List'");
const QString ConfirmDeletion = QStringLiteral("Confirm Entry Deletion");
const QString NoEntries = QStringLiteral(" All Current Entries (0)  Total Value: $0.00");

} // namespace

class TestArchiveDelete : public QObject
{
    Q_OBJECT
private slots:
    void cleanup() { closeMainWindows(); }

    // The two boxes, the status byte and the log line; a Cancel changes
    // nothing; the notice comes again until its tick is given, then never
    // in this window; the last active entry leaves the Active List empty.
    void archive()
    {
        TestEnvironment env;
        QPointer<frmMain> w = openOn("1112");
        const QByteArray before = readFile(DataPath(DataFileName));
        env.desktop.answerMsgBox(2, false, QStringLiteral("Archive this entry"));
        w->cmdArchiveEntry->click();
        QCOMPARE(readFile(DataPath(DataFileName)), before);
        for (const bool tick : {false, true}) {
            env.desktop.answerMsgBox(1);
            env.desktop.answerMsgBox(1, tick, Moved);
            w->cmdArchiveEntry->click();
        }
        QCOMPARE(
            boxTexts(env.desktop.msgBoxes.mid(3, 2)),
            QStringList({"Archive this entry | "
                         "This entry will be moved (archived) to the 'Inactive List'.\r\n\r\n"
                         "It will NOT be permanently removed from the database. | "
                         "&Move (archive) to the 'Inactive List', &Cancel, don't do anything"
                         " | 3 1 0",
                         Moved + " | The entry has been moved from this 'Active List'\r\n"
                                 "to the 'Inactive List' of archived entries.\r\n\r\n"
                                 "You can click the 'Inactive List' at any time\r\n"
                                 "to access the list of archived items. | &Continue | 5 1 1"}));
        env.desktop.answerMsgBox(1, false, QStringLiteral("Archive this entry"));
        w->cmdArchiveEntry->click();
        // After a reload the last row is chosen: C-3, C-2, then C-1.
        QCOMPARE(records(), QStringLiteral("C-1:2 C-2:2 C-3:2 C-4:2"));
        QCOMPARE(env.desktop.msgBoxes.size(), 6);
        QCOMPARE(env.desktop.pendingAnswers(), 0);
        // The Active List is empty: its option is disabled yet still chosen.
        QVERIFY(!w->grid->isVisible() && !w->cmdArchiveEntry->isVisible());
        QVERIFY(w->optDisplay[1]->isChecked() && !w->optDisplay[1]->isEnabled());
        QCOMPARE(w->frame1->title(), NoEntries);

        // A new window forgets the tick.
        dispose(w);
        w = openOn("1");
        env.desktop.answerMsgBox(1);
        env.desktop.answerMsgBox(1, false, Moved);
        w->cmdArchiveEntry->click();
        QCOMPARE(env.desktop.pendingAnswers(), 0);
    }

    // The question and its tick; the last archived entry restored: the
    // list's frames hidden under the notice, back to the Active List.
    void restore()
    {
        TestEnvironment env;
        QPointer<frmMain> w = openOn("122");
        w->optDisplay[2]->click();
        env.desktop.answerMsgBox(2, true, QStringLiteral("Confirm Restoration"));
        w->cmdRestoreEntry->click(); // "No" with the tick: nothing restored
        QCOMPARE(records(), QStringLiteral("C-1:1 C-2:2 C-3:2"));
        w->cmdRestoreEntry->click(); // and no more questions
        QCOMPARE(records(), QStringLiteral("C-1:1 C-2:2 C-3:1"));
        QCOMPARE(listedCases(*w), QStringList{"C-2"});
        QCOMPARE(w->frame1->title(),
                 QStringLiteral(" All Archived Entries (1)  Total Value: $2.00"));

        bool framesHidden = false;
        env.desktop.answerMsgBoxWith([&](const MsgBoxRequest &) {
            framesHidden = !w->frame1->isVisible() && !w->frame2->isVisible();
            return MsgBoxAnswer{1, false};
        });
        w->cmdRestoreEntry->click();
        QCOMPARE(boxTexts(env.desktop.msgBoxes),
                 QStringList({"Confirm Restoration | "
                              "Are you SURE you want to restore this archived entry\r\n"
                              "from the 'Inactive List' to the 'Active List' of entries? | "
                              "&Yes, restore this entry, &No, cancel this operation | 3 1 1",
                              "'Inactive List' Empty | The 'Inactive List' of archived entries\r\n"
                              "is now empty. | &Return to the 'Active List' | 5 1 0"}));
        QVERIFY(framesHidden);
        QCOMPARE(records(), QStringLiteral("C-1:1 C-2:1 C-3:1"));
        QVERIFY(w->frame1->isVisible() && w->frame2->isVisible());
        QVERIFY(w->optDisplay[1]->isChecked() && !w->optDisplay[2]->isEnabled());
        QCOMPARE(listedCases(*w), QStringList({"C-1", "C-2", "C-3"}));
        QCOMPARE(w->frame1->title(),
                 QStringLiteral(" All Current Entries (3)  Total Value: $6.00"));
    }

    void deleteAnswersAndPosition()
    {
        TestEnvironment env;
        QPointer<frmMain> w = openOn(QString(40, '1')); // more rows than the grid shows
        const QByteArray before = readFile(DataPath(DataFileName));
        w->grid->setRow(4);

        // Enter answers the default button: "No".
        env.desktop.answerMsgBoxWith([](const MsgBoxRequest &r) {
            return MsgBoxAnswer{r.defaultButton, false};
        });
        w->cmdDeleteEntry->click();
        QCOMPARE(boxText(env.desktop.msgBoxes[0]),
                 ConfirmDeletion +
                     " | Are you SURE you want to permanently delete\r\n"
                     "this entry from the Custorin database? | "
                     "&Yes, delete this entry, &No, do not delete this entry | 3 2 0");
        QCOMPARE(readFile(DataPath(DataFileName)), before);

        // "Yes": gone from the file, and the list comes back to the
        // same row and top row.
        w->grid->setTopRow(3);
        QCOMPARE(w->grid->TopRow(), 3);
        env.desktop.answerMsgBox(1, false, ConfirmDeletion);
        w->cmdDeleteEntry->click();
        QCOMPARE(records().left(30), QStringLiteral("C-1:1 C-2:1 C-3:1 C-5:1 C-6:1 "));
        QCOMPARE(records().count(':'), 39);
        QCOMPARE(w->grid->Row(), 4);
        QCOMPARE(w->grid->TopRow(), 3);
        QCOMPARE(w->txtfield[1]->text(), QStringLiteral("C-5"));
        QVERIFY(w->isEnabled() && w->timerNetworkWatch->isActive());
        // The next reload of the full list ends on the last row again; the
        // last row deleted, the saved row is held to the new last row.
        w->optDisplay[1]->click();
        QCOMPARE(w->grid->Row(), 39);
        env.desktop.answerMsgBox(1, false, ConfirmDeletion);
        w->cmdDeleteEntry->click();
        QCOMPARE(w->grid->Row(), 38);
        QCOMPARE(listedCases(*w).last(), QStringLiteral("C-39"));
    }

    // The last archived entry deleted: the notice, then the Active List.
    void deleteTheLastArchivedEntry()
    {
        TestEnvironment env;
        QPointer<frmMain> w = openOn("21");
        w->optDisplay[2]->click();
        env.desktop.answerMsgBox(1, false, ConfirmDeletion);
        env.desktop.answerMsgBox(1, false, QStringLiteral("'Inactive List' Empty"));
        w->cmdDeleteEntry->click();
        QCOMPARE(env.desktop.pendingAnswers(), 0);
        QCOMPARE(records(), QStringLiteral("C-2:1"));
        QVERIFY(w->optDisplay[1]->isChecked());
        QCOMPARE(listedCases(*w), QStringList{"C-2"});
    }

    // Another workstation deleted entry 1 since the list was read: the
    // archive writes nothing, tells the person and reads the list again.
    void changedAtAnotherWorkstation()
    {
        TestEnvironment env;
        QPointer<frmMain> w = openOn("112");
        w->grid->setRow(1);
        const QByteArray moved = readFile(DataPath(DataFileName)).mid(5000);
        writeFile(DataPath(DataFileName), moved);
        env.desktop.answerMsgBox(1, false, QStringLiteral("Archive this entry"));
        env.desktop.answerMsgBox(1, false, QStringLiteral("Entry changed at another workstation"));
        w->cmdArchiveEntry->click();
        QCOMPARE(readFile(DataPath(DataFileName)), moved);
        QCOMPARE(listedCases(*w), QStringList{"C-2"});
        QVERIFY(w->isEnabled());
        QCOMPARE(env.desktop.pendingAnswers(), 0);
    }
};

QTEST_MAIN(TestArchiveDelete)
#include "tst_archivedelete.moc"
