#include "QmdVorma/playback/MidiSync.h"

#include "QmdVorma/DocumentKeys.h"
#include "midi/MidiInput.h"
#include "QmdVorma/playback/MidiOutputSyncClock.h"
#include "midi/MidiPortNames.h"
#include "midi/Platform.h"

#include <QtGlobal>

#include <algorithm>
#include <cmath>
#include <limits>
#include <mutex>

using namespace QmdVorma;

namespace {

using Wide = unsigned __int128;

constexpr quint64 NsPerMinute = 60000000000ull;
constexpr quint64 MaxU64 = std::numeric_limits<quint64>::max();

// Above this a tempo or ratio term means nothing musical; bounding it keeps
// every rate's numerator and denominator within 64 bits, so each conversion
// is one exact 128-bit multiply and divide.
constexpr uint MaxRateTerm = 1u << 20;

uint rateTerm(uint value)
{
    return qBound(1u, value, MaxRateTerm);
}

quint64 clampToU64(Wide value)
{
    return value > Wide(MaxU64) ? MaxU64 : quint64(value);
}

// floor(value x num / den), saturating.
quint64 scaleDown(quint64 value, quint64 num, quint64 den)
{
    return clampToU64(Wide(value) * num / den);
}

// ceil(value x num / den), saturating.
quint64 scaleUp(quint64 value, quint64 num, quint64 den)
{
    return clampToU64((Wide(value) * num + den - 1) / den);
}

quint64 addSaturating(quint64 a, quint64 b)
{
    return a > MaxU64 - b ? MaxU64 : a + b;
}

// A position plus its correction; never below 0.
quint64 withOffset(quint64 position, qint64 offset)
{
    if (offset >= 0)
        return addSaturating(position, quint64(offset));
    const quint64 back = quint64(-(offset + 1)) + 1;
    return back > position ? 0 : position - back;
}

qint64 clampToI64(__int128 value)
{
    constexpr qint64 Max = std::numeric_limits<qint64>::max();
    constexpr qint64 Min = std::numeric_limits<qint64>::min();
    return value > Max ? Max : value < Min ? Min : qint64(value);
}

constexpr quint64 BeatTicksPerClock = MidiOutputSyncClock::BeatTicksPerClock;

// MIDI system messages the follower and the outputs use.
constexpr quint8 TimingClock = 0xF8;
constexpr quint8 Start = 0xFA;
constexpr quint8 Continue = 0xFB;
constexpr quint8 Stop = 0xFC;
constexpr quint8 SongPosition = 0xF2;

// The tempo estimate looks at the clocks of the last two seconds.
constexpr quint64 TempoWindowNs = 2000000000ull;
constexpr quint64 TempoChangeIntervalNs = 100000000ull;
constexpr uint MinFollowedTempo = 1;
constexpr uint MaxFollowedTempo = 999;
// Phase: the position jumps onto the count after this many batches in a row
// more than half a clock off.
constexpr qint64 PhaseTolerance = qint64(BeatTicksPerClock / 2);
constexpr int PhaseMismatchLimit = 3;

uint roundHalfUp(double value)
{
    const double rounded = std::floor(value + 0.5);
    if (!(rounded >= 0))
        return 0;
    return rounded >= double(std::numeric_limits<uint>::max()) ? std::numeric_limits<uint>::max() : uint(rounded);
}

} // namespace

MidiSync::MidiSync(QObject *parent)
    : AbstractSync(parent)
{
    recomputeRates();
}

MidiSync::~MidiSync()
{
    retireSyncPorts();
    m_followed.store(nullptr);
}

QString MidiSync::staticTypeKey()
{
    return QStringLiteral("internal");
}

QString MidiSync::typeKey() const
{
    return staticTypeKey();
}

QString MidiSync::displayName() const
{
    return tr("MidiSync");
}

quint64 MidiSync::nowNs() const
{
    return currentTimeNs();
}

// ---- Plain getters ---------------------------------------------------------

bool MidiSync::isPlaying() const
{
    return m_playing.load();
}

uint MidiSync::tempo() const
{
    return m_tempo.load();
}

uint MidiSync::principalsToBeatsNumerator() const
{
    return m_numerator.load();
}

uint MidiSync::principalsToBeatsDenominator() const
{
    return m_denominator.load();
}

// ---- Positions ---------------------------------------------------------------

quint64 MidiSync::runningNs(quint64 now) const
{
    // A reading taken before the mark (during a lead-in, or a time stamp
    // older than the last start) has played nothing yet.
    return m_playing.load() && now > m_markNs ? now - m_markNs : 0;
}

Ticks MidiSync::ticksAt(quint64 now) const
{
    const quint64 run = scaleDown(runningNs(now), m_tickNum, m_tickDen);
    return withOffset(addSaturating(m_ticks, run), m_tickOffset);
}

BeatTicks MidiSync::beatTicksAt(quint64 now) const
{
    const quint64 run = scaleDown(runningNs(now), m_beatNum, m_beatDen);
    return withOffset(addSaturating(m_beatTicks, run), m_beatTickOffset);
}

quint64 MidiSync::elapsedNs() const
{
    std::lock_guard<PriorityInheritanceMutex> lock(m_lock);
    return addSaturating(m_elapsedNs, runningNs(nowNs()));
}

Ticks MidiSync::currentTicks() const
{
    std::lock_guard<PriorityInheritanceMutex> lock(m_lock);
    return ticksAt(nowNs());
}

BeatTicks MidiSync::currentBeatTicks() const
{
    std::lock_guard<PriorityInheritanceMutex> lock(m_lock);
    return beatTicksAt(nowNs());
}

quint64 MidiSync::dueAt(quint64 accumulator, qint64 offset, quint64 num, quint64 den, quint64 target) const
{
    // The running segment must cover what the accumulator and the
    // correction leave: floor(d x num / den) >= needed from d = ceil(needed
    // x den / num) on.
    const __int128 needed = __int128(target) - (__int128(accumulator) + offset);
    if (needed <= 0)
        return m_markNs;
    const quint64 run = needed > __int128(MaxU64) ? MaxU64 : quint64(needed);
    return addSaturating(m_markNs, scaleUp(run, den, num));
}

bool MidiSync::dueTimeNs(Ticks ticks, quint64 *ns) const
{
    std::lock_guard<PriorityInheritanceMutex> lock(m_lock);
    if (!m_playing.load())
        return false;
    const quint64 now = nowNs();
    *ns = ticksAt(now) >= ticks ? now : dueAt(m_ticks, m_tickOffset, m_tickNum, m_tickDen, ticks);
    return true;
}

// ---- Conversions -----------------------------------------------------------

Ticks MidiSync::nsToTicks(quint64 ns) const
{
    std::lock_guard<PriorityInheritanceMutex> lock(m_lock);
    return scaleDown(ns, m_tickNum, m_tickDen);
}

quint64 MidiSync::ticksToNs(Ticks ticks) const
{
    std::lock_guard<PriorityInheritanceMutex> lock(m_lock);
    return scaleDown(ticks, m_tickDen, m_tickNum);
}

BeatTicks MidiSync::nsToBeatTicks(quint64 ns) const
{
    std::lock_guard<PriorityInheritanceMutex> lock(m_lock);
    return scaleDown(ns, m_beatNum, m_beatDen);
}

quint64 MidiSync::beatTicksToNs(BeatTicks beatTicks) const
{
    std::lock_guard<PriorityInheritanceMutex> lock(m_lock);
    return scaleDown(beatTicks, m_beatDen, m_beatNum);
}

BeatTicks MidiSync::ticksToBeatTicks(Ticks ticks) const
{
    std::lock_guard<PriorityInheritanceMutex> lock(m_lock);
    return scaleDown(ticks, m_ratioDen, m_ratioNum);
}

Ticks MidiSync::beatTicksToTicks(BeatTicks beatTicks) const
{
    std::lock_guard<PriorityInheritanceMutex> lock(m_lock);
    return scaleDown(beatTicks, m_ratioNum, m_ratioDen);
}

// ---- Commands ----------------------------------------------------------------

void MidiSync::recomputeRates()
{
    const quint64 t = rateTerm(m_tempo.load());
    const quint64 n = rateTerm(m_numerator.load());
    const quint64 d = rateTerm(m_denominator.load());
    m_tickNum = n * t * TicksPerPrincipal;
    m_tickDen = d * NsPerMinute;
    m_beatNum = t * BeatTicksPerBeat;
    m_beatDen = NsPerMinute;
    m_ratioNum = n;
    m_ratioDen = d;
    // Truncated toward zero: the magnitude is scaled, the sign kept.
    const quint64 magnitude = m_beatTickOffset < 0 ? quint64(-(m_beatTickOffset + 1)) + 1 : quint64(m_beatTickOffset);
    const quint64 scaled = std::min<quint64>(scaleDown(magnitude, n, d), quint64(std::numeric_limits<qint64>::max()));
    m_tickOffset = m_beatTickOffset < 0 ? -qint64(scaled) : qint64(scaled);
}

void MidiSync::foldAt(quint64 ns)
{
    const quint64 diff = runningNs(ns);
    m_elapsedNs = addSaturating(m_elapsedNs, diff);
    m_ticks = addSaturating(m_ticks, scaleDown(diff, m_tickNum, m_tickDen));
    m_beatTicks = addSaturating(m_beatTicks, scaleDown(diff, m_beatNum, m_beatDen));
    m_markNs = ns;
}

void MidiSync::setPlaying(bool playing)
{
    bool hasOutputs = false;
    {
        std::lock_guard<PriorityInheritanceMutex> lock(m_lock);
        hasOutputs = !m_syncOutputs.empty();
    }
    // Receivers of our clock get time to get ready between start and the
    // first clock.
    setPlayingAt(nowNs(), hasOutputs ? ClockLeadInNs : 0, playing);
}

void MidiSync::setPlayingAt(quint64 startNs, quint64 leadInNs, bool playing)
{
    changePlaying(startNs, leadInNs, playing, false);
}

void MidiSync::changePlaying(quint64 startNs, quint64 leadInNs, bool playing, bool snapToReceivedClocks)
{
    {
        std::lock_guard<PriorityInheritanceMutex> lock(m_lock);
        if (playing && m_playing.load()) {
            // Only re-anchored: the outputs play on, and a second start
            // would make their receivers jump back to the top.
            m_markNs = startNs;
        } else if (playing) {
            for (MidiOutputSyncClock *output : m_syncOutputs) {
                if (output->sync())
                    output->sendByte(output->clocksSent() == 0 ? Start : Continue);
            }
            m_markNs = addSaturating(startNs, leadInNs);
            // Sleeping in steps of at most 500 us, and watching the time for
            // the last bit, as the output threads do before a clock.
            for (quint64 now = nowNs(); leadInNs != 0 && now < m_markNs; now = nowNs()) {
                const quint64 left = m_markNs - now;
                if (left > MidiOutputSyncClock::FinalApproachNs)
                    QThread::usleep(ulong(std::min<quint64>((left - MidiOutputSyncClock::FinalApproachNs) / 1000, 500)));
            }
            // This clock marks the position; the threads send the next one
            // when it reaches the next multiple of a clock.
            for (MidiOutputSyncClock *output : m_syncOutputs) {
                if (output->sync())
                    output->sendByte(TimingClock);
                output->play();
            }
        } else {
            if (m_playing.load())
                foldAt(startNs);
            const BeatTicks stoppedAt = withOffset(m_beatTicks, m_beatTickOffset);
            for (MidiOutputSyncClock *output : m_syncOutputs)
                output->stopAt(stoppedAt);
        }
        m_playing.store(playing);
        // Only a stop the follower makes: a pause by the user long after
        // following ended keeps the position it has.
        if (!playing && snapToReceivedClocks && m_expectedBeatTicks != 0) {
            m_beatTickOffset = clampToI64(__int128(m_expectedBeatTicks) - m_beatTicks);
            m_mismatchCount = 0;
            recomputeRates();
        }
    }
    notifyTimingListeners();
}

void MidiSync::reset()
{
    {
        std::lock_guard<PriorityInheritanceMutex> lock(m_lock);
        m_playing.store(false);
        m_elapsedNs = 0;
        m_ticks = 0;
        m_beatTicks = 0;
        m_markNs = 0;
        m_beatTickOffset = 0;
        m_pendingStart = false;
        m_expectedBeatTicks = 0;
        m_mismatchCount = 0;
        recomputeRates();
        for (MidiOutputSyncClock *output : m_syncOutputs)
            output->sendSongPositionZero();
    }
    notifyTimingListeners();
}

void MidiSync::setBeatTickOffset(qint64 offset)
{
    {
        std::lock_guard<PriorityInheritanceMutex> lock(m_lock);
        m_beatTickOffset = offset;
        recomputeRates();
    }
    notifyTimingListeners();
}

void MidiSync::setField(Field field, uint value)
{
    std::atomic<uint> &stored = field == Field::Tempo       ? m_tempo
                                : field == Field::Numerator ? m_numerator
                                                            : m_denominator;
    {
        std::lock_guard<PriorityInheritanceMutex> lock(m_lock);
        if (stored.load() == value)
            return;
        // Played time is counted at the old rate up to now, so the position
        // does not jump.
        if (m_playing.load())
            foldAt(nowNs());
        stored.store(value);
        recomputeRates();
        if (field == Field::Tempo) {
            for (MidiOutputSyncClock *output : m_syncOutputs)
                output->setInterval(MidiOutputSyncClock::pollIntervalUs(value));
        }
    }
    switch (field) {
    case Field::Tempo:
        emit tempoChanged(value);
        break;
    case Field::Numerator:
        emit principalsToBeatsNumeratorChanged(value);
        break;
    case Field::Denominator:
        emit principalsToBeatsDenominatorChanged(value);
        break;
    }
    notifyTimingListeners();
}

void MidiSync::setTempo(uint tempo)
{
    setField(Field::Tempo, tempo);
}

void MidiSync::setPrincipalsToBeatsNumerator(uint numerator)
{
    setField(Field::Numerator, numerator);
}

void MidiSync::setPrincipalsToBeatsDenominator(uint denominator)
{
    setField(Field::Denominator, denominator);
}

// ---- Binding and port sets -------------------------------------------------

namespace {

using ItemsSignal = void (QmdController::*)(const QmdIndex &, const QStringList &, QmdRequestId);
constexpr ItemsSignal ItemsChanged = &QmdController::itemsChanged;
constexpr ItemsSignal ItemsRemoved = &QmdController::itemsRemoved;

// What a change under one of the two port dictionaries asks for: the names
// whose entry now has `MidiSync` true, and those whose entry lost it.
void collectPortChanges(const QmdVormaController &controller, const QmdIndex &ports, const QmdIndex &parent,
                        const QStringList &keys, bool removed, QSet<QString> *add, QSet<QString> *remove)
{
    if (!ports.isValid())
        return;
    if (parent == ports) {
        for (const QString &key : keys) {
            if (removed)
                remove->insert(key);
            else if (controller.data(QmdVorma::Keys::MidiSync, controller.index(key, ports)).toBool())
                add->insert(key);
        }
    } else if (parent.namesEntry() && keys.contains(QmdVorma::Keys::MidiSync)
               && controller.parent(parent) == ports) {
        if (!removed && controller.data(QmdVorma::Keys::MidiSync, parent).toBool())
            add->insert(parent.key());
        else
            remove->insert(parent.key());
    }
}

} // namespace

void MidiSync::setController(QmdVormaController *newController)
{
    if (QmdVormaController *old = controller()) {
        disconnect(old, ItemsChanged, this, &MidiSync::onItemsChanged);
        disconnect(old, ItemsRemoved, this, &MidiSync::onItemsRemoved);
    }
    retireSyncPorts();
    m_followed.store(newController);
    AbstractSync::setController(newController);
    if (!newController)
        return;
    connect(newController, ItemsChanged, this, &MidiSync::onItemsChanged);
    connect(newController, ItemsRemoved, this, &MidiSync::onItemsRemoved);
    for (const QmdIndex &ports : {newController->syncMidiInputsIndex(), newController->syncMidiOutputsIndex()}) {
        if (ports.isValid())
            onItemsChanged(ports, newController->keys(ports));
    }
}

void MidiSync::onItemsChanged(const QmdIndex &parent, const QStringList &keys)
{
    QmdVormaController *c = controller();
    if (!c)
        return;
    QSet<QString> addIn, removeIn, addOut, removeOut;
    collectPortChanges(*c, c->syncMidiInputsIndex(), parent, keys, false, &addIn, &removeIn);
    collectPortChanges(*c, c->syncMidiOutputsIndex(), parent, keys, false, &addOut, &removeOut);
    removeSyncInputs(removeIn);
    addSyncInputs(addIn);
    removeSyncOutputs(removeOut);
    addSyncOutputs(addOut);
}

void MidiSync::onItemsRemoved(const QmdIndex &parent, const QStringList &keys)
{
    QmdVormaController *c = controller();
    if (!c)
        return;
    QSet<QString> removeIn, removeOut, none;
    collectPortChanges(*c, c->syncMidiInputsIndex(), parent, keys, true, &none, &removeIn);
    collectPortChanges(*c, c->syncMidiOutputsIndex(), parent, keys, true, &none, &removeOut);
    removeSyncInputs(removeIn);
    removeSyncOutputs(removeOut);
}

template <class Port>
bool MidiSync::hasSyncPort(const std::vector<Port *> &ports, const QString &name) const
{
    std::lock_guard<PriorityInheritanceMutex> lock(m_lock);
    return std::any_of(ports.begin(), ports.end(),
                       [&](const Port *port) { return m_syncPortNames.value(port) == name; });
}

template <class Port>
std::vector<Port *> MidiSync::takeSyncPorts(std::vector<Port *> &ports, const QSet<QString> &names)
{
    QSet<QString> shown;
    for (const QString &name : names)
        shown.insert(midiPortDisplayName(name));
    std::lock_guard<PriorityInheritanceMutex> lock(m_lock);
    auto kept = std::stable_partition(ports.begin(), ports.end(),
                                      [&](const Port *port) { return !shown.contains(m_syncPortNames.value(port)); });
    std::vector<Port *> taken(kept, ports.end());
    ports.erase(kept, ports.end());
    for (const Port *port : taken)
        m_syncPortNames.remove(port);
    return taken;
}

void MidiSync::addSyncInputs(const QSet<QString> &names)
{
    for (const QString &name : names) {
        // An entry and its `MidiSync` often arrive as two changes; a second
        // input on a port would count every clock twice.
        const QString shown = midiPortDisplayName(name);
        if (hasSyncPort(m_syncInputs, shown))
            continue;
        auto *input = new MidiInput(this);
        input->setIgnoreFlags(input->ignoreFlags() & ~MidiIgnoreTiming);
        // Connected before it opens, so no message comes unheard.
        connect(input, &MidiInput::readyRead, this, &MidiSync::onMidiSyncReadyRead, Qt::DirectConnection);
        input->open(name);
        std::lock_guard<PriorityInheritanceMutex> lock(m_lock);
        m_syncInputs.push_back(input);
        m_syncPortNames.insert(input, shown);
    }
}

void MidiSync::addSyncOutputs(const QSet<QString> &names)
{
    for (const QString &name : names) {
        const QString shown = midiPortDisplayName(name);
        if (hasSyncPort(m_syncOutputs, shown))
            continue;
        auto *output = new MidiOutputSyncClock(this);
        output->setSync(this);
        output->setInterval(MidiOutputSyncClock::pollIntervalUs(tempo()));
        output->open(name);
        output->start(QThread::TimeCriticalPriority);
        std::lock_guard<PriorityInheritanceMutex> lock(m_lock);
        // Joining a playing clock: start now, and the thread catches up with
        // the position in bursts.
        if (m_playing.load()) {
            if (output->sync())
                output->sendByte(Start);
            if (output->sync())
                output->sendByte(TimingClock);
            output->play();
        }
        m_syncOutputs.push_back(output);
        m_syncPortNames.insert(output, shown);
    }
}

void MidiSync::removeSyncInputs(const QSet<QString> &names)
{
    if (!names.isEmpty())
        closeInputs(takeSyncPorts(m_syncInputs, names));
}

void MidiSync::removeSyncOutputs(const QSet<QString> &names)
{
    if (!names.isEmpty())
        stopOutputs(takeSyncPorts(m_syncOutputs, names));
}

QList<MidiInput *> MidiSync::syncInputs() const
{
    std::lock_guard<PriorityInheritanceMutex> lock(m_lock);
    return QList<MidiInput *>(m_syncInputs.begin(), m_syncInputs.end());
}

QList<MidiOutputSyncClock *> MidiSync::syncOutputs() const
{
    std::lock_guard<PriorityInheritanceMutex> lock(m_lock);
    return QList<MidiOutputSyncClock *>(m_syncOutputs.begin(), m_syncOutputs.end());
}

void MidiSync::retireSyncPorts()
{
    std::vector<MidiInput *> inputs;
    std::vector<MidiOutputSyncClock *> outputs;
    {
        std::lock_guard<PriorityInheritanceMutex> lock(m_lock);
        inputs.swap(m_syncInputs);
        outputs.swap(m_syncOutputs);
        m_syncPortNames.clear();
    }
    closeInputs(inputs);
    stopOutputs(outputs);
}

void MidiSync::closeInputs(const std::vector<MidiInput *> &inputs)
{
    // Closing waits for a delivery in progress, which may take the clock's
    // lock or call the controller: no lock of either is held here.
    for (MidiInput *input : inputs) {
        input->close();
        delete input;
    }
}

void MidiSync::stopOutputs(const std::vector<MidiOutputSyncClock *> &outputs)
{
    // The thread ends before its port is let go.
    for (MidiOutputSyncClock *output : outputs) {
        output->terminateSafely();
        output->wait();
        delete output;
    }
}

// ---- Sending clock -------------------------------------------------------------

quint64 MidiSync::runClockOutputPass(MidiOutputSyncClock &output)
{
    std::lock_guard<PriorityInheritanceMutex> lock(m_lock);
    if (!m_playing.load())
        return IdleOutputDelayNs;
    const quint64 now = nowNs();
    if (output.sendClocksDue(beatTicksAt(now)))
        return quint64(output.interval()) * 1000u;
    const quint64 next = (output.clocksSent() + 1) * BeatTicksPerClock;
    const quint64 due = dueAt(m_beatTicks, m_beatTickOffset, m_beatNum, m_beatDen, next);
    return due > now ? std::min(due - now, IdleOutputDelayNs) : 0;
}

// ---- Following clock -----------------------------------------------------------

void MidiSync::onMidiSyncReadyRead(MidiInput *input)
{
    if (input)
        followMidiClock(input->takeMessages());
}

void MidiSync::followMidiClock(const QVector<MidiInputMessage> &messages)
{
    bool clockCounted = false;
    for (const MidiInputMessage &message : messages) {
        const quint64 driverNs = driverTimeNs(message);
        const QVector<quint8> &bytes = message.bytes;
        if (bytes.size() == 3 && bytes[0] == SongPosition) {
            // Only the start of the song: positions elsewhere are not
            // followed.
            if (bytes[1] == 0 && bytes[2] == 0)
                requestGotoStart();
            continue;
        }
        if (bytes.size() != 1)
            continue;
        switch (bytes[0]) {
        case TimingClock:
            clockCounted = followTimingClock(message, driverNs) || clockCounted;
            break;
        case Start:
            requestGotoStart();
            setPendingStart(true);
            break;
        case Continue:
            setPendingStart(true);
            break;
        case Stop:
            setPendingStart(false);
            requestPrimePlayback(false);
            changePlaying(message.receivedNs, 0, false, true);
            break;
        default:
            break;
        }
    }
    bool pending = false;
    {
        std::lock_guard<PriorityInheritanceMutex> lock(m_lock);
        pending = m_pendingStart;
    }
    // Instruments and voice groups get ready while the clock waits for the
    // clock byte that starts it.
    if (pending)
        requestPrimePlayback(true);
    if (clockCounted)
        checkPhase();
}

void MidiSync::setPendingStart(bool pending)
{
    std::lock_guard<PriorityInheritanceMutex> lock(m_lock);
    m_pendingStart = pending;
}

void MidiSync::requestGotoStart()
{
    if (QmdVormaController *c = m_followed.load())
        c->requestGotoStart();
}

void MidiSync::requestPrimePlayback(bool playing)
{
    if (QmdVormaController *c = m_followed.load())
        c->requestPrimePlaybackForSyncStateChange(playing);
}

quint64 MidiSync::driverTimeNs(const MidiInputMessage &message)
{
    std::lock_guard<PriorityInheritanceMutex> lock(m_estimateMutex);
    const quint64 received = message.receivedNs;
    const quint64 next = m_driverNs + quint64(std::llround(std::max(0.0, message.deltaTime) * 1e9));
    // A message never comes before its stamp: the first one, and one that
    // came sooner after its stamp than any before it, anchor the driver's
    // time line. One that lags a whole window behind its arrival has lost
    // deltas on the way (a full queue), and starts again from its arrival.
    if (!m_driverAnchored || next > received || next + TempoWindowNs < received)
        m_driverNs = received;
    else
        m_driverNs = next;
    m_driverAnchored = true;
    return m_driverNs;
}

bool MidiSync::followTimingClock(const MidiInputMessage &message, quint64 driverNs)
{
    bool started = false;
    {
        std::lock_guard<PriorityInheritanceMutex> lock(m_lock);
        started = m_pendingStart;
        m_pendingStart = false;
    }
    // The clock starts when the clock byte arrived, not when it is handled.
    if (started)
        setPlayingAt(message.receivedNs, 0, true);
    if (!isPlaying())
        return false;
    // The clock that starts marks the position; the count begins after it.
    bool counted = false;
    if (!started) {
        std::lock_guard<PriorityInheritanceMutex> lock(m_lock);
        m_expectedBeatTicks += BeatTicksPerClock;
        counted = true;
    }
    estimateTempo(driverNs, started);
    return counted;
}

void MidiSync::estimateTempo(quint64 t, bool startedClock)
{
    const uint current = tempo();
    uint estimate = current;
    {
        std::lock_guard<PriorityInheritanceMutex> lock(m_estimateMutex);
        // A clock that starts the clock, the first one ever, or the first
        // after a silence longer than the window opens a new window and
        // leaves the tempo as it is: its delta measures the wait after start
        // or continue, or the silence, not the spacing of clocks.
        const quint64 last = m_clockStamps.empty() ? m_windowStartNs : m_clockStamps.back();
        const quint64 previousClock = m_lastClockNs;
        m_lastClockNs = t;
        if (startedClock || !m_windowOpen || t > last + TempoWindowNs) {
            // The window counts the clocks after its start.
            m_clockStamps.clear();
            m_windowStartNs = t;
            m_windowOpen = true;
            if (startedClock)
                m_lastTempoChangeNs = 0;
            return;
        }

        // 60 s / 24 clocks, over the time since the previous clock: the
        // driver's delta counts from the port's previous message, which may
        // be a note or anything else between two clocks.
        const uint instant = t > previousClock ? roundHalfUp(2.5e9 / double(t - previousClock)) : current;
        while (!m_clockStamps.empty() && t > TempoWindowNs && m_clockStamps.front() < t - TempoWindowNs) {
            m_windowStartNs = m_clockStamps.front();
            m_clockStamps.pop_front();
        }
        m_clockStamps.push_back(t);

        estimate = instant;
        if (t != m_windowStartNs) {
            const double span = double(t - m_windowStartNs) / 1e9;
            const double n = double(m_clockStamps.size());
            const double windowed = n / 24.0 / span * 60.0;
            // A move of more than 1 % starts the window again. Only a window
            // long enough to be used is judged: over a few clocks a
            // millisecond of jitter moves the estimate by more than that,
            // and the window would never grow.
            if (span > 0.9 || (span > 0.5 && n > 200)) {
                estimate = roundHalfUp(windowed);
                if (std::abs(m_previousWindowedTempo - windowed) > m_previousWindowedTempo * 0.01) {
                    m_clockStamps.clear();
                    m_windowStartNs = t;
                }
            }
            m_previousWindowedTempo = windowed;
        }

        const quint64 now = nowNs();
        if (now - m_lastTempoChangeNs < TempoChangeIntervalNs)
            return;
        m_lastTempoChangeNs = now;
    }
    setTempo(qBound(MinFollowedTempo, estimate, MaxFollowedTempo));
}

void MidiSync::checkPhase()
{
    bool jumped = false;
    {
        std::lock_guard<PriorityInheritanceMutex> lock(m_lock);
        const quint64 running = scaleDown(runningNs(nowNs()), m_beatNum, m_beatDen);
        const __int128 candidate = __int128(m_expectedBeatTicks) - (__int128(m_beatTicks) + running);
        const __int128 error = candidate - m_beatTickOffset;
        if (error >= -PhaseTolerance && error <= PhaseTolerance) {
            m_mismatchCount = 0;
        } else if (++m_mismatchCount >= PhaseMismatchLimit) {
            m_beatTickOffset = clampToI64(candidate);
            m_mismatchCount = 0;
            recomputeRates();
            jumped = true;
        }
    }
    if (jumped)
        notifyTimingListeners();
}

AbstractSync *createSync(const QString &typeKey, QObject *parent)
{
    if (typeKey.toLower() == MidiSync::staticTypeKey().toLower())
        return new MidiSync(parent);
    return nullptr;
}
