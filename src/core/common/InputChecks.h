// Checks of what people type and what the files hold, shared by the
// windows, the writers and the logs.
#pragma once

#include <QString>
#include <cstring>

// True when text holds a line break, a tab or another control character.
bool HasControlCharacter(const QString &text);

// The number of characters a person sees: a character outside the basic
// plane counts once, not as its two UTF-16 halves.
int CharacterCount(const QString &text);

// The text on one line: each line break (CR LF, CR or LF), tab or other
// control character becomes one blank. A log line built from it is always
// one line of the log, whatever a person typed or pasted.
QString OneLine(const QString &text);

// Two stored doubles (control numbers, creation dates) are the same when
// their eight bytes are: a value that is not a number (NaN) equals itself
// here, where == would never match it.
inline bool SameStoredDouble(double a, double b)
{
    return std::memcmp(&a, &b, sizeof(double)) == 0;
}
