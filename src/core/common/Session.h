// The person at this workstation and what they are doing: who is signed in,
// the search criteria handed from the search window to the main list, and
// the flags the windows pass each other. One session per running program;
// it is owned by the start-up code and handed to the windows.
#pragma once

#include <QDateTime>
#include <QString>

// The search criteria handed from the search window to the main list.
struct SearchCriteria {
    QString SearchPhrase; // a text search's phrase; empty for a summary
    int SearchOption = 0; // the search window's option, 1..17
    int IgnoreCaps = 0;   // 1: letter case does not count
    int WholeWordOnly = 0;
    QDateTime SummaryStartDate; // a summary's first day at midnight, else invalid
};

struct Session {
    QString CurrentUserName;    // empty while nobody is signed in
    int CurrentAccessLevel = 0; // 1..4 once signed in
    SearchCriteria Search;
    bool ListNeedsReload = false;
    // Wrong access codes given in this session (the admin window's
    // slow-down; the data folder keeps its own count too).
    int WrongAccessCodes = 0;
};
