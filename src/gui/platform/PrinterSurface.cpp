#include "gui/platform/PrinterSurface.h"

#include "core/common/DataSet.h"
#include "core/common/Globals.h"
#include "core/common/SafeReplace.h"
#include "gui/platform/WindowLook.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QLocale>
#include <QPageSize>
#include <QPrinterInfo>
#include <QProgressDialog>

#include <cups/cups.h>

namespace
{

int progressDelay = 1000;

// The paper and margins the default queue prints on, when there is one.
std::optional<QPageLayout> queueLayout(const QPrinterInfo &info)
{
    if (info.isNull())
        return std::nullopt;
    QPrinter probe(info, QPrinter::HighResolution);
    return probe.pageLayout();
}

// The system's usual paper with margins a printer could keep.
QPageLayout plainLayout()
{
    const QPageSize size(QLocale::system().measurementSystem() == QLocale::ImperialUSSystem
                             ? QPageSize::Letter
                             : QPageSize::A4);
    return QPageLayout(size, QPageLayout::Portrait, QMarginsF(0.25, 0.25, 0.25, 0.25),
                       QPageLayout::Inch);
}

// A label paper: exactly its size, no margins (the templates place the
// labels from the paper's edge).
QPageLayout paperLayout(const PaperSize &paper)
{
    const QPageSize size(QSizeF(paper.width, paper.height), QPageSize::Inch, QString(),
                         QPageSize::ExactMatch);
    return QPageLayout(size, QPageLayout::Portrait, QMarginsF(0, 0, 0, 0), QPageLayout::Inch);
}

} // namespace

void PrinterSurface::setProgressDelay(int ms)
{
    progressDelay = ms;
}

std::unique_ptr<PrinterSurface> PrinterSurface::forDefaultPrinter(const QString &title,
                                                                  const PaperSize &paper)
{
    const QPrinterInfo info = QPrinterInfo::defaultPrinter();
    if (info.isNull())
        return nullptr;
    std::unique_ptr<PrinterSurface> surface(
        new PrinterSurface(title, info.printerName(), QString(),
                           paper.isEmpty() ? queueLayout(info) : paperLayout(paper)));
    if (!surface->start())
        return nullptr;
    return surface;
}

std::unique_ptr<PrinterSurface> PrinterSurface::forPdf(const QString &title, const QString &file,
                                                       const PaperSize &paper,
                                                       const std::optional<QPageLayout> &layout)
{
    std::unique_ptr<PrinterSurface> surface(
        new PrinterSurface(title, QString(), file,
                           layout            ? layout
                           : paper.isEmpty() ? queueLayout(QPrinterInfo::defaultPrinter())
                                             : paperLayout(paper)));
    if (!surface->start())
        return nullptr;
    return surface;
}

PrinterSurface::PrinterSurface(const QString &title, const QString &queue, const QString &target,
                               const std::optional<QPageLayout> &layout)
    : m_title(title), m_queue(queue), m_target(target), m_printer(QPrinter::HighResolution)
{
    SetUpFonts();
    m_printer.setOutputFormat(QPrinter::PdfFormat);
    m_printer.setDocName(title);
    m_printer.setCreator(AppTitle);
    m_printer.setPageLayout(layout ? *layout : plainLayout());
}

bool PrinterSurface::start()
{
    // The pages go into a work file: beside the target for a PDF (renamed
    // over it at the end), in a private temporary folder for the queue.
    if (m_target.isEmpty()) {
        m_workDir = std::make_unique<QTemporaryDir>();
        if (!m_workDir->isValid())
            return false;
        m_work = m_workDir->filePath(QStringLiteral("job.pdf"));
    } else {
        const QFileInfo target(m_target);
        m_work = target.dir().filePath(QStringLiteral(".") + target.fileName() +
                                       QStringLiteral(".part"));
    }
    m_printer.setOutputFileName(m_work);
    if (!m_painter.begin(&m_printer)) {
        QFile::remove(m_work);
        return false;
    }
    m_dpiX = m_printer.logicalDpiX();
    m_dpiY = m_printer.logicalDpiY();
    setFont(PrintFont());
    m_clock.start();
    return true;
}

PrinterSurface::~PrinterSurface()
{
    if (!m_ended)
        killDoc();
    delete m_progress;
}

void PrinterSurface::setFont(const PrintFont &font)
{
    m_font = font;
    m_qfont = QFont(font.name);
    m_qfont.setPointSizeF(font.size > 0 ? font.size : 10.0);
    m_qfont.setBold(font.bold);
    m_qfont.setItalic(font.italic);
    m_qfont.setUnderline(font.underline);
    if (m_painter.isActive()) {
        m_painter.setFont(m_qfont);
        m_metrics = std::make_unique<QFontMetricsF>(m_qfont, &m_printer);
    }
}

double PrinterSurface::pageWidth() const
{
    return m_printer.pageLayout().paintRect(QPageLayout::Inch).width();
}

double PrinterSurface::pageHeight() const
{
    return m_printer.pageLayout().paintRect(QPageLayout::Inch).height();
}

QPointF PrinterSurface::printableOrigin() const
{
    return m_printer.pageLayout().paintRect(QPageLayout::Inch).topLeft();
}

double PrinterSurface::textWidth(const QString &text) const
{
    return m_metrics ? m_metrics->horizontalAdvance(text) / m_dpiX : 0.0;
}

double PrinterSurface::textHeight(const QString &) const
{
    return m_metrics ? m_metrics->lineSpacing() / m_dpiY : 0.0;
}

void PrinterSurface::draw(const QString &text)
{
    if (text.isEmpty() || !m_painter.isActive())
        return;
    // The print position is the top of the line; Qt draws on the baseline.
    m_painter.drawText(QPointF(m_x * m_dpiX, m_y * m_dpiY + m_metrics->ascent()), text);
}

void PrinterSurface::printLine(const QString &text)
{
    draw(text);
    m_x = 0;
    m_y += textHeight(text);
}

void PrinterSurface::printText(const QString &text)
{
    draw(text);
    m_x += textWidth(text);
}

void PrinterSurface::fillRect(double x, double y, double width, double height)
{
    if (m_painter.isActive())
        m_painter.fillRect(QRectF(x * m_dpiX, y * m_dpiY, width * m_dpiX, height * m_dpiY),
                           Qt::black);
}

void PrinterSurface::newPage()
{
    if (m_painter.isActive())
        m_printer.newPage();
    ++m_page;
    m_x = m_y = 0;
    showProgress();
}

void PrinterSurface::showProgress()
{
    if (!m_progress) {
        if (m_clock.elapsed() < progressDelay)
            return;
        auto *dialog = new QProgressDialog(QApplication::activeWindow());
        dialog->setObjectName(QStringLiteral("printProgress"));
        dialog->setWindowTitle(AppTitle);
        dialog->setCancelButtonText(QStringLiteral("&Cancel"));
        dialog->setWindowModality(Qt::ApplicationModal);
        dialog->setMinimumDuration(0);
        dialog->setAutoClose(false);
        dialog->setAutoReset(false);
        dialog->setRange(0, qMax(m_expectedPages, 0));
        m_progress = dialog;
        dialog->show();
    }
    const int done = m_page - 1;
    m_progress->setLabelText(
        m_expectedPages > 0
            ? QStringLiteral("Printing \"%1\": page %2 of %3 done")
                  .arg(m_title)
                  .arg(done)
                  .arg(m_expectedPages)
            : QStringLiteral("Printing \"%1\": %2 page(s) done").arg(m_title).arg(done));
    if (m_expectedPages > 0)
        m_progress->setValue(qMin(done, m_expectedPages));
    QCoreApplication::processEvents();
}

bool PrinterSurface::cancelled() const
{
    return m_progress && m_progress->wasCanceled();
}

bool PrinterSurface::endDoc()
{
    m_ended = true;
    delete m_progress;
    if (!m_painter.end()) {
        m_error = QStringLiteral("the pages could not be written");
        QFile::remove(m_work);
        return false;
    }
    if (m_target.isEmpty())
        return submit();
    // The folder the file goes to, with the usual retry times.
    const DataSet folder(QFileInfo(m_target).absolutePath());
    if (!ReplaceWith(folder, m_work, m_target)) {
        m_error = QStringLiteral("the file could not be put in its place");
        return false;
    }
    return true;
}

bool PrinterSurface::submit()
{
    // "name" or "name/instance", as the print dialog names queues.
    const QByteArray name = m_queue.section(QLatin1Char('/'), 0, 0).toUtf8();
    const QByteArray instance = m_queue.section(QLatin1Char('/'), 1).toUtf8();
    cups_dest_t *dest = cupsGetNamedDest(CUPS_HTTP_DEFAULT, name.constData(),
                                         instance.isEmpty() ? nullptr : instance.constData());
    bool ok = false;
    if (!dest) {
        m_error = QStringLiteral("the printer \"%1\" is no longer there").arg(m_queue);
    } else {
        const QByteArray file = QFile::encodeName(m_work);
        const QByteArray title = m_title.toUtf8();
        const int job = cupsPrintFile(dest->name, file.constData(), title.constData(),
                                      dest->num_options, dest->options);
        ok = job > 0;
        if (!ok)
            m_error = QString::fromUtf8(cupsLastErrorString());
        cupsFreeDests(1, dest);
    }
    QFile::remove(m_work);
    return ok;
}

void PrinterSurface::killDoc()
{
    m_ended = true;
    delete m_progress;
    if (m_painter.isActive())
        m_painter.end();
    QFile::remove(m_work);
}
