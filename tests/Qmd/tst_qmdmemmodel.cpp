// The in-memory tree: storage, queries, item ids, announcements, and what
// happens to indexes and dictionaries once they leave the tree.
#include "QmdTestSupport.h"

#include "Qmd/QmdDirectModelInterface.h"
#include "Qmd/QmdMemModel.h"

#include <QtTest>

class TestQmdMemModel : public QObject
{
    Q_OBJECT

private slots:
    void queriesFindOnlyWhatIsThere();
    void nullKeysAreNeitherStoredNorAnnounced();
    void issuingIds();
    void addedIdsFollowTheValuesAcrossAWrap();
    void idsAreListedAndWrittenInAscendingOrder();
    void writesAndRemovalsAmongExistingIds();
    void announcements();
    void detachedDictionaryStaysReadableWhileHeld();
    void staleOrForeignIndexesChangeNothing_data();
    void staleOrForeignIndexesChangeNothing();
    void replayOnAFreedDictionaryChangesNothing();
    void freedDictionaryAddressReuse();
    void unrecordedReplacementFreesNestedDictionaries();
    void undoOverUnrecordedEntriesFreesThem();
    void runTimeDataWritesLikeSetData();
};

void TestQmdMemModel::queriesFindOnlyWhatIsThere()
{
    // No root at all until one is set.
    QmdMemModel empty;
    QCOMPARE(empty.type(QmdIndex()), Qmd::NoContainer);
    QCOMPARE(empty.data(QmdIndex()), QVariant());
    QVERIFY(empty.indexes().isEmpty());
    QVERIFY(!empty.index("a").isValid());
    QVERIFY(!empty.hasChildren(QmdIndex()));

    QmdMemModel model(Qmd::StrDict);
    QmdDirectModelInterface d;
    d.setModel(&model);
    QVERIFY(!model.hasChildren(QmdIndex()));
    d.setData("plain", 5);
    d.setType("list", Qmd::IntDict);
    d.setType("dict", Qmd::StrDict);
    const QmdIndex list = d.index("list");
    d.addData(QVariant("x"), list);

    // A missing key gives the root index, which reads as the root: probe
    // with isValid, not with the type or the data.
    const QmdIndex missing = model.index("missing");
    QCOMPARE(missing, QmdIndex());
    QCOMPARE(model.type(missing), Qmd::StrDict);
    QCOMPARE(model.data(missing), QVariant());

    // Lookups of the wrong key kind find nothing.
    QVERIFY(!model.index(QmdItemId(1)).isValid());
    QVERIFY(!model.index("1", list).isValid());
    QVERIFY(model.index(1, list).isValid());
    QVERIFY(model.keys(list).isEmpty());
    QVERIFY(model.itemIds(QmdIndex()).isEmpty());

    QCOMPARE(model.data(list), QVariant()); // dictionaries read as invalid
    QCOMPARE(model.type(list), Qmd::IntDict);
    QCOMPARE(model.type(d.index("plain")), Qmd::NoContainer);
    QVERIFY(model.indexes(d.index("plain")).isEmpty());
    QVERIFY(model.hasChildren(list));
    QVERIFY(!model.hasChildren(d.index("dict")));
    QCOMPARE(model.parent(model.index(1, list)), list);
    QCOMPARE(model.parent(list), QmdIndex());
    QCOMPARE(model.parent(QmdIndex()), QmdIndex());
}

void TestQmdMemModel::nullKeysAreNeitherStoredNorAnnounced()
{
    QmdMemModel model(Qmd::StrDict);
    QmdDirectModelInterface d;
    d.setModel(&model);
    d.setType("list", Qmd::IntDict);
    ModelSignalLog log(&model);

    inRequest(model, 2, [&] {
        d.setData(QString(), 1);
        d.setData(QmdItemId(0), 1, d.index("list"));
        d.setType(QmdItemId(0), Qmd::StrDict, d.index("list"));
    });
    QCOMPARE(log.take("items"), QStringList());
    QCOMPARE(model.keys(), QStringList{"list"});
    QVERIFY(model.itemIds(d.index("list")).isEmpty());
    QCOMPARE(model.undoRedoCount(), 2); // the commands were filed all the same
}

void TestQmdMemModel::issuingIds()
{
    QmdMemModel model(Qmd::IntDict);
    QmdDirectModelInterface d;
    d.setModel(&model);

    QCOMPARE(d.addData(QList<QVariant>{1, 2, 3, 4, 5}), (QmdItemIdList{1, 2, 3, 4, 5}));
    d.remove(QmdItemId(3));
    QCOMPARE(d.addData(QVariant(6)), 6u); // one past the last issued, not the gap
    d.setData(2, "rewritten"); // the last issued id is now the one written
    QCOMPARE(d.addData(QVariant(3)), 3u);
    QCOMPARE(d.addData(QVariant(7)), 7u);

    // Past the top the search wraps to the smallest free id.
    d.setData(0xFFFFFFFFu, "top");
    QCOMPARE(d.addData(QList<QVariant>{8, 9}), (QmdItemIdList{8, 9}));
    d.remove(QmdItemId(1));
    d.setData(0xFFFFFFFFu, "top again");
    QCOMPARE(d.addData(QVariant(1)), 1u);
}

void TestQmdMemModel::addedIdsFollowTheValuesAcrossAWrap()
{
    QmdMemModel model(Qmd::StrDict);
    QmdDirectModelInterface d;
    d.setModel(&model);
    d.setType("values", Qmd::IntDict);
    d.setType("dicts", Qmd::IntDict);
    const QmdIndex values = d.index("values");
    const QmdIndex dicts = d.index("dicts");
    d.setData(0xFFFFFFFEu, "near the top", values);
    d.setData(0xFFFFFFFEu, "near the top", dicts);

    const QmdItemIdList expected{0xFFFFFFFFu, 1, 2};
    QCOMPARE(d.addData(QList<QVariant>{"first", "second", "third"}, values), expected);
    QCOMPARE(d.data(0xFFFFFFFFu, values), QVariant("first"));
    QCOMPARE(d.data(1, values), QVariant("second"));
    QCOMPARE(d.addTypes({Qmd::StrDict, Qmd::IntDict, Qmd::NoContainer}, dicts), expected);
    QCOMPARE(model.type(d.index(0xFFFFFFFFu, dicts)), Qmd::StrDict);
    QCOMPARE(model.type(d.index(1, dicts)), Qmd::IntDict);
    QVERIFY(d.index(2, dicts).isValid()); // present, holding an invalid value
}

void TestQmdMemModel::idsAreListedAndWrittenInAscendingOrder()
{
    QmdMemModel model(Qmd::IntDict);
    QmdDirectModelInterface d;
    d.setModel(&model);
    ModelSignalLog log(&model);

    inRequest(model, 2, [&] {
        model.setData(QHash<QmdItemId, QVariant>{{70, "c"}, {30, "a"}, {50, "b"}, {90, "d"}, {10, "e"}});
    });
    QCOMPARE(log.take("items"), QStringList{"itemsChanged(root: 10,30,50,70,90) #2"});
    QCOMPARE(model.itemIds(), (QmdItemIdList{10, 30, 50, 70, 90}));
    QmdItemIdList listed;
    for (const QmdIndex &index : model.indexes())
        listed << index.itemId();
    QCOMPARE(listed, (QmdItemIdList{10, 30, 50, 70, 90}));
    // The last id written is the largest one.
    QCOMPARE(d.addData(QVariant("f")), 91u);
    log.take();

    inRequest(model, 3, [&] { model.remove(QmdItemIdList{90, 30, 91, 70, 10, 50}); });
    QCOMPARE(log.take("items"), QStringList{"itemsRemoved(root: 90,30,91,70,10,50) #3"});
    inRequest(model, 4, [&] { model.undo(); }, Qmd::NoUndo);
    QCOMPARE(log.take("items"), QStringList{"itemsChanged(root: 10,30,50,70,90,91) #4"});
    QCOMPARE(d.addData(QVariant("g")), 92u);
}

void TestQmdMemModel::writesAndRemovalsAmongExistingIds()
{
    QmdMemModel model(Qmd::IntDict);
    QmdDirectModelInterface d;
    d.setModel(&model);
    for (QmdItemId id : {10, 30, 50})
        d.setData(id, id);
    ModelSignalLog log(&model);

    inRequest(model, 2, [&] {
        model.setData(QHash<QmdItemId, QVariant>{{60, "z"}, {30, "y"}, {5, "w"}, {20, "x"}});
    });
    QCOMPARE(log.take("items"), QStringList{"itemsChanged(root: 5,20,30,60) #2"});
    QCOMPARE(model.itemIds(), (QmdItemIdList{5, 10, 20, 30, 50, 60}));
    QCOMPARE(d.data(30), QVariant("y"));
    QCOMPARE(d.data(10), QVariant(10));

    inRequest(model, 3, [&] { model.remove(QmdItemIdList{50, 5, 50, 40, 60, 5}); });
    QCOMPARE(log.take("items"), QStringList{"itemsRemoved(root: 50,5,60) #3"});
    QCOMPARE(model.itemIds(), (QmdItemIdList{10, 20, 30}));

    inRequest(model, 4, [&] { model.undo(); model.undo(); }, Qmd::NoUndo);
    QCOMPARE(log.take("items"), (QStringList{
                                    "itemsChanged(root: 5,50,60) #4",
                                    "itemsRemoved(root: 5,20,60) #4",
                                    "itemsChanged(root: 30) #4",
                                }));
    QCOMPARE(model.itemIds(), (QmdItemIdList{10, 30, 50}));
    QCOMPARE(d.data(30), QVariant(30));
    QCOMPARE(d.data(50), QVariant(50));
}

void TestQmdMemModel::announcements()
{
    QmdMemModel model(Qmd::StrDict);
    QmdDirectModelInterface d;
    d.setModel(&model);
    d.setData("plain", 1);
    d.setType("dict", Qmd::StrDict);
    d.setData("inner", 1, d.index("dict"));
    ModelSignalLog log(&model);

    // A value over a dictionary: removed first, then changed. A dictionary
    // over a plain value, or a value over a value: only changed.
    inRequest(model, 2, [&] { d.setData("dict", 2); });
    inRequest(model, 3, [&] { d.setType("plain", Qmd::IntDict); });
    inRequest(model, 4, [&] { d.setData("dict", 3); });
    QCOMPARE(log.take("items"), (QStringList{
                                    "itemsRemoved(root: dict) #2",
                                    "itemsChanged(root: dict) #2",
                                    "itemsChanged(root: plain) #3",
                                    "itemsChanged(root: dict) #4",
                                }));

    // Removal announces the keys present, in list order, under the index of
    // the dictionary they were in.
    d.setType("sub", Qmd::StrDict);
    const QmdIndex sub = d.index("sub");
    model.setData(QHash<QString, QVariant>{{"a", 1}, {"b", 2}}, sub);
    log.take();
    inRequest(model, 5, [&] { model.remove(QStringList{"b", "missing", "a", "b"}, sub); });
    QCOMPARE(log.take("items"), QStringList{"itemsRemoved(sub: b,a) #5"});
    inRequest(model, 6, [&] { model.remove(QStringList{"missing"}, sub); });
    QCOMPARE(log.take("items"), QStringList());
}

void TestQmdMemModel::detachedDictionaryStaysReadableWhileHeld()
{
    QmdMemModel model(Qmd::StrDict);
    QmdDirectModelInterface d;
    d.setModel(&model);
    model.setUndoRedoLimit(2);
    inRequest(model, 2, [&] {
        d.setType("dict", Qmd::StrDict);
        d.setData("k", "kept", d.index("dict"));
    });
    const QmdIndex dict = d.index("dict");
    const QmdIndex k = d.index("k", dict);

    inRequest(model, 3, [&] { d.setData("dict", "plain now"); });
    QVERIFY(!d.index("k", d.index("dict")).isValid()); // gone from the tree
    QVERIFY(k.isValid()); // but its step holds it
    QCOMPARE(model.data(k), QVariant("kept"));
    QCOMPARE(model.parent(k), dict);

    // Once the step that holds it is deleted, the index is stale and reads
    // the root.
    inRequest(model, 4, [&] { d.setData("x", 1); });
    inRequest(model, 5, [&] { d.setData("y", 1); });
    QCOMPARE(model.undoRedoCount(), 2);
    QVERIFY(!k.isValid());
    QCOMPARE(model.data(k), QVariant());
    QCOMPARE(model.type(k), Qmd::StrDict);
}

namespace {
enum Operation {
    SetByIndex,
    SetTypeByIndex,
    RemoveByIndex,
    ClearByIndex,
    SetKeysUnderParent,
    SetTypesUnderParent,
    RemoveKeysUnderParent,
    AddUnderParent,
};

// Indexes that name entries no longer in `model`: an entry and a
// dictionary inside a dictionary that has been freed, or the same shape in
// another model.
struct StaleIndexes
{
    QmdIndex entry;
    QmdIndex dict;
};

StaleIndexes makeIndexes(QmdMemModel &model, QmdMemModel &other, bool foreign)
{
    QmdMemModel &target = foreign ? other : model;
    QmdDirectModelInterface d;
    d.setModel(&target);
    d.setType("gone", Qmd::StrDict);
    const QmdIndex gone = d.index("gone");
    d.setData("a", 3, gone);
    d.setType("inner", Qmd::StrDict, gone);
    d.setData("a", 4, d.index("inner", gone));
    d.setType("list", Qmd::IntDict, gone);
    StaleIndexes result{d.index("a", gone), d.index("inner", gone)};
    if (!foreign) {
        inRequest(model, 99, [&] { d.setData("gone", "replaced"); }, Qmd::NoUndo);
        Q_ASSERT(!result.entry.isValid());
    }
    return result;
}
} // namespace

void TestQmdMemModel::staleOrForeignIndexesChangeNothing_data()
{
    QTest::addColumn<int>("operation");
    QTest::addColumn<bool>("foreign");
    const struct
    {
        const char *name;
        Operation op;
    } ops[] = {
        {"set by index", SetByIndex},
        {"set type by index", SetTypeByIndex},
        {"remove by index", RemoveByIndex},
        {"clear", ClearByIndex},
        {"set keys under parent", SetKeysUnderParent},
        {"set types under parent", SetTypesUnderParent},
        {"remove keys under parent", RemoveKeysUnderParent},
        {"add under parent", AddUnderParent},
    };
    for (const auto &op : ops) {
        QTest::addRow("%s, freed", op.name) << int(op.op) << false;
        QTest::addRow("%s, foreign", op.name) << int(op.op) << true;
    }
}

void TestQmdMemModel::staleOrForeignIndexesChangeNothing()
{
    QFETCH(int, operation);
    QFETCH(bool, foreign);

    QmdMemModel model(Qmd::StrDict);
    QmdMemModel other(Qmd::StrDict);
    QmdDirectModelInterface d;
    d.setModel(&model);
    d.setData("a", 1);
    d.setType("sub", Qmd::StrDict);
    d.setData("a", 2, d.index("sub"));
    const StaleIndexes stale = makeIndexes(model, other, foreign);
    const int steps = model.undoRedoCount();
    ModelSignalLog log(&model);

    inRequest(model, 5, [&] {
        switch (Operation(operation)) {
        case SetByIndex:
            model.setData(QHash<QmdIndex, QVariant>{{stale.entry, 99}});
            break;
        case SetTypeByIndex:
            model.setTypes(QHash<QmdIndex, Qmd::ContainerType>{{stale.entry, Qmd::IntDict}});
            break;
        case RemoveByIndex:
            model.remove(QmdIndexList{stale.entry});
            break;
        case ClearByIndex:
            model.clear(stale.dict);
            break;
        case SetKeysUnderParent:
            model.setData(QHash<QString, QVariant>{{"a", 99}}, stale.dict);
            break;
        case SetTypesUnderParent:
            model.setTypes(QHash<QString, Qmd::ContainerType>{{"a", Qmd::IntDict}}, stale.dict);
            break;
        case RemoveKeysUnderParent:
            model.remove(QStringList{"a"}, stale.dict);
            break;
        case AddUnderParent:
            QCOMPARE(model.addData(QList<QVariant>{1}, stale.dict), QmdItemIdList());
            break;
        }
    });

    QCOMPARE(log.take(), QStringList{"requestFinished(0, 0) #5"});
    QCOMPARE(model.undoRedoCount(), steps);
    QCOMPARE(model.type(QmdIndex()), Qmd::StrDict);
    QCOMPARE(d.data("a"), QVariant(1));
    QCOMPARE(d.data("a", d.index("sub")), QVariant(2));
}

void TestQmdMemModel::replayOnAFreedDictionaryChangesNothing()
{
    QmdMemModel model(Qmd::StrDict);
    QmdDirectModelInterface d;
    d.setModel(&model);
    d.setData("x", "root's own");
    inRequest(model, 2, [&] {
        d.setType("sub", Qmd::StrDict);
        d.setType("inner", Qmd::StrDict, d.index("sub"));
    });
    inRequest(model, 3, [&] { d.setData("x", "inner's", d.index("inner", d.index("sub"))); });
    // An unrecorded change frees the dictionaries the last step wrote into.
    inRequest(model, 4, [&] { d.setData("sub", "plain"); }, Qmd::NoUndo);

    ModelSignalLog log(&model);
    inRequest(model, 5, [&] { model.undo(); }, Qmd::NoUndo);
    QCOMPARE(d.data("x"), QVariant("root's own"));
    QCOMPARE(log.take("items"), QStringList());
    inRequest(model, 6, [&] { model.redo(); }, Qmd::NoUndo);
    QCOMPARE(d.data("x"), QVariant("root's own"));
    QCOMPARE(log.take("items"), QStringList());
    QVERIFY(model.canUndo());
}

void TestQmdMemModel::freedDictionaryAddressReuse()
{
    QmdMemModel model(Qmd::StrDict);
    QmdDirectModelInterface d;
    d.setModel(&model);
    auto replaceSub = [&] {
        inRequest(model, 2, [&] {
            d.setType("sub", Qmd::StrDict);
            d.setData("k", "new", d.index("sub"));
        }, Qmd::NoUndo);
        return d.index("k", d.index("sub"));
    };
    const QmdIndex old = replaceSub();

    // Free the dictionary and make new ones until the allocator hands its
    // address out again (it usually does at once; a sanitizer's quarantine
    // may prevent it).
    QmdIndex current;
    for (int i = 0; i < 100; ++i) {
        current = replaceSub();
        if (current.holder() == old.holder())
            break;
    }
    if (current.holder() != old.holder())
        qInfo("the freed address was not reused; checking validity alone");

    QVERIFY(!old.isValid());
    QVERIFY(old != current);
    QCOMPARE(model.data(old), QVariant()); // reads the root, not "new"
    inRequest(model, 3, [&] { d.setData(old, "through the stale index"); });
    QCOMPARE(model.data(current), QVariant("new"));
}

void TestQmdMemModel::unrecordedReplacementFreesNestedDictionaries()
{
    QmdMemModel model(Qmd::StrDict);
    QmdDirectModelInterface d;
    d.setModel(&model);
    auto build = [&] {
        d.setType("tree", Qmd::StrDict);
        const QmdIndex tree = d.index("tree");
        d.setType("inner", Qmd::StrDict, tree);
        const QmdIndex inner = d.index("inner", tree);
        d.setType("deep", Qmd::IntDict, inner);
        const QmdIndex deep = d.index("deep", inner);
        d.addTypes({Qmd::StrDict, Qmd::IntDict}, deep);
        d.setData("leaf", "value", d.index(1, deep));
        return d.index("leaf", d.index(1, deep));
    };

    // Replaced many times without a record: every nested dictionary goes
    // (the sanitizer build also checks that nothing leaks).
    for (int round = 0; round < 200; ++round) {
        QmdIndex leaf;
        inRequest(model, 2, [&] { leaf = build(); }, Qmd::NoUndo);
        QVERIFY(leaf.isValid());
        inRequest(model, 3, [&] { d.setData("tree", round); }, Qmd::NoUndo);
        QVERIFY2(!leaf.isValid(), "a dictionary nested in a freed one is still alive");
    }
    QCOMPARE(model.undoRedoCount(), 0);

    // A recorded replacement keeps the whole subtree for undo.
    QmdIndex leaf;
    inRequest(model, 4, [&] { leaf = build(); });
    inRequest(model, 5, [&] { d.setData("tree", "plain"); });
    QVERIFY(leaf.isValid());
    inRequest(model, 6, [&] { model.undo(); }, Qmd::NoUndo);
    QCOMPARE(model.data(leaf), QVariant("value"));
    QCOMPARE(d.index("leaf", d.index(1, d.index("deep", d.index("inner", d.index("tree"))))), leaf);
}

void TestQmdMemModel::undoOverUnrecordedEntriesFreesThem()
{
    QmdMemModel model(Qmd::StrDict);
    QmdDirectModelInterface d;
    d.setModel(&model);
    d.setData("k", "original");
    inRequest(model, 2, [&] { d.remove("k"); });
    // An unrecorded change puts a dictionary where the removed entry was;
    // undoing the removal overwrites it, and nothing may keep it alive.
    QmdIndex inside;
    inRequest(model, 3, [&] {
        d.setType("k", Qmd::StrDict);
        d.setType("nested", Qmd::IntDict, d.index("k"));
        inside = d.index("nested", d.index("k"));
    }, Qmd::NoUndo);
    inRequest(model, 4, [&] { model.undo(); }, Qmd::NoUndo);
    QCOMPARE(d.data("k"), QVariant("original"));
    QVERIFY(!inside.isValid());
}

// Whether the hash is taken as it is or written entry by entry, the
// dictionary ends up holding what setData would give, announced the same
// way, and an undoable write stays undoable.
void TestQmdMemModel::runTimeDataWritesLikeSetData()
{
    QmdMemModel model(Qmd::StrDict);
    QmdDirectModelInterface d;
    d.setModel(&model);
    for (const char *key : {"fresh", "filled", "undoable", "nullKey"})
        d.setType(key, Qmd::StrDict);
    d.setData("kept", 0, d.index("filled"));
    const QHash<QString, QVariant> values{{"a", 1}, {"b", "two"}};
    ModelSignalLog log(&model);

    inRequest(model, 2, [&] {
        model.setRunTimeData(values, d.index("fresh"));
        model.setRunTimeData(values, d.index("filled"));
        model.setRunTimeData(QHash<QString, QVariant>{{"a", 1}, {QString(), 2}}, d.index("nullKey"));
    }, Qmd::NoUndo);
    // Keys are announced in hash order.
    QStringList changed = log.take("items");
    changed.replaceInStrings("b,a)", "a,b)");
    QCOMPARE(changed, (QStringList{"itemsChanged(fresh: a,b) #2", "itemsChanged(filled: a,b) #2",
                                   "itemsChanged(nullKey: a) #2"}));
    for (const char *key : {"fresh", "filled"}) {
        QCOMPARE(model.data(d.index("a", d.index(key))), QVariant(1));
        QCOMPARE(model.data(d.index("b", d.index(key))), QVariant("two"));
    }
    QCOMPARE(model.data(d.index("kept", d.index("filled"))), QVariant(0));
    QCOMPARE(model.keys(d.index("nullKey")), QStringList{"a"});

    inRequest(model, 3, [&] { model.setRunTimeData(values, d.index("undoable")); });
    QCOMPARE(model.keys(d.index("undoable")).size(), 2);
    model.undo();
    QVERIFY(model.keys(d.index("undoable")).isEmpty());
}

QTEST_GUILESS_MAIN(TestQmdMemModel)
#include "tst_qmdmemmodel.moc"
