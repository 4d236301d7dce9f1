#ifndef TESTS_QMD_QMDTESTSUPPORT_H
#define TESTS_QMD_QMDTESTSUPPORT_H

#include "Qmd/QmdDocController.h"
#include "Qmd/QmdDirectModelInterface.h"
#include "Qmd/QmdElementDocController.h"
#include "Qmd/QmdMemModel.h"
#include "Qmd/QmdModel.h"

#include <QCoreApplication>
#include <QObject>
#include <QStringList>

#include <algorithm>

// Writes the change signals that a model and a controller share as text, in
// the order they were emitted, e.g. "itemsChanged(root: 1,2) #5" or
// "canUndoChanged(true) #5" (#5: the request id). Parents are named by their
// key or "#id", the root by "root".
template <typename Source>
class SignalLog
{
public:
    explicit SignalLog(Source *source, bool sortKeys)
        : m_sortKeys(sortKeys)
    {
        auto ctx = &m_context;
        QObject::connect(source, &Source::atCleanStateChanged, ctx, [this](bool v, QmdRequestId rid) {
            add(QStringLiteral("atCleanStateChanged(%1)").arg(v ? "true" : "false"), rid);
        });
        QObject::connect(source, &Source::canRedoChanged, ctx, [this](bool v, QmdRequestId rid) {
            add(QStringLiteral("canRedoChanged(%1)").arg(v ? "true" : "false"), rid);
        });
        QObject::connect(source, &Source::canUndoChanged, ctx, [this](bool v, QmdRequestId rid) {
            add(QStringLiteral("canUndoChanged(%1)").arg(v ? "true" : "false"), rid);
        });
        QObject::connect(source, &Source::redoTextChanged, ctx, [this](const QString &t, QmdRequestId rid) {
            add(QStringLiteral("redoTextChanged(%1)").arg(t), rid);
        });
        QObject::connect(source, &Source::undoTextChanged, ctx, [this](const QString &t, QmdRequestId rid) {
            add(QStringLiteral("undoTextChanged(%1)").arg(t), rid);
        });
        using IdSignal = void (Source::*)(const QmdIndex &, const QmdItemIdList &, QmdRequestId);
        using KeySignal = void (Source::*)(const QmdIndex &, const QStringList &, QmdRequestId);
        QObject::connect(source, IdSignal(&Source::itemsChanged), ctx,
                         [this](const QmdIndex &p, const QmdItemIdList &ids, QmdRequestId rid) {
                             add(QStringLiteral("itemsChanged(%1: %2)").arg(name(p), join(ids)), rid);
                         });
        QObject::connect(source, KeySignal(&Source::itemsChanged), ctx,
                         [this](const QmdIndex &p, const QStringList &keys, QmdRequestId rid) {
                             add(QStringLiteral("itemsChanged(%1: %2)").arg(name(p), join(keys)), rid);
                         });
        QObject::connect(source, IdSignal(&Source::itemsRemoved), ctx,
                         [this](const QmdIndex &p, const QmdItemIdList &ids, QmdRequestId rid) {
                             add(QStringLiteral("itemsRemoved(%1: %2)").arg(name(p), join(ids)), rid);
                         });
        QObject::connect(source, KeySignal(&Source::itemsRemoved), ctx,
                         [this](const QmdIndex &p, const QStringList &keys, QmdRequestId rid) {
                             add(QStringLiteral("itemsRemoved(%1: %2)").arg(name(p), join(keys)), rid);
                         });
        QObject::connect(source, &Source::rootChanged, ctx,
                         [this](QmdRequestId rid) { add(QStringLiteral("rootChanged()"), rid); });
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

protected:
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

    // Keys of a batch come in hash order unless sorted.
    QString join(QStringList keys) const
    {
        if (m_sortKeys)
            std::sort(keys.begin(), keys.end());
        return keys.join(',');
    }

    void add(const QString &line, QmdRequestId rid) { addLine(line + QStringLiteral(" #%1").arg(rid)); }
    void addLine(const QString &line) { m_lines.append(line); }

    QObject m_context;

private:
    const bool m_sortKeys;
    QStringList m_lines;
};

// A model's signals, with "requestFinished(flags, status)".
class ModelSignalLog : public SignalLog<QmdModel>
{
public:
    explicit ModelSignalLog(QmdModel *model)
        : SignalLog(model, false)
    {
        using FinishedSignal = void (QmdModel::*)(QmdRequestId, Qmd::RequestFlags, int);
        QObject::connect(model, FinishedSignal(&QmdModel::requestFinished), &m_context,
                         [this](QmdRequestId rid, Qmd::RequestFlags flags, int status) {
                             add(QStringLiteral("requestFinished(%1, %2)").arg(int(flags)).arg(status), rid);
                         });
    }
};

// A controller's signals, with "requestFinished(status)", "modelReset()",
// and the signals of file-backed and element controllers when it is one.
// Keys are sorted.
class ControllerSignalLog : public SignalLog<QmdController>
{
public:
    explicit ControllerSignalLog(QmdController *controller)
        : SignalLog(controller, true)
    {
        auto ctx = &m_context;
        QObject::connect(controller, &QmdController::modelReset, ctx, [this] {
            ++m_resets;
            addLine(QStringLiteral("modelReset()"));
        });
        QObject::connect(controller, &QmdController::requestFinished, ctx, [this](QmdRequestId rid, int status) {
            add(QStringLiteral("requestFinished(%1)").arg(status), rid);
        });
        if (auto doc = qobject_cast<QmdDocController *>(controller)) {
            auto named = [this](const char *signal) {
                return [this, signal](const QString &fileName, QmdRequestId rid) {
                    add(QStringLiteral("%1(%2)").arg(signal, fileName), rid);
                };
            };
            auto failed = [this](const char *signal) {
                return [this, signal](const QString &fileName, QFile::FileError error, QmdRequestId rid) {
                    add(QStringLiteral("%1(%2, %3)").arg(signal, fileName).arg(int(error)), rid);
                };
            };
            auto loadFailed = [this](const char *signal) {
                return [this, signal](const QString &fileName, const QmdFileStatus &status, QmdRequestId rid) {
                    add(QStringLiteral("%1(%2, %3)").arg(signal, fileName).arg(int(status.error())), rid);
                };
            };
            QObject::connect(doc, &QmdDocController::fileSaved, ctx, named("fileSaved"));
            QObject::connect(doc, &QmdDocController::fileLoaded, ctx, named("fileLoaded"));
            QObject::connect(doc, &QmdDocController::templateLoaded, ctx, named("templateLoaded"));
            QObject::connect(doc, &QmdDocController::fileNameChanged, ctx, named("fileNameChanged"));
            QObject::connect(doc, &QmdDocController::fileSaveError, ctx, failed("fileSaveError"));
            QObject::connect(doc, &QmdDocController::fileLoadError, ctx, loadFailed("fileLoadError"));
            QObject::connect(doc, &QmdDocController::templateLoadError, ctx, loadFailed("templateLoadError"));
        }
        if (auto elements = qobject_cast<QmdElementDocController *>(controller)) {
            auto ids = [this](const char *signal) {
                return [this, signal](const QmdItemIdList &idList, QmdRequestId rid) {
                    add(QStringLiteral("%1(%2)").arg(signal, join(idList)), rid);
                };
            };
            auto keys = [this](const char *signal) {
                return [this, signal](QmdItemId id, const QStringList &keyList, QmdRequestId rid) {
                    add(QStringLiteral("%1(#%2: %3)").arg(signal).arg(id).arg(join(keyList)), rid);
                };
            };
            QObject::connect(elements, &QmdElementDocController::elementsAdded, ctx, ids("elementsAdded"));
            QObject::connect(elements, &QmdElementDocController::elementsRemoved, ctx, ids("elementsRemoved"));
            QObject::connect(elements, &QmdElementDocController::elementDataChanged, ctx, keys("elementDataChanged"));
            QObject::connect(elements, &QmdElementDocController::elementDataRemoved, ctx, keys("elementDataRemoved"));
        }
    }

    // The number of modelReset() signals so far.
    int resets() const { return m_resets; }

private:
    int m_resets = 0;
};

// Delivers posted events, including those that handlers post in turn, until
// none is left: the model's signals reach the controller this way.
inline void settle()
{
    for (int pass = 0; pass < 20; ++pass)
        QCoreApplication::sendPostedEvents();
}

// The tree under `index` as text: a string-keyed dictionary as {key: value,
// ...} with sorted keys, an integer-keyed one as [id: value, ...], plain
// values by type: true, 5 (int), u5, L5, UL5, r0.5 (real), "text", ~ for an
// invalid value, and Type(text) for any other type.
inline QString dumpTree(const QmdModel *model, const QmdIndex &index = QmdIndex())
{
    const Qmd::ContainerType type = model->type(index);
    if (type != Qmd::NoContainer) {
        QStringList parts;
        for (const QmdIndex &child : model->indexes(index)) {
            const QString key = type == Qmd::IntDict ? QString::number(child.itemId()) : child.key();
            parts.append(key + QStringLiteral(": ") + dumpTree(model, child));
        }
        if (type == Qmd::StrDict) {
            std::sort(parts.begin(), parts.end());
            return '{' + parts.join(QStringLiteral(", ")) + '}';
        }
        return '[' + parts.join(QStringLiteral(", ")) + ']';
    }
    const QVariant value = model->data(index);
    switch (value.userType()) {
    case QMetaType::UnknownType:
        return QStringLiteral("~");
    case QMetaType::Bool:
        return value.toBool() ? QStringLiteral("true") : QStringLiteral("false");
    case QMetaType::Int:
        return value.toString();
    case QMetaType::UInt:
        return 'u' + value.toString();
    case QMetaType::LongLong:
        return 'L' + value.toString();
    case QMetaType::ULongLong:
        return QStringLiteral("UL") + value.toString();
    case QMetaType::Double:
        return 'r' + QString::number(value.toDouble(), 'g', 17);
    case QMetaType::QString:
        return '"' + value.toString() + '"';
    default:
        return QStringLiteral("%1(%2)").arg(QString::fromLatin1(value.typeName()), value.toString());
    }
}

// Runs `change` inside one request of the model.
template <typename Change>
void inRequest(QmdModel &model, QmdRequestId rid, Change change, Qmd::RequestFlags flags = {},
               const QString &undoText = QStringLiteral("Edit"))
{
    model.beginRequest(rid, flags, undoText);
    change();
    model.endRequest();
}

// A document with a string-keyed root, changed directly in requests of its
// own.
struct DirectDocument
{
    DirectDocument() { d.setModel(&model); }

    template <typename Change>
    void change(Change change, Qmd::RequestFlags flags = {})
    {
        inRequest(model, ++lastRequest, change, flags);
    }

    QmdMemModel model{Qmd::StrDict};
    QmdDirectModelInterface d;
    QmdRequestId lastRequest = 0;
};

#endif
