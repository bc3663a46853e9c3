#include "core/rules/VersionCheck.h"

#include "core/rules/TitleRules.h"

#include <QHostAddress>
#include <QNetworkAccessManager>
#include <QNetworkProxy>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QTimer>
#include <QUrl>

VersionCheck::VersionCheck(QObject *parent)
    : QObject(parent), m_manager(new QNetworkAccessManager(this)), m_timer(new QTimer(this))
{
    m_timer->setSingleShot(true);
    connect(m_timer, &QTimer::timeout, this, [this] {
        if (!m_reply)
            return;
        m_timedOut = true;
        m_reply->abort(); // finishes the reply with an error
    });
}

VersionCheck::~VersionCheck()
{
    drop();
}

bool VersionCheck::start(const QString &siteAddress)
{
    drop();
    const QString site = NormalizedSiteAddress(siteAddress);
    if (site.isEmpty())
        return false;
    const QUrl url(VersionTextUrl(site), QUrl::StrictMode);
    if (!url.isValid() || url.host().isEmpty())
        return false;

    // A site on this computer is asked directly, whatever proxy is set up.
    QHostAddress host;
    if (url.host() == QLatin1String("localhost") ||
        (host.setAddress(url.host()) && host.isLoopback()))
        m_manager->setProxy(QNetworkProxy::NoProxy);
    else
        m_manager->setProxy(QNetworkProxy::DefaultProxy);

    QNetworkRequest request(url);
    request.setAttribute(QNetworkRequest::RedirectPolicyAttribute,
                         QNetworkRequest::SameOriginRedirectPolicy);
    request.setAttribute(QNetworkRequest::CacheLoadControlAttribute,
                         QNetworkRequest::AlwaysNetwork);
    request.setMaximumRedirectsAllowed(3);
    m_timedOut = false;
    m_reply = m_manager->get(request);
    QNetworkReply *reply = m_reply;
    connect(reply, &QNetworkReply::downloadProgress, this, [reply](qint64 received, qint64) {
        if (received > MaxAnswerBytes)
            reply->abort();
    });
    connect(reply, &QNetworkReply::finished, this, &VersionCheck::replyFinished);
    m_timer->start(m_timeoutMs);
    return true;
}

bool VersionCheck::isRunning() const
{
    return m_reply != nullptr;
}

void VersionCheck::abort()
{
    drop();
}

void VersionCheck::drop()
{
    m_timer->stop();
    if (QNetworkReply *reply = m_reply) {
        m_reply = nullptr;
        reply->disconnect(this);
        reply->abort();
        reply->deleteLater();
    }
}

void VersionCheck::replyFinished()
{
    QNetworkReply *reply = m_reply;
    if (!reply || sender() != reply)
        return;
    m_timer->stop();
    m_reply = nullptr;
    reply->deleteLater();

    const int status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    bool ok =
        !m_timedOut && reply->error() == QNetworkReply::NoError && status >= 200 && status < 300;
    QByteArray body;
    if (ok) {
        body = reply->read(MaxAnswerBytes + 1);
        if (body.size() > MaxAnswerBytes) {
            ok = false;
            body.clear();
        }
    }
    emit finished(ok, body);
}
