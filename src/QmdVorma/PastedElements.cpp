#include "QmdVorma/PastedElements.h"

#include "QmdVorma/DocumentDefaults.h"
#include "QmdVorma/DocumentKeys.h"
#include "QmdVorma/QmdVormaImporter.h"

#include <QBuffer>
#include <QSet>
#include <QVector>

#include <cmath>
#include <limits>

using namespace QmdVorma;

namespace {

// Wide enough for every sum and difference of two tick positions.
using WideTicks = __int128;

bool fitsTicks(WideTicks value)
{
    return value >= std::numeric_limits<qint64>::min() && value <= std::numeric_limits<qint64>::max();
}

// Changes the offset d so that position + d is the multiple of division
// nearest to position + d (halves away from zero). False when that multiple
// lies beyond what a tick position can hold.
bool snapOffset(qint64 position, quint64 division, WideTicks &d)
{
    const double quotient = double(WideTicks(position) + d) / double(division);
    if (!(std::fabs(quotient) < 0x1p62))
        return false;
    d = WideTicks(std::llround(quotient)) * WideTicks(division) - position;
    return true;
}

} // namespace

PastedElements::PastedElements(const QByteArray &text)
{
    m_d.setModel(&m_model);
    change([&] {
        m_d.setType(Keys::Elements, Qmd::IntDict);
        m_elements = m_d.index(Keys::Elements);
        QByteArray bytes = text;
        QBuffer buffer(&bytes);
        buffer.open(QIODevice::ReadOnly);
        QmdVormaImporter importer(&m_model, &buffer);
        importer.importIndex(m_elements);
        // A text holding anything but a dictionary of elements by id.
        if (m_model.type(m_elements) != Qmd::IntDict)
            m_d.setType(m_elements, Qmd::IntDict);
        keepSoundElements();
    });
}

template <typename Change>
void PastedElements::change(Change change)
{
    // Nothing of the scratch work is ever undone.
    m_model.beginRequest(0xFFFFFFFFu, Qmd::NoUndo, QString());
    change();
    m_model.endRequest();
}

int PastedElements::type(const QmdIndex &element) const
{
    return m_model.type(element) == Qmd::StrDict ? m_d.data(Keys::Type, element).toInt() : InvalidElement;
}

QmdIndexList PastedElements::elements() const
{
    return m_d.indexes(m_elements);
}

void PastedElements::keepSoundElements()
{
    QmdItemIdList dropped;
    QSet<QmdItemId> nodes;
    for (const QmdIndex &element : elements()) {
        const int kind = type(element);
        if (kind < EdgeElement || kind > VoiceGroupElement)
            dropped.append(element.itemId());
        else if (kind == NodeElement)
            nodes.insert(element.itemId());
    }
    // Edges and voice groups stand only with the nodes they name.
    auto namesNode = [&](const QmdIndex &element, const QString &key) {
        return nodes.contains(m_d.data(key, element).toUInt());
    };
    for (const QmdIndex &element : elements()) {
        const int kind = type(element);
        if ((kind == EdgeElement && !(namesNode(element, Keys::FromNode) && namesNode(element, Keys::ToNode)))
            || (kind == VoiceGroupElement && !namesNode(element, Keys::ToNode)))
            dropped.append(element.itemId());
    }
    if (!dropped.isEmpty())
        m_model.remove(dropped, m_elements);
}

bool PastedElements::place(const TickPoint &center, quint64 division)
{
    struct Position
    {
        QmdIndex entry;
        TickPoint point;
    };
    QVector<Position> positions;
    TickPoint low;
    TickPoint high;
    int firstNode = -1;
    for (const QmdIndex &element : elements()) {
        const QmdIndex entry = m_d.index(Keys::TickPos, element);
        if (!entry.isValid())
            continue;
        const QVariant value = m_d.data(entry);
        const TickPoint point = value.userType() == qMetaTypeId<TickPoint>() ? value.value<TickPoint>() : TickPoint();
        if (positions.isEmpty()) {
            low = high = point;
        } else {
            low = TickPoint(std::min(low.x, point.x), std::min(low.y, point.y));
            high = TickPoint(std::max(high.x, point.x), std::max(high.y, point.y));
        }
        if (firstNode < 0 && type(element) == NodeElement)
            firstNode = positions.size();
        positions.append({entry, point});
    }

    WideTicks dx = WideTicks(center.x) - (WideTicks(high.x) - low.x) / 2 - low.x;
    WideTicks dy = WideTicks(center.y) - (WideTicks(high.y) - low.y) / 2 - low.y;
    if (firstNode >= 0) {
        const TickPoint &node = positions.at(firstNode).point;
        if (!snapOffset(node.x, division, dx) || !snapOffset(node.y, division, dy))
            return false;
    }

    QHash<QmdIndex, QVariant> moved;
    for (const Position &position : qAsConst(positions)) {
        const WideTicks x = position.point.x + dx;
        const WideTicks y = position.point.y + dy;
        if (!fitsTicks(x) || !fitsTicks(y))
            return false;
        moved.insert(position.entry, QVariant::fromValue(TickPoint(qint64(x), qint64(y))));
    }
    if (!moved.isEmpty())
        change([&] { m_model.setData(moved); });
    return true;
}
