// A workstation adding users: adds COUNT users named FIRST 1 .. FIRST COUNT
// to the user file of the data folder DIR, each with its log line, and
// prints "DONE", or the first failure and exits with 1.
//   users_add DIR FIRST COUNT
#include "ToolStart.h"
#include "core/common/Globals.h"
#include "core/users/UserFile.h"

#include <QCoreApplication>
#include <cstdio>

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const QStringList args = QCoreApplication::arguments();
    if (!StartTool(args, 4, 4, 1, "users_add DIR FIRST COUNT"))
        return 2;
    const int count = args.at(3).toInt();
    for (int i = 1; i <= count; ++i) {
        UserRecord user;
        user.FirstName = args.at(2);
        user.LastName = QString::number(i);
        user.Password = ScramblePassword(QStringLiteral("abcd"));
        user.AccessLevel = 1;
        const UserResult r = AppendUser(user);
        if (r != UserResult::Ok) {
            std::printf("FAILED %d: %s\n", i, qPrintable(UserResultTitle(r)));
            return 1;
        }
    }
    std::puts("DONE");
    return 0;
}
