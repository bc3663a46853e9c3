// The entry card window: focus, offered values, the category menu, modes,
// and the records and log lines it writes, built here from offsets.
#include "FakeDesktop.h"
#include "MainFixtures.h"
#include "TestBytes.h"
#include "TestFiles.h"
#include "core/common/FolderLock.h"
#include "core/common/Globals.h"
#include "core/entries/EntryRecord.h"
#include "gui/controls/ZelButton.h"
#include "gui/platform/Presenter.h"
#include "gui/windows/frmSeeEntry.h"

#include <QApplication>
#include <QLineEdit>
#include <QMenu>
#include <QPlainTextEdit>
#include <QTest>
#include <QTimer>

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

// Enters field i, replaces what it shows by text, and stays there.
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

// Tab from the field that has the focus; false when none has it.
[[nodiscard]] bool pressTab()
{
    QWidget *focus = QApplication::focusWidget();
    if (focus) {
        QTest::keyClick(focus, Qt::Key_Tab);
        QCoreApplication::processEvents();
    }
    return focus != nullptr;
}

} // namespace

class TestFrmSeeEntry : public QObject
{
    Q_OBJECT
private slots:
    void init() { QApplication::setEffectEnabled(Qt::UI_AnimateMenu, false); }
    // Every test function opens a card of its own; one that failed half-way
    // leaves nothing for the next.
    void cleanup()
    {
        fixtures::closeEverything();
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
        // A click into the empty Received Date offers today's date, selected.
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
        // Fields entered took the template's values, the others are empty.
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
        // A second edit, cancelled, shows the stored values.
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
        // Level 1 only looks: no field takes the focus.
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
        // Esc is Finished here.
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
};

QTEST_MAIN(TestFrmSeeEntry)
#include "tst_frmseeentry.moc"
