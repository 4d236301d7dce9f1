#include "midi/MidiInput.h"

#include "midi/SharedMidiPort.h"

#include <QMetaMethod>

MidiInput::MidiInput(QObject *parent)
    : QObject(parent)
{
    qRegisterMetaType<MidiInput *>("MidiInput*");
}

MidiInput::~MidiInput()
{
    close();
}

bool MidiInput::open(const QString &portName)
{
    std::lock_guard<PriorityInheritanceMutex> lifecycle(m_lifecycleMutex);
    if (!attach(portName))
        return false;
    heldPort()->subscribe(this);
    return true;
}

bool MidiInput::close()
{
    std::lock_guard<PriorityInheritanceMutex> lifecycle(m_lifecycleMutex);
    // The port is taken out under the data mutex, which the relay needs
    // briefly, and only then is the relay waited for.
    std::shared_ptr<Port> port = detach();
    if (!port)
        return false;
    port->unsubscribe(this);
    {
        std::lock_guard<std::mutex> lock(m_queueMutex);
        m_queue.clear();
    }
    return release(std::move(port));
}

int MidiInput::ignoreFlags() const
{
    return m_ignoreFlags.load();
}

void MidiInput::setIgnoreFlags(int flags)
{
    m_ignoreFlags.store(flags & MidiIgnoreDefault);
    if (const std::shared_ptr<Port> port = heldPort())
        port->applyIgnoreFlags();
}

QVector<MidiInputMessage> MidiInput::takeMessages()
{
    QVector<MidiInputMessage> messages;
    std::lock_guard<std::mutex> lock(m_queueMutex);
    messages.swap(m_queue);
    return messages;
}

void MidiInput::relayMessage(const MidiInputMessage &message)
{
    if (message.bytes.isEmpty() || midiIgnores(m_ignoreFlags.load(), message.bytes.front()))
        return;
    if (!isOpen())
        return; // closing
    {
        std::lock_guard<std::mutex> lock(m_queueMutex);
        if (m_queue.size() <= QueueLimit)
            m_queue.append(message);
    }
    {
        std::lock_guard<std::mutex> fence(m_connectFence);
    }
    emit readyRead(this);
}

void MidiInput::connectNotify(const QMetaMethod &signal)
{
    if (signal == QMetaMethod::fromSignal(&MidiInput::readyRead)) {
        std::lock_guard<std::mutex> fence(m_connectFence);
    }
}

int MidiInput::subscriberIgnoreFlags() const
{
    return m_ignoreFlags.load();
}
