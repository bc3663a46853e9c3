// The upgrade of older data files: the two old record layouts, the
// conversion into entry records checked byte for byte, every answer of the
// questions with their exact texts, files of the current version left
// alone, the too-old ".Dat" file, quitting with every file unchanged,
// failures that change nothing, and a conversion killed at random moments
// that never leaves the records without a data file.
#include "FakeDesktop.h"
#include "TestBytes.h"
#include "TestFiles.h"
#include "core/common/FolderLock.h"
#include "core/common/Formats.h"
#include "core/common/Globals.h"
#include "core/entries/EntryRecord.h"
#include "core/entries/Upgrade.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QMap>
#include <QProcess>
#include <QRandomGenerator>
#include <QThread>
#include <QtTest>
#include <csignal>

namespace
{

// ---- bytes at explicit offsets ----

void putInt(QByteArray &r, int at, quint64 v, int width)
{
    for (int k = 0; k < width; ++k)
        r[at + k] = char((v >> (8 * k)) & 0xff);
}

void putDouble(QByteArray &r, int at, double d)
{
    r.replace(at, 8, doubleBytes(d));
}

// Windows-1252 bytes into a field of a record filled with blanks.
void putText(QByteArray &r, int at, int width, const QByteArray &text)
{
    QVERIFY(text.size() <= width);
    r.replace(at, text.size(), text);
}

// One entry of an older release, as values.
struct Item {
    qint32 sequence;
    double control, received, released;
    qint64 value;
    QByteArray caseNo, location, category, brand, model, serial, description, owner, from, to,
        defendant, unused, narrative;
};

Item item(int i)
{
    Item it;
    it.sequence = 17 + i;
    it.control = 39876.5 + i;                // 3/4/2009 12:00 plus i days
    it.received = 39870.25 + i;              // a date with a time
    it.released = i % 2 ? 0 : 39900.0 + i;   // 0: not released
    it.value = 1234567 + qint64(i) * 100000; // $123.4567 and up
    it.caseNo = "C-2009-" + QByteArray::number(1000 + i);
    it.location = "Shelf \xe9 " + QByteArray::number(i); // e acute
    it.category = "Bicycle";
    it.brand = "Schwinn";
    it.model = "MDL-123456789AB"; // all 15 characters of the old field
    it.serial = "SN" + QByteArray::number(i);
    it.description = "Red 10-speed, \x93racer\x94"; // curly quotes
    it.owner = "Ren\xe9"
               "e M\xfcller, 12 Elm St."; // accented letters
    it.from = "Officer Jones";
    it.to = i % 2 ? QByteArray() : QByteArray("Owner");
    it.defendant = "Doe, John";
    it.unused = "NOT CARRIED OVER";
    it.narrative = QByteArray(1826, char('a' + i % 26));
    it.narrative[1825] = 'Z';
    return it;
}

QByteArray oldRecordA(const Item &it, qint16 version)
{
    QByteArray r(2500, ' ');
    putInt(r, 0, quint16(version), 2);
    putDouble(r, 2, it.control);
    putText(r, 10, 15, it.caseNo);
    putText(r, 25, 50, it.location);
    putText(r, 75, 20, it.category);
    putText(r, 95, 20, it.brand);
    putText(r, 115, 15, it.model);
    putText(r, 130, 20, it.serial);
    putText(r, 150, 60, it.description);
    putInt(r, 210, quint64(it.value), 8);
    putText(r, 218, 100, it.owner);
    putText(r, 318, 70, it.from);
    putDouble(r, 388, it.received);
    putText(r, 396, 70, it.to);
    putDouble(r, 466, it.released);
    putText(r, 474, 50, it.defendant);
    putText(r, 524, 150, it.unused);
    putText(r, 674, 1826, it.narrative);
    return r;
}

QByteArray oldRecordB(const Item &it, const QByteArray &marker = "v1")
{
    QByteArray r(1000, ' ');
    putInt(r, 0, quint32(it.sequence), 4);
    putText(r, 4, 15, it.caseNo);
    putText(r, 19, 20, it.category);
    putText(r, 39, 20, it.brand);
    putText(r, 59, 15, it.model);
    putText(r, 74, 20, it.serial);
    putText(r, 94, 60, it.description);
    putInt(r, 154, quint64(it.value), 8);
    putText(r, 162, 100, it.owner);
    putText(r, 262, 70, it.from);
    putDouble(r, 332, it.received);
    putText(r, 340, 70, it.to);
    putDouble(r, 410, it.released);
    putText(r, 418, 50, it.defendant);
    putText(r, 468, 50, it.location);
    putText(r, 518, 150, it.unused);
    putText(r, 668, 330, it.narrative.left(330));
    r.replace(998, 2, marker);
    return r;
}

// The entry the conversion must write: version 911, blanks in the
// reserved fields and the chain of custody, status 0.
QByteArray newRecord(const Item &it, bool fromDat)
{
    QByteArray r(5000, ' ');
    putInt(r, 0, 911, 2);
    putDouble(r, 2, fromDat ? double(it.sequence) : it.control);
    putText(r, 10, 15, it.caseNo);
    putText(r, 25, 50, it.location);
    putText(r, 75, 20, it.category);
    putText(r, 95, 20, it.brand);
    putText(r, 115, 20, it.model);
    putText(r, 135, 20, it.serial);
    putText(r, 155, 60, it.description);
    putInt(r, 215, quint64(it.value), 8);
    putText(r, 223, 100, it.owner);
    putText(r, 323, 70, it.from);
    putDouble(r, 393, it.received);
    putText(r, 401, 70, it.to);
    putDouble(r, 471, it.released);
    putText(r, 479, 50, it.defendant);
    putText(r, 979, 1921, fromDat ? it.narrative.left(330) : it.narrative);
    r[4999] = 0;
    return r;
}

template <typename Record> QByteArray records(int count, Record record)
{
    QByteArray f;
    for (int i = 0; i < count; ++i)
        f += record(item(i));
    return f;
}

QByteArray oldFileA(int count, qint16 version = 635)
{
    return records(count, [version](const Item &it) { return oldRecordA(it, version); });
}

QByteArray oldFileB(int count, const QByteArray &marker = "v1")
{
    return records(count, [&marker](const Item &it) { return oldRecordB(it, marker); });
}

QByteArray newFile(int count, bool fromDat)
{
    return records(count, [fromDat](const Item &it) { return newRecord(it, fromDat); });
}

// ---- files ----

// Every file of the data folder with its bytes.
QMap<QString, QByteArray> snapshot(const QString &folder)
{
    QMap<QString, QByteArray> files;
    for (const QString &name : QDir(folder).entryList(QDir::Files | QDir::Hidden))
        files.insert(name, readFile(QDir(folder).filePath(name)));
    return files;
}

QString tool()
{
    return QDir(qEnvironmentVariable("CUSTORIN_TOOLS_DIR")).filePath("upgrade_kill");
}

const QString Q =
    QStringLiteral("You have an older version data file that I would like\r\n"
                   "to convert and use with this newer software version.\r\n\r\n"
                   "If you agree, I will update your existing data file\r\n"
                   "and save a copy of the old one as 'Custorin.Old'.\r\n\r\n"
                   "Or, if you'd rather, you can start fresh with a new data file\r\n"
                   "(I will still rename and save a copy of the old data file).\r\n\r\n"
                   "Or, if you're not ready to answer right now, you can select\r\n"
                   "the last option.");

const QStringList DataButtons = {QStringLiteral("&Yes, update our existing data file"),
                                 QStringLiteral("&Let's start over with a new data file"),
                                 QStringLiteral("&Quit the program for now")};
const QStringList DatButtons = {QStringLiteral("&Yes, update our existing file"),
                                QStringLiteral("&Start over with a new file"),
                                QStringLiteral("&Quit the program for now")};

void checkQuestion(const MsgBoxRequest &r, const QStringList &buttons)
{
    QCOMPARE(r.title, QStringLiteral("Update older version data file?"));
    QCOMPARE(r.icon, 3);
    QCOMPARE(r.text, Q);
    QCOMPARE(r.defaultButton, 1);
    QCOMPARE(r.offerDontShow, false);
    QCOMPARE(r.buttons, buttons);
}

void checkFinished(const MsgBoxRequest &r, const QString &text, const QString &button)
{
    QCOMPARE(r.title, QStringLiteral("Finished Updating!"));
    QCOMPARE(r.icon, 5);
    QCOMPARE(r.text, text);
    QCOMPARE(r.defaultButton, 1);
    QCOMPARE(r.offerDontShow, false);
    QCOMPARE(r.buttons, QStringList{button});
}

} // namespace

class TestUpgrade : public QObject
{
    Q_OBJECT
private slots:
    void oldLayoutsReadAndWriteAtTheirOffsets()
    {
        TestEnvironment env;
        const Item it = item(3);
        const QByteArray a = oldRecordA(it, 637);
        // Read and written back at their offsets; the conversions check
        // each field's place byte for byte.
        const OldEntryRecordA ra = OldEntryRecordA::Unpack(a);
        QCOMPARE(ra.Description, QString::fromUtf8("Red 10-speed, \u201cracer\u201d"));
        QCOMPARE(ra.Pack(), a);
        const QByteArray b = oldRecordB(it, "v2");
        const OldEntryRecordB rb = OldEntryRecordB::Unpack(b);
        QCOMPARE(rb.ControlNumber, 20);
        QVERIFY(rb.hasFormatMarker());
        QCOMPARE(rb.Pack(), b);
        // A negative sequence number keeps its sign.
        QByteArray neg = b;
        putInt(neg, 0, quint32(-5), 4);
        QCOMPARE(OldEntryRecordB::Unpack(neg).ControlNumber, -5);
    }

    void recordCountsRoundHalfToEven()
    {
        QCOMPARE(OldRecordCount(0, OldFormat::A), 0);
        QCOMPARE(OldRecordCount(1249, OldFormat::A), 0);
        QCOMPARE(OldRecordCount(1250, OldFormat::A), 0);
        QCOMPARE(OldRecordCount(1251, OldFormat::A), 1);
        QCOMPARE(OldRecordCount(2 * 2500 + 1250, OldFormat::A), 2);
        QCOMPARE(OldRecordCount(3 * 2500 + 1250, OldFormat::A), 4);
        QCOMPARE(OldRecordCount(1500, OldFormat::B), 2);
        QCOMPARE(OldRecordCount(2499, OldFormat::B), 2);
        QCOMPARE(OldRecordCount(2501, OldFormat::B), 3);
        QCOMPARE(int(CurrentVersionStamp()), 911);
    }

    void dataFileOfVersion635IsConverted()
    {
        TestEnvironment env;
        const QByteArray original = oldFileA(3);
        writeFile(env.path("Custorin.Data"), original);
        writeFile(env.path("Custorin.Old"), "an earlier copy");
        env.desktop.answerMsgBox(1);
        env.desktop.answerMsgBox(1);
        QStringList busy;
        const UpgradeResult r = UpgradeOlderDataFile([&](bool on) {
            busy << (on ? "on" : "off");
            // While busy, the question has been answered and the data file is
            // still the old one.
            QCOMPARE(env.desktop.msgBoxes.size(), 1);
        });
        QCOMPARE(r, UpgradeResult::Continue);
        QCOMPARE(busy, (QStringList{"on", "off"}));
        QCOMPARE(env.desktop.msgBoxes.size(), 2);
        checkQuestion(env.desktop.msgBoxes[0], DataButtons);
        checkFinished(env.desktop.msgBoxes[1],
                      QStringLiteral("Your data file has been\r\nsuccessfully converted!"),
                      QStringLiteral("Thank you-- let's &continue"));

        const QByteArray converted = readFile(env.path("Custorin.Data"));
        QCOMPARE(converted.size(), 15000);
        for (int i = 0; i < 3; ++i)
            QCOMPARE(converted.mid(i * 5000, 5000), newRecord(item(i), false));
        QCOMPARE(readFile(env.path("Custorin.Old")), original);
        QVERIFY(!QFile::exists(env.path("TempFile.$$$")));
        // The old model field (15) widened to 20 at its new place.
        QCOMPARE(converted.mid(5115, 20), QByteArray("MDL-123456789AB     "));

        // Once converted, the next run finds nothing to do.
        QCOMPARE(UpgradeOlderDataFile(), UpgradeResult::Continue);
        QCOMPARE(env.desktop.msgBoxes.size(), 2);
        QCOMPARE(env.desktop.pendingAnswers(), 0);
    }

    void shortLastRecordConvertsWithZeros()
    {
        TestEnvironment env;
        // Two whole records and 1300 bytes of a third: three records, the
        // missing bytes of the third read as zeros.
        const QByteArray original = oldFileA(3).left(2 * 2500 + 1300);
        writeFile(env.path("Custorin.Data"), original);
        env.desktop.answerMsgBox(1);
        env.desktop.answerMsgBox(1);
        QCOMPARE(UpgradeOlderDataFile(), UpgradeResult::Continue);
        const QByteArray converted = readFile(env.path("Custorin.Data"));
        QCOMPARE(converted.size(), 15000);
        QCOMPARE(converted.left(10000), newFile(2, false));
        const QByteArray third = converted.mid(10000);
        QCOMPARE(third.mid(0, 2), QByteArray("\x8f\x03"));
        QCOMPARE(third.mid(10, 15), QByteArray("C-2009-1002    "));
        QCOMPARE(third.mid(979, 1300 - 674), QByteArray(1300 - 674, 'c'));
        QCOMPARE(third.mid(979 + 626, 1200), QByteArray(1200, '\0'));
        QCOMPARE(third.mid(979 + 1826, 95), QByteArray(95, ' '));
        QCOMPARE(readFile(env.path("Custorin.Old")), original);
    }

    void startingOverKeepsTheOldFile_data()
    {
        QTest::addColumn<bool>("dat");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("button");
        QTest::newRow(".Data") << false << QString()
                               << QStringLiteral("Thank you-- let's &continue");
        QTest::newRow(".Dat") << true
                              << QStringLiteral("Your older data file\r\nhas been renamed to\r\n"
                                                "Custorin.Old")
                              << QStringLiteral("&Continue");
    }

    void startingOverKeepsTheOldFile()
    {
        QFETCH(bool, dat);
        QFETCH(QString, text);
        QFETCH(QString, button);
        TestEnvironment env;
        const QByteArray original = dat ? oldFileB(2) : oldFileA(2, 641);
        writeFile(env.path(dat ? "Custorin.Dat" : "Custorin.Data"), original);
        writeFile(env.path("Custorin.Old"), "an earlier copy");
        env.desktop.answerMsgBox(2);
        env.desktop.answerMsgBox(1);
        bool busy = false;
        QCOMPARE(UpgradeOlderDataFile([&](bool) { busy = true; }), UpgradeResult::Continue);
        QVERIFY(!busy);
        QCOMPARE(env.desktop.msgBoxes.size(), 2);
        checkQuestion(env.desktop.msgBoxes[0], dat ? DatButtons : DataButtons);
        checkFinished(env.desktop.msgBoxes[1], text, button);
        QVERIFY(!QFile::exists(env.path("Custorin.Data")));
        QVERIFY(!QFile::exists(env.path("Custorin.Dat")));
        QCOMPARE(readFile(env.path("Custorin.Old")), original);
        QVERIFY(!QFile::exists(env.path("TempFile.$$$")));
    }

    void datFileIsConverted()
    {
        TestEnvironment env;
        const QByteArray original = oldFileB(4);
        writeFile(env.path("Custorin.Dat"), original);
        env.desktop.answerMsgBox(1);
        env.desktop.answerMsgBox(1);
        QCOMPARE(UpgradeOlderDataFile(), UpgradeResult::Continue);
        QCOMPARE(env.desktop.msgBoxes.size(), 2);
        checkQuestion(env.desktop.msgBoxes[0], DatButtons);
        checkFinished(env.desktop.msgBoxes[1],
                      QStringLiteral("Your data file has been\r\nsuccessfully converted!\r\n\r\n"
                                     "Your older data file\r\nhas been renamed to\r\nCustorin.Old"),
                      QStringLiteral("&Continue"));

        const QByteArray converted = readFile(env.path("Custorin.Data"));
        QCOMPARE(converted, newFile(4, true));
        QCOMPARE(readFile(env.path("Custorin.Old")), original);
        QVERIFY(!QFile::exists(env.path("Custorin.Dat")));
        QVERIFY(!QFile::exists(env.path("TempFile.$$$")));
        // The sequence number 19 as a control number of the same value.
        QCOMPARE(converted.mid(10002, 8), QByteArray("\x00\x00\x00\x00\x00\x00\x33\x40", 8));
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
        TestEnvironment env;
        if (dat)
            writeFile(env.path("Custorin.Dat"), oldFileB(3));
        else
            writeFile(env.path("Custorin.Data"), oldFileA(3, 631));
        writeFile(env.path("Custorin.Old"), "an earlier copy");
        writeFile(env.path("User.List"), QByteArray(500, 'u'));
        const auto before = snapshot(env.folder());
        env.desktop.answerMsgBox(choice);
        QCOMPARE(UpgradeOlderDataFile(), UpgradeResult::Quit);
        QCOMPARE(env.desktop.msgBoxes.size(), 1);
        checkQuestion(env.desktop.msgBoxes[0], dat ? DatButtons : DataButtons);
        QCOMPARE(snapshot(env.folder()), before);
    }

    void currentDataFilesAreLeftAlone_data()
    {
        QTest::addColumn<int>("version");
        QTest::newRow("630") << 630;
        QTest::newRow("642") << 642;
        QTest::newRow("911") << 911;
        QTest::newRow("72") << 72;
    }

    void currentDataFilesAreLeftAlone()
    {
        QFETCH(int, version);
        TestEnvironment env;
        // The first record's version decides; a ".Dat" file beside a data file
        // is ignored.
        QByteArray data = oldFileA(4, qint16(version));
        putInt(data, 2500, 635, 2);
        writeFile(env.path("Custorin.Data"), data);
        writeFile(env.path("Custorin.Dat"), oldFileB(1));
        const auto before = snapshot(env.folder());
        QCOMPARE(UpgradeOlderDataFile(), UpgradeResult::Continue);
        QCOMPARE(env.desktop.msgBoxes.size(), 0);
        QCOMPARE(snapshot(env.folder()), before);
    }

    void tooOldDatFileIsSetAside_data()
    {
        QTest::addColumn<QByteArray>("file");
        QTest::newRow("marker V in upper case") << oldFileB(2, "V1");
        QTest::newRow("marker with a leading blank") << oldFileB(2, " v");
        QTest::newRow("no marker") << oldFileB(2, "  ");
        QTest::newRow("shorter than a record") << oldFileB(1).left(998);
    }

    void tooOldDatFileIsSetAside()
    {
        QFETCH(QByteArray, file);
        TestEnvironment env;
        writeFile(env.path("Custorin.Dat"), file);
        writeFile(env.path("Custorin.Old"), "an earlier copy");
        env.desktop.answerMsgBox(1);
        QCOMPARE(UpgradeOlderDataFile(), UpgradeResult::Continue);
        QCOMPARE(env.desktop.msgBoxes.size(), 1);
        const MsgBoxRequest &r = env.desktop.msgBoxes[0];
        QCOMPARE(r.title, QStringLiteral("Data file can not be updated"));
        QCOMPARE(r.icon, 5);
        QCOMPARE(r.text, QStringLiteral("Your existing (older version) data file\r\n"
                                        "is too old to be converted.\r\n\r\n"
                                        "It will be renamed to\r\n\r\nCustorin.Old\r\n\r\n"
                                        "and a new (empty) data file\r\n"
                                        "will be created for you now."));
        QCOMPARE(r.defaultButton, 1);
        QCOMPARE(r.offerDontShow, false);
        QCOMPARE(r.buttons, QStringList{QStringLiteral("&Continue")});
        QVERIFY(!QFile::exists(env.path("Custorin.Dat")));
        QVERIFY(!QFile::exists(env.path("Custorin.Data")));
        QCOMPARE(readFile(env.path("Custorin.Old")), file);
    }

    void emptyOldFilesAreRemovedWithoutAQuestion()
    {
        {
            TestEnvironment env;
            writeFile(env.path("Custorin.Dat"), QByteArray());
            QCOMPARE(UpgradeOlderDataFile(), UpgradeResult::Continue);
            QCOMPARE(env.desktop.msgBoxes.size(), 0);
            QVERIFY(!QFile::exists(env.path("Custorin.Dat")));
        }
        {
            // An empty data file goes, and the ".Dat" file behind it is asked
            // about.
            TestEnvironment env;
            writeFile(env.path("Custorin.Data"), QByteArray());
            writeFile(env.path("Custorin.Dat"), oldFileB(1));
            env.desktop.answerMsgBox(3);
            QCOMPARE(UpgradeOlderDataFile(), UpgradeResult::Quit);
            QCOMPARE(env.desktop.msgBoxes.size(), 1);
            checkQuestion(env.desktop.msgBoxes[0], DatButtons);
            QVERIFY(!QFile::exists(env.path("Custorin.Data")));
            QCOMPARE(readFile(env.path("Custorin.Dat")), oldFileB(1));
        }
    }

    void datFileNotOfferedAfterStartingOver()
    {
        // Starting over from an older ".Data" file keeps it as ".Old"; a ".Dat"
        // file lying there as well must not replace that copy.
        TestEnvironment env;
        const QByteArray data = oldFileA(2);
        writeFile(env.path("Custorin.Data"), data);
        writeFile(env.path("Custorin.Dat"), oldFileB(2));
        env.desktop.answerMsgBox(2);
        env.desktop.answerMsgBox(1);
        QCOMPARE(UpgradeOlderDataFile(), UpgradeResult::Continue);
        QCOMPARE(env.desktop.msgBoxes.size(), 2);
        QCOMPARE(readFile(env.path("Custorin.Old")), data);
        QCOMPARE(readFile(env.path("Custorin.Dat")), oldFileB(2));
    }

    void anotherWorkstationConvertedMeanwhile()
    {
        TestEnvironment env;
        writeFile(env.path("Custorin.Data"), oldFileA(2));
        const QByteArray theirs = newFile(2, false);
        // While the question is open, another workstation converts the file.
        env.desktop.answerMsgBoxWith([&](const MsgBoxRequest &) {
            writeFile(env.path("Custorin.Data"), theirs);
            writeFile(env.path("Custorin.Old"), oldFileA(2));
            return MsgBoxAnswer{1, false};
        });
        QCOMPARE(UpgradeOlderDataFile(), UpgradeResult::Continue);
        QCOMPARE(env.desktop.msgBoxes.size(), 1);
        QCOMPARE(readFile(env.path("Custorin.Data")), theirs);
        QCOMPARE(readFile(env.path("Custorin.Old")), oldFileA(2));
        QVERIFY(!QFile::exists(env.path("TempFile.$$$")));
    }

    void cancelledOnABusyFolderSaysWhyItEnds()
    {
        TestEnvironment env;
        writeFile(env.path("Custorin.Data"), oldFileA(2));
        const auto before = snapshot(env.folder());
        FolderLock other; // another workstation is writing
        QVERIFY(other.tryAcquire());
        env.desktop.answerMsgBox(1, false, "Update older version data file?");
        env.desktop.answerMsgBox(2, false, "Data folder busy");
        env.desktop.answerMsgBox(1, false, "Data file not updated");
        QCOMPARE(UpgradeOlderDataFile(), UpgradeResult::Quit);
        QCOMPARE(env.desktop.msgBoxes.size(), 3);
        const MsgBoxRequest &r = env.desktop.msgBoxes[2];
        QCOMPARE(r.icon, 4);
        QCOMPARE(r.text,
                 QStringLiteral("The data folder stayed busy (another workstation\r\n"
                                "is saving changes to it), and the update was cancelled.\r\n"
                                "\r\n"
                                "Your data file has not been changed.\r\n"
                                "Custorin can not work with it in its older form, so it\r\n"
                                "will close now; please try again later."));
        QCOMPARE(r.buttons, QStringList{QStringLiteral("&Okay")});
        other.release();
        QCOMPARE(snapshot(env.folder()), before);
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
        TestEnvironment env;
        writeFile(env.path(file), file.endsWith('a') ? oldFileA(2) : oldFileB(2));
        if (blocked != QLatin1String("Custorin.Old"))
            writeFile(env.path("Custorin.Old"), "an earlier copy");
        QVERIFY(QDir(env.folder()).mkpath(blocked + "/inside"));
        const auto before = snapshot(env.folder());
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
        QCOMPARE(env.desktop.msgBoxes.size(), 2);
        const MsgBoxRequest &r = env.desktop.msgBoxes[1];
        QCOMPARE(r.title, QStringLiteral("Data file not updated"));
        QCOMPARE(r.icon, 4);
        QCOMPARE(r.text, text + "\r\n(the disk may be full, the folder read-only,\r\n"
                                "or the file in use at another workstation).\r\n\r\n"
                                "Your data file has not been changed.\r\n"
                                "Custorin will close now; please try again later.");
        QCOMPARE(r.buttons, QStringList{QStringLiteral("&Okay")});
        QCOMPARE(snapshot(env.folder()), before);
    }

    void conversionKilledAtAnyMomentKeepsTheRecords()
    {
        QVERIFY2(QFileInfo(tool()).isExecutable(), qPrintable(tool()));
        constexpr int kRecords = 3000;
        const QByteArray oldA = oldFileA(kRecords);
        const QByteArray oldB = oldFileB(kRecords);
        const QByteArray newA = newFile(kRecords, false);
        const QByteArray newB = newFile(kRecords, true);

        TestEnvironment env;
        const QString data = env.path("Custorin.Data");
        const QString dat = env.path("Custorin.Dat");
        const QString old = env.path("Custorin.Old");
        const QString temp = env.path("TempFile.$$$");
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
        whole.start(tool(), {env.folder()});
        QVERIFY(whole.waitForFinished(60000));
        QCOMPARE(whole.readAllStandardOutput().trimmed(), QByteArray("CONTINUE"));
        const int span = int(qMax<qint64>(20, timer.elapsed()));
        QCOMPARE(readFile(data), newA);

        QRandomGenerator rng(20240612);
        int killedWhileWorking = 0, foundOld = 0, foundNew = 0;
        for (int round = 0; round < 16; ++round) {
            const bool fromDat = round % 2 == 1;
            reset(fromDat);
            QProcess p;
            p.start(tool(), {env.folder()});
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
            const bool dataThere = QFile::exists(data);
            if (dataThere && nowData == (fromDat ? newB : newA)) {
                ++foundNew;
                QCOMPARE(readFile(old), fromDat ? oldB : oldA);
            } else if (fromDat) {
                QVERIFY2(!dataThere, "half-written data file");
                QCOMPARE(readFile(dat), oldB);
                ++foundOld;
            } else {
                QVERIFY2(dataThere, "data file missing");
                QVERIFY2(nowData == oldA, "data file neither old nor converted");
                ++foundOld;
            }

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
        qInfo("%d of 16 runs killed while working: %d found old, %d found converted",
              killedWhileWorking, foundOld, foundNew);
    }
};

QTEST_GUILESS_MAIN(TestUpgrade)
#include "tst_upgrade.moc"
