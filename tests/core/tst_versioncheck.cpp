// The background fetch of the newest version text, against a server on
// this computer: what is asked, the answer passed on, and every way the
// request can fail (an HTTP error, no answer in time, nobody listening, an
// answer too long, a redirection to another site). Nothing but 127.0.0.1
// is ever contacted.
#include "LocalHttpServer.h"
#include "core/rules/VersionCheck.h"

#include <QSignalSpy>
#include <QtTest>

namespace
{

// Waits for the one answer of a check (bounded) and returns its arguments.
QList<QVariant> answerOf(QSignalSpy &spy)
{
    if (spy.isEmpty() && !spy.wait(10000))
        return {};
    return spy.takeFirst();
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
        QSignalSpy spy(&check, &VersionCheck::finished);
        QVERIFY(check.start(server.address()));
        QVERIFY(check.isRunning());
        QVERIFY(spy.isEmpty()); // nothing waits for the answer
        const QList<QVariant> answer = answerOf(spy);
        QCOMPARE(answer.size(), 2);
        QCOMPARE(answer.at(0).toBool(), true);
        QCOMPARE(answer.at(1).toByteArray(), QByteArray("9.12.3\r\n"));
        QVERIFY(!check.isRunning());

        QCOMPARE(server.requests().size(), 1);
        const QList<QByteArray> head = server.requests().first().split('\n');
        QCOMPARE(head.first().trimmed(),
                 QByteArray("GET /VersionInfo/LatestVersion-Custorin.txt HTTP/1.1"));
        QVERIFY(head.contains("Host: " + server.address().toLatin1() + "\r"));

        // The address as a person might write it: with "http://" and a
        // trailing slash, and a folder on the site.
        QVERIFY(check.start(QStringLiteral("http://") + server.address() +
                            QStringLiteral("/custorin/")));
        QCOMPARE(answerOf(spy).at(0).toBool(), true);
        QVERIFY(server.requests().last().startsWith(
            "GET /custorin/VersionInfo/LatestVersion-Custorin.txt HTTP/1.1\r\n"));
        QTest::qWait(50);
        QVERIFY(spy.isEmpty()); // one answer per request
    }

    void emptyAnswerIsPassedOn()
    {
        LocalHttpServer server;
        QVERIFY(server.listen());
        server.setResponse(LocalHttpServer::response(200, QByteArray()));
        VersionCheck check;
        QSignalSpy spy(&check, &VersionCheck::finished);
        QVERIFY(check.start(server.address()));
        const QList<QVariant> answer = answerOf(spy);
        QCOMPARE(answer.at(0).toBool(), true);
        QVERIFY(answer.at(1).toByteArray().isEmpty());
    }

    void failures()
    {
        VersionCheck check;
        QSignalSpy spy(&check, &VersionCheck::finished);

        // An HTTP error.
        {
            LocalHttpServer server;
            QVERIFY(server.listen());
            server.setResponse(LocalHttpServer::response(404, "9.99.9"));
            QVERIFY(check.start(server.address()));
            const QList<QVariant> answer = answerOf(spy);
            QCOMPARE(answer.at(0).toBool(), false);
            QVERIFY(answer.at(1).toByteArray().isEmpty());
        }
        // An answer far longer than a version text.
        {
            LocalHttpServer server;
            QVERIFY(server.listen());
            server.setResponse(LocalHttpServer::response(200, QByteArray(20000, '9')));
            QVERIFY(check.start(server.address()));
            QCOMPARE(answerOf(spy).at(0).toBool(), false);
        }
        // Nobody listening any more.
        {
            LocalHttpServer server;
            QVERIFY(server.listen());
            const QString address = server.address();
            server.close();
            QVERIFY(check.start(address));
            QCOMPARE(answerOf(spy).at(0).toBool(), false);
        }
        // No answer: the check gives up after its time.
        {
            LocalHttpServer server;
            QVERIFY(server.listen());
            server.setSilent(true);
            check.setTimeoutMs(300);
            QVERIFY(check.start(server.address()));
            QCOMPARE(answerOf(spy).at(0).toBool(), false);
            QCOMPARE(server.requests().size(), 1);
            check.setTimeoutMs(VersionCheck::DefaultTimeoutMs);
        }
        // A redirection to another site is not followed.
        {
            LocalHttpServer other;
            QVERIFY(other.listen());
            other.setResponse(LocalHttpServer::response(200, "9.99.9"));
            LocalHttpServer server;
            QVERIFY(server.listen());
            server.setResponse(LocalHttpServer::response(
                302, QByteArray(),
                "Location: http://" + other.address().toLatin1() + "/elsewhere.txt\r\n"));
            QVERIFY(check.start(server.address()));
            QCOMPARE(answerOf(spy).at(0).toBool(), false);
            QCOMPARE(other.connectionCount(), 0);
        }
        // Other answers of the 3xx kind, without a place to go, are no text.
        for (int status : {300, 304}) {
            LocalHttpServer server;
            QVERIFY(server.listen());
            server.setResponse(LocalHttpServer::response(status, "9.99.9"));
            QVERIFY(check.start(server.address()));
            QVERIFY2(!answerOf(spy).at(0).toBool(), qPrintable(QString::number(status)));
        }
        QTest::qWait(50);
        QVERIFY(spy.isEmpty());
    }

    void nothingAskedWithoutAnAddress()
    {
        VersionCheck check;
        QSignalSpy spy(&check, &VersionCheck::finished);
        QVERIFY(!check.start(QString()));
        QVERIFY(!check.start(QStringLiteral("   ")));
        QVERIFY(!check.start(QStringLiteral("http://")));
        QVERIFY(!check.isRunning());
        QTest::qWait(50);
        QVERIFY(spy.isEmpty());
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
        QVERIFY(second->start(server.address()));
        QCOMPARE(answerOf(secondSpy).at(1).toByteArray(), QByteArray("9.12"));
        // A check destroyed while asking stays silent.
        QVERIFY(second->start(server.address()));
        delete second;
        QTest::qWait(100);
        QVERIFY(spy.isEmpty());
        QVERIFY(secondSpy.isEmpty());
    }
};

QTEST_GUILESS_MAIN(TestVersionCheck)
#include "tst_versioncheck.moc"
