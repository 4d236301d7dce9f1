#include "app/VormaWindowForm.h"

#include "canvas/NetworkScene.h"
#include "canvas/NetworkView.h"

#include <QAction>
#include <QCoreApplication>
#include <QIcon>
#include <QMainWindow>
#include <QMetaObject>
#include <QToolBar>
#include <QVBoxLayout>

namespace {

QAction *makeToolAction(QMainWindow *window, const char *name, const char *icon)
{
    auto *action = new QAction(window);
    action->setObjectName(QLatin1String(name));
    action->setCheckable(true);
    action->setIcon(QIcon(QLatin1String(icon)));
    return action;
}

} // namespace

void VormaWindowForm::setupUi(QMainWindow *window)
{
    if (window->objectName().isEmpty())
        window->setObjectName(QStringLiteral("VormaWindowForm"));
    window->resize(622, 475);

    actionSelectionTool = makeToolAction(window, "actionSelectionTool", ":/images/Tools/SelectionTool.png");
    actionZoomTool = makeToolAction(window, "actionZoomTool", ":/images/Tools/ZoomTool.png");
    actionNodeAndEdgeTool = makeToolAction(window, "actionNodeAndEdgeTool", ":/images/Tools/NodeAndEdgeTool.png");
    actionVoiceGroupTool = makeToolAction(window, "actionVoiceGroupTool", ":/images/Tools/VoiceGroupTool.png");
    actionTextBoxTool = makeToolAction(window, "actionTextBoxTool", ":/images/Tools/TextBoxTool.png");

    centralWidget = new QWidget(window);
    centralWidget->setObjectName(QStringLiteral("centralWidget"));
    verticalLayout = new QVBoxLayout(centralWidget);
    verticalLayout->setObjectName(QStringLiteral("verticalLayout"));
    verticalLayout->setSpacing(0);
    verticalLayout->setContentsMargins(0, 0, 0, 0);
    networkView = new NetworkView(centralWidget);
    networkView->setObjectName(QStringLiteral("networkView"));
    networkView->setFrameShape(QFrame::NoFrame);
    networkView->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    networkView->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    // Qt 5 has no separate high-quality antialiasing: the plain hint is it.
    networkView->setRenderHints(QPainter::Antialiasing | QPainter::TextAntialiasing | QPainter::SmoothPixmapTransform);
    networkView->setDragMode(QGraphicsView::RubberBandDrag);
    verticalLayout->addWidget(networkView);
    window->setCentralWidget(centralWidget);

    toolBar = new QToolBar(window);
    toolBar->setObjectName(QStringLiteral("toolBar"));
    window->addToolBar(Qt::TopToolBarArea, toolBar);

    retranslateUi(window);
    QMetaObject::connectSlotsByName(window);
}

void VormaWindowForm::retranslateUi(QMainWindow *window)
{
    window->setWindowTitle(QCoreApplication::translate("VormaWindowForm", "Untitled[*]"));
    actionSelectionTool->setText(QCoreApplication::translate("VormaWindowForm", "Selection"));
    actionZoomTool->setText(QCoreApplication::translate("VormaWindowForm", "Zoom"));
    const QString nodeAndEdge = QCoreApplication::translate("VormaWindowForm", "Create Node & Edge");
    actionNodeAndEdgeTool->setText(nodeAndEdge);
    actionNodeAndEdgeTool->setIconText(nodeAndEdge);
    actionNodeAndEdgeTool->setToolTip(nodeAndEdge);
    actionVoiceGroupTool->setText(QCoreApplication::translate("VormaWindowForm", "Create Voice Group"));
    actionTextBoxTool->setText(QCoreApplication::translate("VormaWindowForm", "Create Text Box"));
    toolBar->setWindowTitle(QCoreApplication::translate("VormaWindowForm", "Tool Bar"));
}
