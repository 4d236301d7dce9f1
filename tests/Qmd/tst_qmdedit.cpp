// The edit operations of the in-memory model: what each one files and
// announces, including the empty and mismatched cases.
#include "QmdTestSupport.h"

#include "Qmd/QmdDirectModelInterface.h"
#include "Qmd/QmdMemModel.h"

#include <QtTest>

#include <functional>

namespace {
// Root: "plain" = 1, "ints" (integer-keyed, 1 = "a"), "strs" (string-keyed,
// "k" = "b"), all outside the history.
struct Fixture
{
    QmdMemModel model{Qmd::StrDict};
    QmdDirectModelInterface d;
    QmdIndex ints, strs, plain;

    Fixture()
    {
        d.setModel(&model);
        inRequest(model, 1, [&] {
            d.setData("plain", 1);
            d.setType("ints", Qmd::IntDict);
            d.setType("strs", Qmd::StrDict);
            d.addData(QVariant("a"), d.index("ints"));
            d.setData("k", "b", d.index("strs"));
        }, Qmd::NoUndo);
        ints = d.index("ints");
        strs = d.index("strs");
        plain = d.index("plain");
    }
};

using Edit = std::function<void(Fixture &)>;
} // namespace

Q_DECLARE_METATYPE(Edit)

class TestQmdEdit : public QObject
{
    Q_OBJECT

private slots:
    void mismatchedParentDoesNothing_data();
    void mismatchedParentDoesNothing();
    void emptyEditStillMakesAStep_data();
    void emptyEditStillMakesAStep();
    void replacingAndClearingTheRoot();
    void writesByIndexGroupByDictionary();
    void writesByIndexFollowTheHoldersPlace();
    void setTypesReplacesDictionaries();
    void failedRequestHidesNewIds();
};

void TestQmdEdit::mismatchedParentDoesNothing_data()
{
    QTest::addColumn<Edit>("edit");
    QTest::newRow("add under strings") << Edit([](Fixture &f) { QVERIFY(f.model.addData({1}, f.strs).isEmpty()); });
    QTest::newRow("add types under a value") << Edit([](Fixture &f) {
        QVERIFY(f.model.addTypes({Qmd::StrDict}, f.plain).isEmpty());
    });
    QTest::newRow("set ids under strings") << Edit([](Fixture &f) {
        f.model.setData(QHash<QmdItemId, QVariant>{{1, 2}}, f.strs);
    });
    QTest::newRow("set keys under ids") << Edit([](Fixture &f) {
        f.model.setData(QHash<QString, QVariant>{{"k", 2}}, f.ints);
    });
    QTest::newRow("set id types under the string root") << Edit([](Fixture &f) {
        f.model.setTypes(QHash<QmdItemId, Qmd::ContainerType>{{1, Qmd::StrDict}}, QmdIndex());
    });
    QTest::newRow("set key types under a value") << Edit([](Fixture &f) {
        f.model.setTypes(QHash<QString, Qmd::ContainerType>{{"k", Qmd::StrDict}}, f.plain);
    });
    QTest::newRow("remove ids under strings") << Edit([](Fixture &f) { f.model.remove(QmdItemIdList{1}, f.strs); });
    QTest::newRow("remove keys under ids") << Edit([](Fixture &f) { f.model.remove(QStringList{"k"}, f.ints); });
    QTest::newRow("clear a value") << Edit([](Fixture &f) { f.model.clear(f.plain); });
}

void TestQmdEdit::mismatchedParentDoesNothing()
{
    QFETCH(Edit, edit);
    Fixture f;
    ModelSignalLog log(&f.model);
    inRequest(f.model, 2, [&] { edit(f); });
    QCOMPARE(log.take(), QStringList{"requestFinished(0, 0) #2"});
    QCOMPARE(f.model.undoRedoCount(), 0);
}

void TestQmdEdit::emptyEditStillMakesAStep_data()
{
    QTest::addColumn<Edit>("edit");
    QTest::newRow("add nothing") << Edit([](Fixture &f) { QVERIFY(f.model.addData({}, f.ints).isEmpty()); });
    QTest::newRow("add no types") << Edit([](Fixture &f) { f.model.addTypes({}, f.ints); });
    QTest::newRow("set no ids") << Edit([](Fixture &f) { f.model.setData(QHash<QmdItemId, QVariant>(), f.ints); });
    QTest::newRow("set no keys") << Edit([](Fixture &f) { f.model.setData(QHash<QString, QVariant>(), f.strs); });
    QTest::newRow("set no types") << Edit([](Fixture &f) {
        f.model.setTypes(QHash<QString, Qmd::ContainerType>(), f.strs);
    });
    QTest::newRow("remove no ids") << Edit([](Fixture &f) { f.model.remove(QmdItemIdList(), f.ints); });
    QTest::newRow("remove missing keys") << Edit([](Fixture &f) { f.model.remove(QStringList{"none"}, f.strs); });
    QTest::newRow("clear an empty dictionary") << Edit([](Fixture &f) {
        f.model.remove(QStringList{"k"}, f.strs); // inside the same request
        f.model.clear(f.strs);
    });
}

void TestQmdEdit::emptyEditStillMakesAStep()
{
    QFETCH(Edit, edit);
    Fixture f;
    ModelSignalLog log(&f.model);
    inRequest(f.model, 2, [&] { edit(f); }, {}, "Nothing much");
    QCOMPARE(f.model.undoRedoCount(), 1);
    QVERIFY(!f.model.isAtCleanState());
    QCOMPARE(f.model.undoText(), QStringLiteral("Nothing much"));
    QCOMPARE(log.take("undoTextChanged"), QStringList{"undoTextChanged(Nothing much) #2"});
}

void TestQmdEdit::replacingAndClearingTheRoot()
{
    Fixture f;
    const QmdIndex a = f.d.index(1, f.ints);
    ModelSignalLog log(&f.model);

    // A plain root: the document is that one value.
    inRequest(f.model, 2, [&] { f.d.setData(QmdIndex(), 5); });
    QCOMPARE(f.model.data(QmdIndex()), QVariant(5));
    QCOMPARE(f.model.type(QmdIndex()), Qmd::NoContainer);
    QVERIFY(!f.model.index("ints").isValid());
    QVERIFY(f.model.keys().isEmpty());

    // A new empty root dictionary, then nothing at all.
    inRequest(f.model, 3, [&] { f.d.setType(QmdIndex(), Qmd::StrDict); });
    QCOMPARE(f.model.type(QmdIndex()), Qmd::StrDict);
    QVERIFY(f.model.keys().isEmpty());
    inRequest(f.model, 4, [&] { f.model.clear(QmdIndex()); });
    QCOMPARE(f.model.type(QmdIndex()), Qmd::NoContainer);
    QCOMPARE(f.model.data(QmdIndex()), QVariant());

    // Undo brings back each root in turn, the first with all its contents.
    for (QmdRequestId rid = 5; rid <= 7; ++rid)
        inRequest(f.model, rid, [&] { f.model.undo(); }, Qmd::NoUndo);
    QCOMPARE(f.d.index("ints"), f.ints);
    QCOMPARE(f.model.data(a), QVariant("a"));
    QCOMPARE(f.d.data("k", f.strs), QVariant("b"));
    const QStringList lines = log.take();
    QCOMPARE(lines.filter("items"), QStringList()); // only rootChanged
    QCOMPARE(lines.filter("rootChanged").size(), 6);

    inRequest(f.model, 8, [&] { f.model.redo(); }, Qmd::NoUndo);
    QCOMPARE(log.take("rootChanged"), QStringList{"rootChanged() #8"});
}

void TestQmdEdit::writesByIndexGroupByDictionary()
{
    Fixture f;
    inRequest(f.model, 2, [&] {
        f.d.setData("k2", "c", f.strs);
        f.d.addData(QVariant("d"), f.ints);
    }, Qmd::NoUndo);
    ModelSignalLog log(&f.model);

    // One command per dictionary, all in the request's step: integer-keyed
    // ones first, then string-keyed ones in the order they were made.
    inRequest(f.model, 3, [&] {
        f.model.remove(QmdIndexList{f.d.index("k", f.strs), f.d.index(2, f.ints), f.d.index("k2", f.strs),
                                    f.d.index(1, f.ints), f.plain});
    });
    QCOMPARE(log.take("items"), (QStringList{
                                    "itemsRemoved(ints: 2,1) #3",
                                    "itemsRemoved(root: plain) #3",
                                    "itemsRemoved(strs: k,k2) #3",
                                }));
    QCOMPARE(f.model.undoRedoCount(), 1);

    // Root entries go first, as a new root.
    inRequest(f.model, 4, [&] { f.model.undo(); }, Qmd::NoUndo);
    log.take();
    inRequest(f.model, 5, [&] {
        f.model.setData(QHash<QmdIndex, QVariant>{{f.d.index("k", f.strs), 1}, {f.d.index(1, f.ints), 2}});
        f.model.remove(QmdIndexList{f.d.index("k", f.strs), QmdIndex()});
    });
    QCOMPARE(log.take(QStringLiteral("i")), (QStringList{
                                                "itemsChanged(ints: 1) #5",
                                                "itemsChanged(strs: k) #5",
                                                "itemsRemoved(strs: k) #5",
                                            }));
    QCOMPARE(f.model.type(QmdIndex()), Qmd::NoContainer);
    QCOMPARE(f.model.undoRedoCount(), 1); // the undone step went with the new one
}

void TestQmdEdit::writesByIndexFollowTheHoldersPlace()
{
    Fixture f;
    const QmdIndex k = f.d.index("k", f.strs);
    // The dictionary holding k is replaced; its step keeps it alive, so k is
    // still valid, and a write through k goes to the dictionary now there.
    inRequest(f.model, 2, [&] { f.d.setType("strs", Qmd::StrDict); });
    QVERIFY(k.isValid());
    inRequest(f.model, 3, [&] { f.d.setData(k, "written"); });
    QCOMPARE(f.d.data("k", f.d.index("strs")), QVariant("written"));
    QCOMPARE(f.model.data(k), QVariant("b"));
}

void TestQmdEdit::setTypesReplacesDictionaries()
{
    Fixture f;
    inRequest(f.model, 2, [&] {
        f.model.setTypes(QHash<QString, Qmd::ContainerType>{{"ints", Qmd::IntDict}, {"plain", Qmd::NoContainer}});
    });
    QVERIFY(f.model.itemIds(f.d.index("ints")).isEmpty());
    QVERIFY(f.d.index("plain").isValid());
    QCOMPARE(f.d.data("plain"), QVariant());
    QCOMPARE(f.model.type(f.d.index("plain")), Qmd::NoContainer);

    inRequest(f.model, 3, [&] { f.model.undo(); }, Qmd::NoUndo);
    QCOMPARE(f.d.index("ints"), f.ints);
    QCOMPARE(f.model.itemIds(f.ints), QmdItemIdList{1});
    QCOMPARE(f.d.data("plain"), QVariant(1));
}

void TestQmdEdit::failedRequestHidesNewIds()
{
    Fixture f;
    QmdItemIdList ids{99};
    inRequest(f.model, 2, [&] {
        f.model.setRequestStatus(-1);
        ids = f.model.addData({"x", "y"}, f.ints);
    });
    QVERIFY(ids.isEmpty());
    QCOMPARE(f.model.itemIds(f.ints), (QmdItemIdList{1, 2, 3}));
}

QTEST_GUILESS_MAIN(TestQmdEdit)
#include "tst_qmdedit.moc"
