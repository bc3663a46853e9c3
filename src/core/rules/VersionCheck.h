// Fetches the newest version text from the installation's update address,
// in the background: the request never holds up a window, gives up after a
// bounded time, and answers once through finished().
#pragma once

#include <QByteArray>
#include <QObject>
#include <QPointer>

class QNetworkAccessManager;
class QNetworkReply;
class QTimer;

class VersionCheck : public QObject
{
    Q_OBJECT
public:
    explicit VersionCheck(QObject *parent = nullptr);
    ~VersionCheck() override;

    // The longest wait for the whole answer (milliseconds).
    static constexpr int DefaultTimeoutMs = 10000;
    // The longest answer read; a longer one is no version text.
    static constexpr qint64 MaxAnswerBytes = 4096;

    void setTimeoutMs(int ms) { m_timeoutMs = ms; }
    int timeoutMs() const { return m_timeoutMs; }

    // Asks for the version text of the site (an address as the installation
    // gives it, see NormalizedSiteAddress). False when there is no site to
    // ask: nothing is sent and finished() is not emitted. Asking again
    // drops a request still running.
    bool start(const QString &siteAddress);
    bool isRunning() const;
    // Drops the request; finished() is not emitted for it.
    void abort();

signals:
    // ok is false when the request failed (no connection, an HTTP error, a
    // redirection away from plain HTTP, no answer in time, an answer
    // longer than MaxAnswerBytes); body is what was received when ok.
    void finished(bool ok, const QByteArray &body);

private:
    void replyFinished();
    void drop();

    QNetworkAccessManager *m_manager = nullptr;
    QPointer<QNetworkReply> m_reply;
    QTimer *m_timer = nullptr;
    int m_timeoutMs = DefaultTimeoutMs;
    bool m_timedOut = false;
};
