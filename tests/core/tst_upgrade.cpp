// The upgrade of older data files: the two old record layouts, the
// conversion into entry records checked byte for byte, every answer of the
// questions with their exact texts, files of the current version left
// alone, the too-old ".Dat" file, quitting with every file unchanged,
// failures that change nothing, and a conversion killed at random moments
// that never leaves the records without a data file.
#include "TestBytes.h"
#include "TestFolder.h"
#include "core/common/FolderLock.h"
#include "core/entries/EntryRecord.h"
#include "core/entries/Upgrade.h"

#include <QElapsedTimer>
#include <QProcess>
#include <QRandomGenerator>
#include <QtTest>
#include <csignal>

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
    const QByteArrayList texts = {"C-2009-" + QByteArray::number(1000 + i),
                                  "Shelf \xe9 " + QByteArray::number(i), // e acute
                                  "Bicycle",
                                  "Schwinn",
                                  "MDL-123456789AB", // all 15 characters of the old field
                                  "SN" + QByteArray::number(i),
                                  "Red 10-speed, \x93racer\x94", // curly quotes
                                  "Ren\xe9"
                                  "e M\xfc"
                                  "ller, 12 Elm St.",
                                  "Officer Jones",
                                  i % 2 ? "" : "Owner",
                                  "Doe, John",
                                  "NOT CARRIED OVER",
                                  narrative};
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

const QString Question =
    QStringLiteral("You have an older version data file that I would like\r\n"
                   "to convert and use with this newer software version.\r\n\r\n"
                   "If you agree, I will update your existing data file\r\n"
                   "and save a copy of the old one as 'Custorin.Old'.\r\n\r\n"
                   "Or, if you'd rather, you can start fresh with a new data file\r\n"
                   "(I will still rename and save a copy of the old data file).\r\n\r\n"
                   "Or, if you're not ready to answer right now, you can select\r\n"
                   "the last option.");
const QStringList DataButtons = {"&Yes, update our existing data file",
                                 "&Let's start over with a new data file",
                                 "&Quit the program for now"};
const QStringList DatButtons = {"&Yes, update our existing file", "&Start over with a new file",
                                "&Quit the program for now"};
const QString Renamed =
    QStringLiteral("Your older data file\r\nhas been renamed to\r\nCustorin.Old");

void checkQuestion(const FakeDesktop &d, bool dat)
{
    const MsgBoxRequest &q = d.msgBoxes.value(0);
    QCOMPARE(q.title + "|" + q.text, "Update older version data file?|" + Question);
    QCOMPARE(q.buttons, dat ? DatButtons : DataButtons);
    QCOMPARE(q.icon * 10 + q.defaultButton, 31);
}

void checkFinished(const FakeDesktop &d, const QString &text, const QString &button)
{
    QCOMPARE(d.msgBoxes.size(), 2);
    const MsgBoxRequest &f = d.msgBoxes[1];
    QCOMPARE(f.title + "|" + f.text, "Finished Updating!|" + text);
    QCOMPARE(f.buttons, QStringList{button});
    QCOMPARE(f.icon * 10 + f.defaultButton, 51);
}

} // namespace

class TestUpgrade : public QObject
{
    Q_OBJECT
private slots:
    void oldRecordCounts()
    {
        // Halves go to the even neighbour.
        const int lengthsA[] = {1249, 1250, 1251, 6250, 8750}, countsA[] = {0, 0, 1, 2, 4};
        for (int k = 0; k < 5; ++k)
            QCOMPARE(OldRecordCount(lengthsA[k], OldFormat::A), countsA[k]);
        QCOMPARE(OldRecordCount(1500, OldFormat::B) * 10 + OldRecordCount(2501, OldFormat::B), 23);
        // A negative sequence number keeps its sign.
        QCOMPARE(OldEntryRecordB::Unpack(le16(-5) + le16(-1) + record(B, 0).mid(4)).ControlNumber,
                 -5);
    }

    void olderFileIsConverted_data()
    {
        QTest::addColumn<bool>("dat");
        QTest::addColumn<QString>("finished");
        QTest::addColumn<QString>("button");
        QTest::newRow(".Data") << false << "Your data file has been\r\nsuccessfully converted!"
                               << "Thank you-- let's &continue";
        QTest::newRow(".Dat") << true
                              << "Your data file has been\r\nsuccessfully converted!\r\n\r\n" +
                                     Renamed
                              << "&Continue";
    }

    void olderFileIsConverted()
    {
        QFETCH(bool, dat);
        QFETCH(QString, finished);
        QFETCH(QString, button);
        TestFolder env;
        const QByteArray original = dat ? file(B, 4) : file(A, 4);
        env.write(dat ? "Custorin.Dat" : "Custorin.Data", original);
        env.write("Custorin.Old", "an earlier copy");
        env.desktop.answerMsgBox(1);
        env.desktop.answerMsgBox(1);
        QStringList busy;
        const UpgradeResult r = UpgradeOlderDataFile([&](bool on) {
            busy << (on ? "on" : "off");
            // While busy the question has been answered, the finish not shown.
            QCOMPARE(env.desktop.msgBoxes.size(), 1);
        });
        QCOMPARE(r, UpgradeResult::Continue);
        QCOMPARE(busy, (QStringList{"on", "off"}));
        checkQuestion(env.desktop, dat);
        checkFinished(env.desktop, finished, button);
        QCOMPARE(env.read("Custorin.Data"), file(dat ? FromB : FromA, 4));
        QCOMPARE(env.read("Custorin.Old"), original);
        QVERIFY(!env.exists("Custorin.Dat") && !env.exists("TempFile.$$$"));
        // Once converted, the next run finds nothing to do.
        QCOMPARE(UpgradeOlderDataFile(), UpgradeResult::Continue);
        QCOMPARE(env.desktop.msgBoxes.size(), 2);
    }

    void shortLastRecordConvertsWithZeros()
    {
        TestFolder env;
        // Two whole records and 1300 bytes of a third: three records, the
        // missing bytes of the third read as zeros.
        const QByteArray original = file(A, 3).left(2 * 2500 + 1300);
        env.write("Custorin.Data", original);
        env.desktop.answerMsgBox(1);
        env.desktop.answerMsgBox(1);
        QCOMPARE(UpgradeOlderDataFile(), UpgradeResult::Continue);
        const QByteArray converted = env.read("Custorin.Data");
        QCOMPARE(converted.left(10000), file(FromA, 2));
        const QByteArray third = record(FromA, 2);
        QCOMPARE(converted.mid(10000, 979 + 626), third.left(979 + 626));
        QCOMPARE(converted.mid(10000 + 979 + 626),
                 QByteArray(1200, '\0') + QByteArray(2194, ' ') + '\0');
        QCOMPARE(env.read("Custorin.Old"), original);
    }

    void startingOverKeepsTheOldFile_data()
    {
        QTest::addColumn<bool>("dat");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("button");
        QTest::newRow(".Data") << false << QString() << "Thank you-- let's &continue";
        QTest::newRow(".Dat") << true << Renamed << "&Continue";
    }

    void startingOverKeepsTheOldFile()
    {
        QFETCH(bool, dat);
        QFETCH(QString, text);
        QFETCH(QString, button);
        TestFolder env;
        const QByteArray original = dat ? file(B, 2) : file(A, 2, 641);
        env.write(dat ? "Custorin.Dat" : "Custorin.Data", original);
        env.write("Custorin.Old", "an earlier copy");
        env.desktop.answerMsgBox(2);
        env.desktop.answerMsgBox(1);
        bool busy = false;
        QCOMPARE(UpgradeOlderDataFile([&](bool) { busy = true; }), UpgradeResult::Continue);
        QVERIFY(!busy);
        checkQuestion(env.desktop, dat);
        checkFinished(env.desktop, text, button);
        QCOMPARE(folderFiles(env.folder()),
                 (QMap<QString, QByteArray>{{"Custorin.Old", original}}));
    }

    void quittingLeavesEveryFileUnchanged_data()
    {
        QTest::addColumn<bool>("dat");
        QTest::addColumn<int>("choice");
        QTest::newRow(".Data, quit") << false << 3;
        QTest::newRow(".Data, closed") << false << 0;
        QTest::newRow(".Dat, quit") << true << 3;
        QTest::newRow(".Dat, closed") << true << 0;
    }

    void quittingLeavesEveryFileUnchanged()
    {
        QFETCH(bool, dat);
        QFETCH(int, choice);
        TestFolder env;
        env.write(dat ? "Custorin.Dat" : "Custorin.Data", dat ? file(B, 3) : file(A, 3, 631));
        env.write("Custorin.Old", "an earlier copy");
        env.write("User.List", QByteArray(500, 'u'));
        const auto before = folderFiles(env.folder());
        env.desktop.answerMsgBox(choice);
        QCOMPARE(UpgradeOlderDataFile(), UpgradeResult::Quit);
        QCOMPARE(env.desktop.msgBoxes.size(), 1);
        checkQuestion(env.desktop, dat);
        QCOMPARE(folderFiles(env.folder()), before);
    }

    void currentDataFilesAreLeftAlone()
    {
        // The first record's version decides; a ".Dat" file beside a data
        // file is ignored.
        for (qint16 version : {630, 642, 911, 72}) {
            TestFolder env;
            QByteArray data = file(A, 4, version);
            data.replace(2500, 2, le16(635));
            env.write("Custorin.Data", data);
            env.write("Custorin.Dat", file(B, 1));
            const auto before = folderFiles(env.folder());
            QCOMPARE(UpgradeOlderDataFile(), UpgradeResult::Continue);
            QCOMPARE(env.desktop.msgBoxes.size(), 0);
            QCOMPARE(folderFiles(env.folder()), before);
        }
    }

    void tooOldDatFileIsSetAside()
    {
        // Marker "V" in upper case, with a leading blank, none; shorter than a
        // record.
        for (const QByteArray &old : {file(B, 2, 0, "V1"), file(B, 2, 0, " v"), file(B, 2, 0, "  "),
                                      file(B, 1).left(998)}) {
            TestFolder env;
            env.write("Custorin.Dat", old);
            env.write("Custorin.Old", "an earlier copy");
            env.desktop.answerMsgBox(1);
            QCOMPARE(UpgradeOlderDataFile(), UpgradeResult::Continue);
            QCOMPARE(env.desktop.msgBoxes.size(), 1);
            const MsgBoxRequest &r = env.desktop.msgBoxes[0];
            QCOMPARE(r.title, QStringLiteral("Data file can not be updated"));
            QCOMPARE(r.text, QStringLiteral("Your existing (older version) data file\r\n"
                                            "is too old to be converted.\r\n\r\n"
                                            "It will be renamed to\r\n\r\nCustorin.Old\r\n\r\n"
                                            "and a new (empty) data file\r\n"
                                            "will be created for you now."));
            QCOMPARE(r.buttons, QStringList{"&Continue"});
            QCOMPARE(r.icon * 10 + r.defaultButton, 51);
            QCOMPARE(folderFiles(env.folder()), (QMap<QString, QByteArray>{{"Custorin.Old", old}}));
        }
    }

    void emptyOldFilesAndTwoOldFiles()
    {
        {
            TestFolder env;
            env.write("Custorin.Dat", QByteArray());
            QCOMPARE(UpgradeOlderDataFile(), UpgradeResult::Continue);
            QVERIFY(env.desktop.msgBoxes.isEmpty() && !env.exists("Custorin.Dat"));
        }
        {
            // An empty data file goes, and the ".Dat" file behind it is asked
            // about.
            TestFolder env;
            env.write("Custorin.Data", QByteArray());
            env.write("Custorin.Dat", file(B, 1));
            env.desktop.answerMsgBox(3);
            QCOMPARE(UpgradeOlderDataFile(), UpgradeResult::Quit);
            checkQuestion(env.desktop, true);
            QCOMPARE(folderFiles(env.folder()),
                     (QMap<QString, QByteArray>{{"Custorin.Dat", file(B, 1)}}));
        }
        {
            // Starting over from an older ".Data" file keeps it as ".Old"; a
            // ".Dat" file lying there as well must not replace that copy.
            TestFolder env;
            env.write("Custorin.Data", file(A, 2));
            env.write("Custorin.Dat", file(B, 2));
            env.desktop.answerMsgBox(2);
            env.desktop.answerMsgBox(1);
            QCOMPARE(UpgradeOlderDataFile(), UpgradeResult::Continue);
            QCOMPARE(env.desktop.msgBoxes.size(), 2);
            QCOMPARE(folderFiles(env.folder()),
                     (QMap<QString, QByteArray>{{"Custorin.Old", file(A, 2)},
                                                {"Custorin.Dat", file(B, 2)}}));
        }
    }

    void anotherWorkstationConvertedMeanwhile()
    {
        TestFolder env;
        env.write("Custorin.Data", file(A, 2));
        // While the question is open, another workstation converts the file.
        env.desktop.answerMsgBoxWith([&](const MsgBoxRequest &) {
            env.write("Custorin.Data", file(FromA, 2));
            env.write("Custorin.Old", file(A, 2));
            return MsgBoxAnswer{1, false};
        });
        QCOMPARE(UpgradeOlderDataFile(), UpgradeResult::Continue);
        QCOMPARE(env.desktop.msgBoxes.size(), 1);
        QCOMPARE(folderFiles(env.folder()),
                 (QMap<QString, QByteArray>{{"Custorin.Data", file(FromA, 2)},
                                            {"Custorin.Old", file(A, 2)}}));
    }

    void cancelledOnABusyFolderSaysWhyItEnds()
    {
        TestFolder env;
        env.write("Custorin.Data", file(A, 2));
        const auto before = folderFiles(env.folder());
        FolderLock other; // another workstation is writing
        QVERIFY(other.tryAcquire());
        env.desktop.answerMsgBox(1, false, "Update older version data file?");
        env.desktop.answerMsgBox(2, false, "Data folder busy");
        env.desktop.answerMsgBox(1, false, "Data file not updated");
        QCOMPARE(UpgradeOlderDataFile(), UpgradeResult::Quit);
        QCOMPARE(env.desktop.msgBoxes.size(), 3);
        QCOMPARE(env.desktop.msgBoxes[2].icon, 4);
        QCOMPARE(env.desktop.msgBoxes[2].text,
                 QStringLiteral("The data folder stayed busy (another workstation\r\n"
                                "is saving changes to it), and the update was cancelled.\r\n\r\n"
                                "Your data file has not been changed.\r\n"
                                "Custorin can not work with it in its older form, so it\r\n"
                                "will close now; please try again later."));
        QCOMPARE(env.desktop.msgBoxes[2].buttons, QStringList{"&Okay"});
        other.release();
        QCOMPARE(folderFiles(env.folder()), before);
    }

    void failuresChangeNothingAndQuit_data()
    {
        QTest::addColumn<QString>("file");
        QTest::addColumn<QString>("blocked"); // a folder of that name is in the way
        QTest::addColumn<int>("choice");
        QTest::addColumn<QString>("text");
        QTest::newRow("work file")
            << "Custorin.Data"
            << "TempFile.$$$" << 1
            << "The converted records could not be written to 'TempFile.$$$'";
        QTest::newRow("copy as .Old, the work file goes too")
            << "Custorin.Dat"
            << "Custorin.Old" << 1
            << "A copy of your older data file could not be saved as 'Custorin.Old'";
        QTest::newRow("starting over, rename to .Old")
            << "Custorin.Data"
            << "Custorin.Old" << 2 << "'Custorin.Data' could not be renamed to 'Custorin.Old'";
    }

    void failuresChangeNothingAndQuit()
    {
        QFETCH(QString, file);
        QFETCH(QString, blocked);
        QFETCH(int, choice);
        QFETCH(QString, text);
        TestFolder env;
        env.write(file, file.endsWith('a') ? ::file(A, 2) : ::file(B, 2));
        if (blocked != QLatin1String("Custorin.Old"))
            env.write("Custorin.Old", "an earlier copy");
        QVERIFY(QDir(env.folder()).mkpath(blocked + "/inside"));
        const auto before = folderFiles(env.folder());
        env.desktop.answerMsgBox(choice);
        // The box is shown with the folder lock let go: other workstations
        // do not wait for the person to read it.
        bool lockFree = false;
        env.desktop.answerMsgBoxWith([&lockFree](const MsgBoxRequest &) {
            FolderLock other;
            lockFree = other.tryAcquire();
            return MsgBoxAnswer{1, false};
        });
        QCOMPARE(UpgradeOlderDataFile(), UpgradeResult::Quit);
        QVERIFY(lockFree);
        const MsgBoxRequest &r = env.desktop.msgBoxes.value(1);
        QCOMPARE(r.title, QStringLiteral("Data file not updated"));
        QCOMPARE(r.text, text + "\r\n(the disk may be full, the folder read-only,\r\n"
                                "or the file in use at another workstation).\r\n\r\n"
                                "Your data file has not been changed.\r\n"
                                "Custorin will close now; please try again later.");
        QCOMPARE(r.buttons, QStringList{"&Okay"});
        QCOMPARE(r.icon, 4);
        QCOMPARE(folderFiles(env.folder()), before);
    }

    void conversionKilledAtAnyMomentKeepsTheRecords()
    {
        const QString tool = testTool("upgrade_kill");
        QVERIFY2(QFileInfo(tool).isExecutable(), qPrintable(tool));
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

            // The records are whole in one place: the converted data file, or
            // the old file under its own name (with no data file beside a
            // ".Dat" file). A work file never stands in for a missing data
            // file.
            const QByteArray nowData = readFile(data);
            if (QFile::exists(data) && nowData == (fromDat ? newB : newA))
                QCOMPARE(readFile(old), fromDat ? oldB : oldA);
            else if (fromDat)
                QVERIFY2(!QFile::exists(data) && readFile(dat) == oldB, "half-written data file");
            else
                QVERIFY2(nowData == oldA, "data file missing, or neither old nor converted");

            // The next start removes the work file and offers the conversion
            // again when it was not finished; it then completes.
            QElapsedTimer cleanUp;
            cleanUp.start();
            while (!RemoveStaleTempFile() && cleanUp.elapsed() < 10000)
                QThread::msleep(50); // a lock file left empty by the kill ages first
            QVERIFY(!QFile::exists(temp));
            const bool stillOld = fromDat ? !QFile::exists(data) : readFile(data) == oldA;
            if (stillOld) {
                env.desktop.answerMsgBox(1);
                env.desktop.answerMsgBox(1);
            }
            const int boxes = env.desktop.msgBoxes.size();
            QCOMPARE(UpgradeOlderDataFile(), UpgradeResult::Continue);
            QCOMPARE(env.desktop.msgBoxes.size(), boxes + (stillOld ? 2 : 0));
            QCOMPARE(readFile(data), fromDat ? newB : newA);
            QCOMPARE(readFile(old), fromDat ? oldB : oldA);
            QVERIFY(!QFile::exists(temp));
        }
        QVERIFY(killedWhileWorking > 0);
        qInfo("%d of 16 runs killed while working", killedWhileWorking);
    }
};

QTEST_GUILESS_MAIN(TestUpgrade)
#include "tst_upgrade.moc"
