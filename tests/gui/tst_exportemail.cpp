// The main window's spreadsheet export (its questions, the file of the list
// shown in the list's order, deletions by another workstation, the
// button's busy look and its return on every way out, the network watch
// held off, a folder that has gone) and the entry card's e-mail (the warning and its
// "Don't show this again", the mailto address decoded and compared with
// the card, no mail program).
#include "FakeDesktop.h"
#include "TestFiles.h"
#include "core/common/Formats.h"
#include "core/common/Globals.h"
#include "core/entries/DataFile.h"
#include "gui/controls/Grid.h"
#include "gui/controls/ZelButton.h"
#include "gui/windows/Quit.h"
#include "gui/windows/frmMain.h"
#include "gui/windows/frmSeeEntry.h"

#include <QApplication>
#include <QDir>
#include <QLineEdit>
#include <QPointer>
#include <QProcess>
#include <QRadioButton>
#include <QTimer>
#include <QUrlQuery>
#include <QtTest>

namespace
{

const QDateTime Now(QDate(2026, 3, 4), QTime(14, 5, 9));
const QString FileName = QStringLiteral("Custorin2Excel-0304140509.csv");

double ole(int y, int mo, int d, int h = 0, int mi = 0, int s = 0)
{
    return ToOleDate(QDateTime(QDate(y, mo, d), QTime(h, mi, s)));
}

EntryRecord entry(const QString &caseNumber, QDate received, int status, int minute)
{
    EntryRecord e;
    e.VersionStamp = 911;
    e.ControlNumber = ole(2009, 1, 5, 8, minute, 0);
    e.CaseNumber = caseNumber;
    e.Category = QStringLiteral("Tools");
    e.Description = QStringLiteral("Item ") + caseNumber;
    e.Value = 250000;
    e.ReceivedDate = ToOleDate(QDateTime(received, QTime(0, 0)));
    e.Status = quint8(status);
    return e;
}

// Six active entries received on dates out of file order, two archived.
QVector<EntryRecord> sixAndTwo()
{
    return {entry("F", QDate(2009, 6, 1), 1, 1),  entry("A", QDate(2009, 1, 1), 1, 2),
            entry("X1", QDate(2008, 1, 1), 2, 3), entry("D", QDate(2009, 4, 1), 1, 4),
            entry("B", QDate(2009, 2, 1), 1, 5),  entry("X2", QDate(2007, 1, 1), 2, 6),
            entry("E", QDate(2009, 5, 1), 1, 7),  entry("C", QDate(2009, 3, 1), 1, 8)};
}

void writeEntries(const QVector<EntryRecord> &entries)
{
    QByteArray bytes;
    for (const EntryRecord &e : entries)
        bytes += e.Pack();
    writeFile(DataPath(DataFileName), bytes);
}

QPointer<frmMain> openMain()
{
    CurrentUserName = QStringLiteral("Tester");
    CurrentAccessLevel = 1;
    AgencyName = QStringLiteral("Springfield PD");
    QPointer<frmMain> w = new frmMain;
    w->show();
    w->Form_Activate();
    return w;
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

QStringList gridCases(const frmMain &w)
{
    QStringList cases;
    for (int r = 1; r < w.grid->Rows(); ++r)
        cases << w.grid->TextMatrix(r, 1);
    return cases;
}

// Answers the two questions of the export with Continue and Create.
void goAhead(FakeDesktop &d)
{
    d.answerMsgBox(1, false, QStringLiteral("Create a Spreadsheet Data File"));
    d.answerMsgBox(1, false, QStringLiteral("Data File Export Wizard"));
}

// A message box as "title | text | buttons|icon|default|offer|count".
QString describe(const MsgBoxRequest &r)
{
    return r.title + QStringLiteral(" | ") + r.text + QStringLiteral(" | ") +
           r.buttons.join(QStringLiteral(", ")) +
           QStringLiteral("|%1|%2|%3|%4")
               .arg(r.icon)
               .arg(r.defaultButton)
               .arg(int(r.offerDontShow))
               .arg(r.buttons.size());
}

QStringList describeAll(const QList<MsgBoxRequest> &boxes)
{
    QStringList out;
    for (const MsgBoxRequest &r : boxes)
        out << describe(r);
    return out;
}

QString worker()
{
    return QDir(qEnvironmentVariable("CUSTORIN_TOOLS_DIR")).filePath("store_worker");
}

// The look of the export button: caption, tag, bold, colours.
QString buttonLook(const ZelButton *b)
{
    return QStringLiteral("%1|%2|%3|%4|%5|%6|%7")
        .arg(b->Caption(), b->Tag())
        .arg(b->FontBold())
        .arg(b->ForeColor(), 6, 16, QLatin1Char('0'))
        .arg(b->ForeOver(), 6, 16, QLatin1Char('0'))
        .arg(b->BackColor(), 6, 16, QLatin1Char('0'))
        .arg(b->BackOver(), 6, 16, QLatin1Char('0'));
}

// ---- the card ----

EntryRecord mailedEntry()
{
    EntryRecord e;
    e.VersionStamp = 911;
    e.ControlNumber = ole(2004, 1, 5, 14, 3, 9);
    e.CaseNumber = QStringLiteral("04-17&x=1");
    e.Location = QStringLiteral("Bin #4, Shelf ?");
    e.Category = QStringLiteral("Jewelry/Metals");
    e.BrandName = QStringLiteral("AT&T 50% a+b=c");
    e.ModelNumber = QStringLiteral("M/N: \"Q\"");
    e.SerialNumber = QString();
    e.Description = QString::fromUtf8("Bague en or, crème & café");
    e.Value = 12345000;
    e.Owner = QString::fromUtf8("José Núñez; 5 Rue de l'Église");
    e.ReceivedFrom = QStringLiteral("Officer Lee");
    e.ReceivedDate = ole(2004, 1, 5);
    e.ReleasedDate = 0;
    e.Defendant = QStringLiteral("J. Doe <jd@example.com>");
    e.Narrative = QStringLiteral("NARRATIVE-TEXT");
    e.ChainOfCustody = QStringLiteral("CUSTODY-TEXT");
    e.Status = 1;
    return e;
}

void openCard(frmSeeEntry &card)
{
    card.setTag(QStringLiteral("1"));
    card.setExpectedIdentity(mailedEntry().ControlNumber, mailedEntry().CaseNumber);
    card.show();
    QVERIFY(QTest::qWaitForWindowActive(&card));
    QCoreApplication::processEvents();
}

const QString WarningText = QStringLiteral("Remember that the 'Narrative' text field\r\n"
                                           "and the 'Chain-of-Custody' text field\r\n"
                                           "are not automatically included in the\r\n"
                                           "email you are getting ready to send.\r\n"
                                           "\r\n"
                                           "If you wish to include either or both,\r\n"
                                           "simply cut/paste between the text fields\r\n"
                                           "and the body of the email form.");

} // namespace

class TestExportEmail : public QObject
{
    Q_OBJECT
private slots:
    void init() { ProgramEnding = false; }
    void cleanup()
    {
        ProgramEnding = true;
        for (QWidget *top : QApplication::topLevelWidgets()) {
            if (qobject_cast<frmMain *>(top))
                delete top;
        }
        ProgramEnding = false;
    }

    // The two questions, the file of the list in the list's order, the
    // closing notice; cancelling either question writes nothing.
    void exportsTheListShown()
    {
        TestEnvironment env;
        env.desktop.setNow(Now);
        writeEntries(sixAndTwo());
        QPointer<frmMain> w = openMain();
        QVERIFY(w->cmdExportData->isVisible());
        QCOMPARE(w->cmdExportData->Caption(), QStringLiteral("E&xport this data"));
        const QString path = env.path(FileName);

        env.desktop.answerMsgBox(2, false, QStringLiteral("Create a Spreadsheet Data File"));
        QTest::mouseClick(w->cmdExportData, Qt::LeftButton);
        env.desktop.answerMsgBox(1, false, QStringLiteral("Create a Spreadsheet Data File"));
        env.desktop.answerMsgBox(0, false, QStringLiteral("Data File Export Wizard"));
        QTest::mouseClick(w->cmdExportData, Qt::LeftButton);
        QCOMPARE(env.desktop.msgBoxes.size(), 3);
        QVERIFY(!QFile::exists(path));

        goAhead(env.desktop);
        env.desktop.answerMsgBox(1, false, QStringLiteral("Spreadsheet file created"));
        QTest::mouseClick(w->cmdExportData, Qt::LeftButton);
        QCOMPARE(env.desktop.pendingAnswers(), 0);
        const QStringList boxes = describeAll(env.desktop.msgBoxes.mid(3));
        QCOMPARE(boxes.size(), 3);
        QCOMPARE(boxes[0],
                 QStringLiteral("Create a Spreadsheet Data File | "
                                "This will create a *.CVS Excel file of the\r\n"
                                "Custorin entries listed in this window which\r\n"
                                "can then be imported into an Excel spreadsheet\r\n"
                                "or other similar spreadsheet programs. | &Continue, C&ancel"
                                "|5|1|0|2"));
        QCOMPARE(boxes[1], QStringLiteral("Data File Export Wizard | "
                                          "The name of the data file will be\r\n\r\n"
                                          "Custorin2Excel-0304140509.csv\r\n\r\n"
                                          "It will be located in the\r\n"
                                          "default Custorin data folder. | "
                                          "&Create the data file, C&ancel|5|1|0|2"));
        QCOMPARE(boxes[2], QStringLiteral("Spreadsheet file created | "
                                          "Custorin2Excel-0304140509.csv\r\n\r\n"
                                          "has been successfully created and is\r\n"
                                          "ready for import as a spreadsheet file.\r\n\r\n"
                                          "Note that you may have to re-format,\r\n"
                                          "certain columnar information. | &Okay|5|1|0|1"));
        // Sorted by date received, as the list shows them.
        QCOMPARE(exportedCases(path), QStringList({"A", "B", "C", "D", "E", "F"}));
        QCOMPARE(gridCases(*w), exportedCases(path));

        // The Inactive List sorted by case number: its entries only.
        w->optDisplay[2]->click();
        w->optSort[1]->click();
        QCOMPARE(gridCases(*w), QStringList({"X1", "X2"}));
        env.desktop.advance(1);
        goAhead(env.desktop);
        env.desktop.answerMsgBox(1, false, QStringLiteral("Spreadsheet file created"));
        w->cmdExportData_Click();
        QCOMPARE(exportedCases(env.path(QStringLiteral("Custorin2Excel-0304140510.csv"))),
                 QStringList({"X1", "X2"}));

        // Another workstation deletes D after the list was loaded: the
        // entries after it have moved and are exported all the same; D is
        // left out and the person is told.
        w->optDisplay[1]->click();
        QProcess p;
        p.start(worker(), {QStringLiteral("deleteat"), DataFolder, QStringLiteral("4")});
        QVERIFY(p.waitForFinished(30000));
        QCOMPARE(p.readAllStandardOutput(), QByteArray("DELETED D\n"));
        env.desktop.setNow(Now); // the first file's name again: replaced
        goAhead(env.desktop);
        env.desktop.answerMsgBox(1, false, QStringLiteral("Spreadsheet file created"));
        env.desktop.answerMsgBox(1, false, QStringLiteral("Entries deleted meanwhile"));
        w->cmdExportData_Click();
        QCOMPARE(exportedCases(path), QStringList({"A", "B", "C", "E", "F"}));
        QCOMPARE(describe(env.desktop.msgBoxes.last()),
                 QStringLiteral("Entries deleted meanwhile | "
                                "1 of the 6 listed entries has been deleted at another\r\n"
                                "workstation since the list was loaded and is\r\n"
                                "not in the spreadsheet file; the others are.\r\n\r\n"
                                "Refresh the list to see what it holds now. | &Okay|4|1|0|1"));
        QCOMPARE(env.desktop.pendingAnswers(), 0);
    }

    // While the file is written the button reads "Creating..." in bold dark
    // red on yellow, the window is busy and the network watch is held off;
    // all of it comes back when the export ends, whichever way it ends.
    void busyLookComesBackOnEveryWayOut()
    {
        TestEnvironment env;
        env.desktop.setNow(Now);
        writeEntries(sixAndTwo());
        QPointer<frmMain> w = openMain();
        QVERIFY(w->timerNetworkWatch->isActive());
        const QString normal = buttonLook(w->cmdExportData);
        QCOMPARE(normal, QStringLiteral("E&xport this data||1|402000|402000|f2e6dc|f2e6dc"));

        // The data file can not be opened during the export: the person is
        // asked while the export is under way, and cancels.
        const int savedRetry = DataFileOpenRetryMs;
        DataFileOpenRetryMs = 50;
        QVERIFY(QFile::remove(DataPath(DataFileName)));
        QVERIFY(QDir(env.folder()).mkdir(DataFileName));
        QString during;
        bool busyCursor = false, watching = true;
        goAhead(env.desktop);
        env.desktop.answerMsgBoxWith([&](const MsgBoxRequest &r) {
            during = r.title + QLatin1Char('|') + buttonLook(w->cmdExportData);
            busyCursor = QApplication::overrideCursor() &&
                         QApplication::overrideCursor()->shape() == Qt::WaitCursor;
            watching = w->timerNetworkWatch->isActive();
            return MsgBoxAnswer{2, false};
        });
        QTest::mouseClick(w->cmdExportData, Qt::LeftButton);
        DataFileOpenRetryMs = savedRetry;
        QCOMPARE(during, QStringLiteral("Data file not available|Creating...|E&xport this data|1|"
                                        "0000c0|0000c0|00ffff|00ffff"));
        QVERIFY(busyCursor);
        QVERIFY(!watching);
        QCOMPARE(env.desktop.msgBoxes.size(), 3); // nothing told after the cancel
        QVERIFY(!QFile::exists(env.path(FileName)));
        QCOMPARE(buttonLook(w->cmdExportData), normal);
        QVERIFY(!QApplication::overrideCursor());
        QVERIFY(w->timerNetworkWatch->isActive());

        // The data folder has gone (a network drive dropped): the file can
        // not be written, and the person is told which and why.
        QDir(env.folder()).removeRecursively();
        goAhead(env.desktop);
        env.desktop.answerMsgBox(1, false, QStringLiteral("Spreadsheet file not created"));
        w->cmdExportData_Click();
        QCOMPARE(env.desktop.pendingAnswers(), 0);
        const MsgBoxRequest &failed = env.desktop.msgBoxes.last();
        QCOMPARE(failed.icon, 4);
        QCOMPARE(failed.buttons, QStringList{QStringLiteral("&Okay")});
        QCOMPARE(failed.text, QStringLiteral("The spreadsheet file\r\n"
                                             "Custorin2Excel-0304140509.csv\r\n"
                                             "could not be written in the data folder\r\n") +
                                  QDir::toNativeSeparators(DataFolder) +
                                  QStringLiteral("\r\n\r\n"
                                                 "The system says: No such file or directory\r\n"
                                                 "\r\n"
                                                 "Nothing has been written; an earlier file\r\n"
                                                 "of that name is as it was."));
        QCOMPARE(buttonLook(w->cmdExportData), normal);
        QVERIFY(!QApplication::overrideCursor());
        QVERIFY(w->timerNetworkWatch->isActive());
        QVERIFY(!w->isHidden() && w->isEnabled());
    }

    // The address handed to the mail program, decoded, holds the subject
    // and the fifteen lines of the card exactly, whatever characters the
    // fields hold; the long texts never.
    void mailsTheCardAsShown()
    {
        TestEnvironment env;
        CurrentAccessLevel = 1;
        writeEntries({mailedEntry()});
        frmSeeEntry card;
        openCard(card);
        QVERIFY(!card.EmailWarningOff);

        env.desktop.answerMsgBox(1, false, QStringLiteral("Emailing an Item..."));
        QTest::mouseClick(card.cmdEmailEntry, Qt::LeftButton);
        QCOMPARE(env.desktop.msgBoxes.size(), 1);
        QCOMPARE(describeAll(env.desktop.msgBoxes).value(0),
                 QStringLiteral("Emailing an Item... | ") + WarningText +
                     QStringLiteral(" | &Continue, &Stop, don't send email|5|1|1|2"));
        QVERIFY(!card.EmailWarningOff);
        QCOMPARE(env.desktop.openedUrls.size(), 1);

        const QUrl url = env.desktop.openedUrls[0];
        QCOMPARE(url.scheme(), QStringLiteral("mailto"));
        QCOMPARE(url.path(), QString());
        const QString encoded = url.toString(QUrl::FullyEncoded);
        QVERIFY2(encoded.startsWith(QLatin1String(
                     "mailto:?subject=Custorin%20-%20Control%20Number%2020040105140309&body=")),
                 qPrintable(encoded));
        QCOMPARE(encoded.count(QLatin1Char('&')), 1);
        QCOMPARE(encoded.count(QLatin1Char('#')), 0);

        const QUrlQuery query(url);
        QCOMPARE(query.queryItems().size(), 2);
        QCOMPARE(
            QUrl::fromPercentEncoding(
                query.queryItemValue(QStringLiteral("subject"), QUrl::FullyEncoded).toLatin1()),
            QStringLiteral("Custorin - Control Number 20040105140309"));
        const QString body = QUrl::fromPercentEncoding(
            query.queryItemValue(QStringLiteral("body"), QUrl::FullyEncoded).toLatin1());
        QCOMPARE(body.split(QStringLiteral("\r\n")),
                 QStringList({
                     QStringLiteral("Control Number: 20040105140309"),
                     QStringLiteral("Case Number: 04-17&x=1"),
                     QStringLiteral("Location/Bin/Shelf: Bin #4, Shelf ?"),
                     QStringLiteral("Category: Jewelry/Metals"),
                     QStringLiteral("Brand Name: AT&T 50% a+b=c"),
                     QStringLiteral("Model Number/Name: M/N: \"Q\""),
                     QStringLiteral("Serial Number: "),
                     QString::fromUtf8("Description: Bague en or, crème & café"),
                     QStringLiteral("Value: 1234.5"),
                     QString::fromUtf8("Owner/Address/Phone: José Núñez; 5 Rue de l'Église"),
                     QStringLiteral("Received from: Officer Lee"),
                     QStringLiteral("Received Date: 1/5/2004"),
                     QStringLiteral("Released to (or other disposition): "),
                     QStringLiteral("Released Date: "),
                     QStringLiteral("Defendant: J. Doe <jd@example.com>"),
                 }));
        QVERIFY(!encoded.contains(QLatin1String("NARRATIVE")));
        QVERIFY(!encoded.contains(QLatin1String("CUSTODY")));
        QCOMPARE(env.desktop.pendingAnswers(), 0);
    }

    // Stop with "Don't show this again" ticked prepares nothing now and
    // mails without asking from then on, on this card only; Stop alone
    // asks again next time; no mail program: "Connection Error", the card
    // as it was.
    void warningChoicesAndNoMailProgram()
    {
        TestEnvironment env;
        CurrentAccessLevel = 1;
        writeEntries({mailedEntry()});
        {
            frmSeeEntry card;
            openCard(card);
            env.desktop.answerMsgBox(2, false, QStringLiteral("Emailing an Item..."));
            card.cmdEmailEntry_Click();
            QVERIFY(env.desktop.openedUrls.isEmpty());
            QVERIFY(!card.EmailWarningOff);

            env.desktop.answerMsgBox(2, true, QStringLiteral("Emailing an Item..."));
            card.cmdEmailEntry_Click();
            QVERIFY(env.desktop.openedUrls.isEmpty());
            QVERIFY(card.EmailWarningOff);
            QCOMPARE(env.desktop.msgBoxes.size(), 2);

            card.cmdEmailEntry_Click();
            QCOMPARE(env.desktop.msgBoxes.size(), 2); // not asked
            QCOMPARE(env.desktop.openedUrls.size(), 1);

            env.desktop.setOpenUrlResult(false);
            env.desktop.answerMsgBox(1, false, QStringLiteral("Connection Error"));
            card.cmdEmailEntry_Click();
            QCOMPARE(env.desktop.openedUrls.size(), 2);
            QCOMPARE(describeAll({env.desktop.msgBoxes.last()}).value(0),
                     QStringLiteral("Connection Error | An internet connection\r\n"
                                    "could not be established. | &Okay|2|1|0|1"));
            QVERIFY(card.isVisible() && card.isViewing() && !card.isEditing());
            QCOMPARE(card.fieldText(4), QStringLiteral("AT&T 50% a+b=c"));
            QVERIFY(card.cmdEmailEntry->isVisible() && card.cmdEmailEntry->isEnabled());
            card.cmdFinished_Click();
        }
        // The next card warns again.
        env.desktop.setOpenUrlResult(true);
        frmSeeEntry next;
        openCard(next);
        env.desktop.answerMsgBox(1, false, QStringLiteral("Emailing an Item..."));
        next.cmdEmailEntry_Click();
        QCOMPARE(env.desktop.openedUrls.size(), 3);
        QCOMPARE(env.desktop.pendingAnswers(), 0);
    }
};

QTEST_MAIN(TestExportEmail)
#include "tst_exportemail.moc"
