#ifndef QMDVORMA_QMDVORMA_H
#define QMDVORMA_QMDVORMA_H

#include <QtGlobal>
#include <QMetaType>

// Units and small value types shared by the network document and the engine.
namespace QmdVorma {

// Time and length on the grid. 665280 is divisible by every whole number
// from 1 to 12 and by 24, so common grid divisions and MIDI clocks are exact.
using Ticks = quint64;
constexpr Ticks TicksPerPrincipal = 665280;

// Time in the beat domain of MIDI clock: ticks = beat ticks x N / D for a
// principals-to-beats ratio of N:D.
using BeatTicks = quint64;
constexpr BeatTicks BeatTicksPerBeat = 665280;
constexpr BeatTicks BeatTicksPerMidiClock = BeatTicksPerBeat / 24;

// Typographic points (1/72 inch) a principal spans on the canvas at zoom 1.
constexpr int PointsPerPrincipal = 120;

struct TickPoint
{
    qint64 x = 0;
    qint64 y = 0;

    TickPoint() = default;
    TickPoint(qint64 x_, qint64 y_) : x(x_), y(y_) {}
    bool operator==(const TickPoint &o) const { return x == o.x && y == o.y; }
    bool operator!=(const TickPoint &o) const { return !(*this == o); }
};

using Scale = double;

enum EdgePath { CityBlock = 0, CityBlockFlipped = 1, Direct = 2 };

enum ControllerCurveType { NoCurve = 0, SingleValue = 1, LinearCurve = 2, CubicCurve = 3 };

} // namespace QmdVorma

Q_DECLARE_METATYPE(QmdVorma::TickPoint)

#endif
