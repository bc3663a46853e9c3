#include "core/rules/EmailEntry.h"

#include "core/common/Globals.h"
#include "core/common/MsgBox.h"
#include "core/rules/EntryCard.h"

#include <QUrl>

namespace
{

constexpr int BodyFields = 15; // fields 0..14: the long texts stay out
constexpr int DescriptionLabelLength = 11;

QString encoded(const QString &text)
{
    return QString::fromLatin1(QUrl::toPercentEncoding(text));
}

} // namespace

MsgBoxRequest EmailWarningQuestion()
{
    return MakeMsgBoxRequest(
        QStringLiteral("Emailing an Item..."), 5,
        QStringLiteral("Remember that the 'Narrative' text field") + CrLf +
            QStringLiteral("and the 'Chain-of-Custody' text field") + CrLf +
            QStringLiteral("are not automatically included in the") + CrLf +
            QStringLiteral("email you are getting ready to send.") + CrLf + CrLf +
            QStringLiteral("If you wish to include either or both,") + CrLf +
            QStringLiteral("simply cut/paste between the text fields") + CrLf +
            QStringLiteral("and the body of the email form."),
        1, true, {QStringLiteral("&Continue"), QStringLiteral("&Stop, don't send email")});
}

QString EmailSubject(const QString &controlNumberText)
{
    return AppTitle + QStringLiteral(" - Control Number ") + controlNumberText;
}

QStringList EmailBodyLines(const QStringList &cardTexts)
{
    QStringList lines;
    for (int i = 0; i < BodyFields; ++i) {
        QString label = CardFieldAt(i).caption;
        if (i == CardField::Description)
            label.truncate(DescriptionLabelLength);
        lines << label + QStringLiteral(": ") + cardTexts.value(i);
    }
    return lines;
}

QString EmailLinkTarget(const QStringList &cardTexts)
{
    QStringList body;
    for (const QString &line : EmailBodyLines(cardTexts))
        body << encoded(line);
    return QStringLiteral("?subject=") + encoded(EmailSubject(cardTexts.value(0))) +
           QStringLiteral("&body=") + body.join(QStringLiteral("%0D%0A"));
}

MsgBoxRequest NoMailProgramQuestion()
{
    return MakeMsgBoxRequest(
        QStringLiteral("No E-mail Program"), 3,
        QStringLiteral("No e-mail program is set up on this computer,") + CrLf +
            QStringLiteral("so the message about this entry can not be opened.") + CrLf + CrLf +
            QStringLiteral("Do you want to copy the message text to the clipboard") + CrLf +
            QStringLiteral("and paste it into an e-mail yourself?"),
        1, false, {QStringLiteral("&Copy the message text"), QStringLiteral("&Don't copy it")});
}

QString EmailPlainText(const QStringList &cardTexts)
{
    QString text = EmailSubject(cardTexts.value(0)) + QStringLiteral("\n\n");
    for (const QString &line : EmailBodyLines(cardTexts))
        text += line + QLatin1Char('\n');
    return text;
}
