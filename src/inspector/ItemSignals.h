#ifndef INSPECTOR_ITEMSIGNALS_H
#define INSPECTOR_ITEMSIGNALS_H

#include "Qmd/QmdController.h"

// Connects the id-list forms of the controller's itemsChanged and
// itemsRemoved to one slot of the receiver (entries added or removed under a
// parent) and the key-list form of itemsChanged to another (values changed).
template <typename Receiver>
void connectItemSignals(QmdController *controller, Receiver *receiver,
                        void (Receiver::*idsSlot)(const QmdIndex &),
                        void (Receiver::*keysSlot)(const QmdIndex &, const QStringList &, QmdRequestId))
{
    using IdListSignal = void (QmdController::*)(const QmdIndex &, const QmdItemIdList &, QmdRequestId);
    using KeyListSignal = void (QmdController::*)(const QmdIndex &, const QStringList &, QmdRequestId);
    QObject::connect(controller, static_cast<IdListSignal>(&QmdController::itemsChanged), receiver, idsSlot);
    QObject::connect(controller, static_cast<IdListSignal>(&QmdController::itemsRemoved), receiver, idsSlot);
    QObject::connect(controller, static_cast<KeyListSignal>(&QmdController::itemsChanged), receiver, keysSlot);
}

#endif
