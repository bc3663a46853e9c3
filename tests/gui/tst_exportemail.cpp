// The main window's spreadsheet export (its questions, the list's order,
// entries deleted elsewhere, the busy look) and the
// entry card's e-mail (the warning and its tick, the address, no mail program).
#include "BoxText.h"
#include "EntryTexts.h"
#include "FakeDesktop.h"
#include "MainFixtures.h"
#include "RunProgram.h"
#include "TestFiles.h"
#include "TestFolder.h"
#include "gui/platform/GuiDesktop.h"
#include "gui/windows/frmSeeEntry.h"

#include <QClipboard>
#include <QDir>
#include <QTemporaryDir>
#include <QUrlQuery>
#include <QtTest>

using namespace fixtures;

namespace
{

const QDateTime Now(QDate(2026, 3, 4), QTime(14, 5, 9));
const QString FileName = QStringLiteral("Custorin2Excel-0304140509.csv");

// Six active entries received on dates out of file order, two archived.
QVector<EntryRecord> sixAndTwo()
{
    return {entry(1, "F", {2009, 6, 1}, 2500),     entry(2, "A", {2009, 1, 1}, 2500),
            entry(3, "X1", {2008, 1, 1}, 2500, 2), entry(4, "D", {2009, 4, 1}, 2500),
            entry(5, "B", {2009, 2, 1}, 2500),     entry(6, "X2", {2007, 1, 1}, 2500, 2),
            entry(7, "E", {2009, 5, 1}, 2500),     entry(8, "C", {2009, 3, 1}, 2500)};
}

// The case numbers of the exported file's lines, in file order.
QStringList exportedCases(const QString &path)
{
    QStringList cases;
    const QList<QByteArray> lines = readFile(path).split('\n');
    for (int i = 1; i < lines.size(); ++i) {
        if (!lines[i].isEmpty())
            cases << QString::fromLatin1(lines[i].split(',').value(1)).remove('"');
    }
    return cases;
}

// Continue and Create, then the closing notice titled done (if any).
void goAhead(FakeDesktop &d, const QString &done = QStringLiteral("Spreadsheet file created"))
{
    d.answerMsgBox(1, false, QStringLiteral("Create a Spreadsheet Data File"));
    d.answerMsgBox(1, false, QStringLiteral("Data File Export Wizard"));
    if (!done.isEmpty())
        d.answerMsgBox(1, false, done);
}

// Caption, tag, bold, fore and back colours (each also under the pointer).
QString buttonLook(const ZelButton *b)
{
    QString look = b->Caption() + '|' + b->Tag() + '|' + QString::number(b->FontBold());
    for (OleColor c : {b->ForeColor(), b->ForeOver(), b->BackColor(), b->BackOver()})
        look += QStringLiteral("|%1").arg(c, 6, 16, QLatin1Char('0'));
    return look;
}

EntryRecord mailedEntry()
{
    EntryRecord e = EntryWithTexts(QString::fromUtf8(
        "04-17&x=1|Bin #4, Shelf ?|Jewelry/Metals|AT&T 50% a+b=c|M/N: \"Q\"||Bague en or, crème & "
        "café|José Núñez; 5 Rue de l'Église|Officer Lee||J. Doe <jd@example.com>|NARRATIVE-TEXT|"
        "CUSTODY-TEXT"));
    e.VersionStamp = 911;
    e.ControlNumber = ToOleDate(QDateTime(QDate(2004, 1, 5), QTime(14, 3, 9)));
    e.Value = 12345000;
    e.ReceivedDate = ToOleDate(QDateTime(QDate(2004, 1, 5), QTime(0, 0)));
    e.Status = 1;
    return e;
}

} // namespace

class TestExportEmail : public QObject
{
    Q_OBJECT
private slots:
    void init() { ProgramEnding = false; }
    void cleanup() { closeMainWindows(); }

    // Cancelling either question writes nothing.
    void exportsTheListShownAndComesBack()
    {
        TestEnvironment env;
        env.desktop.setNow(Now);
        writeEntries(env, sixAndTwo());
        QPointer<frmMain> w = openMain(env, 1);
        const QString path = env.path(FileName);
        // While the file is written the button reads "Creating...", the window
        // is busy and the watch held off; all comes back however the export ends.
        auto state = [&] {
            const QCursor *c = QApplication::overrideCursor();
            return QStringLiteral("%1|busy %2|watch %3")
                .arg(buttonLook(w->cmdExportData))
                .arg(c && c->shape() == Qt::WaitCursor)
                .arg(w->timerNetworkWatch->isActive());
        };
        const QString normal = state();
        QVERIFY2(normal.endsWith("|busy 0|watch 1"), qPrintable(normal));

        env.desktop.answerMsgBox(1);
        env.desktop.answerMsgBox(0); // the close box on the second question
        QTest::mouseClick(w->cmdExportData, Qt::LeftButton);
        QVERIFY(!QFile::exists(path));
        goAhead(env.desktop);
        QTest::mouseClick(w->cmdExportData, Qt::LeftButton);
        QCOMPARE(boxText(env.desktop.msgBoxes.first()),
                 "Create a Spreadsheet Data File | This will create a *.CVS Excel file of the\r\n"
                 "Custorin entries listed in this window which\r\ncan then be imported into an "
                 "Excel spreadsheet\r\nor other similar spreadsheet programs. | &Continue, "
                 "C&ancel | 5 1 0");
        // Sorted by date received, as the list shows them; the notice says
        // where the file is.
        QCOMPARE(exportedCases(path), QStringList({"A", "B", "C", "D", "E", "F"}));
        QCOMPARE(boxText(env.desktop.msgBoxes.value(4)),
                 "Spreadsheet file created | " + QDir::toNativeSeparators(path) +
                     "\r\n\r\nhas been successfully created and is\r\nready for import as a "
                     "spreadsheet file.\r\n\r\nNote that you may have to re-format,\r\ncertain "
                     "columnar information. | &Okay | 5 1 0");
        QCOMPARE(state(), normal);

        // Another workstation deletes D after the list was loaded: the
        // entries after it have moved and are exported all the same; D is
        // left out and the person is told.
        QCOMPARE(RunProgram(testTool("store_worker"), {"deleteat", env.data.folder(), "4"}).out,
                 QByteArray("DELETED D\n"));
        goAhead(env.desktop);
        env.desktop.answerMsgBox(1, false, QStringLiteral("Entries deleted meanwhile"));
        w->cmdExportData_Click();
        QCOMPARE(exportedCases(path), QStringList({"A", "B", "C", "E", "F"}));
        QCOMPARE(boxText(env.desktop.msgBoxes.last()),
                 QStringLiteral("Entries deleted meanwhile | 1 of the 6 listed entries has been "
                                "deleted at another\r\nworkstation since the list was loaded and "
                                "is\r\nnot in the spreadsheet file; the others are.\r\n\r\nRefresh "
                                "the list to see what it holds now. | &Okay | 4 1 0"));

        // The data file can not be opened during the export: the person is
        // asked while the export is under way, and cancels.
        env.data.options.DataFileOpenRetryMs = 50;
        QVERIFY(QFile::remove(DataPath(env.data, DataFileName)));
        QVERIFY(QDir(env.folder()).mkdir(DataFileName));
        QString during;
        const QByteArray earlier = readFile(path);
        env.desktop.msgBoxes.clear();
        goAhead(env.desktop, QString());
        env.desktop.answerMsgBoxWith([&](const MsgBoxRequest &r) {
            during = r.title + '|' + state();
            return MsgBoxAnswer{2, false};
        });
        QTest::mouseClick(w->cmdExportData, Qt::LeftButton);
        QCOMPARE(during, QStringLiteral("Data file not available|Creating...|E&xport this data|1|"
                                        "0000c0|0000c0|00ffff|00ffff|busy 1|watch 0"));
        QCOMPARE(env.desktop.msgBoxes.size(), 3); // nothing told after the cancel
        QCOMPARE(readFile(path), earlier);
        QCOMPARE(state(), normal);

        QCOMPARE(env.desktop.pendingAnswers(), 0);
    }

    // Stop prepares nothing; "Don't show this again" holds even then. The
    // address holds the subject and the card's fifteen lines, whatever
    // characters the fields hold, never the long texts.
    void mailsTheCardAsShown()
    {
        TestEnvironment env;
        env.session.CurrentAccessLevel = 1;
        writeEntries(env, {mailedEntry()});
        frmSeeEntry card(env.store, env.session);
        card.setTag(QStringLiteral("1"));
        card.setExpectedIdentity(mailedEntry().ControlNumber, mailedEntry().CaseNumber);
        card.show();
        QVERIFY(QTest::qWaitForWindowActive(&card));
        for (const bool tick : {false, true}) {
            env.desktop.answerMsgBox(2, tick, QStringLiteral("Emailing an Item..."));
            card.cmdEmailEntry_Click();
        }
        QVERIFY(env.desktop.openedUrls.isEmpty());
        QCOMPARE(boxText(env.desktop.msgBoxes.value(0)),
                 QStringLiteral("Emailing an Item... | Remember that the 'Narrative' text field\r\n"
                                "and the 'Chain-of-Custody' text field\r\nare not automatically "
                                "included in the\r\nemail you are getting ready to send.\r\n\r\nIf "
                                "you wish to include either or both,\r\nsimply cut/paste between "
                                "the text fields\r\nand the body of the email form. | &Continue, "
                                "&Stop, don't send email | 5 1 1"));
        QTest::mouseClick(card.cmdEmailEntry, Qt::LeftButton); // not asked
        QCOMPARE(env.desktop.openedUrls.size(), 1);
        const QUrl url = env.desktop.openedUrls[0];
        const QString encoded = url.toString(QUrl::FullyEncoded);
        QVERIFY2(encoded.startsWith(QLatin1String(
                     "mailto:?subject=Custorin%20-%20Control%20Number%2020040105140309&body=")),
                 qPrintable(encoded));
        QVERIFY(encoded.count('&') == 1 && !encoded.contains('#'));
        const QString body = QUrl::fromPercentEncoding(
            QUrlQuery(url).queryItemValue(QStringLiteral("body"), QUrl::FullyEncoded).toLatin1());
        QCOMPARE(body, QString::fromUtf8(
                           "Control Number: 20040105140309\r\nCase Number: 04-17&x=1\r\n"
                           "Location/Bin/Shelf: Bin #4, Shelf ?\r\nCategory: Jewelry/Metals\r\n"
                           "Brand Name: AT&T 50% a+b=c\r\nModel Number/Name: M/N: \"Q\"\r\n"
                           "Serial Number: \r\nDescription: Bague en or, crème & café\r\n"
                           "Value: 1234.5\r\nOwner/Address/Phone: José Núñez; 5 Rue de l'Église\r\n"
                           "Received from: Officer Lee\r\nReceived Date: 1/5/2004\r\n"
                           "Released to (or other disposition): \r\nReleased Date: \r\n"
                           "Defendant: J. Doe <jd@example.com>"));

        env.desktop.setOpenUrlResult(false);
        env.desktop.answerMsgBox(1, false, QStringLiteral("Connection Error"));
        card.cmdEmailEntry_Click();
        QCOMPARE(boxText(env.desktop.msgBoxes.last()),
                 QStringLiteral("Connection Error | An internet connection\r\ncould not be "
                                "established. | &Okay | 2 1 0"));

        // The desktop has no mail program: nothing is handed to it; the
        // person may take the message text to the clipboard instead.
        env.desktop.setMailProgram(false);
        env.desktop.answerMsgBox(2, false, QStringLiteral("No E-mail Program"));
        card.cmdEmailEntry_Click();
        QVERIFY(env.desktop.clipboard.isEmpty());
        env.desktop.answerMsgBox(1, false, QStringLiteral("No E-mail Program"));
        card.cmdEmailEntry_Click();
        QCOMPARE(env.desktop.openedUrls.size(), 2);
        QCOMPARE(boxText(env.desktop.msgBoxes.last()),
                 QStringLiteral("No E-mail Program | No e-mail program is set up on this "
                                "computer,\r\nso the message about this entry can not be "
                                "opened.\r\n\r\nDo you want to copy the message text to the "
                                "clipboard\r\nand paste it into an e-mail yourself? | &Copy the "
                                "message text, &Don't copy it | 3 1 0"));
        QCOMPARE(env.desktop.clipboard,
                 QStringList(QString::fromUtf8(
                     "Custorin - Control Number 20040105140309\n\nControl Number: "
                     "20040105140309\nCase Number: 04-17&x=1\nLocation/Bin/Shelf: Bin #4, Shelf "
                     "?\nCategory: Jewelry/Metals\nBrand Name: AT&T 50% a+b=c\nModel Number/Name: "
                     "M/N: \"Q\"\nSerial Number: \nDescription: Bague en or, crème & café\n"
                     "Value: 1234.5\nOwner/Address/Phone: José Núñez; 5 Rue de l'Église\n"
                     "Received from: Officer Lee\nReceived Date: 1/5/2004\nReleased to (or other "
                     "disposition): \nReleased Date: \nDefendant: J. Doe <jd@example.com>\n")));
        env.desktop.setMailProgram(true);
        env.desktop.setOpenUrlResult(true);
        card.cmdEmailEntry_Click();
        QCOMPARE(env.desktop.openedUrls.size(), 3);
        QCOMPARE(env.desktop.pendingAnswers(), 0);
    }

    // The real desktop asks xdg-mime which program takes "mailto:" links:
    // one named, none, or no xdg-mime to ask (then the link is tried).
    void realDesktopAsksForAMailProgram()
    {
        QTemporaryDir bin;
        const QByteArray oldPath = qgetenv("PATH");
        auto answer = [&](const QByteArray &script) {
            const QString tool = bin.filePath("xdg-mime");
            QFile::remove(tool);
            if (!script.isEmpty()) {
                writeFile(tool, "#!/bin/sh\necho \"$@\" > \"$0.args\"\n" + script);
                QFile::setPermissions(tool, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
            }
            qputenv("PATH", bin.path().toLocal8Bit());
            const std::optional<bool> known = GuiDesktop().hasMailProgram();
            qputenv("PATH", oldPath);
            return !known   ? QStringLiteral("unknown")
                   : *known ? QStringLiteral("yes")
                            : QStringLiteral("no");
        };
        QCOMPARE(answer("echo thunderbird.desktop\n"), QStringLiteral("yes"));
        QCOMPARE(readFile(bin.filePath("xdg-mime.args")),
                 QByteArray("query default x-scheme-handler/mailto\n"));
        QCOMPARE(answer("echo\n"), QStringLiteral("no"));
        QCOMPARE(answer("exit 3\n"), QStringLiteral("unknown"));
        QCOMPARE(answer(""), QStringLiteral("unknown"));

        GuiDesktop().copyToClipboard(QStringLiteral("Case Number: 09-1\n"));
        QCOMPARE(QGuiApplication::clipboard()->text(), QStringLiteral("Case Number: 09-1\n"));
    }
};

QTEST_MAIN(TestExportEmail)
#include "tst_exportemail.moc"
