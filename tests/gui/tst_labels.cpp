// Labels: the command line's PDF rendered at 203 and 300 dpi and every code
// read back by zbarimg; then the main window's "Print Labels...".
#include "FakeDesktop.h"
#include "MainFixtures.h"
#include "RunProgram.h"
#include "SampleData.h"
#include "SkipStatus.h"
#include "core/common/Formats.h"
#include "gui/windows/frmLabels.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QLineEdit>
#include <QRadioButton>
#include <QSpinBox>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtTest>

using namespace fixtures;

class TestLabels : public QObject
{
    Q_OBJECT
    QTemporaryDir m_dir;

private slots:
    void initTestCase()
    {
        QVERIFY(SampleData::WriteDataFile(m_dir.filePath("Custorin.Data"), 300, 2026));
    }

    void commandLine()
    {
        ProgramRun r = RunCustorin({"--label-templates"});
        QCOMPARE(r.status, 0);
        QCOMPARE(r.out, QByteArray("avery-5160\navery-l7160\nroll-2.25x1.25\nthermal-4x6\n"));

        const QString pdf = m_dir.filePath("some.pdf");
        const struct {
            QStringList args;
            QByteArray err;
        } refused[] = {
            {{"--template", "avery-8160"},
             "custorin: there is no label template 'avery-8160' (--label-templates lists them)\n"},
            {{}, "custorin: --labels needs --template NAME\n"},
            {{"--template", "avery-5160", "--start", "31"},
             "custorin: --start must be a position from 1 to 30 on avery-5160\n"},
            {{"--template", "roll-2.25x1.25", "--case", "no such case"},
             "custorin: no entry to label\n"},
            {{"--template", "roll-2.25x1.25", "--all", "--active"},
             "custorin: --case, --all and --active are used one at a time\n"},
        };
        for (const auto &c : refused) {
            r = RunCustorin(QStringList{"--data-dir", m_dir.path(), "--labels", pdf} + c.args);
            QCOMPARE(r.err, c.err);
            QCOMPARE(r.status, 1);
            QVERIFY(!QFileInfo::exists(pdf));
        }
        r = RunCustorin(
            {"--data-dir", m_dir.filePath("nothing"), "--labels", pdf, "--template", "avery-5160"});
        QCOMPARE(r.status, 1);
        QCOMPARE(r.err,
                 "custorin: there is no data file: " +
                     QDir::toNativeSeparators(m_dir.filePath("nothing/Custorin.Data")).toUtf8() +
                     "\n");
    }

    // Every demo label read back on each stock (QR codes on the roll, one a
    // page: zbar mixes up a full sheet of them; of the 4" x 6", the first 30).
    void scansBack_data()
    {
        QTest::addColumn<QString>("stock");
        QTest::addColumn<int>("dpi");
        QTest::addColumn<bool>("qr");
        QTest::addColumn<int>("pages");
        QTest::addColumn<int>("labels");       // read back, from the first on
        QTest::addColumn<QString>("pageSize"); // in points
        QTest::newRow("5160 203") << "avery-5160" << 203 << false << 10 << 300 << "612 x 792";
        QTest::newRow("5160 300") << "avery-5160" << 300 << false << 10 << 300 << "612 x 792";
        QTest::newRow("L7160 203") << "avery-l7160" << 203 << false << 15 << 300 << "595 x 842";
        QTest::newRow("L7160 300") << "avery-l7160" << 300 << false << 15 << 300 << "595 x 842";
        QTest::newRow("roll QR 203") << "roll-2.25x1.25" << 203 << true << 300 << 300 << "162 x 90";
        QTest::newRow("roll QR 300") << "roll-2.25x1.25" << 300 << true << 300 << 300 << "162 x 90";
        QTest::newRow("4x6 203") << "thermal-4x6" << 203 << false << 300 << 30 << "288 x 432";
    }
    void scansBack()
    {
        QFETCH(QString, stock);
        QFETCH(int, dpi);
        QFETCH(bool, qr);
        QFETCH(int, pages);
        QFETCH(int, labels);
        QFETCH(QString, pageSize);
        if (QStandardPaths::findExecutable("zbarimg").isEmpty() ||
            QStandardPaths::findExecutable("pdftoppm").isEmpty())
            SKIP_HERE("zbarimg or pdftoppm is missing (scripts/install-deps installs them)");
        QTemporaryDir work;
        const QString pdf = work.filePath("labels.pdf");
        QStringList args{"--data-dir", m_dir.path(), "--labels", pdf, "--template", stock, "--all"};
        if (qr)
            args << "--qr";
        const ProgramRun made = RunCustorin(args);
        QCOMPARE(made.err, QByteArray());
        QCOMPARE(made.status, 0);
        const ProgramRun info = RunProgram("pdfinfo", {pdf});
        QVERIFY2(info.out.simplified().contains("Page size: " + pageSize.toUtf8() + " pts"),
                 info.out);
        QVERIFY2(info.out.simplified().contains("Pages: " + QByteArray::number(pages)), info.out);
        const int rendered = labels < 300 ? labels : pages;
        QVERIFY(RunProgram("pdftoppm", {"-r", QString::number(dpi), "-gray", "-l",
                                        QString::number(rendered), pdf, work.filePath("page")})
                    .status == 0);
        QStringList images;
        for (const QString &pgm : QDir(work.path()).entryList({"page*.pgm"}, QDir::Files))
            images << work.filePath(pgm);
        const ProgramRun read =
            RunProgram("zbarimg", QStringList{"-q", "--nodbus"} + images, {}, false, 170000);
        QStringList found = QString::fromUtf8(read.out).split('\n', Qt::SkipEmptyParts);
        QStringList expected;
        for (const EntryRecord &e : SampleData::MakeEntries(300, 2026).mid(0, labels)) {
            const QString control = ControlNumberText(e.ControlNumber);
            expected << "CODE-128:" + control;
            if (qr)
                expected << "QR-Code:" + control + ' ' + e.CaseNumber.trimmed();
        }
        found.sort();
        expected.sort();
        QCOMPARE(found, expected);
    }

    // The listed entries from a sheet's fifth label; then one shelf typed in.
    void mainWindowLabels()
    {
        TestEnvironment env;
        writeEntries(env, {entry(1, "A-1", {2009, 1, 5}, 100, 1, "Bicycle"),
                           entry(2, "A-2", {2009, 1, 6}, 100, 1, "Gold ring"),
                           entry(3, "Z-1", {2009, 1, 7}, 100, 2, "Safe")});
        QPointer<frmMain> w = openMain(env);
        whenModal<frmLabels>([](frmLabels *ask) {
            QCOMPARE(ask->optWhat[frmLabels::Entries]->text(), "The &entries listed (2)");
            QVERIFY(ask->txtStart->isEnabled());
            ask->txtStart->setValue(5);
            ask->cmdPrint->click();
        });
        w->cmdPrintLabels->click();
        QCOMPARE(env.desktop.printJobs, QStringList({"Custorin Labels"}));
        QStringList codes;
        for (const PrintedText &p : env.desktop.printed)
            if (p.bold)
                codes << QStringLiteral("%1 %2,%3").arg(p.text).arg(p.x > 2.9375).arg(p.y > 1.5);
        QCOMPARE(codes, QStringList({"20090105080100 1,1", "20090105080200 1,1"}));

        whenModal<frmLabels>([](frmLabels *ask) {
            QTest::keyClicks(ask->txtShelf, "Room 2");
            QVERIFY(ask->optWhat[frmLabels::OneShelf]->isChecked());
            QVERIFY(!ask->chkQrCode->isEnabled());
            ask->cboTemplate->setCurrentIndex(2);
            QVERIFY(!ask->txtStart->isEnabled());
            ask->cmdPrint->click();
        });
        w->cmdPrintLabels->click();
        QCOMPARE(env.desktop.printJobs.size(), 2);
        QCOMPARE(env.desktop.papers[1].width, 2.25);
        QCOMPARE(env.desktop.printed.last().text, QStringLiteral("Room 2"));
        dispose(w);
    }
};

SKIPPABLE_GUI_MAIN(TestLabels)
#include "tst_labels.moc"
