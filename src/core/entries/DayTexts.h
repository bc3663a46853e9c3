// Received dates as the list shows and sorts them: the calendar day, the
// "mm/dd/yyyy" text and its sort key, each made once per day.
#pragma once

#include <QDate>
#include <QString>
#include <memory>
#include <unordered_map>
#include <vector>

// The date sort key of a "mm/dd/yyyy" text: "yyyymmdd0000" (a received date
// has no minutes or seconds); empty for any other text.
QString DateSortKey(const QString &date);

// The calendar day of a received date (an invalid date for 0, no date).
// Summaries compare days, so an entry whose received date carries a time
// of day is counted on its own day.
QDate ReceivedDay(double receivedDate);

// A number per calendar day of a span (0 until set), kept in pages of 1024
// days made when a day in them is first met: a list spans some years, and
// a table of three centuries written through would cost a program just
// started more than the list itself.
class DaySlots
{
public:
    explicit DaySlots(size_t days) : m_pages((days + PageDays - 1) / PageDays) {}
    size_t size() const { return m_pages.size() * PageDays; }
    // Day (below size()) made on first use.
    quint32 &operator[](size_t day)
    {
        std::unique_ptr<quint32[]> &page = m_pages[day / PageDays];
        if (!page)
            page.reset(new quint32[PageDays]());
        return page[day % PageDays];
    }

private:
    static constexpr size_t PageDays = 1024;
    std::vector<std::unique_ptr<quint32[]>> m_pages;
};

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

    // Days from 1900 to 2199: a slot in m_days (0 = not met yet, else the
    // index + 1); days outside that range go into m_other.
    DaySlots m_slots{SlotDays};
    static constexpr size_t SlotDays = 109573;
    std::vector<Day> m_days;
    std::unordered_map<qint64, Day> m_other;
};
