#ifndef QMDVORMA_QMDVORMACONTROLLER_H
#define QMDVORMA_QMDVORMACONTROLLER_H

#include "Qmd/QmdElementDocController.h"
#include "midi/MidiInputMessage.h"
#include "midi/MidiOutputMessage.h"
#include "QmdVorma/playback/PlaybackEvent.h"
#include "QmdVorma/QmdVorma.h"
#include "QmdVorma/playback/TimedQueue.h"
#include "QmdVorma/antlr/NotesParser.h"
#include "midi/PriorityInheritanceMutex.h"

#include <QBitArray>
#include <QColor>
#include <QHash>
#include <QSet>
#include <QStringList>

#include <atomic>
#include <mutex>

class AbstractInstrument;
class AbstractSync;
class InstrumentsModel;
class ScaleKeysModel;
class ScaleModesModel;
class VoiceGroup;

// Flags of the element-adding requests.
enum CreationFlag {
    CreateHidden = 1 // the new element carries `IsHidden` = true
};
Q_DECLARE_FLAGS(CreationFlags, CreationFlag)
Q_DECLARE_OPERATORS_FOR_FLAGS(CreationFlags)

// The controller of one network document: the only way the user interface,
// the playback engine and the MIDI input change the document, and the owner
// of the document's playback threads.
//
// Every reset (attaching a model, reset(), each load and template load)
// fills the defaults, converts documents of older versions, merges the
// built-in scale modes, rebuilds the run-time subtree `Temp` (element states
// and notes trees) and then rebuilds the engine; none of it is an undo step.
//
// Threads. Requests come from the GUI thread, the voice-group threads and
// the MIDI driver's thread, so every query and request is guarded. Locks,
// outermost first (never taken in another order):
//   transportMutex: a transport call or start/stop request working through
//     copies of the registries and the clock, the swap of the clock, and the
//     retirement of threads, so that a call from the MIDI driver's thread
//     never drives a thread or clock that the GUI thread is deleting. Never
//     held while a clock is bound or unbound: closing a MIDI port waits for
//     the calls it has in flight;
//   a voice group's own mutex;
//   nodeArrivalMutex (alias elementStateMutex): a voice's arrival at a node,
//     and readers of a node's `HitCount` and `LastNotesSent`;
//   controllerMutex (recursive): every locked query, and every request from
//     beginRequest to endRequest;
//   then one of requestMutex (request ids), instrumentRegistryLock or the
//     feedback queue's own mutex; the instrument registry is held for
//     reading around a push into an instrument's queue.
// The colour presets' lock is held only while a preset is copied, never
// together with these. Engine threads are stopped and joined only while
// this controller holds none of its locks.
//
// Accessors come in two kinds: locked ones (elementData, instrumentIds, ...)
// for any thread and unit, and direct ones (directElementData, ...) that
// take no lock and are only for code already holding controllerMutex:
// requests, reset and the change handlers.
class QmdVormaController : public QmdElementDocController
{
    Q_OBJECT

public:
    using NotesToken = NotesParser::NotesToken;
    static constexpr NotesToken PitchListToken = NotesParser::PitchListToken;
    static constexpr NotesToken VelocityListToken = NotesParser::VelocityListToken;
    static constexpr NotesToken DurationListToken = NotesParser::DurationListToken;
    using NotesTokenMap = NotesParser::NotesTokenMap;
    using NotesParseCallback = NotesParser::NotesParseCallback;

    using InstrumentRegistry = QHash<QmdItemId, AbstractInstrument *>;
    using VoiceGroupRegistry = QHash<QmdItemId, VoiceGroup *>;

    explicit QmdVormaController(QObject *parent = nullptr);
    // Unbinds the clock (closing its MIDI ports), then stops and joins every
    // voice-group thread, then every instrument thread.
    ~QmdVormaController() override;

    // ---- Locks ------------------------------------------------------------

    // Recursive.
    PriorityInheritanceMutex &controllerMutex() const { return m_controllerMutex; }
    PriorityInheritanceMutex &requestMutex() const { return m_requestMutex; }
    PriorityInheritanceMutex &instrumentRegistryLock() const { return m_instrumentRegistryLock; }
    PriorityInheritanceMutex &nodeArrivalMutex() const { return m_nodeArrivalMutex; }
    PriorityInheritanceMutex &transportMutex() const { return m_transportMutex; }
    PriorityInheritanceMutex &elementStateMutex() const { return m_nodeArrivalMutex; }

    // ---- Locked accessors -------------------------------------------------
    // Each query locks for its own duration; a sequence of them is not
    // atomic (hold controllerMutex around it when it must be). A missing
    // entry gives the invalid index or an invalid value.

    QmdIndex elementsIndex() const;
    QmdIndex elementIndex(QmdItemId id) const;
    QVariant elementData(QmdItemId id, const QString &key) const;
    QmdItemIdList elementIds() const;
    QmdIndex instrumentsIndex() const;
    QmdIndex instrumentIndex(QmdItemId id) const;
    QVariant instrumentData(QmdItemId id, const QString &key) const;
    QmdItemIdList instrumentIds() const;
    QmdIndex syncMidiInputsIndex() const;
    QmdIndex syncMidiOutputsIndex() const;
    QmdIndex scaleModesContainerIndex() const;
    QmdIndex lookupTempIndex() const;
    QmdIndex lookupElementStatesIndex() const;
    QmdIndex lookupElementStateIndex(QmdItemId id) const;
    // True when index is an entry of `Temp`/`ElementStates` (its item id is
    // then the element's).
    bool isElementStateIndex(const QmdIndex &index) const;

    InstrumentsModel *instrumentsModel() const { return m_instrumentsModel; }
    ScaleKeysModel *scaleKeysModel() const { return m_scaleKeysModel; }
    ScaleModesModel *scaleModesModel() const { return m_scaleModesModel; }

    // ---- Direct accessors: controllerMutex must be held --------------------
    // They use the indexes cached by the last reset.

    QmdIndex directElementIndex(QmdItemId id) const;
    QVariant directElementData(QmdItemId id, const QString &key) const;
    // The element whose id element `id` stores under key (`FromNode`,
    // `ToNode`); invalid when there is none.
    QmdIndex referencedElementIndex(QmdItemId id, const QString &key) const;
    QmdItemIdList directElementIds() const;
    QmdIndex directInstrumentIndex(QmdItemId id) const;
    QVariant directInstrumentData(QmdItemId id, const QString &key) const;
    QmdIndex tempIndex() const { return m_tempIndex; }
    QmdIndex elementStatesIndex() const { return m_elementStatesIndex; }
    QmdIndex nodeNotesTreesIndex() const { return m_nodeNotesTreesIndex; }
    QmdIndex elementStateIndex(QmdItemId id) const;
    QmdIndex notesTreeIndex(QmdItemId nodeId) const;
    QmdIndex scaleModeItemIndex(QmdItemId id) const;

    // ---- Elements -----------------------------------------------------------

    // addElement with `IsHidden` = true added for CreateHidden. Call it
    // inside a request.
    QmdItemId addElementWithFlags(int type, const QHash<QString, QVariant> &data,
                                  const QHash<QString, Qmd::ContainerType> &types, CreationFlags flags);

    // Copies the entry at source, of any model, with everything below it to
    // the entry at target of this document. Call it inside a request.
    void copySubtree(const QmdIndex &source, const QmdIndex &target);

    // ---- Edges: any thread -------------------------------------------------

    // The ticks a voice takes along the edge: |dx| + |dy| between its nodes'
    // positions for the city-block paths, the straight distance rounded to
    // a whole tick for the direct path, 0 for any other path. ok tells
    // whether the edge and both its nodes exist; a length beyond 64 bits is
    // refused (0, ok false).
    qint64 edgeLength(QmdItemId edge, bool *ok = nullptr) const;
    qint64 edgeLength(const QmdIndex &fromNode, const QmdIndex &toNode, QmdVorma::EdgePath path,
                      bool *ok = nullptr) const;
    // The arc number the node gives its outgoing edge; 0 when either is
    // missing.
    int arcIdentifierOfEdge(QmdItemId nodeId, QmdItemId edgeId) const;
    // The two halves of an `ArcUsageList` entry "<edge id>=<use count>".
    static unsigned int arcUsageEdgeId(const QString &entry);
    static int arcUsageCount(const QString &entry);

    // ---- Clipboard: the thread of the user interface ------------------------

    // Whether the system clipboard holds copied elements.
    static bool canPaste();

    // ---- Defaults and run-time state: inside a request ---------------------

    // Writes the missing root defaults and dictionaries, a fresh `Temp` with
    // the state and notes tree of every element, and `Tool` 2.
    void ensureDocumentDefaults();
    // Fills the state dictionary at state (its item id is the element's)
    // for the element's `Type`.
    void initElementState(const QmdIndex &state);
    // Makes the element's state a new dictionary and fills it.
    void resetElementState(QmdItemId id);

    // ---- Notes trees: inside a request --------------------------------------

    static bool parseNotes(const QString &text, const NotesParseCallback &callback);
    // Stores the tree of the node's `Notes` when the text is valid; removes
    // nothing first.
    void rebuildNotesTree(QmdItemId nodeId);
    // The same for many nodes at once, as a reset builds them all.
    void rebuildNotesTrees(const QmdItemIdList &nodeIds);
    // Removes the node's tree, then rebuilds it.
    void replaceNotesTree(QmdItemId nodeId);
    // Sets every cursor at or below index to 0 (all trees: the index of
    // `NodeNotesTrees`).
    void resetNotesTreeCursors(const QmdIndex &index);

    // ---- Scale modes ------------------------------------------------------

    // The document's mode equal to the default built-in mode, set by every
    // reset; 0 when there is none.
    QmdItemId defaultScaleModeId() const;
    // The entries of `ScaleModes` that neither the root nor a voice group
    // names; they are left out of saved files.
    QSet<QmdIndex> unreferencedScaleModes() const;

    // ---- Colour styles and MIDI ports --------------------------------------

    static QStringList stylePresetNames();
    // The output port a new instrument gets, and an instrument falls back to
    // when its port is gone.
    static QString defaultMidiOutputPort();

    // ---- Engine -------------------------------------------------------------

    // The playback clock; null until the first reset.
    AbstractSync *sync() const;
    // Copies of the registries; the threads in them stay valid until a
    // reset, a removal or the destructor stops them.
    InstrumentRegistry instruments() const;
    VoiceGroupRegistry voiceGroups() const;
    // Create, start and register threads for the ids that have none yet
    // (voice groups: ids of any kind, only voice groups are used).
    void addInstruments(const QmdItemIdList &ids);
    void addVoiceGroups(const QmdItemIdList &ids);
    // Where a voice group started at now begins by its
    // `TriggeringQuantization`: 0 now, 1 the next division of divisionTicks,
    // 2 the next principal, 3 the next beat of the clock; anything else 0
    // (at once). A position on a boundary moves on to the next one.
    static QmdVorma::Ticks quantizedStartTick(int quantization, const AbstractSync &clock, QmdVorma::Ticks now,
                                              quint64 divisionTicks);
    // Whether the voice group's thread iterates (started and not stopped);
    // false for an id without one.
    bool isVoiceGroupRunning(QmdItemId id) const;
    // Changes whenever the document is replaced (every load and reset), so
    // threads made for the old one can tell. Read it under controllerMutex
    // to compare it with the document's content.
    quint64 documentGeneration() const { return m_documentGeneration.load(); }
    // A copy into the instrument's output queue (a pair: both or neither);
    // false when no instrument has the id or its queue is full. Any thread;
    // takes instrumentRegistryLock for reading, never controllerMutex.
    bool queueMidiMessage(QmdItemId instrumentId, const MidiOutputMessage &message);
    bool queueMidiMessagePair(QmdItemId instrumentId, const MidiOutputMessage &first,
                              const MidiOutputMessage &second);
    // Free places in the instrument's output queue now (others may take
    // them at any moment); 0 when no instrument has the id.
    int midiQueueRoom(QmdItemId instrumentId) const;
    // What voice groups report for the canvas to show; emptied by every
    // reset. The queue locks itself.
    TimedQueue<PlaybackEvent> &feedbackPipe() { return m_feedbackPipe; }

    // ---- Framework overrides -------------------------------------------------

    QHash<QmdRequestId, QVariant> *requestTable() override;
    QmdRequestId nextRequestId() override;

public slots:
    // Transport: each returns 0xFFFFFFFF, may be called from any thread
    // (the MIDI clock follower calls from the driver's) and emits its signal
    // there. Starting playback primes, then starts the clock; stopping
    // stops the clock, then primes. Priming plays or pauses every
    // instrument (a pause silences held notes) and lets every voice group
    // without trigger keys iterate, queueing what falls due within its
    // look-ahead at once, or pauses them all. Going to the start stops the
    // groups' steps, rewinds the clock, the run-time state and the
    // notes-tree cursors (outside the undo history), empties the
    // instruments' queues and the feedback queue, puts every group's first
    // voice back (an iterating group queues its first notes) and goes on
    // playing if it played.
    QmdRequestId requestPlay();
    QmdRequestId requestPause();
    QmdRequestId requestTogglePlayback();
    QmdRequestId requestSetPlayback(bool play);
    QmdRequestId requestPrimePlaybackForSyncStateChange(bool newState);
    QmdRequestId requestGotoStart();

    // Display toggles: each inverts its root key in a request that is not
    // recorded for undo.
    QmdRequestId requestToggleShowGrid();
    QmdRequestId requestToggleSnapToGrid();
    QmdRequestId requestToggleShowNodeCounters();
    QmdRequestId requestToggleShowNodeLastNotesSent();
    QmdRequestId requestToggleShowEdgeSignalling();
    QmdRequestId requestToggleMidiTriggering();

    // Adding elements, instruments and controllers: each one undo step
    // under the options' id (0: a new one), whose id it returns; a new
    // element's id goes through the out pointer before the slot returns.
    // Nodes get their notes trees in a second request under the same id,
    // outside the history. Ends and start nodes that are no node of this
    // document are left open. Without label, colour and channels an
    // instrument gets the first free ones. A controller goes only onto an
    // edge of this document; for anything else nothing is requested and the
    // result is 0.
    QmdRequestId requestAddInstrument(const QmdRequestOptions &options);
    QmdRequestId requestAddInstrument();
    QmdRequestId requestAddInstrument(const QString &label, const QColor &color, const QBitArray &channels,
                                      const QmdRequestOptions &options);
    QmdRequestId requestAddInstrument(const QString &label, const QColor &color, const QBitArray &channels);
    QmdRequestId requestAddEdge(const QmdIndex &fromNode, const QmdIndex &toNode, QmdVorma::EdgePath path,
                                CreationFlags flags, const QmdRequestOptions &options, QmdItemId *newEdgeId);
    QmdRequestId requestAddEdge(const QmdIndex &fromNode, const QmdIndex &toNode, QmdVorma::EdgePath path,
                                CreationFlags flags, const QmdRequestOptions &options);
    QmdRequestId requestAddEdge(const QmdIndex &fromNode, const QmdIndex &toNode, QmdVorma::EdgePath path,
                                CreationFlags flags);
    QmdRequestId requestAddEdge(const QmdIndex &fromNode, const QmdIndex &toNode, QmdVorma::EdgePath path);
    QmdRequestId requestAddEdge(const QmdIndex &fromNode, const QmdIndex &toNode);
    QmdRequestId requestAddEdge(const QmdIndex &fromNode);
    QmdRequestId requestAddEdge();
    QmdRequestId requestAddNode(const QmdVorma::TickPoint &pos, CreationFlags flags,
                                const QmdRequestOptions &options, QmdItemId *newNodeId);
    QmdRequestId requestAddNode(const QmdVorma::TickPoint &pos, CreationFlags flags,
                                const QmdRequestOptions &options);
    QmdRequestId requestAddNode(const QmdVorma::TickPoint &pos, CreationFlags flags);
    QmdRequestId requestAddNode(const QmdVorma::TickPoint &pos);
    QmdRequestId requestAddVoiceGroup(const QmdIndex &toNode, CreationFlags flags, const QmdRequestOptions &options);
    QmdRequestId requestAddVoiceGroup(const QmdIndex &toNode, CreationFlags flags);
    QmdRequestId requestAddVoiceGroup(const QmdIndex &toNode);
    QmdRequestId requestAddTextBox(const QmdVorma::TickPoint &pos, const QString &text, CreationFlags flags,
                                   const QmdRequestOptions &options);
    QmdRequestId requestAddTextBox(const QmdVorma::TickPoint &pos, const QString &text, CreationFlags flags);
    QmdRequestId requestAddTextBox(const QmdVorma::TickPoint &pos, const QString &text);
    QmdRequestId requestAddTextBox(const QmdVorma::TickPoint &pos);
    QmdRequestId requestAddControllerToEdge(const QmdIndex &edge, QmdVorma::ControllerCurveType curveType,
                                            short msbCode, short lsbCode, const QmdRequestOptions &options);
    QmdRequestId requestAddControllerToEdge(const QmdIndex &edge, QmdVorma::ControllerCurveType curveType,
                                            short msbCode, short lsbCode);

    // Clipboard. Copy puts the existing elements among the ids on the
    // clipboard (none: the clipboard keeps what it held). Paste adds the
    // clipboard's elements with new ids, their references rewired, centred
    // on center with the first node on the division grid, as one undo step.
    QmdRequestId requestCopy(const QmdItemIdSet &elements);
    QmdRequestId requestPaste(const QmdVorma::TickPoint &center);

    // Applies a colour style as one undo step; 0, and no request, for a name
    // that is not a preset.
    QmdRequestId requestLoadStylePreset(const QString &presetName);

    // Starting and stopping voice groups while playing; each answers 0 and
    // does nothing while the clock stands. A start places the group's first
    // voice at its next triggering point (`TriggeringQuantization`), with
    // the velocity scale when `TriggeringMidiVelocityScaling` is set. MIDI
    // triggering takes note messages while `MidiTriggeringEnabled` is set:
    // a press toggles the groups that list its key, a release later than the
    // time-out after the press stops them.
    QmdRequestId requestStartVoiceGroups(const QmdItemIdList &idList, QmdVorma::Scale velocityScale);
    QmdRequestId requestStartVoiceGroups(const QmdItemIdList &idList);
    QmdRequestId requestStopVoiceGroups(const QmdItemIdList &idList);
    QmdRequestId requestMidiTriggerVoiceGroups(const MidiInputMessage &msg, int msecToggleTimeout);

    // Removes the node's notes tree and builds it anew from its `Notes`, in
    // a request that is not recorded for undo.
    QmdRequestId requestRebuildNotesTree(QmdItemId nodeId);
    // Does nothing and returns 0.
    QmdRequestId requestShuffleNodeNotes(const QmdItemIdSet &nodes);

    static bool validateNotes(const QString &str, QMap<int, QPair<int, NotesToken> > &map);
    static bool unitTestNotes(const QString &str, bool expectedResult);

signals:
    void playbackStateChanged(bool isPlaying);
    void playbackJogged();
    void instrumentsAdded(const QmdItemIdList &idList, QmdRequestId rid);
    void instrumentsRemoved(const QmdItemIdList &idList, QmdRequestId rid);
    void instrumentDataEffected(QmdItemId id, const QStringList &keys, QmdRequestId rid);
    void scaleModesAdded(const QmdItemIdList &idList, QmdRequestId rid);
    void scaleModesRemoved(const QmdItemIdList &idList, QmdRequestId rid);
    void scaleModeDataEffected(QmdItemId id, const QStringList &keys, QmdRequestId rid);

protected:
    void doReset() override;
    void requestFinishedHook(QmdRequestId rid) override;
    void readLock() const override;
    void readUnlock() const override;
    void writeLock() override;
    void writeUnlock() override;

    QFile::FileError saveToFile(const QString &fileName, QmdRequestId rid) override;
    QmdFileStatus loadFromFile(const QString &fileName, QmdRequestId rid) override;

protected slots:
    void receivedItemsChanged(const QmdIndex &parent, const QStringList &keys, QmdRequestId rid) override;
    void receivedItemsChanged(const QmdIndex &parent, const QmdItemIdList &idList, QmdRequestId rid) override;
    void receivedItemsRemoved(const QmdIndex &parent, const QStringList &keys, QmdRequestId rid) override;
    void receivedItemsRemoved(const QmdIndex &parent, const QmdItemIdList &idList, QmdRequestId rid) override;

private:
    // The common frame of the element-adding requests: one request that adds
    // the element and returns the request's id; the element's id goes to
    // newId when given.
    QmdRequestId requestAddElement(int type, const QHash<QString, QVariant> &data,
                                   const QHash<QString, Qmd::ContainerType> &types, CreationFlags flags,
                                   const QmdRequestOptions &options, QmdItemId *newId = nullptr);
    // The entry when it is an element of this document of that type;
    // invalid otherwise. controllerMutex held.
    QmdIndex directElementOfType(const QmdIndex &index, int type) const;
    // Gives an edge from the node its arc number and usage entry and
    // registers its start. Inside a request.
    void connectEdgeToStartNode(QmdItemId edgeId, const QmdIndex &fromNode);
    // The pasted elements, keyed by their clipboard ids, rewired to each
    // other; returns the pasted nodes. Inside the paste request.
    QmdItemIdList rewirePastedElements(const QHash<QmdItemId, QmdItemId> &newIds);

    // In a request of their own under rid, outside the undo history: the
    // notes trees of nodes that rid added.
    void buildNotesTreesOfNewNodes(const QmdItemIdList &nodes, QmdRequestId rid);

    // Clean-ups after removals from `Elements` and `Instruments`.
    void cleanUpAfterElementsRemoved(const QmdItemIdList &idList, QmdRequestId rid, bool replayed);
    void cleanUpAfterInstrumentsRemoved(const QmdItemIdList &idList, QmdRequestId rid, bool replayed);
    // Forgets the removed edges at their start nodes; inside a request.
    void removeEdgesFromStartNodes(const QmdItemIdList &idList);
    // Removes the edges and voice groups attached to removed elements;
    // inside a request.
    void removeAttachedElements(const QmdItemIdList &idList);
    // Whether the change came from an undo or a redo.
    bool isReplayed(QmdRequestId rid) const;

    // The model operations that take no lock, which the controller's own
    // locked queries hide.
    QmdDirectModelInterface &direct() { return *this; }
    const QmdDirectModelInterface &direct() const { return *this; }

    // Keys set or removed inside one dictionary.
    void dispatchDataChange(const QmdIndex &parent, const QStringList &keys, QmdRequestId rid);
    QmdRequestId toggleRootFlag(const QString &key);
    // Cached indexes after a load cleared the document or the model went.
    void forgetCachedIndexes();
    void rebuildEdgeFromNodes();

    // ---- Engine hand-over ---------------------------------------------------
    // The places where the document controller drives the playback engine.

    struct EngineThreads
    {
        QList<AbstractInstrument *> instruments;
        QList<VoiceGroup *> voiceGroups;
    };
    // Empties both registries and the feedback queue; controllerMutex held.
    EngineThreads takeEngineThreads();
    // terminateSafely, an unlimited wait and deletion, thread by thread,
    // under transportMutex. Only while this controller holds none of its
    // other locks.
    void stopInstruments(const QList<AbstractInstrument *> &threads);
    void stopVoiceGroups(const QList<VoiceGroup *> &threads);
    // Instruments and voice groups follow the clock's new state; the
    // iterating groups queue what is due within their look-ahead at once.
    // transportMutex held.
    void primePlayback(bool playing);
    // The clock and everything it drives; transportMutex held.
    void setPlayback(bool play);
    // Replaces the playback clock with one for the document's `SyncType`.
    void rebuildSync();

    // ---- Members ------------------------------------------------------------

    mutable PriorityInheritanceMutex m_controllerMutex{PriorityInheritanceMutex::Recursive};
    mutable PriorityInheritanceMutex m_requestMutex;

    AbstractSync *m_sync = nullptr;
    InstrumentRegistry m_instrumentRegistry; // guarded by m_instrumentRegistryLock
    VoiceGroupRegistry m_voiceGroupRegistry; // guarded by m_controllerMutex
    TimedQueue<PlaybackEvent> m_feedbackPipe;
    InstrumentsModel *m_instrumentsModel;
    ScaleKeysModel *m_scaleKeysModel;
    ScaleModesModel *m_scaleModesModel;
    QmdItemId m_defaultScaleModeId = 0;
    // Edge id to its start node: removed edges no longer say where they
    // started. Guarded by m_controllerMutex.
    QHash<QmdItemId, QmdItemId> m_edgeFromNodes;
    mutable PriorityInheritanceMutex m_nodeArrivalMutex;
    mutable PriorityInheritanceMutex m_transportMutex;
    std::atomic<quint64> m_documentGeneration{0};
    mutable PriorityInheritanceMutex m_instrumentRegistryLock;

    // Set by every reset.
    QmdIndex m_elementsIndex;
    QmdIndex m_tempIndex;
    QmdIndex m_elementStatesIndex;
    QmdIndex m_nodeNotesTreesIndex;
    QmdIndex m_instrumentsIndex;
    QmdIndex m_scaleModesIndex;
    QmdIndex m_syncMidiInputsIndex;
    QmdIndex m_syncMidiOutputsIndex;

    // Nodes whose notes trees their adding request built, with its id, until
    // the change handler hears of their `Notes`. Guarded by
    // m_controllerMutex.
    QHash<QmdItemId, QmdRequestId> m_notesTreesBuiltBy;

    // Per MIDI key, when its last triggering note-on arrived (ns). Guarded
    // by m_controllerMutex.
    QHash<uchar, quint64> m_lastNoteOnTimes;
};

#endif
