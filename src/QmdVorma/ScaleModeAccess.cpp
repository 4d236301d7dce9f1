#include "QmdVorma/ScaleModeAccess.h"

#include "QmdVorma/QmdVormaController.h"

#include <mutex>

namespace QmdVorma {

QmdIndex scaleModeIndex(const QmdVormaController *controller, QmdItemId id)
{
    if (!controller || id == 0)
        return QmdIndex();
    std::lock_guard<PriorityInheritanceMutex> lock(controller->controllerMutex());
    const QmdIndex modes = controller->scaleModesContainerIndex();
    return modes.isValid() ? controller->index(id, modes) : QmdIndex();
}

QVariant scaleModeValue(const QmdVormaController *controller, QmdItemId id, const QString &key)
{
    if (!controller)
        return QVariant();
    std::lock_guard<PriorityInheritanceMutex> lock(controller->controllerMutex());
    const QmdIndex mode = scaleModeIndex(controller, id);
    return mode.isValid() ? controller->data(key, mode) : QVariant();
}

QmdItemIdList scaleModeIdList(const QmdVormaController *controller)
{
    if (!controller)
        return QmdItemIdList();
    std::lock_guard<PriorityInheritanceMutex> lock(controller->controllerMutex());
    const QmdIndex modes = controller->scaleModesContainerIndex();
    return modes.isValid() ? controller->itemIds(modes) : QmdItemIdList();
}

} // namespace QmdVorma
