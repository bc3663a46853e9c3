// The entry card window: focus, offered values, the category menu, modes,
// the records and log lines it writes (built here from offsets) and its
// e-mail; the main window's spreadsheet export.
#include "BoxText.h"
#include "EntryTexts.h"
#include "FakeDesktop.h"
#include "MainFixtures.h"
#include "RunProgram.h"
#include "TestBytes.h"
#include "TestFiles.h"
#include "TestFolder.h"
#include "core/common/FolderLock.h"
#include "core/common/Globals.h"
#include "core/entries/EntryRecord.h"
#include "gui/controls/ZelButton.h"
#include "gui/platform/GuiDesktop.h"
#include "gui/platform/Presenter.h"
#include "gui/windows/frmSeeEntry.h"

#include <QApplication>
#include <QClipboard>
#include <QDir>
#include <QLineEdit>
#include <QMenu>
#include <QPlainTextEdit>
#include <QTemporaryDir>
#include <QTimer>
#include <QUrlQuery>
#include <QtTest>

using namespace fixtures;

namespace
{

const QDateTime Now(QDate(2026, 5, 17), QTime(9, 30, 0));

EntryRecord sampleEntry(int k)
{
    EntryRecord e;
    e.VersionStamp = 61;
    e.ControlNumber = oleDate(2009, 3, k, 14, 5, 9);
    e.CaseNumber = QStringLiteral("09-00%1").arg(k);
    e.Location = QStringLiteral("Bin %1").arg(k);
    e.Category = QStringLiteral("Tools");
    e.BrandName = QStringLiteral("DeWalt");
    e.Description = QStringLiteral("Cordless drill %1").arg(k);
    e.Value = 12345000; // 1234.50
    e.Owner = QStringLiteral("Pat Owner");
    e.ReceivedDate = oleDate(2009, 3, 4);
    e.Reserved2 = QStringLiteral("reserved two");
    e.ChainOfCustody = QStringLiteral("Taken in\r\nLogged");
    e.Status = 1;
    return e;
}

// The clock at Now, the person signed in, a data file of three entries;
// returns its bytes.
QByteArray setUp(TestEnvironment &env, int level, const QString &user = QString())
{
    env.desktop.setNow(Now);
    env.session.CurrentAccessLevel = level;
    env.session.CurrentUserName = user;
    const QByteArray bytes = sampleEntry(1).Pack() + sampleEntry(2).Pack() + sampleEntry(3).Pack();
    writeFile(env.path("Custorin.Data"), bytes);
    return bytes;
}

QByteArray dataFile(const TestEnvironment &env)
{
    return readFile(env.path("Custorin.Data"));
}

QLineEdit *line(frmSeeEntry &c, int i)
{
    return qobject_cast<QLineEdit *>(c.txtfield(i));
}

// The card adding a new entry, or (k > 0) showing entry k as the list saw it;
// false when it did not become the active window (the test stops there).
[[nodiscard]] bool open(frmSeeEntry &c, int k = 0)
{
    if (k == 0) {
        c.setProvisionalControlNumber("20260517093000");
    } else {
        c.setTag(QString::number(k));
        c.setExpectedIdentity(sampleEntry(k).ControlNumber, sampleEntry(k).CaseNumber);
    }
    c.show();
    const bool active = QTest::qWaitForWindowActive(&c);
    QCoreApplication::processEvents();
    return active;
}

void focusField(frmSeeEntry &c, int i)
{
    c.txtfield(i)->setFocus(Qt::OtherFocusReason);
    QCoreApplication::processEvents();
}

void typeInto(frmSeeEntry &c, int i, const QString &text)
{
    focusField(c, i);
    if (QLineEdit *l = line(c, i))
        l->selectAll();
    else
        qobject_cast<QPlainTextEdit *>(c.txtfield(i))->selectAll();
    QTest::keyClick(c.txtfield(i), Qt::Key_Delete);
    QTest::keyClicks(c.txtfield(i), text);
}

[[nodiscard]] bool pressTab()
{
    QWidget *focus = QApplication::focusWidget();
    if (focus) {
        QTest::keyClick(focus, Qt::Key_Tab);
        QCoreApplication::processEvents();
    }
    return focus != nullptr;
}

const QDateTime ExportNow(QDate(2026, 3, 4), QTime(14, 5, 9));
const QString FileName = QStringLiteral("Custorin2Excel-0304140509.csv");

// Six active entries received on dates out of file order, two archived.
QVector<EntryRecord> sixAndTwo()
{
    return {entry(1, "F", {2009, 6, 1}, 2500),     entry(2, "A", {2009, 1, 1}, 2500),
            entry(3, "X1", {2008, 1, 1}, 2500, 2), entry(4, "D", {2009, 4, 1}, 2500),
            entry(5, "B", {2009, 2, 1}, 2500),     entry(6, "X2", {2007, 1, 1}, 2500, 2),
            entry(7, "E", {2009, 5, 1}, 2500),     entry(8, "C", {2009, 3, 1}, 2500)};
}

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

class TestFrmSeeEntry : public QObject
{
    Q_OBJECT
private slots:
    void init()
    {
        ProgramEnding = false;
        QApplication::setEffectEnabled(Qt::UI_AnimateMenu, false);
    }
    // Every test function opens a card of its own; one that failed half-way
    // leaves nothing for the next.
    void cleanup()
    {
        closeMainWindows();
        closeEverything();
        QVERIFY(QApplication::topLevelWidgets().isEmpty());
    }

    void plainAdd()
    {
        TestEnvironment env;
        setUp(env, 3, "Pat");
        writeFile(env.path("Custorin.Data"), "");
        frmSeeEntry card(env.store, env.session);
        card.setTag("0");
        QVERIFY(open(card));
        QCOMPARE(card.fieldText(0), QStringLiteral("20260517093000"));
        QVERIFY(QApplication::focusWidget() == card.txtfield(1) && !card.cmdAddSave->isEnabled());
        QTest::keyClicks(card.txtfield(1), "  26-000123 ");
        QVERIFY(pressTab()); // leaves the case number trimmed and locked
        QCOMPARE(card.fieldText(1), QStringLiteral("26-000123"));
        QVERIFY(line(card, 1)->isReadOnly());
        QTest::keyClicks(card.txtfield(2), " Bin 7 ");
        QVERIFY(pressTab());
        // The empty Category box pops up the menu below itself; a choice
        // moves on.
        QCOMPARE(card.menuCategorymenu->pos(),
                 card.txtfield(3)->mapToGlobal(QPoint(0, card.txtfield(3)->height())));
        card.menuCategory(9)->trigger(); // "Electronics"
        // The offscreen platform lets the pop-up take the activation.
        card.menuCategorymenu->hide();
        card.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&card));
        QCOMPARE(QApplication::focusWidget(), card.txtfield(4));
        QTest::keyClicks(card.txtfield(4), "Dell");
        typeInto(card, 7, "Black laptop");
        typeInto(card, 8, "$1,234.50");
        QVERIFY(!card.cmdAddSave->isEnabled()); // no received date yet
        QTest::mouseClick(card.txtfield(11), Qt::LeftButton, {}, QPoint(5, 5));
        QCOMPARE(line(card, 11)->selectedText(), QStringLiteral("05/17/2026"));
        QVERIFY(card.cmdAddSave->isEnabled());
        typeInto(card, 15, "Found in a car.");
        // Saved 65 seconds after Add was pressed: that moment is the
        // control number, not the provisional one shown.
        env.desktop.setNow(Now.addSecs(65));
        // Another workstation holds the lock a while: the save waits off the
        // card's thread, and a second click on Save, or Esc, does nothing.
        FolderLock other(env.data);
        QVERIFY(other.tryAcquire());
        bool waiting = false;
        QTimer::singleShot(0, [&] {
            waiting = BusyWorkRunning();
            QTest::mouseClick(card.cmdAddSave, Qt::LeftButton);
            QTest::keyClick(&card, Qt::Key_Escape);
            other.release();
        });
        QTest::mouseClick(card.cmdAddSave, Qt::LeftButton);
        QVERIFY(waiting);
        QVERIFY(card.result() == QDialog::Accepted && env.session.ListNeedsReload);
        const QByteArray stamp =
            QByteArray::number(AppVersionMajor) + QByteArray::number(AppVersionMinor);
        const QByteArray bytes = dataFile(env);
        QCOMPARE(bytes.size(), 5000);
        QCOMPARE(bytes.left(115), le16(qint16(stamp.toInt())) +
                                      doubleBytes(oleDate(2026, 5, 17, 9, 31, 5)) +
                                      padded("26-000123", 15) + padded("Bin 7", 50) +
                                      padded("Electronics", 20) + padded("Dell", 20));
        QCOMPARE(bytes.mid(155, 68), padded("Black laptop", 60) + le64(12345000));
        QCOMPARE(bytes.mid(393, 8), doubleBytes(oleDate(2026, 5, 17)));
        QCOMPARE(bytes.mid(979, 1921), padded("Found in a car.", 1921));
        QCOMPARE(bytes.at(4999), char(1));
        QCOMPARE(readFile(env.path("DataRecords.Log")),
                 "05/17/2026 at 09:31:05 - Control#20260517093105 added by Pat\r\n");
    }

    void addFromTemplate()
    {
        TestEnvironment env;
        const QByteArray before = setUp(env, 4, "Pat");
        frmSeeEntry card(env.store, env.session);
        card.setProvisionalControlNumber("20260517093000");
        QVERIFY(open(card, 2));
        QVERIFY(card.isAdding() && card.isFromTemplate());
        // Each field offers the template's value when entered; a category
        // is there already, so no menu.
        QCOMPARE(card.fieldText(1), QStringLiteral("09-002"));
        QCOMPARE(card.fieldText(2), QString());
        QVERIFY(pressTab());
        QVERIFY(pressTab());
        QVERIFY(card.fieldText(3) == "Tools" && !card.menuCategorymenu->isVisible());
        for (int field : {7, 8, 9, 11})
            focusField(card, field);
        QCOMPARE(card.fieldText(11), QStringLiteral("3/4/2009")); // not today's
        QTest::mouseClick(card.cmdAddSave, Qt::LeftButton);
        QCOMPARE(card.result(), int(QDialog::Accepted));
        const QByteArray bytes = dataFile(env);
        QCOMPARE(bytes.size(), 20000);
        QCOMPARE(bytes.left(15000), before);
        QCOMPARE(bytes.mid(15002, 113), doubleBytes(oleDate(2026, 5, 17, 9, 30, 0)) +
                                            padded("09-002", 15) + padded("Bin 2", 50) +
                                            padded("Tools", 20) + QByteArray(20, ' '));
        QCOMPARE(bytes.mid(15529, 4470), QByteArray(4470, ' ')); // not the template's reserved
    }

    void editSaveAndCancel()
    {
        TestEnvironment env;
        const QByteArray before = setUp(env, 2, "Lee");
        frmSeeEntry card(env.store, env.session);
        QVERIFY(open(card, 2));
        QTest::keyClick(&card, Qt::Key_E, Qt::AltModifier); // &Edit
        QTRY_VERIFY(card.isEditing());
        QCOMPARE(QApplication::focusWidget(), card.txtfield(1));
        typeInto(card, 7, "Cordless drill, yellow");
        typeInto(card, 8, "$2,500.00");
        typeInto(card, 13, "1/5/2010");
        env.desktop.setNow(Now.addSecs(30));
        QTest::mouseClick(card.cmdEditSave, Qt::LeftButton);
        QVERIFY(card.isVisible() && !card.isEditing() && card.hasSaved() &&
                env.session.ListNeedsReload);
        QVERIFY(line(card, 8)->isReadOnly() && card.fieldText(8) == "2500");
        QByteArray expected = before;
        expected.replace(5155, 68, padded("Cordless drill, yellow", 60) + le64(25000000));
        expected.replace(5471, 8, doubleBytes(oleDate(2010, 1, 5)));
        QCOMPARE(dataFile(env), expected);
        QCOMPARE(readFile(env.path("DataRecords.Log")),
                 "05/17/2026 at 09:30:30 - Control#20090302140509 edited by Lee\r\n");
        QTest::mouseClick(card.cmdEditEntry, Qt::LeftButton);
        typeInto(card, 1, "99-999");
        QTest::keyClick(&card, Qt::Key_C, Qt::AltModifier); // &Cancel Changes
        QTRY_VERIFY(!card.isEditing());
        QCOMPARE(card.fieldText(1), QStringLiteral("09-002"));
        QCOMPARE(dataFile(env), expected);
        QTest::mouseClick(card.cmdFinished, Qt::LeftButton);
        QCOMPARE(card.result(), int(QDialog::Accepted));
        QCOMPARE(env.desktop.msgBoxes.size(), 0);
    }

    void anotherWorkstationChangedTheEntry()
    {
        TestEnvironment env;
        setUp(env, 2);
        frmSeeEntry card(env.store, env.session);
        QVERIFY(open(card, 2));
        QTest::mouseClick(card.cmdEditEntry, Qt::LeftButton);
        typeInto(card, 2, "Shelf 9");
        // Meanwhile another workstation deletes entry 1: entry 3 moves up.
        const QByteArray other = sampleEntry(1).Pack() + sampleEntry(3).Pack();
        writeFile(env.path("Custorin.Data"), other);
        env.desktop.answerMsgBox(1, false, "Entry changed at another workstation");
        QTest::mouseClick(card.cmdEditSave, Qt::LeftButton);
        QCOMPARE(env.desktop.msgBoxes.value(0).text,
                 "This entry has been changed or removed at another\r\n"
                 "workstation since the list was loaded.\r\n\r\nNothing has been changed.\r\n"
                 "Please look at the refreshed list and try again.");
        QVERIFY(env.session.ListNeedsReload && !card.isVisible());
        QCOMPARE(dataFile(env), other);
        QVERIFY(!QFile::exists(env.path("DataRecords.Log")));
    }

    void viewingAndPrinting()
    {
        TestEnvironment env;
        setUp(env, 1);
        frmSeeEntry card(env.store, env.session);
        QVERIFY(open(card, 3));
        QVERIFY(card.isViewing() && QApplication::focusWidget() == card.cmdFinished);
        focusField(card, 5);
        QVERIFY(QApplication::focusWidget() == card.cmdFinished && line(card, 5)->isReadOnly());
        // Printing works at every level: the entry, then the chain of
        // custody as a document of its own.
        env.desktop.answerMsgBox(1, false, QStringLiteral("Print Option"));
        QTest::mouseClick(card.cmdPrintEntry, Qt::LeftButton);
        QCOMPARE(env.desktop.printJobs, QStringList({"Custorin Entry 20090303140509",
                                                     "Custorin Chain-of-Custody 20090303140509"}));
        QVERIFY(QApplication::overrideCursor() == nullptr && env.desktop.pendingAnswers() == 0);
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Escape);
        QVERIFY(!card.isVisible() && card.result() == QDialog::Rejected);
    }

    void longTextsSavedUnchanged()
    {
        TestEnvironment env;
        setUp(env, 2);
        EntryRecord e = sampleEntry(1);
        e.ReceivedDate = oleDate(2025, 10, 13, 0, 30, 0);
        e.Value = 1234567890123456; // 17 characters shown
        writeFile(env.path("Custorin.Data"), e.Pack());
        frmSeeEntry card(env.store, env.session);
        QVERIFY(open(card, 1));
        // Texts the card sets are whole, longer than the typing limit or
        // not, and are saved unchanged.
        QCOMPARE(line(card, 11)->text(), QStringLiteral("10/13/2025 12:30:00 AM"));
        QCOMPARE(line(card, 8)->text(), QStringLiteral("123456789012.3456"));
        QTest::mouseClick(card.cmdEditEntry, Qt::LeftButton);
        focusField(card, 11);
        focusField(card, 8);
        typeInto(card, 2, "Shelf 9");
        QTest::mouseClick(card.cmdEditSave, Qt::LeftButton);
        QByteArray expected = e.Pack();
        QCOMPARE(dataFile(env), expected.replace(25, 50, padded("Shelf 9", 50)));
    }

    void exportsTheListShownAndComesBack()
    {
        TestEnvironment env;
        env.desktop.setNow(ExportNow);
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
        // The mail's subject and body, with plain line ends.
        QCOMPARE(env.desktop.clipboard, QStringList("Custorin - Control Number 20040105140309\n\n" +
                                                    QString(body).replace("\r\n", "\n") + '\n'));
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

QTEST_MAIN(TestFrmSeeEntry)
#include "tst_frmseeentry.moc"
