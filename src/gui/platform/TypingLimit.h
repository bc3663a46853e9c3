// The input limit of a one-line text box. It holds back what a person types
// or pastes past the limit (a paste that does not fit is cut where it was
// inserted), but never cuts a text the program puts into the box: a date
// shown with its time and "AM"/"PM" stays whole however long it is, and
// may be edited in place (its "AM" typed over as "PM").
#pragma once

class QLineEdit;
class QString;

// Limits typing in box to limit characters.
void SetTypingLimit(QLineEdit *box, int limit);
// The limit set on box; 0 when it has none.
int TypingLimit(const QLineEdit *box);
// Puts text into box whole; until the next such text, typing there may go
// up to its length when that is more than the limit.
void SetTextWhole(QLineEdit *box, const QString &text);
