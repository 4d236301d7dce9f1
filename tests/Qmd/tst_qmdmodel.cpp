// The shared vocabulary: indexes, request bookkeeping, queued signals, the
// direct model interface and the observer mix-in.
#include "QmdTestSupport.h"

#include "Qmd/QmdDirectModelInterface.h"
#include "Qmd/QmdMemModel.h"
#include "Qmd/QmdObserver.h"

#include <QSet>
#include <QSignalSpy>
#include <QtTest>

// Receives every model signal through string-based queued connections, the
// way a controller on another thread's event loop would.
class QueuedReceiver : public QObject
{
    Q_OBJECT
public:
    QStringList received;

public slots:
    void onBool(bool, QmdRequestId rid) { received << QStringLiteral("bool #%1").arg(rid); }
    void onText(const QString &, QmdRequestId rid) { received << QStringLiteral("text #%1").arg(rid); }
    void onIds(const QmdIndex &, const QmdItemIdList &ids, QmdRequestId rid)
    {
        received << QStringLiteral("ids %1 #%2").arg(ids.size()).arg(rid);
    }
    void onKeys(const QmdIndex &, const QStringList &keys, QmdRequestId rid)
    {
        received << QStringLiteral("keys %1 #%2").arg(keys.join(',')).arg(rid);
    }
    void onRoot(QmdRequestId rid) { received << QStringLiteral("root #%1").arg(rid); }
    void onFinished(QmdRequestId rid, Qmd::RequestFlags flags, int status)
    {
        received << QStringLiteral("finished %1 %2 #%3").arg(int(flags)).arg(status).arg(rid);
    }
};

class Controller : public QObject
{
    Q_OBJECT
};

class CountingObserver : public QmdObserver<Controller>
{
public:
    int calls = 0;
    void setController(Controller *controller) override
    {
        ++calls;
        QmdObserver<Controller>::setController(controller);
    }
};

class TestQmdModel : public QObject
{
    Q_OBJECT

private slots:
    void indexIdentity();
    void foreignAndRootLikeIndexes();
    void requestBookkeeping();
    void queuedSignalsNeedRegisteredTypes();
    void directInterfaceSingleEntries();
    void directInterfaceConditionalWrites();
    void guardedPointers();
};

void TestQmdModel::indexIdentity()
{
    QmdMemModel model(Qmd::StrDict);
    QmdDirectModelInterface d;
    d.setModel(&model);
    d.setType("sub", Qmd::StrDict);
    d.setData("k", 1, d.index("sub"));

    const QmdIndex first = d.index("k", d.index("sub"));
    QVERIFY(first.isValid());
    QCOMPARE(d.index("k", d.index("sub")), first);
    QCOMPARE(qHash(first), qHash(QStringLiteral("k")));
    QCOMPARE(QmdIndex(), QmdIndex());
    QVERIFY(!QmdIndex().isValid());

    // Replacing the dictionary that holds "k" gives an entry of the same key
    // in a different holder: a different index.
    d.setType("sub", Qmd::StrDict);
    d.setData("k", 2, d.index("sub"));
    const QmdIndex second = d.index("k", d.index("sub"));
    QVERIFY(second != first);
    QSet<QmdIndex> set{first, second};
    QCOMPARE(set.size(), 2);

    d.addData(QVariant(7), QmdIndex()); // root is string-keyed: nothing
    d.setType("list", Qmd::IntDict);
    const QmdItemId id = d.addData(QVariant(7), d.index("list"));
    QCOMPARE(qHash(d.index(id, d.index("list"))), qHash(id));
}

void TestQmdModel::foreignAndRootLikeIndexes()
{
    QmdMemModel a(Qmd::StrDict);
    QmdMemModel b(Qmd::StrDict);
    QmdDirectModelInterface da, db;
    da.setModel(&a);
    db.setModel(&b);
    da.setData("x", "from a");
    db.setData("x", "from b");
    db.setData("y", "only b");

    // An index of another model is not valid there; queries treat it as
    // the root.
    const QmdIndex ax = da.index("x");
    QVERIFY(ax.isValid());
    QVERIFY(!b.isValid(ax));
    QCOMPARE(b.type(ax), Qmd::StrDict);
    QCOMPARE(b.index("y", ax), db.index("y"));

    // An index naming no entry is the root, whatever its holder.
    const QmdIndex rootLike(QString(), ax.holder(), &a);
    QVERIFY(!rootLike.isValid());
    QCOMPARE(a.type(rootLike), Qmd::StrDict);
    QCOMPARE(a.keys(rootLike), QStringList{"x"});
    da.setData(rootLike, 42);
    QCOMPARE(a.data(QmdIndex()), QVariant(42));
    QCOMPARE(a.type(QmdIndex()), Qmd::NoContainer);
}

void TestQmdModel::requestBookkeeping()
{
    QmdMemModel model(Qmd::StrDict);
    QSignalSpy withStatus(&model, qOverload<QmdRequestId, Qmd::RequestFlags, int>(&QmdModel::requestFinished));
    QSignalSpy withoutStatus(&model, qOverload<QmdRequestId, Qmd::RequestFlags>(&QmdModel::requestFinished));

    model.beginRequest(7, Qmd::NoUndo, "Nothing");
    QCOMPARE(model.requestId(), 7u);
    QCOMPARE(model.requestFlags(), Qmd::RequestFlags(Qmd::NoUndo));
    QCOMPARE(model.requestUndoText(), QStringLiteral("Nothing"));
    model.setRequestStatus(-1);
    model.endRequest(); // changed nothing, still finishes once

    QCOMPARE(withStatus.count(), 1);
    QCOMPARE(withStatus.at(0).at(0).value<QmdRequestId>(), 7u);
    QCOMPARE(withStatus.at(0).at(1).value<Qmd::RequestFlags>(), Qmd::RequestFlags(Qmd::NoUndo));
    QCOMPARE(withStatus.at(0).at(2).toInt(), -1);
    QCOMPARE(withoutStatus.count(), 1);
    QCOMPARE(model.requestId(), 0u);
    QCOMPARE(model.requestFlags(), Qmd::RequestFlags());
    QCOMPARE(model.requestUndoText(), QString());
    QCOMPARE(model.requestStatus(), 0);

    // A new request starts with status 0 whatever was set before it.
    model.setRequestStatus(-1);
    model.beginRequest(8, {}, "Edit");
    QCOMPARE(model.requestStatus(), 0);
    model.endRequest();
    QCOMPARE(withStatus.at(1).at(2).toInt(), 0);

    // Changes outside a request carry id 0.
    ModelSignalLog log(&model);
    QmdDirectModelInterface d;
    d.setModel(&model);
    d.setData("k", 1);
    QCOMPARE(log.take("itemsChanged"), QStringList{"itemsChanged(root: k) #0"});
}

void TestQmdModel::queuedSignalsNeedRegisteredTypes()
{
    QmdMemModel model(Qmd::StrDict);
    QueuedReceiver receiver;
    const struct
    {
        const char *signal;
        const char *slot;
    } connections[] = {
        {SIGNAL(atCleanStateChanged(bool, QmdRequestId)), SLOT(onBool(bool, QmdRequestId))},
        {SIGNAL(canRedoChanged(bool, QmdRequestId)), SLOT(onBool(bool, QmdRequestId))},
        {SIGNAL(canUndoChanged(bool, QmdRequestId)), SLOT(onBool(bool, QmdRequestId))},
        {SIGNAL(redoTextChanged(QString, QmdRequestId)), SLOT(onText(QString, QmdRequestId))},
        {SIGNAL(undoTextChanged(QString, QmdRequestId)), SLOT(onText(QString, QmdRequestId))},
        {SIGNAL(itemsChanged(QmdIndex, QmdItemIdList, QmdRequestId)), SLOT(onIds(QmdIndex, QmdItemIdList, QmdRequestId))},
        {SIGNAL(itemsChanged(QmdIndex, QStringList, QmdRequestId)), SLOT(onKeys(QmdIndex, QStringList, QmdRequestId))},
        {SIGNAL(itemsRemoved(QmdIndex, QmdItemIdList, QmdRequestId)), SLOT(onIds(QmdIndex, QmdItemIdList, QmdRequestId))},
        {SIGNAL(itemsRemoved(QmdIndex, QStringList, QmdRequestId)), SLOT(onKeys(QmdIndex, QStringList, QmdRequestId))},
        {SIGNAL(rootChanged(QmdRequestId)), SLOT(onRoot(QmdRequestId))},
        {SIGNAL(requestFinished(QmdRequestId, Qmd::RequestFlags, int)), SLOT(onFinished(QmdRequestId, Qmd::RequestFlags, int))},
    };
    for (const auto &c : connections)
        QVERIFY(QObject::connect(&model, c.signal, &receiver, c.slot, Qt::QueuedConnection));

    QmdDirectModelInterface d;
    d.setModel(&model);
    inRequest(model, 3, [&] {
        d.setType("list", Qmd::IntDict);
        d.addData(QVariant(1), d.index("list"));
        d.remove(1, d.index("list"));
        d.remove("list");
    });
    inRequest(model, 4, [&] { model.undo(); }, Qmd::NoUndo);
    inRequest(model, 5, [&] { model.clear(QmdIndex()); }, Qmd::NoUndo);
    QVERIFY(receiver.received.isEmpty()); // nothing delivered before the event loop runs

    QCoreApplication::processEvents();
    const QStringList expected{
        // set type; no longer clean, can undo, undo text
        "keys list #3", "bool #3", "bool #3", "text #3",
        "ids 1 #3", "ids 1 #3",            // add, remove in the list
        "keys list #3", "finished 0 0 #3", // remove the list
        // undo, in reverse; clean, can redo, cannot undo, both texts
        "keys list #4", "ids 1 #4", "ids 1 #4", "keys list #4",
        "bool #4", "bool #4", "bool #4", "text #4", "text #4", "finished 1 0 #4",
        "root #5", "finished 1 0 #5",
    };
    QCOMPARE(receiver.received, expected);
}

void TestQmdModel::directInterfaceSingleEntries()
{
    QmdMemModel model(Qmd::StrDict);
    QmdDirectModelInterface d;
    d.setModel(&model);
    QCOMPARE(d.model(), &model);

    // One value under a parent that is no integer-keyed dictionary: id 0,
    // and no command at all.
    QCOMPARE(d.addData(QVariant(1), QmdIndex()), 0u);
    QCOMPARE(d.addType(Qmd::StrDict, QmdIndex()), 0u);
    QCOMPARE(model.undoRedoCount(), 0);

    d.setType("list", Qmd::IntDict);
    const QmdIndex list = d.index("list");
    QCOMPARE(d.addData(QVariant("a"), list), 1u);
    QCOMPARE(d.addType(Qmd::StrDict, list), 2u);
    QCOMPARE(d.addData(QList<QVariant>{"b", "c"}, list), (QmdItemIdList{3, 4}));
    d.setData(2, "over the dictionary", list);
    d.setData(QmdItemId(5), QVariant(), list); // an entry holding an invalid value
    d.setType(6, Qmd::IntDict, list);
    d.setData(d.index(3, list), "B");

    QCOMPARE(d.data(1, list), QVariant("a"));
    QCOMPARE(d.data(3, list), QVariant("B"));
    QCOMPARE(d.data("list"), QVariant());
    // values() lists the plain entries in the model's order; the invalid
    // value of 5 is a plain entry too, the dictionary at 6 is not.
    QCOMPARE(d.values(list), (QList<QVariant>{"a", "over the dictionary", "B", "c", QVariant()}));
    QCOMPARE(d.itemIds(list), (QmdItemIdList{1, 2, 3, 4, 5, 6}));
    QCOMPARE(d.parent(d.index(6, list)), list);

    d.remove(QmdItemId(1), list);
    d.remove(d.index(3, list));
    d.remove("nothing");
    QCOMPARE(d.itemIds(list), (QmdItemIdList{2, 4, 5, 6}));
    d.remove("list");
    QCOMPARE(d.keys(), QStringList());
    QCOMPARE(d.undoText(), QString());

    // The root index replaces the root.
    d.setType(QmdIndex(), Qmd::IntDict);
    QCOMPARE(model.type(QmdIndex()), Qmd::IntDict);
    QCOMPARE(d.addData(QVariant(9)), 1u);
    QCOMPARE(d.indexes().size(), 1);
}

void TestQmdModel::directInterfaceConditionalWrites()
{
    QmdMemModel model(Qmd::StrDict);
    QmdDirectModelInterface d;
    d.setModel(&model);
    d.setData("present", QVariant()); // exists, holding an invalid value
    d.setData("tempo", 90);
    d.setType("list", Qmd::IntDict);
    d.setData(QmdItemId(1), 7, d.index("list"));
    ModelSignalLog log(&model);

    d.setDataIfInvalid("present", 1);
    d.setDataIfInvalid("tempo", 120);
    d.setDataIfInvalid(QmdItemId(1), 8, d.index("list"));
    d.setTypeIfInvalid("list", Qmd::IntDict);
    QCOMPARE(log.take(), QStringList());
    QCOMPARE(model.data(d.index("present")), QVariant());
    QCOMPARE(d.data("tempo"), QVariant(90));
    QCOMPARE(d.data(QmdItemId(1), d.index("list")), QVariant(7));

    d.setDataIfInvalid("missing", 120);
    d.setTypeIfInvalid("dict", Qmd::StrDict);
    QCOMPARE(d.data("missing"), QVariant(120));
    QCOMPARE(model.type(d.index("dict")), Qmd::StrDict);

    // A plain value or a dictionary of the other kind is replaced.
    d.setTypeIfInvalid("tempo", Qmd::StrDict);
    d.setTypeIfInvalid(QmdItemId(1), Qmd::StrDict, d.index("list"));
    QCOMPARE(model.type(d.index("tempo")), Qmd::StrDict);
    QCOMPARE(model.type(d.index(QmdItemId(1), d.index("list"))), Qmd::StrDict);
    d.setTypeIfInvalid("list", Qmd::StrDict);
    QCOMPARE(model.type(d.index("list")), Qmd::StrDict);
    QCOMPARE(model.hasChildren(d.index("list")), false);
}

void TestQmdModel::guardedPointers()
{
    QmdDirectModelInterface d;
    QmdIndex index;
    {
        QmdMemModel model(Qmd::StrDict);
        d.setModel(&model);
        d.setData("k", 1);
        index = d.index("k");
        QVERIFY(index.isValid());
    }
    QCOMPARE(d.model(), nullptr);
    QVERIFY(!index.isValid()); // its model is gone

    CountingObserver observer;
    QCOMPARE(observer.controller(), nullptr);
    {
        Controller controller;
        observer.setController(&controller);
        QCOMPARE(observer.controller(), &controller);
    }
    QCOMPARE(observer.controller(), nullptr);
    QCOMPARE(observer.calls, 1);
}

QTEST_GUILESS_MAIN(TestQmdModel)
#include "tst_qmdmodel.moc"
