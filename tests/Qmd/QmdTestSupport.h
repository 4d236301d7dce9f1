#ifndef TESTS_QMD_QMDTESTSUPPORT_H
#define TESTS_QMD_QMDTESTSUPPORT_H

#include "Qmd/QmdModel.h"

#include <QObject>
#include <QStringList>

// Writes a model's signals as text, in the order they were emitted, e.g.
// "itemsChanged(root: 1,2) #5" or "canUndoChanged(true) #5" (#5: the request
// id). Parents are named by their key or "#id", the root by "root".
class ModelSignalLog
{
public:
    explicit ModelSignalLog(QmdModel *model)
    {
        auto ctx = &m_context;
        QObject::connect(model, &QmdModel::atCleanStateChanged, ctx, [this](bool v, QmdRequestId rid) {
            add(QStringLiteral("atCleanStateChanged(%1)").arg(v ? "true" : "false"), rid);
        });
        QObject::connect(model, &QmdModel::canRedoChanged, ctx, [this](bool v, QmdRequestId rid) {
            add(QStringLiteral("canRedoChanged(%1)").arg(v ? "true" : "false"), rid);
        });
        QObject::connect(model, &QmdModel::canUndoChanged, ctx, [this](bool v, QmdRequestId rid) {
            add(QStringLiteral("canUndoChanged(%1)").arg(v ? "true" : "false"), rid);
        });
        QObject::connect(model, &QmdModel::redoTextChanged, ctx, [this](const QString &t, QmdRequestId rid) {
            add(QStringLiteral("redoTextChanged(%1)").arg(t), rid);
        });
        QObject::connect(model, &QmdModel::undoTextChanged, ctx, [this](const QString &t, QmdRequestId rid) {
            add(QStringLiteral("undoTextChanged(%1)").arg(t), rid);
        });
        using IdSignal = void (QmdModel::*)(const QmdIndex &, const QmdItemIdList &, QmdRequestId);
        using KeySignal = void (QmdModel::*)(const QmdIndex &, const QStringList &, QmdRequestId);
        QObject::connect(model, IdSignal(&QmdModel::itemsChanged), ctx,
                         [this](const QmdIndex &p, const QmdItemIdList &ids, QmdRequestId rid) {
                             add(QStringLiteral("itemsChanged(%1: %2)").arg(name(p), join(ids)), rid);
                         });
        QObject::connect(model, KeySignal(&QmdModel::itemsChanged), ctx,
                         [this](const QmdIndex &p, const QStringList &keys, QmdRequestId rid) {
                             add(QStringLiteral("itemsChanged(%1: %2)").arg(name(p), keys.join(',')), rid);
                         });
        QObject::connect(model, IdSignal(&QmdModel::itemsRemoved), ctx,
                         [this](const QmdIndex &p, const QmdItemIdList &ids, QmdRequestId rid) {
                             add(QStringLiteral("itemsRemoved(%1: %2)").arg(name(p), join(ids)), rid);
                         });
        QObject::connect(model, KeySignal(&QmdModel::itemsRemoved), ctx,
                         [this](const QmdIndex &p, const QStringList &keys, QmdRequestId rid) {
                             add(QStringLiteral("itemsRemoved(%1: %2)").arg(name(p), keys.join(',')), rid);
                         });
        QObject::connect(model, &QmdModel::rootChanged, ctx,
                         [this](QmdRequestId rid) { add(QStringLiteral("rootChanged()"), rid); });
        using FinishedSignal = void (QmdModel::*)(QmdRequestId, Qmd::RequestFlags, int);
        QObject::connect(model, FinishedSignal(&QmdModel::requestFinished), ctx,
                         [this](QmdRequestId rid, Qmd::RequestFlags flags, int status) {
                             add(QStringLiteral("requestFinished(%1, %2)").arg(int(flags)).arg(status), rid);
                         });
    }

    // The lines logged since the last take.
    QStringList take()
    {
        QStringList result;
        result.swap(m_lines);
        return result;
    }

    // The lines logged since the last take that start with `prefix`.
    QStringList take(const QString &prefix)
    {
        QStringList result;
        for (const QString &line : take())
            if (line.startsWith(prefix))
                result.append(line);
        return result;
    }

private:
    static QString name(const QmdIndex &index)
    {
        if (!index.key().isEmpty())
            return index.key();
        return index.itemId() ? QStringLiteral("#%1").arg(index.itemId()) : QStringLiteral("root");
    }

    static QString join(const QmdItemIdList &ids)
    {
        QStringList parts;
        for (QmdItemId id : ids)
            parts.append(QString::number(id));
        return parts.join(',');
    }

    void add(const QString &line, QmdRequestId rid) { m_lines.append(line + QStringLiteral(" #%1").arg(rid)); }

    QObject m_context;
    QStringList m_lines;
};

// Runs `change` inside one request of the model.
template <typename Change>
void inRequest(QmdModel &model, QmdRequestId rid, Change change, Qmd::RequestFlags flags = {},
               const QString &undoText = QStringLiteral("Edit"))
{
    model.beginRequest(rid, flags, undoText);
    change();
    model.endRequest();
}

#endif
