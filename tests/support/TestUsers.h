// A user as the add-user window would make it, for tests.
#pragma once

#include "core/users/UserRecord.h"

// No password when password is empty.
inline UserRecord newUser(const QString &first, const QString &last, const QString &password,
                          int level)
{
    UserRecord u;
    u.FirstName = first;
    u.LastName = last;
    if (!password.isEmpty())
        u.Password = ScramblePassword(password);
    u.AccessLevel = qint16(level);
    return u;
}
