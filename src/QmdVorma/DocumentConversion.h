#ifndef QMDVORMA_DOCUMENTCONVERSION_H
#define QMDVORMA_DOCUMENTCONVERSION_H

#include "Qmd/Qmd.h"
#include "QmdVorma/ScaleModes.h"

class QmdDirectModelInterface;
class QmdIndex;

// The parts of a document reset that bring documents of any age into the
// current shape. Each works on what is there and reports nothing; the writes
// belong to the request the caller has open.
namespace QmdVorma {

// Nodes of older versions: `OrderedArcUsages` becomes the `ArcUsageList`
// text ("arc=uses,..."), and the separate `PitchList`, `VelocityList` and
// `DurationList` become one `Notes` text unless the node has one already.
// The old keys are removed.
void convertOlderNodes(QmdDirectModelInterface &d, const QmdIndex &elements);

// Voice groups of older versions carried their own MIDI output (`Identifier`,
// `OutputType`, `MidiPort`, ...): each becomes an instrument of its own, with
// the palette colour of its identifier, named after it, which the group
// then starts with (`InitialInstrument`). The old keys are removed.
void convertOlderVoiceGroups(QmdDirectModelInterface &d, const QmdIndex &elements, const QmdIndex &instruments);

// Marks the document's scale modes that equal a built-in mode (same label
// and degree set) as built in, with the built-in display order; numbers the
// others from 10000 in the model's order; adds each built-in mode the
// document lacks, once. Returns the id of the document's mode that equals
// defaultMode, 0 when none does.
QmdItemId mergeBuiltInScaleModes(QmdDirectModelInterface &d, const QmdIndex &scaleModes,
                                 const BuiltInScaleModeList &builtInList, const BuiltInScaleModeSet &builtInSet,
                                 const BuiltInScaleMode &defaultMode);

// Gives voice groups their missing scale keys and points the root's and the
// groups' `ScaleMode` that name no scale mode at defaultScaleModeId.
void repairScaleModeReferences(QmdDirectModelInterface &d, const QmdIndex &elements, const QmdIndex &scaleModes,
                               QmdItemId defaultScaleModeId);

// The first user display order: user modes sort after every built-in one.
constexpr int FirstUserDisplayOrder = 10000;

} // namespace QmdVorma

#endif
