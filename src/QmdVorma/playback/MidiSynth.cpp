#include "QmdVorma/playback/MidiSynth.h"

#include "midi/MidiInput.h"
#include "QmdVorma/playback/MidiSynthWorker.h"

struct MidiSynth::State
{
    mutable std::mutex mutex;
    MidiSynthWorker *worker = nullptr;
    QPointer<MidiInput> input;
    QMetaObject::Connection inputConnection;
};

MidiSynth::MidiSynth(QObject *parent)
    : QThread(parent)
    , m_state(std::make_shared<State>())
{
    qRegisterMetaType<MidiInstrumentId>("MidiInstrumentId");
    start(QThread::HighestPriority);
}

MidiSynth::~MidiSynth()
{
    quit();
    wait();
    std::lock_guard<std::mutex> lock(m_state->mutex);
    QObject::disconnect(m_state->inputConnection);
}

void MidiSynth::run()
{
    {
        std::lock_guard<std::mutex> lock(m_state->mutex);
        m_state->worker = new MidiSynthWorker;
        connect(m_state->worker, &MidiSynthWorker::instrumentChanged, this,
                &MidiSynth::instrumentChanged, Qt::QueuedConnection);
    }
    exec();
    std::lock_guard<std::mutex> lock(m_state->mutex);
    delete m_state->worker;
    m_state->worker = nullptr;
}

bool MidiSynth::isReady() const
{
    std::lock_guard<std::mutex> lock(m_state->mutex);
    return m_state->worker && m_state->worker->isReady();
}

void MidiSynth::setInput(MidiInput *input)
{
    std::lock_guard<std::mutex> lock(m_state->mutex);
    if (!m_state->worker)
        return;
    QObject::disconnect(m_state->inputConnection);
    m_state->inputConnection = {};
    m_state->input = input;
    if (!input)
        return;
    // The connection holds the state, not the worker: a message already on
    // its way when the worker is deleted finds no worker and is left alone.
    const std::shared_ptr<State> state = m_state;
    m_state->inputConnection = connect(
        input, &MidiInput::readyRead,
        [state](MidiInput *from) {
            std::lock_guard<std::mutex> lock(state->mutex);
            if (state->worker)
                state->worker->onMidiInputReadyRead(from);
        });
}

MidiInstrumentId MidiSynth::channelInstrument(int) const
{
    std::lock_guard<std::mutex> lock(m_state->mutex);
    return 0;
}

QString MidiSynth::instrumentName(MidiInstrumentId) const
{
    std::lock_guard<std::mutex> lock(m_state->mutex);
    return QString();
}

int MidiSynth::instrumentCount() const
{
    std::lock_guard<std::mutex> lock(m_state->mutex);
    return 0;
}

MidiInstrumentId MidiSynth::instrument(int) const
{
    std::lock_guard<std::mutex> lock(m_state->mutex);
    return 0;
}

int MidiSynth::instrumentIndex(MidiInstrumentId) const
{
    std::lock_guard<std::mutex> lock(m_state->mutex);
    return 0;
}

void MidiSynth::setChannelInstrument(int, MidiInstrumentId)
{
    std::lock_guard<std::mutex> lock(m_state->mutex);
}

void MidiSynth::resetToDefaultSoundBank()
{
    std::lock_guard<std::mutex> lock(m_state->mutex);
}

QString MidiSynth::soundBankName() const
{
    std::lock_guard<std::mutex> lock(m_state->mutex);
    return QString();
}

void midiInstrumentNumbers(MidiInstrumentId, quint8 *bankMsb, quint8 *bankLsb, quint8 *program)
{
    if (bankMsb)
        *bankMsb = 0;
    if (bankLsb)
        *bankLsb = 0;
    if (program)
        *program = 0;
}

MidiInstrumentId midiInstrumentId(quint8, quint8, quint8)
{
    return 0;
}
