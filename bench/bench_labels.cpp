// Labels and scanning at the largest data file there can be (32,767
// entries): the labels of every entry written to a PDF file as the command
// line writes them, with the time and the peak memory of the process; then
// a scan typed into the main window's scan box until the entry's card is
// open, for an entry near the end of the file.
#include "BenchSupport.h"
#include "FakeDesktop.h"
#include "SampleData.h"

#include "core/common/Formats.h"
#include "core/common/Globals.h"
#include "core/print/LabelCommand.h"
#include "gui/platform/PrinterSurface.h"
#include "gui/windows/Quit.h"
#include "gui/windows/frmMain.h"
#include "gui/windows/frmSeeEntry.h"

#include <QApplication>
#include <QFileInfo>
#include <QLineEdit>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <sys/resource.h>

namespace
{

constexpr int Entries = 32767;
constexpr double TargetSeconds = 30;
constexpr double TargetMegabytes = 200;
constexpr double TargetScanMs = 100;

class PdfDesktop : public FakeDesktop
{
public:
    std::unique_ptr<PageSurface> beginPdf(const QString &title, const QString &file,
                                          const PaperSize &paper) override
    {
        return PrinterSurface::forPdf(title, file, paper);
    }
};

} // namespace

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    PrinterSurface::setProgressDelay(std::numeric_limits<int>::max());
    TestEnvironment env;
    if (!SampleData::WriteDataFile(env.path(DataFileName), Entries, 2026)) {
        std::printf("labels: the data file could not be written\n");
        return 1;
    }
    const double before = peakMegabytes();

    PdfDesktop pdfDesktop;
    Desktop *previous = setDesktop(&pdfDesktop);
    StartOptions options;
    options.dataDir = env.folder();
    options.labelsFile = env.path(QStringLiteral("labels.pdf"));
    options.labelTemplate = QStringLiteral("avery-5160");
    options.labelAll = true;
    QString out, err;
    QElapsedTimer clock;
    clock.start();
    const int rc = RunLabelCommand(options, &out, &err);
    const double seconds = clock.elapsed() / 1000.0;
    setDesktop(previous);
    const double peak = peakMegabytes();
    std::printf("labels: %d entries to PDF (avery-5160): %.1f s (target %.0f), peak %.0f MB "
                "(target %.0f; %.0f MB before), %.1f MB file, status %d %s%s",
                Entries, seconds, TargetSeconds, peak, TargetMegabytes, before,
                QFileInfo(options.labelsFile).size() / 1e6, rc, qPrintable(out), qPrintable(err));

    // The scan: the code typed and Enter, until the card's window runs.
    env.session.CurrentUserName = QStringLiteral("Bench");
    env.session.CurrentAccessLevel = 4;
    env.data.AgencyName = QStringLiteral("Springfield Police Department");
    auto *w = new frmMain(env.store, env.session);
    w->show();
    w->Form_Activate();
    QApplication::setActiveWindow(w);
    const QString code = ControlNumberText(SampleData::MakeEntry(2026, Entries - 2).ControlNumber);
    std::vector<double> rounds;
    for (int round = 0; round < 7; ++round) {
        double opened = -1;
        QElapsedTimer scan;
        QTimer::singleShot(0, [&] {
            if (auto *card = qobject_cast<frmSeeEntry *>(QApplication::activeModalWidget())) {
                opened = ms(scan);
                card->reject();
            }
        });
        w->txtScan->setText(code);
        scan.start();
        QTest::keyClick(w->txtScan, Qt::Key_Return);
        rounds.push_back(opened);
    }
    std::printf("scan: %s at %d entries to its card open: median %.1f ms, worst %.1f ms "
                "(target %.0f)\n",
                qPrintable(code), Entries, median(rounds),
                *std::max_element(rounds.begin(), rounds.end()), TargetScanMs);
    judge("labels of every entry to PDF", seconds, "s", -1, TargetSeconds);
    judge("labels, peak memory", peak, "MB", -1, TargetMegabytes);
    judge("scan to its entry card open (median of 7)", median(rounds), "ms", -1, TargetScanMs);
    ProgramEnding = true;
    delete w;
    return rc == 0 ? 0 : 1;
}
