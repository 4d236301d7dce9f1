#include "QmdVorma/QmdVormaController.h"

#include "QmdVorma/DocumentConversion.h"
#include "QmdVorma/DocumentDefaults.h"
#include "QmdVorma/DocumentKeys.h"
#include "QmdVorma/InstrumentsModel.h"
#include "QmdVorma/MidiInstrument.h"
#include "QmdVorma/MidiPortNames.h"
#include "QmdVorma/MidiSync.h"
#include "QmdVorma/QmdVormaExporter.h"
#include "QmdVorma/QmdVormaImporter.h"
#include "QmdVorma/ScaleKeysModel.h"
#include "QmdVorma/ScaleModes.h"
#include "QmdVorma/ScaleModesModel.h"
#include "QmdVorma/StylePresets.h"
#include "QmdVorma/antlr/NotesTrees.h"

#include <QFileInfo>
#include <QSaveFile>
#include <QSignalBlocker>

#include <algorithm>

using namespace QmdVorma;

namespace {

using ControllerLock = std::lock_guard<std::recursive_mutex>;

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
    // Voice groups queue into the instruments' queues: they go first.
    stopVoiceGroups(voiceGroups().values());
    stopInstruments(instruments().values());
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
    std::lock_guard<std::mutex> lock(m_requestMutex);
    return QmdElementDocController::nextRequestId();
}

void QmdVormaController::requestFinishedHook(QmdRequestId rid)
{
    std::lock_guard<std::mutex> lock(m_requestMutex);
    QmdElementDocController::requestFinishedHook(rid);
}

QHash<QmdRequestId, QVariant> *QmdVormaController::requestTable()
{
    {
        std::lock_guard<std::mutex> lock(m_requestMutex);
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
    for (const KeyValue &entry : rootDefaults())
        d.setDataIfInvalid(entry.key, entry.value);

    StylePreset style;
    stylePreset(defaultStylePresetName(), &style);
    QStringList styleKeys = style.keys();
    std::sort(styleKeys.begin(), styleKeys.end());
    for (const QString &key : qAsConst(styleKeys))
        d.setDataIfInvalid(key, style.value(key));

    d.setDataIfInvalid(Keys::SyncType, defaultSyncType());

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

    if (!m_elementsIndex.isValid())
        return;
    for (const QmdIndex &element : d.indexes(m_elementsIndex)) {
        const int type = childData(d, Keys::Type, element).toInt();
        if (type != EdgeElement && type != NodeElement)
            continue;
        d.setType(element.itemId(), Qmd::StrDict, m_elementStatesIndex);
        writeElementState(d, d.index(element.itemId(), m_elementStatesIndex), type);
        if (type == NodeElement)
            rebuildNotesTree(element.itemId());
    }
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
// Transport (filled in by the playback engine)

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
    return TransportResult;
}

QmdRequestId QmdVormaController::requestSetPlayback(bool)
{
    return TransportResult;
}

QmdRequestId QmdVormaController::requestPrimePlaybackForSyncStateChange(bool newState)
{
    emit playbackStateChanged(newState);
    return TransportResult;
}

QmdRequestId QmdVormaController::requestGotoStart()
{
    emit playbackJogged();
    return TransportResult;
}

// ===========================================================================
// Adding elements (filled in by the element-adding requests; until then
// no request is made and the result is 0)

QmdRequestId QmdVormaController::requestAddInstrument(const QmdRequestOptions &)
{
    return 0;
}

QmdRequestId QmdVormaController::requestAddInstrument()
{
    return requestAddInstrument(withText(tr("Instrument")));
}

QmdRequestId QmdVormaController::requestAddInstrument(const QString &, const QColor &, const QBitArray &,
                                                      const QmdRequestOptions &)
{
    return 0;
}

QmdRequestId QmdVormaController::requestAddInstrument(const QString &label, const QColor &color,
                                                      const QBitArray &channels)
{
    return requestAddInstrument(label, color, channels, withText(tr("Instrument")));
}

QmdRequestId QmdVormaController::requestAddEdge(const QmdIndex &, const QmdIndex &, EdgePath, CreationFlags,
                                                const QmdRequestOptions &, QmdItemId *)
{
    return 0;
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

QmdRequestId QmdVormaController::requestAddNode(const TickPoint &, CreationFlags, const QmdRequestOptions &,
                                                QmdItemId *)
{
    return 0;
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

QmdRequestId QmdVormaController::requestAddVoiceGroup(const QmdIndex &, CreationFlags, const QmdRequestOptions &)
{
    return 0;
}

QmdRequestId QmdVormaController::requestAddVoiceGroup(const QmdIndex &toNode, CreationFlags flags)
{
    return requestAddVoiceGroup(toNode, flags, withText(tr("Voice Group")));
}

QmdRequestId QmdVormaController::requestAddVoiceGroup(const QmdIndex &toNode)
{
    return requestAddVoiceGroup(toNode, CreationFlags());
}

QmdRequestId QmdVormaController::requestAddTextBox(const TickPoint &, const QString &, CreationFlags,
                                                   const QmdRequestOptions &)
{
    return 0;
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

QmdRequestId QmdVormaController::requestAddControllerToEdge(const QmdIndex &, ControllerCurveType, short, short,
                                                            const QmdRequestOptions &)
{
    return 0;
}

QmdRequestId QmdVormaController::requestAddControllerToEdge(const QmdIndex &edge, ControllerCurveType curveType,
                                                            short msbCode, short lsbCode)
{
    return requestAddControllerToEdge(edge, curveType, msbCode, lsbCode, withText(tr("Controller")));
}

// ===========================================================================
// Clipboard (filled in by copy and paste)

QmdRequestId QmdVormaController::requestCopy(const QmdItemIdSet &)
{
    return 0;
}

QmdRequestId QmdVormaController::requestPaste(const TickPoint &)
{
    return 0;
}

// ===========================================================================
// Starting and stopping voice groups (filled in by the playback engine;
// without a playing clock they do nothing and answer 0)

QmdRequestId QmdVormaController::requestStartVoiceGroups(const QmdItemIdList &, Scale)
{
    return 0;
}

QmdRequestId QmdVormaController::requestStartVoiceGroups(const QmdItemIdList &idList)
{
    return requestStartVoiceGroups(idList, 1.0);
}

QmdRequestId QmdVormaController::requestStopVoiceGroups(const QmdItemIdList &)
{
    return 0;
}

QmdRequestId QmdVormaController::requestMidiTriggerVoiceGroups(const MidiInputMessage &, int)
{
    return 0;
}

// ===========================================================================
// Reset

void QmdVormaController::doReset()
{
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
    stopInstruments(old.instruments);
    stopVoiceGroups(old.voiceGroups);
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

QFile::FileError QmdVormaController::loadFromFile(const QString &fileName, QmdRequestId)
{
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
        return file.error() != QFile::NoError ? file.error() : QFile::OpenError;
    NetworkDocumentImporter importer(model(), &file);
    importer.importIndex(QmdIndex());
    if (!importer.accepted())
        return QFile::ReadError;
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

void QmdVormaController::receivedItemsChanged(const QmdIndex &parent, const QmdItemIdList &idList,
                                              QmdRequestId rid)
{
    // New elements (voice-group threads, start nodes of edges, notes trees
    // of nodes an undo brings back) are handled with the consistency rules.
    if (parent.namesEntry()) {
        if (parent == instrumentsIndex()) {
            addInstruments(idList);
            emit instrumentsAdded(idList, rid);
        } else if (parent == scaleModesContainerIndex()) {
            emit scaleModesAdded(idList, rid);
        }
    }
    QmdElementDocController::receivedItemsChanged(parent, idList, rid);
}

void QmdVormaController::receivedItemsRemoved(const QmdIndex &parent, const QmdItemIdList &idList,
                                              QmdRequestId rid)
{
    QmdElementDocController::receivedItemsRemoved(parent, idList, rid);
    // Removed elements and the references to removed instruments are
    // cleaned up with the consistency rules.
    if (!parent.namesEntry())
        return;
    if (parent == instrumentsIndex())
        emit instrumentsRemoved(idList, rid);
    else if (parent == scaleModesContainerIndex())
        emit scaleModesRemoved(idList, rid);
}

void QmdVormaController::dispatchDataChange(const QmdIndex &parent, const QStringList &keys, QmdRequestId rid)
{
    if (!parent.namesEntry())
        return;
    const QString holder = this->parent(parent).key();
    if (holder == Keys::Elements) {
        if (keys.contains(Keys::Notes) && data(Keys::Type, parent).toInt() == NodeElement)
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
    std::shared_lock<std::shared_mutex> lock(m_instrumentRegistryLock);
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
    std::unique_lock<std::shared_mutex> lock(m_instrumentRegistryLock);
    m_instrumentRegistry.insert(added);
}

bool QmdVormaController::queueMidiMessage(QmdItemId instrumentId, const MidiOutputMessage &message)
{
    std::shared_lock<std::shared_mutex> lock(m_instrumentRegistryLock);
    AbstractInstrument *instrument = m_instrumentRegistry.value(instrumentId);
    return instrument && instrument->queueMessage(message);
}

bool QmdVormaController::queueMidiMessagePair(QmdItemId instrumentId, const MidiOutputMessage &first,
                                              const MidiOutputMessage &second)
{
    std::shared_lock<std::shared_mutex> lock(m_instrumentRegistryLock);
    AbstractInstrument *instrument = m_instrumentRegistry.value(instrumentId);
    return instrument && instrument->queueMessagePair(first, second);
}

void QmdVormaController::addVoiceGroups(const QmdItemIdList &)
{
    // The engine creates and starts one thread per voice-group id here, waits
    // until each runs, and registers them under controllerMutex.
}

QmdVormaController::EngineThreads QmdVormaController::takeEngineThreads()
{
    EngineThreads threads;
    {
        std::unique_lock<std::shared_mutex> lock(m_instrumentRegistryLock);
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
    for (AbstractInstrument *instrument : threads) {
        instrument->terminateSafely();
        instrument->wait();
        delete instrument;
    }
}

void QmdVormaController::stopVoiceGroups(const QList<VoiceGroup *> &)
{
    // The engine terminates each voice group, waits for it without a time
    // limit and deletes it here.
}

void QmdVormaController::rebuildSync()
{
    AbstractSync *old = nullptr;
    AbstractSync *fresh = nullptr;
    {
        const ControllerLock lock(m_controllerMutex);
        old = m_sync;
        const QString type = model() ? direct().data(Keys::SyncType).toString() : QString();
        fresh = createSync(type, this);
        if (!fresh)
            fresh = new MidiSync(this);
        m_sync = fresh;
    }
    // Bound before the old clock lets go, so MIDI clock ports the two share
    // by name stay open across the change.
    fresh->setController(this);
    for (AbstractInstrument *instrument : instruments())
        instrument->setSync(fresh);
    // Voice groups take the new clock here once they exist.
    if (old) {
        old->setController(nullptr);
        old->deleteLater();
    }
}
