#ifndef APP_TOOLCHOOSERFORM_H
#define APP_TOOLCHOOSERFORM_H

class QGridLayout;
class QToolButton;
class QWidget;

// The row of tool buttons in the tool bar; each shows and triggers one of
// the window's tool actions.
class ToolChooserForm
{
public:
    void setupUi(QWidget *form);

    QGridLayout *gridLayout = nullptr;
    QToolButton *selectionTool = nullptr;
    QToolButton *zoomTool = nullptr;
    QToolButton *nodeAndEdgeTool = nullptr;
    QToolButton *voiceGroupTool = nullptr;
    QToolButton *textBoxTool = nullptr;
};

#endif
