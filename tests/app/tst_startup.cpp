#include "Mvc/CSettingsChangeValueEvent.h"
#include "Mvc/VSettingsValueChangedEvent.h"
#include "QmdVorma/ApplicationSettingsKeys.h"
#include "QmdVorma/QmdVormaController.h"
#include "QmdVorma/playback/AbstractSync.h"
#include "QmdVorma/playback/MidiInstrument.h"
#include "QmdVorma/playback/MidiSynth.h"
#include "midi/MidiInput.h"
#include "widgets/ApplicationServices.h"
#include "app/ApplicationMidi.h"
#include "app/VormaApplication.h"
#include "app/VormaWindow.h"

#include "GuiTestMain.h"
#include "MidiTestSupport.h"
#include "Qmd/QmdTestSupport.h"
#include "app/AppTestSupport.h"
#include "app/PrivateSessionBus.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QProcess>
#include <QSignalSpy>
#include <QSettings>
#include <QTemporaryDir>
#include <QtTest>

#include <cstdio>

namespace {

// The application as the program makes it, noting every settings key it is
// told to apply.
class RecordingApplication : public VormaApplication
{
public:
    using VormaApplication::VormaApplication;

    QStringList appliedKeys;

    // As the preferences dialog changes a setting.
    void changeSetting(const QString &key, const QVariant &value)
    {
        postToController(new CSettingsChangeValueEvent(key, value));
        settle();
    }

protected:
    void settingsValueChanged(VSettingsValueChangedEvent *event) override
    {
        appliedKeys << event->key();
        VormaApplication::settingsValueChanged(event);
    }
};

QStringList fileNames(const QList<VormaWindow *> &windows)
{
    QStringList names;
    for (VormaWindow *window : windows)
        names << window->controller()->fileName();
    return names;
}

} // namespace

// One application for the whole program, started with a command line that
// names a missing and an unreadable document.
class TestStartup : public QObject
{
    Q_OBJECT

public:
    TestStartup(RecordingApplication *app, const QString &folder)
        : m_app(app)
        , m_folder(folder)
    {
    }

private slots:
    void initTestCase();

    void commandLineSkipsMissingAndReportsUnreadableDocuments();
    void firstRunStoresTheDefaultsAndOpensNoPort();
    void initTwiceDoesNothing();
    void midiSettingsOpenAndCloseThePorts();
    void spaceTogglesThePlaybackOfTheFocusWindow();
    void unreadableDocumentInTheOnlyWindowLeavesAnUntitledOne();
    void laterStartHandsOverItsCommandLine();

private:
    RecordingApplication *m_app;
    QString m_folder;
    MessageBoxAnswerer m_answerer;
};

void TestStartup::initTestCase()
{
    QVERIFY(!m_app->isInitialised());
    // A later start before the user interface is there is kept for later.
    m_app->onActivateRequested({QCoreApplication::applicationFilePath()}, m_folder);
    QVERIFY(m_app->windows().isEmpty());
    QTRY_VERIFY(m_app->isUserInterfaceLoaded());
    settle();
}

void TestStartup::commandLineSkipsMissingAndReportsUnreadableDocuments()
{
    QCOMPARE(m_answerer.texts.size(), 1);
    QVERIFY2(m_answerer.texts.first().contains(QStringLiteral("\u201cbad.vrm\u201d")),
             qPrintable(m_answerer.texts.first()));
    // The window of the unreadable document goes; an untitled one takes its
    // place, and the early "new" opened a second.
    QTRY_COMPARE(m_app->windows().size(), 2);
    QCOMPARE(fileNames(m_app->windows()), (QStringList{QString(), QString()}));
    for (VormaWindow *window : m_app->windows())
        QVERIFY(window->isVisible());
    // The first window that opened is maximised: the failed one, still
    // closing then, did not count.
    QVERIFY(m_app->windows().first()->isMaximized());
    QVERIFY(!m_app->windows().last()->isMaximized());
}

void TestStartup::firstRunStoresTheDefaultsAndOpensNoPort()
{
    settle();
    QSettings *settings = m_app->settings();
    QVERIFY(settings);
    QCOMPARE(settings->value(autoCheckForUpdateKey()).toBool(), true);
    QCOMPARE(settings->value(controllersAutoLsbKey()).toBool(), false);
    QCOMPARE(settings->value(controllersSmartResetKey()).toBool(), true);
    QCOMPARE(settings->value(midiInputEnabledKey()).toBool(), true);
    QCOMPARE(settings->value(midiTriggeringMsecToggleTimeoutKey()).toInt(), 200);
    QCOMPARE(settings->value(midiThruEnabledKey()).toBool(), true);
    // The application is not told of its own defaults, so it opens no port.
    QCOMPARE(m_app->appliedKeys, QStringList());
    QVERIFY(m_app->midiSynth());
    QVERIFY(m_app->midiSynth()->isReady());
}

void TestStartup::initTwiceDoesNothing()
{
    QSettings *settings = m_app->settings();
    const int windows = m_app->windows().size();
    m_app->init();
    settle();
    QCOMPARE(m_app->settings(), settings);
    QCOMPARE(m_app->windows().size(), windows);
}

void TestStartup::midiSettingsOpenAndCloseThePorts()
{
    ScopedFakeMidi fake;
    fake->addPort(MidiDirection::Input, QStringLiteral("Keys"));
    fake->addPort(MidiDirection::Output, QStringLiteral("Thru"));
    // The widgets hear of the new ports through the services door.
    QSignalSpy inputs(ApplicationServices::instance(), &ApplicationServices::midiInputPortsChanged);
    QSignalSpy outputs(ApplicationServices::instance(), &ApplicationServices::midiOutputPortsChanged);
    m_app->midi()->pollMidiPorts();
    QCOMPARE(inputs.count(), 1);
    QCOMPARE(outputs.count(), 1);
    QCOMPARE(ApplicationServices::midiInputPortNames(), QStringList{QStringLiteral("Keys")});
    QCOMPARE(ApplicationServices::availableMidiOutputPorts(), QSet<QString>{QStringLiteral("Thru")});

    MidiInput *entry = m_app->midi()->entryInput();
    MidiInstrument *thru = m_app->midi()->thruInstrument();
    m_app->changeSetting(midiEntryPortKey(), QStringLiteral("Keys"));
    m_app->changeSetting(midiThruPortKey(), QStringLiteral("Thru"));
    QCOMPARE(entry->portName(), QStringLiteral("Keys"));
    QCOMPARE(thru->portName(), QStringLiteral("Thru"));

    // Switched off, the port closes and the setting keeps its name.
    m_app->changeSetting(midiInputEnabledKey(), false);
    QVERIFY(!entry->isOpen());
    QCOMPARE(m_app->settings()->value(midiEntryPortKey()).toString(), QStringLiteral("Keys"));
    m_app->changeSetting(midiInputEnabledKey(), true);
    QCOMPARE(entry->portName(), QStringLiteral("Keys"));

    // A port that is not there is cleared from the settings.
    m_app->changeSetting(midiEntryPortKey(), QStringLiteral("Gone"));
    QVERIFY(!entry->isOpen());
    QTRY_COMPARE(m_app->settings()->value(midiEntryPortKey()).toString(), QString());
    m_app->changeSetting(midiThruEnabledKey(), false);
    QVERIFY(!thru->isOpen());
    QCOMPARE(m_app->settings()->value(midiThruPortKey()).toString(), QStringLiteral("Thru"));

    // Back to the platform's MIDI system with no port held.
    m_app->changeSetting(midiThruPortKey(), QString());
    m_app->changeSetting(midiThruEnabledKey(), true);
}

void TestStartup::spaceTogglesThePlaybackOfTheFocusWindow()
{
    VormaWindow *window = m_app->windows().first();
    // The menu bar's Space entry belongs to the active window: it must be
    // the focus window, as it is when the user types.
    QApplication::setActiveWindow(window);
    QTRY_COMPARE(QApplication::activeWindow(), window);
    m_app->onFocusChanged(nullptr, window);
    QCOMPARE(m_app->focusWindow(), window);
    AbstractSync *clock = window->controller()->sync();
    QVERIFY(!clock->isPlaying());
    QTest::keyClick(window, Qt::Key_Space);
    QTRY_VERIFY(window->controller()->sync()->isPlaying());
    QTest::keyClick(window, Qt::Key_Space);
    QTRY_VERIFY(!window->controller()->sync()->isPlaying());
}

void TestStartup::unreadableDocumentInTheOnlyWindowLeavesAnUntitledOne()
{
    // Left alone, the untitled window of start-up takes the next document.
    QVERIFY(m_app->windows().last()->close());
    QTRY_COMPARE(m_app->windows().size(), 1);

    const int reports = m_answerer.texts.size();
    QPointer<VormaWindow> only = m_app->windows().first();
    m_app->openDocument(QDir(m_folder).filePath(QStringLiteral("bad.vrm")));
    QCOMPARE(m_answerer.texts.size(), reports + 1);
    QTRY_VERIFY(only.isNull());
    QCOMPARE(m_app->windows().size(), 1);
    QVERIFY(m_app->windows().first()->controller()->fileName().isEmpty());
    QVERIFY(m_app->windows().first()->isVisible());
}

void TestStartup::laterStartHandsOverItsCommandLine()
{
    if (!m_app->isRegisteredOnSessionBus())
        QSKIP("no session bus");
    const QString every = QStringLiteral(VORMA_TEST_DATA_DIR "/vorma/every-key.vrm");
    QDir folder(m_folder);
    QVERIFY(folder.mkpath(QStringLiteral("sub")));
    QVERIFY(QFile::copy(every, folder.filePath(QStringLiteral("a.vrm"))));
    QVERIFY(QFile::copy(every, folder.filePath(QStringLiteral("sub/b.vrm"))));

    const int before = m_app->windows().size();
    auto runLaterStart = [this](const QStringList &arguments) {
        QProcess later;
        later.setWorkingDirectory(m_folder);
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("ASAN_OPTIONS"), QStringLiteral("detect_leaks=0"));
        later.setProcessEnvironment(env);
        later.start(QStringLiteral(VORMA_PROGRAM), arguments);
        if (!later.waitForStarted())
            return -1;
        // This process answers the hand-over from its event loop, so wait
        // while running it.
        QDeadlineTimer deadline(30000);
        while (later.state() != QProcess::NotRunning && !deadline.hasExpired())
            QTest::qWait(10);
        return later.exitStatus() == QProcess::NormalExit ? later.exitCode() : -2;
    };

    // The untitled window left in place takes the first document.
    QCOMPARE(before, 1);
    QCOMPARE(runLaterStart({QStringLiteral("a.vrm"), QStringLiteral("sub/b.vrm")}), 0);
    QTRY_COMPARE(m_app->windows().size(), 2);
    QCOMPARE(fileNames(m_app->windows()),
             (QStringList{folder.filePath(QStringLiteral("a.vrm")), folder.filePath(QStringLiteral("sub/b.vrm"))}));

    QCOMPARE(runLaterStart({}), 0);
    QTRY_COMPARE(m_app->windows().size(), 3);
    QVERIFY(m_app->windows().last()->controller()->fileName().isEmpty());
}

int main(int argc, char *argv[])
{
    runOnPrivateSessionBus(argc, argv);
    QTemporaryDir config;
    QTemporaryDir files;
    if (!config.isValid() || !files.isValid() || !writeFile(files.filePath("bad.vrm"), "no document"))
        return 1;
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(config.path()));

    QByteArray missing = QFile::encodeName(files.filePath("missing.vrm"));
    QByteArray bad = QFile::encodeName(files.filePath("bad.vrm"));
    char *appArgv[] = {argv[0], missing.data(), bad.data(), nullptr};
    int appArgc = 3;
    VORMA_TEST_LSAN_DISABLE();
    auto *app = new RecordingApplication(appArgc, appArgv);
    VORMA_TEST_LSAN_ENABLE();
    app->setAttribute(Qt::AA_Use96Dpi, true);

    int result = 0;
    {
        TestStartup test(app, files.path());
        QTEST_SET_MAIN_SOURCE_PATH
        result = QTest::qExec(&test, argc, argv);
    }

    // Windows still open when the loop ends go before the MIDI objects.
    QStringList order;
    for (VormaWindow *window : app->windows())
        QObject::connect(window, &QObject::destroyed, [&order] { order << QStringLiteral("window"); });
    if (app->midiSynth())
        QObject::connect(app->midiSynth(), &QObject::destroyed, [&order] { order << QStringLiteral("synthesizer"); });
    delete app;
    if (!order.contains(QStringLiteral("window")) || order.last() != QStringLiteral("synthesizer")) {
        std::fprintf(stderr, "FAIL: teardown order %s\n", qPrintable(order.join(QLatin1Char(','))));
        return result ? result : 1;
    }
    return result;
}

#include "tst_startup.moc"
