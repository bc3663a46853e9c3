// Fixtures of the main window tests: entries and the data file written from them,
// the window opened for a person of an access level and ended without its
// close question, the buttons it shows and the cases it lists; a helper that
// works a modal window while it is open.
#pragma once

#include "FakeDesktop.h"
#include "core/common/Formats.h"
#include "core/common/Globals.h"
#include "core/entries/DataFile.h"
#include "gui/controls/Grid.h"
#include "gui/controls/ZelButton.h"
#include "gui/windows/Quit.h"
#include "gui/windows/frmMain.h"
#include "gui/windows/frmTitlePage.h"

#include <QApplication>
#include <QDialog>
#include <QFile>
#include <QPointer>
#include <QTest>
#include <QTimer>
#include <functional>

namespace fixtures
{

// Entry number serial: control number 2009-01-05 08:00 plus serial
// minutes, its case, received day, value in cents and status.
inline EntryRecord entry(int serial, const QString &caseNumber, QDate received, qint64 cents,
                         int status = 1, const QString &description = QString())
{
    EntryRecord e;
    e.VersionStamp = 911;
    e.ControlNumber = ToOleDate(QDateTime(QDate(2009, 1, 5), QTime(8, 0)).addSecs(60 * serial));
    e.CaseNumber = caseNumber;
    e.Category = QStringLiteral("Tools");
    e.Description = description.isEmpty() ? QStringLiteral("Item ") + caseNumber : description;
    e.Value = cents * 100;
    e.ReceivedDate = ToOleDate(QDateTime(received, QTime(0, 0)));
    e.Status = quint8(status);
    return e;
}

inline void writeEntries(TestEnvironment &env, const QVector<EntryRecord> &entries)
{
    QFile f(DataPath(env.data, DataFileName));
    QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    for (const EntryRecord &e : entries)
        f.write(e.Pack());
}

// The window, shown and past its first activation.
inline QPointer<frmMain> openMain(TestEnvironment &env, int level = 4)
{
    env.session.CurrentUserName = QStringLiteral("Tester");
    env.session.CurrentAccessLevel = level;
    env.data.AgencyName = QStringLiteral("Springfield PD");
    QPointer<frmMain> w = new frmMain(env.store, env.session);
    w->show();
    w->Form_Activate();
    return w;
}

inline void dispose(QPointer<frmMain> &w)
{
    ProgramEnding = true;
    delete w.data();
    ProgramEnding = false;
}

// Shown buttons among those that come and go, by name without "cmd".
inline QString shownButtons(const frmMain &w)
{
    QStringList out;
    for (ZelButton *b :
         {w.cmdAddEntry, w.cmdArchiveEntry, w.cmdRestoreEntry, w.cmdDeleteEntry, w.cmdFindEntries,
          w.cmdSeeAllEntries, w.cmdPrintList, w.cmdExportData, w.cmdSeeEntry}) {
        if (!b->isHidden())
            out << b->objectName().mid(3);
    }
    return out.join(' ');
}

// The case numbers (column 1) of the grid's rows, top to bottom.
inline QStringList listedCases(const frmMain &w)
{
    QStringList out;
    for (int r = 1; r < w.grid->Rows(); ++r)
        out << w.grid->TextMatrix(r, 1);
    return out;
}

// Ends every main window and title page a test left open (a test's
// cleanup); a window deleted takes the windows it owns with it.
inline void closeMainWindows()
{
    QList<QPointer<QWidget>> windows;
    for (QWidget *top : QApplication::topLevelWidgets()) {
        if (qobject_cast<frmMain *>(top) || qobject_cast<frmTitlePage *>(top))
            windows << top;
    }
    ProgramEnding = true;
    for (const QPointer<QWidget> &w : windows)
        delete w.data();
    ProgramEnding = false;
}

// Closes and deletes every window a test left open (a card, its pop-up
// menu, a box), so that none is left for the next test.
inline void closeEverything()
{
    for (QWidget *w : QApplication::topLevelWidgets()) {
        w->hide();
        w->deleteLater();
    }
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QCoreApplication::processEvents();
}

// Runs work on the modal window T once it is up, then closes it if work
// left it open, so a failing check never leaves the test waiting.
template <typename T> void whenModal(std::function<void(T *)> work, int looks = 400)
{
    // Looks every 5 ms for 2 s without waiting in between: the window may
    // open only after the program's own busy work, which runs in an event loop.
    QTimer::singleShot(5, [work, looks] {
        T *window = qobject_cast<T *>(QApplication::activeModalWidget());
        if (!window && looks > 0) {
            whenModal<T>(work, looks - 1);
            return;
        }
        if (!window) {
            QTest::qFail("the expected modal window did not open", __FILE__, __LINE__);
            return;
        }
        QApplication::setActiveWindow(window);
        work(window);
        if (window->isVisible())
            static_cast<QDialog *>(window)->reject(); // protected in some windows
    });
}

} // namespace fixtures
