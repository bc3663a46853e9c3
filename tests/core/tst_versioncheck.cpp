// The background fetch of the newest version text, against a server on
// this computer: what is asked, the answer passed on, and every way the
// request can fail. Nothing but 127.0.0.1 is ever contacted.
#include "LocalHttpServer.h"
#include "core/rules/VersionCheck.h"

#include <QSignalSpy>
#include <QtTest>

namespace
{

// Starts a check against a server giving response; "ok:<text>" or
// "failed" (bounded wait).
QString answer(VersionCheck &check, LocalHttpServer &server, const QString &address = QString())
{
    QSignalSpy spy(&check, &VersionCheck::finished);
    if (!check.start(address.isEmpty() ? server.address() : address))
        return QStringLiteral("not started");
    if (spy.isEmpty() && !spy.wait(10000))
        return QStringLiteral("no answer");
    const QList<QVariant> args = spy.takeFirst();
    return args.at(0).toBool() ? "ok:" + QString::fromLatin1(args.at(1).toByteArray())
                               : QStringLiteral("failed") + (args.at(1).toByteArray().isEmpty()
                                                                 ? QString()
                                                                 : QStringLiteral(" with text"));
}

} // namespace

class TestVersionCheck : public QObject
{
    Q_OBJECT
private slots:
    void fetchesTheVersionText()
    {
        LocalHttpServer server;
        QVERIFY(server.listen());
        server.setResponse(LocalHttpServer::response(200, "9.12.3\r\n"));
        VersionCheck check;
        QCOMPARE(answer(check, server), QStringLiteral("ok:9.12.3\r\n"));
        QVERIFY(!check.isRunning());
        const QList<QByteArray> head = server.requests().first().split('\n');
        QCOMPARE(head.first(),
                 QByteArray("GET /VersionInfo/LatestVersion-Custorin.txt HTTP/1.1\r"));
        QVERIFY(head.contains("Host: " + server.address().toLatin1() + "\r"));
        // The address as a person might write it: with "http://", a folder
        // on the site and a trailing slash.
        QCOMPARE(answer(check, server, "http://" + server.address() + "/custorin/"),
                 QStringLiteral("ok:9.12.3\r\n"));
        QVERIFY(server.requests().last().startsWith(
            "GET /custorin/VersionInfo/LatestVersion-Custorin.txt HTTP/1.1\r\n"));
        QCOMPARE(server.requests().size(), 2);
        server.setResponse(LocalHttpServer::response(200, QByteArray()));
        QCOMPARE(answer(check, server), QStringLiteral("ok:"));
        // Nothing is asked without an address.
        for (const char *address : {"   ", "http://"})
            QCOMPARE(answer(check, server, address), QStringLiteral("not started"));
        QVERIFY(!check.start(QString()));
        QCOMPARE(server.requests().size(), 3);
    }

    void failures()
    {
        VersionCheck check;
        LocalHttpServer server;
        QVERIFY(server.listen());
        // An HTTP error; an answer far longer than a version text; answers
        // of the 3xx kind without a place to go.
        for (const auto &[status, body] : QList<QPair<int, QByteArray>>{
                 {404, "9.99.9"}, {200, QByteArray(20000, '9')}, {300, "9.99.9"}, {304, ""}}) {
            server.setResponse(LocalHttpServer::response(status, body));
            QVERIFY2(answer(check, server) == "failed", qPrintable(QString::number(status)));
        }
        // A redirection to another site is not followed.
        LocalHttpServer other;
        QVERIFY(other.listen());
        other.setResponse(LocalHttpServer::response(200, "9.99.9"));
        server.setResponse(LocalHttpServer::response(
            302, QByteArray(), "Location: http://" + other.address().toLatin1() + "/x.txt\r\n"));
        QCOMPARE(answer(check, server), QStringLiteral("failed"));
        QCOMPARE(other.connectionCount(), 0);
        // No answer: the check gives up after its time.
        server.setSilent(true);
        check.setTimeoutMs(300);
        QCOMPARE(answer(check, server), QStringLiteral("failed"));
        // Nobody listening any more.
        const QString address = server.address();
        server.close();
        QCOMPARE(answer(check, server, address), QStringLiteral("failed"));
    }

    void droppedRequestsAnswerNothing()
    {
        LocalHttpServer server;
        QVERIFY(server.listen());
        server.setSilent(true);
        VersionCheck check;
        QSignalSpy spy(&check, &VersionCheck::finished);
        QVERIFY(check.start(server.address()));
        QTRY_COMPARE_WITH_TIMEOUT(server.requests().size(), 1, 10000);
        check.abort();
        QVERIFY(!check.isRunning());

        // Asking again drops the first request; only the second answers.
        server.setSilent(false);
        server.setResponse(LocalHttpServer::response(200, "9.12"));
        auto *second = new VersionCheck;
        QSignalSpy secondSpy(second, &VersionCheck::finished);
        QVERIFY(second->start(server.address()));
        QVERIFY(secondSpy.isEmpty()); // nothing waits for the answer
        QCOMPARE(answer(*second, server), QStringLiteral("ok:9.12"));
        // A check destroyed while asking stays silent.
        QVERIFY(second->start(server.address()));
        delete second;
        QTest::qWait(100);
        QVERIFY(spy.isEmpty());
        QCOMPARE(secondSpy.size(), 1);
    }
};

QTEST_GUILESS_MAIN(TestVersionCheck)
#include "tst_versioncheck.moc"
