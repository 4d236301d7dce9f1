#include "Qmd/QmdMemModel.h"

#include <QDebug>

#include <algorithm>
#include <map>
#include <utility>

namespace {

using IntValues = QmdMemModel::IntDictSpecialItem::Values;
using StrValues = QmdMemModel::StrDictSpecialItem::Values;

bool isNullKey(QmdItemId id)
{
    return id == 0;
}

bool isNullKey(const QString &key)
{
    return key.isEmpty();
}

template <typename Entry>
bool byKey(const Entry &a, const Entry &b)
{
    return a.first < b.first;
}

// Batches of integer-keyed entries are written in ascending id order, so the
// last issued id after a write is always the largest id written.
void sortBatch(IntValues &values)
{
    if (!std::is_sorted(values.cbegin(), values.cend(), byKey<IntValues::value_type>))
        std::sort(values.begin(), values.end(), byKey<IntValues::value_type>);
}

void sortBatch(StrValues &)
{
}

// Restores the order of a batch whose two halves, split at `middle`, are
// each in order.
void mergeBatch(IntValues &values, std::size_t middle)
{
    std::inplace_merge(values.begin(), values.begin() + std::ptrdiff_t(middle), values.end(),
                       byKey<IntValues::value_type>);
}

void mergeBatch(StrValues &, std::size_t)
{
}

template <typename Key>
std::vector<std::pair<Key, QVariant>> toBatch(const QHash<Key, QVariant> &values)
{
    std::vector<std::pair<Key, QVariant>> batch;
    batch.reserve(std::size_t(values.size()));
    for (auto it = values.cbegin(); it != values.cend(); ++it)
        batch.emplace_back(it.key(), it.value());
    sortBatch(batch);
    return batch;
}

void noteWritten(QmdMemModel::IntDictSpecialItem *node, QmdItemId id)
{
    node->lastIssuedId = id;
}

void noteWritten(QmdMemModel::StrDictSpecialItem *, const QString &)
{
}

QVariant valueOrInvalid(const QVariant *value)
{
    return value ? *value : QVariant();
}

// Signals name the root dictionary by the default index, whatever index the
// caller used for it.
QmdIndex announcedParent(const QmdIndex &parent)
{
    return parent.namesEntry() ? parent : QmdIndex();
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
    using Values = typename Node::Values;
    using KeyList = typename Node::KeyList;

    QmdSetCommand(QmdMemModel *model_, const QmdIndex &parent_, Values values)
        : QmdCommand(model_), newValues(std::move(values)), parent(parent_)
    {
    }

    ~QmdSetCommand() override
    {
        for (const auto &entry : newValues)
            model->deleteSpecialItem(entry.second);
        for (const auto &entry : oldValues)
            model->deleteSpecialItem(entry.second);
    }

    void redo() override
    {
        // A dictionary that unrecorded changes took away is left alone, and
        // so is every other one.
        if (Node *node = model->writeTarget<Node>(parent)) {
            std::size_t hint = 0;
            for (const auto &entry : newValues) {
                if (const QVariant *current = node->find(entry.first, hint))
                    oldValues.emplace_back(entry.first, *current);
                else
                    addedKeys.append(entry.first);
            }
            model->rawSetEntries(node, std::move(newValues), parent);
            newValues.clear();
        }
        QmdCommand::redo();
    }

    void undo() override
    {
        QmdCommand::undo();
        if (Node *node = model->writeTarget<Node>(parent)) {
            newValues.reserve(oldValues.size() + std::size_t(addedKeys.size()));
            std::size_t hint = 0;
            for (const auto &entry : oldValues)
                newValues.emplace_back(entry.first, valueOrInvalid(node->find(entry.first, hint)));
            const std::size_t middle = newValues.size();
            hint = 0;
            for (const Key &key : qAsConst(addedKeys))
                newValues.emplace_back(key, valueOrInvalid(node->find(key, hint)));
            mergeBatch(newValues, middle);
            model->rawRemoveEntries(node, addedKeys, parent, nullptr);
            model->rawSetEntries(node, std::move(oldValues), parent);
            oldValues.clear();
            addedKeys.clear();
        }
    }

    Values newValues;
    Values oldValues;
    KeyList addedKeys;
    const QmdIndex parent;
};

template <typename Key, typename Node>
class QmdMemModel::QmdRemoveCommand : public QmdCommand
{
public:
    using Values = typename Node::Values;
    using KeyList = typename Node::KeyList;

    QmdRemoveCommand(QmdMemModel *model_, const QmdIndex &parent_, const KeyList &keys_)
        : QmdCommand(model_), keys(keys_), parent(parent_)
    {
    }

    ~QmdRemoveCommand() override
    {
        for (const auto &entry : removedValues)
            model->deleteSpecialItem(entry.second);
    }

    void redo() override
    {
        if (Node *node = model->writeTarget<Node>(parent)) {
            model->rawRemoveEntries(node, keys, parent, &removedValues);
            keys.clear();
        }
        QmdCommand::redo();
    }

    void undo() override
    {
        QmdCommand::undo();
        if (Node *node = model->writeTarget<Node>(parent)) {
            sortBatch(removedValues);
            keys.clear();
            // Entries that unrecorded changes put in the removed places since
            // belong to nobody once overwritten.
            QList<QVariant> displaced;
            std::size_t hint = 0;
            for (const auto &entry : removedValues) {
                keys.append(entry.first);
                const QVariant *current = node->find(entry.first, hint);
                if (current && nodeOf(*current))
                    displaced.append(*current);
            }
            model->rawSetEntries(node, std::move(removedValues), parent);
            removedValues.clear();
            model->deleteSpecialItems(displaced);
        }
    }

    KeyList keys;
    Values removedValues;
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

template <typename KeyType>
const QVariant *QmdMemModel::SortedEntries<KeyType>::find(const KeyType &key) const
{
    if (entries.empty() || entries.back().first < key)
        return nullptr; // the common probe for a fresh id
    const auto it = std::lower_bound(entries.cbegin(), entries.cend(), key,
                                     [](const Entry &entry, const KeyType &k) { return entry.first < k; });
    return it != entries.cend() && it->first == key ? &it->second : nullptr;
}

template <typename KeyType>
const QVariant *QmdMemModel::SortedEntries<KeyType>::find(const KeyType &key, std::size_t &hint) const
{
    hint = seek(key, hint);
    return hint < entries.size() && entries[hint].first == key ? &entries[hint].second : nullptr;
}

// The position of the first entry whose key is not below `key`. The search
// gallops forward from `from` and starts over only for a key behind it.
template <typename KeyType>
std::size_t QmdMemModel::SortedEntries<KeyType>::seek(const KeyType &key, std::size_t from) const
{
    const std::size_t count = entries.size();
    from = std::min(from, count);
    if (from > 0 && !(entries[from - 1].first < key))
        from = 0;
    std::size_t low = from; // every entry before low has a smaller key
    std::size_t high = from;
    std::size_t step = 1;
    while (high < count && entries[high].first < key) {
        low = high + 1;
        high = from + step;
        step *= 2;
    }
    const auto begin = entries.cbegin();
    const auto it = std::lower_bound(begin + std::ptrdiff_t(low), begin + std::ptrdiff_t(std::min(high, count)),
                                     key, [](const Entry &entry, const KeyType &k) { return entry.first < k; });
    return std::size_t(it - begin);
}

template <typename KeyType>
void QmdMemModel::SortedEntries<KeyType>::write(Values &&values)
{
    if (entries.empty())
        entries = std::move(values); // a new dictionary's first write: no copy
    else
        write(values.cbegin(), values.cend());
}

template <typename KeyType>
void QmdMemModel::SortedEntries<KeyType>::write(typename Values::const_iterator first,
                                                typename Values::const_iterator last)
{
    if (first == last)
        return;
    if (entries.empty() || entries.back().first < first->first) {
        entries.insert(entries.end(), first, last);
        return;
    }
    Values added;
    std::size_t hint = 0;
    for (auto it = first; it != last; ++it) {
        hint = seek(it->first, hint);
        if (hint < entries.size() && entries[hint].first == it->first)
            entries[hint].second = it->second;
        else
            added.push_back(*it);
    }
    if (added.empty())
        return;
    Values merged;
    merged.reserve(entries.size() + added.size());
    std::merge(std::make_move_iterator(entries.begin()), std::make_move_iterator(entries.end()),
               std::make_move_iterator(added.begin()), std::make_move_iterator(added.end()),
               std::back_inserter(merged), byKey<Entry>);
    entries.swap(merged);
}

template <typename KeyType>
template <typename KeyList>
void QmdMemModel::SortedEntries<KeyType>::take(const KeyList &keys, KeyList &removed, Values *taken)
{
    // Mark first, then close the gaps in one pass: removing many entries
    // costs no more than removing one.
    std::vector<bool> gone(entries.size());
    bool any = false;
    std::size_t position = 0;
    for (const KeyType &key : keys) {
        position = seek(key, position);
        if (position >= entries.size() || !(entries[position].first == key) || gone[position])
            continue;
        gone[position] = true;
        any = true;
        removed.append(key);
        if (taken)
            taken->push_back(std::move(entries[position])); // its place is closed below
    }
    if (!any)
        return;
    std::size_t kept = 0;
    for (std::size_t i = 0; i < entries.size(); ++i) {
        if (gone[i])
            continue;
        if (kept != i)
            entries[kept] = std::move(entries[i]);
        ++kept;
    }
    entries.erase(entries.begin() + std::ptrdiff_t(kept), entries.end());
}

const QVariant *QmdMemModel::StrDictSpecialItem::find(const QString &key) const
{
    const auto it = entries.constFind(key);
    return it != entries.cend() ? &it.value() : nullptr;
}

void QmdMemModel::StrDictSpecialItem::write(Values::const_iterator first, Values::const_iterator last)
{
    for (auto it = first; it != last; ++it)
        entries.insert(it->first, it->second);
}

void QmdMemModel::StrDictSpecialItem::take(const KeyList &keys, KeyList &removed, Values *taken)
{
    for (const QString &key : keys) {
        const auto it = entries.find(key);
        if (it == entries.end())
            continue;
        removed.append(key);
        if (taken)
            taken->emplace_back(key, std::move(it.value()));
        entries.erase(it);
    }
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
    const quint32 slot = index.holderSlot();
    return !holder
           || (slot < m_liveNodes.size() && m_liveNodes[slot] == holder && holder->serial == index.holderSerial());
}

// Where the value of an entry named by a valid index is stored; null when
// the entry is missing.
const QVariant *QmdMemModel::lookup(const QmdIndex &index) const
{
    const SpecialItem *holder = index.holder();
    if (!holder)
        return nullptr;
    if (holder->type == Qmd::IntDict)
        return static_cast<const IntDictSpecialItem *>(holder)->find(index.itemId());
    return static_cast<const StrDictSpecialItem *>(holder)->find(index.key());
}

// What rawData returns, where it is stored: queries read it in place, since
// a copy of a node's QVariant goes through the meta-type registry and
// queries come by the hundred thousand in a load.
const QVariant *QmdMemModel::storedValue(const QmdIndex &index) const
{
    return isValid(index) ? lookup(index) : &m_root;
}

QVariant QmdMemModel::rawData(const QmdIndex &index) const
{
    return valueOrInvalid(storedValue(index));
}

QmdMemModel::SpecialItem *QmdMemModel::queryNode(const QmdIndex &index) const
{
    const QVariant *value = storedValue(index);
    return value ? nodeOf(*value) : nullptr;
}

// The dictionary a write at `parent` goes to. Unlike the queries, an index
// that names an entry which is gone (or of another model) does not fall back
// to the root: writing there would damage an unrelated branch of the document.
template <typename Node>
Node *QmdMemModel::writeTarget(const QmdIndex &parent) const
{
    SpecialItem *node = nullptr;
    if (!parent.namesEntry()) {
        node = nodeOf(m_root);
    } else if (isValid(parent)) {
        const QVariant *value = lookup(parent);
        node = value ? nodeOf(*value) : nullptr;
    } else {
        ignoreStaleIndex("write", parent);
        return nullptr;
    }
    return node && node->type == Node::Kind ? static_cast<Node *>(node) : nullptr;
}

// ---------------------------------------------------------------------------
// Queries

QmdIndex QmdMemModel::index(const QString &key, const QmdIndex &parent) const
{
    SpecialItem *node = queryNode(parent);
    if (node && node->type == Qmd::StrDict
        && static_cast<StrDictSpecialItem *>(node)->find(key))
        return createIndex(key, node);
    return QmdIndex();
}

QmdIndex QmdMemModel::index(QmdItemId id, const QmdIndex &parent) const
{
    SpecialItem *node = queryNode(parent);
    if (node && node->type == Qmd::IntDict
        && static_cast<IntDictSpecialItem *>(node)->find(id))
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
        return !static_cast<const IntDictSpecialItem *>(node)->isEmpty();
    return !static_cast<const StrDictSpecialItem *>(node)->isEmpty();
}

QmdIndexList QmdMemModel::indexes(const QmdIndex &parent) const
{
    QmdIndexList result;
    SpecialItem *node = queryNode(parent);
    if (!node)
        return result;
    if (node->type == Qmd::IntDict) {
        const auto &entries = static_cast<IntDictSpecialItem *>(node)->entries;
        result.reserve(int(entries.size()));
        for (const auto &entry : entries)
            result.append(createIndex(entry.first, node));
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
    const QVariant *value = storedValue(index);
    return !value || nodeOf(*value) ? QVariant() : *value;
}

Qmd::ContainerType QmdMemModel::type(const QmdIndex &index) const
{
    const SpecialItem *node = queryNode(index);
    return node ? Qmd::ContainerType(node->type) : Qmd::NoContainer;
}

QmdItemIdList QmdMemModel::itemIds(const QmdIndex &parent) const
{
    const SpecialItem *node = queryNode(parent);
    QmdItemIdList ids;
    if (!node || node->type != Qmd::IntDict)
        return ids;
    const auto &entries = static_cast<const IntDictSpecialItem *>(node)->entries;
    ids.reserve(int(entries.size()));
    for (const auto &entry : entries)
        ids.append(entry.first);
    return ids;
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
    if (m_freeSlots.empty()) {
        node->slot = quint32(m_liveNodes.size());
        m_liveNodes.push_back(node);
    } else {
        node->slot = m_freeSlots.back();
        m_freeSlots.pop_back();
        m_liveNodes[node->slot] = node;
    }
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
        m_liveNodes[node->slot] = nullptr;
        m_freeSlots.push_back(node->slot);
        if (node->type == Qmd::IntDict) {
            for (const auto &entry : static_cast<IntDictSpecialItem *>(node)->entries)
                if (SpecialItem *nested = nodeOf(entry.second))
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
    while (node->find(candidate)) {
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
void QmdMemModel::rawSetEntries(Node *node, typename Node::Values values, const QmdIndex &parent)
{
    using KeyList = typename Node::KeyList;

    // Dictionaries being replaced are announced as removed first.
    KeyList replaced;
    std::size_t hint = 0;
    for (const auto &entry : values) {
        if (isNullKey(entry.first))
            continue;
        const QVariant *current = node->find(entry.first, hint);
        if (current && nodeOf(*current))
            replaced.append(entry.first);
    }
    if (!replaced.isEmpty())
        rawRemoveEntries(node, replaced, parent, nullptr);

    // Null keys are never stored.
    values.erase(std::remove_if(values.begin(), values.end(), [](const auto &entry) { return isNullKey(entry.first); }),
                 values.end());
    if (values.empty())
        return;
    noteWritten(node, values.back().first);
    // Keys that nobody hears of need no list: a reset builds its run-time
    // subtree with the model's signals blocked.
    KeyList written;
    if (!signalsBlocked()) {
        written.reserve(int(values.size()));
        for (const auto &entry : values)
            written.append(entry.first);
    }
    node->write(std::move(values));
    if (written.isEmpty())
        return;
    emit itemsChanged(announcedParent(parent), written, requestId());
}

template <typename Node>
void QmdMemModel::rawRemoveEntries(Node *node, const typename Node::KeyList &keys, const QmdIndex &parent,
                                   typename Node::Values *taken)
{
    typename Node::KeyList removed;
    node->take(keys, removed, taken);
    if (!removed.isEmpty())
        emit itemsRemoved(announcedParent(parent), removed, requestId());
}

void QmdMemModel::rawSet(const IntDictSpecialItem::Values &values, const QmdIndex &parent)
{
    if (auto *node = writeTarget<IntDictSpecialItem>(parent))
        rawSetEntries(node, values, parent);
}

void QmdMemModel::rawSet(const StrDictSpecialItem::Values &values, const QmdIndex &parent)
{
    if (auto *node = writeTarget<StrDictSpecialItem>(parent))
        rawSetEntries(node, values, parent);
}

void QmdMemModel::rawRemove(const QmdItemIdList &ids, const QmdIndex &parent)
{
    if (auto *node = writeTarget<IntDictSpecialItem>(parent))
        rawRemoveEntries(node, ids, parent, nullptr);
}

void QmdMemModel::rawRemove(const QStringList &keys, const QmdIndex &parent)
{
    if (auto *node = writeTarget<StrDictSpecialItem>(parent))
        rawRemoveEntries(node, keys, parent, nullptr);
}

// ---------------------------------------------------------------------------
// Edit operations: each builds commands and files them.

// Callers have checked the parent.
template <typename Node>
void QmdMemModel::fileSet(typename Node::Values values, const QmdIndex &parent)
{
    if (requestFlags().testFlag(Qmd::NoUndo)) {
        // What the command's redo and deletion would do, without making one:
        // a load writes tens of thousands of such changes.
        Node *node = writeTarget<Node>(parent);
        if (!node) {
            for (const auto &entry : values)
                deleteSpecialItem(entry.second);
            return;
        }
        QList<QVariant> displaced;
        std::size_t hint = 0;
        for (const auto &entry : values) {
            const QVariant *current = node->find(entry.first, hint);
            if (current && nodeOf(*current))
                displaced.append(*current);
        }
        rawSetEntries(node, std::move(values), announcedParent(parent));
        deleteSpecialItems(displaced);
        return;
    }
    pushCommand(new QmdSetCommand<typename Node::Key, Node>(this, announcedParent(parent),
                                                            std::move(values)));
}

template <typename Node>
void QmdMemModel::fileRemove(const typename Node::KeyList &keys, const QmdIndex &parent)
{
    Node *node = writeTarget<Node>(parent);
    if (!node)
        return;
    if (requestFlags().testFlag(Qmd::NoUndo)) {
        typename Node::Values taken;
        rawRemoveEntries(node, keys, announcedParent(parent), &taken);
        for (const auto &entry : taken)
            deleteSpecialItem(entry.second);
        return;
    }
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
    IntValues values;
    values.reserve(std::size_t(count));
    QmdItemIdList ids; // in the order of the values, which a wrap of the ids
                       // would not keep
    ids.reserve(count);
    for (int i = 0; i < count; ++i) {
        const QmdItemId id = registerNewItemId(node);
        if (!id)
            break;
        values.emplace_back(id, make(i, id, node));
        ids.append(id);
    }
    sortBatch(values);
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
        fileSet<IntDictSpecialItem>(toBatch(values), parent);
}

void QmdMemModel::setData(const QHash<QString, QVariant> &values, const QmdIndex &parent)
{
    if (writeTarget<StrDictSpecialItem>(parent))
        fileSet<StrDictSpecialItem>(toBatch(values), parent);
}

void QmdMemModel::setRunTimeData(const QHash<QString, QVariant> &values, const QmdIndex &parent)
{
    StrDictSpecialItem *node = writeTarget<StrDictSpecialItem>(parent);
    if (!node)
        return;
    // Shared rather than copied entry by entry; an empty dictionary
    // displaces nothing, and no step needs the old entries back.
    if (node->entries.isEmpty() && !values.isEmpty() && requestFlags().testFlag(Qmd::NoUndo)
        && !values.contains(QString())) {
        node->entries = values;
        if (!signalsBlocked())
            emit itemsChanged(announcedParent(parent), values.keys(), requestId());
        return;
    }
    fileSet<StrDictSpecialItem>(toBatch(values), parent);
}

template <typename Node>
void QmdMemModel::setTypesAt(const QHash<typename Node::Key, Qmd::ContainerType> &types,
                             const QmdIndex &parent)
{
    Node *node = writeTarget<Node>(parent);
    if (!node)
        return;
    typename Node::Values values;
    values.reserve(std::size_t(types.size()));
    for (auto it = types.cbegin(); it != types.cend(); ++it) {
        // A dictionary made for a key that is never stored would belong to no one.
        values.emplace_back(it.key(), isNullKey(it.key())
                                          ? QVariant()
                                          : makeContainer(it.value(), createIndex(it.key(), node)));
    }
    sortBatch(values);
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
        const SpecialItem *node = queryNode(index);
        if (node && node->type == Qmd::IntDict)
            remove(itemIds(index), index);
        else if (node)
            remove(keys(index), index);
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
            if (m_undoStack.back().get() == m_cleanMarker) {
                // The marked state lay between this step's commands: no
                // undo or redo comes back to it, so the document must not
                // count as saved.
                m_cleanMarker = nullptr;
                m_cleanUnreachable = true;
            }
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

namespace {
using Stack = std::vector<std::unique_ptr<QmdMemModel::QmdCommand>>;

// Takes the top step off one stack, undoes or redoes it and puts it on top
// of the other.
void moveTopStep(Stack &from, Stack &to, void (QmdMemModel::QmdCommand::*apply)())
{
    if (from.empty())
        return;
    std::unique_ptr<QmdMemModel::QmdCommand> step = std::move(from.back());
    from.pop_back();
    ((*step).*apply)();
    to.push_back(std::move(step));
}
} // namespace

void QmdMemModel::undo()
{
    captureUndoState();
    moveTopStep(m_undoStack, m_redoStack, &QmdCommand::undo);
    emitUndoStateChanges();
}

void QmdMemModel::redo()
{
    captureUndoState();
    moveTopStep(m_redoStack, m_undoStack, &QmdCommand::redo);
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

void QmdMemModel::clearUndoRedoHistory()
{
    captureUndoState();
    m_cleanMarker = nullptr;
    m_cleanUnreachable = false;
    m_redoStack.clear();
    m_undoStack.clear();
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
