#include "Qmd/QmdElementDocController.h"

namespace {
const QString ElementsKey = QStringLiteral("Elements");
const QString TypeKey = QStringLiteral("Type");
} // namespace

QmdElementDocController::QmdElementDocController(QObject *parent)
    : QmdDocController(parent)
{
}

QmdElementDocController::~QmdElementDocController() = default;

void QmdElementDocController::doReset()
{
    QmdDocController::doReset();
    if (!model())
        return;
    const QmdRequestId rid = nextRequestId();
    beginRequest(rid, Qmd::NoUndo, tr("QmdElementDocController::Reset"));
    if (model()->type(QmdIndex()) != Qmd::StrDict)
        setType(QmdIndex(), Qmd::StrDict);
    setTypeIfInvalid(ElementsKey, Qmd::IntDict);
    m_elements = QmdDirectModelInterface::index(ElementsKey);
    endRequest(rid);
}

QmdItemId QmdElementDocController::addElement(int type, const QHash<QString, QVariant> &data,
                                              const QHash<QString, Qmd::ContainerType> &types)
{
    const QmdItemId id = addType(Qmd::StrDict, m_elements);
    const QmdIndex element = QmdDirectModelInterface::index(id, m_elements);
    if (!element.isValid())
        return id;
    QHash<QString, QVariant> values = data;
    values.insert(TypeKey, type);
    model()->setData(values, element);
    if (!types.isEmpty())
        model()->setTypes(types, element);
    return id;
}

QmdIndex QmdElementDocController::currentElements() const
{
    return index(ElementsKey, QmdIndex());
}

bool QmdElementDocController::isElement(const QmdIndex &index) const
{
    // A missing `Elements` looks up as the default index, which is also
    // every entry's answer for "no parent": it must match nothing.
    const QmdIndex elements = currentElements();
    return elements.namesEntry() && parent(index) == elements;
}

void QmdElementDocController::receivedItemsChanged(const QmdIndex &parent, const QmdItemIdList &idList,
                                                   QmdRequestId rid)
{
    const QmdIndex elements = currentElements();
    if (elements.namesEntry() && parent == elements)
        emit elementsAdded(idList, rid);
    QmdDocController::receivedItemsChanged(parent, idList, rid);
}

void QmdElementDocController::receivedItemsRemoved(const QmdIndex &parent, const QmdItemIdList &idList,
                                                   QmdRequestId rid)
{
    const QmdIndex elements = currentElements();
    if (elements.namesEntry() && parent == elements)
        emit elementsRemoved(idList, rid);
    QmdDocController::receivedItemsRemoved(parent, idList, rid);
}

void QmdElementDocController::receivedItemsChanged(const QmdIndex &parent, const QStringList &keys,
                                                   QmdRequestId rid)
{
    if (isElement(parent))
        emit elementDataChanged(parent.itemId(), keys, rid);
    QmdDocController::receivedItemsChanged(parent, keys, rid);
}

void QmdElementDocController::receivedItemsRemoved(const QmdIndex &parent, const QStringList &keys,
                                                   QmdRequestId rid)
{
    if (isElement(parent))
        emit elementDataRemoved(parent.itemId(), keys, rid);
    QmdDocController::receivedItemsRemoved(parent, keys, rid);
}
