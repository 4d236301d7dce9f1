#include "QmdVorma/playback/ControllerCurve.h"

#include <QPainterPath>

#include <cmath>

namespace QmdVorma {

namespace {

// x runs 0..1 and y 0..16383; stretched by this, x dominates a segment's
// length, so a fraction of the path's length is, in practice, the same
// fraction of the travel.
const double XScale = double(MaxCurveValue) * double(MaxCurveValue);

qint16 curveValue(double y)
{
    // Halves upward; a hand-edited point outside the range is cut to it.
    const double rounded = std::floor(y + 0.5);
    if (!(rounded > 0.0))
        return 0;
    return rounded >= MaxCurveValue ? qint16(MaxCurveValue) : qint16(rounded);
}

QPainterPath curvePath(int curveType, const QPolygonF &points)
{
    QPainterPath path(points.first());
    for (int i = 1; i < points.size(); ++i) {
        const QPointF &q = points.at(i - 1);
        const QPointF &p = points.at(i);
        const QPointF end(p.x() * XScale, p.y());
        if (curveType == CubicCurve) {
            // Level at both ends: an S-shaped move from value to value.
            const double middle = (q.x() + (p.x() - q.x()) / 2) * XScale;
            path.cubicTo(QPointF(middle, q.y()), QPointF(middle, p.y()), end);
        } else {
            path.lineTo(end);
        }
    }
    return path;
}

bool isControllerNumber(int code)
{
    return code >= 0 && code <= 127;
}

} // namespace

QVector<CurveSample> sampleControllerCurve(int curveType, const QPolygonF &points, Ticks departure, Ticks travel,
                                           quint64 travelNs)
{
    QVector<CurveSample> samples;
    if (curveType == NoCurve || points.isEmpty())
        return samples;
    if (curveType == SingleValue) {
        samples.append({departure, curveValue(points.first().y())});
        return samples;
    }

    const QPainterPath path = curvePath(curveType, points);
    // A path of no length (all points at one place) has no fractions to
    // walk: Qt would divide by that length. It stays at its start.
    const bool walkable = path.length() > 0.0;
    // A travel under 25 ms still gets one interval, as one of no time does.
    const quint64 intervals =
        travel == 0 ? 1 : qBound<quint64>(1, travelNs / CurveSampleIntervalNs, MaxCurveIntervals);
    const Ticks step = travel / intervals;
    samples.reserve(int(intervals) + 1);
    for (quint64 i = 0; i < intervals; ++i) {
        const double y = walkable ? path.pointAtPercent(double(i) / double(intervals)).y() : points.first().y();
        samples.append({departure + i * step, curveValue(std::isfinite(y) ? y : points.first().y())});
    }
    samples.append({departure + travel, curveValue(points.last().y())});
    return samples;
}

QVector<CurveSample> thinCurveSamples(const QVector<CurveSample> &samples, int maxSamples)
{
    if (samples.size() <= maxSamples)
        return samples;
    QVector<CurveSample> kept;
    if (maxSamples <= 0)
        return kept;
    if (maxSamples == 1) {
        kept.append(samples.last());
        return kept;
    }
    kept.reserve(maxSamples);
    const qint64 last = samples.size() - 1;
    for (qint64 i = 0; i < maxSamples; ++i)
        kept.append(samples.at(int(i * last / (maxSamples - 1))));
    return kept;
}

QVector<MidiOutputMessage> curveSampleMessages(const CurveSample &sample, int msbCode, int lsbCode, bool *paired)
{
    QVector<MidiOutputMessage> messages;
    *paired = false;
    if (msbCode == PitchBendCode || lsbCode == PitchBendCode) {
        messages.append(pitchBendMessage(sample.time, quint16(sample.value)));
        return messages;
    }
    const int high = sample.value / 128;
    const int low = sample.value % 128;
    if (isControllerNumber(msbCode))
        messages.append(controlChangeMessage(sample.time, msbCode, high));
    if (isControllerNumber(lsbCode))
        messages.append(controlChangeMessage(sample.time, lsbCode, low));
    *paired = messages.size() == 2;
    return messages;
}

} // namespace QmdVorma
