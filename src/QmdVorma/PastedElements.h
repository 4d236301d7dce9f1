#ifndef QMDVORMA_PASTEDELEMENTS_H
#define QMDVORMA_PASTEDELEMENTS_H

#include "Qmd/QmdDirectModelInterface.h"
#include "Qmd/QmdMemModel.h"
#include "QmdVorma/QmdVorma.h"

#include <QByteArray>

// The elements of one paste, read from the clipboard's text into a scratch
// document shaped like a network (a string-keyed root holding `Elements`), so
// that their value forms read back as they were written, each under the id
// it had where it was copied.
//
// The clipboard may hold anything under the right type, so only what a
// document can take survives the reading: string-keyed dictionaries of a
// known element kind, and of those only the edges whose two ends and the
// voice groups whose start node are among the pasted nodes.
class PastedElements
{
public:
    // A text that is no property list of elements gives no elements.
    explicit PastedElements(const QByteArray &text);
    PastedElements(const PastedElements &) = delete;
    PastedElements &operator=(const PastedElements &) = delete;

    // Moves every `TickPos` (one that is no tick point counts as the
    // origin) so that the middle of their bounding box lies on center, then
    // so that the first node lies on the grid of `division` ticks, the
    // others keeping their distances to it. False, with nothing moved, when
    // a position would leave the range of tick positions.
    bool place(const QmdVorma::TickPoint &center, quint64 division);

    // The elements in id order; each carries the scratch model.
    QmdIndexList elements() const;
    int type(const QmdIndex &element) const;

private:
    template <typename Change>
    void change(Change change);
    void keepSoundElements();

    QmdMemModel m_model{Qmd::StrDict};
    QmdDirectModelInterface m_d;
    QmdIndex m_elements;
};

#endif
