// The labels of the command line: a PDF file of entry labels, written
// without a window.
#pragma once

#include "core/common/Startup.h"

#include <QString>

// Runs --labels or --label-templates. *out gets the report for standard
// output, *err what went wrong for standard error (each line ending with a
// line break). 0 when done, 1 otherwise. The PDF file comes from the
// installed desktop's beginPdf.
int RunLabelCommand(const StartOptions &options, QString *out, QString *err);
