// Where the data folder comes from: --data-dir, else DataDir in the
// system-wide settings of an installed workstation, else the current folder.
#include "TestFiles.h"
#include "core/common/Startup.h"

#include <QTemporaryDir>
#include <QTest>

class TestDataFolder : public QObject
{
    Q_OBJECT
private slots:
    void configuredDataDir_data()
    {
        QTest::addColumn<QByteArray>("contents");
        QTest::addColumn<QString>("expected"); // "@" stands for the file's folder
        QTest::newRow("absolute") << QByteArray("DataDir=/srv/evidence\n")
                                  << QStringLiteral("/srv/evidence");
        QTest::newRow("blanks, CR LF, trailing separator")
            << QByteArray("  DataDir =  /srv/evidence/  \r\n") << QStringLiteral("/srv/evidence");
        QTest::newRow("comments and a section first")
            << QByteArray("# shared folder\n; old: /mnt/x\n[General]\nOther=1\nDataDir=/mnt/ev\n")
            << QStringLiteral("/mnt/ev");
        QTest::newRow("commas and blanks stay in the name")
            << QByteArray("DataDir=\"/srv/room 2, shelf A\"\n")
            << QStringLiteral("/srv/room 2, shelf A");
        QTest::newRow("relative to the file's folder")
            << QByteArray("DataDir=evidence/../data\n") << QStringLiteral("@/data");
        QTest::newRow("empty value") << QByteArray("DataDir=\n") << QString();
        QTest::newRow("commented out") << QByteArray("#DataDir=/srv/evidence\n") << QString();
        QTest::newRow("another key only") << QByteArray("DataDirectory=/srv/x\n") << QString();
    }

    void configuredDataDir()
    {
        QFETCH(QByteArray, contents);
        QFETCH(QString, expected);
        QTemporaryDir dir;
        const QString config = dir.filePath(QStringLiteral("custorin.conf"));
        writeFile(config, contents);
        expected.replace(QLatin1Char('@'), dir.path());
        QCOMPARE(ConfiguredDataDir(config), expected);
    }

    void commandLineWinsOverSettings()
    {
        QTemporaryDir dir;
        const QString config = dir.filePath(QStringLiteral("custorin.conf"));
        QCOMPARE(ParseCommandLine({}, QStringLiteral("/work/here"), config).dataDir,
                 QStringLiteral("/work/here")); // no settings file
        writeFile(config, "DataDir=/srv/evidence\n");
        QCOMPARE(ParseCommandLine({}, QStringLiteral("/work/here"), config).dataDir,
                 QStringLiteral("/srv/evidence"));
        QCOMPARE(ParseCommandLine({QStringLiteral("--data-dir"), QStringLiteral("mine")},
                                  QStringLiteral("/work/here"), config)
                     .dataDir,
                 QStringLiteral("/work/here/mine"));
        QCOMPARE(ParseCommandLine({QStringLiteral("--data-dir=/x/y/")}, QStringLiteral("/"), config)
                     .dataDir,
                 QStringLiteral("/x/y"));
    }
};

QTEST_GUILESS_MAIN(TestDataFolder)
#include "tst_datafolder.moc"
