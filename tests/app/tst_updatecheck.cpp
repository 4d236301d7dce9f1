#include "app/UpdateChecker.h"
#include "GuiTestMain.h"

#include "QmdVorma/ApplicationSettingsKeys.h"

#include <QApplication>
#include <QLabel>
#include <QMessageBox>
#include <QSettings>
#include <QSignalSpy>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QtTest>

namespace {

const char RunningId[] = "Vorma/2.1.0.7 (Linux; x86_64)";

// Answers every request on 127.0.0.1 with one fixed response and counts
// the requests; nothing ever leaves the machine.
class FakeUpdateServer : public QTcpServer
{
public:
    QByteArray response;
    int requests = 0;
    QByteArray lastRequest;

    FakeUpdateServer()
    {
        listen(QHostAddress::LocalHost);
        connect(this, &QTcpServer::newConnection, this, [this] {
            while (QTcpSocket *socket = nextPendingConnection()) {
                connect(socket, &QTcpSocket::readyRead, socket, [this, socket] {
                    lastRequest += socket->readAll();
                    if (!lastRequest.contains("\r\n\r\n"))
                        return;
                    ++requests;
                    socket->write(response);
                    socket->disconnectFromHost();
                });
            }
        });
    }

    QUrl url() const { return QUrl(QStringLiteral("http://127.0.0.1:%1").arg(serverPort())); }
};

QByteArray reply(const QByteArray &status, const QByteArray &latest, const QByteArray &heading,
                 const QByteArray &body)
{
    QByteArray text = "HTTP/1.1 " + status + "\r\n";
    if (!latest.isNull())
        text += "lastestVersion: " + latest + "\r\n";
    text += "heading: " + heading + "\r\n";
    text += "Content-Type: text/html\r\nContent-Length: " + QByteArray::number(body.size())
            + "\r\nConnection: close\r\n\r\n" + body;
    return text;
}

} // namespace

class tst_UpdateCheck : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;
    QScopedPointer<QSettings> m_store;

    // Runs one check to its end: the reply gone, or a box open.
    QMessageBox *runCheck(UpdateChecker &checker, bool automatic)
    {
        QSignalSpy finished(&checker, &UpdateChecker::checkFinished);
        checker.checkForUpdate(automatic);
        if (!checker.isBusy())
            return nullptr;
        [&] { QTRY_VERIFY_WITH_TIMEOUT(finished.count() > 0 || checker.messageBox(), 10000); }();
        return checker.messageBox();
    }

    void closeBox(UpdateChecker &checker)
    {
        QMessageBox *box = checker.messageBox();
        QVERIFY(box);
        box->done(QMessageBox::Ok);
        QTRY_VERIFY(!checker.messageBox());
        QVERIFY(!checker.isBusy());
    }

    void makeChecker(UpdateChecker &checker, const FakeUpdateServer &server)
    {
        checker.setServer(server.url());
        checker.setApplicationId(QString::fromLatin1(RunningId));
        checker.setTimeout(3000);
    }

private slots:
    void init()
    {
        m_store.reset(new QSettings(m_dir.filePath(QStringLiteral("store.ini")), QSettings::IniFormat));
        m_store->clear();
    }

    void serversAcceptedOrNot_data()
    {
        QTest::addColumn<QString>("url");
        QTest::addColumn<bool>("accepted");
        QTest::newRow("none") << QString() << false;
        QTest::newRow("https") << "https://updates.invalid" << true;
        QTest::newRow("plain http abroad") << "http://updates.invalid" << false;
        QTest::newRow("plain http loopback") << "http://127.0.0.1:8080" << true;
        QTest::newRow("plain http localhost") << "http://localhost" << true;
        QTest::newRow("plain http ipv6 loopback") << "http://[::1]:80" << true;
        QTest::newRow("other scheme") << "ftp://127.0.0.1" << false;
    }

    void serversAcceptedOrNot()
    {
        QFETCH(QString, url);
        QFETCH(bool, accepted);
        QCOMPARE(UpdateChecker::isAcceptableServer(QUrl(url)), accepted);
    }

    void withoutAServerNothingIsSent()
    {
        FakeUpdateServer server;
        UpdateChecker checker(m_store.data());
        // The repository's build names no server.
        QVERIFY(!checker.isAvailable());
        checker.setServer(QUrl(QStringLiteral("http://updates.invalid")));
        QVERIFY(!checker.isAvailable());
        checker.checkForUpdate(false);
        QVERIFY(!checker.isBusy());
        QTest::qWait(50);
        QCOMPARE(server.requests, 0);
    }

    void automaticCheckAnnouncesEachNewVersionOnce()
    {
        FakeUpdateServer server;
        server.response = reply("200 OK", RunningId, "Up to date", "Nothing new.");
        {
            UpdateChecker checker(m_store.data());
            makeChecker(checker, server);
            QVERIFY(!runCheck(checker, true));
            QCOMPARE(m_store->value(checkForUpdateLatestKnownVersionKey()).toString(), QString(RunningId));
            QVERIFY(server.lastRequest.contains(QByteArray("User-Agent: ") + RunningId));
            QVERIFY(server.lastRequest.startsWith("GET /cgi-bin/update_v1/check_for_update.cgi HTTP/1.1"));
        }

        server.response = reply("200 OK", "Vorma/2.2.0.0 (Linux; x86_64)", "Vorma 2.2 is out", "Get it now.");
        {
            UpdateChecker checker(m_store.data());
            makeChecker(checker, server);
            QMessageBox *box = runCheck(checker, true);
            QVERIFY(box);
            QCOMPARE(box->text(), QStringLiteral("Vorma 2.2 is out\t"));
            QCOMPARE(box->informativeText(), QStringLiteral("Get it now."));
            QCOMPARE(box->windowTitle(), QStringLiteral("Vorma Update"));
            closeBox(checker);
        }
        {
            // The next start hears the same news and keeps quiet.
            UpdateChecker checker(m_store.data());
            makeChecker(checker, server);
            QVERIFY(!runCheck(checker, true));
        }
        QCOMPARE(server.requests, 3);
    }

    void manualCheckAlwaysShowsTheAnswer()
    {
        FakeUpdateServer server;
        server.response = reply("200 OK", RunningId, "You have the latest version", "");
        UpdateChecker checker(m_store.data());
        makeChecker(checker, server);
        for (int i = 0; i < 2; ++i) {
            QMessageBox *box = runCheck(checker, false);
            QVERIFY(box);
            QCOMPARE(box->text(), QStringLiteral("You have the latest version\t"));
            closeBox(checker);
        }
        QCOMPARE(server.requests, 2);
    }

    void serverTextIsPlainText()
    {
        FakeUpdateServer server;
        const QByteArray html = "<html><body><a href=\"http://x.invalid\">click</a></body></html>";
        server.response = reply("200 OK", "Vorma/9", "<b>New</b>", html);
        UpdateChecker checker(m_store.data());
        makeChecker(checker, server);
        QMessageBox *box = runCheck(checker, false);
        QVERIFY(box);
        const auto labels = box->findChildren<QLabel *>();
        QStringList texts;
        for (QLabel *label : labels) {
            if (label->text().isEmpty())
                continue;
            QCOMPARE(label->textFormat(), Qt::PlainText);
            texts << label->text();
        }
        QVERIFY(texts.contains(QString::fromLatin1(html)));
        QVERIFY(texts.contains(QStringLiteral("<b>New</b>\t")));
        closeBox(checker);
    }

    void failures_data()
    {
        QTest::addColumn<QByteArray>("response");
        QTest::addColumn<int>("code");
        QTest::newRow("redirect") << reply("302 Found", "Vorma/9", "Moved", "") << 302;
        QTest::newRow("server error") << reply("500 Internal Server Error", "Vorma/9", "Oops", "")
                                      << int(QNetworkReply::InternalServerError);
        QTest::newRow("garbage") << QByteArray("this is not HTTP\r\n\r\n") << -1;
        QTest::newRow("closed early") << QByteArray() << -1;
        QTest::newRow("huge body")
            << reply("200 OK", "Vorma/9", "Big", QByteArray(UpdateChecker::MaxBodyBytes + 10, 'x'))
            << int(QNetworkReply::OperationCanceledError);
    }

    void failures()
    {
        QFETCH(QByteArray, response);
        QFETCH(int, code);
        FakeUpdateServer server;
        server.response = response;
        UpdateChecker checker(m_store.data());
        makeChecker(checker, server);

        // An automatic check fails in silence and leaves the store alone.
        QVERIFY(!runCheck(checker, true));
        QVERIFY(!checker.isBusy());
        QVERIFY(!m_store->contains(checkForUpdateLatestKnownVersionKey()));

        QMessageBox *box = runCheck(checker, false);
        QVERIFY(box);
        QCOMPARE(box->text(), QStringLiteral("Vorma update check failed\t"));
        QVERIFY(box->informativeText().startsWith(
            QStringLiteral("Please check you network configuration and try again.\n\nCode: ")));
        if (code >= 0)
            QVERIFY(box->informativeText().endsWith(QStringLiteral("Code: %1").arg(code)));
        // The next check waits for the box.
        checker.checkForUpdate(false);
        QCOMPARE(checker.messageBox(), box);
        closeBox(checker);
    }

    void refusedConnection()
    {
        quint16 port;
        {
            QTcpServer closed;
            QVERIFY(closed.listen(QHostAddress::LocalHost));
            port = closed.serverPort();
        }
        UpdateChecker checker(m_store.data());
        checker.setServer(QUrl(QStringLiteral("http://127.0.0.1:%1").arg(port)));
        QVERIFY(!runCheck(checker, true));
        QMessageBox *box = runCheck(checker, false);
        QVERIFY(box);
        QVERIFY(box->informativeText().endsWith(
            QStringLiteral("Code: %1").arg(int(QNetworkReply::ConnectionRefusedError))));
        closeBox(checker);
    }

    void silentServerTimesOut()
    {
        QTcpServer silent;
        QVERIFY(silent.listen(QHostAddress::LocalHost));
        UpdateChecker checker(m_store.data());
        checker.setServer(QUrl(QStringLiteral("http://127.0.0.1:%1").arg(silent.serverPort())));
        checker.setTimeout(300);
        QElapsedTimer clock;
        clock.start();
        QMessageBox *box = runCheck(checker, false);
        QVERIFY(box);
        QVERIFY(clock.elapsed() < 5000);
        closeBox(checker);
    }

    void quickSecondCheckIsIgnored()
    {
        FakeUpdateServer server;
        server.response = reply("200 OK", RunningId, "Same", "");
        UpdateChecker checker(m_store.data());
        makeChecker(checker, server);
        checker.checkForUpdate(false);
        checker.checkForUpdate(false);
        QTRY_VERIFY(checker.messageBox());
        checker.checkForUpdate(false);
        QTest::qWait(50);
        QCOMPARE(server.requests, 1);
        closeBox(checker);
    }
};

VORMA_GUI_TEST_MAIN(tst_UpdateCheck)
#include "tst_updatecheck.moc"
