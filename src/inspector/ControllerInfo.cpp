#include "inspector/ControllerInfo.h"

#include "QmdVorma/QmdVorma.h"

#include <QCoreApplication>

namespace {

const char *const controllerNames[128] = {
    QT_TRANSLATE_NOOP("CCListEdit", "0 - Bank Select (coarse)"),
    QT_TRANSLATE_NOOP("CCListEdit", "1 - Modulation Wheel (coarse)"),
    QT_TRANSLATE_NOOP("CCListEdit", "2 - Breath Controller (coarse)"),
    QT_TRANSLATE_NOOP("CCListEdit", "3 - Undefined (coarse)"),
    QT_TRANSLATE_NOOP("CCListEdit", "4 - Foot Controller (coarse)"),
    QT_TRANSLATE_NOOP("CCListEdit", "5 - Portamento Time (coarse)"),
    QT_TRANSLATE_NOOP("CCListEdit", "6 - Data Entry MSB (coarse)"),
    QT_TRANSLATE_NOOP("CCListEdit", "7 - Channel Volume (coarse)"),
    QT_TRANSLATE_NOOP("CCListEdit", "8 - Balance (coarse)"),
    QT_TRANSLATE_NOOP("CCListEdit", "9 - Undefined (coarse)"),
    QT_TRANSLATE_NOOP("CCListEdit", "10 - Pan (coarse)"),
    QT_TRANSLATE_NOOP("CCListEdit", "11 - Expression Controller (coarse)"),
    QT_TRANSLATE_NOOP("CCListEdit", "12 - Effect Control 1 (coarse)"),
    QT_TRANSLATE_NOOP("CCListEdit", "13 - Effect Control 2 (coarse)"),
    QT_TRANSLATE_NOOP("CCListEdit", "14 - Undefined (coarse)"),
    QT_TRANSLATE_NOOP("CCListEdit", "15 - Undefined (coarse)"),
    QT_TRANSLATE_NOOP("CCListEdit", "16 - General Purpose Controller 1 (coarse)"),
    QT_TRANSLATE_NOOP("CCListEdit", "17 - General Purpose Controller 2 (coarse)"),
    QT_TRANSLATE_NOOP("CCListEdit", "18 - General Purpose Controller 3 (coarse)"),
    QT_TRANSLATE_NOOP("CCListEdit", "19 - General Purpose Controller 4 (coarse)"),
    QT_TRANSLATE_NOOP("CCListEdit", "20 - Undefined (coarse)"),
    QT_TRANSLATE_NOOP("CCListEdit", "21 - Undefined (coarse)"),
    QT_TRANSLATE_NOOP("CCListEdit", "22 - Undefined (coarse)"),
    QT_TRANSLATE_NOOP("CCListEdit", "23 - Undefined (coarse)"),
    QT_TRANSLATE_NOOP("CCListEdit", "24 - Undefined (coarse)"),
    QT_TRANSLATE_NOOP("CCListEdit", "25 - Undefined (coarse)"),
    QT_TRANSLATE_NOOP("CCListEdit", "26 - Undefined (coarse)"),
    QT_TRANSLATE_NOOP("CCListEdit", "27 - Undefined (coarse)"),
    QT_TRANSLATE_NOOP("CCListEdit", "28 - Undefined (coarse)"),
    QT_TRANSLATE_NOOP("CCListEdit", "29 - Undefined (coarse)"),
    QT_TRANSLATE_NOOP("CCListEdit", "30 - Undefined (coarse)"),
    QT_TRANSLATE_NOOP("CCListEdit", "31 - Undefined (coarse)"),
    QT_TRANSLATE_NOOP("CCListEdit", "32 - Bank Select (fine)"),
    QT_TRANSLATE_NOOP("CCListEdit", "33 - Modulation Wheel (fine)"),
    QT_TRANSLATE_NOOP("CCListEdit", "34 - Breath Controller (fine)"),
    QT_TRANSLATE_NOOP("CCListEdit", "35 - Undefined (fine)"),
    QT_TRANSLATE_NOOP("CCListEdit", "36 - Foot Controller (fine)"),
    QT_TRANSLATE_NOOP("CCListEdit", "37 - Portamento Time (fine)"),
    QT_TRANSLATE_NOOP("CCListEdit", "38 - Data Entry (fine)"),
    QT_TRANSLATE_NOOP("CCListEdit", "39 - Channel Volume (fine)"),
    QT_TRANSLATE_NOOP("CCListEdit", "40 - Balance (fine)"),
    QT_TRANSLATE_NOOP("CCListEdit", "41 - Undefined (fine)"),
    QT_TRANSLATE_NOOP("CCListEdit", "42 - Pan (fine)"),
    QT_TRANSLATE_NOOP("CCListEdit", "43 - Expression Controller (fine)"),
    QT_TRANSLATE_NOOP("CCListEdit", "44 - Effect control 1 (fine)"),
    QT_TRANSLATE_NOOP("CCListEdit", "45 - Effect control 2 (fine)"),
    QT_TRANSLATE_NOOP("CCListEdit", "46 - Undefined (fine)"),
    QT_TRANSLATE_NOOP("CCListEdit", "47 - Undefined (fine)"),
    QT_TRANSLATE_NOOP("CCListEdit", "48 - General Purpose Controller 1 (fine)"),
    QT_TRANSLATE_NOOP("CCListEdit", "49 - General Purpose Controller 2 (fine)"),
    QT_TRANSLATE_NOOP("CCListEdit", "50 - General Purpose Controller 3 (fine)"),
    QT_TRANSLATE_NOOP("CCListEdit", "51 - General Purpose Controller 4 (fine)"),
    QT_TRANSLATE_NOOP("CCListEdit", "52 - Undefined (fine)"),
    QT_TRANSLATE_NOOP("CCListEdit", "53 - Undefined (fine)"),
    QT_TRANSLATE_NOOP("CCListEdit", "54 - Undefined (fine)"),
    QT_TRANSLATE_NOOP("CCListEdit", "55 - Undefined (fine)"),
    QT_TRANSLATE_NOOP("CCListEdit", "56 - Undefined (fine)"),
    QT_TRANSLATE_NOOP("CCListEdit", "57 - Undefined (fine)"),
    QT_TRANSLATE_NOOP("CCListEdit", "58 - Undefined (fine)"),
    QT_TRANSLATE_NOOP("CCListEdit", "59 - Undefined (fine)"),
    QT_TRANSLATE_NOOP("CCListEdit", "60 - Undefined (fine)"),
    QT_TRANSLATE_NOOP("CCListEdit", "61 - Undefined (fine)"),
    QT_TRANSLATE_NOOP("CCListEdit", "62 - Undefined (fine)"),
    QT_TRANSLATE_NOOP("CCListEdit", "63 - Undefined (fine)"),
    QT_TRANSLATE_NOOP("CCListEdit", "64 - Damper Pedal On/Off (Sustain)"),
    QT_TRANSLATE_NOOP("CCListEdit", "65 - Portamento On/Off"),
    QT_TRANSLATE_NOOP("CCListEdit", "66 - Sustenuto On/Off"),
    QT_TRANSLATE_NOOP("CCListEdit", "67 - Soft Pedal On/Off"),
    QT_TRANSLATE_NOOP("CCListEdit", "68 - Legato Footswitch"),
    QT_TRANSLATE_NOOP("CCListEdit", "69 - Hold 2"),
    QT_TRANSLATE_NOOP("CCListEdit", "70 - Sound Controller 1 (default: Sound Variation)"),
    QT_TRANSLATE_NOOP("CCListEdit", "71 - Sound Controller 2 (default: Timbre/Harmonic Intensity)"),
    QT_TRANSLATE_NOOP("CCListEdit", "72 - Sound Controller 3 (default: Release Time)"),
    QT_TRANSLATE_NOOP("CCListEdit", "73 - Sound Controller 4 (default: Attack Time)"),
    QT_TRANSLATE_NOOP("CCListEdit", "74 - Sound Controller 5 (default: Brightness)"),
    QT_TRANSLATE_NOOP("CCListEdit", "75 - Sound Controller 6 (default: Decay Time)"),
    QT_TRANSLATE_NOOP("CCListEdit", "76 - Sound Controller 7 (default: Vibrato Rate)"),
    QT_TRANSLATE_NOOP("CCListEdit", "77 - Sound Controller 8 (default: Vibrato Depth)"),
    QT_TRANSLATE_NOOP("CCListEdit", "78 - Sound Controller 9 (default: Vibrato Delay)"),
    QT_TRANSLATE_NOOP("CCListEdit", "79 - Sound Controller 10 (default Undefined)"),
    QT_TRANSLATE_NOOP("CCListEdit", "80 - General Purpose Controller 5"),
    QT_TRANSLATE_NOOP("CCListEdit", "81 - General Purpose Controller 6"),
    QT_TRANSLATE_NOOP("CCListEdit", "82 - General Purpose Controller 7"),
    QT_TRANSLATE_NOOP("CCListEdit", "83 - General Purpose Controller 8"),
    QT_TRANSLATE_NOOP("CCListEdit", "84 - Portamento Control"),
    QT_TRANSLATE_NOOP("CCListEdit", "85 - Undefined"),
    QT_TRANSLATE_NOOP("CCListEdit", "86 - Undefined"),
    QT_TRANSLATE_NOOP("CCListEdit", "87 - Undefined"),
    QT_TRANSLATE_NOOP("CCListEdit", "88 - Undefined"),
    QT_TRANSLATE_NOOP("CCListEdit", "89 - Undefined"),
    QT_TRANSLATE_NOOP("CCListEdit", "90 - Undefined"),
    QT_TRANSLATE_NOOP("CCListEdit", "91 - Effects 1 Depth (default: Reverb Send Level)"),
    QT_TRANSLATE_NOOP("CCListEdit", "92 - Effects 2 Depth"),
    QT_TRANSLATE_NOOP("CCListEdit", "93 - Effects 3 Depth (default: Chorus Send Level)"),
    QT_TRANSLATE_NOOP("CCListEdit", "94 - Effects 4 Depth"),
    QT_TRANSLATE_NOOP("CCListEdit", "95 - Effects 5 Depth"),
    QT_TRANSLATE_NOOP("CCListEdit", "96 - Data Increment (Data Entry +1)"),
    QT_TRANSLATE_NOOP("CCListEdit", "97 - Data Decrement (Data Entry -1)"),
    QT_TRANSLATE_NOOP("CCListEdit", "98 - Non-Registered Parameter Number (NRPN) - LSB"),
    QT_TRANSLATE_NOOP("CCListEdit", "99 - Non-Registered Parameter Number (NRPN) - MSB"),
    QT_TRANSLATE_NOOP("CCListEdit", "100 - Registered Parameter Number (RPN) - LSB"),
    QT_TRANSLATE_NOOP("CCListEdit", "101 - Registered Parameter Number (RPN) - MSB"),
    QT_TRANSLATE_NOOP("CCListEdit", "102 - Undefined"),
    QT_TRANSLATE_NOOP("CCListEdit", "103 - Undefined"),
    QT_TRANSLATE_NOOP("CCListEdit", "104 - Undefined"),
    QT_TRANSLATE_NOOP("CCListEdit", "105 - Undefined"),
    QT_TRANSLATE_NOOP("CCListEdit", "106 - Undefined"),
    QT_TRANSLATE_NOOP("CCListEdit", "107 - Undefined"),
    QT_TRANSLATE_NOOP("CCListEdit", "108 - Undefined"),
    QT_TRANSLATE_NOOP("CCListEdit", "109 - Undefined"),
    QT_TRANSLATE_NOOP("CCListEdit", "110 - Undefined"),
    QT_TRANSLATE_NOOP("CCListEdit", "111 - Undefined"),
    QT_TRANSLATE_NOOP("CCListEdit", "112 - Undefined"),
    QT_TRANSLATE_NOOP("CCListEdit", "113 - Undefined"),
    QT_TRANSLATE_NOOP("CCListEdit", "114 - Undefined"),
    QT_TRANSLATE_NOOP("CCListEdit", "115 - Undefined"),
    QT_TRANSLATE_NOOP("CCListEdit", "116 - Undefined"),
    QT_TRANSLATE_NOOP("CCListEdit", "117 - Undefined"),
    QT_TRANSLATE_NOOP("CCListEdit", "118 - Undefined"),
    QT_TRANSLATE_NOOP("CCListEdit", "119 - Undefined"),
    QT_TRANSLATE_NOOP("CCListEdit", "120 - [CMM] All Sound Off"),
    QT_TRANSLATE_NOOP("CCListEdit", "121 - [CMM] Reset All Controllers"),
    QT_TRANSLATE_NOOP("CCListEdit", "122 - [CMM] Local Control On/Off"),
    QT_TRANSLATE_NOOP("CCListEdit", "123 - [CMM] All Notes Off"),
    QT_TRANSLATE_NOOP("CCListEdit", "124 - [CMM] Omni Mode Off (+ all notes off)"),
    QT_TRANSLATE_NOOP("CCListEdit", "125 - [CMM] Omni Mode On (+ all notes off)"),
    QT_TRANSLATE_NOOP("CCListEdit", "126 - [CMM] Poly Mode On/Off (+ all notes off)"),
    QT_TRANSLATE_NOOP("CCListEdit", "127 - [CMM] Poly Mode On (+ mono off + all notes off)"),
};

ControllerInfo makeInfo(int code)
{
    ControllerInfo info;
    info.name = QCoreApplication::translate("CCListEdit", controllerNames[code]);
    if (code == 7 || code == 39)
        info.resetValue = 127; // channel volume rests at full
    else if (code == 10)
        info.resetValue = 64; // pan rests in the centre
    if (code < 32)
        info.pairedLsbCode = code + 32;
    else if (code == 99 || code == 101)
        info.pairedLsbCode = code - 1; // the parameter-number pairs
    return info;
}

} // namespace

const QVector<ControllerInfo> &controllerInfos()
{
    static QVector<ControllerInfo> table;
    if (table.isEmpty()) {
        table.reserve(128);
        for (int code = 0; code < 128; ++code)
            table.append(makeInfo(code));
    }
    return table;
}

ControllerInfo controllerInfo(int code)
{
    if (code < 0 || code > 127)
        return ControllerInfo();
    return controllerInfos().at(code);
}

int defaultControllerValue(int msbCode, int lsbCode)
{
    if (msbCode == -2 || lsbCode == -2)
        return 8192;
    return controllerInfo(msbCode).resetValue * 128 + controllerInfo(lsbCode).resetValue;
}

QPolygonF normalizedCurvePoints(int curveType, int msbCode, int lsbCode, const QPolygonF &points)
{
    QPolygonF result = points;
    switch (curveType) {
    case QmdVorma::SingleValue:
        if (result.isEmpty())
            result.append(QPointF(0, defaultControllerValue(msbCode, lsbCode)));
        else
            result[0].setX(0);
        break;
    case QmdVorma::LinearCurve:
    case QmdVorma::CubicCurve: {
        if (result.isEmpty()) {
            const qreal d = defaultControllerValue(msbCode, lsbCode);
            result << QPointF(0, d) << QPointF(1, d);
            break;
        }
        // A stored curve that starts later than 0 holds its first value
        // from the start, so playback begins where the user's curve does.
        if (result.first().x() != 0)
            result.prepend(QPointF(0, result.first().y()));
        if (result.last().x() != 1)
            result.append(QPointF(1, result.first().y()));
        break;
    }
    default:
        break;
    }
    return result;
}
