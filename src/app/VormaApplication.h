#ifndef APP_VORMAAPPLICATION_H
#define APP_VORMAAPPLICATION_H

#include "Mvc/AbstractSettingsView.h"
#include "app/AboutBoxForm.h"
#include "widgets/ApplicationServicesProvider.h"

#include <QApplication>
#include <QDialog>
#include <QList>
#include <QPointer>
#include <QSet>
#include <QStringList>

class ApplicationMidi;
class KDBusService;
class MidiInput;
class MidiSynth;
class MidiSynthDialog;
class PreferencesDialog;
class QSettings;
class QSplashScreen;
class QWidget;
class SettingsController;
class SettingsModel;
class UpdateChecker;
class SharedDialog;
class VormaWindow;

// The process-wide application object. The first start of the program owns
// the session-bus name of the application and runs; a later start hands its
// command line (and its working folder) to the running one and exits.
// Start-up shows the splash and runs init() once from the event loop:
// MIDI, then the settings (the application is a settings view that fills in
// the defaults and applies the MIDI keys), then the user interface with one
// window per document named on the command line, or one untitled window.
class VormaApplication : public QApplication, public AbstractSettingsView, public ApplicationServicesProvider
{
    Q_OBJECT

public:
    // How long start-up waits for the synthesizer at most; it is ready in
    // a few milliseconds on this platform.
    static constexpr int SynthReadyTimeoutMs = 5000;

    VormaApplication(int &argc, char **argv);
    ~VormaApplication() override;

    // Null before construction and after destruction.
    static VormaApplication *instance();

    static QString documentExtension();
    // The file dialogs' filter for documents.
    static QString documentFileFilter();

    // The settings store; null before init() has loaded the settings.
    QSettings *settings() const;

    bool isInitialised() const { return m_initialised; }
    bool isUserInterfaceLoaded() const { return m_userInterfaceLoaded; }
    // False when the session bus could not be reached or the name was
    // taken: the program then runs as a lone instance.
    bool isRegisteredOnSessionBus() const;

    const QList<VormaWindow *> &windows() const { return m_windows; }
    VormaWindow *focusWindow() const { return m_focusWindow; }
    MidiSynth *midiSynth() const { return m_midiSynth; }
    // The port lists, the entry and the thru port; null before init().
    ApplicationMidi *midi() const { return m_midi; }

    // ApplicationServicesProvider
    void showFontDialog() override;
    void connectFontDialog(QObject *client, const char *member) override;
    void disconnectFontDialog() override;
    void updateFontDialog(const QFont &font) override;
    QObject *fontDialogClient() const override;
    bool isFontDialogVisible() const override;
    void showColorDialog() override;
    void connectColorDialog(QObject *client, const char *member) override;
    void disconnectColorDialog() override;
    void updateColorDialog(const QColor &color) override;
    QObject *colorDialogClient() const override;
    bool isColorDialogVisible() const override;
    QSet<QString> availableMidiInputPorts() const override;
    QSet<QString> availableMidiOutputPorts() const override;
    QStringList midiInputPortNames() const override;
    QStringList midiOutputPortNames() const override;
    QVariant settingsValue(const QString &key, const QVariant &defaultValue) const override;

    bool event(QEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

    // The update check of this run, made on first use.
    UpdateChecker *updateChecker();
    bool isSynthDialogOpen() const;
    PreferencesDialog *preferencesDialog() const;
    MidiSynthDialog *synthDialog() const;

signals:
    void vormaFocusWindowChanged(VormaWindow *window);
    // The synthesizer dialog was created or destroyed.
    void synthDialogToggled();
    // A poll found the ports of that direction changed.
    void midiInputPortsChanged();
    void midiOutputPortsChanged();

public slots:
    VormaWindow *newDocument();
    void openDocuments(const QStringList &paths, bool asTemplate);
    void openDocuments(const QStringList &paths);
    void openDocument(const QString &path, bool asTemplate);
    void openDocument(const QString &path);
    // The Open dialog.
    void openDocuments();
    void saveAllDocuments();
    void closeActiveWindow();
    void appQuit();

    // One preferences dialog at a time, brought forward when open.
    void showAppPrefs();
    void showAppAbout();
    void showAppHelp();
    void openVormaManual();
    void openVormaWebsiteUrl();
    void openVormaCommunityUrl();
    void openVormaSupportUrl();

    void init();
    void handleMessage(const QString &message);
    // What a later start handed over through the session bus.
    void onActivateRequested(const QStringList &arguments, const QString &workingDirectory);

    void onFocusChanged(QWidget *old, QWidget *now);
    void onVormaWindowDestroyed(QObject *object);
    void smartShowDocument(VormaWindow *window);

    void checkForUpdate(bool automatic);
    void checkForUpdate();
    void setSynthDialogOpen(bool open);
    void toggleSynthDialog();

protected:
    void customEvent(QEvent *event) override;
    void settingsLoaded(VEvent *event) override;
    void settingsValueChanged(VSettingsValueChangedEvent *event) override;

private:
    void setUpMidi();
    void loadUserInterface();
    void setLaunchInfo(const QString &text);
    void createSharedDialogs();
    VormaWindow *createWindow();
    // Stores the default when the key is absent; with the originator set,
    // the application is not told of its own defaults.
    void postDefault(const QString &key, const QVariant &value);
    // Applies a stored enable key at once, as if it had just changed.
    void applyStoredValue(const QString &key);
    // The event's value stands for its key: the store may not hold it yet.
    void applyMidiEntryPort(const VSettingsValueChangedEvent *event);
    void applyMidiThruPort(const VSettingsValueChangedEvent *event);
    void applyMidiPort(const VSettingsValueChangedEvent *event, const QString &enabledKey, const QString &portKey,
                       bool (ApplicationMidi::*apply)(bool, const QString &));
    QVariant appliedValue(const QString &key, const VSettingsValueChangedEvent *event) const;
    // Windows the user can see or will see: not those closing after a
    // failed load.
    int usableWindowCount() const;
    void quitOrKeepOneWindow(QObject *destroyedWindow);
    void closeAllWindows();

    static VormaApplication *s_instance;

    KDBusService *m_dbusService = nullptr;
    bool m_initialised = false;
    bool m_userInterfaceLoaded = false;
    bool m_acceptingMessages = false;
    bool m_tearingDown = false;
    VormaWindow *m_focusWindow = nullptr;
    QList<VormaWindow *> m_windows;
    QPointer<VormaWindow> m_untitledWindow;
    // Windows whose document failed to load: they close themselves.
    QSet<QObject *> m_failedWindows;
    QStringList m_pendingMessages;
    QSplashScreen *m_splash = nullptr;
    AboutBoxForm m_aboutBoxForm;
    SettingsModel *m_settingsModel = nullptr;
    SettingsController *m_settingsController = nullptr;
    ApplicationMidi *m_midi = nullptr;
    MidiSynth *m_midiSynth = nullptr;
    MidiInput *m_midiSynthInput = nullptr;
    UpdateChecker *m_updateChecker = nullptr;
    // Guarded as dialogs: both delete themselves when closed.
    QPointer<QDialog> m_preferencesDialog;
    QPointer<QDialog> m_synthDialog;
    SharedDialog *m_fontDialog = nullptr;
    SharedDialog *m_colorDialog = nullptr;
};

#endif
