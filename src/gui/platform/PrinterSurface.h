// The real page surface: a QPrinter rendering the pages into a PDF file,
// which then goes to a print queue through CUPS or becomes the saved file.
//
// Qt's own CUPS engine hands a job to the queue whenever painting ends, even
// an abandoned one; rendering into a file of our own first means a cancelled
// job never reaches the queue, and a saved PDF replaces an existing file
// only once it is complete.
#pragma once

#include "core/common/Desktop.h"

#include <QElapsedTimer>
#include <QFont>
#include <QFontMetricsF>
#include <QPainter>
#include <QPointer>
#include <QPrinter>
#include <QTemporaryDir>
#include <memory>
#include <optional>

class QProgressDialog;

class PrinterSurface : public PageSurface
{
public:
    // A job for the system's default print queue on the queue's default
    // paper; nothing when there is no default queue (or no print service).
    // A paper that is not empty replaces the queue's (labels: no margins).
    static std::unique_ptr<PrinterSurface> forDefaultPrinter(const QString &title,
                                                             const PaperSize &paper = {});
    // A job written to the PDF file file (replaced once the job ends), on
    // the default queue's paper, or the system's usual paper when there is
    // no printer; a paper that is not empty replaces it (labels: no
    // margins), and so do the paper and margins of layout when given.
    static std::unique_ptr<PrinterSurface> forPdf(const QString &title, const QString &file,
                                                  const PaperSize &paper = {},
                                                  const std::optional<QPageLayout> &layout = {});
    ~PrinterSurface() override;

    // How long a job runs before its progress window shows (milliseconds).
    static void setProgressDelay(int ms);

    void setFont(const PrintFont &font) override;
    PrintFont font() const override { return m_font; }
    double currentX() const override { return m_x; }
    double currentY() const override { return m_y; }
    void setCurrentX(double inches) override { m_x = inches; }
    void setCurrentY(double inches) override { m_y = inches; }
    double pageWidth() const override;
    double pageHeight() const override;
    double textWidth(const QString &text) const override;
    double textHeight(const QString &text) const override;
    void printLine(const QString &text) override;
    void printText(const QString &text) override;
    void fillRect(double x, double y, double width, double height) override;
    void newPage() override;
    bool endDoc() override;
    void killDoc() override;
    void expectPages(int pages) override { m_expectedPages = pages; }
    bool cancelled() const override;
    QString errorString() const override { return m_error; }

    // The queue the job goes to (empty for a PDF file).
    QString queue() const { return m_queue; }
    // The printable area's top left on the paper, in inches.
    QPointF printableOrigin() const;

private:
    PrinterSurface(const QString &title, const QString &queue, const QString &target,
                   const std::optional<QPageLayout> &layout);
    bool start();
    void draw(const QString &text);
    void showProgress();
    bool submit();

    QString m_title;
    QString m_queue;  // print queue ("name" or "name/instance"), or empty
    QString m_target; // the PDF file, or empty
    QString m_work;   // the file the pages are rendered into
    std::unique_ptr<QTemporaryDir> m_workDir;
    QPrinter m_printer;
    QPainter m_painter;
    PrintFont m_font;
    QFont m_qfont;
    std::unique_ptr<QFontMetricsF> m_metrics;
    double m_dpiX = 1200, m_dpiY = 1200;
    double m_x = 0, m_y = 0;
    int m_page = 1;
    int m_expectedPages = 0;
    bool m_ended = false;
    QString m_error;
    QElapsedTimer m_clock;
    QPointer<QProgressDialog> m_progress;
};
