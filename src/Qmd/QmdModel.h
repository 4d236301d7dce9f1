#ifndef QMD_QMDMODEL_H
#define QMD_QMDMODEL_H

#include "Qmd/Qmd.h"
#include "Qmd/QmdIndex.h"

#include <QHash>
#include <QObject>
#include <QString>
#include <QStringList>
#include <QVariant>

class QmdDictionaryNode;

// A document: a tree of plain values and integer- or string-keyed
// dictionaries, changed only inside requests. Every change is announced by a
// signal carrying the id of the request during which it happened; the
// document controller opens and closes the requests and relays the signals.
//
// The model has no lock of its own: callers on other threads go through the
// controller's lock.
class QmdModel : public QObject
{
    Q_OBJECT

public:
    using SpecialItem = QmdDictionaryNode;

    explicit QmdModel(QObject *parent = nullptr);
    ~QmdModel() override;

    // The request currently open (id 0 outside a request).
    QmdRequestId requestId() const { return m_requestId; }
    Qmd::RequestFlags requestFlags() const { return m_requestFlags; }
    const QString &requestUndoText() const { return m_requestUndoText; }
    int requestStatus() const { return m_requestStatus; }

    virtual void setRequestStatus(int status);
    virtual void beginRequest(QmdRequestId rid, Qmd::RequestFlags flags, const QString &undoText);
    virtual void endRequest();

    // History. A model without one reports no clean state, nothing to undo
    // or redo and empty texts.
    virtual int undoRedoLimit() const;
    virtual void setUndoRedoLimit(int limit);
    virtual bool isAtCleanState() const;
    virtual void markAsCleanState();
    virtual int undoRedoCount() const;
    virtual bool canRedo() const;
    virtual bool canUndo() const;
    virtual const QString &redoText() const;
    virtual const QString &undoText() const;
    // Forgets every undo and redo step; the current state becomes the clean
    // one. For a document replaced as a whole, whose old steps would apply
    // to content that is no longer there.
    virtual void clearUndoRedoHistory();

    // Queries. They never fail: a lookup that finds nothing gives the
    // default index, an empty list or an invalid QVariant.
    virtual bool isValid(const QmdIndex &index) const = 0;
    virtual QmdIndex index(const QString &key, const QmdIndex &parent = QmdIndex()) const = 0;
    virtual QmdIndex index(QmdItemId id, const QmdIndex &parent = QmdIndex()) const = 0;
    virtual QmdIndex parent(const QmdIndex &index) const = 0;
    virtual bool hasChildren(const QmdIndex &index) const = 0;
    virtual QmdIndexList indexes(const QmdIndex &parent = QmdIndex()) const = 0;
    virtual QVariant data(const QmdIndex &index) const = 0;
    virtual Qmd::ContainerType type(const QmdIndex &index) const = 0;
    virtual QmdItemIdList itemIds(const QmdIndex &parent = QmdIndex()) const = 0;
    virtual QStringList keys(const QmdIndex &parent = QmdIndex()) const = 0;

    virtual void redo();
    virtual void undo();

    // Changes, each an undo command of the current request.
    virtual QmdItemIdList addData(const QList<QVariant> &values, const QmdIndex &parent = QmdIndex()) = 0;
    virtual void setData(const QHash<QmdIndex, QVariant> &values) = 0;
    virtual void setData(const QHash<QString, QVariant> &values, const QmdIndex &parent = QmdIndex()) = 0;
    virtual void setData(const QHash<QmdItemId, QVariant> &values, const QmdIndex &parent = QmdIndex()) = 0;
    // The same as setData, for run-time data that is never saved: a model
    // may make the hash an empty dictionary's entries as it is, in a request
    // without undo, and its keys then list in the hash's own order rather
    // than in the order writing them one by one would give. A load fills
    // tens of thousands of such dictionaries.
    virtual void setRunTimeData(const QHash<QString, QVariant> &values, const QmdIndex &parent);
    virtual QmdItemIdList addTypes(const QList<Qmd::ContainerType> &types, const QmdIndex &parent = QmdIndex()) = 0;
    virtual void setTypes(const QHash<QmdIndex, Qmd::ContainerType> &types) = 0;
    virtual void setTypes(const QHash<QString, Qmd::ContainerType> &types, const QmdIndex &parent = QmdIndex()) = 0;
    virtual void setTypes(const QHash<QmdItemId, Qmd::ContainerType> &types, const QmdIndex &parent = QmdIndex()) = 0;
    virtual void remove(const QmdIndexList &indexes) = 0;
    virtual void remove(const QStringList &keys, const QmdIndex &parent = QmdIndex()) = 0;
    virtual void remove(const QmdItemIdList &ids, const QmdIndex &parent = QmdIndex()) = 0;
    virtual void clear(const QmdIndex &index) = 0;

signals:
    void atCleanStateChanged(bool atCleanState, QmdRequestId rid);
    void canRedoChanged(bool canRedo, QmdRequestId rid);
    void canUndoChanged(bool canUndo, QmdRequestId rid);
    void redoTextChanged(const QString &redoText, QmdRequestId rid);
    void undoTextChanged(const QString &undoText, QmdRequestId rid);
    void itemsChanged(const QmdIndex &parent, const QmdItemIdList &idList, QmdRequestId rid);
    void itemsChanged(const QmdIndex &parent, const QStringList &keys, QmdRequestId rid);
    void itemsRemoved(const QmdIndex &parent, const QmdItemIdList &idList, QmdRequestId rid);
    void itemsRemoved(const QmdIndex &parent, const QStringList &keys, QmdRequestId rid);
    void rootChanged(QmdRequestId rid);
    void requestFinished(QmdRequestId rid, Qmd::RequestFlags flags, int status);
    void requestFinished(QmdRequestId rid, Qmd::RequestFlags flags);

protected:
    // The only way indexes with a holder come into being.
    QmdIndex createIndex(const QString &key, SpecialItem *holder) const;
    QmdIndex createIndex(QmdItemId id, SpecialItem *holder) const;

private:
    int m_undoRedoLimit = 0;
    QmdRequestId m_requestId = 0;
    Qmd::RequestFlags m_requestFlags;
    QString m_requestUndoText;
    int m_requestStatus = 0;
};

#endif
