#include "Mvc/SettingsController.h"

#include "Mvc/AbstractView.h"
#include "Mvc/CSettingsChangeValueEvent.h"
#include "Mvc/CSettingsRemoveKeyEvent.h"
#include "Mvc/MSettingsChangeValueEvent.h"
#include "Mvc/MSettingsRemoveKeyEvent.h"
#include "Mvc/MvcEventFamily.h"
#include "Mvc/SettingsModel.h"
#include "Mvc/VSettingsKeyRemovedEvent.h"
#include "Mvc/VSettingsValueChangedEvent.h"

#include <QMetaProperty>

#include <algorithm>

namespace {

// Signal strings compare in the normalised form connect() itself uses.
QByteArray normalisedSignal(const char *signal)
{
    if (!signal || !*signal)
        return QByteArray();
    return signal[0] + QMetaObject::normalizedSignature(signal + 1);
}

// An absent key reads as an invalid value. Qt would write a typed
// property's default value for it (0, false, empty), wiping what the widget
// shows, so only a property that holds any variant takes it.
void writeProperty(QObject *object, const QByteArray &name, const QVariant &value)
{
    if (!value.isValid()) {
        const QMetaObject *meta = object->metaObject();
        const int index = meta->indexOfProperty(name.constData());
        if (index >= 0 && meta->property(index).userType() != QMetaType::QVariant)
            return;
    }
    object->setProperty(name.constData(), value);
}

} // namespace

bool SettingsController::Binding::operator==(const Binding &other) const
{
    return object == other.object && property == other.property
        && notifySignal == other.notifySignal && key == other.key;
}

SettingsController::SettingsController(SettingsModel *model, QObject *parent)
    : QObject(parent)
    , AbstractController(this)
{
    setModel(model);
}

SettingsController::~SettingsController() = default;

quint32 SettingsController::eventFamily() const
{
    return settingsEventFamily();
}

void SettingsController::dispatchEvent(CEvent *event)
{
    AbstractController::dispatchEvent(event);
    if (event->eventFamily() != settingsEventFamily())
        return;
    switch (int(event->type())) {
    case CSettingsEvent::ChangeValueType:
        if (auto *e = dynamic_cast<CSettingsChangeValueEvent *>(event))
            onChangeValue(e);
        break;
    case CSettingsEvent::RemoveKeyType:
        if (auto *e = dynamic_cast<CSettingsRemoveKeyEvent *>(event))
            onRemoveKey(e);
        break;
    case CSettingsEvent::ClearType:
        if (auto *e = dynamic_cast<CSettingsEvent *>(event))
            onClear(e);
        break;
    case CSettingsEvent::SyncType:
        if (auto *e = dynamic_cast<CSettingsEvent *>(event))
            onSync(e);
        break;
    default:
        break;
    }
}

template <class Make>
void SettingsController::notifyViews(const CEvent *cause, Make make)
{
    for (AbstractView *view : views()) {
        if (!cause->isFrom(view->self()))
            post(view->self(), make());
    }
}

void SettingsController::bind(QObject *object, const char *property, const char *notifySignal,
                              const QString &key)
{
    if (!object || !property)
        return;
    const QByteArray signal = normalisedSignal(notifySignal);
    m_bindings.append({object, object, property, signal, key});

    // Setting the property must not come back as a request; a repeated
    // binding keeps one connection.
    disconnectSignal(object, signal);
    writeProperty(object, property, m_settingsModel ? m_settingsModel->value(key) : QVariant());
    connect(object, SIGNAL(destroyed(QObject *)), this, SLOT(unbind(QObject *)),
            Qt::UniqueConnection);
    connectSignal(object, signal);
}

void SettingsController::unbind(QObject *object)
{
    if (!object)
        return;
    disconnect(object, nullptr, this, nullptr);
    m_bindings.erase(std::remove_if(m_bindings.begin(), m_bindings.end(),
                                    [object](const Binding &b) { return b.object == object; }),
                     m_bindings.end());
}

void SettingsController::unbind(QObject *object, const QString &key)
{
    const auto it = std::find_if(m_bindings.begin(), m_bindings.end(), [&](const Binding &b) {
        return b.object == object && b.key == key;
    });
    if (it == m_bindings.end())
        return;
    const QByteArray signal = it->notifySignal;
    m_bindings.erase(it);

    if (!isBound(object))
        disconnect(object, nullptr, this, nullptr);
    else if (!usesSignal(object, signal))
        disconnectSignal(object, signal);
}

void SettingsController::onBoundObjectSignalled()
{
    QObject *object = sender();
    if (!object)
        return;
    for (const Binding &b : qAsConst(m_bindings)) {
        if (b.object == object)
            post(this, new CSettingsChangeValueEvent(b.key, object->property(b.property.constData()),
                                                     this, 0));
    }
}

void SettingsController::customEvent(QEvent *event)
{
    deliverEvent(event);
}

void SettingsController::onChangeModel(CChangeModelEvent *event)
{
    AbstractController::onChangeModel(event);
    m_settingsModel = qobject_cast<SettingsModel *>(modelObject());
}

void SettingsController::onChangeValue(CSettingsChangeValueEvent *event)
{
    const QString key = event->key();
    const QVariant value = event->value();

    post(m_settingsModel, new MSettingsChangeValueEvent(key, value));
    notifyViews(event, [&] { return new VSettingsValueChangedEvent(this, key, value); });

    // Writing a property runs the object's own code, which may bind, unbind
    // or destroy objects; work on a copy and skip what went away meanwhile.
    QVector<Binding> affected;
    for (const Binding &b : qAsConst(m_bindings)) {
        if (b.key == key)
            affected.append(b);
    }
    for (const Binding &b : qAsConst(affected)) {
        if (!b.guard || !m_bindings.contains(b))
            continue;
        disconnectSignal(b.object, b.notifySignal);
        if (b.object->property(b.property.constData()) != value)
            writeProperty(b.object, b.property, value);
        if (b.guard && usesSignal(b.object, b.notifySignal))
            connectSignal(b.object, b.notifySignal);
    }
}

void SettingsController::onRemoveKey(CSettingsRemoveKeyEvent *event)
{
    const QString key = event->key();
    post(m_settingsModel, new MSettingsRemoveKeyEvent(key));
    notifyViews(event, [&] { return new VSettingsKeyRemovedEvent(this, key); });
}

void SettingsController::onClear(CSettingsEvent *event)
{
    storeAndRefreshViews(event, MSettingsEvent::ClearType);
}

void SettingsController::onSync(CSettingsEvent *event)
{
    storeAndRefreshViews(event, MSettingsEvent::SyncType);
}

void SettingsController::storeAndRefreshViews(CSettingsEvent *event, QEvent::Type modelEventType)
{
    post(m_settingsModel, new MSettingsEvent(modelEventType));
    notifyViews(event, [this] { return new VEvent(VEvent::RefreshType, this); });
}

bool SettingsController::isBound(const QObject *object) const
{
    return std::any_of(m_bindings.cbegin(), m_bindings.cend(),
                       [object](const Binding &b) { return b.object == object; });
}

bool SettingsController::usesSignal(const QObject *object, const QByteArray &notifySignal) const
{
    return std::any_of(m_bindings.cbegin(), m_bindings.cend(), [&](const Binding &b) {
        return b.object == object && b.notifySignal == notifySignal;
    });
}

void SettingsController::connectSignal(QObject *object, const QByteArray &notifySignal)
{
    if (!notifySignal.isEmpty())
        connect(object, notifySignal.constData(), this, SLOT(onBoundObjectSignalled()), Qt::UniqueConnection);
}

void SettingsController::disconnectSignal(QObject *object, const QByteArray &notifySignal)
{
    if (!notifySignal.isEmpty())
        disconnect(object, notifySignal.constData(), this, SLOT(onBoundObjectSignalled()));
}
