// Received dates as the list shows and sorts them: the calendar day, the
// "mm/dd/yyyy" text and its sort key, each made once per day.
#pragma once

#include <QDate>
#include <QString>
#include <unordered_map>
#include <vector>

// The date sort key of a "mm/dd/yyyy" text: "yyyymmdd0000" (a received date
// has no minutes or seconds); empty for any other text.
QString DateSortKey(const QString &date);

// The calendar day of a received date (an invalid date for 0, no date).
// Summaries compare days, so an entry whose received date carries a time
// of day is counted on its own day.
QDate ReceivedDay(double receivedDate);

// The "mm/dd/yyyy" texts of OLE dates, formatted by OleDateText once per
// calendar day (the text depends on nothing else; dates carry a time of
// day) and shared after that, and the list's date sort key of each text.
// The list load and the search keep one each for the life of their thread.
class DayTexts
{
public:
    // Valid until the next call.
    const QString &text(double ole);
    // DateSortKey(text(ole)), made once per day.
    const QString &sortKey(double ole);
    // The one of the calling thread.
    static DayTexts &forThisThread();

private:
    struct Day {
        QString text;
        QString key;
        bool keyMade = false;
    };
    Day *day(double ole);

    // Days from FirstDay: a slot in m_days (0 = not met yet, else the
    // index + 1); days outside that range go into m_other.
    std::vector<int> m_slots;
    std::vector<Day> m_days;
    std::unordered_map<qint64, Day> m_other;
};
