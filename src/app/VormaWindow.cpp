#include "app/VormaWindow.h"

#include "Qmd/QmdMemModel.h"
#include "QmdVorma/ApplicationSettingsKeys.h"
#include "QmdVorma/DocumentKeys.h"
#include "QmdVorma/QmdVormaController.h"
#include "QmdVorma/playback/AbstractSync.h"
#include "app/CanvasPrint.h"
#include "app/FileErrorMessage.h"
#include "app/PlaybackPosLayout.h"
#include "app/ProductInfo.h"
#include "app/VormaApplication.h"
#include "app/VormaMenuBar.h"
#include "canvas/GridGeometry.h"
#include "canvas/NetworkScene.h"
#include "canvas/NetworkView.h"
#include "canvas/ZoomGeometry.h"
#include "inspector/Inspector.h"

#include <QAbstractItemView>
#include <QAction>
#include <QActionGroup>
#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QCoreApplication>
#include <QDockWidget>
#include <QFileDialog>
#include <QFileInfo>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QSpinBox>
#include <QStackedWidget>
#include <QToolButton>
#include <QMessageBox>
#include <QPageSetupDialog>
#include <QPainter>
#include <QPainterPath>
#include <QPrintDialog>
#include <QPrinter>
#include <QSettings>
#include <QTimer>
#include <QToolBar>

#include <cmath>

namespace Keys = QmdVorma::Keys;

namespace {

QmdRequestOptions noUndo(const QString &text = QString())
{
    QmdRequestOptions options;
    options.flags = Qmd::NoUndo;
    options.text = text;
    return options;
}

const QString GlyphOrder = QStringLiteral("0123456789,.:");

QHash<QChar, QPixmap> cutGlyphs(const QString &stripPath)
{
    const QPixmap strip(stripPath);
    QHash<QChar, QPixmap> glyphs;
    for (int i = 0; i < GlyphOrder.size(); ++i)
        glyphs.insert(GlyphOrder.at(i), strip.copy(0, i * 18, 10, 18));
    return glyphs;
}

QMessageBox *fileErrorBox(const FileErrorMessage &message, Qt::WindowModality modality)
{
    auto *box = new QMessageBox;
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->setWindowModality(modality);
    box->setWindowTitle(productDisplayName());
    box->setStandardButtons(QMessageBox::Ok);
    box->setIcon(QMessageBox::Warning);
    box->setText(message.text);
    box->setInformativeText(message.informativeText);
    return box;
}

// A question the window asks: the window comes to the front first, so the
// user sees which document it concerns.
QMessageBox *questionFor(QWidget *window, const QString &text, const QString &informativeText)
{
    window->activateWindow();
    window->raise();
    window->setFocus(Qt::OtherFocusReason);
    auto *box = new QMessageBox;
    box->setWindowModality(Qt::WindowModal);
    box->setWindowTitle(productDisplayName());
    box->setIcon(QMessageBox::Question);
    box->setText(text);
    box->setInformativeText(informativeText);
    return box;
}

// Whether the focused widget does something of its own with Space: a
// button or check box clicks, a combo box opens, a list or table selects.
// Text fields claim their keys themselves before the window is asked. The
// tool bar's buttons leave Space to playback, as the canvas does.
bool usesSpace(const QWidget *focus)
{
    if (!focus)
        return false;
    for (const QWidget *w = focus->parentWidget(); w; w = w->parentWidget()) {
        if (qobject_cast<const QToolBar *>(w))
            return false;
    }
    if (const auto *group = qobject_cast<const QGroupBox *>(focus))
        return group->isCheckable();
    return qobject_cast<const QAbstractButton *>(focus) || qobject_cast<const QComboBox *>(focus)
           || qobject_cast<const QAbstractItemView *>(focus);
}

} // namespace

VormaWindow::VormaWindow()
    : QMainWindow(nullptr)
    , m_displayName(tr("Untitled"))
{
    m_form.setupUi(this);
    m_form.networkView->setEditTarget(this);

    m_model = new QmdMemModel(this);
    m_controller = new QmdVormaController(this);
    m_controller->setModel(m_model);
    m_controller->requestSetUndoRedoLimit(UndoLimit);

    const QString path = templatePath();
    if (!path.isEmpty())
        m_controller->requestLoadTemplate(path);

    m_controller->requestSetData(Keys::ZoomScale, DefaultZoomScale, QmdIndex(), noUndo(tr("Windows: Default Zoom")));

    m_scene = new NetworkScene(this);
    m_form.networkView->setNetworkScene(m_scene);
    connect(m_scene, &QGraphicsScene::selectionChanged, this, &VormaWindow::elementSelectionChanged);

    m_printer = new QPrinter(QPrinter::HighResolution);
    m_printer->setPageOrientation(QPageLayout::Landscape);

    m_form.toolBar->setMovable(false);

    auto *toolGroup = new QActionGroup(this);
    toolGroup->setExclusive(true);
    const QList<QAction *> tools{m_form.actionSelectionTool, m_form.actionZoomTool, m_form.actionNodeAndEdgeTool,
                                 m_form.actionVoiceGroupTool, m_form.actionTextBoxTool};
    for (int tool = 0; tool < tools.size(); ++tool) {
        tools[tool]->setData(tool);
        toolGroup->addAction(tools[tool]);
        m_toolActions.insert(tool, tools[tool]);
    }
    connect(toolGroup, &QActionGroup::triggered, this, &VormaWindow::onToolTriggered);

    m_displayTimer = new QTimer(this);
    m_displayTimer->setInterval(32);
    connect(m_displayTimer, &QTimer::timeout, this, &VormaWindow::updatePlaybackPosDisplayForCurrentMode);
    setUpToolBar();
    setUpTransport();

    connect(m_controller, &QmdVormaController::playbackStateChanged, this, &VormaWindow::onPlaybackStateChanged);
    connect(m_controller, &QmdVormaController::playbackJogged, this,
            &VormaWindow::updatePlaybackPosDisplayForCurrentMode);
    connect(m_controller, &QmdDocController::fileSaved, this, &VormaWindow::onFileSaved);
    connect(m_controller, &QmdDocController::fileSaveError, this, &VormaWindow::onFileSaveError);
    connect(m_controller, &QmdDocController::fileLoaded, this, &VormaWindow::onFileLoaded);
    connect(m_controller, &QmdDocController::fileLoadError, this, &VormaWindow::onFileLoadError);
    connect(m_controller, &QmdDocController::fileNameChanged, this, &VormaWindow::onFileNameChanged);
    connect(m_controller, &QmdController::atCleanStateChanged, this, &VormaWindow::onAtCleanStateChanged);
    connect(m_controller, qOverload<const QmdIndex &, const QStringList &, QmdRequestId>(&QmdController::itemsChanged),
            this, &VormaWindow::onItemsEffected);
    connect(m_controller, qOverload<const QmdIndex &, const QStringList &, QmdRequestId>(&QmdController::itemsRemoved),
            this, &VormaWindow::onItemsEffected);
    connect(m_controller, &QmdController::modelReset, this, &VormaWindow::reset);

    m_scene->setController(m_controller);
    m_form.networkView->setController(m_controller);

    auto *bar = new VormaMenuBar(this);
    setMenuBar(bar);
    m_inspectorDock = new QDockWidget(this, Qt::Tool);
    m_inspectorDock->setObjectName(QStringLiteral("inspectorDock"));
    m_inspector = new Inspector(this, m_inspectorDock);
    m_inspectorDock->setWidget(m_inspector);
    addDockWidget(Qt::RightDockWidgetArea, m_inspectorDock);
    m_inspectorDock->setAllowedAreas(Qt::LeftDockWidgetArea | Qt::RightDockWidgetArea);
    m_inspectorDock->setFloating(false);
    m_inspectorDock->show();
    // The dock's title names the page shown; its entry in the tool bar's
    // context menu names the inspector, whatever the page. The dock renames
    // the entry after its title on every change, before this signal.
    const auto nameToggleEntry = [this] { m_inspectorDock->toggleViewAction()->setText(tr("Inspector")); };
    connect(m_inspectorDock, &QWidget::windowTitleChanged, this, nameToggleEntry);
    nameToggleEntry();
    connect(m_inspectorDock, &QDockWidget::visibilityChanged, bar, &VormaMenuBar::syncInspectorActionText);
    bar->syncInspectorActionText();
    installEventFilter(this);
    m_inspectorDock->installEventFilter(this);

    resize(1000, height());
    reset();
}

VormaWindow::~VormaWindow()
{
    // Nobody follows the selection of a window that goes; the inspector
    // would otherwise ask a half-destroyed scene for it.
    disconnect(this, &VormaWindow::elementSelectionChanged, nullptr, nullptr);
    delete m_printer;
    m_printer = nullptr;
    // The scene goes while the window is still whole: clearing its items
    // changes the selection, which it relays to this window.
    delete m_scene;
    m_scene = nullptr;
    // The menu bar lets go of the controller before it goes: stopping
    // playback there may still signal.
    if (auto *bar = qobject_cast<VormaMenuBar *>(menuBar()))
        bar->setVormaWindow(nullptr);
    // The controller joins the playback threads, which read the model.
    delete m_controller;
    m_controller = nullptr;
    delete m_model;
    m_model = nullptr;
}

bool VormaWindow::eventFilter(QObject *watched, QEvent *event)
{
    // A key that no widget claimed reaches its window here before a shortcut
    // can take it: Space stays with a focused widget that uses it, and
    // otherwise plays or pauses.
    if (event->type() == QEvent::ShortcutOverride && static_cast<QKeyEvent *>(event)->key() == Qt::Key_Space
        && usesSpace(QApplication::focusWidget())) {
        event->accept();
        return true;
    }
    return QMainWindow::eventFilter(watched, event);
}

QString VormaWindow::templatePath()
{
    const QString custom = QSettings().value(templateFileKey()).toString();
    if (!custom.isEmpty() && QFileInfo(custom).isFile())
        return custom;
    const QString besideProgram = QCoreApplication::applicationDirPath() + QStringLiteral("/template.vrm");
    return QFileInfo(besideProgram).isFile() ? besideProgram : QString();
}

QmdItemIdSet VormaWindow::selectedElementIds() const
{
    return m_scene->selectedElementIds();
}

void VormaWindow::setPastePos(const QmdVorma::TickPoint &pos)
{
    m_pastePos = pos;
    m_pastePosSet = true;
    m_pastedAtPastePos = false;
}

double VormaWindow::shownZoomScale() const
{
    return ZoomGeometry::usableScale(m_controller->data(Keys::ZoomScale));
}

bool VormaWindow::canZoomIn() const
{
    return shownZoomScale() < ZoomGeometry::MaxScale;
}

bool VormaWindow::canZoomOut() const
{
    return shownZoomScale() > ZoomGeometry::MinScale;
}

void VormaWindow::reset()
{
    m_displayTimer->stop();
    onFileNameChanged(m_controller->fileName());
    setWindowModified(!m_controller->isAtCleanState());
    AbstractSync *sync = m_controller->sync();
    if (sync && sync->isPlaying())
        m_displayTimer->start();
    else
        m_displayTimer->stop();
    updatePlaybackPosDisplayForCurrentMode();
}

void VormaWindow::onFileNameChanged(const QString &fileName)
{
    m_displayName = fileName.isEmpty() ? tr("Untitled") : QFileInfo(fileName).completeBaseName();
    setWindowFilePath(fileName);
    setWindowTitle(m_displayName + QStringLiteral("[*] - ") + productDisplayName());
}

void VormaWindow::onAtCleanStateChanged(bool atCleanState)
{
    setWindowModified(!atCleanState);
}

void VormaWindow::onItemsEffected(const QmdIndex &parent, const QStringList &keys)
{
    if (!(parent == QmdIndex()))
        return;
    if (keys.contains(Keys::Tool)) {
        bool ok = false;
        const uint tool = m_controller->data(Keys::Tool).toUInt(&ok);
        QAction *action = ok ? m_toolActions.value(int(tool)) : nullptr;
        if (action && tool <= 4)
            action->setChecked(true);
        else
            m_controller->requestSetData(Keys::Tool, 0, QmdIndex(), noUndo());
    }
    if (keys.contains(Keys::ZoomScale)) {
        emit canZoomInChanged(canZoomIn());
        emit canZoomOutChanged(canZoomOut());
    }
}

void VormaWindow::onToolTriggered(QAction *action)
{
    m_controller->requestSetData(Keys::Tool, action->data(), QmdIndex(), noUndo());
}

void VormaWindow::onPlaybackStateChanged(bool playing)
{
    if (playing)
        m_displayTimer->start();
    else
        m_displayTimer->stop();
    updatePlaybackPosDisplayForCurrentMode();
}

void VormaWindow::beginBlockByDialog()
{
    m_isBlockedByDialog = true;
    emit blockedByDialogChanged(true);
}

void VormaWindow::endBlockByDialog()
{
    m_isBlockedByDialog = false;
    emit blockedByDialogChanged(false);
}

void VormaWindow::closeEvent(QCloseEvent *event)
{
    if (m_controller->isAtCleanState()) {
        event->accept();
        return;
    }
    QMessageBox *box = questionFor(
        this, tr("Do you want to save the changes you made to the network \u201c%1\u201d?").arg(m_displayName),
        tr("Your changes will be lost if you don't save them."));
    box->setStandardButtons(QMessageBox::Save | QMessageBox::Discard | QMessageBox::Cancel);
    box->setDefaultButton(QMessageBox::Save);
    box->setEscapeButton(QMessageBox::Cancel);

    beginBlockByDialog();
    const int answer = box->exec();
    endBlockByDialog();
    delete box;

    switch (answer) {
    case QMessageBox::Save:
        m_closeAfterSave = true;
        save();
        event->ignore();
        break;
    case QMessageBox::Discard:
        event->accept();
        break;
    default:
        event->ignore();
        break;
    }
}

void VormaWindow::onFileLoaded()
{
    m_controller->requestSetData(Keys::Tool, 0, QmdIndex(), noUndo());
    addRecentFile(m_controller->fileName());
}

void VormaWindow::addRecentFile(const QString &path)
{
    QStringList paths = recentFiles();
    // Relative names would point elsewhere once the working folder changes.
    const QString absolute = path.isEmpty() ? path : QFileInfo(path).absoluteFilePath();
    paths.removeOne(absolute);
    paths.prepend(absolute);
    while (paths.size() > MaxRecentFiles)
        paths.removeLast();

    QSettings settings;
    settings.remove(recentFilesKey());
    settings.beginWriteArray(recentFilesKey(), paths.size());
    for (int i = 0; i < paths.size(); ++i) {
        settings.setArrayIndex(i);
        settings.setValue(recentFilesPathKey(), paths.at(i));
    }
    settings.endArray();
}

void VormaWindow::onFileLoadError(const QString &fileName, const QmdFileStatus &status)
{
    QMessageBox *box = fileErrorBox(FileErrorMessage::forLoad(fileName, status), Qt::ApplicationModal);
    box->exec();
    // The application decides what follows the window that held nothing:
    // closing it must not end the program by itself.
    setAttribute(Qt::WA_QuitOnClose, false);
    close();
}

void VormaWindow::copy()
{
    const QmdItemIdSet ids = selectedElementIds();
    if (m_controller && !ids.isEmpty())
        m_controller->requestCopy(ids);
}

void VormaWindow::cut()
{
    copy();
    del();
}

void VormaWindow::del()
{
    const QmdItemIdSet ids = selectedElementIds();
    if (!m_controller || ids.isEmpty())
        return;
    QmdRequestOptions options;
    options.text = tr("Delete");
    m_controller->requestRemove(QmdItemIdList(ids.cbegin(), ids.cend()), m_controller->elementsIndex(), options);
}

void VormaWindow::selectAll()
{
    QPainterPath area;
    area.addRect(m_scene->sceneContentsRect());
    m_scene->setSelectionArea(area);
}

void VormaWindow::paste()
{
    if (!m_controller || !QmdVormaController::canPaste())
        return;
    if (!m_pastePosSet) {
        m_pastePos = view()->viewCenterTickPoint();
        m_pastePosSet = true;
        m_pastedAtPastePos = false;
    } else if (m_pastedAtPastePos) {
        // Each repeat lands one grid division further right and down, the
        // division the canvas draws: a count out of range (which would give
        // no step, every paste on the one before) counts as the grid does.
        const QmdVorma::Ticks step = GridGeometry::snapStep(m_controller->data(Keys::DivsPerPrincipal).toInt());
        m_pastePos.x += step;
        m_pastePos.y += step;
    }
    m_controller->requestPaste(m_pastePos);
    m_pastedAtPastePos = true;
}

void VormaWindow::undo()
{
    if (!m_controller || !m_controller->canUndo())
        return;
    if (!m_controller->isAtCleanState()) {
        m_controller->requestUndo();
        return;
    }
    QMessageBox *box = questionFor(
        this, tr("Warning"),
        tr("You are about to undo past the last point that this file was saved. Do you want to do this?"));
    QPushButton *undoButton = box->addButton(tr("&Undo"), QMessageBox::AcceptRole);
    QPushButton *keepButton = box->addButton(tr("&Don't Undo"), QMessageBox::RejectRole);
    box->setDefaultButton(undoButton);
    box->setEscapeButton(keepButton);

    beginBlockByDialog();
    box->exec();
    // The window may have lost its controller while the box was open.
    if (box->clickedButton() == undoButton && m_controller)
        m_controller->requestUndo();
    delete box;
    endBlockByDialog();
}

void VormaWindow::redo()
{
    if (m_controller && m_controller->canRedo())
        m_controller->requestRedo();
}

void VormaWindow::zoom(qreal scale)
{
    // A scale that is no number or endless is no wish for either extreme.
    if (!std::isfinite(scale))
        scale = ZoomGeometry::MinScale;
    if (scale > ZoomGeometry::MaxScale)
        scale = ZoomGeometry::MaxScale;
    if (!(scale > ZoomGeometry::MinScale))
        scale = ZoomGeometry::MinScale;
    m_controller->requestSetData(Keys::ZoomScale, double(scale), QmdIndex(), noUndo(tr("Zoom")));
}

void VormaWindow::zoomIn()
{
    zoom(shownZoomScale() * 2.0);
}

void VormaWindow::zoomOut()
{
    zoom(shownZoomScale() * 0.5);
}

void VormaWindow::zoomActualSize()
{
    zoom(1.0);
}

void VormaWindow::openPrinterDialog(QDialog *dialog, void (VormaWindow::*onAccepted)())
{
    // Either outcome ends the block; the printer keeps what the user chose.
    dialog->setWindowModality(Qt::WindowModal);
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    connect(dialog, &QDialog::rejected, this, &VormaWindow::endBlockByDialog);
    connect(dialog, &QDialog::accepted, this, onAccepted);
    beginBlockByDialog();
    dialog->open();
}

void VormaWindow::pageSetup()
{
    openPrinterDialog(new QPageSetupDialog(m_printer, this), &VormaWindow::endBlockByDialog);
}

void VormaWindow::print()
{
    openPrinterDialog(new QPrintDialog(m_printer, this), &VormaWindow::onPrintAccepted);
}

void VormaWindow::onPrintAccepted()
{
    // A printer that cannot start (a PDF file in a folder that is not there)
    // leaves the painter inactive: nothing is drawn, and nothing is ended.
    QPainter painter;
    if (painter.begin(m_printer)) {
        painter.setRenderHints(QPainter::Antialiasing | QPainter::TextAntialiasing |
                               QPainter::SmoothPixmapTransform);
        printCanvas(m_scene, &painter);
    }
    endBlockByDialog();
    if (painter.isActive())
        painter.end();
}

QStringList VormaWindow::recentFiles()
{
    QSettings settings;
    QStringList paths;
    const int count = settings.beginReadArray(recentFilesKey());
    for (int i = 0; i < count; ++i) {
        settings.setArrayIndex(i);
        paths << settings.value(recentFilesPathKey()).toString();
    }
    settings.endArray();
    return paths;
}

void VormaWindow::save()
{
    emit saveRequested();
    const QString fileName = m_controller->fileName();
    if (fileName.isEmpty())
        saveAs();
    else
        m_controller->requestSave(fileName);
}

void VormaWindow::saveAs()
{
    activateWindow();
    raise();
    emit saveRequested();
    QString proposed = m_controller->fileName();
    if (proposed.isEmpty())
        proposed = tr("Untitled.%1").arg(VormaApplication::documentExtension());

    auto *dialog = new QFileDialog(nullptr, tr("Save As"), QString(), VormaApplication::documentFileFilter());
    dialog->setAcceptMode(QFileDialog::AcceptSave);
    dialog->selectFile(proposed);
    beginBlockByDialog();
    const int result = dialog->exec();
    endBlockByDialog();
    const QStringList selected = dialog->selectedFiles();
    delete dialog;

    if (result != QDialog::Accepted || selected.isEmpty() || selected.first().isEmpty()) {
        m_closeAfterSave = false;
        return;
    }
    m_controller->requestSave(QFileInfo(selected.first()).absoluteFilePath());
}

void VormaWindow::onFileSaved()
{
    addRecentFile(m_controller->fileName());
    if (m_closeAfterSave)
        QTimer::singleShot(0, this, &QWidget::close);
}

void VormaWindow::onFileSaveError(const QString &fileName, QFile::FileError error)
{
    m_closeAfterSave = false;
    fileErrorBox(FileErrorMessage::forSave(fileName, error), Qt::WindowModal)->open();
}

QString VormaWindow::toolBarStyleSheet()
{
    QString sheet = QStringLiteral(
        "QToolBar { padding: 9px; border-top: 1px solid rgb(100, 100, 100); "
        "border-bottom: 1px solid rgb(100, 100, 100); "
        "background: qlineargradient(x1: 0, y1: 0, x2: 0, y2: 1, stop: 0 rgb(180, 180, 180), "
        "stop: 1 rgb(140, 140, 140)); }\n"
        "QWidget#ToolChooserForm > QToolButton { border: none; }\n"
        "QPushButton { border: none; }\n");
    const auto pushButton = [&sheet](const QString &name, const QStringList &states, const QStringList &images) {
        for (int i = 0; i < states.size(); ++i)
            sheet += QStringLiteral("QPushButton#%1%2 { image: url(:/images/MasterControls/%3); }\n")
                         .arg(name, states.at(i), images.at(i));
    };
    pushButton(QStringLiteral("gotoStartButton"), {QString(), QStringLiteral(":pressed")},
               {QStringLiteral("GotoStartNormal.png"), QStringLiteral("GotoStartPressed.png")});
    const QStringList toggleStates{QString(), QStringLiteral(":pressed"), QStringLiteral(":on"),
                                   QStringLiteral(":on:pressed")};
    pushButton(QStringLiteral("playPauseButton"), toggleStates,
               {QStringLiteral("PlayNormal.png"), QStringLiteral("PlayPressed.png"), QStringLiteral("PauseNormal.png"),
                QStringLiteral("PausePressed.png")});
    pushButton(QStringLiteral("midiTriggeringButton"), toggleStates,
               {QStringLiteral("TriggeringOffNormal.png"), QStringLiteral("TriggeringOffPressed.png"),
                QStringLiteral("TriggeringOnNormal.png"), QStringLiteral("TriggeringOnPressed.png")});
    sheet += QStringLiteral(
        "QWidget#playAndTriggeringBackgroundWidget { "
        "border-image: url(:/images/MasterControls/PlayAndTriggeringBackground.png); }\n"
        "QLabel { color: rgb(40, 40, 40); }\n"
        "QToolButton#displayModeButton { border: 0px; background: transparent; }\n"
        "QToolButton#displayModeButton::menu-indicator { image: url(:/images/DropDownSymbol.png); }\n"
        "QFrame#lcdFrame { margin: 0px; border-image: url(:/images/LCDNormal.png) 6 9 6 9; "
        "border-top: 6px transparent; border-bottom: 6px transparent; "
        "border-left: 9px transparent; border-right: 9px transparent; }\n"
        "QSpinBox#tempoSpinBox { border: 0px; background: transparent; }\n");
    const auto chooser = [&sheet](const QString &name, const QString &part) {
        sheet += QStringLiteral(
                     "QToolButton#%1 { border-image: url(:/images/Chooser/%2Normal.png); }\n"
                     "QToolButton#%1:hover { border-image: url(:/images/Chooser/%2Hover.png); }\n"
                     "QToolButton#%1:pressed, QToolButton#%1:checked "
                     "{ border-image: url(:/images/Chooser/%2Pressed.png); }\n")
                     .arg(name, part);
    };
    chooser(QStringLiteral("selectionTool"), QStringLiteral("Left"));
    for (const char *name : {"zoomTool", "nodeAndEdgeTool", "voiceGroupTool"})
        chooser(QLatin1String(name), QStringLiteral("Middle"));
    chooser(QStringLiteral("textBoxTool"), QStringLiteral("Right"));
    return sheet;
}

void VormaWindow::setUpToolBar()
{
    auto *chooser = new QWidget(m_form.toolBar);
    m_toolChooserForm.setupUi(chooser);
    m_toolChooserForm.selectionTool->setDefaultAction(m_form.actionSelectionTool);
    m_toolChooserForm.zoomTool->setDefaultAction(m_form.actionZoomTool);
    m_toolChooserForm.nodeAndEdgeTool->setDefaultAction(m_form.actionNodeAndEdgeTool);
    m_toolChooserForm.voiceGroupTool->setDefaultAction(m_form.actionVoiceGroupTool);
    m_toolChooserForm.textBoxTool->setDefaultAction(m_form.actionTextBoxTool);
    m_form.toolBar->addWidget(chooser);

    auto *spacer = new QWidget(m_form.toolBar);
    spacer->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Preferred);
    m_form.toolBar->addWidget(spacer);

    auto *transport = new QFrame(m_form.toolBar);
    m_transportForm.setupUi(transport);
    m_form.toolBar->addWidget(transport);
}

void VormaWindow::setUpTransport()
{
    PlaybackControlsForm &t = m_transportForm;
    t.gotoStartButton->setFlat(true);
    connect(t.gotoStartButton, &QPushButton::clicked, m_controller, &QmdVormaController::requestGotoStart);

    // Only the user's click asks for playback: following the controller's
    // state must not echo back as a second request (which would restart a
    // start the MIDI clock made).
    t.playPauseButton->setCheckable(true);
    t.playPauseButton->setFlat(true);
    connect(t.playPauseButton, &QPushButton::clicked, m_controller, &QmdVormaController::requestSetPlayback);
    connect(m_controller, &QmdVormaController::playbackStateChanged, t.playPauseButton, &QPushButton::setChecked);

    t.midiTriggeringButton->setCheckable(true);
    t.midiTriggeringButton->setFlat(true);
    m_controller->bind(t.midiTriggeringButton, "checked", SIGNAL(toggled(bool)), Keys::MidiTriggeringEnabled,
                       QmdIndex(), false, false, tr("MIDI Triggering"), Qmd::NoUndo);

    m_displayModeMenu = new QMenu(this);
    auto *modeGroup = new QActionGroup(this);
    modeGroup->setExclusive(true);
    const struct
    {
        const char *text;
        const char *icon;
        int mode;
    } modes[] = {{QT_TR_NOOP("Time"), ":/images/LCDTimeIcon.png", PlaybackPosLayout::Time},
                 {QT_TR_NOOP("Principals"), ":/images/LCDPrincipalsIcon.png", PlaybackPosLayout::Principals},
                 {QT_TR_NOOP("Beats"), ":/images/LCDBeatsIcon.png", PlaybackPosLayout::Beats}};
    for (const auto &mode : modes) {
        QAction *action = modeGroup->addAction(QIcon(QLatin1String(mode.icon)), tr(mode.text));
        action->setData(mode.mode);
        action->setCheckable(true);
        m_displayModeMenu->addAction(action);
        m_displayModeMenu->addSeparator();
    }
    t.displayModeButton->setMenu(m_displayModeMenu);
    t.displayModeButton->setPopupMode(QToolButton::InstantPopup);
    m_controller->bind(this, "playbackPosDisplayMode", SIGNAL(playbackPosDisplayModeChanged(int)),
                       Keys::PlaybackPosDisplayMode, QmdIndex(), 2, 2, tr("Playback Pos Display Mode"), Qmd::NoUndo);
    connect(m_displayModeMenu, &QMenu::triggered, this, &VormaWindow::onDisplayModeMenuActionTriggered);

    m_solidGlyphs = cutGlyphs(QStringLiteral(":/images/LCDSolidChars.png"));
    m_dimGlyphs = cutGlyphs(QStringLiteral(":/images/LCDDimChars.png"));

    for (int i = 0; i < PlaybackControlsForm::MillionsPositions; ++i) {
        t.principalsChars.at(i)->hide();
        t.beatsChars.at(i)->hide();
    }

    QFont bpmFont(QStringLiteral("Arial"));
    bpmFont.setStyleHint(QFont::SansSerif);
    bpmFont.setPixelSize(9);
    t.bpmLabel->setFont(bpmFont);
    QFont tempoFont(QStringLiteral("Arial"));
    tempoFont.setStyleHint(QFont::SansSerif);
    tempoFont.setPixelSize(11);
    t.tempoSpinBox->setFont(tempoFont);
    t.tempoSpinBox->setAttribute(Qt::WA_MacShowFocusRect, false);
    t.tempoSpinBox->setFrame(false);
    t.tempoSpinBox->setRange(1, 999);
    m_controller->bind(t.tempoSpinBox, "value", SIGNAL(valueChanged(int)), Keys::Tempo, QmdIndex(), 0, QVariant(),
                       tr("Tempo"));

    m_form.toolBar->setStyleSheet(toolBarStyleSheet());
}

void VormaWindow::onDisplayModeMenuActionTriggered(QAction *action)
{
    setPlaybackPosDisplayMode(action->data().toInt());
}

void VormaWindow::setPlaybackPosDisplayMode(int mode)
{
    const int oldMode = m_playbackPosDisplayMode;
    m_playbackPosDisplayMode = mode;
    QIcon icon;
    QString toolTip;
    for (QAction *action : m_displayModeMenu->actions()) {
        if (action->data().toInt() == mode && !action->isSeparator()) {
            if (!action->isChecked())
                action->setChecked(true);
            icon = action->icon();
            toolTip = action->toolTip();
            break;
        }
    }
    updatePlaybackPosDisplayForCurrentMode();
    m_transportForm.displayModeButton->setIcon(icon);
    m_transportForm.displayModeButton->setToolTip(toolTip);
    if (mode >= PlaybackPosLayout::Time && mode <= PlaybackPosLayout::Beats)
        m_transportForm.displayStackedWidget->setCurrentIndex(mode - 1);
    if (mode != oldMode)
        emit playbackPosDisplayModeChanged(mode);
}

void VormaWindow::updatePlaybackPosDisplayForCurrentMode()
{
    const AbstractSync *sync = m_controller ? m_controller->sync() : nullptr;
    if (!sync)
        return;
    PlaybackPosLayout::Position pos;
    const QList<QLabel *> *labels = nullptr;
    switch (m_playbackPosDisplayMode) {
    case PlaybackPosLayout::Time:
        pos.elapsedNs = sync->elapsedNs();
        labels = &m_transportForm.timeChars;
        break;
    case PlaybackPosLayout::Principals:
        pos.ticks = sync->currentTicks();
        pos.divsPerPrincipal = m_controller->data(Keys::DivsPerPrincipal).toInt();
        labels = &m_transportForm.principalsChars;
        break;
    case PlaybackPosLayout::Beats:
        pos.beatTicks = sync->currentBeatTicks();
        labels = &m_transportForm.beatsChars;
        break;
    default:
        return;
    }
    const QVector<PlaybackPosLayout::Glyph> glyphs = PlaybackPosLayout::glyphs(m_playbackPosDisplayMode, pos);
    // The time page has no hidden positions; the others skip their millions.
    const int first = labels->size() - glyphs.size();
    for (int i = 0; i < glyphs.size(); ++i) {
        const PlaybackPosLayout::Glyph &glyph = glyphs.at(i);
        labels->at(first + i)->setPixmap((glyph.dim ? m_dimGlyphs : m_solidGlyphs).value(glyph.ch));
    }
}
