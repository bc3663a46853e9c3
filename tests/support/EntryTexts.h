// An entry whose texts are given in one string, in the order of the card
// and the record: case number | location | category | brand name | model
// number | serial number | description | owner | received from | released
// to | defendant | narrative | chain of custody. Missing texts stay empty;
// numbers, dates and status stay zero.
#pragma once

#include "core/entries/EntryRecord.h"

#include <QStringList>

inline EntryRecord EntryWithTexts(const QString &texts)
{
    EntryRecord e;
    QString *const fields[] = {&e.CaseNumber,    &e.Location,     &e.Category,    &e.BrandName,
                               &e.ModelNumber,   &e.SerialNumber, &e.Description, &e.Owner,
                               &e.ReceivedFrom,  &e.ReleasedTo,   &e.Defendant,   &e.Narrative,
                               &e.ChainOfCustody};
    const QStringList parts = texts.split(QLatin1Char('|'));
    for (int i = 0; i < parts.size() && i < int(std::size(fields)); ++i)
        *fields[i] = parts.at(i);
    return e;
}
