#include "core/print/Labels.h"

#include "core/common/Formats.h"
#include "core/print/PrintJob.h"

#include <QRegularExpression>
#include <QSet>
#include <algorithm>
#include <cmath>
#include <memory>
#include <zint.h>

namespace
{

constexpr double Mm = 1.0 / 25.4;

// The stock the program knows. The sheets' measures are the makers'
// published ones; the rolls carry one label a page.
const std::vector<LabelTemplate> Templates = {
    {QStringLiteral("avery-5160"), QStringLiteral("Avery 5160 (Letter, 30 a sheet)"), 8.5, 11.0,
     2.625, 1.0, 0.1875, 0.5, 2.75, 1.0, 3, 10},
    {QStringLiteral("avery-l7160"), QStringLiteral("Avery L7160 (A4, 21 a sheet)"), 210 * Mm,
     297 * Mm, 63.5 * Mm, 38.1 * Mm, 7.21 * Mm, 15.15 * Mm, 66.04 * Mm, 38.1 * Mm, 3, 7},
    {QStringLiteral("roll-2.25x1.25"), QStringLiteral("Thermal roll 2.25\" x 1.25\""), 2.25, 1.25,
     2.25, 1.25, 0, 0, 2.25, 1.25, 1, 1},
    {QStringLiteral("thermal-4x6"), QStringLiteral("Thermal label 4\" x 6\""), 4.0, 6.0, 4.0, 6.0,
     0, 0, 4.0, 6.0, 1, 1},
};

// Room kept clear inside the label's edge.
constexpr double Padding = 0.0625;
// Module widths are whole steps of two dots of a 203-dpi thermal printer,
// which is very nearly three dots at 300 dpi (and six at 600): every bar
// then prints a whole number of dots wide on the printers labels go to,
// where a width in between makes bars alternately a dot too wide or too
// narrow. One step is just over 0.25 mm.
constexpr double ModuleStep = 2.0 / 203;
static_assert(ModuleStep >= MinimumModuleInches);
// Wider bars gain nothing and cost room.
constexpr double MaximumModule = 2 * ModuleStep;

// The widest module of whole steps, up to the maximum, that fits width
// modules into room; 0 when not even one step does.
double moduleFor(double room, double modules)
{
    return std::min(std::floor(room / modules / ModuleStep + 1e-9) * ModuleStep, MaximumModule);
}
// Light modules each side of the symbols, as Code 128 and QR Code ask.
constexpr int Code128Quiet = 10;
constexpr int QrQuiet = 4;

// A symbol as libzint lays it out: its dark bars and modules in module
// units from its top left corner, without quiet zones.
struct Symbol {
    double wide = 0, high = 0;
    QVector<QRectF> marks;
    QString error;
};

Symbol encode(int symbology, const QString &text)
{
    Symbol s;
    std::unique_ptr<zint_symbol, void (*)(zint_symbol *)> z(ZBarcode_Create(), ZBarcode_Delete);
    if (!z) {
        s.error = QStringLiteral("the barcode library is not usable");
        return s;
    }
    z->symbology = symbology;
    z->input_mode = UNICODE_MODE;
    z->output_options = BARCODE_NO_QUIET_ZONES;
    z->show_hrt = 0;
    if (symbology == BARCODE_QRCODE)
        z->option_1 = 2; // error correction level M
    const QByteArray utf8 = text.toUtf8();
    int rc = ZBarcode_Encode(z.get(), reinterpret_cast<const unsigned char *>(utf8.constData()),
                             int(utf8.size()));
    if (rc < ZINT_ERROR)
        rc = ZBarcode_Buffer_Vector(z.get(), 0);
    if (rc >= ZINT_ERROR || !z->vector || z->width <= 0) {
        s.error = QString::fromLatin1(z->errtxt);
        return s;
    }
    // The vector output scales modules by a fixed factor; its width spans
    // exactly the symbol's modules when there are no quiet zones.
    const double unit = double(z->vector->width) / z->width;
    s.wide = z->width;
    s.high = z->vector->height / unit;
    for (const zint_vector_rect *r = z->vector->rectangles; r; r = r->next)
        s.marks.append(QRectF(r->x / unit, r->y / unit, r->width / unit, r->height / unit));
    return s;
}

// Where the parts of a label go, from its top left corner.
struct Fit {
    double module = 0; // Code 128 module
    double codeX = 0;  // left of the first bar
    double barHeight = 0;
    double textTop = 0, textWidth = 0, textHeight = 0;
    double qrModule = 0, qrX = 0, qrY = 0;
    QString error;
};

Fit fitLabel(const LabelTemplate &stock, const LabelContent &label, const Symbol &code,
             const Symbol *qr)
{
    Fit f;
    const double innerW = stock.labelWidth - 2 * Padding;
    const double innerH = stock.labelHeight - 2 * Padding;
    const double qrSide = qr ? std::min(innerH, 0.3 * stock.labelWidth) : 0;
    const double codeW = innerW - (qr ? qrSide + Padding : 0);
    f.module = moduleFor(codeW, code.wide + 2 * Code128Quiet);
    if (f.module <= 0) {
        f.error = QStringLiteral("The barcode of \"%1\" needs a label at least %2 inches wide.")
                      .arg(label.code)
                      .arg(stock.labelWidth - codeW + (code.wide + 2 * Code128Quiet) * ModuleStep,
                           0, 'f', 2);
        return f;
    }
    f.codeX = Padding + (codeW - f.module * code.wide) / 2;
    // Code 128 asks for bars at least 0.25" or 15% of the symbol's width high.
    const double minimumHeight = std::max(0.25, 0.15 * f.module * code.wide);
    f.barHeight = std::min(innerH * (label.lines.size() > 1 ? 0.4 : 0.55), 1.5);
    if (f.barHeight < minimumHeight) {
        f.error = QStringLiteral("The label is too low for the barcode of \"%1\".").arg(label.code);
        return f;
    }
    f.textTop = Padding + f.barHeight + 0.03;
    f.textWidth = codeW;
    f.textHeight = innerH + Padding - f.textTop;
    if (qr) {
        f.qrModule = moduleFor(qrSide, qr->wide + 2 * QrQuiet);
        if (f.qrModule <= 0) {
            f.error = QStringLiteral("The QR code of \"%1\" needs a larger label.").arg(label.code);
            return f;
        }
        const double side = f.qrModule * (qr->wide + 2 * QrQuiet);
        f.qrX = stock.labelWidth - Padding - side + QrQuiet * f.qrModule;
        f.qrY = Padding + (innerH - side) / 2 + QrQuiet * f.qrModule;
    }
    return f;
}

// The text cut with "…" so that it is at most width wide.
QString fitText(const PageSurface &surface, const QString &text, double width)
{
    if (surface.textWidth(text) <= width)
        return text;
    int lo = 0, hi = int(text.size());
    while (lo < hi) {
        const int mid = (lo + hi + 1) / 2;
        if (surface.textWidth(text.left(mid).trimmed() + QChar(0x2026)) <= width)
            lo = mid;
        else
            hi = mid - 1;
    }
    return text.left(lo).trimmed() + QChar(0x2026);
}

// The largest font size that fits the lines in height and each line but
// the one that may be cut in width (the first line is bold); 6 points at
// the least.
double fontSizeFor(PageSurface &surface, const LabelContent &label, double width, double height)
{
    const int count = std::max(1, int(label.lines.size()));
    PrintFont font = PrintoutFont();
    for (double size = count == 1 ? 28 : 11; size > 6; size -= 1) {
        font.size = size;
        bool fits = true;
        for (int i = 0; i < count && fits; ++i) {
            font.bold = i == 0;
            surface.setFont(font);
            fits = (i > 0 || count * surface.textHeight(QStringLiteral("X")) <= height) &&
                   (i == label.cutLine || surface.textWidth(label.lines.value(i)) <= width);
        }
        if (fits)
            return size;
    }
    return 6;
}

void drawSymbol(PageSurface &surface, const Symbol &s, double x, double y, double module,
                double height)
{
    const double yScale = height > 0 ? height / s.high : module;
    for (const QRectF &m : s.marks)
        surface.fillRect(x + m.x() * module, y + m.y() * yScale, m.width() * module,
                         m.height() * yScale);
}

} // namespace

const std::vector<LabelTemplate> &LabelTemplates()
{
    return Templates;
}

const LabelTemplate *FindLabelTemplate(const QString &name)
{
    for (const LabelTemplate &t : Templates)
        if (t.name == name)
            return &t;
    return nullptr;
}

QRectF LabelBox(const LabelTemplate &stock, int position)
{
    const int i = position - 1;
    return QRectF(stock.left + (i % stock.columns) * stock.pitchX,
                  stock.top + (i / stock.columns) * stock.pitchY, stock.labelWidth,
                  stock.labelHeight);
}

LabelContent EntryLabel(const EntryRecord &entry, bool withQrCode)
{
    LabelContent label;
    label.code = ControlNumberText(entry.ControlNumber);
    const QString caseNumber = entry.CaseNumber.trimmed();
    const QString date = OleDateText(entry.ReceivedDate);
    QString description = entry.Description;
    const qsizetype lineEnd = description.indexOf(QRegularExpression(QStringLiteral("[\r\n]")));
    if (lineEnd >= 0)
        description.truncate(lineEnd);
    label.lines = {label.code, QStringLiteral("Case ") + caseNumber, description.trimmed(),
                   date.isEmpty() ? QString() : QStringLiteral("Received ") + date};
    label.cutLine = 2;
    if (withQrCode)
        label.qrCode =
            caseNumber.isEmpty() ? label.code : label.code + QLatin1Char(' ') + caseNumber;
    return label;
}

LabelContent ShelfLabel(const QString &location)
{
    const QString text = location.trimmed();
    return {ShelfCodePrefix + text, {text}, QString()};
}

QStringList DistinctLocations(const QVector<EntryRecord> &entries)
{
    QStringList out;
    QSet<QString> seen;
    for (const EntryRecord &e : entries) {
        const QString text = e.Location.trimmed();
        if (!text.isEmpty() && !seen.contains(text)) {
            seen.insert(text);
            out.append(text);
        }
    }
    return out;
}

QString CheckLabels(const LabelTemplate &stock, const QVector<LabelContent> &labels)
{
    for (const LabelContent &label : labels) {
        const Symbol code = encode(BARCODE_CODE128, label.code);
        if (!code.error.isEmpty())
            return QStringLiteral("\"%1\" can not be put in a barcode (%2).")
                .arg(label.code, code.error);
        Symbol qr;
        if (!label.qrCode.isEmpty()) {
            qr = encode(BARCODE_QRCODE, label.qrCode);
            if (!qr.error.isEmpty())
                return QStringLiteral("\"%1\" can not be put in a QR code (%2).")
                    .arg(label.qrCode, qr.error);
        }
        const Fit f = fitLabel(stock, label, code, label.qrCode.isEmpty() ? nullptr : &qr);
        if (!f.error.isEmpty())
            return f.error + QStringLiteral(" A smaller one would not scan.");
    }
    return QString();
}

PrintResult PrintLabels(PageSurface &surface, const LabelTemplate &stock, int start,
                        const QVector<LabelContent> &labels)
{
    const int perPage = stock.perPage();
    int position = std::clamp(start, 1, perPage);
    surface.expectPages((position - 1 + int(labels.size()) + perPage - 1) / perPage);
    for (const LabelContent &label : labels) {
        if (position > perPage) {
            if (surface.cancelled())
                return PrintResult::Cancelled;
            surface.newPage();
            position = 1;
        }
        const QRectF box = LabelBox(stock, position++);
        const Symbol code = encode(BARCODE_CODE128, label.code);
        const Symbol qr = label.qrCode.isEmpty() ? Symbol() : encode(BARCODE_QRCODE, label.qrCode);
        const Fit f = fitLabel(stock, label, code, label.qrCode.isEmpty() ? nullptr : &qr);
        if (!f.error.isEmpty() || !code.error.isEmpty())
            continue; // CheckLabels has told the person
        drawSymbol(surface, code, box.x() + f.codeX, box.y() + Padding, f.module, f.barHeight);
        if (!label.qrCode.isEmpty())
            drawSymbol(surface, qr, box.x() + f.qrX, box.y() + f.qrY, f.qrModule, 0);

        PrintFont font = PrintoutFont();
        font.size = fontSizeFor(surface, label, f.textWidth, f.textHeight);
        double y = box.y() + f.textTop;
        for (int i = 0; i < label.lines.size(); ++i) {
            font.bold = i == 0;
            surface.setFont(font);
            surface.setCurrentX(box.x() + Padding);
            surface.setCurrentY(y);
            surface.printText(fitText(surface, label.lines.at(i), f.textWidth));
            y += surface.textHeight(label.lines.at(i));
        }
    }
    return PrintResult::Done;
}

PrintResult PrintLabelSheet(const LabelTemplate &stock, int start,
                            const QVector<LabelContent> &labels, const PrintAsk &ask)
{
    PrintSession session(QStringLiteral("these labels"), desktop().now(), ask);
    session.setPaper({stock.paperWidth, stock.paperHeight});
    const PrintResult result = session.print(LabelsJobName(), [&](PageSurface &surface) {
        return PrintLabels(surface, stock, start, labels);
    });
    session.finish();
    return result;
}

QString LabelsTitle()
{
    return QStringLiteral("Print Labels");
}

QString LabelsJobName()
{
    return QStringLiteral("Custorin Labels");
}
