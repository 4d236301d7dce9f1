#include "widgets/QwpComboBox.h"

#include <QStyleOptionComboBox>
#include <QStylePainter>

QwpComboBox::QwpComboBox(QWidget *parent) : QComboBox(parent) {}

QVariant QwpComboBox::currentKey() const
{
    return currentIndex() < 0 ? QVariant() : currentData(Qt::UserRole);
}

void QwpComboBox::addKeyedItems(const QStringList &keys)
{
    for (const QString &key : keys)
        addItem(key, key);
}

void QwpComboBox::setCurrentKey(const QVariant &key)
{
    int found = -1;
    if (key.isValid()) {
        for (int i = 0; i < count(); ++i) {
            if (itemData(i, Qt::UserRole) == key) {
                found = i;
                break;
            }
        }
    }
    setCurrentIndex(found);
}

void QwpComboBox::paintEvent(QPaintEvent *event)
{
    if (currentIndex() >= 0 || placeholderText().isEmpty() || isEditable()) {
        QComboBox::paintEvent(event);
        return;
    }
    QStylePainter painter(this);
    painter.setPen(palette().color(QPalette::Text));
    QStyleOptionComboBox option;
    initStyleOption(&option);
    painter.drawComplexControl(QStyle::CC_ComboBox, option);
    option.currentText = placeholderText();
    painter.drawControl(QStyle::CE_ComboBoxLabel, option);
}
