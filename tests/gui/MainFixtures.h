// Fixtures of the main window tests: the data file written from entries,
// the window opened for a person of an access level and ended without its
// close question, and the buttons it shows.
#pragma once

#include "core/common/Globals.h"
#include "core/entries/DataFile.h"
#include "gui/controls/ZelButton.h"
#include "gui/windows/Quit.h"
#include "gui/windows/frmMain.h"

#include <QFile>
#include <QPointer>
#include <QTest>

namespace fixtures
{

inline void writeEntries(const QVector<EntryRecord> &entries)
{
    QFile f(DataPath(DataFileName));
    QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    for (const EntryRecord &e : entries)
        f.write(e.Pack());
}

// The window, shown and past its first activation.
inline QPointer<frmMain> openMain(int level = 4)
{
    CurrentUserName = QStringLiteral("Tester");
    CurrentAccessLevel = level;
    AgencyName = QStringLiteral("Springfield PD");
    QPointer<frmMain> w = new frmMain;
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

} // namespace fixtures
