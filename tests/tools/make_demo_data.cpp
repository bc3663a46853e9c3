// make_demo_data DIR [COUNT]: fills the data folder DIR with a demo data
// set: the agency's name and access code, three users of different access
// levels and COUNT sample entries (300 when not given; about a quarter of
// them archived). Refuses a folder that already holds a data set. Needs no
// display.
#include "SampleData.h"
#include "ToolStart.h"
#include "core/common/Globals.h"
#include "core/users/Installation.h"
#include "core/users/UserFile.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <cstdio>

namespace
{

const QString DemoAgency = QStringLiteral("Springfield Police Department");
const QString DemoAccessCode = QStringLiteral("Demo1");
constexpr quint32 DemoSeed = 2026;

struct DemoUser {
    const char *first;
    const char *last;
    const char *password;
    int level;
    const char *comment;
};

const DemoUser DemoUsers[] = {
    {"Pat", "Morgan", "admin1", 4, "Property room supervisor"},
    {"Lee", "Carter", "clerk2", 3, "Evidence clerk"},
    {"Sam", "Rivera", "view3", 1, "Detective, looks items up"},
};

int fail(const QString &text)
{
    std::fprintf(stderr, "make_demo_data: %s\n", qPrintable(text));
    return 1;
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const QStringList args = QCoreApplication::arguments();
    bool countOk = true;
    const int count = args.size() > 2 ? args.at(2).toInt(&countOk) : 300;
    if (args.size() < 2 || args.size() > 3 || !countOk || count < 0 || count > MaxEntryCount) {
        std::fprintf(stderr, "usage: make_demo_data DIR [COUNT]  (COUNT 0..%d)\n", MaxEntryCount);
        return 2;
    }
    if (!QDir().mkpath(args.at(1)))
        return fail(QStringLiteral("can not make the folder ") + args.at(1));
    Tool = std::make_unique<ToolPlace>(QFileInfo(args.at(1)).absoluteFilePath());

    for (const QString &name : {DataFileName, UserFileName, InstallationFileName}) {
        if (QFile::exists(DataPath(Tool->data, name)))
            return fail(DataPath(Tool->data, name) +
                        QStringLiteral(" exists: the folder holds a data set"));
    }

    const InstallationResult installed = SaveInstallation(Tool->data, DemoAgency, DemoAccessCode);
    if (installed != InstallationResult::Ok)
        return fail(InstallationResultTitle(installed));

    for (const DemoUser &u : DemoUsers) {
        UserRecord user;
        user.FirstName = QString::fromLatin1(u.first);
        user.LastName = QString::fromLatin1(u.last);
        user.Password = ScramblePassword(QString::fromLatin1(u.password));
        user.AccessLevel = qint16(u.level);
        user.Comments = QString::fromLatin1(u.comment);
        const UserResult added = AppendUser(Tool->data, user);
        if (added != UserResult::Ok)
            return fail(UserResultTitle(added));
    }

    if (!SampleData::WriteDataFile(DataPath(Tool->data, DataFileName), count, DemoSeed))
        return fail(QStringLiteral("can not write ") + DataPath(Tool->data, DataFileName));

    std::printf("%s: %s, %d users, %d entries\n", qPrintable(Tool->data.folder()),
                qPrintable(DemoAgency), int(std::size(DemoUsers)), count);
    return 0;
}
