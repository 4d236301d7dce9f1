#include "Mvc/SettingsModel.h"

#include "Mvc/MSettingsChangeValueEvent.h"
#include "Mvc/MSettingsRemoveKeyEvent.h"
#include "Mvc/MvcEventFamily.h"
#include "Mvc/SettingsController.h"

#include <QSettings>

SettingsModel::SettingsModel(QObject *parent)
    : QObject(parent)
    , AbstractModel(this)
    , m_settings(new QSettings(this))
{
}

SettingsModel::~SettingsModel() = default;

quint32 SettingsModel::eventFamily() const
{
    return settingsEventFamily();
}

void SettingsModel::dispatchEvent(MEvent *event)
{
    AbstractModel::dispatchEvent(event);
    if (event->eventFamily() != settingsEventFamily())
        return;
    switch (int(event->type())) {
    case MSettingsEvent::ChangeValueType:
        if (auto *e = dynamic_cast<MSettingsChangeValueEvent *>(event))
            onChangeValue(e);
        break;
    case MSettingsEvent::RemoveKeyType:
        if (auto *e = dynamic_cast<MSettingsRemoveKeyEvent *>(event))
            onRemoveKey(e);
        break;
    case MSettingsEvent::ClearType:
        if (auto *e = dynamic_cast<MSettingsEvent *>(event))
            onClear(e);
        break;
    case MSettingsEvent::SyncType:
        if (auto *e = dynamic_cast<MSettingsEvent *>(event))
            onSync(e);
        break;
    default:
        break;
    }
}

QVariant SettingsModel::value(const QString &key, const QVariant &defaultValue) const
{
    return m_settings->value(key, defaultValue);
}

void SettingsModel::customEvent(QEvent *event)
{
    deliverEvent(event);
}

void SettingsModel::onChangeController(MChangeControllerEvent *event)
{
    AbstractModel::onChangeController(event);
    m_settingsController = qobject_cast<SettingsController *>(controllerObject());
}

void SettingsModel::onChangeValue(MSettingsChangeValueEvent *event)
{
    m_settings->setValue(event->key(), event->value());
}

void SettingsModel::onRemoveKey(MSettingsRemoveKeyEvent *event)
{
    m_settings->remove(event->key());
}

void SettingsModel::onClear(MSettingsEvent *)
{
    m_settings->clear();
}

void SettingsModel::onSync(MSettingsEvent *)
{
    m_settings->sync();
}
