#ifndef QMD_QMDCONTROLLER_H
#define QMD_QMDCONTROLLER_H

#include "Qmd/QmdDirectModelInterface.h"
#include "Qmd/QmdRequestOptions.h"

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QMultiHash>
#include <QObject>
#include <QSet>
#include <QString>
#include <QStringList>
#include <QVariant>

// The one door through which a document is read and changed.
//
// Every change is a request: a numbered unit of work that opens a request on
// the model, runs model operations and closes it; everything done under one
// request id is one undo step. Queries read under the read lock and return
// copies; a request holds the write lock from its beginning to its end. The
// four lock hooks do nothing here: a subclass that takes requests from other
// threads overrides them (and nextRequestId) with real locks, and every
// query and request slot then becomes safe to call from any thread.
//
// The model's signals reach the controller queued, on a later pass of the
// controller thread's event loop; the controller re-emits them under its own
// name with the id of the request that caused them, and ends each request
// with requestFinished. When a request slot returns, none of its change
// signals has been emitted yet.
//
// Property binding keeps properties of any QObject and string-keyed entries
// of the document in step, both ways (see bind()).
class QmdController : public QObject, public QmdDirectModelInterface
{
    Q_OBJECT

public:
    // One bound property of an object.
    struct Binding
    {
        QByteArray propertyName;
        // In SIGNAL() form ("2valueChanged(int)"); empty: the binding only
        // follows the document.
        QByteArray notifySignal;
        // For each parent dictionary, the string keys the property stands for.
        QHash<QmdIndex, QSet<QString>> keys;
        QVariant defaultValue; // shown when there is nothing to show
        QVariant mixedValue;   // shown when the bound entries differ
        QString undoText;
        Qmd::RequestFlags flags;
    };

    enum UnbindAction {
        UnbindRemoveBinding = 1, // forget the binding
        UnbindResetProperty = 2, // write the binding's default value into the property
        UnbindDisconnect = 4     // stop listening to the object's notify signal
    };
    Q_DECLARE_FLAGS(UnbindActions, UnbindAction)

    explicit QmdController(QObject *parent = nullptr);
    ~QmdController() override;

    // Moves the controller to the model (null detaches it), resets the
    // controller and emits modelReset().
    void setModel(QmdModel *model) override;

    // Free for subclasses; nothing of the framework fills it.
    virtual QHash<QmdRequestId, QVariant> *requestTable();

    // Queries: each reads the model under the read lock and returns a copy.
    virtual int undoRedoLimit() const;
    virtual bool isAtCleanState() const;
    virtual bool canRedo() const;
    virtual bool canUndo() const;
    virtual QString redoText() const;
    virtual QString undoText() const;
    virtual bool isValid(const QmdIndex &index) const;
    virtual QmdIndex index(const QString &key, const QmdIndex &parent = QmdIndex()) const;
    virtual QmdIndex index(QmdItemId id, const QmdIndex &parent = QmdIndex()) const;
    virtual QmdIndex parent(const QmdIndex &index) const;
    virtual bool hasChildren(const QmdIndex &index) const;
    virtual QmdIndexList indexes(const QmdIndex &parent = QmdIndex()) const;
    virtual Qmd::ContainerType type(const QmdIndex &index) const;
    virtual QVariant data(const QmdIndex &index) const;
    virtual QVariant data(const QString &key, const QmdIndex &parent = QmdIndex()) const;
    virtual QVariant data(QmdItemId id, const QmdIndex &parent = QmdIndex()) const;
    virtual QList<QVariant> values(const QmdIndex &parent = QmdIndex()) const;
    virtual QmdItemIdList itemIds(const QmdIndex &parent = QmdIndex()) const;
    virtual QStringList keys(const QmdIndex &parent = QmdIndex()) const;

    // The ids of the undo and redo requests whose requestFinished has not yet
    // been relayed, oldest first: changes carrying one of them re-create or
    // take away what an undo step recorded.
    QList<QmdRequestId> undoRedoRequestIds() const;

    // Binds `property` of `object` to the keys under each parent: first
    // undoes an earlier binding of the same property (writing its old default
    // value back), then sets the property from the document at once and after
    // every request that changed or removed one of the keys. The property
    // shows the value all bound entries share, `mixedValue` as soon as two
    // differ, and `defaultValue` when there are no keys, the first entry is
    // missing or is a dictionary. When `notifySignal` fires, the property's
    // value is written, as one request with `undoText` and `flags`, to every
    // bound key whose stored value differs from it; an invalid value or one
    // that no entry differs from writes nothing. The object's destruction
    // removes its bindings.
    void bind(QObject *object, const char *property, const char *notifySignal,
              const QHash<QmdIndex, QSet<QString>> &keys, const QVariant &defaultValue = QVariant(),
              const QVariant &mixedValue = QVariant(), const QString &undoText = QString(),
              Qmd::RequestFlags flags = {});
    void bind(QObject *object, const char *property, const char *notifySignal,
              const QHash<QmdIndex, QStringList> &keys, const QVariant &defaultValue = QVariant(),
              const QVariant &mixedValue = QVariant(), const QString &undoText = QString(),
              Qmd::RequestFlags flags = {});
    void bind(QObject *object, const char *property, const char *notifySignal, const QString &key,
              const QmdIndex &parent = QmdIndex(), const QVariant &defaultValue = QVariant(),
              const QVariant &mixedValue = QVariant(), const QString &undoText = QString(),
              Qmd::RequestFlags flags = {});

    // Merges the writes that `object`'s notify signals cause, as a text
    // editor groups typing: from now on they run under one request id, the
    // first write's, so that the model files them as one undo step while that
    // step stays on top of the history. Each call starts a new step; so does
    // every undo, redo, save and load. Undoing the object's bindings ends the
    // merging; an object without bindings is left alone.
    void mergeBindingWrites(QObject *object);

    // Opens a request: takes the write lock, then opens the request on the
    // model. Model operations until endRequest belong to it. Requests do not
    // nest: opening one while another is open on the same thread is a
    // programming error (asserted in debug builds, reported otherwise).
    virtual void beginRequest(QmdRequestId rid, Qmd::RequestFlags flags, const QString &undoText);
    // Closes the request on the model, then releases the write lock.
    virtual QmdRequestId endRequest(QmdRequestId rid);

    // A new request id: 2 first, then upwards, wrapping from 0xFFFFFFFF to
    // 1; never 0. Subclasses that take requests from several threads guard
    // it with a lock of their own.
    virtual QmdRequestId nextRequestId();

public slots:
    // Each request slot returns the id it ran under, also when nothing
    // changed. Without options a slot runs with flags 0, its default undo
    // text and a new id; without a parent it works on the root.

    virtual QmdRequestId requestSetUndoRedoLimit(int limit);
    virtual QmdRequestId requestMarkAsCleanState();
    virtual QmdRequestId requestRedo();
    virtual QmdRequestId requestUndo();

    virtual QmdRequestId requestAddData(const QList<QVariant> &data, const QmdIndex &parent,
                                        const QmdRequestOptions &options);
    virtual QmdRequestId requestSetData(const QHash<QmdIndex, QVariant> &pairs, const QmdRequestOptions &options);
    virtual QmdRequestId requestSetData(const QHash<QString, QVariant> &pairs, const QmdIndex &parent,
                                        const QmdRequestOptions &options);
    virtual QmdRequestId requestSetData(const QHash<QmdItemId, QVariant> &pairs, const QmdIndex &parent,
                                        const QmdRequestOptions &options);
    virtual QmdRequestId requestSetDataIfInvalid(const QString &key, const QVariant &fallbackData,
                                                 const QmdIndex &parent, const QmdRequestOptions &options);
    virtual QmdRequestId requestSetDataIfInvalid(QmdItemId id, const QVariant &fallbackData,
                                                 const QmdIndex &parent, const QmdRequestOptions &options);
    virtual QmdRequestId requestAddTypes(const QList<Qmd::ContainerType> &types, const QmdIndex &parent,
                                         const QmdRequestOptions &options);
    virtual QmdRequestId requestSetTypes(const QHash<QmdIndex, Qmd::ContainerType> &pairs,
                                         const QmdRequestOptions &options);
    virtual QmdRequestId requestSetTypes(const QHash<QString, Qmd::ContainerType> &pairs, const QmdIndex &parent,
                                         const QmdRequestOptions &options);
    virtual QmdRequestId requestSetTypes(const QHash<QmdItemId, Qmd::ContainerType> &pairs,
                                         const QmdIndex &parent, const QmdRequestOptions &options);
    // Make the entry a new dictionary of the type when it is missing or
    // holds anything else.
    virtual QmdRequestId requestSetTypeIfInvalid(const QString &key, Qmd::ContainerType fallbackType,
                                                 const QmdIndex &parent, const QmdRequestOptions &options);
    virtual QmdRequestId requestSetTypeIfInvalid(QmdItemId id, Qmd::ContainerType fallbackType,
                                                 const QmdIndex &parent, const QmdRequestOptions &options);
    virtual QmdRequestId requestRemove(const QmdIndexList &indexes, const QmdRequestOptions &options);
    virtual QmdRequestId requestRemove(const QStringList &keys, const QmdIndex &parent,
                                       const QmdRequestOptions &options);
    virtual QmdRequestId requestRemove(const QmdItemIdList &idList, const QmdIndex &parent,
                                       const QmdRequestOptions &options);
    // The root index empties the document.
    virtual QmdRequestId requestClear(const QmdIndex &parent, const QmdRequestOptions &options);

    // Shorter forms of the families above.
    QmdRequestId requestAddData(const QList<QVariant> &data, const QmdIndex &parent);
    QmdRequestId requestAddData(const QList<QVariant> &data);
    QmdRequestId requestSetData(const QHash<QmdIndex, QVariant> &pairs);
    QmdRequestId requestSetData(const QHash<QString, QVariant> &pairs, const QmdIndex &parent);
    QmdRequestId requestSetData(const QHash<QString, QVariant> &pairs);
    QmdRequestId requestSetData(const QHash<QmdItemId, QVariant> &pairs, const QmdIndex &parent);
    QmdRequestId requestSetData(const QHash<QmdItemId, QVariant> &pairs);
    QmdRequestId requestSetDataIfInvalid(const QString &key, const QVariant &fallbackData, const QmdIndex &parent);
    QmdRequestId requestSetDataIfInvalid(const QString &key, const QVariant &fallbackData);
    QmdRequestId requestSetDataIfInvalid(QmdItemId id, const QVariant &fallbackData, const QmdIndex &parent);
    QmdRequestId requestSetDataIfInvalid(QmdItemId id, const QVariant &fallbackData);
    QmdRequestId requestAddTypes(const QList<Qmd::ContainerType> &types, const QmdIndex &parent);
    QmdRequestId requestAddTypes(const QList<Qmd::ContainerType> &types);
    QmdRequestId requestSetTypes(const QHash<QmdIndex, Qmd::ContainerType> &pairs);
    QmdRequestId requestSetTypes(const QHash<QString, Qmd::ContainerType> &pairs, const QmdIndex &parent);
    QmdRequestId requestSetTypes(const QHash<QString, Qmd::ContainerType> &pairs);
    QmdRequestId requestSetTypes(const QHash<QmdItemId, Qmd::ContainerType> &pairs, const QmdIndex &parent);
    QmdRequestId requestSetTypes(const QHash<QmdItemId, Qmd::ContainerType> &pairs);
    QmdRequestId requestSetTypeIfInvalid(const QString &key, Qmd::ContainerType fallbackType,
                                         const QmdIndex &parent);
    QmdRequestId requestSetTypeIfInvalid(const QString &key, Qmd::ContainerType fallbackType);
    QmdRequestId requestSetTypeIfInvalid(QmdItemId id, Qmd::ContainerType fallbackType, const QmdIndex &parent);
    QmdRequestId requestSetTypeIfInvalid(QmdItemId id, Qmd::ContainerType fallbackType);
    QmdRequestId requestRemove(const QmdIndexList &indexes);
    QmdRequestId requestRemove(const QStringList &keys, const QmdIndex &parent);
    QmdRequestId requestRemove(const QStringList &keys);
    QmdRequestId requestRemove(const QmdItemIdList &idList, const QmdIndex &parent);
    QmdRequestId requestRemove(const QmdItemIdList &idList);
    QmdRequestId requestClear(const QmdIndex &parent);
    QmdRequestId requestClear();

    // Single entries. These reach the model through the single-entry
    // operations, not through the bulk slots above.
    QmdRequestId requestAddData(const QVariant &data, const QmdIndex &parent, const QmdRequestOptions &options);
    QmdRequestId requestAddData(const QVariant &data, const QmdIndex &parent);
    QmdRequestId requestAddData(const QVariant &data);
    QmdRequestId requestSetData(QmdItemId id, const QVariant &data, const QmdIndex &parent,
                                const QmdRequestOptions &options);
    QmdRequestId requestSetData(QmdItemId id, const QVariant &data, const QmdIndex &parent);
    QmdRequestId requestSetData(QmdItemId id, const QVariant &data);
    QmdRequestId requestSetData(const QString &key, const QVariant &data, const QmdIndex &parent,
                                const QmdRequestOptions &options);
    QmdRequestId requestSetData(const QString &key, const QVariant &data, const QmdIndex &parent);
    QmdRequestId requestSetData(const QString &key, const QVariant &data);
    QmdRequestId requestSetData(const QmdIndex &index, const QVariant &data, const QmdRequestOptions &options);
    QmdRequestId requestSetData(const QmdIndex &index, const QVariant &data);
    // Replaces the whole document.
    QmdRequestId requestSetRoot(const QVariant &data, const QmdRequestOptions &options);
    QmdRequestId requestSetRoot(const QVariant &data);
    QmdRequestId requestAddType(Qmd::ContainerType type, const QmdIndex &parent, const QmdRequestOptions &options);
    QmdRequestId requestAddType(Qmd::ContainerType type, const QmdIndex &parent);
    QmdRequestId requestAddType(Qmd::ContainerType type);
    QmdRequestId requestSetType(QmdItemId id, Qmd::ContainerType type, const QmdIndex &parent,
                                const QmdRequestOptions &options);
    QmdRequestId requestSetType(QmdItemId id, Qmd::ContainerType type, const QmdIndex &parent);
    QmdRequestId requestSetType(QmdItemId id, Qmd::ContainerType type);
    QmdRequestId requestSetType(const QString &key, Qmd::ContainerType type, const QmdIndex &parent,
                                const QmdRequestOptions &options);
    QmdRequestId requestSetType(const QString &key, Qmd::ContainerType type, const QmdIndex &parent);
    QmdRequestId requestSetType(const QString &key, Qmd::ContainerType type);
    QmdRequestId requestSetType(const QmdIndex &index, Qmd::ContainerType type, const QmdRequestOptions &options);
    QmdRequestId requestSetType(const QmdIndex &index, Qmd::ContainerType type);
    QmdRequestId requestSetRootType(Qmd::ContainerType type, const QmdRequestOptions &options);
    QmdRequestId requestSetRootType(Qmd::ContainerType type);
    QmdRequestId requestRemove(QmdItemId id, const QmdIndex &parent, const QmdRequestOptions &options);
    QmdRequestId requestRemove(QmdItemId id, const QmdIndex &parent);
    QmdRequestId requestRemove(QmdItemId id);
    QmdRequestId requestRemove(const QString &key, const QmdIndex &parent, const QmdRequestOptions &options);
    QmdRequestId requestRemove(const QString &key, const QmdIndex &parent);
    QmdRequestId requestRemove(const QString &key);
    QmdRequestId requestRemove(const QmdIndex &index, const QmdRequestOptions &options);
    QmdRequestId requestRemove(const QmdIndex &index);

    // Runs doReset(), then emits modelReset().
    void reset();

    // Sets the object's bound properties (or the one named) from the document.
    void updateBoundObject(QObject *obj, const char *objProperty);
    void updateBoundObject(QObject *obj);
    // Undoes the object's bindings (all, or those of the property named) as
    // the actions say; the short forms take every action.
    void unbind(QObject *obj, const char *objProperty, QmdController::UnbindActions actions);
    void unbind(QObject *obj, const char *objProperty);
    void unbind(QObject *obj);
    void unbind(const QObjectList &objs, QmdController::UnbindActions actions);
    void unbind(const QObjectList &objs);
    // Forgets the object's bindings without touching the object.
    void unbindForDeletion(QObject *object);
    void unbindForDeletion(const QObjectList &objects);
    // Writes the sender's bound properties into the document.
    void onBoundObjectSignalled();

signals:
    void atCleanStateChanged(bool atCleanState, QmdRequestId rid);
    void canRedoChanged(bool canRedo, QmdRequestId rid);
    void canUndoChanged(bool canUndo, QmdRequestId rid);
    void redoTextChanged(const QString &redoText, QmdRequestId rid);
    void undoTextChanged(const QString &undoText, QmdRequestId rid);
    void modelReset();
    void itemsChanged(const QmdIndex &parent, const QmdItemIdList &idList, QmdRequestId rid);
    void itemsChanged(const QmdIndex &parent, const QStringList &keys, QmdRequestId rid);
    void itemsRemoved(const QmdIndex &parent, const QmdItemIdList &idList, QmdRequestId rid);
    void itemsRemoved(const QmdIndex &parent, const QStringList &keys, QmdRequestId rid);
    void rootChanged(QmdRequestId rid);
    // Status 0, or -1 after a failed file operation.
    void requestFinished(QmdRequestId rid, int status);

protected slots:
    // Relays of the model's signals; only the model's queued signals call them.
    virtual void receivedAtCleanStateChanged(bool atCleanState, QmdRequestId rid);
    virtual void receivedCanRedoChanged(bool canRedo, QmdRequestId rid);
    virtual void receivedCanUndoChanged(bool canUndo, QmdRequestId rid);
    virtual void receivedRedoTextChanged(const QString &redoText, QmdRequestId rid);
    virtual void receivedUndoTextChanged(const QString &undoText, QmdRequestId rid);
    virtual void receivedItemsChanged(const QmdIndex &parent, const QStringList &keys, QmdRequestId rid);
    virtual void receivedItemsChanged(const QmdIndex &parent, const QmdItemIdList &idList, QmdRequestId rid);
    virtual void receivedItemsRemoved(const QmdIndex &parent, const QStringList &keys, QmdRequestId rid);
    virtual void receivedItemsRemoved(const QmdIndex &parent, const QmdItemIdList &idList, QmdRequestId rid);
    virtual void receivedRootChanged(QmdRequestId rid);
    virtual void receivedRequestFinished(QmdRequestId rid, Qmd::RequestFlags flags, int status);

protected:
    // Brings every bound object up to date; subclasses add their own shape
    // and state of the document.
    virtual void doReset();
    // Runs at the end of the relay of a finished request.
    virtual void requestFinishedHook(QmdRequestId rid);

    // Lock hooks; they do nothing here. A read lock is held around every
    // query, the write lock from the beginning to the end of every request.
    virtual void readLock() const;
    virtual void readUnlock() const;
    virtual void writeLock();
    virtual void writeUnlock();

    // The next merged write of every object starts a new undo step (see
    // mergeBindingWrites); the write lock is held.
    void startNewMergedSteps();

    // Where nextRequestId continues from: it hands out the id after `rid`.
    void setLastRequestId(QmdRequestId rid) { m_lastRequestId = rid; }

    // Schedules the objects bound to any of `keys` under `parent` for an
    // update once the request `rid` has finished.
    void scheduleBoundObjectUpdates(const QmdIndex &parent, const QSet<QString> &keys, QmdRequestId rid);

    // Runs `operation` inside one request under the options (id 0: a new id)
    // and returns the request's id.
    template <typename Operation>
    QmdRequestId runRequest(const QmdRequestOptions &options, Operation operation)
    {
        const QmdRequestId rid = options.id ? options.id : nextRequestId();
        beginRequest(rid, Qmd::RequestFlags(options.flags), options.text);
        operation();
        return endRequest(rid);
    }

private:
    class ReadLocker;
    class WriteLocker;

    // The answer of `query`, asked under the read lock.
    template <typename Query>
    auto readLocked(Query query) const;

    // Opens and closes a request on the model; the write lock is held.
    void openModelRequest(QmdRequestId rid, Qmd::RequestFlags flags, const QString &undoText);
    void closeModelRequest();

    QmdRequestOptions defaultOptions(const QString &text) const;
    void connectModel(QmdModel *model);

    // Brings those of the objects up to date that are still bound.
    void updateStillBound(const QList<QObject *> &objects);
    // The value a binding shows; the read lock is held.
    QVariant boundValue(const Binding &binding) const;
    // Writes one binding's property into the document within request
    // `rid`; the write lock is held.
    void writeBinding(QObject *object, const Binding &binding, QmdRequestId rid);
    void listenTo(QObject *object, const QByteArray &signal);
    void stopListening(QObject *object, const QByteArray &signal);
    bool hasBindingUnder(QObject *object, const QmdIndex &parent) const;

    QHash<QmdRequestId, QVariant> m_requestTable;
    QList<QmdRequestId> m_undoRedoRequestIds;
    QmdRequestId m_lastRequestId = 1;
    // The request open on the model (0: none); guarded by the write lock.
    QmdRequestId m_openRequest = 0;

    QMultiHash<QObject *, Binding> m_bindings;
    QHash<QmdIndex, QSet<QObject *>> m_boundObjects;
    QMultiHash<QmdRequestId, QObject *> m_pendingUpdates;
    QMultiHash<QObject *, QByteArray> m_connectedSignals;
    // Objects whose writes are merged, with the id of their current step (0:
    // the next write starts one).
    QHash<QObject *, QmdRequestId> m_mergedWrites;
};

Q_DECLARE_OPERATORS_FOR_FLAGS(QmdController::UnbindActions)

#endif
