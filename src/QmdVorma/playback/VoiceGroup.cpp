#include "QmdVorma/playback/VoiceGroup.h"

#include "QmdVorma/playback/AbstractSync.h"
#include "QmdVorma/playback/ControllerCurve.h"
#include "QmdVorma/DocumentDefaults.h"
#include "QmdVorma/DocumentKeys.h"
#include "midi/MidiOutputMessage.h"
#include "QmdVorma/playback/NotesEvaluation.h"
#include "QmdVorma/PitchNames.h"
#include "midi/Platform.h"
#include "QmdVorma/ScaleModeAccess.h"

#include <QPolygonF>

#include <boost/random/uniform_int_distribution.hpp>

#include <chrono>
#include <cmath>
#include <limits>
#include <set>
#include <thread>

using namespace QmdVorma;

namespace {

using ControllerLock = std::lock_guard<PriorityInheritanceMutex>;

// Every document write of the engine: outside the undo history, no text.
const QmdRequestOptions EngineWrite{Qmd::NoUndo, QString(), 0};

struct SeedRegistry
{
    std::mutex mutex;
    bool seeded = false;
    boost::random::mt19937 generator;
    std::set<quint32> inUse;
};

SeedRegistry &seedRegistry()
{
    static SeedRegistry registry;
    return registry;
}

void releaseSeed(quint32 seed)
{
    SeedRegistry &registry = seedRegistry();
    std::lock_guard<std::mutex> lock(registry.mutex);
    registry.inUse.erase(seed);
}

// currentTimeNs() and std::chrono::steady_clock both read CLOCK_MONOTONIC.
std::chrono::steady_clock::time_point steadyTime(quint64 ns)
{
    return std::chrono::steady_clock::time_point(std::chrono::nanoseconds(ns));
}

quint8 sentPitch(int pitch)
{
    return quint8(qBound(0, pitch, 127));
}

} // namespace

// ===========================================================================
// Construction

VoiceGroup::VoiceGroup(QmdItemId groupId, QmdVormaController *controller, QObject *parent)
    : QThread(parent)
    , m_groupId(groupId)
    , m_c(controller)
    , m_generation(controller->documentGeneration())
    , m_seed(newUniqueSeed())
    , m_generator(m_seed)
{
    for (int i = 0; i < PoolSize; ++i)
        m_voices[std::size_t(i)].id = i + 1;
    setController(controller);
    // Taken here rather than by the starting thread, so that starting the
    // group never waits for the controller's lock: its creator may hold it.
    m_sync = controller->sync();
}

VoiceGroup::~VoiceGroup()
{
    terminateSafely();
    wait();
    {
        std::lock_guard<PriorityInheritanceMutex> lock(m_mainMutex);
        std::lock_guard<PriorityInheritanceMutex> pool(m_poolMutex);
        m_free.clear();
        m_active.clear();
        m_pendingNoteOffs.clear();
    }
    releaseSeed(m_seed);
}

quint32 VoiceGroup::newUniqueSeed()
{
    SeedRegistry &registry = seedRegistry();
    std::lock_guard<std::mutex> lock(registry.mutex);
    if (!registry.seeded) {
        registry.generator.seed(quint32(currentTimeNs() % 4294967295ull));
        registry.seeded = true;
    }
    quint32 seed;
    do {
        seed = quint32(registry.generator());
    } while (registry.inUse.count(seed) != 0);
    registry.inUse.insert(seed);
    return seed;
}

void VoiceGroup::seedGenerator(quint32 seed)
{
    std::lock_guard<PriorityInheritanceMutex> lock(m_mainMutex);
    m_generator.seed(seed);
}

void VoiceGroup::waitUntilStarted()
{
    while (!m_started.load())
        std::this_thread::sleep_for(std::chrono::microseconds(50));
}

bool VoiceGroup::isLive() const
{
    return m_started.load() && isRunning();
}

// ===========================================================================
// The thread

void VoiceGroup::run()
{
    applyCurrentThreadPriority(priority());
    {
        std::lock_guard<PriorityInheritanceMutex> lock(m_mainMutex);
        {
            std::lock_guard<PriorityInheritanceMutex> pool(m_poolMutex);
            m_active.clear();
            m_free.clear();
            for (Voice &voice : m_voices) {
                voice.state = VoiceState();
                m_free.append(&voice);
            }
        }
    }
    if (m_terminate.load())
        return;
    m_started.store(true);

    // Groups started together would step together and queue up for the
    // same locks every time: after its first step each group shortens one
    // interval by a share of a step of its own, which spreads their beats.
    const quint64 phase = (quint64(m_groupId) * 2654435761u) % StepNs;
    quint64 next = 0;
    bool first = false;
    std::unique_lock<PriorityInheritanceMutex> lock(m_waitMutex);
    while (!m_terminate.load()) {
        if (!m_iterating.load()) {
            m_wake.wait(lock, [this] { return m_terminate.load() || m_iterating.load(); });
            next = currentTimeNs();
            first = true;
            continue;
        }
        lock.unlock();
        iterate();
        // On a fixed beat of 10 ms; a step that overran is followed at once
        // rather than by a burst of catching up.
        const quint64 now = currentTimeNs();
        next += StepNs - (first ? phase : 0);
        first = false;
        if (next < now)
            next = now;
        lock.lock();
        m_wake.wait_until(lock, steadyTime(next), [this] { return m_terminate.load() || !m_iterating.load(); });
    }
}

void VoiceGroup::setIterating(bool iterating)
{
    {
        std::lock_guard<PriorityInheritanceMutex> lock(m_waitMutex);
        m_iterating.store(iterating);
    }
    m_wake.notify_all();
}

void VoiceGroup::terminateSafely()
{
    {
        std::lock_guard<PriorityInheritanceMutex> lock(m_waitMutex);
        m_terminate.store(true);
    }
    m_wake.notify_all();
}

void VoiceGroup::iterate()
{
    // No slot waits for the thread while it holds the main mutex, so the
    // step simply waits its turn; a slot that held it may have paused,
    // suspended or retired the group meanwhile.
    std::lock_guard<PriorityInheritanceMutex> lock(m_mainMutex);
    if (m_terminate.load() || !m_iterating.load() || m_suspended || m_retired)
        return;
    step();
}

void VoiceGroup::stepOnce()
{
    std::lock_guard<PriorityInheritanceMutex> lock(m_mainMutex);
    step();
}

void VoiceGroup::stepAhead()
{
    if (!isLive())
        return;
    std::lock_guard<PriorityInheritanceMutex> lock(m_mainMutex);
    if (m_iterating.load() && !m_suspended && !m_retired && m_sync)
        handleDueArrivals();
}

void VoiceGroup::step()
{
    if (m_sync && m_sync->isPlaying())
        handleDueArrivals();
    // With its last voice gone the group has nothing more to play.
    if (activeVoiceCount() == 0 && m_iterating.load())
        setIterating(false);
}

void VoiceGroup::handleDueArrivals()
{
    {
        // One hold for all the reads: the groups of a document step at
        // the same moments, and every separate hold is a chance to
        // queue up behind the others.
        const ControllerLock lock(m_c->controllerMutex());
        readMute();
        readScale();
    }
    QVector<Voice *> voices;
    {
        std::lock_guard<PriorityInheritanceMutex> pool(m_poolMutex);
        voices = m_active;
    }
    m_joined.clear();
    advanceVoices(voices);
    // A voice that left a node during this step on an edge that takes
    // (almost) no time arrives within the look-ahead: it arrives now, so
    // its notes are queued before they are due too. A cycle of such
    // edges goes round a bounded number of times per step.
    for (int round = 0; round < MaxFollowUpRounds && !m_joined.isEmpty(); ++round) {
        const Ticks horizon = arrivalHorizon();
        voices.clear();
        {
            std::lock_guard<PriorityInheritanceMutex> pool(m_poolMutex);
            for (Voice *voice : qAsConst(m_joined)) {
                if (m_active.contains(voice) && voice->state.arrival <= horizon)
                    voices.append(voice);
            }
        }
        m_joined.clear();
        advanceVoices(voices);
    }
    m_joined.clear();
    flushPendingNoteOffs();
}

void VoiceGroup::advanceVoices(const QVector<Voice *> &voices)
{
    // On this thread, one after another: every arrival runs under the
    // controller's node-arrival mutex anyway, so other threads would only
    // add hand-overs, and threads of lower priority would hold this one up.
    for (Voice *voice : voices)
        advanceVoice(voice);
}

void VoiceGroup::flushPendingNoteOffs()
{
    // Each note's note-off went into its instrument's queue together with
    // its note-on; what is left is telling the canvas when it ends.
    for (const PendingNoteOff &pending : qAsConst(m_pendingNoteOffs))
        postEvent(PlaybackEvent::NoteEnded, pending.note.arrival + Ticks(pending.note.duration), pending.voiceId,
                  pending.nodeId, &pending.note);
    m_pendingNoteOffs.clear();
}

void VoiceGroup::takeControllerSync()
{
    m_sync = m_c->sync();
}

Ticks VoiceGroup::arrivalHorizon() const
{
    if (!m_sync)
        return 0;
    return m_sync->currentTicks() + m_sync->nsToTicks(LookAheadNs);
}

// ===========================================================================
// Slots

void VoiceGroup::syncSync()
{
    if (!isLive())
        return;
    std::lock_guard<PriorityInheritanceMutex> lock(m_mainMutex);
    const bool wasIterating = m_iterating.load();
    takeControllerSync();
    if (!wasIterating)
        return;
    if (activeVoiceCount() == 0)
        restart(m_sync ? m_sync->currentTicks() : 0, 1.0);
    setIterating(activeVoiceCount() > 0);
}

void VoiceGroup::reset()
{
    if (!isLive())
        return;
    std::lock_guard<PriorityInheritanceMutex> lock(m_mainMutex);
    restart(m_sync ? m_sync->currentTicks() : 0, 1.0);
}

void VoiceGroup::resetTo(Ticks startPos, Scale velocityScale)
{
    if (!isLive())
        return;
    std::lock_guard<PriorityInheritanceMutex> lock(m_mainMutex);
    restart(startPos, velocityScale);
}

void VoiceGroup::continueIterating()
{
    if (!isLive())
        return;
    std::lock_guard<PriorityInheritanceMutex> lock(m_mainMutex);
    const Ticks position = m_sync ? m_sync->currentTicks() : 0;
    // A group whose voices all ended while it looked ahead for a start that
    // has not come yet (MIDI clock primes again with every message until
    // its first timing clock) would play that start twice.
    const bool playedThisStart = m_startedAt == position && m_sync && !m_sync->isPlaying();
    if (activeVoiceCount() == 0 && !playedThisStart)
        restart(position, 1.0);
    if (activeVoiceCount() > 0)
        setIterating(true);
}

void VoiceGroup::pauseIterating()
{
    if (!isLive())
        return;
    std::lock_guard<PriorityInheritanceMutex> lock(m_mainMutex);
    setIterating(false);
}

void VoiceGroup::deactivateAllVoicesAndPauseIterating()
{
    if (!isLive())
        return;
    std::lock_guard<PriorityInheritanceMutex> lock(m_mainMutex);
    deactivateAllVoices();
    setIterating(false);
}

void VoiceGroup::gotoStart()
{
    std::lock_guard<PriorityInheritanceMutex> lock(m_mainMutex);
    const bool wasIterating = m_iterating.load();
    restart(m_sync ? m_sync->currentTicks() : 0, 1.0);
    m_suspended = false;
    if (wasIterating && activeVoiceCount() > 0)
        setIterating(true);
}

void VoiceGroup::suspendSteps()
{
    std::lock_guard<PriorityInheritanceMutex> lock(m_mainMutex);
    m_suspended = true;
}

void VoiceGroup::retire()
{
    std::lock_guard<PriorityInheritanceMutex> lock(m_mainMutex);
    m_retired = true;
}

void VoiceGroup::restart(Ticks start, Scale velocityScale)
{
    m_startedAt = start;
    deactivateAllVoices();
    m_pendingNoteOffs.clear();
    Voice *voice = takeFreeVoice();
    if (!voice)
        return;

    QString pitchText;
    int velocity;
    double principals;
    qint32 instrument;
    {
        const ControllerLock lock(m_c->controllerMutex());
        pitchText = m_c->elementData(m_groupId, Keys::InitialPitch).toString();
        velocity = m_c->elementData(m_groupId, Keys::InitialVelocity).toInt();
        principals = m_c->elementData(m_groupId, Keys::InitialDuration).toDouble();
        instrument = m_c->elementData(m_groupId, Keys::InitialInstrument).toInt();
    }
    readScale();

    VoiceState &state = voice->state;
    state.item = m_groupId;
    state.departure = start;
    state.arrival = start;
    state.pitch = quint8(qBound(0, initialPitch(pitchText, m_scaleKey, m_degreeSet), 255));
    // Documents made here hold 0..127; what a hand-edited one holds beyond
    // that is clamped as the notes' velocities are.
    state.velocity = quint8(qBound(0, velocity, 127));
    state.velocityScale = velocityScale;
    const double ticks = principals * double(TicksPerPrincipal);
    state.duration = std::isfinite(ticks) ? qint64(qBound(0.0, std::round(ticks), double(MaxNoteDuration))) : 0;
    state.instrument = instrument;
    postEvent(PlaybackEvent::VoiceStarted, start, voice->id);
}

// ===========================================================================
// The pool

VoiceGroup::Voice *VoiceGroup::takeFreeVoice()
{
    std::lock_guard<PriorityInheritanceMutex> lock(m_poolMutex);
    if (m_free.isEmpty())
        return nullptr;
    // The voice freed last comes first: an arriving voice goes on as the
    // first voice that leaves its node.
    Voice *voice = m_free.takeLast();
    m_active.append(voice);
    voice->state = VoiceState();
    return voice;
}

void VoiceGroup::deactivateVoice(Voice *voice)
{
    Ticks arrival;
    {
        std::lock_guard<PriorityInheritanceMutex> lock(m_poolMutex);
        if (!m_active.removeOne(voice))
            return;
        m_free.append(voice);
        arrival = voice->state.arrival;
    }
    postEvent(PlaybackEvent::VoiceReturned, arrival, voice->id);
}

void VoiceGroup::deactivateAllVoices()
{
    QVector<QPair<qint32, Ticks>> ended;
    {
        std::lock_guard<PriorityInheritanceMutex> lock(m_poolMutex);
        for (const Voice *voice : qAsConst(m_active))
            ended.append({voice->id, voice->state.arrival});
        m_free += m_active;
        m_active.clear();
    }
    for (const auto &voice : qAsConst(ended))
        postEvent(PlaybackEvent::VoiceReturned, voice.second, voice.first);
}

int VoiceGroup::activeVoiceCount() const
{
    std::lock_guard<PriorityInheritanceMutex> lock(m_poolMutex);
    return m_active.size();
}

int VoiceGroup::freeVoiceCount() const
{
    std::lock_guard<PriorityInheritanceMutex> lock(m_poolMutex);
    return m_free.size();
}

QVector<VoiceState> VoiceGroup::activeVoiceStates() const
{
    std::lock_guard<PriorityInheritanceMutex> lock(m_poolMutex);
    QVector<VoiceState> states;
    for (const Voice *voice : m_active)
        states.append(voice->state);
    return states;
}

// ===========================================================================
// Reading the document

bool VoiceGroup::edgeTravelTicks(QmdItemId item, Ticks *ticks) const
{
    *ticks = 0;
    if (item == m_groupId || m_c->elementData(item, Keys::IsWormhole).toBool())
        return true;
    bool ok = false;
    const qint64 length = m_c->edgeLength(item, &ok);
    if (!ok || length < 0)
        return false;
    *ticks = Ticks(length);
    return true;
}

int VoiceGroup::randomInt(int min, int max)
{
    if (max <= min)
        return min;
    boost::random::uniform_int_distribution<int> distribution(min, max);
    return distribution(m_generator);
}

void VoiceGroup::readMute()
{
    m_mute = m_c->elementData(m_groupId, Keys::DontPlayNote).toBool();
}

void VoiceGroup::readScale()
{
    int key;
    QmdItemId mode;
    {
        const ControllerLock lock(m_c->controllerMutex());
        if (m_c->elementData(m_groupId, Keys::UseScale).toBool()) {
            key = m_c->elementData(m_groupId, Keys::ScaleKey).toInt();
            mode = m_c->elementData(m_groupId, Keys::ScaleMode).toUInt();
        } else {
            key = m_c->data(Keys::ScaleKey).toInt();
            mode = m_c->data(Keys::ScaleMode).toUInt();
        }
    }
    m_scaleKey = ((key % 12) + 12) % 12;
    // A missing mode gives no degrees, which counts as all twelve.
    m_degreeSet = scaleModeValue(m_c, mode, Keys::ChromaticScaleDegreeSet).toInt() & 0xFFF;
}

// ===========================================================================
// Arrivals

void VoiceGroup::advanceVoice(Voice *voice)
{
    const Ticks horizon = arrivalHorizon();
    QmdItemId nodeId;
    QString userMessages;
    bool dontPlay = false;
    {
        const ControllerLock lock(m_c->controllerMutex());
        Ticks travel = 0;
        if (!edgeTravelTicks(voice->state.item, &travel)) {
            deactivateVoice(voice);
            return;
        }
        voice->state.arrival = voice->state.departure + travel;
        if (horizon < voice->state.arrival)
            return;
        nodeId = m_c->elementData(voice->state.item, Keys::ToNode).toUInt();
        if (m_c->elementData(nodeId, Keys::Type).toInt() != NodeElement) {
            nodeId = 0;
        } else {
            userMessages = m_c->elementData(nodeId, Keys::UserMidiMessageList).toString();
            dontPlay = m_c->elementData(nodeId, Keys::DontPlayNote).toBool();
        }
    }
    if (nodeId == 0) {
        deactivateVoice(voice);
        return;
    }

    const std::lock_guard<PriorityInheritanceMutex> arrival(m_c->nodeArrivalMutex());
    const ControllerLock lock(m_c->controllerMutex());
    // A group still running while its document is replaced (a load or a
    // reset) must not play into the new one, whose ids mean other things.
    if (m_c->documentGeneration() != m_generation) {
        deactivateVoice(voice);
        return;
    }
    arrive(voice, nodeId, userMessages, dontPlay || m_mute);
}

void VoiceGroup::arrive(Voice *voice, QmdItemId nodeId, const QString &userMessages, bool silent)
{
    const EdgeChoice edges = chooseOutgoingEdges(nodeId);

    if (m_c->elementData(nodeId, Keys::DoInstrumentChange).toBool())
        voice->state.instrument = m_c->elementData(nodeId, Keys::Instrument).toInt();

    const QmdIndex nodeState = m_c->lookupElementStateIndex(nodeId);
    if (nodeState.isValid()) {
        int cursor = m_c->data(Keys::CurrentUserMidiMessageId, nodeState).toInt();
        const int hits = m_c->data(Keys::HitCount, nodeState).toInt();
        if (!userMessages.isEmpty()) {
            const QString message = pickListItem(userMessages, cursor, &cursor);
            if (!message.isEmpty())
                sendUserMessage(message, voice->state);
        } else {
            ++cursor;
        }
        m_c->requestSetData(QHash<QString, QVariant>{{Keys::CurrentUserMidiMessageId, cursor},
                                                     {Keys::HitCount, hits + 1}},
                            nodeState, EngineWrite);
    }

    QVector<VoiceState> notes;
    const QmdIndex tree = m_c->notesTreeIndex(nodeId);
    if (tree.isValid()) {
        VoiceState work = voice->state;
        notes = evaluateNotesTree(tree, work, edges.primary);
        // The voice goes on with its first note's pitch, velocity and
        // duration, so relative items build on each other along its path.
        if (!notes.isEmpty())
            voice->state = notes.first();
    }

    const VoiceState kept = voice->state;
    const qint32 voiceId = voice->id;
    deactivateVoice(voice);

    if (startVoiceOnEdge(kept, edges.primary)) {
        for (QmdItemId edge : edges.further) {
            if (!startVoiceOnEdge(kept, edge))
                break;
        }
    }

    if (!silent) {
        QStringList sent;
        for (const VoiceState &note : qAsConst(notes)) {
            const quint8 pitch = sentPitch(note.pitch);
            const quint8 velocity = note.scaledVelocity();
            // On and off together or not at all: a full queue must never
            // keep a note-on whose note-off it refused.
            m_c->queueMidiMessagePair(QmdItemId(note.instrument), noteOnMessage(note.arrival, pitch, velocity),
                                      noteOffMessage(note.arrival + Ticks(note.duration), pitch, 0));
            sent << QStringLiteral("%1:%2").arg(pitchName(pitch)).arg(velocity);
            m_pendingNoteOffs.append({note, nodeId, voiceId});
        }
        if (!notes.isEmpty() && nodeState.isValid())
            m_c->requestSetData(Keys::LastNotesSent, sent.join(QLatin1Char('\n')), nodeState, EngineWrite);
    }

    postEvent(PlaybackEvent::VoiceReachedNode, kept.arrival, voiceId, nodeId, &kept);
    // A node that played nothing still flashes briefly.
    if (silent)
        postEvent(PlaybackEvent::NoteEnded, kept.arrival + (m_sync ? m_sync->nsToTicks(SilentFlashNs) : 0), voiceId,
                  nodeId, &kept);
}

void VoiceGroup::sendUserMessage(const QString &text, const VoiceState &state)
{
    MidiOutputMessage message;
    message.kind = MidiOutputMessage::Raw;
    message.time = state.arrival;
    for (const QStringRef &part : text.splitRef(QLatin1Char(' '))) {
        bool ok = false;
        const uint byte = part.toUInt(&ok, 16);
        message.bytes.push_back(ok ? quint8(byte & 0xFF) : quint8(0));
    }
    m_c->queueMidiMessage(QmdItemId(state.instrument), message);
}

VoiceGroup::EdgeChoice VoiceGroup::chooseOutgoingEdges(QmdItemId nodeId)
{
    EdgeChoice choice;
    const ControllerLock lock(m_c->controllerMutex());
    const QString list = m_c->elementData(nodeId, Keys::ArcUsageList).toString();
    const QmdIndex state = m_c->lookupElementStateIndex(nodeId);
    if (list.isEmpty() || !state.isValid())
        return choice;

    switch (m_c->elementData(nodeId, Keys::SignallingMethod).toInt()) {
    case 0: {
        // Sequential: each entry's edge as many times as it says, in turn;
        // an entry of 0 uses keeps the node on its edge for good.
        const QStringList sections = list.split(QLatin1Char(','));
        auto section = [&](uint i) { return i < uint(sections.size()) ? sections.at(int(i)) : QString(); };
        uint current = m_c->data(Keys::CurrentEdgeUsageId, state).toUInt();
        int uses = m_c->data(Keys::CurrentEdgeUsageUses, state).toInt();
        QString entry = section(current);
        if (entry.isEmpty()) {
            current = 0;
            uses = 0;
            entry = section(0);
            if (entry.isEmpty())
                return choice;
        }
        const int limit = QmdVormaController::arcUsageCount(entry);
        if (limit != 0) {
            if (uses >= limit) {
                entry = section(++current);
                uses = 0;
                if (entry.isEmpty()) {
                    current = 0;
                    entry = section(0);
                    if (entry.isEmpty())
                        return choice;
                }
            }
            ++uses;
        }
        // With no voice to send, the cursor waits for the next arrival.
        if (freeVoiceCount() == 0)
            return choice;
        choice.primary = QmdVormaController::arcUsageEdgeId(entry);
        m_c->requestSetData(QHash<QString, QVariant>{{Keys::CurrentEdgeUsageId, current},
                                                     {Keys::CurrentEdgeUsageUses, uses}},
                            state, EngineWrite);
        break;
    }
    case 1: {
        // Parallel: every valid listed edge once, the longest first.
        if (freeVoiceCount() == 0)
            return choice;
        Ticks longest = 0;
        for (const QStringRef &item : list.splitRef(QLatin1Char(','))) {
            const QmdItemId edge = QmdVormaController::arcUsageEdgeId(item.toString());
            Ticks travel;
            if (!edgeTravelTicks(edge, &travel))
                continue;
            choice.further.append(edge);
            if (choice.primary == 0 || travel > longest) {
                choice.primary = edge;
                longest = travel;
            }
        }
        choice.further.removeAll(choice.primary);
        break;
    }
    case 2: {
        // Random: each entry with the chance of its uses in their sum; an
        // entry of 0 uses wins outright.
        const QVector<QStringRef> entries = list.splitRef(QLatin1Char(','), Qt::SkipEmptyParts);
        qint64 sum = 0;
        for (const QStringRef &entry : entries) {
            const int uses = QmdVormaController::arcUsageCount(entry.toString());
            if (uses == 0) {
                choice.primary = QmdVormaController::arcUsageEdgeId(entry.toString());
                return choice;
            }
            sum += uses;
        }
        // Uses that add up to nothing (negative ones, edited by hand) give
        // no draw: the voice ends here.
        if (sum < 1)
            return choice;
        const qint64 drawn = randomInt(1, int(std::min<qint64>(sum, std::numeric_limits<int>::max())));
        qint64 running = 0;
        for (const QStringRef &entry : entries) {
            running += QmdVormaController::arcUsageCount(entry.toString());
            if (running >= drawn) {
                choice.primary = QmdVormaController::arcUsageEdgeId(entry.toString());
                break;
            }
        }
        break;
    }
    default:
        break;
    }
    return choice;
}

bool VoiceGroup::startVoiceOnEdge(const VoiceState &state, QmdItemId edge)
{
    if (edge == 0)
        return false;
    Ticks travel = 0;
    if (!edgeTravelTicks(edge, &travel) || !m_c->lookupElementStateIndex(edge).isValid())
        return false;
    Voice *voice = takeFreeVoice();
    if (!voice) {
        postEvent(PlaybackEvent::NoFreeVoice, state.arrival, 0);
        return false;
    }
    voice->state = state;
    voice->state.item = edge;
    voice->state.departure = state.arrival;
    voice->state.arrival = state.arrival + travel;
    m_joined.append(voice);
    postEvent(PlaybackEvent::VoiceStarted, voice->state.departure, voice->id);
    if (!m_c->elementData(edge, Keys::IsWormhole).toBool())
        scheduleEdgeControllers(voice->state, edge, travel);
    return true;
}

// ===========================================================================
// Notes

QVector<VoiceState> VoiceGroup::evaluateNotesTree(const QmdIndex &treeNode, VoiceState &state, QmdItemId primaryEdge)
{
    QVector<VoiceState> notes;
    const ControllerLock lock(m_c->controllerMutex());
    if (!treeNode.isValid())
        return notes;

    QHash<QString, QVariant> cursors;
    auto pick = [&](const QString &listKey, const QString &cursorKey, QString *item) {
        const QString list = m_c->data(listKey, treeNode).toString();
        if (list.isEmpty())
            return false;
        int next = 0;
        *item = pickListItem(list, m_c->data(cursorKey, treeNode).toInt(), &next);
        cursors.insert(cursorKey, next);
        return true;
    };
    QString item;
    if (pick(Keys::PitchList, Keys::CurrentPitchId, &item))
        state.pitch = quint8(applyPitchItem(state.pitch, item, m_scaleKey, m_degreeSet));
    if (pick(Keys::VelocityList, Keys::CurrentVelocityId, &item))
        state.velocity = quint8(applyVelocityItem(state.velocity, item));
    if (pick(Keys::DurationList, Keys::CurrentDurationId, &item)) {
        Ticks percentBase = TicksPerPrincipal;
        Ticks travel = 0;
        if (item.endsWith(QLatin1Char('%')) && primaryEdge != 0 && edgeTravelTicks(primaryEdge, &travel))
            percentBase = travel;
        state.duration = applyDurationItem(state.duration, item, percentBase);
    }
    if (!cursors.isEmpty()) {
        m_c->requestSetData(cursors, treeNode, EngineWrite);
        notes.append(state);
    }

    const QmdIndex children = m_c->index(Keys::Children, treeNode);
    const QmdIndexList childList = children.isValid() ? m_c->indexes(children) : QmdIndexList();
    if (childList.isEmpty())
        return notes;
    switch (m_c->data(Keys::SignallingMethod, treeNode).toInt()) {
    case 0: {
        int i = m_c->data(Keys::CurrentChildId, treeNode).toInt();
        if (i < 0 || i >= childList.size())
            i = 0;
        VoiceState copy = state;
        notes += evaluateNotesTree(childList.at(i), copy, primaryEdge);
        m_c->requestSetData(Keys::CurrentChildId, i + 1, treeNode, EngineWrite);
        break;
    }
    case 1:
        for (const QmdIndex &child : childList) {
            VoiceState copy = state;
            notes += evaluateNotesTree(child, copy, primaryEdge);
        }
        break;
    case 2: {
        VoiceState copy = state;
        notes += evaluateNotesTree(childList.at(randomInt(0, childList.size() - 1)), copy, primaryEdge);
        break;
    }
    default:
        break;
    }
    return notes;
}

// ===========================================================================
// Controller curves

void VoiceGroup::scheduleEdgeControllers(const VoiceState &state, QmdItemId edge, Ticks travel)
{
    struct Entry
    {
        int type;
        QPolygonF points;
        int msb;
        int lsb;
    };
    QVector<Entry> entries;
    {
        const ControllerLock lock(m_c->controllerMutex());
        const QmdIndex edgeIndex = m_c->elementIndex(edge);
        const QmdIndex controllers = edgeIndex.isValid() ? m_c->index(Keys::ContinuousControllers, edgeIndex)
                                                         : QmdIndex();
        if (!controllers.isValid())
            return;
        for (const QmdIndex &entry : m_c->indexes(controllers)) {
            entries.append({m_c->data(Keys::CurveType, entry).toInt(),
                            m_c->data(Keys::CurvePoints, entry).value<QPolygonF>(),
                            m_c->data(Keys::MsbCode, entry).toInt(), m_c->data(Keys::LsbCode, entry).toInt()});
        }
    }
    const quint64 travelNs = m_sync ? m_sync->ticksToNs(travel) : 0;
    const QmdItemId instrument = QmdItemId(state.instrument);
    QVector<QVector<CurveSample>> curves;
    qint64 needed = 0;
    for (const Entry &entry : qAsConst(entries)) {
        QVector<CurveSample> samples;
        if (entry.type != NoCurve && !entry.points.isEmpty() && entry.msb != NoControllerCode) {
            samples = sampleControllerCurve(entry.type, entry.points, state.departure, travel, travelNs);
            bool paired;
            needed += qint64(samples.size()) * curveSampleMessages(CurveSample(), entry.msb, entry.lsb, &paired).size();
        }
        curves.append(samples);
    }
    // A long edge at a slow tempo can ask for more messages than the queue
    // holds, and the notes must still find room: curves then keep fewer
    // samples, spread evenly and ending on their last value.
    const qint64 room = std::max(0, m_c->midiQueueRoom(instrument) - CurveQueueReserve);
    for (int i = 0; i < entries.size(); ++i) {
        const Entry &entry = entries.at(i);
        QVector<CurveSample> samples = curves.at(i);
        if (needed > room)
            samples = thinCurveSamples(samples, int(qint64(samples.size()) * room / needed));
        for (const CurveSample &sample : qAsConst(samples)) {
            bool paired = false;
            const QVector<MidiOutputMessage> messages = curveSampleMessages(sample, entry.msb, entry.lsb, &paired);
            if (paired) {
                m_c->queueMidiMessagePair(instrument, messages.at(0), messages.at(1));
                continue;
            }
            for (const MidiOutputMessage &message : messages)
                m_c->queueMidiMessage(instrument, message);
        }
    }
}

// ===========================================================================
// Feedback

void VoiceGroup::postEvent(int kind, Ticks time, qint32 voiceId, QmdItemId nodeId, const VoiceState *state)
{
    PlaybackEvent event;
    event.kind = kind;
    event.time = time;
    event.voiceGroupId = qint32(m_groupId);
    event.voiceId = voiceId;
    event.nodeId = nodeId;
    if (state) {
        event.instrumentId = state->instrument;
        event.pitch = sentPitch(state->pitch);
        event.velocity = state->scaledVelocity();
        event.duration = state->duration;
    }
    // A full queue drops the event: the canvas misses a flash, nothing more.
    m_c->feedbackPipe().push(event);
}
