#include "core/common/InputChecks.h"

#include <QList>

namespace
{

bool isControl(QChar c)
{
    const QChar::Category k = c.category();
    return k == QChar::Other_Control || k == QChar::Separator_Line ||
           k == QChar::Separator_Paragraph;
}

} // namespace

bool HasControlCharacter(const QString &text)
{
    for (QChar c : text) {
        if (isControl(c))
            return true;
    }
    return false;
}

int CharacterCount(const QString &text)
{
    return int(text.toUcs4().size());
}

QString OneLine(const QString &text)
{
    if (!HasControlCharacter(text))
        return text;
    QString line;
    line.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (c == QLatin1Char('\r') && i + 1 < text.size() && text.at(i + 1) == QLatin1Char('\n'))
            continue; // CR LF is one line break: its LF makes the blank
        line.append(isControl(c) ? QChar(QLatin1Char(' ')) : c);
    }
    return line;
}
