#ifndef APP_VORMAWINDOWFORM_H
#define APP_VORMAWINDOWFORM_H

class NetworkView;
class QAction;
class QMainWindow;
class QToolBar;
class QVBoxLayout;
class QWidget;

// The widgets of a document window: the five tool actions, the canvas view
// filling the window and the tool bar.
class VormaWindowForm
{
public:
    void setupUi(QMainWindow *window);
    void retranslateUi(QMainWindow *window);

    QAction *actionSelectionTool = nullptr;
    QAction *actionZoomTool = nullptr;
    QAction *actionNodeAndEdgeTool = nullptr;
    QAction *actionVoiceGroupTool = nullptr;
    QAction *actionTextBoxTool = nullptr;
    QWidget *centralWidget = nullptr;
    QVBoxLayout *verticalLayout = nullptr;
    NetworkView *networkView = nullptr;
    QToolBar *toolBar = nullptr;
};

#endif
