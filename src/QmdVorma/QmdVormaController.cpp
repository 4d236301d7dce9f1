#include "QmdVorma/QmdVormaController.h"

#include "QmdVorma/ArcUsage.h"
#include "QmdVorma/ClipboardElements.h"
#include "QmdVorma/DocumentConversion.h"
#include "QmdVorma/DocumentDefaults.h"
#include "QmdVorma/DocumentKeys.h"
#include "QmdVorma/InstrumentPalette.h"
#include "QmdVorma/InstrumentsModel.h"
#include "QmdVorma/playback/MidiInstrument.h"
#include "midi/MidiPortNames.h"
#include "QmdVorma/playback/MidiSync.h"
#include "QmdVorma/PastedElements.h"
#include "QmdVorma/PitchNames.h"
#include "QmdVorma/QmdVormaExporter.h"
#include "QmdVorma/QmdVormaImporter.h"
#include "QmdVorma/ScaleKeysModel.h"
#include "QmdVorma/ScaleModes.h"
#include "QmdVorma/ScaleModesModel.h"
#include "QmdVorma/StylePresets.h"
#include "QmdVorma/playback/VoiceGroup.h"
#include "QmdVorma/antlr/NotesTreeShapeMaker.h"
#include "QmdVorma/antlr/NotesTrees.h"

#include <QFileInfo>
#include <QSaveFile>
#include <QSignalBlocker>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <limits>

using namespace QmdVorma;

namespace {

using ControllerLock = std::lock_guard<PriorityInheritanceMutex>;

// Every transport slot answers this instead of a request id.
constexpr QmdRequestId TransportResult = 0xFFFFFFFFu;

QmdRequestOptions withText(const QString &text)
{
    QmdRequestOptions options;
    options.text = text;
    return options;
}

// Reads a network document, whose value must be a string-keyed dictionary.
// The document is emptied only once the file has shown to hold one, so a
// property list of anything else leaves it as it was.
class NetworkDocumentImporter : public QmdVormaImporter
{
public:
    using QmdVormaImporter::QmdVormaImporter;

    // True once the document has been replaced.
    bool accepted() const { return m_accepted; }

    void readElement(const Element &element, const QmdIndex &target) override
    {
        if (m_rootSeen || target.namesEntry()) {
            QmdVormaImporter::readElement(element, target);
            return;
        }
        m_rootSeen = true;
        if (!isStringKeyedDict(element))
            return;
        m_accepted = true;
        model()->clear(QmdIndex());
        // Views rebuild on the reset that follows a load.
        const QSignalBlocker blocker(model());
        QmdVormaImporter::readElement(element, target);
    }

private:
    static bool isStringKeyedDict(const Element &element)
    {
        if (element.name != QLatin1String("dict"))
            return false;
        const auto &children = element.children;
        for (std::size_t i = 0; i + 1 < children.size(); ++i) {
            if (children[i].name == QLatin1String("key") && children[i].text == QLatin1String("ContainerType"))
                return children[i + 1].name == QLatin1String("string")
                       && children[i + 1].text == QLatin1String("StrDict");
        }
        return false;
    }

    bool m_rootSeen = false;
    bool m_accepted = false;
};

} // namespace

// ===========================================================================
// Construction and destruction

QmdVormaController::QmdVormaController(QObject *parent)
    : QmdElementDocController(parent)
{
    if (builtInScaleModes().isEmpty())
        loadScaleModes(builtInScaleModes(), builtInScaleModeSet(), defaultScaleMode());
    qRegisterMetaType<TickPoint>("QmdVorma::TickPoint");
    m_instrumentsModel = new InstrumentsModel(this);
    m_scaleKeysModel = new ScaleKeysModel(this);
    m_scaleModesModel = new ScaleModesModel(this);
}

QmdVormaController::~QmdVormaController()
{
    // The clock's MIDI inputs call the transport from the port layer's
    // thread: they are closed, waiting for the calls in flight, before
    // anything those calls reach goes away.
    if (AbstractSync *clock = sync())
        clock->setController(nullptr);
    EngineThreads threads;
    {
        const ControllerLock lock(m_controllerMutex);
        threads = takeEngineThreads();
    }
    // Voice groups queue into the instruments' queues: they go first.
    stopVoiceGroups(threads.voiceGroups);
    stopInstruments(threads.instruments);
}

// ===========================================================================
// Locks

void QmdVormaController::readLock() const
{
    m_controllerMutex.lock();
}

void QmdVormaController::readUnlock() const
{
    m_controllerMutex.unlock();
}

void QmdVormaController::writeLock()
{
    m_controllerMutex.lock();
}

void QmdVormaController::writeUnlock()
{
    m_controllerMutex.unlock();
}

QmdRequestId QmdVormaController::nextRequestId()
{
    std::lock_guard<PriorityInheritanceMutex> lock(m_requestMutex);
    return QmdElementDocController::nextRequestId();
}

void QmdVormaController::requestFinishedHook(QmdRequestId rid)
{
    std::lock_guard<PriorityInheritanceMutex> lock(m_requestMutex);
    QmdElementDocController::requestFinishedHook(rid);
}

QHash<QmdRequestId, QVariant> *QmdVormaController::requestTable()
{
    {
        std::lock_guard<PriorityInheritanceMutex> lock(m_requestMutex);
    }
    return QmdElementDocController::requestTable();
}

// ===========================================================================
// Locked accessors

namespace {

// The entry `id` of the dictionary at parent; invalid for id 0, an invalid
// parent or a missing entry.
QmdIndex childIndex(const QmdDirectModelInterface &d, QmdItemId id, const QmdIndex &parent)
{
    if (id == 0 || !parent.isValid())
        return QmdIndex();
    return d.index(id, parent);
}

QVariant childData(const QmdDirectModelInterface &d, const QString &key, const QmdIndex &parent)
{
    // A failed lookup gives the root index: its keys must not be read instead.
    return parent.isValid() ? d.data(key, parent) : QVariant();
}

} // namespace

QmdIndex QmdVormaController::elementsIndex() const
{
    const ControllerLock lock(m_controllerMutex);
    return model() ? direct().index(Keys::Elements) : QmdIndex();
}

QmdIndex QmdVormaController::elementIndex(QmdItemId id) const
{
    const ControllerLock lock(m_controllerMutex);
    return childIndex(direct(), id, elementsIndex());
}

QVariant QmdVormaController::elementData(QmdItemId id, const QString &key) const
{
    const ControllerLock lock(m_controllerMutex);
    return childData(direct(), key, elementIndex(id));
}

QmdItemIdList QmdVormaController::elementIds() const
{
    const ControllerLock lock(m_controllerMutex);
    const QmdIndex elements = elementsIndex();
    return elements.isValid() ? direct().itemIds(elements) : QmdItemIdList();
}

QmdIndex QmdVormaController::instrumentsIndex() const
{
    const ControllerLock lock(m_controllerMutex);
    return model() ? direct().index(Keys::Instruments) : QmdIndex();
}

QmdIndex QmdVormaController::instrumentIndex(QmdItemId id) const
{
    const ControllerLock lock(m_controllerMutex);
    return childIndex(direct(), id, instrumentsIndex());
}

QVariant QmdVormaController::instrumentData(QmdItemId id, const QString &key) const
{
    const ControllerLock lock(m_controllerMutex);
    return childData(direct(), key, instrumentIndex(id));
}

QmdItemIdList QmdVormaController::instrumentIds() const
{
    const ControllerLock lock(m_controllerMutex);
    const QmdIndex instruments = instrumentsIndex();
    return instruments.isValid() ? direct().itemIds(instruments) : QmdItemIdList();
}

QmdIndex QmdVormaController::syncMidiInputsIndex() const
{
    const ControllerLock lock(m_controllerMutex);
    return model() ? direct().index(Keys::SyncMidiInputs) : QmdIndex();
}

QmdIndex QmdVormaController::syncMidiOutputsIndex() const
{
    const ControllerLock lock(m_controllerMutex);
    return model() ? direct().index(Keys::SyncMidiOutputs) : QmdIndex();
}

QmdIndex QmdVormaController::scaleModesContainerIndex() const
{
    const ControllerLock lock(m_controllerMutex);
    return model() ? direct().index(Keys::ScaleModes) : QmdIndex();
}

QmdIndex QmdVormaController::lookupTempIndex() const
{
    const ControllerLock lock(m_controllerMutex);
    return model() ? direct().index(Keys::Temp) : QmdIndex();
}

QmdIndex QmdVormaController::lookupElementStatesIndex() const
{
    const ControllerLock lock(m_controllerMutex);
    const QmdIndex temp = lookupTempIndex();
    return temp.isValid() ? direct().index(Keys::ElementStates, temp) : QmdIndex();
}

QmdIndex QmdVormaController::lookupElementStateIndex(QmdItemId id) const
{
    const ControllerLock lock(m_controllerMutex);
    return childIndex(direct(), id, lookupElementStatesIndex());
}

bool QmdVormaController::isElementStateIndex(const QmdIndex &index) const
{
    const ControllerLock lock(m_controllerMutex);
    const QmdIndex states = lookupElementStatesIndex();
    return states.isValid() && index.namesEntry() && direct().parent(index) == states;
}

// ===========================================================================
// Direct accessors

QmdIndex QmdVormaController::directElementIndex(QmdItemId id) const
{
    return childIndex(direct(), id, m_elementsIndex);
}

QVariant QmdVormaController::directElementData(QmdItemId id, const QString &key) const
{
    return childData(direct(), key, directElementIndex(id));
}

QmdIndex QmdVormaController::referencedElementIndex(QmdItemId id, const QString &key) const
{
    return directElementIndex(directElementData(id, key).toUInt());
}

QmdItemIdList QmdVormaController::directElementIds() const
{
    return m_elementsIndex.isValid() ? direct().itemIds(m_elementsIndex) : QmdItemIdList();
}

QmdIndex QmdVormaController::directInstrumentIndex(QmdItemId id) const
{
    return childIndex(direct(), id, m_instrumentsIndex);
}

QVariant QmdVormaController::directInstrumentData(QmdItemId id, const QString &key) const
{
    return childData(direct(), key, directInstrumentIndex(id));
}

QmdIndex QmdVormaController::elementStateIndex(QmdItemId id) const
{
    return childIndex(direct(), id, m_elementStatesIndex);
}

QmdIndex QmdVormaController::notesTreeIndex(QmdItemId nodeId) const
{
    return childIndex(direct(), nodeId, m_nodeNotesTreesIndex);
}

QmdIndex QmdVormaController::scaleModeItemIndex(QmdItemId id) const
{
    return childIndex(direct(), id, m_scaleModesIndex);
}

// ===========================================================================
// Elements, defaults and run-time state

QmdItemId QmdVormaController::addElementWithFlags(int type, const QHash<QString, QVariant> &data,
                                                  const QHash<QString, Qmd::ContainerType> &types,
                                                  CreationFlags flags)
{
    if (!flags.testFlag(CreateHidden))
        return addElement(type, data, types);
    QHash<QString, QVariant> hidden = data;
    hidden.insert(Keys::IsHidden, true);
    return addElement(type, hidden, types);
}

void QmdVormaController::ensureDocumentDefaults()
{
    QmdDirectModelInterface &d = direct();
    // A file can hold anything under a known key ("fast" for a tempo, a
    // division count of 0); it is mended here, once, so that no reader has
    // to guard against it and a save does not keep it.
    auto makeUsable = [&d](const KeyValue &entry) {
        if (const std::optional<QVariant> repaired = repairedRootValue(entry, d.data(entry.key)))
            d.setData(entry.key, *repaired);
    };
    for (const KeyValue &entry : rootDefaults())
        makeUsable(entry);

    StylePreset style;
    stylePreset(defaultStylePresetName(), &style);
    QStringList styleKeys = style.keys();
    std::sort(styleKeys.begin(), styleKeys.end());
    for (const QString &key : qAsConst(styleKeys))
        makeUsable({key, style.value(key)});

    makeUsable({Keys::SyncType, defaultSyncType()});

    // A dictionary key that holds something else (a damaged file) becomes an
    // empty dictionary: nothing could be added to it otherwise.
    d.setTypeIfInvalid(Keys::SyncMidiInputs, Qmd::StrDict);
    d.setTypeIfInvalid(Keys::SyncMidiOutputs, Qmd::StrDict);
    d.setTypeIfInvalid(Keys::Instruments, Qmd::IntDict);
    d.setTypeIfInvalid(Keys::ScaleModes, Qmd::IntDict);
    m_syncMidiInputsIndex = d.index(Keys::SyncMidiInputs);
    m_syncMidiOutputsIndex = d.index(Keys::SyncMidiOutputs);
    m_instrumentsIndex = d.index(Keys::Instruments);
    m_scaleModesIndex = d.index(Keys::ScaleModes);
    m_elementsIndex = d.index(Keys::Elements);

    d.setType(Keys::Temp, Qmd::StrDict);
    m_tempIndex = d.index(Keys::Temp);
    d.setData(Keys::Tool, DefaultTool);
    d.setType(Keys::ElementStates, Qmd::IntDict, m_tempIndex);
    d.setType(Keys::NodeNotesTrees, Qmd::IntDict, m_tempIndex);
    m_elementStatesIndex = d.index(Keys::ElementStates, m_tempIndex);
    m_nodeNotesTreesIndex = d.index(Keys::NodeNotesTrees, m_tempIndex);

    // Every tree is built anew below.
    m_notesTreesBuiltBy.clear();
    if (!m_elementsIndex.isValid())
        return;
    // The run-time subtree is new as a whole, and what the views show of it
    // comes with the model reset that ends every reset: announcing each of
    // its entries would queue a change for every key of every notes tree.
    const QSignalBlocker blocker(model());
    QmdItemIdList nodes;
    for (const QmdIndex &element : d.indexes(m_elementsIndex)) {
        const int type = childData(d, Keys::Type, element).toInt();
        if (type != EdgeElement && type != NodeElement)
            continue;
        d.setType(element.itemId(), Qmd::StrDict, m_elementStatesIndex);
        writeElementState(d, d.index(element.itemId(), m_elementStatesIndex), type);
        if (type == NodeElement)
            nodes.append(element.itemId());
    }
    rebuildNotesTrees(nodes);
}

void QmdVormaController::initElementState(const QmdIndex &state)
{
    if (!state.isValid())
        return;
    writeElementState(direct(), state, directElementData(state.itemId(), Keys::Type).toInt());
}

void QmdVormaController::resetElementState(QmdItemId id)
{
    if (id == 0 || !m_elementStatesIndex.isValid())
        return;
    direct().setType(id, Qmd::StrDict, m_elementStatesIndex);
    initElementState(elementStateIndex(id));
}

// ===========================================================================
// Edges

namespace {

// Sums and differences of positions checked for overflow: a damaged file
// can hold any 64-bit position.
bool lengthTerm(qint64 to, qint64 from, qint64 &difference)
{
    return !__builtin_sub_overflow(to, from, &difference) && difference != std::numeric_limits<qint64>::min();
}

} // namespace

qint64 QmdVormaController::edgeLength(QmdItemId edge, bool *ok) const
{
    if (ok)
        *ok = false;
    QmdIndex from;
    QmdIndex to;
    int path = CityBlock;
    {
        const ControllerLock lock(m_controllerMutex);
        if (!directElementIndex(edge).isValid())
            return 0;
        from = referencedElementIndex(edge, Keys::FromNode);
        to = referencedElementIndex(edge, Keys::ToNode);
        path = directElementData(edge, Keys::Path).toInt();
    }
    return edgeLength(from, to, EdgePath(path), ok);
}

qint64 QmdVormaController::edgeLength(const QmdIndex &fromNode, const QmdIndex &toNode, EdgePath path,
                                      bool *ok) const
{
    if (ok)
        *ok = false;
    TickPoint from;
    TickPoint to;
    {
        const ControllerLock lock(m_controllerMutex);
        // An index of another document would read this document's root.
        for (const QmdIndex *node : {&fromNode, &toNode}) {
            if (!node->isValid() || node->model() != model())
                return 0;
        }
        from = direct().data(Keys::TickPos, fromNode).value<TickPoint>();
        to = direct().data(Keys::TickPos, toNode).value<TickPoint>();
    }
    qint64 dx = 0;
    qint64 dy = 0;
    if (!lengthTerm(to.x, from.x, dx) || !lengthTerm(to.y, from.y, dy))
        return 0;
    qint64 length = 0;
    switch (path) {
    case CityBlock:
    case CityBlockFlipped:
        if (__builtin_add_overflow(std::abs(dx), std::abs(dy), &length))
            return 0;
        break;
    case Direct: {
        const double straight = std::hypot(double(dx), double(dy));
        if (!(straight < 0x1p63))
            return 0;
        length = std::llround(straight);
        break;
    }
    default:
        break;
    }
    if (ok)
        *ok = true;
    return length;
}

int QmdVormaController::arcIdentifierOfEdge(QmdItemId nodeId, QmdItemId edgeId) const
{
    const ControllerLock lock(m_controllerMutex);
    const QmdIndex node = directElementIndex(nodeId);
    const QmdIndex arcs = node.isValid() ? direct().index(Keys::ArcIdentifiers, node) : QmdIndex();
    const QmdIndex arc = childIndex(direct(), edgeId, arcs);
    return arc.isValid() ? direct().data(arc).toInt() : 0;
}

unsigned int QmdVormaController::arcUsageEdgeId(const QString &entry)
{
    return QmdVorma::arcUsageEdgeId(entry);
}

int QmdVormaController::arcUsageCount(const QString &entry)
{
    return QmdVorma::arcUsageCount(entry);
}

// ===========================================================================
// Notes trees

bool QmdVormaController::parseNotes(const QString &text, const NotesParseCallback &callback)
{
    return NotesParser::parseNotes(text, callback);
}

void QmdVormaController::rebuildNotesTree(QmdItemId nodeId)
{
    if (!directElementIndex(nodeId).isValid())
        return;
    NotesTrees::storeNotesTree(direct(), m_nodeNotesTreesIndex, nodeId,
                               directElementData(nodeId, Keys::Notes).toString());
}

void QmdVormaController::rebuildNotesTrees(const QmdItemIdList &nodeIds)
{
    // Parsing is most of the work of a load, and it needs no document: the
    // texts are parsed on worker threads while the trees are written here,
    // in order.
    QStringList texts;
    texts.reserve(nodeIds.size());
    for (const QmdItemId id : nodeIds)
        texts.append(directElementData(id, Keys::Notes).toString());
    NotesTreeShapeMaker shapes(texts);
    for (int i = 0; i < nodeIds.size(); ++i)
        NotesTrees::storeNotesTree(direct(), m_nodeNotesTreesIndex, nodeIds.at(i), shapes.take(i));
}

void QmdVormaController::replaceNotesTree(QmdItemId nodeId)
{
    const QmdIndex tree = notesTreeIndex(nodeId);
    if (tree.isValid())
        direct().remove(tree);
    rebuildNotesTree(nodeId);
}

void QmdVormaController::resetNotesTreeCursors(const QmdIndex &index)
{
    NotesTrees::resetNotesTreeCursors(direct(), index);
}

QmdRequestId QmdVormaController::requestRebuildNotesTree(QmdItemId nodeId)
{
    const QmdRequestId rid = nextRequestId();
    beginRequest(rid, Qmd::NoUndo, tr("Rebuild Notes Tree"));
    replaceNotesTree(nodeId);
    return endRequest(rid);
}

bool QmdVormaController::validateNotes(const QString &str, QMap<int, QPair<int, NotesToken> > &map)
{
    return NotesParser::validateNotes(str, map);
}

bool QmdVormaController::unitTestNotes(const QString &str, bool expectedResult)
{
    return NotesParser::unitTestNotes(str, expectedResult);
}

QmdRequestId QmdVormaController::requestShuffleNodeNotes(const QmdItemIdSet &)
{
    return 0;
}

// ===========================================================================
// Scale modes

QmdItemId QmdVormaController::defaultScaleModeId() const
{
    const ControllerLock lock(m_controllerMutex);
    return m_defaultScaleModeId;
}

QSet<QmdIndex> QmdVormaController::unreferencedScaleModes() const
{
    const ControllerLock lock(m_controllerMutex);
    QSet<QmdIndex> modes;
    if (!m_scaleModesIndex.isValid())
        return modes;
    const QmdDirectModelInterface &d = direct();
    const QmdIndexList all = d.indexes(m_scaleModesIndex);
    modes = QSet<QmdIndex>(all.cbegin(), all.cend());
    modes.remove(scaleModeItemIndex(d.data(Keys::ScaleMode).toUInt()));
    if (!m_elementsIndex.isValid())
        return modes;
    for (const QmdIndex &element : d.indexes(m_elementsIndex)) {
        if (childData(d, Keys::Type, element).toUInt() == VoiceGroupElement)
            modes.remove(scaleModeItemIndex(d.data(Keys::ScaleMode, element).toUInt()));
    }
    return modes;
}

// ===========================================================================
// Colour styles and MIDI ports

QStringList QmdVormaController::stylePresetNames()
{
    return QmdVorma::stylePresetNames();
}

QmdRequestId QmdVormaController::requestLoadStylePreset(const QString &presetName)
{
    // A copy, so that the preset table's lock is never held together with
    // the controller's.
    StylePreset preset;
    if (!stylePreset(presetName, &preset))
        return 0;
    const QmdRequestId rid = nextRequestId();
    beginRequest(rid, {}, tr("Color Preset: %1").arg(presetName));
    model()->setData(preset, QmdIndex());
    return endRequest(rid);
}

QString QmdVormaController::defaultMidiOutputPort()
{
    const QSet<QString> present = midiOutputPortNameSet();
    QStringList names(present.cbegin(), present.cend());
    std::sort(names.begin(), names.end(), comparePortNames);
    for (const QString &name : qAsConst(names)) {
        if (name.contains(QLatin1String("synth"), Qt::CaseInsensitive))
            return name;
    }
    return names.isEmpty() ? QString() : names.first();
}

// ===========================================================================
// Display toggles

QmdRequestId QmdVormaController::toggleRootFlag(const QString &key)
{
    // Held across reading and writing, so two toggles never write the same
    // value.
    const ControllerLock lock(m_controllerMutex);
    const bool value = data(key).toBool();
    return requestSetData(key, !value, QmdIndex(), QmdRequestOptions{Qmd::NoUndo, QString(), 0});
}

QmdRequestId QmdVormaController::requestToggleShowGrid()
{
    return toggleRootFlag(Keys::ShowGrid);
}

QmdRequestId QmdVormaController::requestToggleSnapToGrid()
{
    return toggleRootFlag(Keys::SnapToGrid);
}

QmdRequestId QmdVormaController::requestToggleShowNodeCounters()
{
    return toggleRootFlag(Keys::ShowNodeCounters);
}

QmdRequestId QmdVormaController::requestToggleShowNodeLastNotesSent()
{
    return toggleRootFlag(Keys::ShowNodeLastNotesSent);
}

QmdRequestId QmdVormaController::requestToggleShowEdgeSignalling()
{
    return toggleRootFlag(Keys::ShowEdgeSignalling);
}

QmdRequestId QmdVormaController::requestToggleMidiTriggering()
{
    return toggleRootFlag(Keys::MidiTriggeringEnabled);
}

// ===========================================================================
// Transport

QmdRequestId QmdVormaController::requestPlay()
{
    return requestSetPlayback(true);
}

QmdRequestId QmdVormaController::requestPause()
{
    return requestSetPlayback(false);
}

QmdRequestId QmdVormaController::requestTogglePlayback()
{
    bool playing;
    {
        const std::lock_guard<PriorityInheritanceMutex> transport(m_transportMutex);
        AbstractSync *clock = sync();
        playing = !(clock && clock->isPlaying());
        setPlayback(playing);
    }
    emit playbackStateChanged(playing);
    return TransportResult;
}

QmdRequestId QmdVormaController::requestSetPlayback(bool play)
{
    {
        const std::lock_guard<PriorityInheritanceMutex> transport(m_transportMutex);
        setPlayback(play);
    }
    emit playbackStateChanged(play);
    return TransportResult;
}

void QmdVormaController::setPlayback(bool play)
{
    AbstractSync *clock = sync();
    // Primed before the clock starts: the groups queue what is due at the
    // start while the instruments wait for the clock, so the first notes
    // leave the moment it runs rather than a step after.
    if (play)
        primePlayback(true);
    if (clock)
        clock->setPlaying(play);
    if (!play)
        primePlayback(false);
}

QmdRequestId QmdVormaController::requestPrimePlaybackForSyncStateChange(bool newState)
{
    {
        const std::lock_guard<PriorityInheritanceMutex> transport(m_transportMutex);
        primePlayback(newState);
    }
    emit playbackStateChanged(newState);
    return TransportResult;
}

void QmdVormaController::primePlayback(bool playing)
{
    for (AbstractInstrument *instrument : instruments()) {
        if (playing)
            instrument->play();
        else
            instrument->pauseAndWait();
    }
    const VoiceGroupRegistry groups = voiceGroups();
    for (auto it = groups.cbegin(); it != groups.cend(); ++it) {
        // Groups with trigger keys wait for MIDI triggering.
        if (playing && elementData(it.key(), Keys::TriggeringMidiPitchList).toString().isEmpty()) {
            it.value()->continueIterating();
            it.value()->stepAhead();
        } else {
            it.value()->pauseIterating();
        }
    }
}

QmdRequestId QmdVormaController::requestGotoStart()
{
    {
        const std::lock_guard<PriorityInheritanceMutex> transport(m_transportMutex);
        AbstractSync *clock = sync();
        if (!clock)
            return TransportResult;
        // Steps in progress end first: none may write old counters or queue
        // messages with old ticks once everything has been rewound.
        const VoiceGroupRegistry groups = voiceGroups();
        for (VoiceGroup *group : groups)
            group->suspendSteps();
        const bool wasPlaying = clock->isPlaying();
        if (wasPlaying)
            clock->setPlaying(false);
        clock->reset();
        if (model()) {
            runRequest({Qmd::NoUndo, tr("Goto Start"), 0}, [this] {
                if (m_elementStatesIndex.isValid()) {
                    for (const QmdIndex &state : direct().indexes(m_elementStatesIndex))
                        initElementState(state);
                }
                resetNotesTreeCursors(m_nodeNotesTreesIndex);
            });
        }
        for (AbstractInstrument *instrument : instruments())
            instrument->reset();
        // What the canvas still had to show belongs to the old run.
        m_feedbackPipe.clear();
        for (VoiceGroup *group : groups) {
            group->gotoStart();
            group->stepAhead();
        }
        if (wasPlaying)
            clock->setPlaying(true);
    }
    emit playbackJogged();
    return TransportResult;
}

// ===========================================================================
// Adding elements

namespace {

QHash<QString, QVariant> valuesOf(const KeyValueList &list)
{
    QHash<QString, QVariant> values;
    for (const KeyValue &entry : list)
        values.insert(entry.key, entry.value);
    return values;
}

// A stored colour; a colour name counts as its colour (files give colours
// back as text), anything else as the invalid colour.
QColor storedColor(const QVariant &value)
{
    if (value.userType() == QMetaType::QColor)
        return value.value<QColor>();
    return value.userType() == QMetaType::QString ? QColor(value.toString()) : QColor();
}

constexpr int MidiChannelCount = 16;

} // namespace

QmdIndex QmdVormaController::directElementOfType(const QmdIndex &index, int type) const
{
    // An index of another document, or of any other entry, names no element
    // here even when its id does.
    if (!index.isValid() || index.model() != model() || directElementIndex(index.itemId()) != index)
        return QmdIndex();
    return directElementData(index.itemId(), Keys::Type).toInt() == type ? index : QmdIndex();
}

QmdRequestId QmdVormaController::requestAddElement(int type, const QHash<QString, QVariant> &data,
                                                   const QHash<QString, Qmd::ContainerType> &types,
                                                   CreationFlags flags, const QmdRequestOptions &options,
                                                   QmdItemId *newId)
{
    QmdItemId id = 0;
    const QmdRequestId rid = runRequest(options, [&] { id = addElementWithFlags(type, data, types, flags); });
    if (newId)
        *newId = id;
    return rid;
}

QmdRequestId QmdVormaController::requestAddInstrument(const QmdRequestOptions &options)
{
    QSet<QString> labels;
    QList<QColor> colors;
    quint16 usedChannels = 0;
    // One consistent view of the instruments; released before the request,
    // which asks the MIDI layer for the default port.
    std::unique_lock<PriorityInheritanceMutex> lock(m_controllerMutex);
    for (QmdItemId id : instrumentIds()) {
        labels.insert(instrumentData(id, Keys::Label).toString());
        colors.append(storedColor(instrumentData(id, Keys::Color)));
        const QBitArray channels = instrumentData(id, Keys::MidiChannels).toBitArray();
        for (int channel = 0; channel < std::min(int(channels.size()), MidiChannelCount); ++channel) {
            if (channels.testBit(channel))
                usedChannels |= quint16(1u << channel);
        }
    }

    const QString base = tr("Instrument");
    QString label = base;
    for (int n = 2; labels.contains(label); ++n)
        label = QStringLiteral("%1 %2").arg(base).arg(n);

    lock.unlock();

    QColor color;
    for (const PaletteEntry &entry : instrumentColorPalette()) {
        if (!colors.contains(entry.color)) {
            color = entry.color;
            break;
        }
    }

    QBitArray channels(MidiChannelCount);
    for (int channel = 0; channel < MidiChannelCount; ++channel) {
        if (!(usedChannels & (1u << channel))) {
            channels.setBit(channel);
            break;
        }
    }
    return requestAddInstrument(label, color, channels, options);
}

QmdRequestId QmdVormaController::requestAddInstrument()
{
    return requestAddInstrument(withText(tr("Instrument")));
}

QmdRequestId QmdVormaController::requestAddInstrument(const QString &label, const QColor &color,
                                                      const QBitArray &channels, const QmdRequestOptions &options)
{
    QHash<QString, QVariant> data = valuesOf(instrumentDefaults());
    data.insert(Keys::Type, MidiInstrument::staticTypeKey());
    data.insert(Keys::Color, color);
    data.insert(Keys::Label, label);
    data.insert(Keys::MidiPort, defaultMidiOutputPort());
    data.insert(Keys::MidiChannels, channels);
    return runRequest(options, [&] {
        if (!m_instrumentsIndex.isValid())
            return;
        const QmdIndex instrument = direct().index(direct().addType(Qmd::StrDict, m_instrumentsIndex),
                                                   m_instrumentsIndex);
        if (instrument.isValid())
            model()->setData(data, instrument);
    });
}

QmdRequestId QmdVormaController::requestAddInstrument(const QString &label, const QColor &color,
                                                      const QBitArray &channels)
{
    return requestAddInstrument(label, color, channels, withText(tr("Instrument")));
}

QmdRequestId QmdVormaController::requestAddEdge(const QmdIndex &fromNode, const QmdIndex &toNode, EdgePath path,
                                                CreationFlags flags, const QmdRequestOptions &options,
                                                QmdItemId *newEdgeId)
{
    QmdItemId id = 0;
    const QmdRequestId rid = runRequest(options, [&] {
        // Only the nodes of this document are ends; anything else leaves the
        // end open.
        const QmdIndex from = directElementOfType(fromNode, NodeElement);
        const QmdIndex to = directElementOfType(toNode, NodeElement);
        QHash<QString, QVariant> data = valuesOf(edgeDefaults());
        data.insert(Keys::Path, int(path));
        if (from.isValid())
            data.insert(Keys::FromNode, uint(from.itemId()));
        if (to.isValid())
            data.insert(Keys::ToNode, uint(to.itemId()));
        id = addElementWithFlags(EdgeElement, data, {{Keys::ContinuousControllers, Qmd::IntDict}}, flags);
        resetElementState(id);
        connectEdgeToStartNode(id, from);
    });
    if (newEdgeId)
        *newEdgeId = id;
    return rid;
}

void QmdVormaController::connectEdgeToStartNode(QmdItemId edgeId, const QmdIndex &fromNode)
{
    if (edgeId == 0 || !fromNode.isValid())
        return;
    QmdDirectModelInterface &d = direct();
    // A node of a damaged file may lack its dictionary of arc numbers.
    d.setTypeIfInvalid(Keys::ArcIdentifiers, Qmd::IntDict, fromNode);
    const QmdIndex arcs = d.index(Keys::ArcIdentifiers, fromNode);
    QSet<quint32> taken;
    for (const QVariant &number : d.values(arcs))
        taken.insert(number.toUInt());
    d.setData(edgeId, firstFreeArcNumber(taken), arcs);
    d.setData(Keys::ArcUsageList, appendArcUsage(d.data(Keys::ArcUsageList, fromNode).toString(), edgeId),
              fromNode);
    // Also here, not only when the addition is relayed: an edge removed
    // before that must still be forgotten at its start node.
    m_edgeFromNodes.insert(edgeId, fromNode.itemId());
}

QmdRequestId QmdVormaController::requestAddEdge(const QmdIndex &fromNode, const QmdIndex &toNode, EdgePath path,
                                                CreationFlags flags, const QmdRequestOptions &options)
{
    return requestAddEdge(fromNode, toNode, path, flags, options, nullptr);
}

QmdRequestId QmdVormaController::requestAddEdge(const QmdIndex &fromNode, const QmdIndex &toNode, EdgePath path,
                                                CreationFlags flags)
{
    return requestAddEdge(fromNode, toNode, path, flags, withText(tr("Edge")));
}

QmdRequestId QmdVormaController::requestAddEdge(const QmdIndex &fromNode, const QmdIndex &toNode, EdgePath path)
{
    return requestAddEdge(fromNode, toNode, path, CreationFlags());
}

QmdRequestId QmdVormaController::requestAddEdge(const QmdIndex &fromNode, const QmdIndex &toNode)
{
    return requestAddEdge(fromNode, toNode, CityBlock);
}

QmdRequestId QmdVormaController::requestAddEdge(const QmdIndex &fromNode)
{
    return requestAddEdge(fromNode, QmdIndex());
}

QmdRequestId QmdVormaController::requestAddEdge()
{
    return requestAddEdge(QmdIndex());
}

QmdRequestId QmdVormaController::requestAddNode(const TickPoint &pos, CreationFlags flags,
                                                const QmdRequestOptions &options, QmdItemId *newNodeId)
{
    QHash<QString, QVariant> data = valuesOf(nodeDefaults());
    data.insert(Keys::TickPos, QVariant::fromValue(pos));
    QmdItemId id = 0;
    const QmdRequestId rid = runRequest(options, [&] {
        id = addElementWithFlags(NodeElement, data, {{Keys::ArcIdentifiers, Qmd::IntDict}}, flags);
        resetElementState(id);
    });
    if (newNodeId)
        *newNodeId = id;
    buildNotesTreesOfNewNodes({id}, rid);
    return rid;
}

QmdRequestId QmdVormaController::requestAddNode(const TickPoint &pos, CreationFlags flags,
                                                const QmdRequestOptions &options)
{
    return requestAddNode(pos, flags, options, nullptr);
}

QmdRequestId QmdVormaController::requestAddNode(const TickPoint &pos, CreationFlags flags)
{
    return requestAddNode(pos, flags, withText(tr("Node")));
}

QmdRequestId QmdVormaController::requestAddNode(const TickPoint &pos)
{
    return requestAddNode(pos, CreationFlags());
}

QmdRequestId QmdVormaController::requestAddVoiceGroup(const QmdIndex &toNode, CreationFlags flags,
                                                      const QmdRequestOptions &options)
{
    const ControllerLock lock(m_controllerMutex);
    const QmdItemIdList instruments = instrumentIds();
    QHash<QString, QVariant> data = valuesOf(voiceGroupDefaults());
    data.insert(Keys::ToNode, uint(directElementOfType(toNode, NodeElement).itemId()));
    data.insert(Keys::InitialInstrument, uint(instruments.isEmpty() ? 0 : instruments.first()));
    data.insert(Keys::ScaleMode, uint(m_defaultScaleModeId));
    return requestAddElement(VoiceGroupElement, data, {}, flags, options);
}

QmdRequestId QmdVormaController::requestAddVoiceGroup(const QmdIndex &toNode, CreationFlags flags)
{
    return requestAddVoiceGroup(toNode, flags, withText(tr("Voice Group")));
}

QmdRequestId QmdVormaController::requestAddVoiceGroup(const QmdIndex &toNode)
{
    return requestAddVoiceGroup(toNode, CreationFlags());
}

QmdRequestId QmdVormaController::requestAddTextBox(const TickPoint &pos, const QString &text, CreationFlags flags,
                                                   const QmdRequestOptions &options)
{
    QHash<QString, QVariant> data = valuesOf(textBoxDefaults());
    data.insert(Keys::TickPos, QVariant::fromValue(pos));
    data.insert(Keys::Text, text);
    return requestAddElement(TextBoxElement, data, {}, flags, options);
}

QmdRequestId QmdVormaController::requestAddTextBox(const TickPoint &pos, const QString &text, CreationFlags flags)
{
    return requestAddTextBox(pos, text, flags, withText(tr("Text Box")));
}

QmdRequestId QmdVormaController::requestAddTextBox(const TickPoint &pos, const QString &text)
{
    return requestAddTextBox(pos, text, CreationFlags());
}

QmdRequestId QmdVormaController::requestAddTextBox(const TickPoint &pos)
{
    return requestAddTextBox(pos, tr("<html><body>Text</body></html>"));
}

QmdRequestId QmdVormaController::requestAddControllerToEdge(const QmdIndex &edge, ControllerCurveType curveType,
                                                            short msbCode, short lsbCode,
                                                            const QmdRequestOptions &options)
{
    // Held across both requests, so the edge cannot go in between.
    const ControllerLock lock(m_controllerMutex);
    // Anything but an edge of this document (the invalid index would be the
    // root) gets no controllers.
    if (!directElementOfType(edge, EdgeElement).isValid())
        return 0;
    requestSetTypeIfInvalid(Keys::ContinuousControllers, Qmd::IntDict, edge,
                            {Qmd::NoUndo, tr("Ensure ContinuousControllersRoot Exists"), 0});
    return runRequest(options, [&] {
        QmdDirectModelInterface &d = direct();
        const QmdIndex controllers = d.index(Keys::ContinuousControllers, edge);
        if (!controllers.isValid())
            return;
        const QmdIndex entry = d.index(d.addType(Qmd::StrDict, controllers), controllers);
        if (!entry.isValid())
            return;
        model()->setData(QHash<QString, QVariant>{{Keys::CurveType, int(curveType)},
                                                  {Keys::MsbCode, int(msbCode)},
                                                  {Keys::LsbCode, int(lsbCode)}},
                         entry);
    });
}

QmdRequestId QmdVormaController::requestAddControllerToEdge(const QmdIndex &edge, ControllerCurveType curveType,
                                                            short msbCode, short lsbCode)
{
    return requestAddControllerToEdge(edge, curveType, msbCode, lsbCode, withText(tr("Controller")));
}

// ===========================================================================
// Clipboard

bool QmdVormaController::canPaste()
{
    return ClipboardElements::available();
}

QmdRequestId QmdVormaController::requestCopy(const QmdItemIdSet &elements)
{
    // In id order, so that the same selection always gives the same text.
    QmdItemIdList ids(elements.cbegin(), elements.cend());
    std::sort(ids.begin(), ids.end());
    QByteArray text;
    const QmdRequestId rid = runRequest({Qmd::NoUndo, tr("Copy"), 0}, [&] {
        QmdIndexList copied;
        for (QmdItemId id : qAsConst(ids)) {
            // An id of no element would look up as the root, and the whole
            // document would go onto the clipboard as one element.
            const QmdIndex element = directElementIndex(id);
            if (element.isValid())
                copied.append(element);
        }
        if (!copied.isEmpty())
            text = ClipboardElements::encode(model(), copied);
    });
    // Copying nothing leaves what the clipboard held.
    if (!text.isEmpty())
        ClipboardElements::put(text);
    return rid;
}

QmdRequestId QmdVormaController::requestPaste(const TickPoint &center)
{
    const QByteArray text = ClipboardElements::read();
    QmdItemIdList pastedNodes;
    const QmdRequestId rid = runRequest({0, tr("Paste"), 0}, [&] {
        if (text.isEmpty() || !m_elementsIndex.isValid())
            return;
        PastedElements pasted(text);
        if (!pasted.place(center, ticksPerDivision(direct().data(Keys::DivsPerPrincipal))))
            return;
        QHash<QmdItemId, QmdItemId> newIds;
        for (const QmdIndex &element : pasted.elements()) {
            const QmdItemId id = direct().addType(Qmd::StrDict, m_elementsIndex);
            if (id == 0)
                break;
            newIds.insert(element.itemId(), id);
            copySubtree(element, directElementIndex(id));
        }
        pastedNodes = rewirePastedElements(newIds);
    });
    buildNotesTreesOfNewNodes(pastedNodes, rid);
    return rid;
}

void QmdVormaController::buildNotesTreesOfNewNodes(const QmdItemIdList &nodes, QmdRequestId rid)
{
    // The notes tree is run-time data: never an undo step of its own, and
    // rebuilt when an undo or redo brings the node back.
    runRequest({Qmd::NoUndo, tr("Rebuild notes trees of pasted nodes"), rid}, [&] {
        for (QmdItemId node : nodes) {
            replaceNotesTree(node);
            // The `Notes` of the new node reach the change handler later,
            // under the same request; the tree already follows them.
            m_notesTreesBuiltBy.insert(node, rid);
        }
    });
}

QmdItemIdList QmdVormaController::rewirePastedElements(const QHash<QmdItemId, QmdItemId> &newIds)
{
    QmdDirectModelInterface &d = direct();
    auto newId = [&](QmdItemId id, const QString &key) { return newIds.value(directElementData(id, key).toUInt()); };
    QList<QmdItemId> ids = newIds.values();
    std::sort(ids.begin(), ids.end());

    // Edges first: the nodes below keep the arcs of the edges that are in.
    QmdItemIdList removed;
    QSet<QmdItemId> edges;
    for (QmdItemId id : qAsConst(ids)) {
        if (directElementData(id, Keys::Type).toInt() != EdgeElement)
            continue;
        const QmdItemId from = newId(id, Keys::FromNode);
        const QmdItemId to = newId(id, Keys::ToNode);
        if (from != 0 && to != 0) {
            const QmdIndex edge = directElementIndex(id);
            d.setData(Keys::ToNode, uint(to), edge);
            d.setData(Keys::FromNode, uint(from), edge);
            m_edgeFromNodes.insert(id, from);
            edges.insert(id);
        } else {
            removed.append(id);
        }
    }
    QHash<QmdItemId, QmdItemId> newEdgeIds;
    for (auto it = newIds.cbegin(); it != newIds.cend(); ++it) {
        if (edges.contains(it.value()))
            newEdgeIds.insert(it.key(), it.value());
    }

    QmdItemIdList nodes;
    for (QmdItemId id : qAsConst(ids)) {
        const QmdIndex element = directElementIndex(id);
        if (!element.isValid())
            continue;
        switch (directElementData(id, Keys::Type).toInt()) {
        case EdgeElement:
            if (!edges.contains(id))
                break;
            resetElementState(id);
            d.setTypeIfInvalid(Keys::ContinuousControllers, Qmd::IntDict, element);
            break;
        case NodeElement: {
            resetElementState(id);
            nodes.append(id);
            const QmdIndex oldArcs = d.index(Keys::ArcIdentifiers, element);
            QHash<QmdItemId, QVariant> arcs;
            if (oldArcs.isValid() && model()->type(oldArcs) == Qmd::IntDict) {
                for (const QmdIndex &arc : d.indexes(oldArcs)) {
                    const QmdItemId edge = newEdgeIds.value(arc.itemId());
                    if (edge != 0)
                        arcs.insert(edge, d.data(arc).toUInt());
                }
            }
            d.setType(Keys::ArcIdentifiers, Qmd::IntDict, element);
            if (!arcs.isEmpty())
                model()->setData(arcs, d.index(Keys::ArcIdentifiers, element));
            d.setData(Keys::ArcUsageList,
                      remapArcUsages(d.data(Keys::ArcUsageList, element).toString(), newEdgeIds), element);
            break;
        }
        case VoiceGroupElement: {
            const QmdItemId node = newId(id, Keys::ToNode);
            if (node == 0)
                removed.append(id);
            else
                d.setData(Keys::ToNode, uint(node), element);
            break;
        }
        default:
            break;
        }
    }
    if (!removed.isEmpty())
        model()->remove(removed, m_elementsIndex);
    return nodes;
}

void QmdVormaController::copySubtree(const QmdIndex &source, const QmdIndex &target)
{
    const QmdModel *from = source.model();
    if (!from || !source.isValid() || !target.isValid() || target.model() != model())
        return;
    QmdDirectModelInterface &d = direct();
    const Qmd::ContainerType type = from->type(source);
    if (type == Qmd::NoContainer) {
        d.setData(target, from->data(source));
        return;
    }
    if (model()->type(target) != type)
        d.setType(target, type);
    // One write per dictionary for the values and one for the dictionaries
    // below, then each of those in turn.
    auto copyEntries = [&](auto keyOf) {
        using Key = decltype(keyOf(source));
        QHash<Key, QVariant> values;
        QList<QmdIndex> dictionaries;
        for (const QmdIndex &child : from->indexes(source)) {
            if (from->type(child) == Qmd::NoContainer)
                values.insert(keyOf(child), from->data(child));
            else
                dictionaries.append(child);
        }
        if (!values.isEmpty())
            model()->setData(values, target);
        if (dictionaries.isEmpty())
            return;
        QList<QmdIndex> targets;
        if (type == Qmd::IntDict) {
            // Entries that are dictionaries (an edge's controllers) are
            // items of their own: a copy gets ids of its own, so that two
            // pastes of one clipboard never share one.
            QList<Qmd::ContainerType> types;
            for (const QmdIndex &child : qAsConst(dictionaries))
                types.append(from->type(child));
            for (QmdItemId id : model()->addTypes(types, target))
                targets.append(model()->index(id, target));
        } else {
            QHash<QString, Qmd::ContainerType> types;
            for (const QmdIndex &child : qAsConst(dictionaries))
                types.insert(child.key(), from->type(child));
            model()->setTypes(types, target);
            for (const QmdIndex &child : qAsConst(dictionaries))
                targets.append(model()->index(child.key(), target));
        }
        for (int i = 0; i < targets.size(); ++i)
            copySubtree(dictionaries.at(i), targets.at(i));
    };
    if (type == Qmd::IntDict)
        copyEntries([](const QmdIndex &index) { return index.itemId(); });
    else
        copyEntries([](const QmdIndex &index) { return index.key(); });
}

// ===========================================================================
// Starting and stopping voice groups while playing

Ticks QmdVormaController::quantizedStartTick(int quantization, const AbstractSync &clock, Ticks now,
                                             quint64 divisionTicks)
{
    const Ticks division = std::max<Ticks>(1, divisionTicks);
    switch (quantization) {
    case 0:
        return now;
    case 1:
        // A position on a boundary moves on to the next one.
        return now - now % division + division;
    case 2:
        return (now / TicksPerPrincipal + 1) * TicksPerPrincipal;
    case 3:
        return clock.beatTicksToTicks((clock.currentBeatTicks() / BeatTicksPerBeat + 1) * BeatTicksPerBeat);
    default:
        return 0;
    }
}

QmdRequestId QmdVormaController::requestStartVoiceGroups(const QmdItemIdList &idList, Scale velocityScale)
{
    const std::lock_guard<PriorityInheritanceMutex> transport(m_transportMutex);
    AbstractSync *clock = sync();
    if (!clock || !clock->isPlaying())
        return 0;
    struct Start
    {
        VoiceGroup *group;
        int quantization;
        bool velocityScaling;
    };
    QVector<Start> starts;
    quint64 division = TicksPerPrincipal;
    const QmdRequestId rid = runRequest({Qmd::NoUndo, tr("Start Voice Groups"), 0}, [&] {
        division = ticksPerDivision(direct().data(Keys::DivsPerPrincipal));
        for (QmdItemId id : idList) {
            if (VoiceGroup *group = m_voiceGroupRegistry.value(id))
                starts.append({group, directElementData(id, Keys::TriggeringQuantization).toInt(),
                               directElementData(id, Keys::TriggeringMidiVelocityScaling).toBool()});
        }
    });
    if (starts.isEmpty())
        return rid;
    const Ticks now = clock->currentTicks();
    for (const Start &start : qAsConst(starts)) {
        // The first voice waits for its start tick and arrives exactly then.
        start.group->resetTo(quantizedStartTick(start.quantization, *clock, now, division),
                             start.velocityScaling ? velocityScale : 1.0);
        start.group->continueIterating();
    }
    return rid;
}

QmdRequestId QmdVormaController::requestStartVoiceGroups(const QmdItemIdList &idList)
{
    return requestStartVoiceGroups(idList, 1.0);
}

QmdRequestId QmdVormaController::requestStopVoiceGroups(const QmdItemIdList &idList)
{
    const std::lock_guard<PriorityInheritanceMutex> transport(m_transportMutex);
    AbstractSync *clock = sync();
    if (!clock || !clock->isPlaying())
        return 0;
    QList<VoiceGroup *> groups;
    const QmdRequestId rid = runRequest({Qmd::NoUndo, tr("Stop Voice Groups"), 0}, [&] {
        for (QmdItemId id : idList) {
            if (VoiceGroup *group = m_voiceGroupRegistry.value(id))
                groups.append(group);
        }
    });
    // Notes already started still end at their own note-offs.
    for (VoiceGroup *group : qAsConst(groups))
        group->deactivateAllVoicesAndPauseIterating();
    return rid;
}

QmdRequestId QmdVormaController::requestMidiTriggerVoiceGroups(const MidiInputMessage &msg, int msecToggleTimeout)
{
    {
        const std::lock_guard<PriorityInheritanceMutex> transport(m_transportMutex);
        AbstractSync *clock = sync();
        if (!clock || !clock->isPlaying())
            return 0;
    }
    if (!data(Keys::MidiTriggeringEnabled).toBool() || msg.bytes.size() < 3)
        return 0;
    const int status = msg.bytes.at(0) & 0xF0;
    const quint8 key = msg.bytes.at(1);
    const quint8 velocity = msg.bytes.at(2);
    const bool noteOn = status == 0x90 && velocity > 0;
    const bool noteOff = status == 0x80 || (status == 0x90 && velocity == 0);
    if (!noteOn && !noteOff)
        return 0;
    if (noteOff) {
        // Released within the time-out, the press was a tap: it toggled.
        const ControllerLock lock(m_controllerMutex);
        const quint64 timeoutNs = quint64(std::max(0, msecToggleTimeout)) * 1000000u;
        if (m_lastNoteOnTimes.value(key, 0) + timeoutNs >= msg.receivedNs)
            return 0;
    }

    const QString name = pitchName(key);
    QmdItemIdList stop;
    QmdItemIdList start;
    const QmdRequestId rid = runRequest({Qmd::NoUndo, tr("MIDI Trigger Voice Groups"), 0}, [&] {
        for (auto it = m_voiceGroupRegistry.cbegin(); it != m_voiceGroupRegistry.cend(); ++it) {
            const QStringList names = directElementData(it.key(), Keys::TriggeringMidiPitchList)
                                          .toString()
                                          .split(QLatin1Char(','));
            if (!names.contains(name))
                continue;
            if (noteOff || it.value()->isIterating())
                stop.append(it.key());
            else
                start.append(it.key());
        }
    });
    requestStopVoiceGroups(stop);
    requestStartVoiceGroups(start, velocity / 127.0);
    if (noteOn) {
        const ControllerLock lock(m_controllerMutex);
        m_lastNoteOnTimes.insert(key, msg.receivedNs);
    }
    return rid;
}

// ===========================================================================
// Reset

void QmdVormaController::doReset()
{
    // The old threads play nothing more into what the document becomes:
    // arrivals check the generation, and no step runs until they are gone.
    {
        const ControllerLock lock(m_controllerMutex);
        ++m_documentGeneration;
    }
    for (VoiceGroup *group : voiceGroups())
        group->retire();

    QmdElementDocController::doReset();

    EngineThreads old;
    if (model()) {
        const QmdRequestId rid = nextRequestId();
        beginRequest(rid, Qmd::NoUndo, tr("QmdVormaController::Reset"));
        ensureDocumentDefaults();
        convertOlderNodes(direct(), m_elementsIndex);
        {
            // Views learn of new instruments and scale modes from the
            // model reset that follows.
            const QSignalBlocker blocker(model());
            convertOlderVoiceGroups(direct(), m_elementsIndex, m_instrumentsIndex);
        }
        {
            const QSignalBlocker blocker(model());
            m_defaultScaleModeId = mergeBuiltInScaleModes(direct(), m_scaleModesIndex, builtInScaleModes(),
                                                          builtInScaleModeSet(), defaultScaleMode());
        }
        repairScaleModeReferences(direct(), m_elementsIndex, m_scaleModesIndex, m_defaultScaleModeId);
        old = takeEngineThreads();
        endRequest(rid);
    } else {
        const ControllerLock lock(m_controllerMutex);
        forgetCachedIndexes();
        m_defaultScaleModeId = 0;
        old = takeEngineThreads();
    }

    rebuildSync();
    // Voice groups queue into the instruments: they go first.
    stopVoiceGroups(old.voiceGroups);
    stopInstruments(old.instruments);
    addInstruments(instrumentIds());
    addVoiceGroups(elementIds());
    rebuildEdgeFromNodes();
    m_instrumentsModel->setController(this);
    m_scaleModesModel->setController(this);
}

void QmdVormaController::forgetCachedIndexes()
{
    for (QmdIndex *index : {&m_elementsIndex, &m_tempIndex, &m_elementStatesIndex, &m_nodeNotesTreesIndex,
                            &m_instrumentsIndex, &m_scaleModesIndex, &m_syncMidiInputsIndex,
                            &m_syncMidiOutputsIndex})
        *index = QmdIndex();
}

void QmdVormaController::rebuildEdgeFromNodes()
{
    const ControllerLock lock(m_controllerMutex);
    m_edgeFromNodes.clear();
    if (!m_elementsIndex.isValid())
        return;
    const QmdDirectModelInterface &d = direct();
    for (const QmdIndex &element : d.indexes(m_elementsIndex)) {
        if (childData(d, Keys::Type, element).toInt() != EdgeElement)
            continue;
        const QmdItemId from = d.data(Keys::FromNode, element).toUInt();
        if (from != 0)
            m_edgeFromNodes.insert(element.itemId(), from);
    }
}

// ===========================================================================
// Files

QFile::FileError QmdVormaController::saveToFile(const QString &fileName, QmdRequestId)
{
    // The permission bits decide, not whether this process may write: a
    // user who may write anywhere (root) can still protect a file by marking
    // it read-only. Other refusals are QSaveFile's.
    const QFileInfo target(fileName);
    const QFile::Permissions writable = QFile::WriteOwner | QFile::WriteGroup;
    if (target.exists() && !(target.permissions() & writable))
        return QFile::PermissionsError;

    // Written next to the target and renamed over it once complete, so
    // the old file survives every failure.
    QSaveFile file(fileName);
    if (!file.open(QIODevice::WriteOnly))
        return file.error() != QFile::NoError ? file.error() : QFile::OpenError;
    QmdVormaExporter exporter(model(), &file);
    exporter.excludeIndex(m_tempIndex);
    exporter.excludeIndexes(unreferencedScaleModes());
    return exportDocument(exporter, file);
}

QmdFileStatus QmdVormaController::loadFromFile(const QString &fileName, QmdRequestId)
{
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
        return file.error() != QFile::NoError ? file.error() : QFile::OpenError;
    NetworkDocumentImporter importer(model(), &file);
    if (!importer.importIndex(QmdIndex()))
        return importer.status();
    if (!importer.accepted())
        return QmdFileStatus::invalidContent(0, 0, tr("The file holds no network."));
    // Voices of the old document must not arrive in this one.
    ++m_documentGeneration;
    forgetCachedIndexes();
    return file.error();
}

// ===========================================================================
// Change relays

void QmdVormaController::receivedItemsChanged(const QmdIndex &parent, const QStringList &keys, QmdRequestId rid)
{
    QmdElementDocController::receivedItemsChanged(parent, keys, rid);
    if (!parent.namesEntry() && keys.contains(Keys::SyncType))
        rebuildSync();
    dispatchDataChange(parent, keys, rid);
}

void QmdVormaController::receivedItemsRemoved(const QmdIndex &parent, const QStringList &keys, QmdRequestId rid)
{
    QmdElementDocController::receivedItemsRemoved(parent, keys, rid);
    dispatchDataChange(parent, keys, rid);
}

bool QmdVormaController::isReplayed(QmdRequestId rid) const
{
    return undoRedoRequestIds().contains(rid);
}

// Listeners of elementsAdded find the new voice groups' threads and the new
// edges' starts in place.
void QmdVormaController::receivedItemsChanged(const QmdIndex &parent, const QmdItemIdList &idList,
                                              QmdRequestId rid)
{
    if (parent.namesEntry()) {
        if (parent == elementsIndex()) {
            const bool replayed = isReplayed(rid);
            addVoiceGroups(idList);
            for (QmdItemId id : idList) {
                const int type = elementData(id, Keys::Type).toInt();
                if (type == EdgeElement) {
                    const ControllerLock lock(m_controllerMutex);
                    const QmdIndex from = referencedElementIndex(id, Keys::FromNode);
                    if (from.isValid())
                        m_edgeFromNodes.insert(id, from.itemId());
                } else if (type == NodeElement && replayed) {
                    // Requests that add nodes build their trees; nodes an undo
                    // or redo brings back come without.
                    requestRebuildNotesTree(id);
                }
            }
        } else if (parent == instrumentsIndex()) {
            addInstruments(idList);
            emit instrumentsAdded(idList, rid);
        } else if (parent == scaleModesContainerIndex()) {
            emit scaleModesAdded(idList, rid);
        }
    }
    QmdElementDocController::receivedItemsChanged(parent, idList, rid);
}

// Listeners of elementsRemoved hear of a removal before its clean-up changes
// the document further. Clean-ups that change the document join the undo
// step of the removal; an undo or redo replays them from that step instead.
void QmdVormaController::receivedItemsRemoved(const QmdIndex &parent, const QmdItemIdList &idList,
                                              QmdRequestId rid)
{
    const bool replayed = isReplayed(rid);
    QmdElementDocController::receivedItemsRemoved(parent, idList, rid);
    if (!parent.namesEntry())
        return;
    if (parent == elementsIndex())
        cleanUpAfterElementsRemoved(idList, rid, replayed);
    else if (parent == instrumentsIndex())
        cleanUpAfterInstrumentsRemoved(idList, rid, replayed);
    else if (parent == scaleModesContainerIndex())
        // Voice groups keep naming a removed mode; every reset repairs that.
        emit scaleModesRemoved(idList, rid);
}

void QmdVormaController::cleanUpAfterElementsRemoved(const QmdItemIdList &idList, QmdRequestId rid, bool replayed)
{
    QmdDirectModelInterface &d = direct();
    auto removePresent = [&](const QmdIndex &dictionary) {
        QmdItemIdList present;
        for (QmdItemId id : idList) {
            if (childIndex(d, id, dictionary).isValid())
                present.append(id);
        }
        if (!present.isEmpty())
            model()->remove(present, dictionary);
    };

    if (!replayed)
        runRequest({0, tr("Remove Element States"), rid}, [&] { removePresent(m_elementStatesIndex); });

    QList<VoiceGroup *> groups;
    runRequest({Qmd::NoUndo, tr("Remove notes tree and voice groups"), rid}, [&] {
        removePresent(m_nodeNotesTreesIndex);
        for (QmdItemId id : idList) {
            if (VoiceGroup *group = m_voiceGroupRegistry.take(id))
                groups.append(group);
        }
    });
    stopVoiceGroups(groups);

    if (replayed) {
        const ControllerLock lock(m_controllerMutex);
        for (QmdItemId id : idList)
            m_edgeFromNodes.remove(id);
        return;
    }
    runRequest({0, tr("Remove Refs To Edges"), rid}, [&] {
        removeEdgesFromStartNodes(idList);
        removeAttachedElements(idList);
    });
}

void QmdVormaController::removeEdgesFromStartNodes(const QmdItemIdList &idList)
{
    QmdDirectModelInterface &d = direct();
    for (QmdItemId id : idList) {
        const auto start = m_edgeFromNodes.constFind(id);
        if (start == m_edgeFromNodes.cend())
            continue;
        const QmdIndex node = directElementIndex(start.value());
        m_edgeFromNodes.erase(start);
        if (!node.isValid())
            continue;
        // The other edges keep their arc numbers; the node's place in its
        // usage list (run-time state) is left to the voice groups.
        const QmdIndex arcs = d.index(Keys::ArcIdentifiers, node);
        if (childIndex(d, id, arcs).isValid())
            d.remove(id, arcs);
        const QString usages = d.data(Keys::ArcUsageList, node).toString();
        const QString kept = removeArcUsages(usages, id);
        if (kept != usages)
            d.setData(Keys::ArcUsageList, kept, node);
    }
}

void QmdVormaController::removeAttachedElements(const QmdItemIdList &idList)
{
    const QSet<QmdItemId> removed(idList.cbegin(), idList.cend());
    auto attached = [&](QmdItemId id, const QString &key) {
        return removed.contains(directElementData(id, key).toUInt());
    };
    QmdItemIdList marked;
    for (QmdItemId id : directElementIds()) {
        const int type = directElementData(id, Keys::Type).toInt();
        if ((type == EdgeElement && (attached(id, Keys::FromNode) || attached(id, Keys::ToNode)))
            || (type == VoiceGroupElement && attached(id, Keys::ToNode)))
            marked.append(id);
    }
    // Reported under the same request id: the next pass cleans up after
    // these in turn.
    if (!marked.isEmpty())
        model()->remove(marked, m_elementsIndex);
}

void QmdVormaController::cleanUpAfterInstrumentsRemoved(const QmdItemIdList &idList, QmdRequestId rid,
                                                        bool replayed)
{
    QList<AbstractInstrument *> threads;
    runRequest({0, tr("Remove Refs To Instruments"), rid}, [&] {
        {
            std::lock_guard<PriorityInheritanceMutex> lock(m_instrumentRegistryLock);
            for (QmdItemId id : idList) {
                if (AbstractInstrument *instrument = m_instrumentRegistry.take(id))
                    threads.append(instrument);
            }
        }
        if (replayed)
            return;
        QmdDirectModelInterface &d = direct();
        const QSet<QmdItemId> removed(idList.cbegin(), idList.cend());
        for (QmdItemId id : directElementIds()) {
            const QmdIndex element = directElementIndex(id);
            switch (directElementData(id, Keys::Type).toInt()) {
            case NodeElement:
                if (removed.contains(directElementData(id, Keys::Instrument).toUInt())) {
                    d.setData(Keys::DoInstrumentChange, false, element);
                    d.setData(Keys::Instrument, 0u, element);
                }
                break;
            case VoiceGroupElement:
                if (removed.contains(directElementData(id, Keys::InitialInstrument).toUInt()))
                    d.setData(Keys::InitialInstrument, 0u, element);
                break;
            default:
                break;
            }
        }
    });
    stopInstruments(threads);
    emit instrumentsRemoved(idList, rid);
}

void QmdVormaController::dispatchDataChange(const QmdIndex &parent, const QStringList &keys, QmdRequestId rid)
{
    if (!parent.namesEntry())
        return;
    const QString holder = this->parent(parent).key();
    if (holder == Keys::Elements) {
        if (!keys.contains(Keys::Notes))
            return;
        QmdRequestId builtBy = 0;
        {
            const ControllerLock lock(m_controllerMutex);
            builtBy = m_notesTreesBuiltBy.take(parent.itemId());
        }
        if (builtBy != rid && data(Keys::Type, parent).toInt() == NodeElement)
            requestRebuildNotesTree(parent.itemId());
    } else if (holder == Keys::Instruments) {
        emit instrumentDataEffected(parent.itemId(), keys, rid);
    } else if (holder == Keys::ScaleModes) {
        emit scaleModeDataEffected(parent.itemId(), keys, rid);
    }
}

// ===========================================================================
// Engine hand-over

AbstractSync *QmdVormaController::sync() const
{
    const ControllerLock lock(m_controllerMutex);
    return m_sync;
}

QmdVormaController::InstrumentRegistry QmdVormaController::instruments() const
{
    std::lock_guard<PriorityInheritanceMutex> lock(m_instrumentRegistryLock);
    return m_instrumentRegistry;
}

QmdVormaController::VoiceGroupRegistry QmdVormaController::voiceGroups() const
{
    const ControllerLock lock(m_controllerMutex);
    return m_voiceGroupRegistry;
}

void QmdVormaController::addInstruments(const QmdItemIdList &ids)
{
    AbstractSync *clock = sync();
    const InstrumentRegistry present = instruments();
    InstrumentRegistry added;
    for (QmdItemId id : ids) {
        // An id that has a thread keeps it: a second one would be lost.
        if (id == 0 || present.contains(id) || added.contains(id))
            continue;
        auto *instrument = new MidiInstrument(id);
        instrument->setSync(clock);
        instrument->setController(this);
        added.insert(id, instrument);
    }
    const bool playing = clock && clock->isPlaying();
    for (AbstractInstrument *instrument : qAsConst(added)) {
        instrument->start(QThread::TimeCriticalPriority);
        if (playing)
            instrument->play();
    }
    std::lock_guard<PriorityInheritanceMutex> lock(m_instrumentRegistryLock);
    m_instrumentRegistry.insert(added);
}

bool QmdVormaController::queueMidiMessage(QmdItemId instrumentId, const MidiOutputMessage &message)
{
    std::lock_guard<PriorityInheritanceMutex> lock(m_instrumentRegistryLock);
    AbstractInstrument *instrument = m_instrumentRegistry.value(instrumentId);
    return instrument && instrument->queueMessage(message);
}

bool QmdVormaController::queueMidiMessagePair(QmdItemId instrumentId, const MidiOutputMessage &first,
                                              const MidiOutputMessage &second)
{
    std::lock_guard<PriorityInheritanceMutex> lock(m_instrumentRegistryLock);
    AbstractInstrument *instrument = m_instrumentRegistry.value(instrumentId);
    return instrument && instrument->queueMessagePair(first, second);
}

int QmdVormaController::midiQueueRoom(QmdItemId instrumentId) const
{
    std::lock_guard<PriorityInheritanceMutex> lock(m_instrumentRegistryLock);
    const AbstractInstrument *instrument = m_instrumentRegistry.value(instrumentId);
    if (!instrument)
        return 0;
    const TimedQueue<MidiOutputMessage> &queue = instrument->outputQueue();
    return queue.capacity() - queue.size();
}

void QmdVormaController::addVoiceGroups(const QmdItemIdList &ids)
{
    const VoiceGroupRegistry present = voiceGroups();
    VoiceGroupRegistry added;
    for (QmdItemId id : ids) {
        // An id that has a thread keeps it: a second one would be lost.
        if (id == 0 || present.contains(id) || added.contains(id))
            continue;
        if (elementData(id, Keys::Type).toInt() == VoiceGroupElement)
            added.insert(id, new VoiceGroup(id, this));
    }
    for (VoiceGroup *group : qAsConst(added)) {
        group->start(QThread::TimeCriticalPriority);
        group->waitUntilStarted();
    }
    writeLock();
    m_voiceGroupRegistry.insert(added);
    writeUnlock();
}

bool QmdVormaController::isVoiceGroupRunning(QmdItemId id) const
{
    const ControllerLock lock(m_controllerMutex);
    const VoiceGroup *group = m_voiceGroupRegistry.value(id);
    return group && group->isIterating();
}

QmdVormaController::EngineThreads QmdVormaController::takeEngineThreads()
{
    EngineThreads threads;
    {
        std::lock_guard<PriorityInheritanceMutex> lock(m_instrumentRegistryLock);
        threads.instruments = m_instrumentRegistry.values();
        m_instrumentRegistry.clear();
    }
    threads.voiceGroups = m_voiceGroupRegistry.values();
    m_voiceGroupRegistry.clear();
    m_feedbackPipe.clear();
    return threads;
}

void QmdVormaController::stopInstruments(const QList<AbstractInstrument *> &threads)
{
    const std::lock_guard<PriorityInheritanceMutex> transport(m_transportMutex);
    for (AbstractInstrument *instrument : threads) {
        instrument->terminateSafely();
        instrument->wait();
        delete instrument;
    }
}

void QmdVormaController::stopVoiceGroups(const QList<VoiceGroup *> &threads)
{
    const std::lock_guard<PriorityInheritanceMutex> transport(m_transportMutex);
    for (VoiceGroup *group : threads) {
        group->terminateSafely();
        group->wait();
        delete group;
    }
}

void QmdVormaController::rebuildSync()
{
    AbstractSync *old = nullptr;
    AbstractSync *fresh = nullptr;
    {
        // A transport call (perhaps from a MIDI thread) keeps the clock it
        // read until it has done with it: once the pointer is swapped under
        // transportMutex, no call uses the old clock any more.
        const std::lock_guard<PriorityInheritanceMutex> transport(m_transportMutex);
        const ControllerLock lock(m_controllerMutex);
        old = m_sync;
        const QString type = model() ? direct().data(Keys::SyncType).toString() : QString();
        fresh = createSync(type, this);
        if (!fresh)
            fresh = new MidiSync(this);
        m_sync = fresh;
    }
    // Binding and unbinding open and close the clocks' MIDI ports, and a
    // port closing waits for the transport calls it has in flight: neither
    // may hold transportMutex. Bound before the old clock lets go, so MIDI
    // clock ports the two share by name stay open across the change.
    fresh->setController(this);
    {
        const std::lock_guard<PriorityInheritanceMutex> transport(m_transportMutex);
        for (AbstractInstrument *instrument : instruments())
            instrument->setSync(fresh);
        for (VoiceGroup *group : voiceGroups())
            group->syncSync();
    }
    if (old) {
        old->setController(nullptr);
        old->deleteLater();
    }
}
