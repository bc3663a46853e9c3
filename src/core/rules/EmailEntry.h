// E-mailing an entry from the entry card: the warning that the two long
// texts are not included, and the "mailto:" text with a subject and a body
// of the card's fields, percent-encoded so that any character of a field
// (an "&" or "#" in a brand name, accented letters) reaches the mail
// program as it stands.
#pragma once

#include "core/common/Desktop.h"

#include <QString>
#include <QStringList>

// "Emailing an Item...": the narrative and the chain of custody are not
// included; Continue or Stop, with the "Don't show this again" box.
MsgBoxRequest EmailWarningQuestion();

// "Custorin - Control Number " + the control number as the card shows it.
QString EmailSubject(const QString &controlNumberText);

// The fifteen lines of the body from the card's texts of fields 0..14:
// the field's label (the description's cut to "Description"), ": " and
// the text as shown. An empty field keeps its line.
QStringList EmailBodyLines(const QStringList &cardTexts);

// What OpenLink gets after "mailto:": "?subject=" + subject + "&body=" +
// the body lines joined by CR LF, both encoded as UTF-8 with every byte
// other than a letter, a digit, "-", ".", "_" and "~" written as %XX.
QString EmailLinkTarget(const QStringList &cardTexts);

// "No E-mail Program": the desktop names no program for e-mail; copy the
// message text to the clipboard (button 1) or not.
MsgBoxRequest NoMailProgramQuestion();

// The message as text to paste into an e-mail: the subject, an empty line
// and the body lines, each line ended by a line feed.
QString EmailPlainText(const QStringList &cardTexts);
