#include "QmdVorma/playback/AbstractSync.h"

#include "QmdVorma/DocumentKeys.h"
#include "QmdVorma/playback/SyncTimingListener.h"

#include <algorithm>

using namespace QmdVorma;

AbstractSync::AbstractSync(QObject *parent)
    : QObject(parent)
{
    connect(this, &AbstractSync::tempoChanged, this, &AbstractSync::timingChanged);
    connect(this, &AbstractSync::principalsToBeatsNumeratorChanged, this, &AbstractSync::timingChanged);
    connect(this, &AbstractSync::principalsToBeatsDenominatorChanged, this, &AbstractSync::timingChanged);
}

AbstractSync::~AbstractSync()
{
    std::lock_guard<PriorityInheritanceMutex> lock(m_listenersMutex);
    for (SyncTimingListener *listener : m_listeners)
        listener->syncDestroyed(this);
    m_listeners.clear();
}

void AbstractSync::reset()
{
}

void AbstractSync::setController(QmdVormaController *newController)
{
    if (QmdVormaController *old = controller()) {
        disconnect(old, &QmdController::modelReset, this, &AbstractSync::reset);
        old->unbind(this);
    }
    QmdObserver::setController(newController);
    if (!newController)
        return;

    connect(newController, &QmdController::modelReset, this, &AbstractSync::reset);
    const Qmd::RequestFlags noUndo(Qmd::NoUndo);
    newController->bind(this, "tempo", SIGNAL(tempoChanged(uint)), Keys::Tempo, QmdIndex(), 120u, 120u,
                        tr("Tempo"), noUndo);
    newController->bind(this, "principalsToBeatsNumerator", SIGNAL(principalsToBeatsNumeratorChanged(uint)),
                        Keys::PrincipalsToBeatsNumerator, QmdIndex(), 1u, 1u, tr("PrincipalsToBeatsNumerator"),
                        noUndo);
    newController->bind(this, "principalsToBeatsDenominator", SIGNAL(principalsToBeatsDenominatorChanged(uint)),
                        Keys::PrincipalsToBeatsDenominator, QmdIndex(), 1u, 1u,
                        tr("PrincipalsToBeatsDenominator"), noUndo);
    reset();
}

void AbstractSync::addTimingListener(SyncTimingListener *listener)
{
    std::lock_guard<PriorityInheritanceMutex> lock(m_listenersMutex);
    if (listener && std::find(m_listeners.begin(), m_listeners.end(), listener) == m_listeners.end())
        m_listeners.push_back(listener);
}

void AbstractSync::removeTimingListener(SyncTimingListener *listener)
{
    std::lock_guard<PriorityInheritanceMutex> lock(m_listenersMutex);
    m_listeners.erase(std::remove(m_listeners.begin(), m_listeners.end(), listener), m_listeners.end());
}

void AbstractSync::notifyTimingListeners()
{
    // Called under the listener mutex, so a listener that removes itself
    // and goes away waits until it is no longer being called.
    std::lock_guard<PriorityInheritanceMutex> lock(m_listenersMutex);
    for (SyncTimingListener *listener : m_listeners)
        listener->syncTimingChanged();
}
