#include "app/ToolChooserForm.h"

#include <QGridLayout>
#include <QToolButton>
#include <QWidget>

void ToolChooserForm::setupUi(QWidget *form)
{
    if (form->objectName().isEmpty())
        form->setObjectName(QStringLiteral("ToolChooserForm"));
    form->resize(200, 128);
    gridLayout = new QGridLayout(form);
    gridLayout->setObjectName(QStringLiteral("gridLayout"));
    gridLayout->setSpacing(0);
    gridLayout->setContentsMargins(0, 0, 0, 0);
    QToolButton **buttons[] = {&selectionTool, &zoomTool, &nodeAndEdgeTool, &voiceGroupTool, &textBoxTool};
    const char *names[] = {"selectionTool", "zoomTool", "nodeAndEdgeTool", "voiceGroupTool", "textBoxTool"};
    for (int column = 0; column < 5; ++column) {
        auto *button = new QToolButton(form);
        button->setObjectName(QLatin1String(names[column]));
        button->setFixedSize(40, 24);
        button->setIconSize(QSize(14, 16));
        gridLayout->addWidget(button, 0, column);
        *buttons[column] = button;
    }
}
