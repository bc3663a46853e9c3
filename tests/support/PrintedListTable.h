// The main window's list as the printed list takes it: n rows received on
// 03/04/2009, case numbers "C-1".."C-n", one category, and a description
// with the row's number in place of %1.
#pragma once

#include "core/rules/GridTable.h"

inline GridTable PrintedListTable(int entries, const QString &category = QStringLiteral("Tools"),
                                  const QString &description = QStringLiteral("Item %1"))
{
    GridTable t;
    t.setFormatString(QStringLiteral(
        "<Date Rec'd|<Case #|<Category|<Description|<Rec# (hidden)|<SortCol (hidden)"));
    for (int r = 1; r <= entries; ++r)
        t.AddItem(
            QStringLiteral("03/04/2009\tC-%1\t%2\t%3").arg(r).arg(category, description.arg(r)));
    return t;
}
