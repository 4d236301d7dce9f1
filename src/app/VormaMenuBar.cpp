#include "app/VormaMenuBar.h"

#include "QmdVorma/ApplicationSettingsKeys.h"
#include "QmdVorma/DocumentKeys.h"
#include "QmdVorma/QmdVormaController.h"
#include "QmdVorma/playback/AbstractSync.h"
#include "app/HelpLinks.h"
#include "app/ProductInfo.h"
#include "app/VormaApplication.h"
#include "app/VormaWindow.h"

#include <QAction>
#include <QActionGroup>
#include <QApplication>
#include <QDir>
#include <QDockWidget>
#include <QFileIconProvider>
#include <QFileInfo>
#include <QFileSystemModel>
#include <QMenu>
#include <QScopedValueRollback>
#include <QSettings>

namespace Keys = QmdVorma::Keys;

namespace {

QmdRequestOptions noUndo()
{
    QmdRequestOptions options;
    options.flags = Qmd::NoUndo;
    return options;
}

QKeySequence shortcut(const char *text)
{
    return QKeySequence(VormaMenuBar::tr(text));
}

} // namespace

VormaMenuBar::VormaMenuBar(VormaWindow *window)
    : QMenuBar(window)
{
    createMenus();
    setVormaWindow(window);
}

QString VormaMenuBar::examplesFolder()
{
    return QDir::cleanPath(QCoreApplication::applicationDirPath() + QStringLiteral("/Examples"));
}

QAction *VormaMenuBar::addAction(QMenu *menu, const char *name, const QString &text, const QKeySequence &keys)
{
    QAction *action = menu->addAction(text);
    action->setObjectName(QLatin1String(name));
    if (!keys.isEmpty())
        action->setShortcut(keys);
    return action;
}

void VormaMenuBar::createMenus()
{
    m_examplesModel = new QFileSystemModel(this);
    m_examplesModel->setFilter(QDir::Files);
    m_examplesModel->setNameFilters({QStringLiteral("*.") + documentExtension()});
    m_examplesModel->setNameFilterDisables(false);
    m_examplesRootIndex = m_examplesModel->setRootPath(examplesFolder());

    createFileMenu();
    createEditMenu();
    createViewMenu();
    createControlMenu();
    createToolMenu();
    createHelpMenu();
}

void VormaMenuBar::createFileMenu()
{
    VormaApplication *app = VormaApplication::instance();
    m_fileMenu = QMenuBar::addMenu(tr("&File"));
    m_fileMenu->setObjectName(QStringLiteral("fileMenu"));
    QAction *newAction = addAction(m_fileMenu, "actionNew", tr("&New"), QKeySequence::New);
    QAction *openAction = addAction(m_fileMenu, "actionOpen", tr("&Open..."), QKeySequence::Open);
    m_openRecentMenu = m_fileMenu->addMenu(tr("Open &Recent"));
    m_openRecentMenu->setObjectName(QStringLiteral("openRecentMenu"));
    m_openExampleMenu = m_fileMenu->addMenu(tr("Open &Example"));
    m_openExampleMenu->setObjectName(QStringLiteral("openExampleMenu"));
    m_closeAction = addAction(m_fileMenu, "actionClose", tr("&Close"), QKeySequence::Close);
    m_fileMenu->addSeparator();
    m_saveAction = addAction(m_fileMenu, "actionSave", tr("&Save"), QKeySequence::Save);
    m_saveAsAction = addAction(m_fileMenu, "actionSaveAs", tr("Save &As..."), QKeySequence::SaveAs);
    syncEnabledStateOfSaveActions();
    m_fileMenu->addSeparator();
    m_pageSetupAction = addAction(m_fileMenu, "actionPageSetup", tr("Page Set&up..."), shortcut("Shift+Ctrl+P"));
    m_printAction = addAction(m_fileMenu, "actionPrint", tr("&Print..."), QKeySequence::Print);
    m_fileMenu->addSeparator();
    QAction *exitAction = addAction(m_fileMenu, "actionExit", tr("E&xit"));
    if (app) {
        connect(newAction, &QAction::triggered, app, &VormaApplication::newDocument);
        connect(openAction, &QAction::triggered, app, qOverload<>(&VormaApplication::openDocuments));
        connect(m_closeAction, &QAction::triggered, app, &VormaApplication::closeActiveWindow);
        connect(exitAction, &QAction::triggered, app, &VormaApplication::appQuit);
    }
    connect(m_openRecentMenu, &QMenu::aboutToShow, this, &VormaMenuBar::updateOpenRecentMenu);
    connect(m_openRecentMenu, &QMenu::triggered, this, &VormaMenuBar::onOpenFileActionTriggered);
    connect(m_openExampleMenu, &QMenu::aboutToShow, this, &VormaMenuBar::updateOpenExampleMenu);
    connect(m_openExampleMenu, &QMenu::triggered, this, &VormaMenuBar::onOpenExampleFileActionTriggered);
}

void VormaMenuBar::createEditMenu()
{
    m_editMenu = QMenuBar::addMenu(tr("&Edit"));
    m_editMenu->setObjectName(QStringLiteral("editMenu"));
    m_undoAction = addAction(m_editMenu, "actionUndo", tr("&Undo"), QKeySequence::Undo);
    m_redoAction = addAction(m_editMenu, "actionRedo", tr("&Redo"), QKeySequence::Redo);
    m_editMenu->addSeparator();
    const struct
    {
        const char *name;
        const char *text;
        QKeySequence::StandardKey keys;
        void (VormaMenuBar::*slot)();
    } entries[] = {{"actionCut", QT_TR_NOOP("Cu&t"), QKeySequence::Cut, &VormaMenuBar::cut},
                   {"actionCopy", QT_TR_NOOP("&Copy"), QKeySequence::Copy, &VormaMenuBar::copy},
                   {"actionPaste", QT_TR_NOOP("&Paste"), QKeySequence::Paste, &VormaMenuBar::paste},
                   {"actionDelete", QT_TR_NOOP("&Delete"), QKeySequence::Delete, &VormaMenuBar::del},
                   {"actionSelectAll", QT_TR_NOOP("Select A&ll"), QKeySequence::SelectAll, &VormaMenuBar::selectAll}};
    for (const auto &entry : entries) {
        QAction *action = addAction(m_editMenu, entry.name, tr(entry.text), entry.keys);
        connect(action, &QAction::triggered, this, entry.slot);
        m_editActions << action;
    }
    m_editMenu->addSeparator();
    QAction *preferences = addAction(m_editMenu, "actionPreferences", tr("&Preferences..."));
    preferences->setMenuRole(QAction::PreferencesRole);
    if (VormaApplication *app = VormaApplication::instance())
        connect(preferences, &QAction::triggered, app, &VormaApplication::showAppPrefs);
    m_editActions << preferences;
}

void VormaMenuBar::createViewMenu()
{
    m_viewMenu = QMenuBar::addMenu(tr("&View"));
    m_viewMenu->setObjectName(QStringLiteral("viewMenu"));
    m_actualSizeAction = addAction(m_viewMenu, "actionActualSize", tr("Actual Size"), QKeySequence(Qt::CTRL | Qt::Key_0));
    m_zoomInAction = addAction(m_viewMenu, "actionZoomIn", tr("Zoom &In"));
    m_zoomInAction->setShortcuts(QKeySequence::ZoomIn);
    m_zoomOutAction = addAction(m_viewMenu, "actionZoomOut", tr("Zoom &Out"), QKeySequence::ZoomOut);
    m_viewMenu->addSeparator();
    m_showGridAction = addAction(m_viewMenu, "actionShowGrid", QString(), shortcut("Ctrl+'"));
    m_snapToGridAction = addAction(m_viewMenu, "actionSnapToGrid", QString(), shortcut("Shift+Ctrl+'"));
    m_viewMenu->addSeparator();
    m_showNodeCountersAction = addAction(m_viewMenu, "actionShowNodeCounters", QString(), shortcut("Shift+Ctrl+C"));
    m_showNodeLastNotesSentAction =
        addAction(m_viewMenu, "actionShowNodeLastNotesSent", QString(), shortcut("Shift+Ctrl+L"));
    m_viewMenu->addSeparator();
    m_showEdgeSignallingAction = addAction(m_viewMenu, "actionShowEdgeSignalling", QString(), shortcut("Shift+Ctrl+E"));
    m_viewMenu->addSeparator();
    // Once closed, the inspector comes back from here; its dock's own entry
    // sits only in the tool bar's context menu.
    m_inspectorAction = addAction(m_viewMenu, "actionInspector", QString());
    connect(m_inspectorAction, &QAction::triggered, this, [this] {
        if (QDockWidget *dock = m_window ? m_window->inspectorDock() : nullptr)
            dock->toggleViewAction()->trigger();
    });
    // The dock may have been hidden before it was ever shown, which it does
    // not announce.
    connect(m_viewMenu, &QMenu::aboutToShow, this, &VormaMenuBar::syncInspectorActionText);
    setShowGridActionText(false);
    setSnapToGridActionText(false);
    setShowNodeCountersActionText(false);
    setShowNodeLastNotesSentActionText(false);
    setShowEdgeSignallingActionText(false);
}

void VormaMenuBar::createControlMenu()
{
    m_controlMenu = QMenuBar::addMenu(tr("&Control"));
    m_controlMenu->setObjectName(QStringLiteral("controlMenu"));
    m_gotoStartAction = addAction(m_controlMenu, "actionGotoStart", tr("Go to &Start"), shortcut("Ctrl+R"));
    m_controlMenu->addSeparator();
    m_playPauseAction = addAction(m_controlMenu, "actionPlayPause", QString(), QKeySequence(Qt::Key_Space));
    m_midiTriggeringAction = addAction(m_controlMenu, "actionMidiTriggering", QString(), shortcut("Ctrl+T"));
    setPlayPauseActionText(false);
    setMidiTriggeringActionText(false);
}

void VormaMenuBar::createToolMenu()
{
    m_toolMenu = QMenuBar::addMenu(tr("&Tool"));
    m_toolMenu->setObjectName(QStringLiteral("toolMenu"));
    auto *group = new QActionGroup(this);
    group->setExclusive(true);
    const auto heading = [this](const QString &text) { m_toolMenu->addAction(text)->setEnabled(false); };
    const auto tool = [this, group](int number, const QString &text, const char *keys) {
        QAction *action = addAction(m_toolMenu, "", text, shortcut(keys));
        action->setObjectName(QStringLiteral("actionTool%1").arg(number));
        action->setCheckable(true);
        action->setData(number);
        group->addAction(action);
        m_toolActions.insert(number, action);
    };
    heading(tr("General"));
    tool(0, tr("   &Selection"), "Ctrl+1");
    tool(1, tr("   &Zoom"), "Ctrl+2");
    heading(tr("Elements"));
    tool(2, tr("   &Node && Edge"), "Ctrl+3");
    tool(3, tr("   &Voice Group"), "Ctrl+4");
    tool(4, tr("   &Text Box"), "Ctrl+5");
    connect(group, &QActionGroup::triggered, this, &VormaMenuBar::onToolTriggered);
}

void VormaMenuBar::createHelpMenu()
{
    VormaApplication *app = VormaApplication::instance();
    m_helpMenu = QMenuBar::addMenu(tr("&Help"));
    m_helpMenu->setObjectName(QStringLiteral("helpMenu"));
    QAction *manual = addAction(m_helpMenu, "actionManual", tr("Vorma &Manual"));
    m_helpMenu->addSeparator();
    QAction *website = addAction(m_helpMenu, "actionWebsite", tr("Vorma &Website"));
    QAction *community = addAction(m_helpMenu, "actionCommunity", tr("Vorma &Community"));
    QAction *support = addAction(m_helpMenu, "actionSupport", tr("Contact &Support"));
    m_helpMenu->addSeparator();
    QAction *about = addAction(m_helpMenu, "actionAbout", tr("&About Vorma"));
    about->setMenuRole(QAction::AboutRole);
    // The manual is a file a build puts beside the program: without it the
    // entry would open nothing. Looked for again whenever the menu opens.
    const auto syncManual = [manual] {
        manual->setEnabled(HelpLinks::manualExists(QCoreApplication::applicationDirPath()));
    };
    syncManual();
    connect(m_helpMenu, &QMenu::aboutToShow, manual, syncManual);
    // A build that was given no address offers no entry that goes nowhere.
    website->setEnabled(!HelpLinks::websiteUrl(HelpLinks::configuredWebsite()).isEmpty());
    community->setEnabled(!HelpLinks::communityUrl(HelpLinks::configuredWebsite()).isEmpty());
    support->setEnabled(!HelpLinks::supportUrl(HelpLinks::configuredSupportAddress(), applicationId()).isEmpty());
    if (app) {
        connect(manual, &QAction::triggered, app, &VormaApplication::openVormaManual);
        connect(website, &QAction::triggered, app, &VormaApplication::openVormaWebsiteUrl);
        connect(community, &QAction::triggered, app, &VormaApplication::openVormaCommunityUrl);
        connect(support, &QAction::triggered, app, &VormaApplication::openVormaSupportUrl);
        connect(about, &QAction::triggered, app, &VormaApplication::showAppAbout);
    }
}

bool VormaMenuBar::windowUsable() const
{
    return m_window && !m_window->isBlockedByDialog();
}

void VormaMenuBar::setVormaWindow(VormaWindow *window)
{
    for (const QMetaObject::Connection &connection : qAsConst(m_windowConnections))
        disconnect(connection);
    m_windowConnections.clear();
    m_window = window;

    if (window) {
        QmdVormaController *c = window->controller();
        auto &k = m_windowConnections;
        k << connect(c, &QmdController::modelReset, this, &VormaMenuBar::onModelReset);
        k << connect(c, qOverload<const QmdIndex &, const QStringList &, QmdRequestId>(&QmdController::itemsChanged),
                     this, &VormaMenuBar::onItemsEffected);
        k << connect(c, qOverload<const QmdIndex &, const QStringList &, QmdRequestId>(&QmdController::itemsRemoved),
                     this, &VormaMenuBar::onItemsEffected);
        // Automatic: the clock that follows MIDI emits this on a MIDI thread.
        k << connect(c, &QmdVormaController::playbackStateChanged, this, &VormaMenuBar::setPlayPauseActionText);
        k << connect(c, &QmdController::undoTextChanged, this, &VormaMenuBar::syncUndoActionText);
        k << connect(c, &QmdController::redoTextChanged, this, &VormaMenuBar::syncRedoActionText);
        k << connect(c, &QmdController::canUndoChanged, this, &VormaMenuBar::syncUndoRedoEnabled);
        k << connect(c, &QmdController::canRedoChanged, this, &VormaMenuBar::syncUndoRedoEnabled);

        const struct
        {
            QAction *action;
            QmdRequestId (QmdVormaController::*request)();
        } requests[] = {{m_showGridAction, &QmdVormaController::requestToggleShowGrid},
                        {m_snapToGridAction, &QmdVormaController::requestToggleSnapToGrid},
                        {m_showNodeCountersAction, &QmdVormaController::requestToggleShowNodeCounters},
                        {m_showNodeLastNotesSentAction, &QmdVormaController::requestToggleShowNodeLastNotesSent},
                        {m_showEdgeSignallingAction, &QmdVormaController::requestToggleShowEdgeSignalling},
                        {m_gotoStartAction, &QmdVormaController::requestGotoStart},
                        {m_playPauseAction, &QmdVormaController::requestTogglePlayback},
                        {m_midiTriggeringAction, &QmdVormaController::requestToggleMidiTriggering}};
        for (const auto &entry : requests) {
            const auto request = entry.request;
            k << connect(entry.action, &QAction::triggered, c, [c, request] { (c->*request)(); });
        }

        const struct
        {
            QAction *action;
            void (VormaWindow::*slot)();
        } windowSlots[] = {{m_saveAction, &VormaWindow::save},
                           {m_saveAsAction, &VormaWindow::saveAs},
                           {m_pageSetupAction, &VormaWindow::pageSetup},
                           {m_printAction, &VormaWindow::print},
                           {m_undoAction, &VormaWindow::undo},
                           {m_redoAction, &VormaWindow::redo},
                           {m_actualSizeAction, &VormaWindow::zoomActualSize},
                           {m_zoomInAction, &VormaWindow::zoomIn},
                           {m_zoomOutAction, &VormaWindow::zoomOut}};
        for (const auto &entry : windowSlots)
            k << connect(entry.action, &QAction::triggered, window, entry.slot);
        k << connect(window, &VormaWindow::canZoomInChanged, this,
                     [this](bool can) { m_zoomInAction->setEnabled(windowUsable() && can); });
        k << connect(window, &VormaWindow::canZoomOutChanged, this,
                     [this](bool can) { m_zoomOutAction->setEnabled(windowUsable() && can); });
        k << connect(window, &VormaWindow::blockedByDialogChanged, this,
                     &VormaMenuBar::onVormaWindowBlockedByDialogChanged);
    }

    const bool usable = windowUsable();
    m_closeAction->setEnabled(usable);
    syncEnabledStateOfSaveActions();
    m_pageSetupAction->setEnabled(usable);
    m_printAction->setEnabled(usable);
    m_editMenu->setEnabled(usable);
    // The entries follow their menu, so their shortcuts do too.
    for (QAction *action : qAsConst(m_editActions))
        action->setEnabled(usable);
    syncUndoActionText();
    syncRedoActionText();
    syncUndoRedoEnabled();
    m_actualSizeAction->setEnabled(usable);
    m_zoomInAction->setEnabled(usable && window->canZoomIn());
    m_zoomOutAction->setEnabled(usable && window->canZoomOut());
    for (QAction *action : {m_showGridAction, m_snapToGridAction, m_showNodeCountersAction,
                            m_showNodeLastNotesSentAction, m_showEdgeSignallingAction, m_inspectorAction})
        action->setEnabled(usable);
    syncInspectorActionText();
    m_controlMenu->setEnabled(usable);
    for (QAction *action : {m_gotoStartAction, m_playPauseAction, m_midiTriggeringAction})
        action->setEnabled(usable);
    m_toolMenu->setEnabled(usable);
    for (QAction *action : qAsConst(m_toolActions))
        action->setEnabled(usable);

    setShowGridActionText(false);
    setSnapToGridActionText(false);
    setShowNodeCountersActionText(false);
    setShowNodeLastNotesSentActionText(false);
    setShowEdgeSignallingActionText(false);
    setPlayPauseActionText(false);
    setMidiTriggeringActionText(false);

    if (window) {
        onItemsEffected(QmdIndex(), {Keys::ShowGrid, Keys::SnapToGrid, Keys::ShowNodeCounters,
                                     Keys::ShowNodeLastNotesSent, Keys::ShowEdgeSignalling,
                                     Keys::MidiTriggeringEnabled, Keys::Tool});
        if (AbstractSync *sync = window->controller()->sync())
            setPlayPauseActionText(sync->isPlaying());
    }
}

void VormaMenuBar::onModelReset()
{
    setVormaWindow(m_window);
}

void VormaMenuBar::onVormaWindowBlockedByDialogChanged(bool)
{
    setVormaWindow(m_window);
}

void VormaMenuBar::onItemsEffected(const QmdIndex &parent, const QStringList &keys)
{
    if (!m_window || !(parent == QmdIndex()))
        return;
    QmdVormaController *c = m_window->controller();
    const struct
    {
        const QString &key;
        void (VormaMenuBar::*setText)(bool);
    } switches[] = {{Keys::ShowGrid, &VormaMenuBar::setShowGridActionText},
                    {Keys::SnapToGrid, &VormaMenuBar::setSnapToGridActionText},
                    {Keys::ShowNodeCounters, &VormaMenuBar::setShowNodeCountersActionText},
                    {Keys::ShowNodeLastNotesSent, &VormaMenuBar::setShowNodeLastNotesSentActionText},
                    {Keys::ShowEdgeSignalling, &VormaMenuBar::setShowEdgeSignallingActionText},
                    {Keys::MidiTriggeringEnabled, &VormaMenuBar::setMidiTriggeringActionText}};
    for (const auto &entry : switches) {
        if (keys.contains(entry.key))
            (this->*entry.setText)(c->data(entry.key).toBool());
    }
    if (keys.contains(Keys::Tool)) {
        bool ok = false;
        const uint tool = c->data(Keys::Tool).toUInt(&ok);
        QAction *action = ok && tool <= 4 ? m_toolActions.value(int(tool)) : nullptr;
        if (action)
            action->setChecked(true);
        else
            c->requestSetData(Keys::Tool, 0, QmdIndex(), noUndo());
    }
}

void VormaMenuBar::onToolTriggered(QAction *action)
{
    if (m_window)
        m_window->controller()->requestSetData(Keys::Tool, action->data(), QmdIndex(), noUndo());
}

void VormaMenuBar::syncEnabledStateOfSaveActions()
{
    const bool usable = windowUsable();
    m_saveAction->setEnabled(usable);
    m_saveAsAction->setEnabled(usable);
}

void VormaMenuBar::syncUndoActionText()
{
    m_undoAction->setText(m_window ? tr("&Undo") + QLatin1Char(' ') + m_window->controller()->undoText()
                                   : tr("&Undo"));
}

void VormaMenuBar::syncRedoActionText()
{
    m_redoAction->setText(m_window ? tr("&Redo") + QLatin1Char(' ') + m_window->controller()->redoText()
                                   : tr("&Redo"));
}

void VormaMenuBar::syncUndoRedoEnabled()
{
    const bool usable = windowUsable();
    m_undoAction->setEnabled(usable && m_window->controller()->canUndo());
    m_redoAction->setEnabled(usable && m_window->controller()->canRedo());
}

void VormaMenuBar::setShowGridActionText(bool on)
{
    m_showGridAction->setText(on ? tr("Hide &Grid") : tr("Show &Grid"));
}

void VormaMenuBar::setSnapToGridActionText(bool on)
{
    m_snapToGridAction->setText(on ? tr("Turn &Snap to Grid Off") : tr("Turn &Snap to Grid On"));
}

void VormaMenuBar::setShowNodeCountersActionText(bool on)
{
    m_showNodeCountersAction->setText(on ? tr("Hide Node &Counters") : tr("Show Node &Counters"));
}

void VormaMenuBar::setShowNodeLastNotesSentActionText(bool on)
{
    m_showNodeLastNotesSentAction->setText(on ? tr("Hide Node &Last Note(s) Sent")
                                              : tr("Show Node &Last Note(s) Sent"));
}

void VormaMenuBar::setShowEdgeSignallingActionText(bool on)
{
    m_showEdgeSignallingAction->setText(on ? tr("Hide &Edge Signalling") : tr("Show &Edge Signalling"));
}

void VormaMenuBar::setPlayPauseActionText(bool playing)
{
    m_playPauseAction->setText(playing ? tr("Pause") : tr("Play"));
}

void VormaMenuBar::setMidiTriggeringActionText(bool on)
{
    m_midiTriggeringAction->setText(on ? tr("Disable MIDI &Triggering") : tr("Enable MIDI &Triggering"));
}

void VormaMenuBar::syncInspectorActionText()
{
    const QDockWidget *dock = m_window ? m_window->inspectorDock() : nullptr;
    m_inspectorAction->setText(dock && !dock->isHidden() ? tr("Hide &Inspector") : tr("Show &Inspector"));
}

void VormaMenuBar::invokeEditAction(const char *method)
{
    // A menu bar holds the keyboard after Alt alone or an Escape out of a
    // menu, and has these slots itself: handing the command to it, or to a
    // widget whose slot comes back here, would call this without end. Such a
    // command goes to the window instead.
    static bool forwardingToFocus = false;
    const QByteArray signature = QByteArray(method) + "()";
    QWidget *focus = QApplication::focusWidget();
    if (focus && !forwardingToFocus && !qobject_cast<QMenuBar *>(focus)
        && focus->metaObject()->indexOfMethod(signature.constData()) >= 0) {
        const QScopedValueRollback<bool> forwarding(forwardingToFocus, true);
        QMetaObject::invokeMethod(focus, method, Qt::DirectConnection);
        return;
    }
    // The application's focus window, else this bar's own: without focus
    // tracking (no application object) the bar's window is the one typed in.
    VormaApplication *app = VormaApplication::instance();
    QObject *window = app && app->focusWindow() ? static_cast<QObject *>(app->focusWindow()) : m_window.data();
    if (window)
        QMetaObject::invokeMethod(window, method, Qt::DirectConnection);
}

void VormaMenuBar::cut()
{
    invokeEditAction("cut");
}

void VormaMenuBar::copy()
{
    invokeEditAction("copy");
}

void VormaMenuBar::paste()
{
    invokeEditAction("paste");
}

void VormaMenuBar::del()
{
    invokeEditAction("del");
}

void VormaMenuBar::selectAll()
{
    invokeEditAction("selectAll");
}

QStringList VormaMenuBar::recentFileTexts(const QStringList &existingPaths)
{
    QHash<QString, int> baseNameCounts;
    for (const QString &path : existingPaths)
        ++baseNameCounts[QFileInfo(path).completeBaseName()];
    QStringList texts;
    for (const QString &path : existingPaths) {
        const QFileInfo info(path);
        QString text = info.completeBaseName();
        if (baseNameCounts.value(text) > 1)
            text += tr(" \u2014 ") + QDir(info.path()).dirName();
        texts << text;
    }
    return texts;
}

void VormaMenuBar::updateOpenRecentMenu()
{
    m_openRecentMenu->clear();
    QStringList existing;
    for (const QString &path : VormaWindow::recentFiles()) {
        // Files gone since stay in the settings: a disk may come back.
        if (!path.isEmpty() && QFileInfo::exists(path))
            existing << path;
    }
    const QStringList texts = recentFileTexts(existing);
    QFileIconProvider icons;
    for (int i = 0; i < existing.size(); ++i) {
        const QFileInfo info(existing.at(i));
        QAction *action = m_openRecentMenu->addAction(icons.icon(info), texts.at(i));
        action->setData(info.filePath());
    }
    if (!existing.isEmpty())
        m_openRecentMenu->addSeparator();
    QAction *clear = m_openRecentMenu->addAction(tr("&Clear Menu"));
    clear->setObjectName(QStringLiteral("actionClearRecent"));
    clear->setEnabled(!existing.isEmpty());
    connect(clear, &QAction::triggered, this, &VormaMenuBar::clearOpenRecentMenu);
}

void VormaMenuBar::clearOpenRecentMenu()
{
    QSettings().remove(recentFilesKey());
}

void VormaMenuBar::onOpenFileActionTriggered(QAction *action)
{
    const QString path = action ? action->data().toString() : QString();
    VormaApplication *app = VormaApplication::instance();
    // "Clear Menu" carries no path.
    if (app && !path.isEmpty())
        app->openDocument(path, false);
}

void VormaMenuBar::updateOpenExampleMenu()
{
    m_openExampleMenu->clear();
    const int count = m_examplesModel->rowCount(m_examplesRootIndex);
    if (count == 0) {
        m_openExampleMenu->addAction(tr("(Empty)"))->setEnabled(false);
        return;
    }
    for (int row = 0; row < count; ++row) {
        const QModelIndex index = m_examplesModel->index(row, 0, m_examplesRootIndex);
        const QString path = m_examplesModel->filePath(index);
        QAction *action = m_openExampleMenu->addAction(m_examplesModel->fileIcon(index),
                                                       QFileInfo(path).completeBaseName());
        action->setData(path);
    }
}

void VormaMenuBar::onOpenExampleFileActionTriggered(QAction *action)
{
    const QString path = action ? action->data().toString() : QString();
    VormaApplication *app = VormaApplication::instance();
    // As a template: the example opens untitled and is never written.
    if (app && !path.isEmpty())
        app->openDocument(path, true);
}
