#ifndef QMDVORMA_PLAYBACK_CONTROLLERCURVE_H
#define QMDVORMA_PLAYBACK_CONTROLLERCURVE_H

#include "midi/MidiOutputMessage.h"
#include "QmdVorma/QmdVorma.h"

#include <QPolygonF>
#include <QVector>

// A controller curve of an edge played along a voice's travel: sampled once
// when the voice leaves, one sample per 25 ms of real time, each turned into
// MIDI messages stamped with its tick.
namespace QmdVorma {

constexpr quint64 CurveSampleIntervalNs = 25000000;
// More samples than a queue could ever hold are not taken: a travel longer
// than this many intervals is sampled more sparsely.
constexpr quint64 MaxCurveIntervals = 4000;
constexpr int MaxCurveValue = 16383;
// `MsbCode` / `LsbCode` values that are no controller number.
constexpr int NoControllerCode = -1;
constexpr int PitchBendCode = -2;

struct CurveSample
{
    Ticks time = 0;
    qint16 value = 0; // 0..16383

    bool operator==(const CurveSample &o) const { return time == o.time && value == o.value; }
};

// The samples of a curve over a travel from `departure` taking `travel`
// ticks, `travelNs` nanoseconds at the tempo of the departure. Points are
// (fraction of the travel, 14-bit value). A single value gives one sample at
// the departure; linear and cubic curves give one sample at the start of
// every whole 25 ms (at least one, also for a travel shorter than that or
// of no time, at most MaxCurveIntervals) and a last one at the arrival with
// the last point's value.
// No points or no curve: no samples.
QVector<CurveSample> sampleControllerCurve(int curveType, const QPolygonF &points, Ticks departure, Ticks travel,
                                           quint64 travelNs);

// At most maxSamples of the samples, evenly spread over them, keeping the
// first and the last; all of them when they fit.
QVector<CurveSample> thinCurveSamples(const QVector<CurveSample> &samples, int maxSamples);

// The messages of one sample for the codes of a controller entry, one or
// two; `paired` says that two halves of a 14-bit controller must be queued
// together. Nothing for codes that name no controller.
QVector<MidiOutputMessage> curveSampleMessages(const CurveSample &sample, int msbCode, int lsbCode, bool *paired);

} // namespace QmdVorma

#endif
