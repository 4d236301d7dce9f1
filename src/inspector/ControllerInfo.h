#ifndef INSPECTOR_CONTROLLERINFO_H
#define INSPECTOR_CONTROLLERINFO_H

#include <QPolygonF>
#include <QString>
#include <QVector>

// What the controller editors know of one MIDI control-change number.
struct ControllerInfo
{
    QString name;               // translated when the table is built
    quint8 resetValue = 0;      // the controller's resting value
    qint32 pairedLsbCode = -1;  // the fine partner, -1 when there is none
};

// The process-wide table of the 128 controllers, indexed by number. Built
// once, on first use (so its names keep the language active then), and
// never changed afterwards. GUI thread.
const QVector<ControllerInfo> &controllerInfos();

// The table's row for codes 0..127; an empty row for anything else (-1
// none, -2 pitch bend, codes from a damaged file).
ControllerInfo controllerInfo(int code);

// Where the value of a pair of codes rests: the pitch-bend centre when
// either code is pitch bend, else the two reset values as one 14-bit value.
int defaultControllerValue(int msbCode, int lsbCode);

// The points made to fit the curve type: a single value needs its first
// point at x 0, a curve needs points at both ends. No points gives the
// default curve of the codes. Other curve types leave the points alone.
QPolygonF normalizedCurvePoints(int curveType, int msbCode, int lsbCode, const QPolygonF &points);

#endif
