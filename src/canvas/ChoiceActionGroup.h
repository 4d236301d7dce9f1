#ifndef CANVAS_CHOICEACTIONGROUP_H
#define CANVAS_CHOICEACTIONGROUP_H

#include <QActionGroup>

// An exclusive group of checkable menu actions whose value is the int data
// of the checked one, so that a binding can show and write a document key
// through it. Each group is bound on its own: the controller writes every
// binding of an object whenever one of its notify signals fires, so two
// choices bound on one object would write each other's keys.
class ChoiceActionGroup : public QActionGroup
{
    Q_OBJECT
    Q_PROPERTY(int checkedData READ checkedData WRITE setCheckedData NOTIFY checkedDataChanged)

public:
    explicit ChoiceActionGroup(QObject *parent);

    QAction *addChoice(const QString &text, int data);

    // -1 while no action is checked.
    int checkedData() const;

public slots:
    // Checks the action with this data; a value no action has (the mixed -1)
    // leaves the check marks as they are.
    void setCheckedData(int data);

signals:
    // Only the user's choice, never setCheckedData.
    void checkedDataChanged();
};

#endif
