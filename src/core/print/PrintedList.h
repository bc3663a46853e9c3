// The printed list: the four visible columns of the main window's grid,
// row by row in the grid's order, under a page header that repeats the
// list's header line.
#pragma once

#include "core/print/PrintJob.h"
#include "core/print/PrintText.h"

#include <QDateTime>
#include <QString>

class GridTable;

// The pages announced before printing: the grid's rows (heading row
// included) divided by 48, a half rounded to the even neighbour, at least 1.
int ListPageEstimate(int gridRows);

// The question before a list of gridRows rows is printed: the first
// button goes on.
MsgBoxRequest PrintListQuestion(int gridRows);

// Draws the list on surface, without ending the document: the page header
// (agencyName, the title line with headerCaption, when and the page
// number, a rule, the column headings and a rule) at the top of each page,
// the rows at x = 0.5, 1.3, 2.5 and 3.8, a rule once a row has reached
// 8.8 inches down and a new page, and after the last row a rule and
// "End of Printout". A cell wider than its column is cut and ends with "…";
// so is the caption when the title line would not fit between 0.5 and 7.6
// inches (or the paper's edge), so that the date and page number always do.
PrintResult PrintList(PageSurface &surface, const GridTable &table, const QString &headerCaption,
                      const QString &agencyName, const QDateTime &when);

// The number of pages PrintList draws for dataRows rows when a line is
// lineHeight inches high.
int ListPageCount(int dataRows, double lineHeight);

// The whole command after the question: prints the list as the job
// "Custorin List" (or saves it as PDF when there is no printer). Nothing
// when the table holds no entry.
PrintResult PrintEntryList(const GridTable &table, const QString &headerCaption,
                           const QString &agencyName, const PrintAsk &ask);
