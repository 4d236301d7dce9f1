#ifndef INSPECTOR_FORMPARTS_H
#define INSPECTOR_FORMPARTS_H

#include <QString>
#include <Qt>

class QFrame;
class QLabel;
class QSpinBox;
class QWidget;

// Pieces every inspector form is made of.
namespace FormParts {

// A widget or layout of the form, named as the form names it.
template <typename T, typename Parent>
T *create(Parent *parent, const char *name)
{
    T *object = new T(parent);
    object->setObjectName(QString::fromLatin1(name));
    return object;
}

// A parentless one: a nested layout, or a page a container takes over.
template <typename T>
T *create(const char *name)
{
    T *object = new T;
    object->setObjectName(QString::fromLatin1(name));
    return object;
}

// A sunken horizontal rule.
QFrame *createLine(QWidget *parent, const char *name);
// A label with an object name and, when given, an alignment.
QLabel *createLabel(QWidget *parent, const char *name, Qt::Alignment alignment = Qt::Alignment());
// A spin box over the range, showing its minimum.
QSpinBox *createSpinBox(QWidget *parent, const char *name, int minimum, int maximum);
// Minimum and maximum size both `size`.
void fixSize(QWidget *widget, int width, int height);
void fixHeight(QWidget *widget, int height);
// Names the page after its form when it has no name yet and gives it the
// form's design size.
void preparePage(QWidget *page, const char *formName, int width, int height);

inline constexpr Qt::Alignment Right = Qt::AlignRight | Qt::AlignVCenter;
inline constexpr Qt::Alignment Centred = Qt::AlignCenter;
inline constexpr Qt::Alignment Left = Qt::AlignLeft | Qt::AlignVCenter;

} // namespace FormParts

#endif
