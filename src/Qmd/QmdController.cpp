#include "Qmd/QmdController.h"

#include <QDebug>
#include <QMetaObject>

#include <algorithm>
#include <utility>

class QmdController::ReadLocker
{
public:
    explicit ReadLocker(const QmdController *controller)
        : m_controller(controller)
    {
        m_controller->readLock();
    }
    ~ReadLocker() { m_controller->readUnlock(); }
    ReadLocker(const ReadLocker &) = delete;
    ReadLocker &operator=(const ReadLocker &) = delete;

private:
    const QmdController *m_controller;
};

class QmdController::WriteLocker
{
public:
    explicit WriteLocker(QmdController *controller)
        : m_controller(controller)
    {
        m_controller->writeLock();
    }
    ~WriteLocker() { m_controller->writeUnlock(); }
    WriteLocker(const WriteLocker &) = delete;
    WriteLocker &operator=(const WriteLocker &) = delete;

private:
    QmdController *m_controller;
};

template <typename Query>
auto QmdController::readLocked(Query query) const
{
    ReadLocker lock(this);
    return query();
}

namespace {

// Signal texts compare in the normalised form connect() itself uses.
QByteArray normalisedSignal(const char *signal)
{
    if (!signal || !*signal)
        return QByteArray();
    return signal[0] + QMetaObject::normalizedSignature(signal + 1);
}

} // namespace

QmdController::QmdController(QObject *parent)
    : QObject(parent)
{
    qRegisterMetaType<QmdIndex>("QmdIndex");
    qRegisterMetaType<QmdItemIdList>("QmdItemIdList");
    qRegisterMetaType<QmdRequestId>("QmdRequestId");
    qRegisterMetaType<QmdRequestOptions>("QmdRequestOptions");
    qRegisterMetaType<Qmd::RequestFlags>("Qmd::RequestFlags");
    m_requestTable.reserve(100);
}

QmdController::~QmdController() = default;

// ---------------------------------------------------------------------------
// Model and relay

void QmdController::setModel(QmdModel *newModel)
{
    if (QmdModel *old = model())
        disconnect(old, nullptr, this, nullptr);
    QmdDirectModelInterface::setModel(newModel);
    if (newModel)
        connectModel(newModel);
    doReset();
    emit modelReset();
}

void QmdController::connectModel(QmdModel *m)
{
    using IdSignal = void (QmdModel::*)(const QmdIndex &, const QmdItemIdList &, QmdRequestId);
    using KeySignal = void (QmdModel::*)(const QmdIndex &, const QStringList &, QmdRequestId);
    using IdSlot = void (QmdController::*)(const QmdIndex &, const QmdItemIdList &, QmdRequestId);
    using KeySlot = void (QmdController::*)(const QmdIndex &, const QStringList &, QmdRequestId);
    using FinishedSignal = void (QmdModel::*)(QmdRequestId, Qmd::RequestFlags, int);
    const auto queued = Qt::QueuedConnection;
    connect(m, &QmdModel::atCleanStateChanged, this, &QmdController::receivedAtCleanStateChanged, queued);
    connect(m, &QmdModel::canRedoChanged, this, &QmdController::receivedCanRedoChanged, queued);
    connect(m, &QmdModel::canUndoChanged, this, &QmdController::receivedCanUndoChanged, queued);
    connect(m, &QmdModel::redoTextChanged, this, &QmdController::receivedRedoTextChanged, queued);
    connect(m, &QmdModel::undoTextChanged, this, &QmdController::receivedUndoTextChanged, queued);
    connect(m, IdSignal(&QmdModel::itemsChanged), this, IdSlot(&QmdController::receivedItemsChanged), queued);
    connect(m, KeySignal(&QmdModel::itemsChanged), this, KeySlot(&QmdController::receivedItemsChanged), queued);
    connect(m, IdSignal(&QmdModel::itemsRemoved), this, IdSlot(&QmdController::receivedItemsRemoved), queued);
    connect(m, KeySignal(&QmdModel::itemsRemoved), this, KeySlot(&QmdController::receivedItemsRemoved), queued);
    connect(m, &QmdModel::rootChanged, this, &QmdController::receivedRootChanged, queued);
    connect(m, FinishedSignal(&QmdModel::requestFinished), this, &QmdController::receivedRequestFinished, queued);
}

void QmdController::receivedAtCleanStateChanged(bool atCleanState, QmdRequestId rid)
{
    emit atCleanStateChanged(atCleanState, rid);
}

void QmdController::receivedCanRedoChanged(bool canRedo, QmdRequestId rid)
{
    emit canRedoChanged(canRedo, rid);
}

void QmdController::receivedCanUndoChanged(bool canUndo, QmdRequestId rid)
{
    emit canUndoChanged(canUndo, rid);
}

void QmdController::receivedRedoTextChanged(const QString &redoText, QmdRequestId rid)
{
    emit redoTextChanged(redoText, rid);
}

void QmdController::receivedUndoTextChanged(const QString &undoText, QmdRequestId rid)
{
    emit undoTextChanged(undoText, rid);
}

void QmdController::receivedItemsChanged(const QmdIndex &parent, const QStringList &keys, QmdRequestId rid)
{
    emit itemsChanged(parent, keys, rid);
    scheduleBoundObjectUpdates(parent, QSet<QString>(keys.cbegin(), keys.cend()), rid);
}

void QmdController::receivedItemsChanged(const QmdIndex &parent, const QmdItemIdList &idList, QmdRequestId rid)
{
    emit itemsChanged(parent, idList, rid);
}

void QmdController::receivedItemsRemoved(const QmdIndex &parent, const QStringList &keys, QmdRequestId rid)
{
    emit itemsRemoved(parent, keys, rid);
    scheduleBoundObjectUpdates(parent, QSet<QString>(keys.cbegin(), keys.cend()), rid);
}

void QmdController::receivedItemsRemoved(const QmdIndex &parent, const QmdItemIdList &idList, QmdRequestId rid)
{
    emit itemsRemoved(parent, idList, rid);
}

void QmdController::receivedRootChanged(QmdRequestId rid)
{
    emit rootChanged(rid);
}

void QmdController::receivedRequestFinished(QmdRequestId rid, Qmd::RequestFlags, int status)
{
    QList<QObject *> objects;
    {
        ReadLocker lock(this);
        const auto scheduled = m_pendingUpdates.values(rid);
        QSet<QObject *> seen;
        for (QObject *object : scheduled) {
            if (!seen.contains(object)) {
                seen.insert(object);
                objects.append(object);
            }
        }
    }
    updateStillBound(objects);
    emit requestFinished(rid, status);
    WriteLocker lock(this);
    m_pendingUpdates.remove(rid);
    requestFinishedHook(rid);
    m_undoRedoRequestIds.removeOne(rid);
}

void QmdController::requestFinishedHook(QmdRequestId)
{
}

void QmdController::reset()
{
    doReset();
    emit modelReset();
}

void QmdController::doReset()
{
    updateStillBound(readLocked([this] { return m_bindings.uniqueKeys(); }));
}

void QmdController::updateStillBound(const QList<QObject *> &objects)
{
    for (QObject *object : objects) {
        // Writing a property runs the object's code, which may unbind or
        // destroy the objects after it.
        if (readLocked([&] { return m_bindings.contains(object); }))
            updateBoundObject(object);
    }
}

// ---------------------------------------------------------------------------
// Locks and the request cycle

void QmdController::readLock() const
{
}

void QmdController::readUnlock() const
{
}

void QmdController::writeLock()
{
}

void QmdController::writeUnlock()
{
}

QmdRequestId QmdController::nextRequestId()
{
    const QmdRequestId last = m_lastRequestId;
    m_lastRequestId = (last == 0 || last == 0xFFFFFFFFu) ? 1 : last + 1;
    return m_lastRequestId;
}

void QmdController::beginRequest(QmdRequestId rid, Qmd::RequestFlags flags, const QString &undoText)
{
    writeLock();
    openModelRequest(rid, flags, undoText);
}

QmdRequestId QmdController::endRequest(QmdRequestId rid)
{
    closeModelRequest();
    writeUnlock();
    return rid;
}

void QmdController::openModelRequest(QmdRequestId rid, Qmd::RequestFlags flags, const QString &undoText)
{
    // Another thread's request would still hold the write lock, so an open
    // request here is one of this thread: the model keeps one request only,
    // and the new one would take over the open one's undo step.
    if (m_openRequest != 0) {
        qWarning("QmdController: request %u begun while request %u is still open", rid, m_openRequest);
        Q_ASSERT_X(false, "QmdController::beginRequest", "requests do not nest");
    }
    m_openRequest = rid;
    model()->beginRequest(rid, flags, undoText);
}

void QmdController::closeModelRequest()
{
    model()->endRequest();
    m_openRequest = 0;
}

QmdRequestOptions QmdController::defaultOptions(const QString &text) const
{
    QmdRequestOptions options;
    options.text = text;
    return options;
}

QHash<QmdRequestId, QVariant> *QmdController::requestTable()
{
    return &m_requestTable;
}

// ---------------------------------------------------------------------------
// Queries

int QmdController::undoRedoLimit() const
{
    return readLocked([&] { return model()->undoRedoLimit(); });
}

bool QmdController::isAtCleanState() const
{
    return readLocked([&] { return model()->isAtCleanState(); });
}

bool QmdController::canRedo() const
{
    return readLocked([&] { return model()->canRedo(); });
}

bool QmdController::canUndo() const
{
    return readLocked([&] { return model()->canUndo(); });
}

QString QmdController::redoText() const
{
    return readLocked([&] { return model()->redoText(); });
}

QString QmdController::undoText() const
{
    return readLocked([&] { return model()->undoText(); });
}

bool QmdController::isValid(const QmdIndex &index) const
{
    return readLocked([&] { return model()->isValid(index); });
}

QmdIndex QmdController::index(const QString &key, const QmdIndex &parent) const
{
    return readLocked([&] { return QmdDirectModelInterface::index(key, parent); });
}

QmdIndex QmdController::index(QmdItemId id, const QmdIndex &parent) const
{
    return readLocked([&] { return QmdDirectModelInterface::index(id, parent); });
}

QmdIndex QmdController::parent(const QmdIndex &index) const
{
    return readLocked([&] { return QmdDirectModelInterface::parent(index); });
}

bool QmdController::hasChildren(const QmdIndex &index) const
{
    return readLocked([&] { return model()->hasChildren(index); });
}

QmdIndexList QmdController::indexes(const QmdIndex &parent) const
{
    return readLocked([&] { return QmdDirectModelInterface::indexes(parent); });
}

Qmd::ContainerType QmdController::type(const QmdIndex &index) const
{
    return readLocked([&] { return model()->type(index); });
}

QVariant QmdController::data(const QmdIndex &index) const
{
    return readLocked([&] { return QmdDirectModelInterface::data(index); });
}

QVariant QmdController::data(const QString &key, const QmdIndex &parent) const
{
    return readLocked([&] { return QmdDirectModelInterface::data(key, parent); });
}

QVariant QmdController::data(QmdItemId id, const QmdIndex &parent) const
{
    return readLocked([&] { return QmdDirectModelInterface::data(id, parent); });
}

QList<QVariant> QmdController::values(const QmdIndex &parent) const
{
    return readLocked([&] { return QmdDirectModelInterface::values(parent); });
}

QmdItemIdList QmdController::itemIds(const QmdIndex &parent) const
{
    return readLocked([&] { return QmdDirectModelInterface::itemIds(parent); });
}

QStringList QmdController::keys(const QmdIndex &parent) const
{
    return readLocked([&] { return QmdDirectModelInterface::keys(parent); });
}

QList<QmdRequestId> QmdController::undoRedoRequestIds() const
{
    return readLocked([&] { return m_undoRedoRequestIds; });
}

// ---------------------------------------------------------------------------
// Requests

QmdRequestId QmdController::requestSetUndoRedoLimit(int limit)
{
    return runRequest({Qmd::NoUndo, tr("Undo/Redo Limit"), 0}, [&] { model()->setUndoRedoLimit(limit); });
}

QmdRequestId QmdController::requestMarkAsCleanState()
{
    return runRequest({Qmd::NoUndo, tr("Mark Clean State"), 0}, [&] { model()->markAsCleanState(); });
}

QmdRequestId QmdController::requestRedo()
{
    const QmdRequestId rid = nextRequestId();
    beginRequest(rid, Qmd::NoUndo, tr("Redo"));
    m_undoRedoRequestIds.append(rid);
    startNewMergedSteps();
    model()->redo();
    return endRequest(rid);
}

QmdRequestId QmdController::requestUndo()
{
    const QmdRequestId rid = nextRequestId();
    beginRequest(rid, Qmd::NoUndo, tr("Undo"));
    m_undoRedoRequestIds.append(rid);
    startNewMergedSteps();
    model()->undo();
    return endRequest(rid);
}

QmdRequestId QmdController::requestAddData(const QList<QVariant> &data, const QmdIndex &parent,
                                           const QmdRequestOptions &options)
{
    return runRequest(options, [&] { model()->addData(data, parent); });
}

QmdRequestId QmdController::requestSetData(const QHash<QmdIndex, QVariant> &pairs, const QmdRequestOptions &options)
{
    return runRequest(options, [&] { model()->setData(pairs); });
}

QmdRequestId QmdController::requestSetData(const QHash<QString, QVariant> &pairs, const QmdIndex &parent,
                                           const QmdRequestOptions &options)
{
    return runRequest(options, [&] { model()->setData(pairs, parent); });
}

QmdRequestId QmdController::requestSetData(const QHash<QmdItemId, QVariant> &pairs, const QmdIndex &parent,
                                           const QmdRequestOptions &options)
{
    return runRequest(options, [&] { model()->setData(pairs, parent); });
}

QmdRequestId QmdController::requestSetDataIfInvalid(const QString &key, const QVariant &fallbackData,
                                                    const QmdIndex &parent, const QmdRequestOptions &options)
{
    return runRequest(options, [&] { setDataIfInvalid(key, fallbackData, parent); });
}

QmdRequestId QmdController::requestSetDataIfInvalid(QmdItemId id, const QVariant &fallbackData,
                                                    const QmdIndex &parent, const QmdRequestOptions &options)
{
    return runRequest(options, [&] { setDataIfInvalid(id, fallbackData, parent); });
}

QmdRequestId QmdController::requestAddTypes(const QList<Qmd::ContainerType> &types, const QmdIndex &parent,
                                            const QmdRequestOptions &options)
{
    return runRequest(options, [&] { model()->addTypes(types, parent); });
}

QmdRequestId QmdController::requestSetTypes(const QHash<QmdIndex, Qmd::ContainerType> &pairs,
                                            const QmdRequestOptions &options)
{
    return runRequest(options, [&] { model()->setTypes(pairs); });
}

QmdRequestId QmdController::requestSetTypes(const QHash<QString, Qmd::ContainerType> &pairs,
                                            const QmdIndex &parent, const QmdRequestOptions &options)
{
    return runRequest(options, [&] { model()->setTypes(pairs, parent); });
}

QmdRequestId QmdController::requestSetTypes(const QHash<QmdItemId, Qmd::ContainerType> &pairs,
                                            const QmdIndex &parent, const QmdRequestOptions &options)
{
    return runRequest(options, [&] { model()->setTypes(pairs, parent); });
}

QmdRequestId QmdController::requestSetTypeIfInvalid(const QString &key, Qmd::ContainerType fallbackType,
                                                    const QmdIndex &parent, const QmdRequestOptions &options)
{
    return runRequest(options, [&] { setTypeIfInvalid(key, fallbackType, parent); });
}

QmdRequestId QmdController::requestSetTypeIfInvalid(QmdItemId id, Qmd::ContainerType fallbackType,
                                                    const QmdIndex &parent, const QmdRequestOptions &options)
{
    return runRequest(options, [&] { setTypeIfInvalid(id, fallbackType, parent); });
}

QmdRequestId QmdController::requestRemove(const QmdIndexList &indexes, const QmdRequestOptions &options)
{
    return runRequest(options, [&] { model()->remove(indexes); });
}

QmdRequestId QmdController::requestRemove(const QStringList &keys, const QmdIndex &parent,
                                          const QmdRequestOptions &options)
{
    return runRequest(options, [&] { model()->remove(keys, parent); });
}

QmdRequestId QmdController::requestRemove(const QmdItemIdList &idList, const QmdIndex &parent,
                                          const QmdRequestOptions &options)
{
    return runRequest(options, [&] { model()->remove(idList, parent); });
}

QmdRequestId QmdController::requestClear(const QmdIndex &parent, const QmdRequestOptions &options)
{
    return runRequest(options, [&] { model()->clear(parent); });
}

// Shorter forms: the default undo text of the family, and the root.

QmdRequestId QmdController::requestAddData(const QList<QVariant> &data, const QmdIndex &parent)
{
    return requestAddData(data, parent, defaultOptions(tr("Add Data")));
}

QmdRequestId QmdController::requestAddData(const QList<QVariant> &data)
{
    return requestAddData(data, QmdIndex());
}

QmdRequestId QmdController::requestSetData(const QHash<QmdIndex, QVariant> &pairs)
{
    return requestSetData(pairs, defaultOptions(tr("Set Data")));
}

QmdRequestId QmdController::requestSetData(const QHash<QString, QVariant> &pairs, const QmdIndex &parent)
{
    return requestSetData(pairs, parent, defaultOptions(tr("Set Data")));
}

QmdRequestId QmdController::requestSetData(const QHash<QString, QVariant> &pairs)
{
    return requestSetData(pairs, QmdIndex());
}

QmdRequestId QmdController::requestSetData(const QHash<QmdItemId, QVariant> &pairs, const QmdIndex &parent)
{
    return requestSetData(pairs, parent, defaultOptions(tr("Set Data")));
}

QmdRequestId QmdController::requestSetData(const QHash<QmdItemId, QVariant> &pairs)
{
    return requestSetData(pairs, QmdIndex());
}

QmdRequestId QmdController::requestSetDataIfInvalid(const QString &key, const QVariant &fallbackData,
                                                    const QmdIndex &parent)
{
    return requestSetDataIfInvalid(key, fallbackData, parent, defaultOptions(tr("Set Data If Invalid")));
}

QmdRequestId QmdController::requestSetDataIfInvalid(const QString &key, const QVariant &fallbackData)
{
    return requestSetDataIfInvalid(key, fallbackData, QmdIndex());
}

QmdRequestId QmdController::requestSetDataIfInvalid(QmdItemId id, const QVariant &fallbackData,
                                                    const QmdIndex &parent)
{
    return requestSetDataIfInvalid(id, fallbackData, parent, defaultOptions(tr("Set Data If Invalid")));
}

QmdRequestId QmdController::requestSetDataIfInvalid(QmdItemId id, const QVariant &fallbackData)
{
    return requestSetDataIfInvalid(id, fallbackData, QmdIndex());
}

QmdRequestId QmdController::requestAddTypes(const QList<Qmd::ContainerType> &types, const QmdIndex &parent)
{
    return requestAddTypes(types, parent, defaultOptions(tr("Add Types")));
}

QmdRequestId QmdController::requestAddTypes(const QList<Qmd::ContainerType> &types)
{
    return requestAddTypes(types, QmdIndex());
}

QmdRequestId QmdController::requestSetTypes(const QHash<QmdIndex, Qmd::ContainerType> &pairs)
{
    return requestSetTypes(pairs, defaultOptions(tr("Set Types")));
}

QmdRequestId QmdController::requestSetTypes(const QHash<QString, Qmd::ContainerType> &pairs,
                                            const QmdIndex &parent)
{
    return requestSetTypes(pairs, parent, defaultOptions(tr("Set Types")));
}

QmdRequestId QmdController::requestSetTypes(const QHash<QString, Qmd::ContainerType> &pairs)
{
    return requestSetTypes(pairs, QmdIndex());
}

QmdRequestId QmdController::requestSetTypes(const QHash<QmdItemId, Qmd::ContainerType> &pairs,
                                            const QmdIndex &parent)
{
    return requestSetTypes(pairs, parent, defaultOptions(tr("Set Types")));
}

QmdRequestId QmdController::requestSetTypes(const QHash<QmdItemId, Qmd::ContainerType> &pairs)
{
    return requestSetTypes(pairs, QmdIndex());
}

QmdRequestId QmdController::requestSetTypeIfInvalid(const QString &key, Qmd::ContainerType fallbackType,
                                                    const QmdIndex &parent)
{
    return requestSetTypeIfInvalid(key, fallbackType, parent, defaultOptions(tr("Set Type If Invalid")));
}

QmdRequestId QmdController::requestSetTypeIfInvalid(const QString &key, Qmd::ContainerType fallbackType)
{
    return requestSetTypeIfInvalid(key, fallbackType, QmdIndex());
}

QmdRequestId QmdController::requestSetTypeIfInvalid(QmdItemId id, Qmd::ContainerType fallbackType,
                                                    const QmdIndex &parent)
{
    return requestSetTypeIfInvalid(id, fallbackType, parent, defaultOptions(tr("Set Type If Invalid")));
}

QmdRequestId QmdController::requestSetTypeIfInvalid(QmdItemId id, Qmd::ContainerType fallbackType)
{
    return requestSetTypeIfInvalid(id, fallbackType, QmdIndex());
}

QmdRequestId QmdController::requestRemove(const QmdIndexList &indexes)
{
    return requestRemove(indexes, defaultOptions(tr("Remove")));
}

QmdRequestId QmdController::requestRemove(const QStringList &keys, const QmdIndex &parent)
{
    return requestRemove(keys, parent, defaultOptions(tr("Remove")));
}

QmdRequestId QmdController::requestRemove(const QStringList &keys)
{
    return requestRemove(keys, QmdIndex());
}

QmdRequestId QmdController::requestRemove(const QmdItemIdList &idList, const QmdIndex &parent)
{
    return requestRemove(idList, parent, defaultOptions(tr("Remove")));
}

QmdRequestId QmdController::requestRemove(const QmdItemIdList &idList)
{
    return requestRemove(idList, QmdIndex());
}

QmdRequestId QmdController::requestClear(const QmdIndex &parent)
{
    return requestClear(parent, defaultOptions(tr("Clear")));
}

QmdRequestId QmdController::requestClear()
{
    return requestClear(QmdIndex());
}

// Single entries.

QmdRequestId QmdController::requestAddData(const QVariant &data, const QmdIndex &parent,
                                           const QmdRequestOptions &options)
{
    return runRequest(options, [&] { addData(data, parent); });
}

QmdRequestId QmdController::requestAddData(const QVariant &data, const QmdIndex &parent)
{
    return requestAddData(data, parent, defaultOptions(tr("Add Data")));
}

QmdRequestId QmdController::requestAddData(const QVariant &data)
{
    return requestAddData(data, QmdIndex());
}

QmdRequestId QmdController::requestSetData(QmdItemId id, const QVariant &data, const QmdIndex &parent,
                                           const QmdRequestOptions &options)
{
    return runRequest(options, [&] { setData(id, data, parent); });
}

QmdRequestId QmdController::requestSetData(QmdItemId id, const QVariant &data, const QmdIndex &parent)
{
    return requestSetData(id, data, parent, defaultOptions(tr("Set Data")));
}

QmdRequestId QmdController::requestSetData(QmdItemId id, const QVariant &data)
{
    return requestSetData(id, data, QmdIndex());
}

QmdRequestId QmdController::requestSetData(const QString &key, const QVariant &data, const QmdIndex &parent,
                                           const QmdRequestOptions &options)
{
    return runRequest(options, [&] { setData(key, data, parent); });
}

QmdRequestId QmdController::requestSetData(const QString &key, const QVariant &data, const QmdIndex &parent)
{
    return requestSetData(key, data, parent, defaultOptions(tr("Set Data")));
}

QmdRequestId QmdController::requestSetData(const QString &key, const QVariant &data)
{
    return requestSetData(key, data, QmdIndex());
}

QmdRequestId QmdController::requestSetData(const QmdIndex &index, const QVariant &data,
                                           const QmdRequestOptions &options)
{
    return runRequest(options, [&] { setData(index, data); });
}

QmdRequestId QmdController::requestSetData(const QmdIndex &index, const QVariant &data)
{
    return requestSetData(index, data, defaultOptions(tr("Set Data")));
}

QmdRequestId QmdController::requestSetRoot(const QVariant &data, const QmdRequestOptions &options)
{
    return requestSetData(QmdIndex(), data, options);
}

QmdRequestId QmdController::requestSetRoot(const QVariant &data)
{
    return requestSetRoot(data, defaultOptions(tr("Set Root")));
}

QmdRequestId QmdController::requestAddType(Qmd::ContainerType type, const QmdIndex &parent,
                                           const QmdRequestOptions &options)
{
    return runRequest(options, [&] { addType(type, parent); });
}

QmdRequestId QmdController::requestAddType(Qmd::ContainerType type, const QmdIndex &parent)
{
    return requestAddType(type, parent, defaultOptions(tr("Add Type")));
}

QmdRequestId QmdController::requestAddType(Qmd::ContainerType type)
{
    return requestAddType(type, QmdIndex());
}

QmdRequestId QmdController::requestSetType(QmdItemId id, Qmd::ContainerType type, const QmdIndex &parent,
                                           const QmdRequestOptions &options)
{
    return runRequest(options, [&] { setType(id, type, parent); });
}

QmdRequestId QmdController::requestSetType(QmdItemId id, Qmd::ContainerType type, const QmdIndex &parent)
{
    return requestSetType(id, type, parent, defaultOptions(tr("Set Type")));
}

QmdRequestId QmdController::requestSetType(QmdItemId id, Qmd::ContainerType type)
{
    return requestSetType(id, type, QmdIndex());
}

QmdRequestId QmdController::requestSetType(const QString &key, Qmd::ContainerType type, const QmdIndex &parent,
                                           const QmdRequestOptions &options)
{
    return runRequest(options, [&] { setType(key, type, parent); });
}

QmdRequestId QmdController::requestSetType(const QString &key, Qmd::ContainerType type, const QmdIndex &parent)
{
    return requestSetType(key, type, parent, defaultOptions(tr("Set Type")));
}

QmdRequestId QmdController::requestSetType(const QString &key, Qmd::ContainerType type)
{
    return requestSetType(key, type, QmdIndex());
}

QmdRequestId QmdController::requestSetType(const QmdIndex &index, Qmd::ContainerType type,
                                           const QmdRequestOptions &options)
{
    return runRequest(options, [&] { setType(index, type); });
}

QmdRequestId QmdController::requestSetType(const QmdIndex &index, Qmd::ContainerType type)
{
    return requestSetType(index, type, defaultOptions(tr("Set Type")));
}

QmdRequestId QmdController::requestSetRootType(Qmd::ContainerType type, const QmdRequestOptions &options)
{
    return requestSetType(QmdIndex(), type, options);
}

QmdRequestId QmdController::requestSetRootType(Qmd::ContainerType type)
{
    return requestSetRootType(type, defaultOptions(tr("Set Root Type")));
}

QmdRequestId QmdController::requestRemove(QmdItemId id, const QmdIndex &parent, const QmdRequestOptions &options)
{
    return runRequest(options, [&] { remove(id, parent); });
}

QmdRequestId QmdController::requestRemove(QmdItemId id, const QmdIndex &parent)
{
    return requestRemove(id, parent, defaultOptions(tr("Remove")));
}

QmdRequestId QmdController::requestRemove(QmdItemId id)
{
    return requestRemove(id, QmdIndex());
}

QmdRequestId QmdController::requestRemove(const QString &key, const QmdIndex &parent,
                                          const QmdRequestOptions &options)
{
    return runRequest(options, [&] { remove(key, parent); });
}

QmdRequestId QmdController::requestRemove(const QString &key, const QmdIndex &parent)
{
    return requestRemove(key, parent, defaultOptions(tr("Remove")));
}

QmdRequestId QmdController::requestRemove(const QString &key)
{
    return requestRemove(key, QmdIndex());
}

QmdRequestId QmdController::requestRemove(const QmdIndex &index, const QmdRequestOptions &options)
{
    return runRequest(options, [&] { remove(index); });
}

QmdRequestId QmdController::requestRemove(const QmdIndex &index)
{
    return requestRemove(index, defaultOptions(tr("Remove")));
}

// ---------------------------------------------------------------------------
// Property binding

void QmdController::bind(QObject *object, const char *property, const char *notifySignal,
                         const QHash<QmdIndex, QSet<QString>> &keys, const QVariant &defaultValue,
                         const QVariant &mixedValue, const QString &undoText, Qmd::RequestFlags flags)
{
    unbind(object, property);

    Binding binding{QByteArray(property), normalisedSignal(notifySignal), keys, defaultValue, mixedValue,
                    undoText, flags};
    bool first;
    {
        WriteLocker lock(this);
        first = !m_bindings.contains(object);
        m_bindings.insert(object, binding);
        for (auto it = keys.cbegin(); it != keys.cend(); ++it)
            m_boundObjects[it.key()].insert(object);
    }
    updateBoundObject(object, property);
    if (first)
        connect(object, &QObject::destroyed, this, qOverload<QObject *>(&QmdController::unbindForDeletion),
                Qt::UniqueConnection);
}

void QmdController::bind(QObject *object, const char *property, const char *notifySignal,
                         const QHash<QmdIndex, QStringList> &keys, const QVariant &defaultValue,
                         const QVariant &mixedValue, const QString &undoText, Qmd::RequestFlags flags)
{
    QHash<QmdIndex, QSet<QString>> sets;
    for (auto it = keys.cbegin(); it != keys.cend(); ++it)
        sets.insert(it.key(), QSet<QString>(it.value().cbegin(), it.value().cend()));
    bind(object, property, notifySignal, sets, defaultValue, mixedValue, undoText, flags);
}

void QmdController::bind(QObject *object, const char *property, const char *notifySignal, const QString &key,
                         const QmdIndex &parent, const QVariant &defaultValue, const QVariant &mixedValue,
                         const QString &undoText, Qmd::RequestFlags flags)
{
    QHash<QmdIndex, QSet<QString>> keys;
    keys.insert(parent, QSet<QString>{key});
    bind(object, property, notifySignal, keys, defaultValue, mixedValue, undoText, flags);
}

QVariant QmdController::boundValue(const Binding &binding) const
{
    bool first = true;
    bool firstIsPlain = false;
    QVariant candidate;
    for (auto it = binding.keys.cbegin(); it != binding.keys.cend(); ++it) {
        for (const QString &key : it.value()) {
            const QmdIndex entry = QmdDirectModelInterface::index(key, it.key());
            const QVariant value = QmdDirectModelInterface::data(entry);
            if (first) {
                candidate = value;
                firstIsPlain = model()->type(entry) == Qmd::NoContainer;
                first = false;
            } else if (value != candidate) {
                return binding.mixedValue;
            }
        }
    }
    return !first && firstIsPlain ? candidate : binding.defaultValue;
}

void QmdController::updateBoundObject(QObject *obj, const char *objProperty)
{
    QList<std::pair<Binding, QVariant>> shown;
    {
        ReadLocker lock(this);
        const auto bindings = m_bindings.values(obj);
        for (const Binding &binding : bindings) {
            if (objProperty && binding.propertyName != objProperty)
                continue;
            shown.append({binding, model() ? boundValue(binding) : binding.defaultValue});
        }
    }
    for (const auto &entry : qAsConst(shown)) {
        const Binding &binding = entry.first;
        // The property is written with the notify signal disconnected, so
        // that showing the document never writes into it.
        if (!binding.notifySignal.isEmpty() && m_connectedSignals.contains(obj, binding.notifySignal)) {
            stopListening(obj, binding.notifySignal);
            m_connectedSignals.remove(obj, binding.notifySignal);
        }
        if (obj->property(binding.propertyName.constData()) != entry.second)
            obj->setProperty(binding.propertyName.constData(), entry.second);
        if (!binding.notifySignal.isEmpty() && !m_connectedSignals.contains(obj, binding.notifySignal)) {
            listenTo(obj, binding.notifySignal);
            m_connectedSignals.insert(obj, binding.notifySignal);
        }
    }
}

void QmdController::updateBoundObject(QObject *obj)
{
    updateBoundObject(obj, nullptr);
}

void QmdController::onBoundObjectSignalled()
{
    QObject *object = sender();
    WriteLocker lock(this);
    if (!object || !m_bindings.contains(object))
        return;
    QmdRequestId rid;
    const auto merged = m_mergedWrites.find(object);
    if (merged == m_mergedWrites.end()) {
        rid = nextRequestId();
    } else {
        if (!*merged)
            *merged = nextRequestId();
        rid = *merged;
    }
    const auto bindings = m_bindings.values(object);
    for (const Binding &binding : bindings)
        writeBinding(object, binding, rid);
}

void QmdController::writeBinding(QObject *object, const Binding &binding, QmdRequestId rid)
{
    const QVariant value = object->property(binding.propertyName.constData());
    if (!value.isValid())
        return;
    bool opened = false;
    for (auto it = binding.keys.cbegin(); it != binding.keys.cend(); ++it) {
        // Writing a value that is already there would only make an empty
        // undo step and mark the document modified.
        QHash<QString, QVariant> changed;
        for (const QString &key : it.value()) {
            if (QmdDirectModelInterface::data(key, it.key()) != value)
                changed.insert(key, value);
        }
        if (changed.isEmpty())
            continue;
        if (!opened) {
            openModelRequest(rid, binding.flags, binding.undoText);
            opened = true;
        }
        model()->setData(changed, it.key());
    }
    if (opened)
        closeModelRequest();
}

void QmdController::mergeBindingWrites(QObject *object)
{
    WriteLocker lock(this);
    if (m_bindings.contains(object))
        m_mergedWrites.insert(object, 0);
}

void QmdController::startNewMergedSteps()
{
    for (QmdRequestId &rid : m_mergedWrites)
        rid = 0;
}

void QmdController::scheduleBoundObjectUpdates(const QmdIndex &parent, const QSet<QString> &keys, QmdRequestId rid)
{
    WriteLocker lock(this);
    const QSet<QObject *> objects = m_boundObjects.value(parent);
    for (QObject *object : objects) {
        const auto bindings = m_bindings.values(object);
        for (const Binding &binding : bindings) {
            const auto bound = binding.keys.constFind(parent);
            if (bound != binding.keys.cend() && bound->intersects(keys)) {
                if (!m_pendingUpdates.contains(rid, object))
                    m_pendingUpdates.insert(rid, object);
                break;
            }
        }
    }
}

void QmdController::unbind(QObject *obj, const char *objProperty, QmdController::UnbindActions actions)
{
    WriteLocker lock(this);
    const QList<Binding> all = m_bindings.values(obj);
    QList<Binding> kept;
    QList<Binding> undone;
    for (const Binding &binding : all) {
        if (!objProperty || binding.propertyName == objProperty)
            undone.append(binding);
        else
            kept.append(binding);
    }
    if (undone.isEmpty())
        return;
    const bool removing = actions.testFlag(UnbindRemoveBinding);

    if (actions.testFlag(UnbindDisconnect)) {
        for (const Binding &binding : qAsConst(undone)) {
            // Another binding listening to the same signal keeps it.
            const QByteArray &signal = binding.notifySignal;
            if (signal.isEmpty() || !m_connectedSignals.contains(obj, signal))
                continue;
            if (std::any_of(kept.cbegin(), kept.cend(),
                            [&](const Binding &other) { return other.notifySignal == signal; }))
                continue;
            stopListening(obj, signal);
            m_connectedSignals.remove(obj, signal);
        }
    }

    if (actions.testFlag(UnbindResetProperty) && obj) {
        const bool wasBlocked = obj->blockSignals(true);
        for (const Binding &binding : qAsConst(undone))
            obj->setProperty(binding.propertyName.constData(), binding.defaultValue);
        obj->blockSignals(wasBlocked);
    }

    if (!removing)
        return;
    m_bindings.remove(obj);
    for (const Binding &binding : qAsConst(kept))
        m_bindings.insert(obj, binding);
    for (const Binding &binding : qAsConst(undone)) {
        for (auto it = binding.keys.cbegin(); it != binding.keys.cend(); ++it) {
            // The object stays listed under a parent that a kept binding uses.
            if (hasBindingUnder(obj, it.key()))
                continue;
            auto objects = m_boundObjects.find(it.key());
            if (objects == m_boundObjects.end())
                continue;
            objects->remove(obj);
            if (objects->isEmpty())
                m_boundObjects.erase(objects);
        }
    }
    if (kept.isEmpty()) {
        // Pending updates and signal bookkeeping go only with the last
        // binding: a kept binding still needs its update. The destroyed
        // notification goes too, unless the bindings stay, which would then
        // outlive the object.
        for (auto it = m_pendingUpdates.begin(); it != m_pendingUpdates.end();) {
            if (it.value() == obj)
                it = m_pendingUpdates.erase(it);
            else
                ++it;
        }
        m_connectedSignals.remove(obj);
        m_mergedWrites.remove(obj);
        if (actions.testFlag(UnbindDisconnect))
            disconnect(obj, &QObject::destroyed, this, qOverload<QObject *>(&QmdController::unbindForDeletion));
    }
}

void QmdController::unbind(QObject *obj, const char *objProperty)
{
    unbind(obj, objProperty, UnbindActions(UnbindRemoveBinding | UnbindResetProperty | UnbindDisconnect));
}

void QmdController::unbind(QObject *obj)
{
    unbind(obj, nullptr);
}

void QmdController::unbind(const QObjectList &objs, QmdController::UnbindActions actions)
{
    for (QObject *obj : objs)
        unbind(obj, nullptr, actions);
}

void QmdController::unbind(const QObjectList &objs)
{
    unbind(objs, UnbindActions(UnbindRemoveBinding | UnbindResetProperty | UnbindDisconnect));
}

void QmdController::unbindForDeletion(QObject *object)
{
    unbind(object, nullptr, UnbindRemoveBinding);
}

void QmdController::unbindForDeletion(const QObjectList &objects)
{
    for (QObject *object : objects)
        unbindForDeletion(object);
}

bool QmdController::hasBindingUnder(QObject *object, const QmdIndex &parent) const
{
    const auto bindings = m_bindings.values(object);
    return std::any_of(bindings.cbegin(), bindings.cend(),
                       [&](const Binding &binding) { return binding.keys.contains(parent); });
}

void QmdController::listenTo(QObject *object, const QByteArray &signal)
{
    connect(object, signal.constData(), this, SLOT(onBoundObjectSignalled()), Qt::UniqueConnection);
}

void QmdController::stopListening(QObject *object, const QByteArray &signal)
{
    disconnect(object, signal.constData(), this, SLOT(onBoundObjectSignalled()));
}
