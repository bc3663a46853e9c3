// The main window's list: loading the Active and Inactive Lists, the header
// line, sorting and shading, the summary panel, the grid's tool tip, the
// entry card, the height rules, closing, help and the way back to the
// administrative window. Which buttons each list shows is checked in the
// button table's test.
#include "FakeDesktop.h"
#include "MainFixtures.h"
#include "TestFiles.h"
#include "core/common/ActivityLog.h"
#include "core/common/Formats.h"
#include "core/common/Settings.h"
#include "gui/controls/Grid.h"
#include "gui/windows/Start.h"
#include "gui/windows/frmAdmin.h"
#include "gui/windows/frmSeeEntry.h"
#include "gui/windows/frmTitlePage.h"

#include <QApplication>
#include <QFileInfo>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QRadioButton>
#include <QTimer>
#include <QtTest>
#include <functional>

using namespace fixtures;

namespace
{

EntryRecord makeEntry(const QString &caseNumber, const QString &category, QDate received,
                      qint64 cents, int status, QDateTime control = QDateTime())
{
    static int serial = 0;
    EntryRecord e;
    e.VersionStamp = 911;
    if (!control.isValid())
        control = QDateTime(QDate(2009, 1, 5), QTime(8, 0, 0)).addSecs(60 * ++serial);
    e.ControlNumber = ToOleDate(control);
    e.CaseNumber = caseNumber;
    e.Location = QStringLiteral("Bin 12, Shelf C");
    e.Category = category;
    e.Description = QStringLiteral("Item ") + caseNumber;
    e.Value = cents * 100;
    e.ReceivedDate = ToOleDate(QDateTime(received, QTime(0, 0)));
    e.Status = quint8(status);
    return e;
}

// The listed entries as their record numbers.
QString recordOrder(const frmMain &w)
{
    QStringList out;
    for (int r = 1; r < w.grid->Rows(); ++r)
        out << w.grid->TextMatrix(r, 4);
    return out.join(',');
}

QString toolTipOver(Grid *grid, int row, int col)
{
    const QPoint pos = grid->visualRect(grid->model()->index(row - 1, col)).center();
    QMouseEvent move(QEvent::MouseMove, QPointF(pos), QPointF(grid->viewport()->mapToGlobal(pos)),
                     Qt::NoButton, Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(grid->viewport(), &move);
    return grid->ToolTipText();
}

} // namespace

class TestFrmMain : public QObject
{
    Q_OBJECT
private slots:
    void init() { ProgramEnding = false; }
    // A test that failed half-way leaves no window behind for the next.
    void cleanup()
    {
        ProgramEnding = true;
        for (QWidget *top : QApplication::topLevelWidgets()) {
            if (qobject_cast<frmMain *>(top) || qobject_cast<frmTitlePage *>(top))
                delete top;
        }
        ProgramEnding = false;
    }

    void emptyAndOneEntry()
    {
        TestEnvironment env;
        env.desktop.answerMsgBox(1);
        QPointer<frmMain> w = openMain(3);
        QCOMPARE(env.desktop.msgBoxes[0].text,
                 QStringLiteral("There are currently\r\nno entries in your database..."));
        QVERIFY(!w->grid->isVisible() && !w->optDisplay[1]->isEnabled());
        QCOMPARE(shownButtons(*w), QStringLiteral("AddEntry"));
        QVERIFY(!QFileInfo::exists(env.path(DataFileName))); // looking created none
        w->Form_Activate();                                  // activating again does nothing more
        QCOMPARE(env.desktop.msgBoxes.size(), 1);
        dispose(w);

        writeEntries({makeEntry("09-1", "Bicycle", QDate(2009, 1, 5), 12345, 1,
                                QDateTime(QDate(2009, 1, 5), QTime(14, 5, 9)))});
        w = openMain(4);
        QCOMPARE(w->windowTitle(), QStringLiteral("Custorin - Springfield PD"));
        // One entry: no sort frame, no shading; no archived entry, so no
        // Inactive List.
        QVERIFY(!w->frameSort->isVisible() && !w->optDisplay[2]->isEnabled());
        QCOMPARE(w->grid->table().cellBackColor(1, 0), GridTable::NoColor);
        QCOMPARE(shownButtons(*w), QStringLiteral("AddEntry ArchiveEntry DeleteEntry SeeEntry"));
        QCOMPARE(w->frame1->title(),
                 QStringLiteral(" All Current Entries (1)  Total Value: $123.45"));
        QVERIFY(w->grid->Row() == 1 && w->grid->ColSel() == 3);
        // The summary of the highlighted entry.
        QCOMPARE(w->txtfield[0]->text(), QStringLiteral("20090105140509"));
        QCOMPARE(w->txtfield[2]->text(), QStringLiteral("Bin 12, Shelf C"));
        QCOMPARE(w->txtfield[8]->text(), QStringLiteral("$123.45"));
        dispose(w);
    }

    void sortingShadingAndTheInactiveList()
    {
        TestEnvironment env;
        writeEntries({makeEntry("9", "tools", QDate(2009, 1, 5), 100000, 1),
                      makeEntry("10", "Bicycle", QDate(2008, 12, 31), 23456, 1),
                      makeEntry("2", "Ammunition", QDate(1999, 2, 1), 1, 1),
                      makeEntry("X-1", "Firearm", QDate(2001, 1, 1), 50000, 2)});
        QPointer<frmMain> w = openMain(3);
        // By date: year, month, day; the last row highlighted; even rows grey.
        QCOMPARE(recordOrder(*w), QStringLiteral("3,2,1"));
        QCOMPARE(w->frame1->title(),
                 QStringLiteral(" All Current Entries (3)  Total Value: $1,234.57"));
        QVERIFY(w->frameSort->isVisible() && w->grid->Row() == 3);
        QCOMPARE(w->txtfield[1]->text(), QStringLiteral("9"));
        QCOMPARE(w->grid->table().cellBackColor(2, 3), quint32(0xF0F0F0));
        QVERIFY(w->cmdAddEntry->isEnabled() && !w->cmdArchiveEntry->isEnabled()); // level 3
        // The grid's tool tip: the day of a date, how to see a whole entry.
        QCOMPARE(toolTipOver(w->grid, 2, 0), QStringLiteral(" Wednesday "));
        QCOMPARE(
            toolTipOver(w->grid, 2, 3),
            QStringLiteral(" Double click to see the entire Entry Card in a separate window "));
        // Case numbers sort as text: "10" before "2" before "9".
        w->optSort[1]->click();
        QCOMPARE(recordOrder(*w), QStringLiteral("2,3,1"));
        QCOMPARE(w->grid->table().cellBackColor(2, 0), quint32(0xF0F0F0));
        QVERIFY(!w->lblStandBy->isVisible());
        w->optSort[2]->click();
        QCOMPARE(recordOrder(*w), QStringLiteral("3,2,1"));
        // The Inactive List: dark red, archived entries only, sort kept.
        w->optDisplay[2]->click();
        QCOMPARE(w->grid->ForeColor(), quint32(0x000080));
        QCOMPARE(recordOrder(*w), QStringLiteral("4"));
        QCOMPARE(w->frame1->title(),
                 QStringLiteral(" All Archived Entries (1)  Total Value: $500.00"));
        QCOMPARE(shownButtons(*w), QStringLiteral("RestoreEntry DeleteEntry SeeEntry"));
        QVERIFY(!w->frameSort->isVisible() && w->optSort[2]->isChecked());
        w->optDisplay[1]->click();
        QCOMPARE(recordOrder(*w), QStringLiteral("3,2,1")); // by category still
        QCOMPARE(w->grid->ForeColor(), quint32(0xC00000));
        dispose(w);
    }

    void entryCard()
    {
        TestEnvironment env;
        writeEntries({makeEntry("A", "Tools", QDate(2009, 1, 5), 100, 1),
                      makeEntry("B", "Tools", QDate(2009, 1, 6), 100, 1),
                      makeEntry("C", "Tools", QDate(2009, 1, 7), 100, 1)});
        QPointer<frmMain> w = openMain(4);
        // Opens the card on row `row` by `open`, notes its record number and
        // closes it (asking for a reload or not).
        auto cardOf = [&](int row, std::function<void()> open, bool reload = false) {
            QString tag;
            w->grid->setRow(row);
            QTimer::singleShot(0, [&tag, reload] {
                auto *card = qobject_cast<frmSeeEntry *>(QApplication::activeModalWidget());
                QVERIFY(card);
                tag = card->Tag();
                ListNeedsReload = reload;
                card->reject();
            });
            open();
            return tag;
        };
        QCOMPARE(cardOf(
                     2, [&] { w->cmdSeeEntry->click(); }, true),
                 QStringLiteral("2"));
        QVERIFY(w->grid->Row() == 2 && !ListNeedsReload); // reloaded, same row
        QCOMPARE(cardOf(3, [&] { w->grid_DblClick(); }), QStringLiteral("3"));
        // Add: a plain new entry, or one based on the highlighted entry
        // (right button) from the second row on; then the last row.
        QCOMPARE(cardOf(2, [&] { w->cmdAddEntry->click(); }), QStringLiteral("0"));
        QCOMPARE(cardOf(2, [&] { w->cmdAddEntry_MouseUp(2); }), QStringLiteral("2"));
        QCOMPARE(cardOf(1, [&] { w->cmdAddEntry_MouseUp(2); }), QStringLiteral("0"));
        QCOMPARE(w->grid->Row(), 3);
        dispose(w);
    }

    void heightRules()
    {
        TestEnvironment env;
        env.desktop.setScreen(QSize(1280, 1024));
        writeEntries({makeEntry("A", "Tools", QDate(2009, 1, 5), 100, 1)});
        // The default height (9525) is below the least height (9664).
        QPointer<frmMain> w = openMain(4);
        QCOMPARE(w->height(), TwipsToPixels(9664));
        w->resize(w->width() + 100, TwipsToPixels(9000));
        QVERIFY(w->width() == TwipsToPixels(13170) && w->height() == TwipsToPixels(9664));
        const int tall = TwipsToPixels(12000);
        w->resize(w->width(), tall);
        const double h = PixelsToTwips(tall);
        QCOMPARE(w->frame1->height(), TwipsToPixels(h - 3400));
        QCOMPARE(w->grid->height(), TwipsToPixels(h - 3400 - 500));
        QCOMPARE(w->frame2->y(), TwipsToPixels(h - 2900));
        w->resize(w->width(), 2000); // never taller than the screen
        QCOMPARE(w->height(), 1024);
        dispose(w);
        // The saved height is used when the window opens.
        SaveMainWindowHeight(11000);
        w = openMain(4);
        QCOMPARE(w->height(), TwipsToPixels(11000));
        dispose(w);
    }

    void helpQuitAndClose()
    {
        TestEnvironment env;
        writeEntries({makeEntry("A", "Tools", QDate(2009, 1, 5), 100, 1)});
        QFile::remove(env.path("Custorin.PDF"));
        QPointer<frmMain> w = openMain(1);
        w->resize(w->width(), TwipsToPixels(10500));
        const QString height = QString::number(qRound(PixelsToTwips(w->height())));
        // Help and F1 open the manual; without one the person is told.
        env.desktop.answerMsgBox(1, false, "Can not open Custorin Manual");
        w->cmdHelp->click();
        writeFile(env.path("Custorin.PDF"), "%PDF");
        QApplication::setActiveWindow(w);
        QTest::keyClick(w, Qt::Key_F1);
        QCOMPARE(env.desktop.openedUrls.size(), 1);
        // Quit and the close box ask; "No" keeps the window.
        env.desktop.answerMsgBox(2, false, "Exit Custorin?");
        w->cmdQuit->click();
        env.desktop.answerMsgBox(2, false, "Exit Custorin?");
        QVERIFY(!w->close() && w->isVisible());
        QVERIFY(!QFileInfo::exists(env.path(SignInOutLogName)));
        // "Yes": the program ends, the sign-out is logged, the height kept.
        env.desktop.answerMsgBox(1, false, "Exit Custorin?");
        w->close();
        QVERIFY(ProgramEnding);
        QCOMPARE(readFile(env.path(SignInOutLogName)),
                 "12/04/2026 at 22:45:32 - Tester signed out\r\n");
        QCOMPARE(GetSetting("MainWindowHeight", QString()), height);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QVERIFY(w.isNull());
    }

    void backToTheAdministrativeWindow()
    {
        TestEnvironment env;
        writeEntries({makeEntry("A", "Tools", QDate(2009, 1, 5), 100, 1)});
        CurrentUserName = QStringLiteral("Administrator");
        CurrentAccessLevel = 4;
        QVERIFY(LogSignInOut(LogSignedIn));
        QPointer<frmMain> w = ShowMainWindow();
        QVERIFY(w && w->isVisible() && w->testAttribute(Qt::WA_DeleteOnClose));
        w->Form_Activate();
        QCOMPARE(w->grid->Rows(), 2);
        // The administrative button signs out and leads back.
        w->cmdAdminWindow->click();
        QCOMPARE(readFile(env.path(SignInOutLogName)),
                 "12/04/2026 at 22:45:32 - Administrator signed in w/ Full Access privileges\r\n"
                 "12/04/2026 at 22:45:32 - Administrator signed out\r\n");
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QVERIFY(w.isNull());
        QPointer<frmAdmin> admin;
        for (QWidget *top : QApplication::topLevelWidgets()) {
            if (!admin)
                admin = qobject_cast<frmAdmin *>(top);
        }
        QVERIFY(admin && admin->isVisible() && env.desktop.msgBoxes.isEmpty());
        ProgramEnding = true;
        delete admin.data();
    }
};

QTEST_MAIN(TestFrmMain)
#include "tst_frmmain.moc"
