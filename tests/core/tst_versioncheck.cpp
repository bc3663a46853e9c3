// The fetch of the newest version text from a server on 127.0.0.1 (nothing
// else is contacted): what is asked, the answer, the ways it fails.
#include "LocalHttpServer.h"
#include "core/rules/VersionCheck.h"

#include <QSignalSpy>
#include <QtTest>

namespace
{

// "ok:<text>", "failed" or why there was no answer (bounded wait).
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
        const QList<QByteArray> head = server.requests().first().split('\n');
        QCOMPARE(head.first(),
                 QByteArray("GET /VersionInfo/LatestVersion-Custorin.txt HTTP/1.1\r"));
        QVERIFY(head.contains("Host: " + server.address().toLatin1() + "\r"));
        // An address with "http://", a folder and a trailing slash.
        QCOMPARE(answer(check, server, "http://" + server.address() + "/custorin/"),
                 QStringLiteral("ok:9.12.3\r\n"));
        QVERIFY(server.requests().last().startsWith(
            "GET /custorin/VersionInfo/LatestVersion-Custorin.txt HTTP/1.1\r\n"));
        // Nothing is asked without an address.
        QVERIFY(!check.start("   ") && !check.start("http://"));
        QCOMPARE(server.requests().size(), 2);
    }

    void failuresAndDroppedRequests()
    {
        VersionCheck check;
        LocalHttpServer server;
        QVERIFY(server.listen());
        // An HTTP error, an overlong answer, 3xx without a place to go.
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

        // A request dropped, or a check destroyed while asking: no answer.
        QSignalSpy spy(&check, &VersionCheck::finished);
        QVERIFY(check.start(server.address()));
        QTRY_COMPARE_WITH_TIMEOUT(server.requests().size(), 7, 10000);
        check.abort();
        auto *second = new VersionCheck;
        QSignalSpy secondSpy(second, &VersionCheck::finished);
        QVERIFY(second->start(server.address()));
        QTRY_COMPARE_WITH_TIMEOUT(server.requests().size(), 8, 10000);
        delete second;
        QTest::qWait(400);
        QVERIFY(spy.isEmpty() && secondSpy.isEmpty());
    }
};

QTEST_GUILESS_MAIN(TestVersionCheck)
#include "tst_versioncheck.moc"
