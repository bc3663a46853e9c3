// Running another program from a test, bounded in time.
#pragma once

#include <QProcess>
#include <QProcessEnvironment>
#include <QStringList>

struct ProgramRun {
    int status = -1; // exit code; -1 when it crashed or did not finish
    QByteArray out, err;
};

// Runs program with args, input on its standard input, and waits for its
// end (killed after timeoutMs). Headless: without any display, as from a
// cron job or a terminal.
inline ProgramRun RunProgram(const QString &program, const QStringList &args,
                             const QByteArray &input = {}, bool headless = false,
                             int timeoutMs = 60000)
{
    QProcess p;
    if (headless) {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        for (const char *name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"})
            env.remove(name);
        p.setProcessEnvironment(env);
    }
    p.start(program, args);
    p.write(input);
    p.closeWriteChannel();
    ProgramRun r;
    if (!p.waitForFinished(timeoutMs)) {
        p.kill();
        p.waitForFinished();
    } else if (p.exitStatus() == QProcess::NormalExit) {
        r.status = p.exitCode();
    }
    r.out = p.readAllStandardOutput();
    r.err = p.readAllStandardError();
    return r;
}

// The program itself, without a display.
inline ProgramRun RunCustorin(const QStringList &args, const QByteArray &input = {})
{
    return RunProgram(qEnvironmentVariable("CUSTORIN_APP"), args, input, true);
}
