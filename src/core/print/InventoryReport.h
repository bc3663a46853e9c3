// The printed inventory report: scope and seed, who scanned, start and
// close, the counts per class, then each class listed with its entries.
#pragma once

#include "core/print/PrintJob.h"
#include "core/print/PrintText.h"
#include "core/rules/Inventory.h"

// Draws the report on surface without ending the document: on every page
// a title line with the page number and a rule; entries in columns
// (control number, case number, description, recorded and scanned shelf)
// cut with "…" where a cell would reach the next, a note on a line of its
// own under its entry; a class's heading and column headings again at the
// top of a page it goes on over.
PrintResult DrawInventoryReport(PageSurface &surface, const InventoryReport &report);

// Prints it as the job "Custorin Inventory <id>" (or saves it as PDF when
// there is no printer), through the program's print path.
PrintResult PrintInventoryReport(const InventoryReport &report, const PrintAsk &ask);
