#include "app/VormaWindow.h"

#include "Qmd/QmdMemModel.h"
#include "QmdVorma/ApplicationSettingsKeys.h"
#include "QmdVorma/DocumentKeys.h"
#include "QmdVorma/QmdVormaController.h"
#include "QmdVorma/playback/AbstractSync.h"
#include "app/ProductInfo.h"
#include "app/VormaApplication.h"
#include "canvas/NetworkScene.h"
#include "canvas/NetworkView.h"

#include <QAction>
#include <QActionGroup>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QFileInfo>
#include <QMessageBox>
#include <QPrinter>
#include <QSettings>
#include <QTimer>
#include <QToolBar>

namespace Keys = QmdVorma::Keys;

namespace {

QmdRequestOptions noUndo(const QString &text = QString())
{
    QmdRequestOptions options;
    options.flags = Qmd::NoUndo;
    options.text = text;
    return options;
}

// The file's name as the messages quote it.
QString quotedFileName(const QString &fileName)
{
    const int slash = fileName.lastIndexOf(QLatin1Char('/'));
    const QString shown = slash < 0 ? VormaWindow::tr("Untitled") : fileName.mid(slash + 1);
    return VormaWindow::tr("\u201c%1\u201d").arg(shown);
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

    // The tool chooser and the transport go into the tool bar with the
    // transport controls.

    m_displayTimer = new QTimer(this);
    m_displayTimer->setInterval(32);
    connect(m_displayTimer, &QTimer::timeout, this, &VormaWindow::updatePlaybackPosDisplayForCurrentMode);

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

    // The menu bar and the inspector dock come with their own parts.

    resize(1000, height());
    reset();
}

VormaWindow::~VormaWindow()
{
    delete m_printer;
    m_printer = nullptr;
    // The scene goes while the window is still whole: clearing its items
    // changes the selection, which it relays to this window.
    delete m_scene;
    m_scene = nullptr;
    // The controller joins the playback threads, which read the model.
    delete m_controller;
    m_controller = nullptr;
    delete m_model;
    m_model = nullptr;
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

bool VormaWindow::canZoomIn() const
{
    return m_controller->data(Keys::ZoomScale).toDouble() < 8.0;
}

bool VormaWindow::canZoomOut() const
{
    return m_controller->data(Keys::ZoomScale).toDouble() > 0.25;
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
    activateWindow();
    raise();
    setFocus(Qt::OtherFocusReason);

    auto *box = new QMessageBox;
    box->setWindowModality(Qt::WindowModal);
    box->setWindowTitle(productDisplayName());
    box->setText(tr("Do you want to save the changes you made to the network \u201c%1\u201d?").arg(m_displayName));
    box->setInformativeText(tr("Your changes will be lost if you don't save them."));
    box->setStandardButtons(QMessageBox::Save | QMessageBox::Discard | QMessageBox::Cancel);
    box->setDefaultButton(QMessageBox::Save);
    box->setEscapeButton(QMessageBox::Cancel);
    box->setIcon(QMessageBox::Question);

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
    QSettings settings;
    QStringList paths;
    const int count = settings.beginReadArray(recentFilesKey());
    for (int i = 0; i < count; ++i) {
        settings.setArrayIndex(i);
        paths << settings.value(recentFilesPathKey()).toString();
    }
    settings.endArray();

    paths.removeOne(path);
    paths.prepend(path);
    while (paths.size() > MaxRecentFiles)
        paths.removeLast();

    settings.remove(recentFilesKey());
    settings.beginWriteArray(recentFilesKey(), paths.size());
    for (int i = 0; i < paths.size(); ++i) {
        settings.setArrayIndex(i);
        settings.setValue(recentFilesPathKey(), paths.at(i));
    }
    settings.endArray();
}

void VormaWindow::onFileLoadError(const QString &fileName, QFile::FileError error)
{
    auto *box = new QMessageBox;
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->setWindowModality(Qt::ApplicationModal);
    box->setWindowTitle(productDisplayName());
    box->setStandardButtons(QMessageBox::Ok);
    box->setIcon(QMessageBox::Warning);
    const QString name = quotedFileName(fileName);
    if (error == QFile::ReadError || error == QFile::OpenError || error == QFile::PermissionsError) {
        box->setText(tr("The network %1 could not be opened. You may not have have permission.").arg(name));
    } else {
        box->setText(tr("The network %1 could not be opened. An unknown error occured.").arg(name));
        box->setInformativeText(tr("Code: %1").arg(int(error)));
    }
    box->exec();
    // The application decides what follows the window that held nothing:
    // closing it must not end the program by itself.
    setAttribute(Qt::WA_QuitOnClose, false);
    close();
}

// Saving, the undo warning, the edit commands and the position display come
// with the file, edit and transport commands of the window.
void VormaWindow::save() {}
void VormaWindow::cut() {}
void VormaWindow::copy() {}
void VormaWindow::paste() {}
void VormaWindow::del() {}
void VormaWindow::selectAll() {}
void VormaWindow::onFileSaved() {}
void VormaWindow::onFileSaveError(const QString &, QFile::FileError) {}
void VormaWindow::updatePlaybackPosDisplayForCurrentMode() {}
