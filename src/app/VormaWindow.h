#ifndef APP_VORMAWINDOW_H
#define APP_VORMAWINDOW_H

#include "Qmd/Qmd.h"
#include "Qmd/QmdFileStatus.h"
#include "Qmd/QmdIndex.h"
#include "QmdVorma/QmdVorma.h"
#include "app/PlaybackControlsForm.h"
#include "app/ToolChooserForm.h"
#include "app/VormaWindowForm.h"
#include "inspector/InspectedWindow.h"

#include <QFile>
#include <QHash>
#include <QMainWindow>
#include <QPixmap>
#include <QString>

class Inspector;
class QAction;
class QDialog;
class QDockWidget;
class QFrame;
class QMenu;
class QPrinter;
class QTimer;
class QToolBar;
class QmdMemModel;
class NetworkScene;
class NetworkView;
class QmdVormaController;

// The main window of one open document. It owns the document's model and
// controller, the scene shown in its view and the printer, keeps its title
// and modified mark in step with the controller, asks whether to save when
// a modified document is closed, and offers the commands of the canvas and
// the menus as slots. The application makes windows, sets them to delete
// themselves when closed and shows them.
class VormaWindow : public QMainWindow, public InspectedWindow
{
    Q_OBJECT
    Q_PROPERTY(int playbackPosDisplayMode READ playbackPosDisplayMode WRITE setPlaybackPosDisplayMode NOTIFY
                   playbackPosDisplayModeChanged)

public:
    static constexpr int UndoLimit = 100;
    static constexpr double DefaultZoomScale = 0.75;
    static constexpr int MaxRecentFiles = 10;

    VormaWindow();
    ~VormaWindow() override;

    QmdVormaController *controller() const override { return m_controller; }
    NetworkScene *scene() const { return m_scene; }
    NetworkView *view() const { return m_form.networkView; }
    QmdItemIdSet selectedElementIds() const override;
    Inspector *inspector() const { return m_inspector; }
    QDockWidget *inspectorDock() const { return m_inspectorDock; }
    QString displayName() const { return m_displayName; }

    // Where the next paste is centred; the view sets it, through the
    // meta-object, on a click on empty canvas.
    Q_INVOKABLE void setPastePos(const QmdVorma::TickPoint &pos);
    bool isPastePosSet() const { return m_pastePosSet; }
    QmdVorma::TickPoint pastePos() const { return m_pastePos; }

    // True while a prompt or dialog of this window is open.
    bool isBlockedByDialog() const { return m_isBlockedByDialog; }

    // Both judge the scale the view shows, so a stored scale the view
    // mends (not finite, not positive, out of range) zooms from what is seen.
    bool canZoomIn() const;
    bool canZoomOut() const;

    // Page setup and printing share it for the window's life.
    QPrinter *printer() const { return m_printer; }

    // The template a new window starts from: the "TemplateFile" setting when
    // a file is there, else template.vrm beside the program when it exists,
    // else none (an empty string: the controller's defaults).
    static QString templatePath();

    // Puts the path, made absolute, at the front of the recent files, once.
    static void addRecentFile(const QString &path);
    // The recent files, most recent first.
    static QStringList recentFiles();

    // 1 time, 2 principals, 3 beats.
    int playbackPosDisplayMode() const { return m_playbackPosDisplayMode; }
    const PlaybackControlsForm &transportForm() const { return m_transportForm; }
    const ToolChooserForm &toolChooserForm() const { return m_toolChooserForm; }
    QMenu *displayModeMenu() const { return m_displayModeMenu; }
    QToolBar *toolBar() const { return m_form.toolBar; }

    static QString toolBarStyleSheet();

signals:
    void elementSelectionChanged();
    void canZoomInChanged(bool canZoomIn);
    void canZoomOutChanged(bool canZoomOut);
    void blockedByDialogChanged(bool blocked);
    void playbackPosDisplayModeChanged(int mode);
    void saveRequested();

public slots:
    void reset();
    void save();
    void saveAs();
    void setPlaybackPosDisplayMode(int mode);
    void onDisplayModeMenuActionTriggered(QAction *action);
    void cut();
    void copy();
    void paste();
    void del();
    void selectAll();
    void undo();
    void redo();
    void zoom(qreal scale);
    void zoomIn();
    void zoomOut();
    void zoomActualSize();
    void pageSetup();
    void print();
    void onPrintAccepted();
    void onFileSaved();
    void onFileSaveError(const QString &fileName, QFile::FileError error);
    void onFileLoaded();
    void onFileLoadError(const QString &fileName, const QmdFileStatus &status);
    void onFileNameChanged(const QString &fileName);
    void onAtCleanStateChanged(bool atCleanState);
    void onItemsEffected(const QmdIndex &parent, const QStringList &keys);
    void onToolTriggered(QAction *action);
    void onPlaybackStateChanged(bool playing);
    void beginBlockByDialog();
    void endBlockByDialog();
    void updatePlaybackPosDisplayForCurrentMode();

protected:
    void closeEvent(QCloseEvent *event) override;
    // Watches the window and its inspector dock, which is a window of its
    // own while it floats, for the Space that Play/Pause would take.
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void setUpToolBar();
    void setUpTransport();
    double shownZoomScale() const;
    void openPrinterDialog(QDialog *dialog, void (VormaWindow::*onAccepted)());

    VormaWindowForm m_form;
    QmdMemModel *m_model = nullptr;
    QmdVormaController *m_controller = nullptr;
    NetworkScene *m_scene = nullptr;
    QPrinter *m_printer = nullptr;
    QHash<int, QAction *> m_toolActions;
    QTimer *m_displayTimer = nullptr;
    PlaybackControlsForm m_transportForm;
    ToolChooserForm m_toolChooserForm;
    QMenu *m_displayModeMenu = nullptr;
    int m_playbackPosDisplayMode = 0;
    QHash<QChar, QPixmap> m_solidGlyphs;
    QHash<QChar, QPixmap> m_dimGlyphs;
    bool m_pastePosSet = false;
    bool m_pastedAtPastePos = false;
    QmdVorma::TickPoint m_pastePos;
    bool m_isBlockedByDialog = false;
    bool m_closeAfterSave = false;
    QString m_displayName;
    QDockWidget *m_inspectorDock = nullptr;
    Inspector *m_inspector = nullptr;
};

#endif
