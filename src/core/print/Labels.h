// Barcode labels: the label templates (sheets and rolls), what a label of an
// entry or of a shelf says, and their layout on the page surface. The
// symbols come from libzint; their bars and modules are filled here, so
// labels take the same print path as every printout.
#pragma once

#include "core/entries/EntryRecord.h"
#include "core/print/PrintJob.h"
#include "core/print/PrintText.h"
#include "core/rules/ScanCode.h"

#include <QRectF>
#include <QString>
#include <QStringList>
#include <QVector>
#include <vector>

// One kind of label stock: its paper, the size of one label, where the
// first label sits (from the paper's top left corner) and the step from one
// label to the next, across and down. Inches throughout.
struct LabelTemplate {
    QString name;    // as the command line names it: "avery-5160"
    QString caption; // as the windows show it
    double paperWidth, paperHeight;
    double labelWidth, labelHeight;
    double left, top;
    double pitchX, pitchY;
    int columns, rows;
    int perPage() const { return columns * rows; }
};

// The templates, the first one the default.
const std::vector<LabelTemplate> &LabelTemplates();
// The template named name; nothing when there is none.
const LabelTemplate *FindLabelTemplate(const QString &name);
// The label at position (1 is the first label of a page, counted across
// then down) on its page.
QRectF LabelBox(const LabelTemplate &stock, int position);

// What one label carries: the Code 128 text, the lines printed under it
// (the first in bold) and, when not empty, the text of a QR code beside it.
struct LabelContent {
    QString code;
    QStringList lines;
    QString qrCode;
    // The line that may be cut to fit (the description); the others set
    // the font size.
    int cutLine = -1;
};

// The label of an entry: the control number as code, then the control
// number, "Case " and the case number, the description's first line and
// "Received " and the received date ("mm/dd/yyyy"); with a QR code, the
// control number, a blank and the case number.
LabelContent EntryLabel(const EntryRecord &entry, bool withQrCode);
// The label of a shelf: "L:" and the location (trimmed) as code, the
// location printed under it.
LabelContent ShelfLabel(const QString &location);
// Every distinct location of entries, trimmed, blanks left out, in the
// order of first appearance.
QStringList DistinctLocations(const QVector<EntryRecord> &entries);

// The narrowest bar a printed code may have: 0.25 mm.
constexpr double MinimumModuleInches = 0.25 / 25.4;

// Why labels of this template can not carry one of these codes so that it
// scans (a bar would be narrower than 0.25 mm, or the text has characters
// a code can not hold); empty when every label can be printed.
QString CheckLabels(const LabelTemplate &stock, const QVector<LabelContent> &labels);

// Draws the labels from position start (1 = the first label of a sheet) on,
// page after page, without ending the document. The caller has checked
// them (CheckLabels). Stops with Cancelled at the first new page after the
// person cancelled.
PrintResult PrintLabels(PageSurface &surface, const LabelTemplate &stock, int start,
                        const QVector<LabelContent> &labels);

// The whole command: checks the labels (telling the person when they
// would not scan), then prints them as the job "Custorin Labels" on the
// template's paper (or saves them as PDF when there is no printer).
PrintResult PrintLabelSheet(const LabelTemplate &stock, int start,
                            const QVector<LabelContent> &labels, const PrintAsk &ask);

// The print message texts.
QString LabelsTitle();   // "Print Labels"
QString LabelsJobName(); // "Custorin Labels"
