// The "Log Seal" page: the head of each activity log's chain at one moment,
// printed for the administrator to sign and file, so that a log rewritten
// later on the share can be shown against paper.
#pragma once

#include "core/print/PrintText.h"

#include <QString>
#include <QStringList>

// Prints the lines of LogSealLines (common/ChainedLogs.h) on one page from the top left margin and
// ends the document.
PrintResult PrintLogSeal(PageSurface &surface, const QStringList &lines);
