#include "Qmd/QmdMemModel.h"

#include <QDebug>

#include <algorithm>
#include <map>
#include <utility>

namespace {

bool isNullKey(QmdItemId id)
{
    return id == 0;
}

bool isNullKey(const QString &key)
{
    return key.isEmpty();
}

void noteWritten(QmdMemModel::IntDictSpecialItem *node, QmdItemId id)
{
    node->lastIssuedId = id;
}

void noteWritten(QmdMemModel::StrDictSpecialItem *, const QString &)
{
}

// Signals name the root dictionary by the default index, whatever index the
// caller used for it.
QmdIndex announcedParent(const QmdIndex &parent)
{
    return parent.namesEntry() ? parent : QmdIndex();
}

QmdMemModel::IntDictSpecialItem::Entries toEntries(const QHash<QmdItemId, QVariant> &values)
{
    QmdMemModel::IntDictSpecialItem::Entries entries;
    for (auto it = values.cbegin(); it != values.cend(); ++it)
        entries.insert(it.key(), it.value());
    return entries;
}

void ignoreStaleIndex(const char *operation, const QmdIndex &index)
{
    qDebug() << "QmdMemModel:" << operation
             << "ignores an index that is stale or belongs to another model:" << index;
}

} // namespace

// ---------------------------------------------------------------------------
// Undo commands

class QmdMemModel::QmdCommand
{
public:
    explicit QmdCommand(QmdMemModel *model_)
        : model(model_), requestId(model_->requestId()), flags(model_->requestFlags()),
          text(model_->requestUndoText())
    {
    }
    virtual ~QmdCommand() = default;
    QmdCommand(const QmdCommand &) = delete;
    QmdCommand &operator=(const QmdCommand &) = delete;

    virtual void redo()
    {
        for (auto &child : children)
            child->redo();
        undone = false;
    }

    virtual void undo()
    {
        for (auto it = children.rbegin(); it != children.rend(); ++it)
            (*it)->undo();
        undone = true;
    }

    QmdMemModel *const model;
    const QmdRequestId requestId;
    const Qmd::RequestFlags flags;
    const QString text;
    bool undone = true;
    // The later commands of the same step, in the order they came.
    std::vector<std::unique_ptr<QmdCommand>> children;
};

// A command holds exactly those values of its change that are not in the
// tree, so every dictionary has one owner: the tree or one command.

template <typename Key, typename Node>
class QmdMemModel::QmdSetCommand : public QmdCommand
{
public:
    using Entries = typename Node::Entries;
    using KeyList = typename Node::KeyList;

    QmdSetCommand(QmdMemModel *model_, const QmdIndex &parent_, Entries values)
        : QmdCommand(model_), newValues(std::move(values)), parent(parent_)
    {
    }

    ~QmdSetCommand() override
    {
        for (const QVariant &value : qAsConst(newValues))
            model->deleteSpecialItem(value);
        for (const QVariant &value : qAsConst(oldValues))
            model->deleteSpecialItem(value);
    }

    void redo() override
    {
        // A dictionary that unrecorded changes took away is left alone, and
        // so is every other one.
        if (Node *node = model->writeTarget<Node>(parent)) {
            for (auto it = newValues.cbegin(); it != newValues.cend(); ++it) {
                const auto found = node->entries.constFind(it.key());
                if (found != node->entries.cend())
                    oldValues.insert(it.key(), found.value());
                else
                    addedKeys.append(it.key());
            }
            model->rawSet(newValues, parent);
            newValues.clear();
        }
        QmdCommand::redo();
    }

    void undo() override
    {
        QmdCommand::undo();
        if (Node *node = model->writeTarget<Node>(parent)) {
            for (auto it = oldValues.cbegin(); it != oldValues.cend(); ++it)
                newValues.insert(it.key(), node->entries.value(it.key()));
            for (const Key &key : qAsConst(addedKeys))
                newValues.insert(key, node->entries.value(key));
            model->rawRemove(addedKeys, parent);
            model->rawSet(oldValues, parent);
            oldValues.clear();
            addedKeys.clear();
        }
    }

    Entries newValues;
    Entries oldValues;
    KeyList addedKeys;
    const QmdIndex parent;
};

template <typename Key, typename Node>
class QmdMemModel::QmdRemoveCommand : public QmdCommand
{
public:
    using Entries = typename Node::Entries;
    using KeyList = typename Node::KeyList;

    QmdRemoveCommand(QmdMemModel *model_, const QmdIndex &parent_, const KeyList &keys_)
        : QmdCommand(model_), keys(keys_), parent(parent_)
    {
    }

    ~QmdRemoveCommand() override
    {
        for (const QVariant &value : qAsConst(removedValues))
            model->deleteSpecialItem(value);
    }

    void redo() override
    {
        if (Node *node = model->writeTarget<Node>(parent)) {
            for (const Key &key : qAsConst(keys)) {
                const auto found = node->entries.constFind(key);
                if (found != node->entries.cend())
                    removedValues.insert(key, found.value());
            }
            model->rawRemove(keys, parent);
            keys.clear();
        }
        QmdCommand::redo();
    }

    void undo() override
    {
        QmdCommand::undo();
        if (Node *node = model->writeTarget<Node>(parent)) {
            keys = removedValues.keys();
            // Entries that unrecorded changes put in the removed places since
            // belong to nobody once overwritten.
            QList<QVariant> displaced;
            for (const Key &key : qAsConst(keys)) {
                const auto found = node->entries.constFind(key);
                if (found != node->entries.cend() && nodeOf(found.value()))
                    displaced.append(found.value());
            }
            model->rawSet(removedValues, parent);
            removedValues.clear();
            model->deleteSpecialItems(displaced);
        }
    }

    KeyList keys;
    Entries removedValues;
    const QmdIndex parent;
};

class QmdMemModel::QmdSetRootCommand : public QmdCommand
{
public:
    QmdSetRootCommand(QmdMemModel *model_, const QVariant &value_)
        : QmdCommand(model_), value(value_)
    {
    }

    ~QmdSetRootCommand() override { model->deleteSpecialItem(value); }

    void redo() override
    {
        exchange();
        QmdCommand::redo();
    }

    void undo() override
    {
        QmdCommand::undo();
        exchange();
    }

    QVariant value; // the root that is not current

private:
    void exchange()
    {
        std::swap(model->m_root, value);
        emit model->rootChanged(model->requestId());
    }
};

// ---------------------------------------------------------------------------
// Nodes, construction

QmdMemModel::IntDictSpecialItem::IntDictSpecialItem(const QmdIndex &location_, QmdMemModel *owner_)
    : SpecialItem(Qmd::IntDict, location_, owner_)
{
}

QmdMemModel::StrDictSpecialItem::StrDictSpecialItem(const QmdIndex &location_, QmdMemModel *owner_)
    : SpecialItem(Qmd::StrDict, location_, owner_)
{
}

QmdMemModel::QmdMemModel(QObject *parent)
    : QmdModel(parent)
{
}

QmdMemModel::QmdMemModel(Qmd::ContainerType type, QObject *parent)
    : QmdModel(parent)
{
    m_root = makeContainer(type, QmdIndex());
}

QmdMemModel::~QmdMemModel()
{
    m_cleanMarker = nullptr;
    m_redoStack.clear();
    m_undoStack.clear();
    deleteSpecialItem(m_root);
    m_root = QVariant();
}

// ---------------------------------------------------------------------------
// Resolving indexes

QmdMemModel::SpecialItem *QmdMemModel::nodeOf(const QVariant &value)
{
    if (value.userType() != qMetaTypeId<SpecialItemStar>())
        return nullptr;
    return *static_cast<const SpecialItemStar *>(value.constData());
}

bool QmdMemModel::isValid(const QmdIndex &index) const
{
    if (index.model() != this || !index.namesEntry())
        return false;
    SpecialItem *holder = index.holder();
    // Only a live node is dereferenced; its serial tells it from a freed
    // node whose address it inherited.
    return !holder || (m_liveNodes.contains(holder) && holder->serial == index.holderSerial());
}

// The stored value of an entry named by a valid index.
QVariant QmdMemModel::lookup(const QmdIndex &index) const
{
    const SpecialItem *holder = index.holder();
    if (!holder)
        return QVariant();
    if (holder->type == Qmd::IntDict)
        return static_cast<const IntDictSpecialItem *>(holder)->entries.value(index.itemId());
    return static_cast<const StrDictSpecialItem *>(holder)->entries.value(index.key());
}

QVariant QmdMemModel::rawData(const QmdIndex &index) const
{
    return isValid(index) ? lookup(index) : m_root;
}

QmdMemModel::SpecialItem *QmdMemModel::queryNode(const QmdIndex &index) const
{
    return nodeOf(rawData(index));
}

// The dictionary a write at `parent` goes to. Unlike the queries, an index
// that names an entry which is gone (or of another model) does not fall back
// to the root: writing there would damage an unrelated part of the document.
template <typename Node>
Node *QmdMemModel::writeTarget(const QmdIndex &parent) const
{
    QVariant value;
    if (!parent.namesEntry()) {
        value = m_root;
    } else if (isValid(parent)) {
        value = lookup(parent);
    } else {
        ignoreStaleIndex("write", parent);
        return nullptr;
    }
    SpecialItem *node = nodeOf(value);
    return node && node->type == Node::Kind ? static_cast<Node *>(node) : nullptr;
}

// ---------------------------------------------------------------------------
// Queries

QmdIndex QmdMemModel::index(const QString &key, const QmdIndex &parent) const
{
    SpecialItem *node = queryNode(parent);
    if (node && node->type == Qmd::StrDict
        && static_cast<StrDictSpecialItem *>(node)->entries.contains(key))
        return createIndex(key, node);
    return QmdIndex();
}

QmdIndex QmdMemModel::index(QmdItemId id, const QmdIndex &parent) const
{
    SpecialItem *node = queryNode(parent);
    if (node && node->type == Qmd::IntDict
        && static_cast<IntDictSpecialItem *>(node)->entries.contains(id))
        return createIndex(id, node);
    return QmdIndex();
}

QmdIndex QmdMemModel::parent(const QmdIndex &index) const
{
    if (isValid(index) && index.holder())
        return index.holder()->location;
    return QmdIndex();
}

bool QmdMemModel::hasChildren(const QmdIndex &index) const
{
    const SpecialItem *node = queryNode(index);
    if (!node)
        return false;
    if (node->type == Qmd::IntDict)
        return !static_cast<const IntDictSpecialItem *>(node)->entries.isEmpty();
    return !static_cast<const StrDictSpecialItem *>(node)->entries.isEmpty();
}

QmdIndexList QmdMemModel::indexes(const QmdIndex &parent) const
{
    QmdIndexList result;
    SpecialItem *node = queryNode(parent);
    if (!node)
        return result;
    if (node->type == Qmd::IntDict) {
        const auto &entries = static_cast<IntDictSpecialItem *>(node)->entries;
        result.reserve(entries.size());
        for (auto it = entries.cbegin(); it != entries.cend(); ++it)
            result.append(createIndex(it.key(), node));
    } else {
        const auto &entries = static_cast<StrDictSpecialItem *>(node)->entries;
        result.reserve(entries.size());
        for (auto it = entries.cbegin(); it != entries.cend(); ++it)
            result.append(createIndex(it.key(), node));
    }
    return result;
}

QVariant QmdMemModel::data(const QmdIndex &index) const
{
    const QVariant value = rawData(index);
    return nodeOf(value) ? QVariant() : value;
}

Qmd::ContainerType QmdMemModel::type(const QmdIndex &index) const
{
    const SpecialItem *node = queryNode(index);
    return node ? Qmd::ContainerType(node->type) : Qmd::NoContainer;
}

QmdItemIdList QmdMemModel::itemIds(const QmdIndex &parent) const
{
    const SpecialItem *node = queryNode(parent);
    if (!node || node->type != Qmd::IntDict)
        return QmdItemIdList();
    return static_cast<const IntDictSpecialItem *>(node)->entries.keys();
}

QStringList QmdMemModel::keys(const QmdIndex &parent) const
{
    const SpecialItem *node = queryNode(parent);
    if (!node || node->type != Qmd::StrDict)
        return QStringList();
    return static_cast<const StrDictSpecialItem *>(node)->entries.keys();
}

// ---------------------------------------------------------------------------
// Nodes and ids

QVariant QmdMemModel::makeContainer(Qmd::ContainerType type, const QmdIndex &location)
{
    SpecialItem *node = nullptr;
    if (type == Qmd::IntDict)
        node = new IntDictSpecialItem(location, this);
    else if (type == Qmd::StrDict)
        node = new StrDictSpecialItem(location, this);
    else
        return QVariant();
    m_liveNodes.insert(node);
    return QVariant::fromValue<SpecialItemStar>(node);
}

void QmdMemModel::deleteSpecialItems(const QList<QVariant> &values)
{
    for (const QVariant &value : values)
        deleteSpecialItem(value);
}

// Frees the dictionary with everything nested in it, without recursion, so
// that deep documents cannot exhaust the stack.
void QmdMemModel::deleteSpecialItem(const QVariant &value)
{
    SpecialItem *first = nodeOf(value);
    if (!first)
        return;
    std::vector<SpecialItem *> pending{first};
    while (!pending.empty()) {
        SpecialItem *node = pending.back();
        pending.pop_back();
        m_liveNodes.remove(node);
        if (node->type == Qmd::IntDict) {
            for (const QVariant &entry : qAsConst(static_cast<IntDictSpecialItem *>(node)->entries))
                if (SpecialItem *nested = nodeOf(entry))
                    pending.push_back(nested);
        } else {
            for (const QVariant &entry : qAsConst(static_cast<StrDictSpecialItem *>(node)->entries))
                if (SpecialItem *nested = nodeOf(entry))
                    pending.push_back(nested);
        }
        delete node;
    }
}

QmdItemId QmdMemModel::registerNewItemId(IntDictSpecialItem *node)
{
    constexpr QmdItemId last = 0xFFFFFFFFu;
    QmdItemId candidate = node->lastIssuedId == last ? 1 : node->lastIssuedId + 1;
    bool wrapped = false;
    while (node->entries.contains(candidate)) {
        if (candidate == last) {
            if (wrapped) {
                qDebug() << "registerNewItemId: item IDs have been exhausted for the given hash";
                return 0;
            }
            wrapped = true;
            candidate = 1;
        } else {
            ++candidate;
        }
    }
    node->lastIssuedId = candidate;
    return candidate;
}

// ---------------------------------------------------------------------------
// Low-level writes

template <typename Node>
void QmdMemModel::rawSetEntries(const typename Node::Entries &values, const QmdIndex &parent)
{
    Node *node = writeTarget<Node>(parent);
    if (!node)
        return;
    using KeyList = typename Node::KeyList;

    // Dictionaries being replaced are announced as removed first.
    KeyList replaced;
    for (auto it = values.cbegin(); it != values.cend(); ++it) {
        if (isNullKey(it.key()))
            continue;
        const auto found = node->entries.constFind(it.key());
        if (found != node->entries.cend() && nodeOf(found.value()))
            replaced.append(it.key());
    }
    if (!replaced.isEmpty())
        rawRemove(replaced, parent);

    KeyList written;
    written.reserve(values.size());
    for (auto it = values.cbegin(); it != values.cend(); ++it) {
        if (isNullKey(it.key()))
            continue;
        noteWritten(node, it.key());
        node->entries.insert(it.key(), it.value());
        written.append(it.key());
    }
    if (!written.isEmpty())
        emit itemsChanged(announcedParent(parent), written, requestId());
}

template <typename Node>
void QmdMemModel::rawRemoveEntries(const typename Node::KeyList &keys, const QmdIndex &parent)
{
    Node *node = writeTarget<Node>(parent);
    if (!node)
        return;
    typename Node::KeyList removed;
    for (const auto &key : keys) {
        const auto found = node->entries.find(key);
        if (found != node->entries.end()) {
            node->entries.erase(found);
            removed.append(key);
        }
    }
    if (!removed.isEmpty())
        emit itemsRemoved(announcedParent(parent), removed, requestId());
}

void QmdMemModel::rawSet(const IntDictSpecialItem::Entries &values, const QmdIndex &parent)
{
    rawSetEntries<IntDictSpecialItem>(values, parent);
}

void QmdMemModel::rawSet(const StrDictSpecialItem::Entries &values, const QmdIndex &parent)
{
    rawSetEntries<StrDictSpecialItem>(values, parent);
}

void QmdMemModel::rawRemove(const QmdItemIdList &ids, const QmdIndex &parent)
{
    rawRemoveEntries<IntDictSpecialItem>(ids, parent);
}

void QmdMemModel::rawRemove(const QStringList &keys, const QmdIndex &parent)
{
    rawRemoveEntries<StrDictSpecialItem>(keys, parent);
}

// ---------------------------------------------------------------------------
// Edit operations: each builds commands and files them.

template <typename Node>
void QmdMemModel::fileSet(typename Node::Entries values, const QmdIndex &parent)
{
    if (!writeTarget<Node>(parent))
        return;
    pushCommand(new QmdSetCommand<typename Node::Key, Node>(this, announcedParent(parent),
                                                            std::move(values)));
}

template <typename Node>
void QmdMemModel::fileRemove(const typename Node::KeyList &keys, const QmdIndex &parent)
{
    if (!writeTarget<Node>(parent))
        return;
    pushCommand(new QmdRemoveCommand<typename Node::Key, Node>(this, announcedParent(parent), keys));
}

void QmdMemModel::fileSetRoot(const QVariant &value)
{
    pushCommand(new QmdSetRootCommand(this, value));
}

template <typename Make>
QmdItemIdList QmdMemModel::addEntries(int count, const QmdIndex &parent, Make make)
{
    IntDictSpecialItem *node = writeTarget<IntDictSpecialItem>(parent);
    if (!node)
        return QmdItemIdList();
    IntDictSpecialItem::Entries values;
    QmdItemIdList ids; // in the order of the values, which a wrap of the ids
                       // would not keep
    ids.reserve(count);
    for (int i = 0; i < count; ++i) {
        const QmdItemId id = registerNewItemId(node);
        if (!id)
            break;
        values.insert(id, make(i, id, node));
        ids.append(id);
    }
    fileSet<IntDictSpecialItem>(std::move(values), parent);
    return requestStatus() == 0 ? ids : QmdItemIdList();
}

QmdItemIdList QmdMemModel::addData(const QList<QVariant> &values, const QmdIndex &parent)
{
    return addEntries(values.size(), parent,
                      [&values](int i, QmdItemId, IntDictSpecialItem *) { return values.at(i); });
}

QmdItemIdList QmdMemModel::addTypes(const QList<Qmd::ContainerType> &types, const QmdIndex &parent)
{
    return addEntries(types.size(), parent, [this, &types](int i, QmdItemId id, IntDictSpecialItem *node) {
        return makeContainer(types.at(i), createIndex(id, node));
    });
}

void QmdMemModel::setData(const QHash<QmdItemId, QVariant> &values, const QmdIndex &parent)
{
    if (writeTarget<IntDictSpecialItem>(parent))
        fileSet<IntDictSpecialItem>(toEntries(values), parent);
}

void QmdMemModel::setData(const QHash<QString, QVariant> &values, const QmdIndex &parent)
{
    fileSet<StrDictSpecialItem>(values, parent);
}

template <typename Node>
void QmdMemModel::setTypesAt(const QHash<typename Node::Key, Qmd::ContainerType> &types,
                             const QmdIndex &parent)
{
    Node *node = writeTarget<Node>(parent);
    if (!node)
        return;
    typename Node::Entries values;
    for (auto it = types.cbegin(); it != types.cend(); ++it) {
        // A dictionary made for a key that is never stored would belong to no one.
        values.insert(it.key(), isNullKey(it.key())
                                    ? QVariant()
                                    : makeContainer(it.value(), createIndex(it.key(), node)));
    }
    fileSet<Node>(std::move(values), parent);
}

void QmdMemModel::setTypes(const QHash<QmdItemId, Qmd::ContainerType> &types, const QmdIndex &parent)
{
    setTypesAt<IntDictSpecialItem>(types, parent);
}

void QmdMemModel::setTypes(const QHash<QString, Qmd::ContainerType> &types, const QmdIndex &parent)
{
    setTypesAt<StrDictSpecialItem>(types, parent);
}

// Sorts index-keyed writes by the dictionary holding each entry: the root
// first (at once, through onRoot), then one write per integer-keyed holder,
// then one per string-keyed holder, each group at the holder's location. The
// groups go in the order the holders were made, so the outcome does not
// depend on hash order.
template <typename Value, typename OnRoot, typename Write>
void QmdMemModel::writeByHolder(const QHash<QmdIndex, Value> &values, OnRoot onRoot, Write write)
{
    std::map<quint64, std::pair<SpecialItem *, QHash<QmdItemId, Value>>> intGroups;
    std::map<quint64, std::pair<SpecialItem *, QHash<QString, Value>>> strGroups;
    for (auto it = values.cbegin(); it != values.cend(); ++it) {
        const QmdIndex &index = it.key();
        if (!isValid(index)) {
            if (index.namesEntry())
                ignoreStaleIndex("write", index);
            else
                onRoot(it.value());
            continue;
        }
        SpecialItem *holder = index.holder();
        if (!holder)
            continue;
        if (holder->type == Qmd::IntDict) {
            auto &group = intGroups[holder->serial];
            group.first = holder;
            group.second.insert(index.itemId(), it.value());
        } else {
            auto &group = strGroups[holder->serial];
            group.first = holder;
            group.second.insert(index.key(), it.value());
        }
    }
    for (const auto &group : intGroups)
        write(group.second.second, group.second.first->location);
    for (const auto &group : strGroups)
        write(group.second.second, group.second.first->location);
}

void QmdMemModel::setData(const QHash<QmdIndex, QVariant> &values)
{
    writeByHolder(values, [this](const QVariant &value) { fileSetRoot(value); },
                  [this](const auto &group, const QmdIndex &location) { setData(group, location); });
}

void QmdMemModel::setTypes(const QHash<QmdIndex, Qmd::ContainerType> &types)
{
    writeByHolder(
        types, [this](Qmd::ContainerType type) { fileSetRoot(makeContainer(type, QmdIndex())); },
        [this](const auto &group, const QmdIndex &location) { setTypes(group, location); });
}

void QmdMemModel::remove(const QmdItemIdList &ids, const QmdIndex &parent)
{
    fileRemove<IntDictSpecialItem>(ids, parent);
}

void QmdMemModel::remove(const QStringList &keys, const QmdIndex &parent)
{
    fileRemove<StrDictSpecialItem>(keys, parent);
}

void QmdMemModel::remove(const QmdIndexList &indexes)
{
    std::map<quint64, std::pair<SpecialItem *, QmdItemIdList>> intGroups;
    std::map<quint64, std::pair<SpecialItem *, QStringList>> strGroups;
    for (const QmdIndex &index : indexes) {
        if (!isValid(index)) {
            if (index.namesEntry())
                ignoreStaleIndex("remove", index);
            else
                clear(QmdIndex());
            continue;
        }
        SpecialItem *holder = index.holder();
        if (!holder)
            continue;
        if (holder->type == Qmd::IntDict) {
            auto &group = intGroups[holder->serial];
            group.first = holder;
            group.second.append(index.itemId());
        } else {
            auto &group = strGroups[holder->serial];
            group.first = holder;
            group.second.append(index.key());
        }
    }
    for (const auto &group : intGroups)
        remove(group.second.second, group.second.first->location);
    for (const auto &group : strGroups)
        remove(group.second.second, group.second.first->location);
}

void QmdMemModel::clear(const QmdIndex &index)
{
    if (isValid(index)) {
        const SpecialItem *node = nodeOf(lookup(index));
        if (node && node->type == Qmd::IntDict)
            remove(static_cast<const IntDictSpecialItem *>(node)->entries.keys(), index);
        else if (node)
            remove(QStringList(static_cast<const StrDictSpecialItem *>(node)->entries.keys()), index);
    } else if (!index.namesEntry()) {
        // The document then holds nothing at all; the old root goes with
        // everything in it into the command.
        fileSetRoot(QVariant());
    } else {
        ignoreStaleIndex("clear", index);
    }
}

// ---------------------------------------------------------------------------
// History

void QmdMemModel::pushCommand(QmdCommand *command)
{
    std::unique_ptr<QmdCommand> owned(command);
    captureUndoState();
    if (owned->flags.testFlag(Qmd::NoUndo)) {
        owned->redo();
        owned.reset(); // frees what it replaced
    } else {
        deleteRedoSteps(m_redoStack.size());
        if (!m_undoStack.empty() && m_undoStack.back()->requestId == owned->requestId) {
            auto &children = m_undoStack.back()->children;
            children.push_back(std::move(owned));
            children.back()->redo();
        } else {
            m_undoStack.push_back(std::move(owned));
            QmdCommand *step = m_undoStack.back().get();
            const int limit = undoRedoLimit();
            if (limit > 0 && undoRedoCount() > limit)
                dropBottomUndoSteps(1);
            step->redo();
        }
    }
    emitUndoStateChanges();
}

// Deletes the `count` farthest redo steps.
void QmdMemModel::deleteRedoSteps(std::size_t count)
{
    for (std::size_t i = 0; i < count; ++i) {
        if (m_redoStack[i].get() == m_cleanMarker) {
            // The marked state can no longer be reached.
            m_cleanMarker = nullptr;
            m_cleanUnreachable = true;
        }
        m_redoStack[i].reset();
    }
    m_redoStack.erase(m_redoStack.begin(), m_redoStack.begin() + count);
}

// Deletes the `count` oldest undo steps.
void QmdMemModel::dropBottomUndoSteps(std::size_t count)
{
    for (std::size_t i = 0; i < count; ++i) {
        if (m_undoStack[i].get() == m_cleanMarker) {
            // Undoing every remaining step still returns to the marked state.
            m_cleanMarker = nullptr;
        } else if (!m_cleanMarker) {
            // The marked state was the one before this step, which no undo
            // reaches any more.
            m_cleanUnreachable = true;
        }
        m_undoStack[i].reset();
    }
    m_undoStack.erase(m_undoStack.begin(), m_undoStack.begin() + count);
}

void QmdMemModel::undo()
{
    captureUndoState();
    if (!m_undoStack.empty()) {
        std::unique_ptr<QmdCommand> step = std::move(m_undoStack.back());
        m_undoStack.pop_back();
        step->undo();
        m_redoStack.push_back(std::move(step));
    }
    emitUndoStateChanges();
}

void QmdMemModel::redo()
{
    captureUndoState();
    if (!m_redoStack.empty()) {
        std::unique_ptr<QmdCommand> step = std::move(m_redoStack.back());
        m_redoStack.pop_back();
        step->redo();
        m_undoStack.push_back(std::move(step));
    }
    emitUndoStateChanges();
}

void QmdMemModel::setUndoRedoLimit(int limit)
{
    QmdModel::setUndoRedoLimit(limit);
    if (limit <= 0 || undoRedoCount() <= limit)
        return;
    captureUndoState();
    std::size_t excess = std::size_t(undoRedoCount() - limit);
    const std::size_t fromRedo = std::min(excess, m_redoStack.size());
    deleteRedoSteps(fromRedo);
    dropBottomUndoSteps(excess - fromRedo);
    emitUndoStateChanges();
}

bool QmdMemModel::isAtCleanState() const
{
    if (m_cleanUnreachable)
        return false;
    if (m_undoStack.empty())
        return !m_cleanMarker;
    return m_undoStack.back().get() == m_cleanMarker;
}

void QmdMemModel::markAsCleanState()
{
    captureUndoState();
    m_cleanMarker = m_undoStack.empty() ? nullptr : m_undoStack.back().get();
    m_cleanUnreachable = false;
    emitUndoStateChanges();
}

int QmdMemModel::undoRedoCount() const
{
    return int(m_undoStack.size() + m_redoStack.size());
}

bool QmdMemModel::canRedo() const
{
    return !m_redoStack.empty();
}

bool QmdMemModel::canUndo() const
{
    return !m_undoStack.empty();
}

const QString &QmdMemModel::redoText() const
{
    return m_redoStack.empty() ? QmdModel::redoText() : m_redoStack.back()->text;
}

const QString &QmdMemModel::undoText() const
{
    return m_undoStack.empty() ? QmdModel::undoText() : m_undoStack.back()->text;
}

void QmdMemModel::captureUndoState()
{
    m_captured.captured = true;
    m_captured.clean = isAtCleanState();
    m_captured.canRedo = canRedo();
    m_captured.canUndo = canUndo();
    m_captured.redoText = redoText();
    m_captured.undoText = undoText();
}

void QmdMemModel::emitUndoStateChanges()
{
    const CapturedState before = std::exchange(m_captured, CapturedState());
    const QmdRequestId rid = requestId();
    if (isAtCleanState() != before.clean)
        emit atCleanStateChanged(isAtCleanState(), rid);
    if (canRedo() != before.canRedo)
        emit canRedoChanged(canRedo(), rid);
    if (canUndo() != before.canUndo)
        emit canUndoChanged(canUndo(), rid);
    if (redoText() != before.redoText)
        emit redoTextChanged(redoText(), rid);
    if (undoText() != before.undoText)
        emit undoTextChanged(undoText(), rid);
}
