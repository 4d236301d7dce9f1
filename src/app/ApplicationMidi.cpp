#include "app/ApplicationMidi.h"

#include "QmdVorma/playback/MidiInstrument.h"
#include "QmdVorma/playback/MidiSync.h"
#include "midi/MidiInput.h"
#include "midi/MidiPortNames.h"
#include "widgets/MidiEvent.h"

#include <QApplication>
#include <QBitArray>
#include <QPointer>
#include <QTimer>
#include <QWidget>

namespace {

// True when the ports of a direction changed; the set and its sorted list
// are then replaced.
bool replacePorts(QSet<QString> fresh, QSet<QString> &set, QStringList &sorted)
{
    if (fresh == set)
        return false;
    set = std::move(fresh);
    sorted = QStringList(set.cbegin(), set.cend());
    sortPortNames(sorted);
    return true;
}

} // namespace

std::vector<unsigned char> toStdByteVector(const QVector<quint8> &bytes)
{
    std::vector<unsigned char> v;
    v.reserve(std::size_t(bytes.size()));
    v.assign(bytes.cbegin(), bytes.cend());
    return v;
}

ApplicationMidi::ApplicationMidi(QObject *parent)
    : QObject(parent)
{
    // readyRead comes from the port layer's relay thread, so the slot runs
    // queued on the GUI thread and may find several messages at once.
    m_entryInput = new MidiInput(this);
    connect(m_entryInput, &MidiInput::readyRead, this, &ApplicationMidi::onMidiInputReadyRead);

    m_sync = new MidiSync(this);

    // The thru thread inherits the GUI thread's priority: it only repeats
    // what a player plays, it does not keep time for a document.
    m_thruInstrument = new MidiInstrument(0);
    m_thruInstrument->setSync(m_sync);
    m_thruInstrument->start();
    m_sync->setPlaying(true);

    // Filled at once, before anything asks for the lists.
    m_pollTimer = new QTimer(this);
    connect(m_pollTimer, &QTimer::timeout, this, &ApplicationMidi::pollMidiPorts);
    m_pollTimer->start(PollIntervalMs);
    pollMidiPorts();
}

ApplicationMidi::~ApplicationMidi()
{
    delete m_entryInput;
    delete m_thruInstrument;
    delete m_sync;
}

void ApplicationMidi::pollMidiPorts()
{
    if (replacePorts(midiInputPortNameSet(), m_inputPortSet, m_sortedInputPortNames)) {
        useEntryPort(m_inputPortSet.contains(m_wantedEntryPort) ? m_wantedEntryPort : QString());
        emit midiInputPortsChanged();
    }
    if (replacePorts(midiOutputPortNameSet(), m_outputPortSet, m_sortedOutputPortNames)) {
        useThruPort(m_outputPortSet.contains(m_wantedThruPort) ? m_wantedThruPort : QString());
        emit midiOutputPortsChanged();
    }
}

QString ApplicationMidi::wantedPort(bool enabled, const QString &portName, const QSet<QString> &present,
                                    bool *missing)
{
    *missing = false;
    if (!enabled)
        return QString();
    // A name stored with ALSA's client:port numbers still means its port.
    const QString name = midiPortDisplayName(portName);
    if (!name.isEmpty() && present.contains(name))
        return name;
    *missing = !portName.isEmpty();
    return QString();
}

bool ApplicationMidi::applyMidiEntryPort(bool enabled, const QString &portName)
{
    bool missing;
    m_wantedEntryPort = wantedPort(enabled, portName, m_inputPortSet, &missing);
    m_entryInput->setChannels(QBitArray(16, true));
    useEntryPort(m_wantedEntryPort);
    return missing;
}

bool ApplicationMidi::applyMidiThruPort(bool enabled, const QString &portName)
{
    bool missing;
    m_wantedThruPort = wantedPort(enabled, portName, m_outputPortSet, &missing);
    // Raw messages go out once whatever the channels; one keeps it so.
    QBitArray channels(16);
    channels.setBit(0);
    m_thruInstrument->setChannels(channels);
    useThruPort(m_wantedThruPort);
    return missing;
}

void ApplicationMidi::useEntryPort(const QString &name)
{
    if (m_entryInput->portName() == name)
        return;
    m_entryInput->close();
    if (!name.isEmpty())
        m_entryInput->open(name);
}

void ApplicationMidi::useThruPort(const QString &name)
{
    if (m_thruInstrument->portName() == name)
        return;
    m_thruInstrument->pauseAndWait();
    m_thruInstrument->close();
    if (!name.isEmpty() && m_thruInstrument->open(name))
        m_thruInstrument->play();
}

void ApplicationMidi::onMidiInputReadyRead()
{
    // A widget may go, or close its window, while it takes an event: it is
    // looked at again before each one.
    const QPointer<QWidget> focus = QApplication::focusWidget();
    const bool triggering = m_routing.triggering && m_routing.trigger && m_routing.triggering();
    const int toggleTimeoutMs = triggering && m_routing.toggleTimeoutMs ? m_routing.toggleTimeoutMs()
                                                                        : DefaultToggleTimeoutMs;

    const QVector<MidiInputMessage> messages = m_entryInput->takeMessages();
    for (const MidiInputMessage &message : messages) {
        // Thru first: what a widget does with the message must not hold up
        // the player hearing it.
        if (!m_thruInstrument->portName().isNull()) {
            MidiOutputMessage thru;
            thru.kind = MidiOutputMessage::Raw;
            thru.time = m_sync->currentTicks();
            thru.bytes = toStdByteVector(message.bytes);
            m_thruInstrument->queueMessage(thru);
        }
        if (!triggering) {
            if (focus) {
                MidiEvent event(message);
                QCoreApplication::sendEvent(focus, &event);
            }
        } else if (message.bytes.size() == 3) {
            m_routing.trigger(message, toggleTimeoutMs);
        }
    }
}
