// Reviewing a long activity log: a 100,000-line log shown in the
// administrative window (read, decoded, trimmed, put in the text box with
// the caret at its end and painted), and finding the next match, for a text
// that occurs every 1,000 lines and for one that occurs only in the last
// line (each click then searches the whole log). Each figure is the median
// of its runs, with the slowest run beside it; a median over its target
// prints OVER TARGET.
#include "BenchSupport.h"
#include "FakeDesktop.h"
#include "core/common/Globals.h"
#include "core/rules/LogReview.h"
#include "core/users/Installation.h"
#include "gui/windows/frmAdmin.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QPlainTextEdit>
#include <QScrollBar>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <vector>

namespace
{

constexpr int Lines = 100000;
constexpr double ShowTargetMs = 300;
constexpr double FindTargetMs = 50;
const QString Code = QStringLiteral("Ab3De");

bool writeLog(const QString &path)
{
    QByteArray bytes;
    bytes.reserve(Lines * 72);
    for (int i = 0; i < Lines; ++i) {
        const int day = 1 + i % 28;
        const char *who = i % 1000 == 500 ? "Quincy Marlowe" : "Pat Doe";
        if (i == Lines - 1)
            who = "Zebedee Last";
        bytes += QStringLiteral("%1/%2/2026 at %3:%4:%5 - Control#2026%1%2%3%4%5 edited by %6\r\n")
                     .arg(1 + i % 12, 2, 10, QLatin1Char('0'))
                     .arg(day, 2, 10, QLatin1Char('0'))
                     .arg(i % 24, 2, 10, QLatin1Char('0'))
                     .arg(i % 60, 2, 10, QLatin1Char('0'))
                     .arg((i * 7) % 60, 2, 10, QLatin1Char('0'))
                     .arg(QLatin1String(who))
                     .toLatin1();
    }
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size();
}

} // namespace

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    TestEnvironment env;
    if (SaveInstallation(env.data, QStringLiteral("County Sheriff"), Code) !=
            InstallationResult::Ok ||
        !writeLog(env.path(QStringLiteral("DataRecords.Log")))) {
        std::fprintf(stderr, "could not set up the data folder\n");
        return 1;
    }

    frmAdmin w(env.store, env.session);
    w.show();
    QCoreApplication::processEvents();
    env.desktop.answerInputBox(Code);
    w.cmdReviewLogs_Click();
    // Every line in the box, and the scroll bar counting lines (not the
    // paragraphs that hold them).
    const auto check = [&] {
        const int shownLines = int(w.txtLogText->toPlainText().count(QLatin1Char('\n'))) + 1;
        const int scrollLines = w.txtLogText->verticalScrollBar()->maximum();
        if (!w.ReviewingLogs || shownLines != Lines || scrollLines < Lines - 100) {
            std::fprintf(stderr, "the log was not shown (%d lines, scrolling over %d)\n",
                         shownLines, scrollLines);
            std::exit(1);
        }
    };
    check();

    std::vector<double> show;
    for (int run = 0; run < 7; ++run) {
        QElapsedTimer timer;
        timer.start();
        w.optViewLog_Click(1);
        QCoreApplication::processEvents();
        show.push_back(double(timer.nsecsElapsed()) / 1e6);
        check();
    }

    // The share of it that is reading, decoding and trimming the file.
    std::vector<double> load;
    for (int run = 0; run < 7; ++run) {
        QElapsedTimer timer;
        timer.start();
        const LogText log = LoadLogText(env.store, QStringLiteral("DataRecords.Log"));
        load.push_back(double(timer.nsecsElapsed()) / 1e6);
        if (!log.hasEntries)
            return 1;
    }

    auto findTimes = [&](const QString &text, int clicks, double *slowest) {
        std::vector<double> times;
        env.desktop.answerInputBox(text);
        for (int i = 0; i < clicks; ++i) {
            QElapsedTimer timer;
            timer.start();
            w.cmdFindText_Click();
            QCoreApplication::processEvents();
            times.push_back(double(timer.nsecsElapsed()) / 1e6);
            if (w.txtLogText->textCursor().selectedText().compare(text, Qt::CaseInsensitive) != 0) {
                std::fprintf(stderr, "find did not select '%s'\n", qPrintable(text));
                std::exit(1);
            }
        }
        w.cmdFindFinished_Click();
        *slowest = *std::max_element(times.begin(), times.end());
        return median(times);
    };
    double spreadWorst = 0, lastWorst = 0;
    const double spread = findTimes(QStringLiteral("quincy marlowe"), 60, &spreadWorst);
    // A single match in the last line: every click after the first wraps
    // round ("Yes, look again") and searches the whole log again.
    for (int i = 0; i < 9; ++i)
        env.desktop.answerMsgBox(1, false, QStringLiteral("End of text reached"));
    const double last = findTimes(QStringLiteral("ZEBEDEE"), 10, &lastWorst);

    const double shown = median(show);
    std::printf("show a %d-line log (%.1f MB): median of 7 runs %.1f ms, slowest %.1f ms\n", Lines,
                double(QFile(env.path(QStringLiteral("DataRecords.Log"))).size()) / 1e6, shown,
                *std::max_element(show.begin(), show.end()));
    std::printf("  of which reading, decoding and trimming the file: median %.1f ms\n",
                median(load));
    std::printf("find next, a match every 1,000 lines: median of 60 clicks %.2f ms, slowest "
                "%.2f ms\n",
                spread, spreadWorst);
    std::printf("find next, one match in the last line (whole log searched, wrapping round): "
                "median of 10 clicks %.2f ms, slowest %.2f ms\n",
                last, lastWorst);
    judge("log shown (median of 7)", shown, "ms", -1, ShowTargetMs);
    judge("find next, a match every 1,000 lines (median of 60)", spread, "ms", -1, FindTargetMs);
    judge("find next, one match in the last line (median of 10)", last, "ms", -1, FindTargetMs);
    return 0;
}
