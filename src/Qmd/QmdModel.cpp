#include "Qmd/QmdModel.h"

#include "Qmd/QmdDictionaryNode.h"

QmdModel::QmdModel(QObject *parent)
    : QObject(parent)
{
    // The controller receives these signals queued.
    qRegisterMetaType<QmdIndex>("QmdIndex");
    qRegisterMetaType<QmdItemIdList>("QmdItemIdList");
    qRegisterMetaType<QmdRequestId>("QmdRequestId");
    qRegisterMetaType<Qmd::RequestFlags>("Qmd::RequestFlags");
}

QmdModel::~QmdModel() = default;

void QmdModel::setRequestStatus(int status)
{
    m_requestStatus = status;
}

void QmdModel::beginRequest(QmdRequestId rid, Qmd::RequestFlags flags, const QString &undoText)
{
    m_requestId = rid;
    m_requestFlags = flags;
    m_requestUndoText = undoText;
    m_requestStatus = 0;
}

void QmdModel::endRequest()
{
    emit requestFinished(m_requestId, m_requestFlags, m_requestStatus);
    emit requestFinished(m_requestId, m_requestFlags);
    m_requestId = 0;
    m_requestFlags = {};
    m_requestUndoText.clear();
    m_requestStatus = 0;
}

int QmdModel::undoRedoLimit() const
{
    return m_undoRedoLimit;
}

void QmdModel::setUndoRedoLimit(int limit)
{
    m_undoRedoLimit = limit;
}

bool QmdModel::isAtCleanState() const
{
    return false;
}

void QmdModel::markAsCleanState()
{
}

int QmdModel::undoRedoCount() const
{
    return 0;
}

bool QmdModel::canRedo() const
{
    return false;
}

bool QmdModel::canUndo() const
{
    return false;
}

void QmdModel::clearUndoRedoHistory()
{
}

const QString &QmdModel::redoText() const
{
    static const QString none;
    return none;
}

const QString &QmdModel::undoText() const
{
    static const QString none;
    return none;
}

void QmdModel::setRunTimeData(const QHash<QString, QVariant> &values, const QmdIndex &parent)
{
    setData(values, parent);
}

void QmdModel::redo()
{
}

void QmdModel::undo()
{
}

QmdIndex QmdModel::createIndex(const QString &key, SpecialItem *holder) const
{
    return QmdIndex(key, holder, const_cast<QmdModel *>(this));
}

QmdIndex QmdModel::createIndex(QmdItemId id, SpecialItem *holder) const
{
    return QmdIndex(id, holder, const_cast<QmdModel *>(this));
}
