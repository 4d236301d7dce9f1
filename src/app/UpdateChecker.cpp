#include "app/UpdateChecker.h"

#include "QmdVorma/ApplicationSettingsKeys.h"

#include <QAuthenticator>
#include <QHostAddress>
#include <QLabel>
#include <QMessageBox>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QSettings>
#include <QTimer>

#ifndef VORMA_UPDATE_SERVER
#define VORMA_UPDATE_SERVER ""
#endif
#ifndef VORMA_UPDATE_USER
#define VORMA_UPDATE_USER ""
#endif
#ifndef VORMA_UPDATE_PASSWORD
#define VORMA_UPDATE_PASSWORD ""
#endif

namespace {

const char CheckPath[] = "/cgi-bin/update_v1/check_for_update.cgi";

bool isLoopbackHost(const QString &host)
{
    if (host.compare(QLatin1String("localhost"), Qt::CaseInsensitive) == 0)
        return true;
    const QHostAddress address(host);
    return !address.isNull() && address.isLoopback();
}

// Server text is never rendered as rich text: a reply is not trusted to
// carry markup or links.
void makePlainText(QMessageBox *box)
{
    box->setTextFormat(Qt::PlainText);
    const auto labels = box->findChildren<QLabel *>();
    for (QLabel *label : labels)
        label->setTextFormat(Qt::PlainText);
}

} // namespace

UpdateChecker::UpdateChecker(QSettings *store, QObject *parent)
    : QObject(parent), m_store(store), m_server(configuredServer()),
      m_user(QStringLiteral(VORMA_UPDATE_USER)), m_password(QStringLiteral(VORMA_UPDATE_PASSWORD))
{
}

QUrl UpdateChecker::configuredServer()
{
    const QUrl server(QStringLiteral(VORMA_UPDATE_SERVER));
    return isAcceptableServer(server) ? server : QUrl();
}

bool UpdateChecker::isAcceptableServer(const QUrl &server)
{
    if (!server.isValid() || server.host().isEmpty())
        return false;
    const QString scheme = server.scheme().toLower();
    if (scheme == QLatin1String("https"))
        return true;
    return scheme == QLatin1String("http") && isLoopbackHost(server.host());
}

void UpdateChecker::setServer(const QUrl &server)
{
    m_server = isAcceptableServer(server) ? server : QUrl();
}

void UpdateChecker::setCredentials(const QString &user, const QString &password)
{
    m_user = user;
    m_password = password;
}

void UpdateChecker::checkForUpdate()
{
    checkForUpdate(false);
}

void UpdateChecker::checkForUpdate(bool automatic)
{
    if (isBusy() || !isAvailable())
        return;
    m_automatic = automatic;
    m_body.clear();
    m_bodyTooLong = false;

    if (!m_networkManager) {
        m_networkManager = new QNetworkAccessManager(this);
        connect(m_networkManager, &QNetworkAccessManager::authenticationRequired, this,
                &UpdateChecker::onNetworkAuthenticationRequired);
    }

    QUrl url = m_server;
    url.setPath(QLatin1String(CheckPath));
    url.setQuery(QString());
    QNetworkRequest request(url);
    request.setHeader(QNetworkRequest::UserAgentHeader, m_applicationId.toUtf8());
    // A redirect could lead off the configured server; it counts as a failure.
    request.setAttribute(QNetworkRequest::RedirectPolicyAttribute, QNetworkRequest::ManualRedirectPolicy);
    request.setTransferTimeout(m_timeoutMs);

    QNetworkReply *reply = m_networkManager->get(request);
    m_reply = reply;
    connect(reply, &QNetworkReply::readyRead, this, &UpdateChecker::onNetworkReplyReadyRead);
    connect(reply, &QNetworkReply::finished, this, &UpdateChecker::onNetworkReplyFinished);
    // The transfer time-out only notices silence; a server that trickles
    // endless headers is cut off by this overall limit.
    QTimer::singleShot(2 * m_timeoutMs, reply, [reply] {
        if (reply->isRunning())
            reply->abort();
    });
}

void UpdateChecker::onNetworkAuthenticationRequired(QNetworkReply *reply, QAuthenticator *authenticator)
{
    // Leaving the authenticator empty makes the reply fail. Credentials go
    // only over HTTPS, and only once: a second challenge means refused.
    if (reply != m_reply || m_user.isEmpty()
        || reply->url().scheme().compare(QLatin1String("https"), Qt::CaseInsensitive) != 0
        || authenticator->user() == m_user)
        return;
    authenticator->setUser(m_user);
    authenticator->setPassword(m_password);
}

void UpdateChecker::onNetworkReplyReadyRead()
{
    if (!m_reply || m_bodyTooLong)
        return;
    m_body += m_reply->read(MaxBodyBytes + 1 - m_body.size());
    if (m_body.size() > MaxBodyBytes) {
        m_bodyTooLong = true;
        m_reply->abort();
    }
}

void UpdateChecker::onNetworkReplyFinished()
{
    if (!m_reply)
        return;
    onNetworkReplyReadyRead();

    const int status = m_reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    const bool failed = m_reply->error() != QNetworkReply::NoError || m_bodyTooLong
                        || status < 200 || status > 299;
    if (failed) {
        if (m_automatic) {
            discardReply();
            return;
        }
        // A wrong status (a redirect above all) is no network error; its
        // HTTP code is then the one worth reporting.
        const int code = m_reply->error() != QNetworkReply::NoError ? int(m_reply->error()) : status;
        showBox(tr("Vorma update check failed\t"),
                tr("%1\n\nCode: %2")
                    .arg(tr("Please check you network configuration and try again."))
                    .arg(code));
        return;
    }

    const QString latest = QString::fromLatin1(m_reply->rawHeader("lastestVersion"));
    const QString known = m_store ? m_store->value(checkForUpdateLatestKnownVersionKey()).toString() : QString();
    if (m_store)
        m_store->setValue(checkForUpdateLatestKnownVersionKey(), latest);

    if (!m_automatic || (latest != known && latest != m_applicationId)) {
        showBox(QString::fromLatin1(m_reply->rawHeader("heading")) + QLatin1Char('\t'),
                QString::fromLatin1(m_body));
        return;
    }
    discardReply();
}

void UpdateChecker::showBox(const QString &text, const QString &informativeText)
{
    auto *box = new QMessageBox;
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->setIcon(QMessageBox::Information);
    box->setWindowTitle(tr("Vorma Update"));
    box->setStandardButtons(QMessageBox::Ok);
    box->setText(text);
    box->setInformativeText(informativeText);
    makePlainText(box);
    // The reply goes with the box, so no new check starts while it shows.
    connect(box, &QMessageBox::finished, this, &UpdateChecker::discardReply);
    m_box = box;
    box->open();
}

void UpdateChecker::discardReply()
{
    if (m_reply) {
        m_reply->disconnect(this);
        m_reply->deleteLater();
        m_reply = nullptr;
    }
    emit checkFinished();
}
