#include "app/VormaApplication.h"

#include "Mvc/CSettingsChangeValueEvent.h"
#include "Mvc/SettingsController.h"
#include "Mvc/SettingsModel.h"
#include "Mvc/VSettingsValueChangedEvent.h"
#include "QmdVorma/ApplicationSettingsKeys.h"
#include "QmdVorma/DocumentKeys.h"
#include "QmdVorma/QmdVormaController.h"
#include "QmdVorma/ScaleFactors.h"
#include "QmdVorma/playback/MidiSynth.h"
#include "app/ApplicationMidi.h"
#include "app/EventWait.h"
#include "app/MidiSynthDialog.h"
#include "app/PreferencesDialog.h"
#include "app/ProductInfo.h"
#include "app/UpdateChecker.h"
#include "app/HelpLinks.h"
#include "app/ProductInfo.h"
#include "app/SharedDialog.h"
#include "app/VormaWindow.h"
#include "midi/MidiBackend.h"
#include "midi/MidiInput.h"
#include "widgets/ApplicationServices.h"

#include <KDBusService>

#include <QColorDialog>
#include <QDesktopServices>
#include <QDir>
#include <QFileDialog>
#include <QFontDialog>
#include <QFileInfo>
#include <QHash>
#include <QKeyEvent>
#include <QLabel>
#include <QPixmapCache>
#include <QScreen>
#include <QSettings>
#include <QSplashScreen>
#include <QTimer>

VormaApplication *VormaApplication::s_instance = nullptr;

VormaApplication::VormaApplication(int &argc, char **argv)
    : QApplication(argc, argv)
    , AbstractSettingsView(this)
{
    s_instance = this;

    // The names key the settings store and the session-bus name, so they
    // come before the single-instance test.
    setApplicationName(productDisplayName());
    setOrganizationName(tr("Vorma"));

    // A later start hands over its command line and exits 0 inside this
    // constructor; without a session bus the program runs alone.
    m_dbusService = new KDBusService(KDBusService::Unique | KDBusService::NoExitOnFailure, this);
    connect(m_dbusService, &KDBusService::activateRequested, this, &VormaApplication::onActivateRequested);

    ApplicationServices::registerProvider(this);

    m_splash = new QSplashScreen(QPixmap());
    m_aboutBoxForm.setupUi(m_splash);
    m_aboutBoxForm.launchInfoLabel->setText(tr("Launching..."));
    m_aboutBoxForm.versionInfoLabel->setText(versionString());
    m_aboutBoxForm.backgroundLabel->setStyleSheet(QStringLiteral("QLabel { border: 1px solid rgb(80, 80, 80); }"));
    if (QScreen *screen = primaryScreen()) {
        const QRect available = screen->availableGeometry();
        m_splash->move(available.width() / 2 - m_splash->width() / 2, available.height() / 2 - m_splash->height() / 2);
    }
    m_splash->show();
    m_splash->activateWindow();
    m_splash->raise();

    setQuitOnLastWindowClosed(false);
    QTimer::singleShot(0, this, &VormaApplication::init);
}

VormaApplication::~VormaApplication()
{
    m_tearingDown = true;
    // Windows left when the loop ended go first: their controllers join the
    // playback threads, which may still use the application's MIDI objects.
    closeAllWindows();
    delete m_fontDialog;
    delete m_colorDialog;
    delete m_splash;
    delete m_synthDialog;
    delete m_preferencesDialog;
    if (m_initialised) {
        delete m_midi;
        delete m_midiSynth;
        delete m_midiSynthInput;
    }
    // Closed ports may still be closing on a thread of the port layer; the
    // program leaves once they are gone.
    MidiBackend::finishClosing();
    ApplicationServices::registerProvider(nullptr);
    s_instance = nullptr;
}

VormaApplication *VormaApplication::instance()
{
    return s_instance;
}

QSettings *VormaApplication::settings() const
{
    return m_settingsModel ? m_settingsModel->settings() : nullptr;
}

bool VormaApplication::isRegisteredOnSessionBus() const
{
    return m_dbusService && m_dbusService->isRegistered();
}

void VormaApplication::init()
{
    if (m_initialised)
        return;
    m_initialised = true;
    QPixmapCache::setCacheLimit(65536);

    setLaunchInfo(tr("Initializing MIDI..."));
    setUpMidi();

    setLaunchInfo(tr("Loading settings..."));
    m_settingsModel = new SettingsModel(this);
    m_settingsController = new SettingsController(m_settingsModel, this);
    m_settingsController->attachView(this);

    loadUserInterface();
}

void VormaApplication::setLaunchInfo(const QString &text)
{
    m_aboutBoxForm.launchInfoLabel->setText(text);
    processEvents();
}

void VormaApplication::setUpMidi()
{
    m_midi = new ApplicationMidi(this);
    ApplicationMidi::Routing routing;
    routing.triggering = [this] {
        return m_focusWindow && m_focusWindow->controller()->data(QmdVorma::Keys::MidiTriggeringEnabled).toBool();
    };
    routing.trigger = [this](const MidiInputMessage &message, int toggleTimeoutMs) {
        // Each controller applies it only while its own document plays
        // with triggering on.
        const QList<VormaWindow *> windows = m_windows;
        for (VormaWindow *window : windows)
            window->controller()->requestMidiTriggerVoiceGroups(message, toggleTimeoutMs);
    };
    routing.toggleTimeoutMs = [this] {
        return settingsValue(midiTriggeringMsecToggleTimeoutKey(), ApplicationMidi::DefaultToggleTimeoutMs).toInt();
    };
    m_midi->setRouting(routing);
    // Widgets below the application hear of port changes through the
    // services door.
    connect(m_midi, &ApplicationMidi::midiInputPortsChanged, this, [this] {
        ApplicationServices::notifyMidiInputPortsChanged();
        emit midiInputPortsChanged();
    });
    connect(m_midi, &ApplicationMidi::midiOutputPortsChanged, this, [this] {
        ApplicationServices::notifyMidiOutputPortsChanged();
        emit midiOutputPortsChanged();
    });

    m_midiSynth = new MidiSynth(this);
    // Bounded: a synthesizer that never reports ready must not hang the
    // start; its queries answer empty then, as they do here anyway.
    processEventsUntil([this] { return m_midiSynth->isReady(); }, SynthReadyTimeoutMs);
    m_midiSynthInput = new MidiInput(this);
    m_midiSynth->setInput(m_midiSynthInput);
}

void VormaApplication::loadUserInterface()
{
    setLaunchInfo(tr("Loading user interface..."));
    m_userInterfaceLoaded = true;
    connect(this, &QApplication::focusChanged, this, &VormaApplication::onFocusChanged);
    createSharedDialogs();
    setQuitOnLastWindowClosed(true);
    QmdVorma::initScaleFactors(m_splash);

    const QStringList paths = arguments().mid(1);
    if (!paths.isEmpty())
        openDocuments(paths, false);
    // A command line whose documents are all missing or unreadable still
    // leaves the user a window.
    if (usableWindowCount() == 0)
        m_untitledWindow = newDocument();

    m_aboutBoxForm.launchInfoLabel->clear();
    QTimer::singleShot(0, m_splash, &QWidget::hide);

    // Later starts that arrived while this one was starting are handled
    // now, in the order they came.
    m_acceptingMessages = true;
    const QStringList pending = m_pendingMessages;
    m_pendingMessages.clear();
    for (const QString &message : pending)
        handleMessage(message);
    if (settingsValue(autoCheckForUpdateKey(), true).toBool())
        checkForUpdate(true);
}

void VormaApplication::onActivateRequested(const QStringList &arguments, const QString &workingDirectory)
{
    const QStringList messages = activationMessages(arguments, workingDirectory);
    if (!m_acceptingMessages) {
        m_pendingMessages << messages;
        return;
    }
    // Handled from the event loop: the later start waits for this call to
    // return, and should not wait for a message box opening a document
    // might show.
    QTimer::singleShot(0, this, [this, messages] {
        for (const QString &message : messages)
            handleMessage(message);
    });
}

void VormaApplication::handleMessage(const QString &message)
{
    if (message == QLatin1String("new"))
        newDocument();
    else
        openDocument(message, false);
}

VormaWindow *VormaApplication::createWindow()
{
    auto *window = new VormaWindow;
    window->setAttribute(Qt::WA_DeleteOnClose);
    connect(window, &QObject::destroyed, this, &VormaApplication::onVormaWindowDestroyed);
    // The window reports a failed load itself and closes; this only marks
    // it, so it is neither shown nor counted as the window left open.
    connect(window->controller(), &QmdDocController::fileLoadError, this,
            [this, window] { m_failedWindows.insert(window); });
    m_windows.append(window);
    window->installEventFilter(this);
    return window;
}

VormaWindow *VormaApplication::newDocument()
{
    VormaWindow *window = createWindow();
    smartShowDocument(window);
    return window;
}

QString VormaApplication::documentExtension()
{
    return QStringLiteral("vrm");
}

QString VormaApplication::documentFileFilter()
{
    return tr("%1 Network ( *.%2)").arg(productDisplayName(), documentExtension());
}

void VormaApplication::openDocuments(const QStringList &paths, bool asTemplate)
{
    if (m_untitledWindow && !m_untitledWindow->controller()->isAtCleanState())
        m_untitledWindow = nullptr;

    QHash<QString, VormaWindow *> open;
    for (VormaWindow *window : qAsConst(m_windows)) {
        const QString fileName = window->controller()->fileName();
        if (!fileName.isEmpty())
            open.insert(QFileInfo(fileName).absoluteFilePath(), window);
    }

    for (const QString &path : paths) {
        const QFileInfo info(path);
        if (!info.exists())
            continue;
        VormaWindow *window = open.value(info.absoluteFilePath());
        if (!window) {
            if (m_untitledWindow) {
                window = m_untitledWindow;
                m_untitledWindow = nullptr;
            } else {
                window = createWindow();
            }
            if (asTemplate) {
                window->controller()->requestLoadTemplate(path);
            } else {
                window->controller()->requestLoad(info.absoluteFilePath());
            }
            if (m_failedWindows.contains(window))
                continue;
            // The same path again in this call finds this window.
            if (!asTemplate)
                open.insert(info.absoluteFilePath(), window);
            smartShowDocument(window);
        } else if (window->windowState() & Qt::WindowMinimized) {
            window->setWindowState(window->windowState() & ~Qt::WindowMinimized);
        }
        window->activateWindow();
        window->raise();
    }
}

void VormaApplication::openDocuments(const QStringList &paths)
{
    openDocuments(paths, false);
}

void VormaApplication::openDocument(const QString &path, bool asTemplate)
{
    openDocuments(QStringList{path}, asTemplate);
}

void VormaApplication::openDocument(const QString &path)
{
    openDocuments(QStringList{path}, false);
}

void VormaApplication::openDocuments()
{
    QFileDialog dialog(nullptr, tr("Open"), QString(), documentFileFilter());
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(QFileDialog::ExistingFiles);
    QSettings store;
    const QByteArray geometry = store.value(openDialogGeometryKey()).toByteArray();
    if (!geometry.isEmpty())
        dialog.restoreGeometry(geometry);
    const QByteArray state = store.value(openDialogStateKey()).toByteArray();
    if (!state.isEmpty())
        dialog.restoreState(state);
    const int result = dialog.exec();
    store.setValue(openDialogGeometryKey(), dialog.saveGeometry());
    store.setValue(openDialogStateKey(), dialog.saveState());
    if (result == QDialog::Accepted)
        openDocuments(dialog.selectedFiles(), false);
}

void VormaApplication::saveAllDocuments()
{
    const QList<VormaWindow *> windows = m_windows;
    for (VormaWindow *window : windows)
        window->save();
}

void VormaApplication::closeActiveWindow()
{
    if (QWidget *window = activeWindow())
        window->close();
}

void VormaApplication::appQuit()
{
    if (m_windows.isEmpty()) {
        quit();
        return;
    }
    // A copy: windows leave the list as they go. One that is kept open
    // (its user cancelled) keeps the program running.
    const QList<QPointer<VormaWindow>> windows(m_windows.cbegin(), m_windows.cend());
    for (const QPointer<VormaWindow> &window : windows) {
        if (window)
            window->close();
    }
}

void VormaApplication::smartShowDocument(VormaWindow *window)
{
    // A window whose document failed to load is still closing: it does not
    // stand beside this one.
    if (usableWindowCount() < 2)
        window->showMaximized();
    else
        window->show();
    window->activateWindow();
    window->raise();
}

void VormaApplication::onFocusChanged(QWidget *, QWidget *now)
{
    if (!now)
        return;
    auto *window = qobject_cast<VormaWindow *>(now->window());
    if (window && window != m_focusWindow) {
        m_focusWindow = window;
        emit vormaFocusWindowChanged(window);
    }
}

void VormaApplication::onVormaWindowDestroyed(QObject *object)
{
    for (int i = 0; i < m_windows.size(); ++i) {
        if (static_cast<QObject *>(m_windows.at(i)) == object) {
            m_windows.removeAt(i);
            break;
        }
    }
    if (static_cast<QObject *>(m_focusWindow) == object) {
        m_focusWindow = nullptr;
        emit vormaFocusWindowChanged(nullptr);
    }
    const bool failed = m_failedWindows.remove(object);
    if (m_tearingDown || !m_windows.isEmpty())
        return;
    // A document that could not be opened into the only window leaves an
    // untitled one instead of ending the program.
    if (failed)
        m_untitledWindow = newDocument();
    else
        quit();
}

int VormaApplication::usableWindowCount() const
{
    int count = 0;
    for (VormaWindow *window : m_windows)
        count += m_failedWindows.contains(window) ? 0 : 1;
    return count;
}

void VormaApplication::closeAllWindows()
{
    const QList<VormaWindow *> windows = m_windows;
    for (VormaWindow *window : windows)
        delete window;
    m_windows.clear();
}

bool VormaApplication::event(QEvent *event)
{
    return QApplication::event(event);
}

bool VormaApplication::eventFilter(QObject *watched, QEvent *event)
{
    if (m_focusWindow && event->type() == QEvent::KeyPress
        && static_cast<QKeyEvent *>(event)->key() == Qt::Key_Space) {
        if (!QApplication::eventFilter(watched, event))
            m_focusWindow->controller()->requestTogglePlayback();
        return true;
    }
    return QApplication::eventFilter(watched, event);
}

void VormaApplication::customEvent(QEvent *event)
{
    deliverEvent(event);
}

void VormaApplication::settingsLoaded(VEvent *)
{
    if (!settingsModel())
        return;
    postDefault(autoCheckForUpdateKey(), true);
    postDefault(controllersAutoLsbKey(), false);
    postDefault(controllersSmartResetKey(), true);
    if (settingsModel()->settings()->contains(midiInputEnabledKey()))
        applyStoredValue(midiInputEnabledKey());
    else
        postDefault(midiInputEnabledKey(), true);
    postDefault(midiTriggeringMsecToggleTimeoutKey(), 200);
    if (settingsModel()->settings()->contains(midiThruEnabledKey()))
        applyStoredValue(midiThruEnabledKey());
    else
        postDefault(midiThruEnabledKey(), true);
}

void VormaApplication::postDefault(const QString &key, const QVariant &value)
{
    if (settingsModel()->settings()->contains(key))
        return;
    postToController(new CSettingsChangeValueEvent(key, value, this, CEvent::OriginatorGiven));
}

void VormaApplication::applyStoredValue(const QString &key)
{
    VSettingsValueChangedEvent event(this, key, settingsModel()->value(key));
    settingsValueChanged(&event);
}

void VormaApplication::settingsValueChanged(VSettingsValueChangedEvent *event)
{
    const QString key = event->key();
    if (key == midiInputEnabledKey() || key == midiEntryPortKey())
        applyMidiEntryPort(event);
    else if (key == midiThruEnabledKey() || key == midiThruPortKey())
        applyMidiThruPort(event);
}

QVariant VormaApplication::appliedValue(const QString &key, const VSettingsValueChangedEvent *event) const
{
    return event->key() == key ? event->value() : settingsValue(key, QVariant());
}

void VormaApplication::applyMidiEntryPort(const VSettingsValueChangedEvent *event)
{
    applyMidiPort(event, midiInputEnabledKey(), midiEntryPortKey(), &ApplicationMidi::applyMidiEntryPort);
}

void VormaApplication::applyMidiThruPort(const VSettingsValueChangedEvent *event)
{
    applyMidiPort(event, midiThruEnabledKey(), midiThruPortKey(), &ApplicationMidi::applyMidiThruPort);
}

void VormaApplication::applyMidiPort(const VSettingsValueChangedEvent *event, const QString &enabledKey,
                                     const QString &portKey, bool (ApplicationMidi::*apply)(bool, const QString &))
{
    if (!m_midi)
        return;
    // Cleared with the application as originator: other settings views
    // (the preferences) learn it, the application is not told again.
    if ((m_midi->*apply)(appliedValue(enabledKey, event).toBool(), appliedValue(portKey, event).toString()))
        postToController(new CSettingsChangeValueEvent(portKey, QString(), this, CEvent::OriginatorGiven));
}

void VormaApplication::createSharedDialogs()
{
    auto *fontDialog = new QFontDialog;
    fontDialog->setOption(QFontDialog::NoButtons);
    fontDialog->setModal(false);
    m_fontDialog = new SharedDialog(fontDialog, SIGNAL(currentFontChanged(QFont)), SIGNAL(fontSelected(QFont)));

    auto *colorDialog = new QColorDialog;
    colorDialog->setOptions(QColorDialog::ShowAlphaChannel | QColorDialog::NoButtons);
    colorDialog->setModal(false);
    colorDialog->setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint
                                | Qt::WindowStaysOnTopHint | Qt::CustomizeWindowHint | Qt::WindowCloseButtonHint);
    m_colorDialog = new SharedDialog(colorDialog, SIGNAL(currentColorChanged(QColor)), SIGNAL(colorSelected(QColor)));
}

// Before the user interface is loaded there is no dialog: every call below
// does nothing and every query answers empty.
void VormaApplication::showFontDialog()
{
    if (m_fontDialog)
        m_fontDialog->show(m_focusWindow);
}

void VormaApplication::connectFontDialog(QObject *client, const char *member)
{
    if (m_fontDialog)
        m_fontDialog->connectClient(client, member);
}

void VormaApplication::disconnectFontDialog()
{
    if (m_fontDialog)
        m_fontDialog->disconnectClient();
}

void VormaApplication::updateFontDialog(const QFont &font)
{
    if (!m_fontDialog)
        return;
    auto *dialog = static_cast<QFontDialog *>(m_fontDialog->dialog());
    const QSignalBlocker blocker(dialog);
    dialog->setCurrentFont(font);
}

QObject *VormaApplication::fontDialogClient() const
{
    return m_fontDialog ? m_fontDialog->client() : nullptr;
}

bool VormaApplication::isFontDialogVisible() const
{
    return m_fontDialog && m_fontDialog->isVisible();
}

void VormaApplication::showColorDialog()
{
    if (m_colorDialog)
        m_colorDialog->show(m_focusWindow);
}

void VormaApplication::connectColorDialog(QObject *client, const char *member)
{
    if (m_colorDialog)
        m_colorDialog->connectClient(client, member);
}

void VormaApplication::disconnectColorDialog()
{
    if (m_colorDialog)
        m_colorDialog->disconnectClient();
}

void VormaApplication::updateColorDialog(const QColor &color)
{
    if (!m_colorDialog)
        return;
    auto *dialog = static_cast<QColorDialog *>(m_colorDialog->dialog());
    const QSignalBlocker blocker(dialog);
    dialog->setCurrentColor(color);
}

QObject *VormaApplication::colorDialogClient() const
{
    return m_colorDialog ? m_colorDialog->client() : nullptr;
}

bool VormaApplication::isColorDialogVisible() const
{
    return m_colorDialog && m_colorDialog->isVisible();
}

void VormaApplication::showAppAbout()
{
    m_splash->show();
    m_splash->activateWindow();
    m_splash->raise();
}

void VormaApplication::showAppHelp()
{
    qDebug("VormaApplication::showAppHelp");
}

void VormaApplication::openVormaManual()
{
    QDesktopServices::openUrl(HelpLinks::manualUrl(applicationDirPath()));
}

// Addresses this build was not given are never opened (their menu entries
// are disabled too).
void VormaApplication::openVormaWebsiteUrl()
{
    const QUrl url = HelpLinks::websiteUrl(HelpLinks::configuredWebsite());
    if (!url.isEmpty())
        QDesktopServices::openUrl(url);
}

void VormaApplication::openVormaCommunityUrl()
{
    const QUrl url = HelpLinks::communityUrl(HelpLinks::configuredWebsite());
    if (!url.isEmpty())
        QDesktopServices::openUrl(url);
}

void VormaApplication::openVormaSupportUrl()
{
    const QUrl url = HelpLinks::supportUrl(HelpLinks::configuredSupportAddress(), applicationId());
    if (!url.isEmpty())
        QDesktopServices::openUrl(url);
}

QSet<QString> VormaApplication::availableMidiInputPorts() const
{
    return m_midi ? m_midi->availableMidiInputPorts() : QSet<QString>();
}

QSet<QString> VormaApplication::availableMidiOutputPorts() const
{
    return m_midi ? m_midi->availableMidiOutputPorts() : QSet<QString>();
}

QStringList VormaApplication::midiInputPortNames() const
{
    return m_midi ? m_midi->midiInputPortNames() : QStringList();
}

QStringList VormaApplication::midiOutputPortNames() const
{
    return m_midi ? m_midi->midiOutputPortNames() : QStringList();
}

QVariant VormaApplication::settingsValue(const QString &key, const QVariant &defaultValue) const
{
    return m_settingsModel ? m_settingsModel->value(key, defaultValue) : defaultValue;
}

UpdateChecker *VormaApplication::updateChecker()
{
    if (!m_updateChecker) {
        m_updateChecker = new UpdateChecker(settings(), this);
        m_updateChecker->setApplicationId(applicationId());
    }
    return m_updateChecker;
}

void VormaApplication::checkForUpdate(bool automatic)
{
    updateChecker()->checkForUpdate(automatic);
}

void VormaApplication::checkForUpdate()
{
    checkForUpdate(false);
}

PreferencesDialog *VormaApplication::preferencesDialog() const
{
    return static_cast<PreferencesDialog *>(m_preferencesDialog.data());
}

MidiSynthDialog *VormaApplication::synthDialog() const
{
    return static_cast<MidiSynthDialog *>(m_synthDialog.data());
}

void VormaApplication::showAppPrefs()
{
    if (!m_preferencesDialog) {
        auto *dialog = new PreferencesDialog(m_settingsController);
        dialog->setAttribute(Qt::WA_DeleteOnClose);
        if (QScreen *screen = primaryScreen()) {
            const QRect available = screen->availableGeometry();
            const QSize size = dialog->sizeHint();
            dialog->move(available.width() / 2 - size.width() / 2, (available.height() / 2 - size.height() / 2) / 2);
        }
        m_preferencesDialog = dialog;
    }
    m_preferencesDialog->show();
    m_preferencesDialog->raise();
    m_preferencesDialog->activateWindow();
}

bool VormaApplication::isSynthDialogOpen() const
{
    return !m_synthDialog.isNull();
}

void VormaApplication::setSynthDialogOpen(bool open)
{
    if (!open) {
        if (m_synthDialog)
            m_synthDialog->deleteLater();
        return;
    }
    if (!m_synthDialog) {
        auto *dialog = new MidiSynthDialog(settings());
        dialog->setSynth(m_midiSynth);
        dialog->setAttribute(Qt::WA_DeleteOnClose);
        dialog->show();
        m_synthDialog = dialog;
        connect(m_synthDialog, &QObject::destroyed, this, &VormaApplication::synthDialogToggled);
        emit synthDialogToggled();
    }
    m_synthDialog->activateWindow();
    m_synthDialog->raise();
}

void VormaApplication::toggleSynthDialog()
{
    setSynthDialogOpen(!isSynthDialogOpen());
}
