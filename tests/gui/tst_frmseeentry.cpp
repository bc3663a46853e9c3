// The entry card window, offscreen, with a scripted desktop: what the
// window adds to its rules (focus, offered values, the category menu, modes,
// pastes), and the records and log lines it writes, built here from offsets.
#include "FakeDesktop.h"
#include "TestBytes.h"
#include "TestFiles.h"
#include "core/common/Globals.h"
#include "core/entries/EntryRecord.h"
#include "gui/controls/ZelButton.h"
#include "gui/platform/TypingLimit.h"
#include "gui/windows/frmSeeEntry.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPlainTextEdit>
#include <QTest>

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
    e.ModelNumber = QStringLiteral("DC970");
    e.SerialNumber = QStringLiteral("SN%1").arg(k);
    e.Description = QStringLiteral("Cordless drill %1").arg(k);
    e.Value = 12345000; // 1234.50
    e.Owner = QStringLiteral("Pat Owner");
    e.ReceivedFrom = QStringLiteral("Officer Lee");
    e.ReceivedDate = oleDate(2009, 3, 4);
    e.ReleasedTo = QString();
    e.ReleasedDate = 0;
    e.Defendant = QStringLiteral("J. Doe");
    e.Reserved2 = QStringLiteral("reserved two");
    e.Narrative = QString(1500, QLatin1Char('x'));
    e.ChainOfCustody = QStringLiteral("Taken in\r\nLogged");
    e.Status = 1;
    return e;
}

// A data file of three entries; returns its bytes.
QByteArray writeThree(const TestEnvironment &env)
{
    QByteArray bytes;
    for (int k = 1; k <= 3; ++k)
        bytes += sampleEntry(k).Pack();
    writeFile(env.path("Custorin.Data"), bytes);
    return bytes;
}

QLineEdit *line(frmSeeEntry &c, int i)
{
    return qobject_cast<QLineEdit *>(c.txtfield(i));
}

QPlainTextEdit *plain(frmSeeEntry &c, int i)
{
    return qobject_cast<QPlainTextEdit *>(c.txtfield(i));
}

bool isReadOnly(frmSeeEntry &c, int i)
{
    if (QLineEdit *l = line(c, i))
        return l->isReadOnly();
    return plain(c, i)->isReadOnly();
}

void openCard(frmSeeEntry &c)
{
    c.show();
    QVERIFY(QTest::qWaitForWindowActive(&c));
    QCoreApplication::processEvents();
}

// The card adding a new entry.
void openNew(frmSeeEntry &c, const char *provisional = "20260517093000")
{
    c.setProvisionalControlNumber(provisional);
    openCard(c);
}

// The card showing entry k of writeThree's file, as the list saw it.
void openEntry(frmSeeEntry &c, int k)
{
    c.setTag(QString::number(k));
    c.setExpectedIdentity(sampleEntry(k).ControlNumber, sampleEntry(k).CaseNumber);
    openCard(c);
}

// The clock at Now and the person signed in.
void signIn(TestEnvironment &env, int level, const QString &user = QString())
{
    env.desktop.setNow(Now);
    CurrentAccessLevel = level;
    CurrentUserName = user;
}

void focusField(frmSeeEntry &c, int i)
{
    c.txtfield(i)->setFocus(Qt::OtherFocusReason);
    QCoreApplication::processEvents();
}

// Enters field i, replaces what it shows by text, and stays there.
void typeInto(frmSeeEntry &c, int i, const QString &text)
{
    focusField(c, i);
    QWidget *w = c.txtfield(i);
    if (QLineEdit *l = line(c, i))
        l->selectAll();
    else
        plain(c, i)->selectAll();
    if (text.isEmpty())
        QTest::keyClick(w, Qt::Key_Delete);
    const QStringList lines = text.split(QLatin1Char('\n'));
    for (int k = 0; k < lines.size(); ++k) {
        if (k > 0)
            QTest::keyClick(w, Qt::Key_Return);
        QTest::keyClicks(w, lines[k]);
    }
}

// Closes the category menu. The offscreen platform lets a pop-up take the
// window activation (a real desktop does not); give it back to the card.
void closeMenu(frmSeeEntry &c)
{
    c.menuCategorymenu->hide();
    QCoreApplication::processEvents();
    c.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&c));
    QCoreApplication::processEvents();
}

void pressTab()
{
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    QCoreApplication::processEvents();
}

QString logText(const TestEnvironment &env)
{
    return QString::fromLatin1(readFile(env.path("DataRecords.Log")));
}

// The card's standard message for an entry error.
void expectEntryError(const MsgBoxRequest &r, const QByteArray &text)
{
    QCOMPARE(r.title, QStringLiteral("Entry Error?"));
    QCOMPARE(r.icon, 2);
    QCOMPARE(r.text.toLatin1(), text);
    QCOMPARE(r.buttons, QStringList({"&Okay"}));
    QCOMPARE(r.defaultButton, 1);
    QVERIFY(!r.offerDontShow);
}

const QByteArray ValueError = "I don't understand the 'Value' entry";
const QByteArray ReceivedError = "I don't understand the\r\n'Received Date' entry";
const QByteArray ReleasedError = "I don't understand the\r\n'Released Date' entry";

} // namespace

class TestFrmSeeEntry : public QObject
{
    Q_OBJECT
private slots:
    void init() { QApplication::setEffectEnabled(Qt::UI_AnimateMenu, false); }

    void plainAdd()
    {
        TestEnvironment env;
        signIn(env, 3, "Pat");
        frmSeeEntry card;
        card.setTag("0");
        openNew(card, "20260517092500");

        QVERIFY(card.isAdding() && card.isEditing() && !card.isViewing());
        QCOMPARE(line(card, 0)->text(), QStringLiteral("20260517092500"));
        // The Case Number box has the focus, unlocked; the save button is off.
        QCOMPARE(QApplication::focusWidget(), card.txtfield(1));
        QVERIFY(!isReadOnly(card, 1));
        QVERIFY(!card.cmdAddSave->isEnabled());

        QTest::keyClicks(card.txtfield(1), "  26-000123 ");
        pressTab(); // leaves the case number trimmed and locked
        QCOMPARE(card.fieldText(1), QStringLiteral("26-000123"));
        QVERIFY(isReadOnly(card, 1));
        QCOMPARE(QApplication::focusWidget(), card.txtfield(2));
        QTest::keyClicks(card.txtfield(2), "Bin 7");
        pressTab();
        // The empty Category box pops up the menu below itself.
        QCOMPARE(QApplication::focusWidget() == card.txtfield(3) ||
                     QApplication::focusWidget() == card.menuCategorymenu,
                 true);
        QVERIFY(card.menuCategorymenu->isVisible());
        const QPoint below = card.txtfield(3)->mapToGlobal(QPoint(0, card.txtfield(3)->height()));
        QCOMPARE(card.menuCategorymenu->pos(), below);
        card.menuCategory(9)->trigger(); // "Electronics"
        closeMenu(card);
        QCOMPARE(card.fieldText(3), QStringLiteral("Electronics"));
        QCOMPARE(QApplication::focusWidget(), card.txtfield(4));

        QTest::keyClicks(card.txtfield(4), "Dell");
        typeInto(card, 7, "Black laptop");
        typeInto(card, 8, "$1,234.50");
        QVERIFY(!card.cmdAddSave->isEnabled()); // no received date yet
        // An empty Received Date offers today's date, selected.
        focusField(card, 11);
        QCOMPARE(line(card, 11)->text(), QStringLiteral("05/17/2026"));
        QCOMPARE(line(card, 11)->selectedText(), QStringLiteral("05/17/2026"));
        QVERIFY(card.cmdAddSave->isEnabled());
        typeInto(card, 15, "Found in a car.");

        // Saved 65 seconds after Add was pressed: that moment is the
        // control number, not the provisional one shown.
        env.desktop.setNow(Now.addSecs(65));
        QTest::mouseClick(card.cmdAddSave, Qt::LeftButton);
        QCOMPARE(card.result(), int(QDialog::Accepted));
        QVERIFY(!card.isVisible());
        QVERIFY(ListNeedsReload);

        const QByteArray bytes = readFile(env.path("Custorin.Data"));
        QCOMPARE(bytes.size(), 5000);
        const QByteArray stamp =
            QByteArray::number(AppVersionMajor) + QByteArray::number(AppVersionMinor);
        const qint16 version = qint16(stamp.toInt());
        QCOMPARE(bytes.mid(0, 2), QByteArray(reinterpret_cast<const char *>(&version), 2));
        QCOMPARE(bytes.mid(2, 8), doubleBytes(oleDate(2026, 5, 17, 9, 31, 5)));
        QCOMPARE(bytes.mid(10, 105), padded("26-000123", 15) + padded("Bin 7", 50) +
                                         padded("Electronics", 20) + padded("Dell", 20));
        QCOMPARE(bytes.mid(155, 60), padded("Black laptop", 60));
        QCOMPARE(bytes.mid(215, 8), le64(12345000));
        QCOMPARE(bytes.mid(393, 8), doubleBytes(oleDate(2026, 5, 17)));
        QCOMPARE(bytes.mid(979, 1921), padded("Found in a car.", 1921));
        QCOMPARE(int(quint8(bytes[4999])), 1);
        QCOMPARE(
            logText(env),
            QStringLiteral("05/17/2026 at 09:31:05 - Control#20260517093105 added by Pat\r\n"));
        QCOMPARE(env.desktop.msgBoxes.size(), 0);
    }

    void addFromTemplate()
    {
        TestEnvironment env;
        signIn(env, 4, "Pat");
        const QByteArray before = writeThree(env);
        frmSeeEntry card;
        card.setProvisionalControlNumber("20260517093000");
        openEntry(card, 2);

        QVERIFY(card.isAdding() && card.isFromTemplate());
        QCOMPARE(card.fieldText(0), QStringLiteral("20260517093000"));
        // Entering the case number box offered the template's value.
        QCOMPARE(card.fieldText(1), QStringLiteral("09-002"));
        for (int i = 2; i < 17; ++i)
            QCOMPARE(card.fieldText(i), QString());
        pressTab();
        QCOMPARE(card.fieldText(2), QStringLiteral("Bin 2"));
        pressTab();
        // A category is there already: no menu, the label says how to change it.
        QCOMPARE(card.fieldText(3), QStringLiteral("Tools"));
        QVERIFY(!card.menuCategorymenu->isVisible());
        QCOMPARE(card.lbl(3)->text(), QStringLiteral("Double-click to change..."));
        QTest::mouseDClick(card.txtfield(3), Qt::LeftButton);
        QVERIFY(card.menuCategorymenu->isVisible());
        closeMenu(card);
        focusField(card, 7);
        QCOMPARE(card.fieldText(7), QStringLiteral("Cordless drill 2"));
        focusField(card, 11); // the template's date, not today's
        QCOMPARE(card.fieldText(11), QStringLiteral("3/4/2009"));
        QCOMPARE(card.lbl(3)->text(), QStringLiteral("Category"));
        typeInto(card, 8, ""); // an emptied value gets the template's back
        focusField(card, 9);
        focusField(card, 8);
        QCOMPARE(card.fieldText(8), QStringLiteral("1234.5"));
        QVERIFY(card.cmdAddSave->isEnabled());
        QTest::mouseClick(card.cmdAddSave, Qt::LeftButton);
        QCOMPARE(card.result(), int(QDialog::Accepted));

        const QByteArray bytes = readFile(env.path("Custorin.Data"));
        QCOMPARE(bytes.size(), 20000);
        QCOMPARE(bytes.left(15000), before); // the others untouched
        const QByteArray added = bytes.mid(15000);
        QCOMPARE(added.mid(2, 8), doubleBytes(oleDate(2026, 5, 17, 9, 30, 0)));
        QCOMPARE(added.mid(10, 85),
                 padded("09-002", 15) + padded("Bin 2", 50) + padded("Tools", 20));
        // Fields never entered are saved empty.
        QCOMPARE(added.mid(95, 60), QByteArray(60, ' '));
        QCOMPARE(added.mid(155, 60), padded("Cordless drill 2", 60));
        QCOMPARE(added.mid(215, 8), le64(12345000));
        QCOMPARE(added.mid(223, 100), padded("Pat Owner", 100)); // entered: offered
        QCOMPARE(added.mid(393, 8), doubleBytes(oleDate(2009, 3, 4)));
        QCOMPARE(added.mid(529, 150), QByteArray(150, ' ')); // not the template's reserved
        QCOMPARE(added.mid(979, 4020), QByteArray(4020, ' '));
    }

    void viewReadOnlyAtLevelOne()
    {
        TestEnvironment env;
        signIn(env, 1);
        const QByteArray before = writeThree(env);
        frmSeeEntry card;
        openEntry(card, 3);

        QVERIFY(card.isViewing() && !card.isEditing());
        QCOMPARE(card.fieldText(1), QStringLiteral("09-003"));
        QCOMPARE(plain(card, 16)->toPlainText(), QStringLiteral("Taken in\nLogged"));
        // A long stored narrative shows no indicator until it is changed.
        QVERIFY(!card.lblSpaceFull(15)->isVisible());
        // Nothing is editable and no field takes the focus.
        for (int i = 0; i < 17; ++i)
            QVERIFY(isReadOnly(card, i));
        QCOMPARE(QApplication::focusWidget(), card.cmdFinished);
        focusField(card, 5);
        QCOMPARE(QApplication::focusWidget(), card.cmdFinished);
        QVERIFY(isReadOnly(card, 5));
        QVERIFY(card.cmdEditEntry->isVisible() && !card.cmdEditEntry->isEnabled());
        card.cmdEditEntry_Click(); // even called directly: level 1 only looks
        QVERIFY(!card.isEditing());

        // Printing works at every level: not the narrative, but the chain
        // of custody, as a document of its own.
        env.desktop.answerMsgBox(2, false, QStringLiteral("Print Option"));
        env.desktop.answerMsgBox(1, false, QStringLiteral("Print Option"));
        QTest::mouseClick(card.cmdPrintEntry, Qt::LeftButton);
        QCOMPARE(env.desktop.printJobs, QStringList({"Custorin Entry 20090303140509",
                                                     "Custorin Chain-of-Custody 20090303140509"}));
        QStringList custody;
        for (const PrintedText &p : env.desktop.printed) {
            if (p.job == 1 && !p.text.isEmpty())
                custody << p.text;
        }
        QCOMPARE(custody.mid(0, 3),
                 QStringList({"Control Number:  20090303140509", "Case Number:  09-003",
                              "Chain-of-Custody Documentation"}));
        QCOMPARE(custody.mid(3).join(QString()), QStringLiteral("Taken inLogged"));
        QVERIFY(QApplication::overrideCursor() == nullptr);
        QVERIFY(env.desktop.openedUrls.isEmpty());

        // F1 opens the manual, from any control.
        writeFile(env.path("Custorin.PDF"), "%PDF-1.4");
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_F1);
        QCOMPARE(env.desktop.openedUrls.size(), 1);
        QCOMPARE(env.desktop.openedUrls[0].toLocalFile(), env.path("Custorin.PDF"));

        // Esc is the Finished button here.
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Escape);
        QVERIFY(!card.isVisible());
        QCOMPARE(card.result(), int(QDialog::Rejected));
        QVERIFY(!ListNeedsReload);
        QCOMPARE(readFile(env.path("Custorin.Data")), before);
        QVERIFY(!QFile::exists(env.path("DataRecords.Log")));
    }

    void editAndSave()
    {
        TestEnvironment env;
        signIn(env, 2, "Lee");
        const QByteArray before = writeThree(env);
        frmSeeEntry card;
        openEntry(card, 2);

        QVERIFY(card.cmdEditEntry->isEnabled());
        QTest::mouseClick(card.cmdEditEntry, Qt::LeftButton);
        QVERIFY(card.isEditing());
        QCOMPARE(QApplication::focusWidget(), card.txtfield(1));
        // Tab goes through the fields in their order.
        for (int i = 2; i <= 16; ++i) {
            pressTab();
            if (card.menuCategorymenu->isVisible())
                closeMenu(card);
            QCOMPARE(QApplication::focusWidget(), card.txtfield(i));
        }
        // An emptied field gets its stored value back when entered again.
        typeInto(card, 4, "");
        QVERIFY(card.fieldText(4).isEmpty());
        focusField(card, 5);
        focusField(card, 4);
        QCOMPARE(card.fieldText(4), QStringLiteral("DeWalt"));
        // Emptying a required field turns Save Changes off.
        typeInto(card, 7, "");
        QVERIFY(!card.cmdEditSave->isEnabled());
        typeInto(card, 7, "Cordless drill, yellow");
        QVERIFY(card.cmdEditSave->isEnabled());
        typeInto(card, 8, "$2,500.00");
        typeInto(card, 12, "Pat Owner");
        typeInto(card, 13, "1/5/2010");
        typeInto(card, 15, "short");
        env.desktop.setNow(Now.addSecs(30));
        QTest::mouseClick(card.cmdEditSave, Qt::LeftButton);

        QVERIFY(card.isVisible());
        QVERIFY(!card.isEditing());
        QVERIFY(card.hasSaved());
        QVERIFY(ListNeedsReload);
        for (int i = 1; i < 17; ++i)
            QVERIFY(isReadOnly(card, i));
        // The card shows what was stored.
        QCOMPARE(card.fieldText(8), QStringLiteral("2500"));
        QCOMPARE(card.fieldText(13), QStringLiteral("1/5/2010"));

        const QByteArray bytes = readFile(env.path("Custorin.Data"));
        QCOMPARE(bytes.size(), 15000);
        QCOMPARE(bytes.left(5000), before.left(5000));
        QCOMPARE(bytes.mid(10000), before.mid(10000));
        QByteArray expected = before.mid(5000, 5000);
        expected.replace(155, 60, padded("Cordless drill, yellow", 60));
        expected.replace(215, 8, le64(25000000));
        expected.replace(401, 70, padded("Pat Owner", 70));
        expected.replace(471, 8, doubleBytes(oleDate(2010, 1, 5)));
        expected.replace(979, 1921, padded("short", 1921));
        QCOMPARE(bytes.mid(5000, 5000), expected);
        QCOMPARE(
            logText(env),
            QStringLiteral("05/17/2026 at 09:30:30 - Control#20090302140509 edited by Lee\r\n"));

        // A second edit, cancelled, shows the stored values again.
        QTest::mouseClick(card.cmdEditEntry, Qt::LeftButton);
        typeInto(card, 1, "99-999");
        typeInto(card, 8, "7");
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Escape); // does not cancel
        QVERIFY(card.isVisible() && card.isEditing());
        QTest::keyClick(&card, Qt::Key_C, Qt::AltModifier); // &Cancel Changes
        QTRY_VERIFY(!card.isEditing());
        QCOMPARE(card.fieldText(1), QStringLiteral("09-002"));
        QCOMPARE(card.fieldText(8), QStringLiteral("2500"));
        QCOMPARE(readFile(env.path("Custorin.Data")), bytes);

        // And a second save goes to the same entry (its case number changed).
        QTest::mouseClick(card.cmdEditEntry, Qt::LeftButton);
        typeInto(card, 1, "09-002B");
        QTest::mouseClick(card.cmdEditSave, Qt::LeftButton);
        QCOMPARE(readFile(env.path("Custorin.Data")).mid(5010, 15), padded("09-002B", 15));
        typeInto(card, 1, "09-002C"); // not editable any more: nothing typed
        QCOMPARE(card.fieldText(1), QStringLiteral("09-002B"));

        QTest::mouseClick(card.cmdFinished, Qt::LeftButton);
        QCOMPARE(card.result(), int(QDialog::Accepted));
        QCOMPARE(env.desktop.msgBoxes.size(), 0);
    }

    void editWithBadDatesWritesNothing()
    {
        TestEnvironment env;
        signIn(env, 2);
        const QByteArray before = writeThree(env);
        frmSeeEntry card;
        openEntry(card, 1);
        QTest::mouseClick(card.cmdEditEntry, Qt::LeftButton);
        typeInto(card, 2, "Shelf 9");
        typeInto(card, 11, "xyz");
        typeInto(card, 13, "13/45/2009");
        env.desktop.answerMsgBox(1);
        env.desktop.answerMsgBox(1);
        QTest::mouseClick(card.cmdEditSave, Qt::LeftButton);

        QCOMPARE(env.desktop.msgBoxes.size(), 2);
        expectEntryError(env.desktop.msgBoxes[0], ReceivedError);
        expectEntryError(env.desktop.msgBoxes[1], ReleasedError);
        // Still editing, with everything typed, the focus on the field to
        // correct; nothing written.
        QVERIFY(card.isVisible() && card.isViewing() && card.isEditing());
        QVERIFY(!card.hasSaved());
        QCOMPARE(card.fieldText(2), QStringLiteral("Shelf 9"));
        QCOMPARE(card.fieldText(11), QStringLiteral("xyz"));
        QCOMPARE(card.fieldText(13), QStringLiteral("13/45/2009"));
        QCOMPARE(QApplication::focusWidget(), card.txtfield(13));
        QVERIFY(card.cmdEditSave->isVisible() && !card.cmdEditEntry->isVisible());
        QCOMPARE(readFile(env.path("Custorin.Data")), before);
        QVERIFY(!QFile::exists(env.path("DataRecords.Log")));
        QVERIFY(!ListNeedsReload);

        // Corrected, the other typing goes in with it.
        typeInto(card, 11, "3/5/2009");
        typeInto(card, 13, "");
        QTest::mouseClick(card.cmdEditSave, Qt::LeftButton);
        QCOMPARE(env.desktop.msgBoxes.size(), 2);
        QVERIFY(card.hasSaved() && !card.isEditing());
        QByteArray expected = before.left(5000);
        expected.replace(25, 50, padded("Shelf 9", 50));
        expected.replace(393, 8, doubleBytes(oleDate(2009, 3, 5)));
        QCOMPARE(readFile(env.path("Custorin.Data")), expected + before.mid(5000));
    }

    void editKeepsDatesWithTheirTimesAndLongValues()
    {
        TestEnvironment env;
        signIn(env, 2, "Lee");
        EntryRecord e = sampleEntry(1);
        e.ReceivedDate = oleDate(2025, 10, 13, 0, 30, 0);
        e.ReleasedDate = oleDate(2025, 10, 14, 22, 30, 0);
        e.Value = 1234567890123456; // 123,456,789,012.3456: 17 characters shown
        const QByteArray before = e.Pack();
        writeFile(env.path("Custorin.Data"), before);
        frmSeeEntry card;
        openEntry(card, 1);
        // Texts the card sets are whole, longer than the typing limit or not.
        QCOMPARE(line(card, 11)->text(), QStringLiteral("10/13/2025 12:30:00 AM"));
        QCOMPARE(line(card, 13)->text(), QStringLiteral("10/14/2025 10:30:00 PM"));
        QCOMPARE(line(card, 8)->text(), QStringLiteral("123456789012.3456"));
        QCOMPARE(TypingLimit(line(card, 11)), 20);

        QTest::mouseClick(card.cmdEditEntry, Qt::LeftButton);
        typeInto(card, 2, "Shelf 9");
        focusField(card, 11);
        focusField(card, 13);
        focusField(card, 8);
        focusField(card, 2);
        QTest::mouseClick(card.cmdEditSave, Qt::LeftButton);
        QVERIFY(card.hasSaved());
        QCOMPARE(env.desktop.msgBoxes.size(), 0);
        // Only the location changed: the times and the value are as stored.
        QByteArray expected = before;
        expected.replace(25, 50, padded("Shelf 9", 50));
        QCOMPARE(readFile(env.path("Custorin.Data")), expected);

        // Such a text is edited in place ("AM" typed over as "PM") but
        // does not grow.
        QTest::mouseClick(card.cmdEditEntry, Qt::LeftButton);
        focusField(card, 11);
        QTest::keyClick(card.txtfield(11), Qt::Key_End);
        QTest::keyClicks(card.txtfield(11), "X");
        QCOMPARE(card.fieldText(11), QStringLiteral("10/13/2025 12:30:00 AM"));
        QTest::keyClick(card.txtfield(11), Qt::Key_Backspace);
        QTest::keyClick(card.txtfield(11), Qt::Key_Backspace);
        QTest::keyClicks(card.txtfield(11), "PMX");
        QCOMPARE(card.fieldText(11), QStringLiteral("10/13/2025 12:30:00 PM"));
        // A paste that does not fit is cut where it went in.
        typeInto(card, 1, "26-1");
        line(card, 1)->setCursorPosition(0);
        QApplication::clipboard()->setText(QStringLiteral("ABCDEFGHIJKLMNOP"));
        QTest::keyClick(card.txtfield(1), Qt::Key_V, Qt::ControlModifier);
        QCOMPARE(card.fieldText(1), QStringLiteral("ABCDEFGHIJK26-1"));
    }

    void clickIntoEmptyReceivedDateSelectsToday()
    {
        TestEnvironment env;
        signIn(env, 3, "Pat");
        frmSeeEntry card;
        openNew(card);
        QLineEdit *date = line(card, 11);
        QTest::mouseClick(date, Qt::LeftButton, {}, QPoint(date->width() / 2, date->height() / 2));
        QCoreApplication::processEvents();
        QCOMPARE(QApplication::focusWidget(), date);
        QCOMPARE(date->text(), QStringLiteral("05/17/2026"));
        QCOMPARE(date->selectedText(), QStringLiteral("05/17/2026"));
        // Typing replaces today's date, as after Tab, up to the limit.
        QTest::keyClicks(date, "01/02/2026");
        QCOMPARE(date->text(), QStringLiteral("01/02/2026"));
        QTest::keyClicks(date, " 10:11:12 AM");
        QCOMPARE(date->text(), QStringLiteral("01/02/2026 10:11:12 "));
        // A second click into the filled box only places the caret.
        focusField(card, 12);
        QTest::mouseClick(date, Qt::LeftButton, {}, QPoint(2, date->height() / 2));
        QCOMPARE(date->selectedText(), QString());
    }

    void reservedOrMultiLineCaseNumber()
    {
        TestEnvironment env;
        signIn(env, 3, "Pat");
        frmSeeEntry card;
        openNew(card);
        typeInto(card, 1, "$Killed$");
        closeMenu(card);
        typeInto(card, 3, "Tools");
        closeMenu(card);
        typeInto(card, 7, "Hammer");
        typeInto(card, 11, "5/1/2026");
        env.desktop.answerMsgBox(1);
        QTest::mouseClick(card.cmdAddSave, Qt::LeftButton);
        QCOMPARE(env.desktop.msgBoxes.size(), 1);
        expectEntryError(env.desktop.msgBoxes[0],
                         "'$Killed$' can not be used as a 'Case Number':\r\n"
                         "it marks an entry while it is being deleted.");
        QVERIFY(card.isVisible() && card.isAdding());
        QCOMPARE(QApplication::focusWidget(), card.txtfield(1));
        QVERIFY(!QFile::exists(env.path("Custorin.Data")) ||
                readFile(env.path("Custorin.Data")).isEmpty());

        // A pasted line break (as an input method puts it in) is a blank
        // once the box is left, and in the record.
        line(card, 1)->selectAll();
        line(card, 1)->insert(QStringLiteral("26-\r\n7\t8"));
        focusField(card, 2);
        QCOMPARE(card.fieldText(1), QStringLiteral("26- 7 8"));
        QTest::mouseClick(card.cmdAddSave, Qt::LeftButton);
        QCOMPARE(card.result(), int(QDialog::Accepted));
        QCOMPARE(readFile(env.path("Custorin.Data")).mid(10, 15), padded("26- 7 8", 15));
    }

    void addWithBadInputKeepsIt()
    {
        TestEnvironment env;
        signIn(env, 3, "Pat");
        frmSeeEntry card;
        openNew(card);
        typeInto(card, 1, "26-1");
        closeMenu(card);
        typeInto(card, 3, "Tools");
        closeMenu(card);
        typeInto(card, 7, "Hammer");
        typeInto(card, 8, "abc");
        typeInto(card, 11, "xyz");
        typeInto(card, 13, "   ");
        env.desktop.answerMsgBox(1);
        env.desktop.answerMsgBox(1);
        QTest::mouseClick(card.cmdAddSave, Qt::LeftButton);
        QCOMPARE(env.desktop.msgBoxes.size(), 2);
        expectEntryError(env.desktop.msgBoxes[0], ValueError);
        expectEntryError(env.desktop.msgBoxes[1], ReceivedError);
        // Still adding, the input there for correcting, the focus on the
        // received date; nothing written.
        QVERIFY(card.isVisible() && card.isAdding());
        QCOMPARE(QApplication::focusWidget(), card.txtfield(11));
        QCOMPARE(card.fieldText(8), QStringLiteral("abc"));
        QCOMPARE(card.fieldText(11), QStringLiteral("xyz"));
        QCOMPARE(card.fieldText(13), QString()); // only blanks: cleared
        QVERIFY(readFile(env.path("Custorin.Data")).isEmpty());
        QVERIFY(!QFile::exists(env.path("DataRecords.Log")));

        typeInto(card, 8, "");
        typeInto(card, 11, "5/1/2026");
        // Corrected: a blank value is 0, a blank released date no date, a
        // character outside the file's character set shows and is stored
        // as "?".
        typeInto(card, 13, "   ");
        typeInto(card, 4, "Acme ");
        line(card, 4)->insert(QString::fromUtf8("\u2603")); // as an input method puts it in
        focusField(card, 5);
        QCOMPARE(card.fieldText(4), QStringLiteral("Acme ?"));
        QTest::mouseClick(card.cmdAddSave, Qt::LeftButton);
        QCOMPARE(card.result(), int(QDialog::Accepted));
        const QByteArray bytes = readFile(env.path("Custorin.Data"));
        QCOMPARE(bytes.size(), 5000);
        QCOMPARE(bytes.mid(95, 20), padded("Acme ?", 20));
        QCOMPARE(bytes.mid(215, 8), le64(0));
        QCOMPARE(bytes.mid(393, 8), doubleBytes(oleDate(2026, 5, 1)));
        QCOMPARE(bytes.mid(471, 8), le64(0));
    }

    void cancelWritesNothing()
    {
        TestEnvironment env;
        signIn(env, 4);
        const QByteArray before = writeThree(env);
        {
            frmSeeEntry card;
            openNew(card);
            typeInto(card, 1, "26-1");
            // Esc does not throw the new entry away.
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Escape);
            QVERIFY(card.isVisible());
            QTest::mouseClick(card.cmdAddCancel, Qt::LeftButton);
            QVERIFY(!card.isVisible());
            QCOMPARE(card.result(), int(QDialog::Rejected));
        }
        {
            frmSeeEntry card;
            openEntry(card, 1);
            QTest::mouseClick(card.cmdEditEntry, Qt::LeftButton);
            typeInto(card, 1, "changed");
            typeInto(card, 16, "more\nlines");
            QTest::mouseClick(card.cmdEditCancel, Qt::LeftButton);
            QVERIFY(!card.isEditing());
            QCOMPARE(card.fieldText(1), QStringLiteral("09-001"));
            QCOMPARE(card.fieldText(16), QStringLiteral("Taken in\r\nLogged"));
            QTest::mouseClick(card.cmdFinished, Qt::LeftButton);
            QCOMPARE(card.result(), int(QDialog::Rejected));
        }
        QCOMPARE(readFile(env.path("Custorin.Data")), before);
        QVERIFY(!QFile::exists(env.path("DataRecords.Log")));
        QVERIFY(!ListNeedsReload);
        QCOMPARE(env.desktop.msgBoxes.size(), 0);
    }

    void anotherWorkstationChangedTheEntry()
    {
        TestEnvironment env;
        signIn(env, 2);
        writeThree(env);
        frmSeeEntry card;
        openEntry(card, 2);
        QTest::mouseClick(card.cmdEditEntry, Qt::LeftButton);
        typeInto(card, 2, "Shelf 9");

        // Meanwhile another workstation deletes entry 1: entry 3 moves up
        // to record 2.
        QByteArray other = sampleEntry(1).Pack() + sampleEntry(3).Pack();
        writeFile(env.path("Custorin.Data"), other);

        env.desktop.answerMsgBox(1, false, "Entry changed at another workstation");
        QTest::mouseClick(card.cmdEditSave, Qt::LeftButton);
        QCOMPARE(env.desktop.msgBoxes.size(), 1);
        QCOMPARE(env.desktop.msgBoxes[0].text,
                 QStringLiteral("This entry has been changed or removed at another\r\n"
                                "workstation since the list was loaded.\r\n\r\n"
                                "Nothing has been changed.\r\n"
                                "Please look at the refreshed list and try again."));
        QVERIFY(ListNeedsReload);
        QVERIFY(!card.isVisible());
        QCOMPARE(readFile(env.path("Custorin.Data")), other);
        QVERIFY(!QFile::exists(env.path("DataRecords.Log")));

        // Opening an entry that is no longer where the list saw it: the
        // card says so and does not open.
        ListNeedsReload = false;
        frmSeeEntry second;
        second.setTag("2");
        second.setExpectedIdentity(sampleEntry(2).ControlNumber, "09-002");
        env.desktop.answerMsgBox(1, false, "Entry changed at another workstation");
        QCOMPARE(second.exec(), int(QDialog::Rejected));
        QVERIFY(!second.isVisible());
        QVERIFY(ListNeedsReload);
        // Nor a record number past the end.
        frmSeeEntry third;
        third.setTag("3");
        env.desktop.answerMsgBox(1, false, "Entry changed at another workstation");
        QCOMPARE(third.exec(), int(QDialog::Rejected));
        QCOMPARE(env.desktop.msgBoxes.size(), 3);
    }

    void longPasteAndFillIndicators()
    {
        TestEnvironment env;
        signIn(env, 3);
        frmSeeEntry card;
        openNew(card);
        focusField(card, 15);
        QApplication::clipboard()->setText(QString(2000, QLatin1Char('p')));
        QTest::keyClick(card.txtfield(15), Qt::Key_V, Qt::ControlModifier);
        QCOMPARE(card.fieldText(15), QString(1921, QLatin1Char('p')));
        QCOMPARE(card.lblSpaceFull(15)->text(), QStringLiteral(" 100% full "));
        QVERIFY(card.lblSpaceFull(15)->isVisible());
        // A paste into the middle is cut where it went in.
        typeInto(card, 16, "ab");
        QTextCursor c = plain(card, 16)->textCursor();
        c.setPosition(1);
        plain(card, 16)->setTextCursor(c);
        QApplication::clipboard()->setText(QString(2100, QLatin1Char('q')));
        QTest::keyClick(card.txtfield(16), Qt::Key_V, Qt::ControlModifier);
        QCOMPARE(card.fieldText(16), "a" + QString(2097, QLatin1Char('q')) + "b");
        // A line break counts as the two characters the record holds.
        typeInto(card, 16, "x");
        QCOMPARE(card.lblSpaceFull(16)->text(), QStringLiteral(" 1% full "));
        QApplication::clipboard()->setText(QString(1049, QLatin1Char('y')) + "\n");
        QTest::keyClick(card.txtfield(16), Qt::Key_V, Qt::ControlModifier);
        QCOMPARE(card.fieldText(16).size(), 1052);
        QCOMPARE(card.lblSpaceFull(16)->text(), QStringLiteral(" 50% full "));
        typeInto(card, 16, "");
        QVERIFY(!card.lblSpaceFull(16)->isVisible());
        // One-line boxes take no more than their limit either.
        typeInto(card, 1, QString(40, QLatin1Char('9')));
        QCOMPARE(card.fieldText(1), QString(15, QLatin1Char('9')));
    }

    void categoryMenuChoices()
    {
        TestEnvironment env;
        signIn(env, 3);
        frmSeeEntry card;
        openNew(card);
        typeInto(card, 1, "26-1");
        typeInto(card, 7, "Hammer");
        focusField(card, 11);
        focusField(card, 3);
        QVERIFY(card.menuCategorymenu->isVisible());
        card.menuCategory(16)->trigger(); // "Tools"
        closeMenu(card);
        QVERIFY(card.cmdAddSave->isEnabled());
        // "No entry" empties the box and turns the save button off.
        focusField(card, 3);
        QCOMPARE(card.lbl(3)->text(), QStringLiteral("Double-click to change..."));
        card.menuCategory(1)->trigger();
        QCOMPARE(card.fieldText(3), QString());
        QVERIFY(!card.cmdAddSave->isEnabled());
        QCOMPARE(QApplication::focusWidget(), card.txtfield(4));
        // "Other (enter yourself)" empties it and leaves the caret there.
        focusField(card, 3);
        QVERIFY(card.menuCategorymenu->isVisible());
        card.menuCategory(21)->trigger();
        closeMenu(card);
        QCOMPARE(QApplication::focusWidget(), card.txtfield(3));
        QVERIFY(!isReadOnly(card, 3));
        QTest::keyClicks(card.txtfield(3), "Evidence of arson");
        QCOMPARE(card.fieldText(3), QStringLiteral("Evidence of arson"));
        QVERIFY(card.cmdAddSave->isEnabled());
    }

    void accessKeyStartsEditing()
    {
        TestEnvironment env;
        signIn(env, 2);
        writeThree(env);
        frmSeeEntry card;
        openEntry(card, 1);
        QTest::keyClick(&card, Qt::Key_E, Qt::AltModifier);
        QTRY_VERIFY(card.isEditing());
        QCOMPARE(QApplication::focusWidget(), card.txtfield(1));
    }
};

QTEST_MAIN(TestFrmSeeEntry)
#include "tst_frmseeentry.moc"
