#ifndef QMD_QMDMEMMODEL_H
#define QMD_QMDMEMMODEL_H

#include "Qmd/QmdModel.h"
#include "Qmd/QmdDictionaryNode.h"

#include <QHash>
#include <QSet>

#include <memory>
#include <utility>
#include <vector>

// The document tree in memory, with its undo history.
//
// Dictionaries are nodes stored by pointer in the entry that holds them, so
// replacing, removing or restoring a whole subtree moves one pointer. A node
// belongs to the tree while it is reachable from the root, otherwise to the
// one undo command that took it out; it is freed, with everything nested in
// it, when its owner lets go of it.
//
// Every change is an undo command filed under the current request id; all
// commands of one id form one undo step while that step is on top.
class QmdMemModel : public QmdModel
{
    Q_OBJECT

public:
    // The entries of a dictionary keyed by item id, kept in a vector sorted
    // by key: lookups are binary searches, appending fresh ids is constant
    // time, and batches are merged or compacted in one pass.
    template <typename KeyType> class SortedEntries
    {
    public:
        using Entry = std::pair<KeyType, QVariant>;
        // A batch of entries: ascending keys, each once.
        using Values = std::vector<Entry>;

        const QVariant *find(const KeyType &key) const;
        // The same, searching on from where the previous probe ended, so
        // that probing ascending keys costs little more than a walk.
        const QVariant *find(const KeyType &key, std::size_t &hint) const;
        bool isEmpty() const { return entries.empty(); }
        // Stores a batch (no null key) over existing entries or as new ones.
        void write(typename Values::const_iterator first, typename Values::const_iterator last);
        void write(Values &&values);
        // Removes the listed keys that are present, noting them in `removed`
        // (list order) and, when `taken` is given, appending their entries.
        template <typename KeyList> void take(const KeyList &keys, KeyList &removed, Values *taken);

        Values entries;

    private:
        std::size_t seek(const KeyType &key, std::size_t from) const;
    };

    class IntDictSpecialItem : public SpecialItem, public SortedEntries<QmdItemId>
    {
    public:
        using Key = QmdItemId;
        using KeyList = QmdItemIdList;
        static constexpr Qmd::ContainerType Kind = Qmd::IntDict;

        IntDictSpecialItem(const QmdIndex &location, QmdMemModel *owner);

        QmdItemId lastIssuedId = 0;
    };

    class StrDictSpecialItem : public SpecialItem
    {
    public:
        using Key = QString;
        using KeyList = QStringList;
        using Entry = std::pair<QString, QVariant>;
        // A batch of entries, each key once.
        using Values = std::vector<Entry>;
        static constexpr Qmd::ContainerType Kind = Qmd::StrDict;

        StrDictSpecialItem(const QmdIndex &location, QmdMemModel *owner);
        const QVariant *find(const QString &key) const;
        const QVariant *find(const QString &key, std::size_t &) const { return find(key); }
        bool isEmpty() const { return entries.isEmpty(); }
        void write(Values::const_iterator first, Values::const_iterator last);
        void write(Values &&values) { write(values.cbegin(), values.cend()); }
        void take(const KeyList &keys, KeyList &removed, Values *taken);

        QHash<QString, QVariant> entries;
    };

    // How a dictionary travels inside a QVariant.
    using SpecialItemStar = SpecialItem *;

    class QmdCommand;
    template <typename Key, typename Node> class QmdSetCommand;
    template <typename Key, typename Node> class QmdRemoveCommand;
    class QmdSetRootCommand;

    // The document holds nothing, not even an empty root dictionary.
    explicit QmdMemModel(QObject *parent = nullptr);
    // The root is a new empty dictionary of the given type.
    explicit QmdMemModel(Qmd::ContainerType type, QObject *parent = nullptr);
    ~QmdMemModel() override;

    void setUndoRedoLimit(int limit) override;
    bool isAtCleanState() const override;
    void markAsCleanState() override;
    int undoRedoCount() const override;
    bool canRedo() const override;
    bool canUndo() const override;
    const QString &redoText() const override;
    const QString &undoText() const override;
    void clearUndoRedoHistory() override;

    bool isValid(const QmdIndex &index) const override;
    QmdIndex index(const QString &key, const QmdIndex &parent = QmdIndex()) const override;
    QmdIndex index(QmdItemId id, const QmdIndex &parent = QmdIndex()) const override;
    QmdIndex parent(const QmdIndex &index) const override;
    bool hasChildren(const QmdIndex &index) const override;
    QmdIndexList indexes(const QmdIndex &parent = QmdIndex()) const override;
    QVariant data(const QmdIndex &index) const override;
    Qmd::ContainerType type(const QmdIndex &index) const override;
    QmdItemIdList itemIds(const QmdIndex &parent = QmdIndex()) const override;
    QStringList keys(const QmdIndex &parent = QmdIndex()) const override;

    void redo() override;
    void undo() override;

    QmdItemIdList addData(const QList<QVariant> &values, const QmdIndex &parent = QmdIndex()) override;
    void setData(const QHash<QmdIndex, QVariant> &values) override;
    void setData(const QHash<QString, QVariant> &values, const QmdIndex &parent = QmdIndex()) override;
    void setData(const QHash<QmdItemId, QVariant> &values, const QmdIndex &parent = QmdIndex()) override;
    void setRunTimeData(const QHash<QString, QVariant> &values, const QmdIndex &parent) override;
    QmdItemIdList addTypes(const QList<Qmd::ContainerType> &types, const QmdIndex &parent = QmdIndex()) override;
    void setTypes(const QHash<QmdIndex, Qmd::ContainerType> &types) override;
    void setTypes(const QHash<QString, Qmd::ContainerType> &types, const QmdIndex &parent = QmdIndex()) override;
    void setTypes(const QHash<QmdItemId, Qmd::ContainerType> &types, const QmdIndex &parent = QmdIndex()) override;
    void remove(const QmdIndexList &indexes) override;
    void remove(const QStringList &keys, const QmdIndex &parent = QmdIndex()) override;
    void remove(const QmdItemIdList &ids, const QmdIndex &parent = QmdIndex()) override;
    void clear(const QmdIndex &index) override;

public slots:
    // A fresh id for a new entry of the node: one past the last issued id,
    // skipping ids in use and wrapping from 0xFFFFFFFF to 1; 0 when every id
    // is taken.
    virtual QmdItemId registerNewItemId(IntDictSpecialItem *node);

protected:
    // The stored value at the index, dictionaries included; an index that is
    // not valid reads the root.
    QVariant rawData(const QmdIndex &index) const;
    // A new empty dictionary of the type, about to be stored at `location`;
    // an invalid QVariant for Qmd::NoContainer.
    QVariant makeContainer(Qmd::ContainerType type, const QmdIndex &location);

    // The two low-level writes. They announce every change but free
    // nothing: the calling command owns what they take out of the tree.
    // A batch of ids is written in ascending order (as the batch type asks).
    void rawSet(const IntDictSpecialItem::Values &values, const QmdIndex &parent);
    void rawSet(const StrDictSpecialItem::Values &values, const QmdIndex &parent);
    void rawRemove(const QmdItemIdList &ids, const QmdIndex &parent);
    void rawRemove(const QStringList &keys, const QmdIndex &parent);

    // Frees the dictionaries among the values, with everything nested in them.
    void deleteSpecialItems(const QList<QVariant> &values);

    // Files a command (taking ownership) and applies it.
    void pushCommand(QmdCommand *command);

    void captureUndoState();
    void emitUndoStateChanges();

private:
    static SpecialItem *nodeOf(const QVariant &value);
    const QVariant *lookup(const QmdIndex &index) const;
    const QVariant *storedValue(const QmdIndex &index) const;
    SpecialItem *queryNode(const QmdIndex &index) const;
    template <typename Node> Node *writeTarget(const QmdIndex &parent) const;
    void deleteSpecialItem(const QVariant &value);

    template <typename Node>
    void rawSetEntries(Node *node, typename Node::Values values, const QmdIndex &parent);
    template <typename Node>
    void rawRemoveEntries(Node *node, const typename Node::KeyList &keys, const QmdIndex &parent,
                          typename Node::Values *taken);

    template <typename Node> void fileSet(typename Node::Values values, const QmdIndex &parent);
    template <typename Node> void fileRemove(const typename Node::KeyList &keys, const QmdIndex &parent);
    void fileSetRoot(const QVariant &value);
    template <typename Make> QmdItemIdList addEntries(int count, const QmdIndex &parent, Make make);
    template <typename Node>
    void setTypesAt(const QHash<typename Node::Key, Qmd::ContainerType> &types, const QmdIndex &parent);
    template <typename Value, typename OnRoot, typename Write>
    void writeByHolder(const QHash<QmdIndex, Value> &values, OnRoot onRoot, Write write);

    void deleteRedoSteps(std::size_t count);
    void dropBottomUndoSteps(std::size_t count);

    QVariant m_root;
    std::vector<std::unique_ptr<QmdCommand>> m_redoStack;
    std::vector<std::unique_ptr<QmdCommand>> m_undoStack;
    const QmdCommand *m_cleanMarker = nullptr;
    // The marked state was lost with a deleted step: no state is clean until
    // the next markAsCleanState.
    bool m_cleanUnreachable = false;
    // Every node of this model that is not yet freed, at its slot; freed
    // slots hold null until a new node takes them.
    std::vector<SpecialItem *> m_liveNodes;
    std::vector<quint32> m_freeSlots;

    struct CapturedState
    {
        bool captured = false;
        bool clean = false;
        bool canRedo = false;
        bool canUndo = false;
        QString redoText;
        QString undoText;
    } m_captured;
};

Q_DECLARE_METATYPE(QmdMemModel::SpecialItemStar)

#endif
