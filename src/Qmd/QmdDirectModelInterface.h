#ifndef QMD_QMDDIRECTMODELINTERFACE_H
#define QMD_QMDDIRECTMODELINTERFACE_H

#include "Qmd/QmdModel.h"

#include <QPointer>

// Direct access to a model, for the controllers and the property-list reader
// and writer. The calls open no request: what they change belongs to the
// request the caller has opened on the model. A model must be set first.
class QmdDirectModelInterface
{
public:
    QmdDirectModelInterface() = default;
    virtual ~QmdDirectModelInterface();

    virtual void setModel(QmdModel *model);
    // Null once the model has been destroyed.
    QmdModel *model() const { return m_model.data(); }

    QmdItemIdList addData(const QList<QVariant> &values, const QmdIndex &parent = QmdIndex());
    // The new entry's id, or 0 when the parent is no integer-keyed dictionary.
    QmdItemId addData(const QVariant &value, const QmdIndex &parent = QmdIndex());
    QmdItemIdList addTypes(const QList<Qmd::ContainerType> &types, const QmdIndex &parent = QmdIndex());
    QmdItemId addType(Qmd::ContainerType type, const QmdIndex &parent = QmdIndex());

    void setData(const QString &key, const QVariant &value, const QmdIndex &parent = QmdIndex());
    void setData(QmdItemId id, const QVariant &value, const QmdIndex &parent = QmdIndex());
    void setData(const QmdIndex &index, const QVariant &value);
    // Write only when the key has no entry; an entry holding an invalid
    // value counts as present.
    void setDataIfInvalid(const QString &key, const QVariant &value, const QmdIndex &parent = QmdIndex());
    void setDataIfInvalid(QmdItemId id, const QVariant &value, const QmdIndex &parent = QmdIndex());

    void setType(const QString &key, Qmd::ContainerType type, const QmdIndex &parent = QmdIndex());
    void setType(QmdItemId id, Qmd::ContainerType type, const QmdIndex &parent = QmdIndex());
    // The root index replaces the root.
    void setType(const QmdIndex &index, Qmd::ContainerType type);
    // Make the entry a new dictionary of the type when it is missing or holds
    // anything else; a dictionary of that type is left as it is.
    void setTypeIfInvalid(const QString &key, Qmd::ContainerType type, const QmdIndex &parent = QmdIndex());
    void setTypeIfInvalid(QmdItemId id, Qmd::ContainerType type, const QmdIndex &parent = QmdIndex());

    void remove(const QString &key, const QmdIndex &parent = QmdIndex());
    void remove(QmdItemId id, const QmdIndex &parent = QmdIndex());
    void remove(const QmdIndex &index);

    QmdIndex index(const QString &key, const QmdIndex &parent = QmdIndex()) const;
    QmdIndex index(QmdItemId id, const QmdIndex &parent = QmdIndex()) const;
    QmdIndex parent(const QmdIndex &index) const;
    QmdIndexList indexes(const QmdIndex &parent = QmdIndex()) const;
    QmdItemIdList itemIds(const QmdIndex &parent = QmdIndex()) const;
    QStringList keys(const QmdIndex &parent = QmdIndex()) const;
    QVariant data(const QmdIndex &index) const;
    QVariant data(const QString &key, const QmdIndex &parent = QmdIndex()) const;
    QVariant data(QmdItemId id, const QmdIndex &parent = QmdIndex()) const;
    // The plain values among the parent's entries, in the model's order.
    QList<QVariant> values(const QmdIndex &parent = QmdIndex()) const;
    QString redoText() const;
    QString undoText() const;

private:
    QPointer<QmdModel> m_model;
};

#endif
