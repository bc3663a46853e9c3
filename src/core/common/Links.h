// Links and the manual, opened with the system's own programs.
#pragma once

#include <QString>

class DataSet;

// Opens a link with the system's default program: kind 1 "mailto:" +
// target (the vendor's address when empty), kind 2 "http://" + target (the
// vendor's web site when empty). Tells the person when it could not.
void OpenLink(int kind, const QString &target);
// The link OpenLink opens.
QString BuildLink(int kind, const QString &target);

// Opens the manual (title + ".PDF" in the data folder) with the system's
// viewer; tells the person when it is missing or can not be opened.
void OpenManual(const DataSet &ds);
