#include "inspector/FormParts.h"

#include <QFrame>
#include <QLabel>
#include <QSpinBox>

namespace FormParts {

QFrame *createLine(QWidget *parent, const char *name)
{
    auto *line = new QFrame(parent);
    line->setObjectName(QString::fromLatin1(name));
    line->setFrameShape(QFrame::HLine);
    line->setFrameShadow(QFrame::Sunken);
    return line;
}

QLabel *createLabel(QWidget *parent, const char *name, Qt::Alignment alignment)
{
    auto *label = new QLabel(parent);
    label->setObjectName(QString::fromLatin1(name));
    if (alignment)
        label->setAlignment(alignment);
    return label;
}

QSpinBox *createSpinBox(QWidget *parent, const char *name, int minimum, int maximum)
{
    auto *box = create<QSpinBox>(parent, name);
    box->setRange(minimum, maximum);
    box->setValue(minimum);
    return box;
}

void fixSize(QWidget *widget, int width, int height)
{
    widget->setMinimumSize(width, height);
    widget->setMaximumSize(width, height);
}

void fixHeight(QWidget *widget, int height)
{
    widget->setMinimumHeight(height);
    widget->setMaximumHeight(height);
}

void preparePage(QWidget *page, const char *formName, int width, int height)
{
    if (page->objectName().isEmpty())
        page->setObjectName(QString::fromLatin1(formName));
    page->resize(width, height);
}

} // namespace FormParts
