#ifndef WIDGETS_QWPCOMBOBOX_H
#define WIDGETS_QWPCOMBOBOX_H

#include <QComboBox>
#include <QStringList>
#include <QVariant>

// A combo box read and written by the key each item carries (its data under
// Qt::UserRole) rather than by row, so that it can be bound to a document key
// or a setting that holds the key. Bindings use the combo box's own signals
// (activated, currentIndexChanged) as the notify signal.
class QwpComboBox : public QComboBox
{
    Q_OBJECT
    Q_PROPERTY(QVariant currentKey READ currentKey WRITE setCurrentKey STORED true)

public:
    explicit QwpComboBox(QWidget *parent = nullptr);

    // Invalid while no item is current.
    QVariant currentKey() const;

    // One item per string, keyed by its own text.
    void addKeyedItems(const QStringList &keys);

public slots:
    // Selects the first item keyed exactly `key` (strings compare
    // case-sensitively; numbers by value, so an int finds an unsigned key).
    // A key no item carries, the invalid one included, leaves nothing shown:
    // a binding hands the invalid value while its entries disagree.
    void setCurrentKey(const QVariant &key);

protected:
    // Draws the placeholder text, as an item's text would be, while no item
    // is current: Qt 5.15 keeps that text but never paints it.
    void paintEvent(QPaintEvent *event) override;
};

#endif
