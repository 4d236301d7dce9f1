// The application's windows and shared dialogs, with the application as the
// program makes it, started without documents.

#include "QmdVorma/ApplicationSettingsKeys.h"
#include "QmdVorma/DocumentKeys.h"
#include "QmdVorma/QmdVormaController.h"
#include "app/HelpLinks.h"
#include "app/VormaApplication.h"
#include "app/VormaWindow.h"
#include "widgets/ApplicationServices.h"

#include "GuiTestMain.h"
#include "Qmd/QmdTestSupport.h"
#include "app/AppTestSupport.h"
#include "app/PrivateSessionBus.h"

#include <QColorDialog>
#include <QDesktopServices>
#include <QDir>
#include <QFontDialog>
#include <QSettings>
#include <QSplashScreen>
#include <QTemporaryDir>
#include <QtTest>

namespace Keys = QmdVorma::Keys;

namespace {

// A client of a shared dialog: counts what it is handed.
class Client : public QObject
{
    Q_OBJECT

public:
    QList<QColor> colors;
    QList<QFont> fonts;

public slots:
    void takeColor(const QColor &color) { colors << color; }
    void takeFont(const QFont &font) { fonts << font; }
};

// Catches what the desktop would open.
class UrlCatcher : public QObject
{
    Q_OBJECT

public:
    UrlCatcher()
    {
        for (const char *scheme : {"file", "http", "https", "mailto"})
            QDesktopServices::setUrlHandler(QLatin1String(scheme), this, "open");
    }
    ~UrlCatcher() override
    {
        for (const char *scheme : {"file", "http", "https", "mailto"})
            QDesktopServices::unsetUrlHandler(QLatin1String(scheme));
    }

    QList<QUrl> urls;

public slots:
    void open(const QUrl &url) { urls << url; }
};

} // namespace

class TestDocumentWindows : public QObject
{
    Q_OBJECT

public:
    TestDocumentWindows(VormaApplication *app, const QString &folder)
        : m_app(app)
        , m_folder(folder)
    {
    }

private slots:
    void initTestCase();

    void editedStartUpWindowIsNotReused();
    void openingAnOpenDocumentOnlyActivatesIt_data();
    void openingAnOpenDocumentOnlyActivatesIt();
    void samePathTwiceInOneCallOpensOneWindow();
    void missingPathIsSkipped();
    void saveAllSavesEveryWindow();
    void cancelledOpenDialogStillStoresItsGeometry();
    void failedLastWindowLeavesAnUntitledOneThatIsReused();

    void secondClientCutsOffTheFirst();
    void updateDoesNotCallTheClientBack();
    void fontDialogServesOneClientToo();

    void helpOpensTheManualBesideTheProgram();
    void helpAddresses();
    void webAddressesAreHttpsOnly_data();
    void webAddressesAreHttpsOnly();
    void aboutShowsTheStartUpSplash();

    void exitAsksEveryWindowAndEndsTheLoop();

private:
    QString path(const QString &name) const { return QDir(m_folder).filePath(name); }
    VormaWindow *windowOf(const QString &file) const;

    VormaApplication *m_app;
    QString m_folder;
    MessageBoxAnswerer m_answerer{QMessageBox::Ok};
};

VormaWindow *TestDocumentWindows::windowOf(const QString &file) const
{
    for (VormaWindow *window : m_app->windows()) {
        if (window->controller()->fileName() == file)
            return window;
    }
    return nullptr;
}

void TestDocumentWindows::initTestCase()
{
    QTRY_VERIFY(m_app->isUserInterfaceLoaded());
    settle();
    // Widget dialogs, so the test can answer them.
    QCoreApplication::setAttribute(Qt::AA_DontUseNativeDialogs);
    const QString every = QStringLiteral(VORMA_TEST_DATA_DIR "/vorma/every-key.vrm");
    QVERIFY(QDir(m_folder).mkpath(QStringLiteral("sub")));
    for (const char *name : {"a.vrm", "b.vrm", "c.vrm", "sub/d.vrm"})
        QVERIFY(QFile::copy(every, path(QLatin1String(name))));
    QVERIFY(writeFile(path(QStringLiteral("bad.vrm")), "not a network"));
}

void TestDocumentWindows::editedStartUpWindowIsNotReused()
{
    QCOMPARE(m_app->windows().size(), 1);
    VormaWindow *untitled = m_app->windows().first();
    QVERIFY(untitled->isMaximized());

    untitled->controller()->requestAddNode(QmdVorma::TickPoint(0, 0));
    settle();
    m_app->openDocument(path(QStringLiteral("a.vrm")));
    QCOMPARE(m_app->windows().size(), 2);
    QVERIFY(untitled->controller()->fileName().isEmpty());
    VormaWindow *opened = windowOf(path(QStringLiteral("a.vrm")));
    QVERIFY(opened);
    // Shown beside another window: not maximised.
    QVERIFY(opened->isVisible());
    QVERIFY(!opened->isMaximized());
}

void TestDocumentWindows::openingAnOpenDocumentOnlyActivatesIt_data()
{
    QTest::addColumn<QString>("given");
    QTest::addColumn<bool>("minimised");
    QTest::newRow("absolute") << path(QStringLiteral("a.vrm")) << false;
    QTest::newRow("relative") << QStringLiteral("a.vrm") << false;
    QTest::newRow("with dot segments") << QStringLiteral("sub/../a.vrm") << false;
    QTest::newRow("minimised window") << path(QStringLiteral("a.vrm")) << true;
}

void TestDocumentWindows::openingAnOpenDocumentOnlyActivatesIt()
{
    QFETCH(QString, given);
    QFETCH(bool, minimised);
    VormaWindow *window = windowOf(path(QStringLiteral("a.vrm")));
    QVERIFY(window);
    if (minimised) {
        window->showMinimized();
        QVERIFY(window->isMinimized());
    }
    const int windows = m_app->windows().size();
    const QString before = QDir::currentPath();
    QDir::setCurrent(m_folder);
    m_app->openDocument(given);
    QDir::setCurrent(before);
    QCOMPARE(m_app->windows().size(), windows);
    QVERIFY(!window->isMinimized());
}

void TestDocumentWindows::samePathTwiceInOneCallOpensOneWindow()
{
    const int windows = m_app->windows().size();
    const QString before = QDir::currentPath();
    QDir::setCurrent(m_folder);
    m_app->openDocuments({path(QStringLiteral("b.vrm")), QStringLiteral("b.vrm")});
    QDir::setCurrent(before);
    QCOMPARE(m_app->windows().size(), windows + 1);
    QVERIFY(windowOf(path(QStringLiteral("b.vrm"))));
}

void TestDocumentWindows::missingPathIsSkipped()
{
    const int windows = m_app->windows().size();
    const int reports = m_answerer.texts.size();
    m_app->openDocuments({path(QStringLiteral("missing.vrm"))});
    settle();
    QCOMPARE(m_app->windows().size(), windows);
    QCOMPARE(m_answerer.texts.size(), reports);
}

void TestDocumentWindows::saveAllSavesEveryWindow()
{
    VormaWindow *a = windowOf(path(QStringLiteral("a.vrm")));
    VormaWindow *b = windowOf(path(QStringLiteral("b.vrm")));
    QVERIFY(a && b);
    for (VormaWindow *window : {a, b})
        window->controller()->requestAddNode(QmdVorma::TickPoint(0, 0));
    settle();
    QVERIFY(!a->controller()->isAtCleanState() && !b->controller()->isAtCleanState());
    // The untitled window asks for a name; it is not given one.
    SaveAsAnswerer cancel;
    m_app->saveAllDocuments();
    settle();
    QCOMPARE(cancel.dialogs, 1);
    QVERIFY(a->controller()->isAtCleanState());
    QVERIFY(b->controller()->isAtCleanState());
}

void TestDocumentWindows::cancelledOpenDialogStillStoresItsGeometry()
{
    const int windows = m_app->windows().size();
    QSettings store;
    store.remove(openDialogGeometryKey());
    SaveAsAnswerer cancel;
    m_app->openDocuments();
    QCOMPARE(cancel.dialogs, 1);
    QCOMPARE(m_app->windows().size(), windows);
    QVERIFY(!store.value(openDialogGeometryKey()).toByteArray().isEmpty());
    QVERIFY(!store.value(openDialogStateKey()).toByteArray().isEmpty());
}

void TestDocumentWindows::failedLastWindowLeavesAnUntitledOneThatIsReused()
{
    // Down to one window.
    while (m_app->windows().size() > 1)
        delete m_app->windows().last();
    QPointer<VormaWindow> last = m_app->windows().first();

    // The bad document gets a window of its own, which reports and closes;
    // with the last other window gone meanwhile, an untitled one is left.
    const int reports = m_answerer.texts.size();
    m_app->openDocument(path(QStringLiteral("bad.vrm")));
    QCOMPARE(m_answerer.texts.size(), reports + 1);
    QPointer<VormaWindow> failed = m_app->windows().last();
    QVERIFY(failed != last);
    delete last;
    QTRY_VERIFY(failed.isNull());
    QCOMPARE(m_app->windows().size(), 1);
    QPointer<VormaWindow> untitled = m_app->windows().first();
    QTRY_VERIFY(untitled->isVisible());
    QVERIFY(untitled->controller()->fileName().isEmpty());
    QVERIFY(untitled->isMaximized());

    // Clean, it takes the next document in place of a new window.
    m_app->openDocument(path(QStringLiteral("c.vrm")));
    QCOMPARE(m_app->windows().size(), 1);
    QCOMPARE(m_app->windows().first(), untitled.data());
    QCOMPARE(untitled->controller()->fileName(), path(QStringLiteral("c.vrm")));
    // Only once: the next opens a window of its own.
    m_app->openDocument(path(QStringLiteral("sub/d.vrm")));
    QCOMPARE(m_app->windows().size(), 2);
}

void TestDocumentWindows::secondClientCutsOffTheFirst()
{
    auto *dialog = qobject_cast<QColorDialog *>(
        [] {
            for (QWidget *widget : QApplication::topLevelWidgets()) {
                if (qobject_cast<QColorDialog *>(widget))
                    return widget;
            }
            return static_cast<QWidget *>(nullptr);
        }());
    QVERIFY(dialog);

    auto *first = new Client;
    Client second;
    ApplicationServices::connectColorDialog(first, SLOT(takeColor(QColor)));
    QCOMPARE(ApplicationServices::colorDialogClient(), static_cast<QObject *>(first));
    ApplicationServices::connectColorDialog(&second, SLOT(takeColor(QColor)));
    QCOMPARE(ApplicationServices::colorDialogClient(), static_cast<QObject *>(&second));
    dialog->setCurrentColor(Qt::red);
    QCOMPARE(first->colors.size(), 0);
    QCOMPARE(second.colors, QList<QColor>{QColor(Qt::red)});

    // The former client going away leaves the current one served.
    delete first;
    QCOMPARE(ApplicationServices::colorDialogClient(), static_cast<QObject *>(&second));
    dialog->setCurrentColor(Qt::blue);
    QCOMPARE(second.colors.size(), 2);

    // The current one going away leaves the dialog serving no one.
    {
        Client third;
        ApplicationServices::connectColorDialog(&third, SLOT(takeColor(QColor)));
    }
    QVERIFY(!ApplicationServices::colorDialogClient());
    dialog->setCurrentColor(Qt::green);
    QCOMPARE(second.colors.size(), 2);
}

void TestDocumentWindows::updateDoesNotCallTheClientBack()
{
    Client client;
    ApplicationServices::connectColorDialog(&client, SLOT(takeColor(QColor)));
    ApplicationServices::updateColorDialog(QColor(10, 20, 30, 40));
    QCOMPARE(client.colors.size(), 0);
    ApplicationServices::disconnectColorDialog();
    QVERIFY(!ApplicationServices::colorDialogClient());
}

void TestDocumentWindows::fontDialogServesOneClientToo()
{
    Client first;
    Client second;
    ApplicationServices::connectFontDialog(&first, SLOT(takeFont(QFont)));
    ApplicationServices::connectFontDialog(&second, SLOT(takeFont(QFont)));
    ApplicationServices::updateFontDialog(QFont(QStringLiteral("Serif"), 20));
    QCOMPARE(second.fonts.size(), 0);

    QVERIFY(!ApplicationServices::isFontDialogVisible());
    ApplicationServices::showFontDialog();
    QVERIFY(ApplicationServices::isFontDialogVisible());
    ApplicationServices::showFontDialog();
    QVERIFY(ApplicationServices::isFontDialogVisible());
    QFont font(QStringLiteral("Sans"), 11);
    for (QWidget *widget : QApplication::topLevelWidgets()) {
        if (auto *dialog = qobject_cast<QFontDialog *>(widget))
            dialog->setCurrentFont(font);
    }
    QCOMPARE(first.fonts.size(), 0);
    QVERIFY(!second.fonts.isEmpty());
    ApplicationServices::disconnectFontDialog();
}

void TestDocumentWindows::helpOpensTheManualBesideTheProgram()
{
    UrlCatcher catcher;
    m_app->openVormaManual();
    QCOMPARE(catcher.urls.size(), 1);
    QCOMPARE(catcher.urls.first(),
             QUrl::fromLocalFile(QCoreApplication::applicationDirPath() + QStringLiteral("/Vorma Manual.pdf")));
    QCOMPARE(catcher.urls.first().toLocalFile().section(QLatin1Char('/'), -1), QStringLiteral("Vorma Manual.pdf"));

    // This build names no web site and no support address: nothing opens.
    m_app->openVormaWebsiteUrl();
    m_app->openVormaCommunityUrl();
    m_app->openVormaSupportUrl();
    if (HelpLinks::configuredWebsite().isEmpty() && HelpLinks::configuredSupportAddress().isEmpty())
        QCOMPARE(catcher.urls.size(), 1);
}

void TestDocumentWindows::helpAddresses()
{
    QCOMPARE(HelpLinks::manualUrl(QStringLiteral("/opt/my progs/bin/../vorma")).toLocalFile(),
             QStringLiteral("/opt/my progs/vorma/Vorma Manual.pdf"));
    QCOMPARE(HelpLinks::websiteUrl(QString()), QUrl());
    QCOMPARE(HelpLinks::communityUrl(QString()), QUrl());
    QCOMPARE(HelpLinks::supportUrl(QString(), QStringLiteral("x")), QUrl());
    QCOMPARE(HelpLinks::websiteUrl(QStringLiteral("https://example.org/")), QUrl(QStringLiteral("https://example.org/")));
    QCOMPARE(HelpLinks::communityUrl(QStringLiteral("https://example.org/home")),
             QUrl(QStringLiteral("https://example.org/community/")));
    const QUrl support =
        HelpLinks::supportUrl(QStringLiteral("help@example.org"), QStringLiteral("Vorma/2.1.0.7 (Linux; x86_64)"));
    QCOMPARE(support.scheme(), QStringLiteral("mailto"));
    QCOMPARE(support.path(), QStringLiteral("help@example.org"));
    // A mail program splitting the query at ';' or '&' still finds one subject.
    QCOMPARE(support.query(QUrl::FullyEncoded),
             QStringLiteral("subject=Vorma%2F2.1.0.7%20%28Linux%3B%20x86_64%29%20Support"));
}

void TestDocumentWindows::webAddressesAreHttpsOnly_data()
{
    QTest::addColumn<QString>("configured");
    QTest::addColumn<bool>("taken");
    QTest::newRow("https") << QStringLiteral("https://example.org/") << true;
    QTest::newRow("https, upper-case scheme") << QStringLiteral(" HTTPS://example.org") << true;
    QTest::newRow("plain http") << QStringLiteral("http://example.org/") << false;
    QTest::newRow("plain http on the loopback") << QStringLiteral("http://127.0.0.1/") << false;
    QTest::newRow("ftp") << QStringLiteral("ftp://example.org/") << false;
    QTest::newRow("local file") << QStringLiteral("file:///etc/passwd") << false;
    QTest::newRow("script") << QStringLiteral("javascript:alert(1)") << false;
    QTest::newRow("no scheme") << QStringLiteral("example.org") << false;
    QTest::newRow("https without host") << QStringLiteral("https:///community/") << false;
}

void TestDocumentWindows::webAddressesAreHttpsOnly()
{
    QFETCH(QString, configured);
    QFETCH(bool, taken);
    const QUrl home = HelpLinks::websiteUrl(configured);
    const QUrl community = HelpLinks::communityUrl(configured);
    QCOMPARE(!home.isEmpty(), taken);
    QCOMPARE(!community.isEmpty(), taken);
    if (taken) {
        QCOMPARE(home.scheme(), QStringLiteral("https"));
        QCOMPARE(community, QUrl(QStringLiteral("https://example.org/community/")));
    }
}

void TestDocumentWindows::aboutShowsTheStartUpSplash()
{
    QSplashScreen *splash = nullptr;
    for (QWidget *widget : QApplication::topLevelWidgets()) {
        if (auto *candidate = qobject_cast<QSplashScreen *>(widget))
            splash = candidate;
    }
    QVERIFY(splash);
    QTRY_VERIFY(!splash->isVisible());
    m_app->showAppAbout();
    QVERIFY(splash->isVisible());
    splash->hide();
    m_app->showAppAbout();
    QVERIFY(splash->isVisible());
    splash->hide();
}

void TestDocumentWindows::exitAsksEveryWindowAndEndsTheLoop()
{
    QVERIFY(m_app->windows().size() >= 2);
    VormaWindow *modified = m_app->windows().first();
    modified->controller()->requestAddNode(QmdVorma::TickPoint(0, 0));
    settle();

    // Cancelled: that window stays, and so does the program.
    m_answerer.setButton(QMessageBox::Cancel);
    m_app->appQuit();
    QTRY_COMPARE(m_app->windows().size(), 1);
    QCOMPARE(m_app->windows().first(), modified);

    // Discarded: the last window goes and the loop ends.
    m_answerer.setButton(QMessageBox::Discard);
    QTimer::singleShot(0, m_app, &VormaApplication::appQuit);
    QTimer::singleShot(20000, m_app, [this] { m_app->exit(1); });
    QCOMPARE(m_app->exec(), 0);
    QVERIFY(m_app->windows().isEmpty());
}

int main(int argc, char *argv[])
{
    runOnPrivateSessionBus(argc, argv);
    QTemporaryDir config;
    QTemporaryDir files;
    if (!config.isValid() || !files.isValid())
        return 1;
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(config.path()));

    char *appArgv[] = {argv[0], nullptr};
    int appArgc = 1;
    VORMA_TEST_LSAN_DISABLE();
    auto *app = new VormaApplication(appArgc, appArgv);
    VORMA_TEST_LSAN_ENABLE();
    app->setAttribute(Qt::AA_Use96Dpi, true);

    int result = 0;
    {
        TestDocumentWindows test(app, files.path());
        QTEST_SET_MAIN_SOURCE_PATH
        result = QTest::qExec(&test, argc, argv);
    }
    delete app;
    return result;
}

#include "tst_documentwindows.moc"
