#ifndef APP_UPDATECHECKER_H
#define APP_UPDATECHECKER_H

#include <QByteArray>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QUrl>

class QAuthenticator;
#include <QMessageBox>
class QNetworkAccessManager;
class QNetworkReply;
class QSettings;

// Asks the update server whether a newer version exists. One check runs at
// a time: a reply lives until the message box that shows it is closed, and
// a check asked for meanwhile is ignored.
//
// The server is a build-time setting. Without one nothing is ever sent; a
// plain-HTTP server is accepted only on the loopback address, so a build
// can't leak its user agent or credentials over the open network.
class UpdateChecker : public QObject
{
    Q_OBJECT

public:
    // The body is read up to this many bytes; a longer one fails the check.
    static constexpr qint64 MaxBodyBytes = 64 * 1024;
    static constexpr int DefaultTimeoutMs = 30000;

    // `store` receives the latest version the server named; not owned.
    explicit UpdateChecker(QSettings *store, QObject *parent = nullptr);

    // The server of this build, empty when none was configured or the
    // configured one is not acceptable.
    static QUrl configuredServer();
    // Whether `server` may be asked: HTTPS anywhere, HTTP on loopback only.
    static bool isAcceptableServer(const QUrl &server);

    // Tests point the checker at their own loopback server.
    void setServer(const QUrl &server);
    QUrl server() const { return m_server; }
    void setCredentials(const QString &user, const QString &password);
    void setTimeout(int msecs) { m_timeoutMs = msecs; }
    // The running program's id, as the User-Agent and the version compared.
    void setApplicationId(const QString &id) { m_applicationId = id; }

    bool isAvailable() const { return m_server.isValid() && !m_server.isEmpty(); }
    bool isBusy() const { return !m_reply.isNull(); }
    // The box of the last finished check, while it is open.
    QMessageBox *messageBox() const { return m_box; }

public slots:
    void checkForUpdate(bool automatic);
    void checkForUpdate();

signals:
    // A check ended and its reply is gone; nothing more will follow.
    void checkFinished();

private slots:
    void onNetworkAuthenticationRequired(QNetworkReply *reply, QAuthenticator *authenticator);
    void onNetworkReplyReadyRead();
    void onNetworkReplyFinished();

private:
    void showBox(const QString &text, const QString &informativeText);
    void discardReply();

    QSettings *m_store;
    QPointer<QNetworkAccessManager> m_networkManager;
    QPointer<QNetworkReply> m_reply;
    QPointer<QMessageBox> m_box;
    bool m_automatic = false;
    bool m_bodyTooLong = false;
    QByteArray m_body;
    QUrl m_server;
    QString m_user;
    QString m_password;
    QString m_applicationId;
    int m_timeoutMs = DefaultTimeoutMs;
};

#endif
