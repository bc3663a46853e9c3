// A message box request as one line, for comparing a whole box at once:
// "title | text | buttons | icon default offer", the text with its line
// ends as they are.
#pragma once

#include "core/common/Desktop.h"

#include <QString>
#include <QStringList>

inline QString boxText(const MsgBoxRequest &r)
{
    return r.title + QStringLiteral(" | ") + r.text + QStringLiteral(" | ") +
           r.buttons.join(QStringLiteral(", ")) +
           QStringLiteral(" | %1 %2 %3").arg(r.icon).arg(r.defaultButton).arg(int(r.offerDontShow));
}

inline QStringList boxTexts(const QList<MsgBoxRequest> &boxes)
{
    QStringList out;
    for (const MsgBoxRequest &r : boxes)
        out << boxText(r);
    return out;
}
