#include "QmdVorma/playback/MidiInstrument.h"

#include "QmdVorma/playback/AbstractSync.h"
#include "QmdVorma/DocumentKeys.h"
#include "midi/MidiPortNames.h"

using namespace QmdVorma;

namespace {

// Every pass that reconfigures from the document runs under this id.
constexpr QmdRequestId OwnRequest = 0xFFFFFFFFu;

const QStringList &programKeys()
{
    static const QStringList keys{Keys::MidiBankLSB, Keys::MidiBankMSB, Keys::MidiDoProgramChange,
                                  Keys::MidiProgram};
    return keys;
}

const QStringList &allKeys()
{
    static const QStringList keys{Keys::MidiBankLSB,         Keys::MidiBankMSB, Keys::MidiChannels,
                                  Keys::MidiDoProgramChange, Keys::MidiPort,    Keys::MidiProgram};
    return keys;
}

bool containsAny(const QStringList &keys, const QStringList &wanted)
{
    for (const QString &key : wanted) {
        if (keys.contains(key))
            return true;
    }
    return false;
}

quint16 channelMask(const QBitArray &channels)
{
    quint16 mask = 0;
    for (int c = 0; c < 16 && c < channels.size(); ++c) {
        if (channels.testBit(c))
            mask |= quint16(1u << c);
    }
    return mask;
}

} // namespace

MidiInstrument::MidiInstrument(QmdItemId id, QObject *parent)
    : AbstractInstrument(id, parent)
{
}

MidiInstrument::~MidiInstrument()
{
    stopThread();
    MidiInstrument::pauseAndWait();
}

QString MidiInstrument::staticTypeKey()
{
    return QStringLiteral("midi");
}

QString MidiInstrument::typeKey() const
{
    return staticTypeKey();
}

QString MidiInstrument::displayName() const
{
    return tr("MIDI");
}

bool MidiInstrument::open(const QString &portName)
{
    std::lock_guard<PriorityInheritanceMutex> lock(m_outputMutex);
    return MidiOutput::open(portName);
}

bool MidiInstrument::close()
{
    std::lock_guard<PriorityInheritanceMutex> lock(m_outputMutex);
    return MidiOutput::close();
}

void MidiInstrument::setChannels(const QBitArray &channels)
{
    std::lock_guard<PriorityInheritanceMutex> lock(m_outputMutex);
    // The note-offs must reach the channels the note-ons went to.
    if (channelMask(channels) != channelMask(MidiOutput::channels()))
        allNotesOff();
    MidiOutput::setChannels(channels);
}

bool MidiInstrument::sendMessages(const std::vector<MidiOutputMessage> &batch)
{
    bool sent;
    bool hadPort;
    {
        std::lock_guard<PriorityInheritanceMutex> lock(m_outputMutex);
        hadPort = isOpen();
        sent = MidiOutput::sendMessages(batch);
    }
    if (sent)
        return true;
    pauseAndWait();
    // Without an open port no port failed: the stored name is one that was
    // kept because there was nothing to replace it with.
    if (hadPort) {
        close();
        writePortName(QString());
    }
    return false;
}

void MidiInstrument::play()
{
    AbstractInstrument::play();
    onInstrumentDataEffected(instrumentId(), programKeys(), OwnRequest);
}

void MidiInstrument::pauseAndWait()
{
    AbstractInstrument::pauseAndWait();
    std::lock_guard<PriorityInheritanceMutex> lock(m_outputMutex);
    allNotesOff();
}

void MidiInstrument::reset()
{
    AbstractInstrument::reset();
    onInstrumentDataEffected(instrumentId(), allKeys(), OwnRequest);
}

void MidiInstrument::onInstrumentDataEffected(QmdItemId id, const QStringList &keys, QmdRequestId)
{
    QmdVormaController *c = controller();
    if (!c || id == 0 || id != instrumentId() || !c->instrumentIndex(id).isValid())
        return;

    bool reconfigured = false;
    if (keys.contains(Keys::MidiPort)) {
        QString name = c->instrumentData(id, Keys::MidiPort).toString();
        if (name.isEmpty() || !midiOutputPortNameSet().contains(midiPortDisplayName(name))) {
            // The document then names the port that plays. With no port at
            // all there is nothing to name: the stored name stays for when
            // its port comes back, and no request follows.
            name = QmdVormaController::defaultMidiOutputPort();
            if (!name.isEmpty())
                writePortName(name);
        }
        usePort(name);
        reconfigured = true;
    }
    if (keys.contains(Keys::MidiChannels)) {
        setChannels(c->instrumentData(id, Keys::MidiChannels).toBitArray());
        reconfigured = true;
    }
    if (!(reconfigured || containsAny(keys, programKeys())))
        return;

    int program, bankMsb, bankLsb;
    {
        std::lock_guard<PriorityInheritanceMutex> lock(c->controllerMutex());
        if (!c->instrumentData(id, Keys::MidiDoProgramChange).toBool())
            return;
        // Programs count from 1 in the document and from 0 on the wire.
        program = qBound(0, c->instrumentData(id, Keys::MidiProgram).toInt() - 1, 127);
        bankMsb = qBound(0, c->instrumentData(id, Keys::MidiBankMSB).toInt(), 127);
        bankLsb = qBound(0, c->instrumentData(id, Keys::MidiBankLSB).toInt(), 127);
    }
    AbstractSync *clock = sync();
    sendNow(programChangeMessage(clock ? clock->currentTicks() : 0, program, bankMsb, bankLsb));
}

void MidiInstrument::usePort(const QString &name)
{
    std::lock_guard<PriorityInheritanceMutex> lock(m_outputMutex);
    // Reopening the port that is open would cost a new client (tens of
    // milliseconds under JACK, on the thread that rewinds) and, under JACK,
    // a new client name that loses the links users made to it.
    if (!name.isEmpty() && holdsPort(name)) {
        allNotesOff(); // as closing would
        return;
    }
    MidiOutput::close();
    if (!name.isEmpty())
        MidiOutput::open(name);
}

void MidiInstrument::writePortName(const QString &name)
{
    QmdVormaController *c = controller();
    if (!c || instrumentId() == 0)
        return;
    // Read and written under one hold of the controller's lock, so two
    // threads clearing the same name make one request.
    std::lock_guard<PriorityInheritanceMutex> lock(c->controllerMutex());
    const QmdIndex entry = c->instrumentIndex(instrumentId());
    if (!entry.isValid() || c->data(Keys::MidiPort, entry).toString() == name)
        return;
    c->requestSetData(Keys::MidiPort, name, entry, QmdRequestOptions{Qmd::NoUndo, QString(), 0});
}
