// The main window's list: loading the Active and Inactive Lists, the header
// line, sorting and shading, the summary panel, the buttons the window
// shows, the grid's tool tip, the entry card, the height rules, closing,
// help and the way back to the administrative window.
#include "FakeDesktop.h"
#include "MainFixtures.h"
#include "TestFiles.h"
#include "core/common/ActivityLog.h"
#include "core/common/Desktop.h"
#include "core/common/Formats.h"
#include "core/common/Globals.h"
#include "core/common/Settings.h"
#include "core/entries/DataFile.h"
#include "gui/controls/Grid.h"
#include "gui/controls/ZelButton.h"
#include "gui/windows/Quit.h"
#include "gui/windows/Start.h"
#include "gui/windows/frmAdmin.h"
#include "gui/windows/frmMain.h"
#include "gui/windows/frmSeeEntry.h"
#include "gui/windows/frmTitlePage.h"

#include <QApplication>
#include <QFile>
#include <QFileInfo>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPointer>
#include <QRadioButton>
#include <QTimer>
#include <QtTest>

namespace
{

const QString CrLfText = QStringLiteral("\r\n");

EntryRecord makeEntry(const QString &caseNumber, const QString &category,
                      const QString &description, QDate received, qint64 cents, int status,
                      QDateTime control = QDateTime())
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
    e.BrandName = QStringLiteral("Acme");
    e.ModelNumber = QStringLiteral("M-100");
    e.SerialNumber = QStringLiteral("SN-55");
    e.Description = description;
    e.Value = cents * 100;
    e.ReceivedDate = received.isValid() ? ToOleDate(QDateTime(received, QTime(0, 0))) : 0;
    e.Status = quint8(status);
    return e;
}

// The order of the listed entries as their record numbers.
QString column(const frmMain &w, int col)
{
    QStringList out;
    for (int r = 1; r < w.grid->Rows(); ++r)
        out << w.grid->TextMatrix(r, col);
    return out.join(',');
}

QString recordOrder(const frmMain &w)
{
    return column(w, 4);
}

void moveMouseOver(Grid *grid, int row, int col)
{
    const QModelIndex index = grid->model()->index(row - 1, col);
    const QPoint pos = grid->visualRect(index).center();
    QMouseEvent move(QEvent::MouseMove, QPointF(pos), QPointF(grid->viewport()->mapToGlobal(pos)),
                     Qt::NoButton, Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(grid->viewport(), &move);
}

} // namespace

using namespace fixtures;

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

    void controlsAndFirstLoad()
    {
        TestEnvironment env;
        writeEntries({makeEntry("09-1", "Bicycle", "Red bike", QDate(2009, 1, 5), 12345, 1,
                                QDateTime(QDate(2009, 1, 5), QTime(14, 5, 9)))});
        QPointer<frmMain> w = openMain(4);
        QCOMPARE(w->windowTitle(), QStringLiteral("Custorin - Springfield PD"));

        // One entry: no sort frame, no shading, no Search, Print or Export.
        QCOMPARE(env.desktop.msgBoxes.size(), 0);
        QVERIFY(!w->frameSort->isVisible());
        QVERIFY(w->grid->isVisible());
        QCOMPARE(w->grid->table().cellBackColor(1, 0), GridTable::NoColor);
        QCOMPARE(shownButtons(*w), QStringLiteral("AddEntry ArchiveEntry DeleteEntry SeeEntry"));
        QCOMPARE(w->frame1->title(),
                 QStringLiteral(" All Current Entries (1)  Total Value: $123.45"));
        QCOMPARE(w->grid->Row(), 1);
        QCOMPARE(w->grid->ColSel(), 3);
        // No archived entry: the Inactive List can not be chosen.
        QVERIFY(!w->optDisplay[2]->isEnabled());
        // The summary of the highlighted entry.
        QCOMPARE(w->txtfield[0]->text(), QStringLiteral("20090105140509"));
        QCOMPARE(w->txtfield[2]->text(), QStringLiteral("Bin 12, Shelf C"));
        QCOMPARE(w->txtfield[8]->text(), QStringLiteral("$123.45"));
        dispose(w);
    }

    void emptyDataFile()
    {
        TestEnvironment env;
        env.desktop.answerMsgBox(1);
        QPointer<frmMain> w = openMain(3);
        QCOMPARE(env.desktop.msgBoxes.size(), 1);
        QCOMPARE(env.desktop.msgBoxes[0].text,
                 "There are currently" + CrLfText + "no entries in your database...");
        QCOMPARE(env.desktop.msgBoxes[0].buttons, QStringList{"&Continue"});
        QVERIFY(!w->grid->isVisible());
        QCOMPARE(shownButtons(*w), QStringLiteral("AddEntry"));
        QVERIFY(!w->optDisplay[1]->isEnabled());
        // Looking did not create a data file.
        QVERIFY(!QFileInfo::exists(env.path(DataFileName)));
        // Activating again does nothing more.
        w->Form_Activate();
        QCOMPARE(env.desktop.msgBoxes.size(), 1);
        dispose(w);
    }

    void sortingAndShading()
    {
        TestEnvironment env;
        writeEntries({
            makeEntry("9", "tools", "Drill", QDate(2009, 1, 5), 100000, 1),
            makeEntry("10", "Bicycle", "Bike", QDate(2008, 12, 31), 23456, 1),
            makeEntry("2", "Ammunition", "Box", QDate(1999, 2, 1), 1, 1),
            makeEntry("X-1", "Firearm", "Pistol", QDate(2001, 1, 1), 50000, 2),
        });
        QPointer<frmMain> w = openMain(4);
        // By date: year, month, day.
        QCOMPARE(recordOrder(*w), QStringLiteral("3,2,1"));
        QCOMPARE(w->frame1->title(),
                 QStringLiteral(" All Current Entries (3)  Total Value: $1,234.57"));
        QVERIFY(w->frameSort->isVisible());
        QCOMPARE(w->grid->table().cellBackColor(2, 3), quint32(0xF0F0F0));
        // The last row is highlighted after a load.
        QCOMPARE(w->grid->Row(), 3);
        QCOMPARE(w->txtfield[1]->text(), QStringLiteral("9"));
        QCOMPARE(shownButtons(*w), QStringLiteral("AddEntry ArchiveEntry DeleteEntry FindEntries "
                                                  "PrintList ExportData SeeEntry"));

        // Case numbers sort as text: "10" before "2" before "9".
        w->optSort[1]->click();
        QCOMPARE(recordOrder(*w), QStringLiteral("2,3,1"));
        QCOMPARE(w->grid->table().cellBackColor(2, 0), quint32(0xF0F0F0));
        QVERIFY(!w->lblStandBy->isVisible());
        w->optSort[2]->click();
        QCOMPARE(recordOrder(*w), QStringLiteral("3,2,1"));
        QCOMPARE(w->grid->TextMatrix(3, 2), QStringLiteral("tools"));

        // The Inactive List: dark red, archived entries only, sort kept.
        w->optDisplay[2]->click();
        QCOMPARE(w->grid->ForeColor(), quint32(0x000080));
        QCOMPARE(recordOrder(*w), QStringLiteral("4"));
        QCOMPARE(w->frame1->title(),
                 QStringLiteral(" All Archived Entries (1)  Total Value: $500.00"));
        QCOMPARE(shownButtons(*w), QStringLiteral("RestoreEntry DeleteEntry SeeEntry"));
        QVERIFY(!w->frameSort->isVisible());
        QVERIFY(w->optSort[2]->isChecked());
        w->optDisplay[1]->click();
        QCOMPARE(recordOrder(*w), QStringLiteral("3,2,1")); // by category still
        QCOMPARE(w->grid->ForeColor(), quint32(0xC00000));
        dispose(w);
    }

    void accessLevelsReachTheButtons()
    {
        TestEnvironment env;
        writeEntries({makeEntry("1", "Tools", "Saw", QDate(2009, 1, 5), 100, 1),
                      makeEntry("2", "Tools", "Axe", QDate(2009, 1, 6), 100, 2)});
        for (int level : {3, 4}) {
            QPointer<frmMain> w = openMain(level);
            QVERIFY(w->cmdAddEntry->isEnabled());
            QCOMPARE(w->cmdArchiveEntry->isEnabled(), level == 4);
            w->optDisplay[2]->click();
            QCOMPARE(w->cmdRestoreEntry->isEnabled(), level == 4);
            QCOMPARE(w->cmdDeleteEntry->isEnabled(), level == 4);
            dispose(w);
        }
    }

    void toolTipsAndSummary()
    {
        TestEnvironment env;
        writeEntries({
            makeEntry("L-1", "Tools", "Legacy", QDate(2009, 1, 5), 100, 1),
            makeEntry("N-2", "Tools", "New", QDate(2008, 12, 31), 200, 1,
                      QDateTime(QDate(1990, 1, 1), QTime(0, 0, 0))),
        });
        // A legacy sequence number in the first record.
        {
            QFile f(DataPath(DataFileName));
            QVERIFY(f.open(QIODevice::ReadWrite));
            f.seek(2);
            const double legacy = 417;
            f.write(reinterpret_cast<const char *>(&legacy), 8);
        }
        QPointer<frmMain> w = openMain(4);
        QCOMPARE(recordOrder(*w), QStringLiteral("2,1"));
        w->grid->setRow(1);
        QCOMPARE(w->txtfield[0]->text(), QStringLiteral("19900101000000"));
        w->grid->setRow(2);
        QCOMPARE(w->txtfield[0]->text(), QStringLiteral("00417"));
        QCOMPARE(w->txtfield[3]->text(), QStringLiteral("Tools"));
        QCOMPARE(w->txtfield[8]->text(), QStringLiteral("$1.00"));

        moveMouseOver(w->grid, 2, 0);
        QCOMPARE(w->grid->ToolTipText(), QStringLiteral(" Monday "));
        moveMouseOver(w->grid, 2, 3);
        QCOMPARE(
            w->grid->ToolTipText(),
            QStringLiteral(" Double click to see the entire Entry Card in a separate window "));
        moveMouseOver(w->grid, 1, 0);
        QCOMPARE(w->grid->ToolTipText(), QString());
        dispose(w);
    }

    void entryCard()
    {
        TestEnvironment env;
        writeEntries({makeEntry("A", "Tools", "One", QDate(2009, 1, 5), 100, 1),
                      makeEntry("B", "Tools", "Two", QDate(2009, 1, 6), 100, 1),
                      makeEntry("C", "Tools", "Three", QDate(2009, 1, 7), 100, 1)});
        QPointer<frmMain> w = openMain(4);
        QStringList tags;
        // Closes the card when it is up, noting its record number; the
        // card may ask for a reload.
        auto closeCard = [&](bool reload) {
            QTimer::singleShot(0, [&tags, reload] {
                auto *card = qobject_cast<frmSeeEntry *>(QApplication::activeModalWidget());
                QVERIFY(card);
                tags << card->Tag();
                ListNeedsReload = reload;
                card->reject();
            });
        };
        w->grid->setRow(2);
        closeCard(true);
        w->cmdSeeEntry->click();
        QCOMPARE(tags.last(), QStringLiteral("2"));
        // Reloaded, same row, flag cleared.
        QCOMPARE(w->grid->Row(), 2);
        QVERIFY(!ListNeedsReload);

        w->grid->setRow(3);
        closeCard(false);
        w->grid_DblClick();
        QCOMPARE(tags.last(), QStringLiteral("3"));

        // Add: a plain new entry, or one based on the highlighted entry
        // (right button) from the second row on.
        closeCard(false);
        w->cmdAddEntry->click();
        QCOMPARE(tags.last(), QStringLiteral("0"));
        w->grid->setRow(2);
        closeCard(false);
        w->cmdAddEntry_MouseUp(2);
        QCOMPARE(tags.last(), QStringLiteral("2"));
        w->grid->setRow(1);
        closeCard(false);
        w->cmdAddEntry_MouseUp(2);
        QCOMPARE(tags.last(), QStringLiteral("0"));
        // After an add the list is loaded again: the last row.
        QCOMPARE(w->grid->Row(), 3);
        QCOMPARE(tags.size(), 5);
        dispose(w);
    }

    void heightRules()
    {
        TestEnvironment env;
        env.desktop.setScreen(QSize(1280, 1024));
        writeEntries({makeEntry("A", "Tools", "One", QDate(2009, 1, 5), 100, 1)});
        // The default height (9525) is below the least height.
        QPointer<frmMain> w = openMain(4);
        QCOMPARE(w->width(), TwipsToPixels(13170));
        QCOMPARE(w->height(), TwipsToPixels(9664));
        w->resize(w->width() + 100, TwipsToPixels(9000));
        QCOMPARE(w->width(), TwipsToPixels(13170));
        QCOMPARE(w->height(), TwipsToPixels(9664));
        const int tall = TwipsToPixels(12000);
        w->resize(w->width(), tall);
        QCOMPARE(w->height(), tall);
        const double h = PixelsToTwips(tall);
        QCOMPARE(w->frame1->height(), TwipsToPixels(h - 3400));
        QCOMPARE(w->grid->height(), TwipsToPixels(h - 3400 - 500));
        QCOMPARE(w->frame2->y(), TwipsToPixels(h - 2900));
        // Never taller than the screen.
        w->resize(w->width(), 2000);
        QCOMPARE(w->height(), 1024);
        dispose(w);

        // The saved height is used when the window opens.
        SaveMainWindowHeight(11000);
        w = openMain(4);
        QCOMPARE(w->height(), TwipsToPixels(11000));
        dispose(w);
    }

    void closingTheWindow()
    {
        TestEnvironment env;
        writeEntries({makeEntry("A", "Tools", "One", QDate(2009, 1, 5), 100, 1)});
        QPointer<frmMain> w = openMain(4);
        w->resize(w->width(), TwipsToPixels(10500));
        const QString expectedHeight = QString::number(qRound(PixelsToTwips(w->height())));

        // The close box asks the quit question; "No" keeps the window.
        env.desktop.answerMsgBox(2, false, QStringLiteral("Exit Custorin?"));
        QVERIFY(!w->close());
        QVERIFY(w->isVisible());
        QVERIFY(!QFileInfo::exists(env.path(SignInOutLogName)));

        // "Yes": the program ends, the sign-out is logged, the height kept.
        env.desktop.answerMsgBox(1, false, QStringLiteral("Exit Custorin?"));
        w->close();
        QVERIFY(ProgramEnding);
        QCOMPARE(readFile(env.path(SignInOutLogName)),
                 QByteArray("12/04/2026 at 22:45:32 - Tester signed out\r\n"));
        QCOMPARE(GetSetting(QStringLiteral("MainWindowHeight"), QString()), expectedHeight);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QVERIFY(w.isNull());
        ProgramEnding = false;
    }

    void quitButtonAndHelp()
    {
        TestEnvironment env;
        QFile::remove(env.path(QStringLiteral("Custorin.PDF")));
        env.desktop.answerMsgBox(1); // the empty-list notice
        QPointer<frmMain> w = openMain(1);
        env.desktop.answerMsgBox(2, false, QStringLiteral("Exit Custorin?"));
        w->cmdQuit->click();
        QVERIFY(w->isVisible());

        // Help and F1 open the manual; without one the person is told.
        env.desktop.answerMsgBox(1, false, QStringLiteral("Can not open Custorin Manual"));
        w->cmdHelp->click();
        QFile manual(env.path(QStringLiteral("Custorin.PDF")));
        QVERIFY(manual.open(QIODevice::WriteOnly));
        manual.close();
        QApplication::setActiveWindow(w);
        QTest::keyClick(w, Qt::Key_F1);
        QCOMPARE(env.desktop.openedUrls.size(), 1);
        QVERIFY(env.desktop.openedUrls[0].toLocalFile().endsWith(QLatin1String("/Custorin.PDF")));
        QCOMPARE(env.desktop.pendingAnswers(), 0);
        dispose(w);
    }

    void adminWindowAndSignIn()
    {
        TestEnvironment env;
        writeEntries({makeEntry("A", "Tools", "One", QDate(2009, 1, 5), 100, 1)});

        // The administrator has signed in at the administrative window.
        CurrentUserName = QStringLiteral("Administrator");
        CurrentAccessLevel = 4;
        QVERIFY(LogSignInOut(LogSignedIn));
        QPointer<frmMain> w = ShowMainWindow();
        QVERIFY(w && w->isVisible());
        QVERIFY(w->testAttribute(Qt::WA_DeleteOnClose));
        w->Form_Activate();
        QCOMPARE(w->grid->Rows(), 2);

        // The administrative button signs out and leads back.
        w->cmdAdminWindow->click();
        QCOMPARE(readFile(env.path(SignInOutLogName)),
                 QByteArray("12/04/2026 at 22:45:32 - Administrator signed in w/ Full Access "
                            "privileges\r\n12/04/2026 at 22:45:32 - Administrator signed out\r\n"));
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QVERIFY(w.isNull());
        QPointer<frmAdmin> again;
        for (QWidget *top : QApplication::topLevelWidgets()) {
            if (auto *t = qobject_cast<frmAdmin *>(top))
                again = t;
        }
        QVERIFY(again && again->isVisible());
        QCOMPARE(env.desktop.msgBoxes.size(), 0);
        ProgramEnding = true;
        delete again.data();
        ProgramEnding = false;
    }
};

QTEST_MAIN(TestFrmMain)
#include "tst_frmmain.moc"
