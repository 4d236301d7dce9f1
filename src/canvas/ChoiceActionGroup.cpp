#include "canvas/ChoiceActionGroup.h"

ChoiceActionGroup::ChoiceActionGroup(QObject *parent) : QActionGroup(parent)
{
    setExclusive(true);
    connect(this, &QActionGroup::triggered, this, &ChoiceActionGroup::checkedDataChanged);
}

QAction *ChoiceActionGroup::addChoice(const QString &text, int data)
{
    QAction *action = addAction(text);
    action->setCheckable(true);
    action->setData(data);
    return action;
}

int ChoiceActionGroup::checkedData() const
{
    const QAction *checked = checkedAction();
    return checked ? checked->data().toInt() : -1;
}

void ChoiceActionGroup::setCheckedData(int data)
{
    for (QAction *action : actions()) {
        if (action->data().toInt() == data) {
            action->setChecked(true);
            return;
        }
    }
}
