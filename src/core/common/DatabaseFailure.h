// What a database store was doing when it failed, for the message that
// tells the person: the operation, whether the server could not be reached
// or refused a step, and the server's own words. A data folder never sets
// it; its messages name its files.
#pragma once

#include <QString>

struct DatabaseFailure {
    QString operation;        // "adding the entry"; empty: nothing failed on a database
    bool change = true;       // a change (one transaction) rather than a read
    bool unreachable = false; // the server could not be reached (else it refused a step)
    QString serverText;       // the server's words for a refused step

    bool isSet() const { return !operation.isEmpty(); }
};

// "Database not available" (the server could not be reached), "Database
// change not made" or "Database not read" (it refused a step).
QString DatabaseFailureTitle(const DatabaseFailure &failure);
// The operation that failed, that nothing of a change was written (it was
// one transaction), and that the program connects again by itself.
QString DatabaseFailureText(const DatabaseFailure &failure);
