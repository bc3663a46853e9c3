#include "core/rules/NetworkWatch.h"

#include "core/entries/OwnWrites.h"

namespace
{

// Ticks further apart than this are not one run of the timer (it was
// stopped for a reload, say): only the tick's own second counts then.
constexpr qint64 TickRunGapMs = 3000;

} // namespace

OleColor RefreshFaceColor(RefreshFace face)
{
    switch (face) {
    case RefreshFace::Yellow:
        return OleRgb(255, 255, 0);
    case RefreshFace::LightRed:
        return OleRgb(255, 128, 128);
    case RefreshFace::LightGreen:
        return OleRgb(128, 255, 128);
    case RefreshFace::Normal:
        break;
    }
    return 0;
}

void NetworkWatch::start(DataSet &ds, const std::optional<FileStamp> &stamp)
{
    m_ds = &ds;
    m_stamp = stamp;
    m_face = RefreshFace::Normal;
    m_lastTick = QDateTime();
    ForgetOwnWrites(ds);
}

bool NetworkWatch::secondDue(const QDateTime &now, int every) const
{
    const qint64 second = now.toSecsSinceEpoch();
    const qint64 gap = m_lastTick.isValid() ? m_lastTick.msecsTo(now) : -1;
    if (gap < 0 || gap > TickRunGapMs)
        return second % every == 0;
    // Every whole second after the last tick's, up to this one's, so that a
    // late tick does not skip a due second and two ticks in one second do
    // not both count it.
    for (qint64 s = m_lastTick.toSecsSinceEpoch() + 1; s <= second; ++s) {
        if (s % every == 0)
            return true;
    }
    return false;
}

WatchTick NetworkWatch::tick(const QDateTime &now, bool listHasEntries, bool soundOn,
                             const QString &dataFile)
{
    WatchTick result;
    if (flashing()) {
        m_face = m_face == RefreshFace::LightRed ? RefreshFace::LightGreen : RefreshFace::LightRed;
        result.faceChanged = true;
        result.playSound = soundOn && secondDue(now, 20);
    } else if (m_otherChange) {
        m_face = RefreshFace::Yellow;
        result.faceChanged = true;
    } else if (listHasEntries && !dataFile.isEmpty() && secondDue(now, 5)) {
        const std::optional<FileStamp> stamp = desktop().fileStamp(dataFile);
        result.examined = true;
        if (stamp && stamp != m_stamp) {
            if (m_ds && TakeOwnChange(*m_ds, m_stamp, stamp)) {
                result.ownChange = true;
            } else {
                m_face = RefreshFace::Yellow;
                result.faceChanged = true;
            }
            m_stamp = stamp;
        }
    }
    m_otherChange = false;
    m_lastTick = now;
    return result;
}
