#ifndef TESTS_QMDVORMA_VORMATESTSUPPORT_H
#define TESTS_QMDVORMA_VORMATESTSUPPORT_H

#include "Mvc/MvcTestSupport.h"
#include "Qmd/QmdTestSupport.h"
#include "QmdVorma/DocumentKeys.h"
#include "QmdVorma/QmdVormaController.h"

#include <QHash>
#include <QVariant>

// A network document in memory with its controller. Content written with
// write() before attach() is what a file would have brought; attach() resets
// the controller on it, as a window does.
class VormaDocument
{
public:
    VormaDocument() { m_direct.setModel(&model); }
    VormaDocument(const VormaDocument &) = delete;
    VormaDocument &operator=(const VormaDocument &) = delete;

    // Runs change on the model's direct interface, outside the undo history.
    template <typename Change>
    void write(Change change)
    {
        inRequest(model, 1, [&] { change(m_direct); }, Qmd::NoUndo);
    }

    // Adds an element with the values under `Elements` (created when missing)
    // and returns its id.
    QmdItemId addElement(const QHash<QString, QVariant> &values)
    {
        QmdItemId id = 0;
        write([&](QmdDirectModelInterface &d) {
            d.setTypeIfInvalid(QmdVorma::Keys::Elements, Qmd::IntDict);
            const QmdIndex elements = d.index(QmdVorma::Keys::Elements);
            id = d.addType(Qmd::StrDict, elements);
            model.setData(values, d.index(id, elements));
        });
        return id;
    }

    void attach()
    {
        controller.setModel(&model);
        settle();
    }

    QmdIndex index(const QString &path) const
    {
        QmdIndex at;
        for (const QString &part : path.split(QLatin1Char('/'), Qt::SkipEmptyParts)) {
            bool isId = false;
            const QmdItemId id = part.toUInt(&isId);
            at = isId ? m_direct.index(id, at) : m_direct.index(part, at);
        }
        return at;
    }

    // The subtree at path ("Elements/3", "" for the root) in dumpTree form.
    QString dump(const QString &path = QString()) const { return dumpTree(&model, index(path)); }

    QVariant value(const QString &path, const QString &key) const { return m_direct.data(key, index(path)); }

    QmdMemModel model{Qmd::StrDict};
    QmdVormaController controller;

private:
    QmdDirectModelInterface m_direct;
};

#endif
