#include "QmdVorma/MidiSync.h"

#include "QmdVorma/Platform.h"

#include <QtGlobal>

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

} // namespace

MidiSync::MidiSync(QObject *parent)
    : AbstractSync(parent)
{
    recomputeRates();
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
    std::shared_lock<std::shared_mutex> lock(m_lock);
    return addSaturating(m_elapsedNs, runningNs(nowNs()));
}

Ticks MidiSync::currentTicks() const
{
    std::shared_lock<std::shared_mutex> lock(m_lock);
    return ticksAt(nowNs());
}

BeatTicks MidiSync::currentBeatTicks() const
{
    std::shared_lock<std::shared_mutex> lock(m_lock);
    return beatTicksAt(nowNs());
}

bool MidiSync::dueTimeNs(Ticks ticks, quint64 *ns) const
{
    std::shared_lock<std::shared_mutex> lock(m_lock);
    if (!m_playing.load())
        return false;
    const quint64 now = nowNs();
    if (ticksAt(now) >= ticks) {
        *ns = now;
        return true;
    }
    // The running segment must cover what the accumulator and the
    // correction leave: floor(d x num / den) >= needed from d = ceil(needed
    // x den / num) on.
    const __int128 base = __int128(m_ticks) + m_tickOffset;
    const __int128 needed = __int128(ticks) - base;
    const quint64 run = needed > __int128(MaxU64) ? MaxU64 : quint64(needed);
    *ns = addSaturating(m_markNs, scaleUp(run, m_tickDen, m_tickNum));
    return true;
}

// ---- Conversions -----------------------------------------------------------

Ticks MidiSync::nsToTicks(quint64 ns) const
{
    std::shared_lock<std::shared_mutex> lock(m_lock);
    return scaleDown(ns, m_tickNum, m_tickDen);
}

quint64 MidiSync::ticksToNs(Ticks ticks) const
{
    std::shared_lock<std::shared_mutex> lock(m_lock);
    return scaleDown(ticks, m_tickDen, m_tickNum);
}

BeatTicks MidiSync::nsToBeatTicks(quint64 ns) const
{
    std::shared_lock<std::shared_mutex> lock(m_lock);
    return scaleDown(ns, m_beatNum, m_beatDen);
}

quint64 MidiSync::beatTicksToNs(BeatTicks beatTicks) const
{
    std::shared_lock<std::shared_mutex> lock(m_lock);
    return scaleDown(beatTicks, m_beatDen, m_beatNum);
}

BeatTicks MidiSync::ticksToBeatTicks(Ticks ticks) const
{
    std::shared_lock<std::shared_mutex> lock(m_lock);
    return scaleDown(ticks, m_ratioDen, m_ratioNum);
}

Ticks MidiSync::beatTicksToTicks(BeatTicks beatTicks) const
{
    std::shared_lock<std::shared_mutex> lock(m_lock);
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
    // MIDI clock outputs, when they come, ask for a lead-in of 10 ms here.
    setPlayingAt(nowNs(), 0, playing);
}

void MidiSync::setPlayingAt(quint64 startNs, quint64 leadInNs, bool playing)
{
    {
        std::unique_lock<std::shared_mutex> lock(m_lock);
        if (playing) {
            // MIDI clock outputs send start or continue here.
            m_markNs = addSaturating(startNs, leadInNs);
            if (leadInNs != 0) {
                while (nowNs() < m_markNs)
                    QThread::usleep(500);
            }
            // MIDI clock outputs send their first clock and play here.
        } else if (m_playing.load()) {
            foldAt(startNs);
            // MIDI clock outputs catch up and send stop here.
        }
        m_playing.store(playing);
        // Stopping after MIDI clock following pulls the beat position to
        // the clocks received here.
    }
    notifyTimingListeners();
}

void MidiSync::reset()
{
    {
        std::unique_lock<std::shared_mutex> lock(m_lock);
        m_playing.store(false);
        m_elapsedNs = 0;
        m_ticks = 0;
        m_beatTicks = 0;
        m_markNs = 0;
        m_beatTickOffset = 0;
        recomputeRates();
        // MIDI clock outputs send song position zero here.
    }
    notifyTimingListeners();
}

void MidiSync::setBeatTickOffset(qint64 offset)
{
    {
        std::unique_lock<std::shared_mutex> lock(m_lock);
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
        std::unique_lock<std::shared_mutex> lock(m_lock);
        if (stored.load() == value)
            return;
        // Played time is counted at the old rate up to now, so the position
        // does not jump.
        if (m_playing.load())
            foldAt(nowNs());
        stored.store(value);
        recomputeRates();
        // MIDI clock outputs take their new poll interval here.
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

AbstractSync *createSync(const QString &typeKey, QObject *parent)
{
    if (typeKey.toLower() == MidiSync::staticTypeKey().toLower())
        return new MidiSync(parent);
    return nullptr;
}
