#ifndef APP_VORMAMENUBAR_H
#define APP_VORMAMENUBAR_H

#include "Qmd/QmdIndex.h"

#include <QHash>
#include <QList>
#include <QMenuBar>
#include <QMetaObject>
#include <QModelIndex>
#include <QPointer>
#include <QStringList>

class QAction;
class QFileSystemModel;
class QMenu;
class VormaWindow;

// The menu bar of one document window. Application entries (new, open,
// exit, help...) work with or without a window; the others drive the window
// it is bound to and its controller, and follow them: enabled while the
// window is there and no prompt of its blocks it, with texts that say what
// choosing them will do ("Show Grid" / "Hide Grid", "Play" / "Pause").
// Every action carries an object name ("actionSave", ...) by which the
// window's tests find it.
class VormaMenuBar : public QMenuBar
{
    Q_OBJECT

public:
    explicit VormaMenuBar(VormaWindow *window);

    VormaWindow *vormaWindow() const { return m_window; }
    QMenu *openRecentMenu() const { return m_openRecentMenu; }
    QMenu *openExampleMenu() const { return m_openExampleMenu; }
    QAction *toolAction(int tool) const { return m_toolActions.value(tool); }

    // Where the examples are looked for: "Examples" beside the program.
    static QString examplesFolder();

    // A recent-file entry's text: the complete base name, and its folder's
    // name when another listed file shares that base name.
    static QStringList recentFileTexts(const QStringList &existingPaths);

public slots:
    void setVormaWindow(VormaWindow *window);
    void onModelReset();
    void onToolTriggered(QAction *action);
    void onItemsEffected(const QmdIndex &parent, const QStringList &keys);
    void onVormaWindowBlockedByDialogChanged(bool blocked);
    void clearOpenRecentMenu();
    void updateOpenRecentMenu();
    void updateOpenExampleMenu();
    void onOpenFileActionTriggered(QAction *action);
    void onOpenExampleFileActionTriggered(QAction *action);
    void cut();
    void copy();
    void paste();
    void del();
    void selectAll();
    void syncEnabledStateOfSaveActions();
    void syncUndoActionText();
    void syncRedoActionText();
    void setShowGridActionText(bool on);
    void setSnapToGridActionText(bool on);
    void setShowNodeCountersActionText(bool on);
    void setShowNodeLastNotesSentActionText(bool on);
    void setShowEdgeSignallingActionText(bool on);
    void setPlayPauseActionText(bool playing);
    void setMidiTriggeringActionText(bool on);
    // "Show Inspector" or "Hide Inspector", as the window's inspector dock is.
    void syncInspectorActionText();

private:
    void createMenus();
    void createFileMenu();
    void createEditMenu();
    void createViewMenu();
    void createControlMenu();
    void createToolMenu();
    void createHelpMenu();
    QAction *addAction(QMenu *menu, const char *name, const QString &text, const QKeySequence &shortcut = {});
    // True when a window is attached and no prompt of it is open.
    bool windowUsable() const;
    void syncUndoRedoEnabled();
    // Runs the named edit slot on the focused widget when it has one, else
    // on the application's focus window.
    void invokeEditAction(const char *method);

    QPointer<VormaWindow> m_window;
    QHash<int, QAction *> m_toolActions;
    QFileSystemModel *m_examplesModel = nullptr;
    QModelIndex m_examplesRootIndex;
    // Every connection to the window and its controller, undone when the
    // menu bar is bound again, so no entry ever sends a request twice.
    QList<QMetaObject::Connection> m_windowConnections;

    QMenu *m_fileMenu = nullptr;
    QMenu *m_editMenu = nullptr;
    QMenu *m_viewMenu = nullptr;
    QMenu *m_controlMenu = nullptr;
    QMenu *m_toolMenu = nullptr;
    QMenu *m_helpMenu = nullptr;
    QMenu *m_openRecentMenu = nullptr;
    QMenu *m_openExampleMenu = nullptr;

    QAction *m_closeAction = nullptr;
    QAction *m_saveAction = nullptr;
    QAction *m_saveAsAction = nullptr;
    QAction *m_pageSetupAction = nullptr;
    QAction *m_printAction = nullptr;
    QAction *m_undoAction = nullptr;
    QAction *m_redoAction = nullptr;
    QList<QAction *> m_editActions;
    QAction *m_actualSizeAction = nullptr;
    QAction *m_zoomInAction = nullptr;
    QAction *m_zoomOutAction = nullptr;
    QAction *m_showGridAction = nullptr;
    QAction *m_snapToGridAction = nullptr;
    QAction *m_showNodeCountersAction = nullptr;
    QAction *m_showNodeLastNotesSentAction = nullptr;
    QAction *m_showEdgeSignallingAction = nullptr;
    QAction *m_inspectorAction = nullptr;
    QAction *m_gotoStartAction = nullptr;
    QAction *m_playPauseAction = nullptr;
    QAction *m_midiTriggeringAction = nullptr;
};

#endif
