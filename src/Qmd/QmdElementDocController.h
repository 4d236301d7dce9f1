#ifndef QMD_QMDELEMENTDOCCONTROLLER_H
#define QMD_QMDELEMENTDOCCONTROLLER_H

#include "Qmd/QmdDocController.h"

#include <QHash>

// A file-backed document made of elements: the root is a string-keyed
// dictionary holding, under `Elements`, an integer-keyed dictionary whose
// entries are the elements, each a string-keyed dictionary with an int
// `Type`. Every reset restores that shape; the model's change signals about
// `Elements` and about the keys of single elements come out as element
// signals as well.
class QmdElementDocController : public QmdDocController
{
    Q_OBJECT

public:
    explicit QmdElementDocController(QObject *parent = nullptr);
    ~QmdElementDocController() override;

    // Appends an element of the type with the values and the new
    // dictionaries of `types` (which win over values of the same keys), and
    // returns its id (0 when none could be added). Opens no request: call it
    // between beginRequest and endRequest, after the first reset.
    virtual QmdItemId addElement(int type, const QHash<QString, QVariant> &data,
                                 const QHash<QString, Qmd::ContainerType> &types);

    // True when the index is an entry of the current `Elements`.
    bool isElement(const QmdIndex &index) const;

signals:
    void elementsAdded(const QmdItemIdList &idList, QmdRequestId rid);
    void elementsRemoved(const QmdItemIdList &idList, QmdRequestId rid);
    void elementDataChanged(QmdItemId id, const QStringList &keys, QmdRequestId rid);
    void elementDataRemoved(QmdItemId id, const QStringList &keys, QmdRequestId rid);

protected:
    void doReset() override;

protected slots:
    void receivedItemsChanged(const QmdIndex &parent, const QStringList &keys, QmdRequestId rid) override;
    void receivedItemsChanged(const QmdIndex &parent, const QmdItemIdList &idList, QmdRequestId rid) override;
    void receivedItemsRemoved(const QmdIndex &parent, const QStringList &keys, QmdRequestId rid) override;
    void receivedItemsRemoved(const QmdIndex &parent, const QmdItemIdList &idList, QmdRequestId rid) override;

private:
    // The index of the current `Elements` dictionary, looked up anew;
    // invalid when there is none.
    QmdIndex currentElements() const;

    QmdIndex m_elements; // set by every reset, for addElement
};

#endif
