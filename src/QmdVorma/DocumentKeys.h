#ifndef QMDVORMA_DOCUMENTKEYS_H
#define QMDVORMA_DOCUMENTKEYS_H

#include <QString>

// The keys of the network document, each spelt once. Several kinds of entry
// share a key (`Type`, `ToNode`, `ScaleMode`, `Label`, ...); the comments say
// where each one lives. Types and defaults are in DocumentDefaults.h.
namespace QmdVorma {
namespace Keys {

// Root values
inline const QString Tempo = QStringLiteral("Tempo");
inline const QString PrincipalsToBeatsNumerator = QStringLiteral("PrincipalsToBeatsNumerator");
inline const QString PrincipalsToBeatsDenominator = QStringLiteral("PrincipalsToBeatsDenominator");
inline const QString DivsPerPrincipal = QStringLiteral("DivsPerPrincipal");
inline const QString ScaleKey = QStringLiteral("ScaleKey");       // also voice groups
inline const QString ScaleMode = QStringLiteral("ScaleMode");     // also voice groups
inline const QString ShowGrid = QStringLiteral("ShowGrid");
inline const QString SnapToGrid = QStringLiteral("SnapToGrid");
inline const QString ShowNodeCounters = QStringLiteral("ShowNodeCounters");
inline const QString ShowNodeLastNotesSent = QStringLiteral("ShowNodeLastNotesSent");
inline const QString ShowEdgeSignalling = QStringLiteral("ShowEdgeSignalling");
inline const QString ZoomScale = QStringLiteral("ZoomScale");
inline const QString Tool = QStringLiteral("Tool");
inline const QString StyleBackgroundColor = QStringLiteral("StyleBackgroundColor");
inline const QString StylePrincipalLinesColor = QStringLiteral("StylePrincipalLinesColor");
inline const QString StylePrincipalPointsColor = QStringLiteral("StylePrincipalPointsColor");
inline const QString StyleDivisionLinesColor = QStringLiteral("StyleDivisionLinesColor");
inline const QString StyleDivisionPointsColor = QStringLiteral("StyleDivisionPointsColor");
inline const QString StyleAnnotationColor = QStringLiteral("StyleAnnotationColor");
inline const QString StyleNodesColor = QStringLiteral("StyleNodesColor");
inline const QString StyleEdgesColor = QStringLiteral("StyleEdgesColor");
inline const QString SyncType = QStringLiteral("SyncType");
inline const QString MidiTriggeringEnabled = QStringLiteral("MidiTriggeringEnabled");
inline const QString PlaybackPosDisplayMode = QStringLiteral("PlaybackPosDisplayMode");
inline const QString Title = QStringLiteral("Title");
inline const QString Author = QStringLiteral("Author");
inline const QString Comment = QStringLiteral("Comment");

// Root dictionaries
inline const QString Elements = QStringLiteral("Elements");
inline const QString Instruments = QStringLiteral("Instruments");
inline const QString ScaleModes = QStringLiteral("ScaleModes");
inline const QString SyncMidiInputs = QStringLiteral("SyncMidiInputs");
inline const QString SyncMidiOutputs = QStringLiteral("SyncMidiOutputs");
inline const QString Temp = QStringLiteral("Temp");

// Every element; `Type` is also an instrument's kind
inline const QString Type = QStringLiteral("Type");
inline const QString IsHidden = QStringLiteral("IsHidden");
inline const QString TickPos = QStringLiteral("TickPos"); // nodes, text boxes

// Edges
inline const QString FromNode = QStringLiteral("FromNode");
inline const QString ToNode = QStringLiteral("ToNode"); // also voice groups
inline const QString Path = QStringLiteral("Path");
inline const QString ContinuousControllers = QStringLiteral("ContinuousControllers");
inline const QString IsWormhole = QStringLiteral("IsWormhole");

// Controller entries of an edge's `ContinuousControllers`
inline const QString CurveType = QStringLiteral("CurveType");
inline const QString MsbCode = QStringLiteral("MsbCode");
inline const QString LsbCode = QStringLiteral("LsbCode");
inline const QString CurvePoints = QStringLiteral("CurvePoints");

// Nodes
inline const QString Notes = QStringLiteral("Notes");
inline const QString SignallingMethod = QStringLiteral("SignallingMethod"); // also notes-tree groups
inline const QString ArcIdentifiers = QStringLiteral("ArcIdentifiers");
inline const QString ArcUsageList = QStringLiteral("ArcUsageList");
inline const QString DontPlayNote = QStringLiteral("DontPlayNote"); // also voice groups
inline const QString DoInstrumentChange = QStringLiteral("DoInstrumentChange");
inline const QString Instrument = QStringLiteral("Instrument");
inline const QString UserMidiMessageList = QStringLiteral("UserMidiMessageList");

// Text boxes
inline const QString Text = QStringLiteral("Text");

// Voice groups
inline const QString TriggeringQuantization = QStringLiteral("TriggeringQuantization");
inline const QString InitialPitch = QStringLiteral("InitialPitch");
inline const QString InitialVelocity = QStringLiteral("InitialVelocity");
inline const QString InitialDuration = QStringLiteral("InitialDuration");
inline const QString InitialInstrument = QStringLiteral("InitialInstrument");
inline const QString UseScale = QStringLiteral("UseScale");
inline const QString TriggeringMidiPitchList = QStringLiteral("TriggeringMidiPitchList");
inline const QString TriggeringMidiVelocityScaling = QStringLiteral("TriggeringMidiVelocityScaling");

// Instruments
inline const QString Color = QStringLiteral("Color");
inline const QString Label = QStringLiteral("Label"); // also scale modes
inline const QString MidiPort = QStringLiteral("MidiPort");
inline const QString MidiChannels = QStringLiteral("MidiChannels");
inline const QString MidiDoProgramChange = QStringLiteral("MidiDoProgramChange");
inline const QString MidiProgram = QStringLiteral("MidiProgram");
inline const QString MidiBankMSB = QStringLiteral("MidiBankMSB");
inline const QString MidiBankLSB = QStringLiteral("MidiBankLSB");

// Scale modes
inline const QString ChromaticScaleDegreeSet = QStringLiteral("ChromaticScaleDegreeSet");
inline const QString DisplayOrder = QStringLiteral("DisplayOrder");
inline const QString IsBuiltIn = QStringLiteral("IsBuiltIn");

// Entries of `SyncMidiInputs` and `SyncMidiOutputs`
inline const QString MidiSync = QStringLiteral("MidiSync");

// Run-time state under `Temp`
inline const QString ElementStates = QStringLiteral("ElementStates");
inline const QString NodeNotesTrees = QStringLiteral("NodeNotesTrees");
inline const QString CurrentScaleId = QStringLiteral("CurrentScaleId");             // edges
inline const QString CurrentEdgeUsageId = QStringLiteral("CurrentEdgeUsageId");     // nodes
inline const QString CurrentEdgeUsageUses = QStringLiteral("CurrentEdgeUsageUses"); // nodes
inline const QString CurrentUserMidiMessageId = QStringLiteral("CurrentUserMidiMessageId");
inline const QString HitCount = QStringLiteral("HitCount");
inline const QString LastNotesSent = QStringLiteral("LastNotesSent");

// Notes trees (groups: `SignallingMethod`, `Children`, `CurrentChildId`;
// notes: the three lists and their cursors)
inline const QString Children = QStringLiteral("Children");
inline const QString CurrentChildId = QStringLiteral("CurrentChildId");
inline const QString PitchList = QStringLiteral("PitchList");       // also older nodes
inline const QString VelocityList = QStringLiteral("VelocityList"); // also older nodes
inline const QString DurationList = QStringLiteral("DurationList"); // also older nodes
inline const QString CurrentPitchId = QStringLiteral("CurrentPitchId");
inline const QString CurrentVelocityId = QStringLiteral("CurrentVelocityId");
inline const QString CurrentDurationId = QStringLiteral("CurrentDurationId");

// Keys of older documents, read only to convert them on reset
inline const QString OrderedArcUsages = QStringLiteral("OrderedArcUsages"); // nodes
inline const QString Arc = QStringLiteral("Arc");
inline const QString UsageRule = QStringLiteral("UsageRule");
inline const QString Identifier = QStringLiteral("Identifier"); // voice groups
inline const QString OutputType = QStringLiteral("OutputType"); // voice groups

} // namespace Keys
} // namespace QmdVorma

#endif
