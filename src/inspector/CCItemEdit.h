#ifndef INSPECTOR_CCITEMEDIT_H
#define INSPECTOR_CCITEMEDIT_H

#include "inspector/CCItem.h"

#include <QPolygonF>
#include <QRectF>

class HoverPoints;

// The row that edits one controller entry of an edge: curve type, MSB and
// LSB codes and the curve, as a single value or as points on a curve. Its
// widgets are bound to the entry's keys; a change of the codes, by whatever
// means, runs the code handler (reset of the controller left while playing,
// pairing of the codes, widgets and background, default curve). A MIDI
// control change or pitch bend played while one of its widgets has the focus
// is learnt as the entry's controller and value.
class CCItemEdit : public CCItem
{
    Q_OBJECT
    Q_PROPERTY(QPolygonF curvePoints READ curvePoints WRITE setCurvePoints NOTIFY curvePointsChanged)

public:
    CCItemEdit(CCListEdit *list, const QmdIndex &entryIndex);

    QmdIndex entryIndex() const { return m_entryIndex; }
    QPolygonF curvePoints() const { return m_curvePoints; }
    HoverPoints *hoverPoints() const { return m_hoverPoints; }

    // Where the points may lie inside the 265 by 80 curve frame.
    static QRectF curveBounds();
    // Between the document's units (x 0..1, y 0..16383) and the frame's.
    static QPointF frameFromDocument(const QPointF &point);
    static QPointF documentFromFrame(const QPointF &point);

    // Stops following and writing the document: the list calls it as it
    // drops the row, which lives on until its deferred deletion.
    void detach();

    // Shows the value widgets these codes use: one value for pitch bend,
    // MSB and LSB for a fine controller, MSB alone otherwise.
    void showCodes(int msb, int lsb);

    bool eventFilter(QObject *watched, QEvent *event) override;
    void curveTypeChanged(int curveType) override;

signals:
    void curvePointsChanged();

public slots:
    void setCurvePoints(const QPolygonF &points, bool force);
    void setCurvePoints(const QPolygonF &points);
    void onStrDictItemsChanged(const QmdIndex &parent, const QStringList &keys, QmdRequestId rid);
    void onSingleValueStandardCombinedValueChanged(int value);
    void onSingleValueMsbOrLsbValueChanged();
    void onSingleValuePitchBendCombinedValueChanged(int value);
    void onHoverPointsMouseButtonPressed();
    void onHoverPointsMouseButtonReleased();
    void onHoverPointsChanged();
    void onHoverPointsCurrentIndexChanged(int index);
    void onPointXOrCombinedValueChanged();
    void onPointMsbOrLsbValueChanged();
    void onPointPitchBendCombinedValueChanged(int value);

private:
    // `building`: the row only shows the codes and remembers them.
    void handleCodes(bool msbChanged, bool lsbChanged, QmdRequestId rid, bool building);
    void smartReset(bool msbChanged, bool lsbChanged, int msb, int lsb, QmdRequestId rid);
    void learn(const QVector<quint8> &bytes);
    void syncPointEditors();
    void setEntryData(const QString &key, const QVariant &value, const QString &text, QmdRequestId rid);

    const QmdIndex m_entryIndex;
    QPolygonF m_curvePoints;
    int m_previousMsbCode = -127;
    int m_previousLsbCode = -127;
    HoverPoints *m_hoverPoints = nullptr;
    // Set while a mouse press or key press on the curve-type chooser is
    // delivered: only a tab the user chose moves the focus.
    bool m_userChoosingTab = false;
};

#endif
