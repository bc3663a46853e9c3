#include "core/entries/DayTexts.h"

#include "core/common/Formats.h"

#include <cmath>

QString DateSortKey(const QString &date)
{
    if (date.size() != 10)
        return QString();
    QString key(12, QLatin1Char('0'));
    QChar *k = key.data();
    const QChar *d = date.constData();
    const int from[8] = {6, 7, 8, 9, 0, 1, 3, 4};
    for (int i = 0; i < 8; ++i)
        k[i] = d[from[i]];
    return key;
}

QDate ReceivedDay(double receivedDate)
{
    // The day FromOleDate gives, without building the time of day: the
    // whole days from 30 Dec 1899, one more when the time rounds up to
    // midnight.
    if (receivedDate == 0 || !std::isfinite(receivedDate) || std::fabs(receivedDate) > 2958466.0)
        return QDate();
    static const qint64 epoch = QDate(1899, 12, 30).toJulianDay();
    const double dayPart = std::trunc(receivedDate);
    const qint64 secs = std::llround(std::fabs(receivedDate - dayPart) * 86400.0);
    return QDate::fromJulianDay(epoch + qint64(dayPart) + (secs >= 86400 ? 1 : 0));
}

DayTexts::Day *DayTexts::day(double ole)
{
    const QDate day = ReceivedDay(ole);
    if (!day.isValid())
        return nullptr;
    // Every day from 1900 to 2199 has its slot in a flat table: the list
    // load asks for one per entry, in no particular order.
    static const qint64 firstDay = QDate(1900, 1, 1).toJulianDay();
    static const qint64 lastDay = QDate(2199, 12, 31).toJulianDay();
    const qint64 julian = day.toJulianDay();
    if (julian >= firstDay && julian <= lastDay) {
        quint32 &slot = m_slots[size_t(julian - firstDay)];
        if (slot == 0) {
            m_days.push_back({OleDateText(ole), {}, false});
            slot = quint32(m_days.size());
        }
        return &m_days[size_t(slot - 1)];
    }
    auto it = m_other.find(julian);
    if (it != m_other.end())
        return &it->second;
    if (m_other.size() >= 100000)
        m_other.clear();
    Day made{OleDateText(ole), {}, false};
    return &m_other.emplace(julian, std::move(made)).first->second;
}

const QString &DayTexts::text(double ole)
{
    static const QString none;
    const Day *d = day(ole);
    return d ? d->text : none;
}

const QString &DayTexts::sortKey(double ole)
{
    static const QString none = DateSortKey(QString());
    Day *d = day(ole);
    if (!d)
        return none;
    if (!d->keyMade) {
        d->key = DateSortKey(d->text);
        d->keyMade = true;
    }
    return d->key;
}

DayTexts &DayTexts::forThisThread()
{
    static thread_local DayTexts texts;
    return texts;
}
