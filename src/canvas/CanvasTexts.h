#ifndef CANVAS_CANVASTEXTS_H
#define CANVAS_CANVASTEXTS_H

#include "Qmd/Qmd.h"

#include <QString>

// Texts the canvas items show, kept apart from the items so they can be
// checked without a scene.
namespace CanvasTexts {

// A use count: the number, 0 as the infinity sign (unlimited use).
QString usageCountText(int count);

// The usage label of an edge from its source node's `SignallingMethod` and
// `ArcUsageList`: for sequential signalling each position of the edge in
// the list with its count ("2(1),4(∞)"), for random signalling the edge's
// share of all counts ("3/5"); empty for parallel signalling and for lists
// of fewer than two entries.
QString edgeUsageLabel(QmdItemId edgeId, int signallingMethod, const QString &arcUsageList);

// A node's notes text as a tool tip: broken after the first comma at index
// 30 or later of what remains, so that long chords stay readable.
QString nodeToolTip(const QString &notes);

// The edge's length line: "1 principal = 4 divisions".
QString edgeLengthText(qint64 ticks, int divsPerPrincipal);

} // namespace CanvasTexts

#endif
