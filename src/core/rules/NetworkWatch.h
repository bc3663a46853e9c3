// The main window's watch of the shared data file. Once a second the
// window hands the watch the time; every fifth second (while the list
// shows at least one entry) the watch compares the data file's stamp with
// the one it saw last. A change made by another workstation turns the
// Refresh button yellow, then light red and light green by turns each
// second, with the refresh sound due at seconds 0, 20 and 40, until the
// person clicks the button. Changes this workstation made itself (noted by
// the store under the folder lock) are taken in silently.
#pragma once

#include "core/common/ColorMath.h"
#include "core/common/DataSet.h"
#include "core/common/Desktop.h"

#include <QDateTime>
#include <QString>
#include <optional>

// The faces of the Refresh button.
enum class RefreshFace { Normal, Yellow, LightRed, LightGreen };

// The back colour of a flashing face (0xBBGGRR); Normal has none of its
// own (the button's design colour).
OleColor RefreshFaceColor(RefreshFace face);

struct WatchTick {
    // The button's face changed to face().
    bool faceChanged = false;
    // The data file was examined on this tick.
    bool examined = false;
    // The file had changed, by this workstation's own writes alone.
    bool ownChange = false;
    // Play the refresh sound now.
    bool playSound = false;
};

class NetworkWatch
{
public:
    // The stamp the window starts from (its first activation). Own writes
    // noted before in the data set are forgotten; the data set's own writes
    // are told from other workstations' from now on.
    void start(DataSet &ds, const std::optional<FileStamp> &stamp);

    // One tick of the timer. listHasEntries: the grid lists at least one
    // entry. soundOn: the "RefreshSound" setting. dataFile: the data
    // file's path, examined through the desktop seam; empty where the
    // store tells of changes itself (noteOtherChange) and no file is
    // watched.
    WatchTick tick(const QDateTime &now, bool listHasEntries, bool soundOn,
                   const QString &dataFile);

    // A store that is told of other workstations' changes (a database)
    // reports one: the next tick turns the button yellow.
    void noteOtherChange() { m_otherChange = true; }

    // The left click: the normal face again (the window reloads the list).
    void restore() { m_face = RefreshFace::Normal; }

    RefreshFace face() const { return m_face; }
    bool flashing() const { return m_face != RefreshFace::Normal; }
    // The last stamp seen; nothing while the file could not be examined.
    const std::optional<FileStamp> &dataFileStamp() const { return m_stamp; }

private:
    // Whether a second that is a multiple of `every` came with this tick:
    // the tick's own second, and a second skipped since the tick before
    // when the ticks came late.
    bool secondDue(const QDateTime &now, int every) const;

    DataSet *m_ds = nullptr;
    RefreshFace m_face = RefreshFace::Normal;
    std::optional<FileStamp> m_stamp;
    QDateTime m_lastTick;
    bool m_otherChange = false;
};
