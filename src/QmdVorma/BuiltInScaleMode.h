#ifndef QMDVORMA_BUILTINSCALEMODE_H
#define QMDVORMA_BUILTINSCALEMODE_H

#include <QHash>
#include <QString>

// A scale mode the program brings along: its label, its degree set (bits 0 to
// 11, one per semitone above the key) and its place in the list of modes.
// Records are the same mode when label and degree set agree; the place does
// not count.
struct BuiltInScaleMode
{
    QString label;
    int degreeSet = 0;
    int displayOrder = 0;

    BuiltInScaleMode() = default;
    BuiltInScaleMode(const QString &label_, int degreeSet_, int displayOrder_)
        : label(label_), degreeSet(degreeSet_), displayOrder(displayOrder_)
    {
    }

    bool operator==(const BuiltInScaleMode &o) const { return label == o.label && degreeSet == o.degreeSet; }
    bool operator!=(const BuiltInScaleMode &o) const { return !(*this == o); }
};

inline uint qHash(const BuiltInScaleMode &mode, uint seed = 0)
{
    return qHash(mode.label, seed) ^ uint(mode.degreeSet);
}

#endif
