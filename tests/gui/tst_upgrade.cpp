// The upgrade of older data files: both old layouts converted byte for byte,
// every answer with its exact texts, failures that change nothing, and a
// conversion killed at random moments that never loses the records.
#include "BoxText.h"
#include "TestBytes.h"
#include "TestFolder.h"
#include "core/common/FolderLock.h"
#include "core/entries/EntryRecord.h"
#include "core/entries/Upgrade.h"
#include "gui/windows/OlderDataUpgrade.h"

#include <QElapsedTimer>
#include <QProcess>
#include <QRandomGenerator>
#include <QtTest>
#include <csignal>
#include <thread>

namespace
{

// The records of one entry in the 2500-byte layout, the 1000-byte ".Dat"
// layout, and as the conversion writes it from each.
enum Layout { A, B, FromA, FromB };

// Each text's offset in A, B and the entry record (-1: not carried over):
// case number, location, category, brand, model (15 wide in the old
// layouts, 20 in the new), serial, description, owner, received from,
// released to, defendant, an unused text, the narrative (1826 in A, 330 in
// B, 1921 in the new).
const int TextAt[13][3] = {{10, 4, 10},     {25, 468, 25},   {75, 19, 75},    {95, 39, 95},
                           {115, 59, 115},  {130, 74, 135},  {150, 94, 155},  {218, 162, 223},
                           {318, 262, 323}, {396, 340, 401}, {474, 418, 479}, {524, 518, -1},
                           {674, 668, 979}};
// Value, received date, released date.
const int NumberAt[3][3] = {{210, 388, 466}, {154, 332, 410}, {215, 393, 471}};

QByteArray record(Layout layout, int i, qint16 version = 635, const QByteArray &marker = "v1")
{
    QByteArray narrative(1826, char('a' + i % 26));
    narrative[1825] = 'Z';
    if (layout == B || layout == FromB)
        narrative.truncate(330);
    // Texts outside ASCII, and a model number filling the old field's 15.
    QByteArrayList texts =
        QByteArray("C-2009-|Shelf \xe9 |Bicycle|Schwinn|MDL-123456789AB|SN|"
                   "Red 10-speed, \x93racer\x94|Ren\xe9"
                   "e M\xfc"
                   "ller, 12 Elm St.|Officer Jones|Owner|Doe, John|NOT CARRIED OVER")
            .split('|');
    texts[0] += QByteArray::number(1000 + i);
    texts[1] += QByteArray::number(i);
    texts[5] += QByteArray::number(i);
    texts[9] = i % 2 ? "" : "Owner";
    texts << narrative;
    const int l = qMin(int(layout), 2);
    QByteArray r(layout == A ? 2500 : layout == B ? 1000 : 5000, ' ');
    for (int f = 0; f < 13; ++f) {
        if (TextAt[f][l] >= 0)
            r.replace(TextAt[f][l], texts[f].size(), texts[f]);
    }
    r.replace(NumberAt[l][0], 8, le64(1234567 + qint64(i) * 100000));   // $123.4567 and up
    r.replace(NumberAt[l][1], 8, doubleBytes(39870.25 + i));            // a date with a time
    r.replace(NumberAt[l][2], 8, doubleBytes(i % 2 ? 0 : 39900.0 + i)); // 0: not released
    if (layout == B) {
        r.replace(0, 4, le16(qint16(17 + i)) + le16(0)); // the sequence number
        r.replace(998, 2, marker);
    } else {
        r.replace(0, 2, le16(layout == A ? version : 911));
        r.replace(2, 8, doubleBytes(layout == FromB ? 17 + i : 39876.5 + i)); // 3/4/2009 12:00
    }
    if (layout >= FromA)
        r[4999] = 0;
    return r;
}

QByteArray file(Layout layout, int count, qint16 version = 635, const QByteArray &marker = "v1")
{
    QByteArray f;
    for (int i = 0; i < count; ++i)
        f += record(layout, i, version, marker);
    return f;
}

// The question as boxText shows it.
QString question(bool dat)
{
    return "Update older version data file? | You have an older version data file that I would "
           "like\r\nto convert and use with this newer software version.\r\n\r\nIf you agree, I "
           "will update your existing data file\r\nand save a copy of the old one as "
           "'Custorin.Old'.\r\n\r\nOr, if you'd rather, you can start fresh with a new data "
           "file\r\n(I will still rename and save a copy of the old data file).\r\n\r\nOr, if "
           "you're not ready to answer right now, you can select\r\nthe last option. | " +
           QString(dat ? "&Yes, update our existing file, &Start over with a new file"
                       : "&Yes, update our existing data file, &Let's start over with a new data "
                         "file") +
           ", &Quit the program for now | 3 1 0";
}

const QString Renamed =
    QStringLiteral("Your older data file\r\nhas been renamed to\r\nCustorin.Old");

} // namespace

class TestUpgrade : public QObject
{
    Q_OBJECT
private slots:
    void oldRecordCounts()
    {
        // Halves go to the even neighbour; a negative sequence number keeps its sign.
        QCOMPARE(QList<int>({OldRecordCount(1250, OldFormat::A), OldRecordCount(1251, OldFormat::A),
                             OldRecordCount(8750, OldFormat::A), OldRecordCount(1500, OldFormat::B),
                             OldRecordCount(2501, OldFormat::B)}),
                 QList<int>({0, 1, 4, 2, 3}));
        QCOMPARE(OldEntryRecordB::Unpack(le16(-5) + le16(-1) + record(B, 0).mid(4)).ControlNumber,
                 -5);
    }

    void eachAnswerToTheQuestion()
    {
        const QString converted = "Your data file has been\r\nsuccessfully converted!";
        const QString thanks = "Thank you-- let's &continue";
        const struct {
            bool dat;
            qint16 version;
            int choice; // 0: closed without a button
            QString finished, button;
        } rows[] = {{false, 635, 1, converted, thanks},
                    {true, 0, 1, converted + "\r\n\r\n" + Renamed, "&Continue"},
                    {false, 641, 2, "", thanks},
                    {true, 0, 2, Renamed, "&Continue"},
                    {false, 631, 3, {}, {}},
                    {true, 0, 0, {}, {}}};
        for (const auto &row : rows) {
            TestFolder env;
            const QByteArray original = row.dat ? file(B, 4) : file(A, 4, row.version);
            env.write(row.dat ? "Custorin.Dat" : "Custorin.Data", original);
            env.write("Custorin.Old", "an earlier copy");
            auto expected = folderFiles(env.folder());
            const bool quit = row.finished.isNull();
            env.desktop.answerMsgBox(row.choice);
            env.desktop.answerMsgBox(quit ? 3 : 1); // the finish, or the next run's question
            QStringList busy;
            const UpgradeResult r =
                UpgradeOlderDataFile(env.data, [&](const std::function<void()> &work) {
                    busy << "on";
                    std::thread(work).join();
                    busy << "off";
                    QCOMPARE(env.desktop.msgBoxes.size(), 1); // the finish is not shown yet
                });
            QCOMPARE(busy, row.choice == 1 || row.choice == 2 ? QStringList({"on", "off"})
                                                              : QStringList());
            if (quit) {
                QCOMPARE(r, UpgradeResult::Quit);
                QCOMPARE(boxTexts(env.desktop.msgBoxes), QStringList{question(row.dat)});
            } else {
                QCOMPARE(r, UpgradeResult::Continue);
                QCOMPARE(boxTexts(env.desktop.msgBoxes),
                         QStringList({question(row.dat), "Finished Updating! | " + row.finished +
                                                             " | " + row.button + " | 5 1 0"}));
                expected = {{"Custorin.Old", original}};
                if (row.choice == 1)
                    expected.insert("Custorin.Data", file(row.dat ? FromB : FromA, 4));
            }
            QCOMPARE(folderFiles(env.folder()), expected);
            // The next run finds nothing to do, or asks again.
            QCOMPARE(UpgradeOlderDataFile(env.data), r);
            QCOMPARE(env.desktop.pendingAnswers(), 0);
        }
    }

    void filesLeftAloneSetAsideOrAskedAbout()
    {
        using Files = QMap<QString, QByteArray>;
        // Each answer is given once; a box not answered fails the test.
        const auto upgrade = [](const Files &before, const QList<int> &answers) {
            TestFolder env;
            for (auto it = before.begin(); it != before.end(); ++it)
                env.write(it.key(), it.value());
            for (int answer : answers)
                env.desktop.answerMsgBox(answer);
            const UpgradeResult r = UpgradeOlderDataFile(env.data);
            return std::tuple(r, boxTexts(env.desktop.msgBoxes), folderFiles(env.folder()));
        };
        // The first record's version decides; a ".Dat" file beside is ignored.
        for (qint16 version : {630, 642, 911}) {
            const Files current{{"Custorin.Data", file(A, 2, version).replace(2500, 2, le16(635))},
                                {"Custorin.Dat", file(B, 1)}};
            QCOMPARE(upgrade(current, {}),
                     std::tuple(UpgradeResult::Continue, QStringList(), current));
        }
        QCOMPARE(upgrade({{"Custorin.Dat", ""}}, {}),
                 std::tuple(UpgradeResult::Continue, QStringList(), Files()));
        // An empty data file goes, and the ".Dat" file behind it is asked about.
        QCOMPARE(upgrade({{"Custorin.Data", ""}, {"Custorin.Dat", file(B, 1)}}, {3}),
                 std::tuple(UpgradeResult::Quit, QStringList{question(true)},
                            Files{{"Custorin.Dat", file(B, 1)}}));
        // Starting over: a ".Dat" file beside must not replace the data file's copy.
        QCOMPARE(std::get<2>(upgrade({{"Custorin.Data", file(A, 2)}, {"Custorin.Dat", file(B, 2)}},
                                     {2, 1})),
                 (Files{{"Custorin.Old", file(A, 2)}, {"Custorin.Dat", file(B, 2)}}));
        // Too old: marker "V" in upper case, with a leading blank; shorter than a record.
        const QString tooOld =
            "Data file can not be updated | Your existing (older version) data file\r\nis too "
            "old to be converted.\r\n\r\nIt will be renamed to\r\n\r\nCustorin.Old\r\n\r\nand "
            "a new (empty) data file\r\nwill be created for you now. | &Continue | 5 1 0";
        for (const QByteArray &old :
             {file(B, 2, 0, "V1"), file(B, 2, 0, " v"), file(B, 1).left(998)})
            QCOMPARE(upgrade({{"Custorin.Dat", old}, {"Custorin.Old", "an earlier copy"}}, {1}),
                     std::tuple(UpgradeResult::Continue, QStringList{tooOld},
                                Files{{"Custorin.Old", old}}));
    }

    void cancelledOnABusyFolderSaysWhyItEnds()
    {
        TestFolder env;
        env.write("Custorin.Data", file(A, 2));
        const auto before = folderFiles(env.folder());
        FolderLock other(env.data);
        QVERIFY(other.tryAcquire());
        env.desktop.answerMsgBox(1, false, "Update older version data file?");
        env.desktop.answerMsgBox(2, false, "Data folder busy");
        env.desktop.answerMsgBox(1, false, "Data file not updated");
        QCOMPARE(UpgradeOlderDataFile(env.data), UpgradeResult::Quit);
        const MsgBoxRequest &r = env.desktop.msgBoxes.value(2);
        QCOMPARE(QString::number(r.icon) + " " + r.text + " | " + r.buttons.join('/'),
                 "4 The data folder stayed busy (another workstation\r\n"
                 "is saving changes to it), and the update was cancelled.\r\n\r\n"
                 "Your data file has not been changed.\r\n"
                 "Custorin can not work with it in its older form, so it\r\n"
                 "will close now; please try again later. | &Okay");
        other.release();
        QCOMPARE(folderFiles(env.folder()), before);
    }

    void failuresChangeNothingAndQuit()
    {
        // A folder of the blocked name is in the way.
        const struct {
            QString file, blocked;
            int choice;
            QString text;
        } rows[] = {{"Custorin.Data", "TempFile.$$$", 1,
                     "The converted records could not be written to 'TempFile.$$$'"},
                    {"Custorin.Data", "Custorin.Old", 2,
                     "'Custorin.Data' could not be renamed to 'Custorin.Old'"}};
        for (const auto &row : rows) {
            TestFolder env;
            env.write(row.file, row.file.endsWith('a') ? file(A, 2) : file(B, 2));
            QVERIFY(QDir(env.folder()).mkpath(row.blocked + "/inside"));
            const auto before = folderFiles(env.folder());
            env.desktop.answerMsgBox(row.choice);
            // Shown with the folder lock let go: others do not wait for the reader.
            bool lockFree = false;
            env.desktop.answerMsgBoxWith([&lockFree, &env](const MsgBoxRequest &) {
                FolderLock other(env.data);
                lockFree = other.tryAcquire();
                return MsgBoxAnswer{1, false};
            });
            QCOMPARE(UpgradeOlderDataFile(env.data), UpgradeResult::Quit);
            QVERIFY(lockFree);
            const MsgBoxRequest &r = env.desktop.msgBoxes.value(1);
            QCOMPARE(QString::number(r.icon) + " " + r.title + "|" + r.text + " | " +
                         r.buttons.join('/'),
                     "4 Data file not updated|" + row.text +
                         "\r\n(the disk may be full, the folder read-only,\r\n"
                         "or the file in use at another workstation).\r\n\r\n"
                         "Your data file has not been changed.\r\n"
                         "Custorin will close now; please try again later. | &Okay");
            QCOMPARE(folderFiles(env.folder()), before);
        }
    }

    void conversionKilledAtAnyMomentKeepsTheRecords()
    {
        const QString tool = testTool("upgrade_kill");
        constexpr int kRecords = 3000;
        const QByteArray oldA = file(A, kRecords), oldB = file(B, kRecords);
        const QByteArray newA = file(FromA, kRecords), newB = file(FromB, kRecords);
        TestFolder env;
        const QString data = env.path("Custorin.Data"), dat = env.path("Custorin.Dat");
        const QString old = env.path("Custorin.Old"), temp = env.path("TempFile.$$$");
        const auto reset = [&](bool fromDat) {
            for (const QString &p : {data, dat, old, temp})
                QFile::remove(p);
            writeFile(fromDat ? dat : data, fromDat ? oldB : oldA);
        };

        // How long one whole conversion takes here, to spread the kills over.
        reset(false);
        QElapsedTimer timer;
        timer.start();
        QProcess whole;
        whole.start(tool, {env.folder()});
        QVERIFY(whole.waitForFinished(60000));
        QCOMPARE(whole.readAllStandardOutput().trimmed(), QByteArray("CONTINUE"));
        const int span = int(qMax<qint64>(20, timer.elapsed()));
        QCOMPARE(readFile(data), newA);

        QRandomGenerator rng(20240612);
        int killedWhileWorking = 0;
        for (int round = 0; round < 16; ++round) {
            const bool fromDat = round % 2 == 1;
            reset(fromDat);
            QProcess p;
            p.start(tool, {env.folder()});
            QVERIFY(p.waitForStarted());
            QThread::msleep(rng.bounded(span + span / 4));
            if (p.state() == QProcess::Running) {
                ::kill(pid_t(p.processId()), SIGKILL);
                ++killedWhileWorking;
            }
            QVERIFY(p.waitForFinished(60000));

            // The next start removes the work file and offers the conversion
            // again when it was not finished; it then completes. A half-written
            // data file, or a missing one, would be taken as current.
            QElapsedTimer cleanUp;
            cleanUp.start();
            while (!RemoveStaleTempFile(env.data) && cleanUp.elapsed() < 10000)
                QThread::msleep(50); // a lock file left empty by the kill ages first
            QVERIFY(!QFile::exists(temp));
            const bool stillOld = fromDat ? !QFile::exists(data) : readFile(data) == oldA;
            if (stillOld) {
                env.desktop.answerMsgBox(1);
                env.desktop.answerMsgBox(1);
            }
            QCOMPARE(UpgradeOlderDataFile(env.data), UpgradeResult::Continue);
            QCOMPARE(env.desktop.pendingAnswers(), 0);
            QCOMPARE(readFile(data), fromDat ? newB : newA);
            QCOMPARE(readFile(old), fromDat ? oldB : oldA);
        }
        QVERIFY(killedWhileWorking > 0);
    }
};

QTEST_GUILESS_MAIN(TestUpgrade)
#include "tst_upgrade.moc"
