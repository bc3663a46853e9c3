#include "core/users/UserRecord.h"

#include "core/common/Formats.h"
#include "core/common/InputChecks.h"

#include <QRandomGenerator>
#include <QtEndian>
#include <cstring>
#include <utility>

namespace
{

using namespace UserLayout;

bool isPasswordCharacter(QChar c)
{
    const char16_t u = c.unicode();
    return (u >= '0' && u <= '9') || (u >= 'A' && u <= 'Z') || (u >= 'a' && u <= 'z');
}

} // namespace

UserNameCheck CheckUserNames(const QString &firstName, const QString &lastName)
{
    if (HasControlCharacter(firstName) || HasControlCharacter(lastName))
        return UserNameCheck::ControlCharacter;
    if (firstName.trimmed() == UserKilledMarker)
        return UserNameCheck::Reserved;
    return UserNameCheck::Ok;
}

QString UserRecord::DisplayName() const
{
    return FirstName.trimmed() + QLatin1Char(' ') + LastName.trimmed();
}

QString UserRecord::SortKey() const
{
    return LastName.trimmed() + QLatin1Char(' ') + FirstName.trimmed();
}

QByteArray UserRecord::Pack() const
{
    QByteArray bytes(Length, '\0');
    char *p = bytes.data();
    qToLittleEndian<double>(DateCreated, p + UserLayout::DateCreated);
    std::memcpy(p + UserLayout::FirstName, ToFixedText(FirstName, FirstNameWidth).constData(),
                FirstNameWidth);
    std::memcpy(p + UserLayout::LastName, ToFixedText(LastName, LastNameWidth).constData(),
                LastNameWidth);
    std::memcpy(p + UserLayout::Password, ToFixedText(Password, PasswordWidth).constData(),
                PasswordWidth);
    qToLittleEndian<qint16>(AccessLevel, p + UserLayout::AccessLevel);
    std::memcpy(p + UserLayout::Comments, ToFixedText(Comments, CommentsWidth).constData(),
                CommentsWidth);
    return bytes;
}

UserRecord UserRecord::Unpack(const char *data, int len)
{
    QByteArray full(Length, '\0');
    if (data && len > 0)
        std::memcpy(full.data(), data, size_t(qMin(len, Length)));
    const char *p = full.constData();
    UserRecord u;
    u.DateCreated = qFromLittleEndian<double>(p + UserLayout::DateCreated);
    u.FirstName = FromFixedText(p + UserLayout::FirstName, FirstNameWidth);
    u.LastName = FromFixedText(p + UserLayout::LastName, LastNameWidth);
    u.Password = FromFixedText(p + UserLayout::Password, PasswordWidth);
    u.AccessLevel = qFromLittleEndian<qint16>(p + UserLayout::AccessLevel);
    u.Comments = FromFixedText(p + UserLayout::Comments, CommentsWidth);
    return u;
}

int RandomInteger(int low, int high)
{
    if (high < low)
        std::swap(low, high);
    // The system generator is seeded once from the operating system's
    // entropy, so successive draws are independent.
    return int(QRandomGenerator::global()->bounded(qint64(low), qint64(high) + 1));
}

QString TrimBlanks(const QString &text)
{
    qsizetype begin = 0;
    qsizetype end = text.size();
    while (end > begin && text.at(end - 1) == QLatin1Char(' '))
        --end;
    while (begin < end && text.at(begin) == QLatin1Char(' '))
        ++begin;
    return text.mid(begin, end - begin);
}

bool IsValidPassword(const QString &text)
{
    const QString password = TrimBlanks(text);
    if (password.size() < MinPasswordLength || password.size() > MaxPasswordLength)
        return false;
    for (QChar c : password) {
        if (!isPasswordCharacter(c))
            return false;
    }
    return true;
}

QString ScramblePassword(const QString &text)
{
    const QString password = TrimBlanks(text);
    QString stored;
    stored.reserve(password.size() * 2);
    for (QChar c : password) {
        QChar filler;
        do {
            filler = QChar(char16_t(RandomInteger('0', 'z')));
        } while (!isPasswordCharacter(filler));
        stored.append(filler);
        stored.append(c);
    }
    return stored;
}

QString UnscramblePassword(const QString &stored)
{
    const QString form = TrimBlanks(stored);
    QString password;
    password.reserve(form.size() / 2);
    for (qsizetype i = 1; i < form.size(); i += 2)
        password.append(form.at(i));
    return password;
}

bool PasswordMatches(const UserRecord &user, const QString &typed)
{
    // An empty stored form (a damaged record) never lets anybody in.
    const QString password = UnscramblePassword(user.Password);
    return !password.isEmpty() && password == typed;
}
