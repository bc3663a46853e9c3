#include "RecordingDesktop.h"

#include <cstdio>

MsgBoxAnswer RecordingDesktop::messageBox(const MsgBoxRequest &r)
{
    const QString line =
        QStringLiteral("MSGBOX|%1|%2|%3|%4")
            .arg(r.title)
            .arg(r.icon)
            .arg(QString(r.text).replace(QLatin1String("\r\n"), QLatin1String("\\n")),
                 r.buttons.join(QLatin1Char(';')));
    std::puts(line.toUtf8().constData());
    std::fflush(stdout);
    const int choice =
        r.defaultButton >= 1 && r.defaultButton <= r.buttons.size() ? r.defaultButton : 0;
    return MsgBoxAnswer{choice, false};
}

void RecordingDesktop::systemMessageBox(const QString &title, const QString &text)
{
    std::puts(QStringLiteral("SYSTEMBOX|%1|%2").arg(title, text).toUtf8().constData());
    std::fflush(stdout);
}
