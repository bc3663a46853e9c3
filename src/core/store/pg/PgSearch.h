// Inside the database store: the rows a search can list, narrowed in SQL
// before the list's own filter looks at them. The narrowing passes every
// row the filter passes (and some more), so the list is the one a data
// folder gives: a word is looked for with LIKE (ILIKE when capitals are
// ignored) through the trigram index of the text fields, every character
// but plain ASCII standing as "_"; a summary reads its received dates
// through their index.
#pragma once

#include <QString>
#include <QVariantList>

struct CriteriaFilter;

struct SearchNarrowing {
    QString where;      // an SQL condition on the entries' columns; empty: every row
    QVariantList binds; // its positional values, in order
};

SearchNarrowing NarrowSearch(const CriteriaFilter &filter);
