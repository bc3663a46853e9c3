// The main window with a full data file (32,767 entries): sign-in to the
// list painted in a program just started, the list reloaded, the Search
// window opening, the entry card opening on an entry, and the peak memory
// of the process with the list shown. The waits are held against a plain
// read of the same file in the same round.
#include "BenchSupport.h"
#include "FakeDesktop.h"
#include "SampleData.h"
#include "core/common/Globals.h"
#include "core/common/Startup.h"
#include "core/entries/DataFile.h"
#include "gui/controls/Grid.h"
#include "gui/windows/Quit.h"
#include "gui/windows/Start.h"
#include "gui/windows/frmAdmin.h"
#include "gui/windows/frmMain.h"
#include "gui/windows/frmSeeEntry.h"
#include "gui/windows/frmTitlePage.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QTimer>
#include <algorithm>
#include <cstdio>
#include <vector>

namespace
{

constexpr int Entries = 32767;
constexpr int Runs = 21;
constexpr int FreshRuns = 11;
constexpr double LoadRatioTarget = 3.0;
constexpr double SearchWindowRatioTarget = 2.0;
constexpr double CardTargetMs = 100;
constexpr double MemoryTargetMb = 64;

// Peak resident memory of this process, in MB.
double peakMemoryMb()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray &line : status.readAll().split('\n')) {
        if (line.startsWith("VmHWM:"))
            return line.mid(6).trimmed().split(' ').value(0).toDouble() / 1024.0;
    }
    return -1;
}

void signIn(Session &session)
{
    session.CurrentUserName = QStringLiteral("Bench");
    session.CurrentAccessLevel = 4;
}

// In a program just started on folder, after the title window: the plain
// read (the faster of two), then the main window from its creation to the list painted, as after a
// sign-in. Prints "read-ms load-ms listed peak-MB window-ms list-ms
// read-cpu-ms load-cpu-ms": window-ms and list-ms are the parts of load-ms
// before the list load and the load itself; the last two processor time.
int firstLoad(const QString &folder)
{
    TestEnvironment env; // the desktop
    DataSet data(folder);
    Session session;
    data.attach(&session);
    FolderStore store(data);
    signIn(session);
    // A person signs in on the title window: it has been painted (and the
    // fonts found) before the main window is made.
    {
        frmTitlePage title(store, session);
        title.show();
        QCoreApplication::processEvents();
        title.repaint();
    }
    QCoreApplication::processEvents();
    double readCpu[2];
    const double read = std::min(rawRead(data, &readCpu[0]), rawRead(data, &readCpu[1]));
    QElapsedTimer t;
    t.start();
    const double c0 = cpuMs();
    frmMain *w = ShowMainWindow(store, session);
    const double window = ms(t);
    w->Form_Activate();
    const double list = ms(t) - window;
    QCoreApplication::processEvents();
    w->repaint();
    const double load = ms(t);
    const double loadCpu = cpuMs() - c0;
    std::printf("%.3f %.3f %d %.1f %.3f %.3f %.3f %.3f\n", read, load, w->grid->Rows() - 1,
                peakMemoryMb(), window, list, std::min(readCpu[0], readCpu[1]), loadCpu);
    ProgramEnding = true;
    delete w;
    return 0;
}

} // namespace

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    if (argc == 3 && qstrcmp(argv[1], "--first-load") == 0)
        return firstLoad(QString::fromLocal8Bit(argv[2]));
    TestEnvironment env;
    if (!SampleData::WriteDataFile(env.path(DataFileName), Entries, 1)) {
        std::fprintf(stderr, "could not write the sample data file\n");
        return 1;
    }
    signIn(env.session);
    rawRead(env.data); // warm the cache

    // Each round a program of its own signs in: the first load pays for
    // everything a warm process has already (memory first touched, each
    // day's date text formatted once).
    std::vector<double> freshRead, freshLoad, freshRatio, freshMemory, freshWindow, freshList,
        freshCpuRatio;
    for (int i = 0; i < FreshRuns; ++i) {
        const QByteArray said = runFresh({QStringLiteral("--first-load"), env.folder()});
        const QList<QByteArray> got = said.simplified().split(' ');
        if (got.size() != 8 || got[2].toInt() < 1) {
            std::fprintf(stderr, "the first load in a fresh process failed: %s\n",
                         said.constData());
            return 1;
        }
        freshRead.push_back(got[0].toDouble());
        freshLoad.push_back(got[1].toDouble());
        freshRatio.push_back(freshLoad.back() / freshRead.back());
        freshMemory.push_back(got[3].toDouble());
        freshWindow.push_back(got[4].toDouble());
        freshList.push_back(got[5].toDouble());
        freshCpuRatio.push_back(got[7].toDouble() / got[6].toDouble());
    }

    auto *w = new frmMain(env.store, env.session);
    w->show();
    w->Form_Activate();
    QCoreApplication::processEvents();
    const int listed = w->grid->Rows() - 1;

    // Each round reads the file plainly twice and then loads the list; the
    // load is held against the faster of its round's two reads, so that a
    // machine whose speed drifts meets both alike.
    std::vector<double> raw, load, ratio;
    for (int i = 0; i < Runs; ++i) {
        const double a = rawRead(env.data), b = rawRead(env.data);
        raw.push_back(std::min(a, b));
        QElapsedTimer t;
        t.start();
        w->LoadEntryList();
        QCoreApplication::processEvents();
        load.push_back(ms(t));
        ratio.push_back(load.back() / raw.back());
    }
    if (w->grid->TextMatrix(1, 5) > w->grid->TextMatrix(w->grid->Rows() - 1, 5)) {
        std::fprintf(stderr, "list not sorted\n");
        return 1;
    }

    // The Search window from the click to its first paint (Cancel closes it
    // again), against the plain read of its round.
    std::vector<double> searchRead, searchOpen, searchRatio;
    for (int i = 0; i < Runs; ++i) {
        const double a = rawRead(env.data), b = rawRead(env.data);
        searchRead.push_back(std::min(a, b));
        QElapsedTimer t;
        double shown = -1;
        QTimer::singleShot(0, [&] {
            QWidget *find = QApplication::activeModalWidget();
            if (!find)
                return;
            find->repaint();
            shown = ms(t);
            find->close();
        });
        t.start();
        w->cmdFindEntries_Click();
        if (shown < 0) {
            std::fprintf(stderr, "the Search window did not open\n");
            return 1;
        }
        searchOpen.push_back(shown);
        searchRatio.push_back(shown / searchRead.back());
    }

    std::vector<double> card;
    for (int i = 0; i < 5; ++i) {
        const int row = 1 + (i * 7919) % listed;
        QElapsedTimer t;
        t.start();
        {
            frmSeeEntry entryCard(env.store, env.session, w);
            entryCard.setTag(w->grid->TextMatrix(row, 4));
            entryCard.setExpectedIdentity(w->rowIdentity(row).ControlNumber,
                                          w->rowIdentity(row).CaseNumber);
            entryCard.show();
            QCoreApplication::processEvents();
            card.push_back(ms(t));
            entryCard.hide();
        }
        QCoreApplication::processEvents();
    }
    const double memory = peakMemoryMb();

    std::printf("plain read of %d records: median of %d rounds %.1f ms (the faster of two "
                "reads in a row)\n",
                Entries, Runs, median(raw));
    std::printf("sign-in to the list painted, a fresh process each of %d rounds: median %.1f ms "
                "(the window made %.1f ms, the list loaded %.1f ms) against a read of %.1f ms "
                "there; peak memory %.1f MB\n",
                FreshRuns, median(freshLoad), median(freshWindow), median(freshList),
                median(freshRead), median(freshMemory));
    judge("sign-in to the list painted (fresh process)", median(freshLoad), "ms",
          median(freshRatio), LoadRatioTarget);
    // On a busy machine the wall clock also counts the waits for a processor.
    std::printf("  processor time: median of the rounds' ratios %.2fx the read's\n",
                median(freshCpuRatio));
    std::printf("LoadEntryList again (%d listed, date sort, shading): median of %d rounds\n",
                listed, Runs);
    judge("list reloaded", median(load), "ms", median(ratio), LoadRatioTarget);
    judge("Search window opened", median(searchOpen), "ms", median(searchRatio),
          SearchWindowRatioTarget);
    judge("entry card opened on an entry (median of 5)", median(card), "ms", -1, CardTargetMs);
    judge("peak memory with the list shown", memory, "MB", -1, MemoryTargetMb);

    ProgramEnding = true;
    delete w;
    return 0;
}
