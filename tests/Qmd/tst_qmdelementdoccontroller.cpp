// The element document controller: the shape every reset restores, adding
// elements, and the element signals drawn from the model's signals.
#include "QmdTestSupport.h"

#include "Qmd/QmdElementDocController.h"
#include "Qmd/QmdMemModel.h"

#include <QtTest>

#include <functional>
#include <memory>

using Prepare = std::function<void(QmdModel &)>;
Q_DECLARE_METATYPE(Prepare)

class TestQmdElementDocController : public QObject
{
    Q_OBJECT

private slots:
    void resetShape_data();
    void resetShape();
    void addElement();
    void removals();
    void noElementSignalsWithoutElements();
};

void TestQmdElementDocController::resetShape_data()
{
    QTest::addColumn<Prepare>("prepare");
    QTest::addColumn<QString>("document");
    auto with = [](std::function<void(QmdDirectModelInterface &)> change) {
        return Prepare([change](QmdModel &model) {
            QmdDirectModelInterface d;
            d.setModel(&model);
            inRequest(model, 1, [&] { change(d); });
        });
    };
    QTest::newRow("nothing") << with([](QmdDirectModelInterface &d) { d.setType(QmdIndex(), Qmd::NoContainer); })
                             << "{Elements: []}";
    QTest::newRow("integer-keyed root") << with([](QmdDirectModelInterface &d) { d.setType(QmdIndex(), Qmd::IntDict); })
                                        << "{Elements: []}";
    QTest::newRow("plain Elements") << with([](QmdDirectModelInterface &d) {
        d.setData("Elements", 3);
        d.setData("Tempo", 120);
    }) << "{Elements: [], Tempo: 120}";
    QTest::newRow("string-keyed Elements") << with([](QmdDirectModelInterface &d) {
        d.setType("Elements", Qmd::StrDict);
    }) << "{Elements: []}";
    QTest::newRow("right already") << with([](QmdDirectModelInterface &d) {
        d.setType("Elements", Qmd::IntDict);
        d.setType(QmdItemId(4), Qmd::StrDict, d.index("Elements"));
    }) << "{Elements: [4: {}]}";
}

void TestQmdElementDocController::resetShape()
{
    QFETCH(Prepare, prepare);
    QFETCH(QString, document);
    QmdMemModel model(Qmd::StrDict);
    prepare(model);
    const int steps = model.undoRedoCount();
    QmdElementDocController c;
    ControllerSignalLog log(&c);
    c.setModel(&model);
    QCOMPARE(dumpTree(&model), document);
    QCOMPARE(model.undoRedoCount(), steps);
    settle();
    // The reset request finishes even when it changes nothing.
    QCOMPARE(log.take().constLast(), QStringLiteral("requestFinished(0) #2"));

    c.reset();
    settle();
    QCOMPARE(log.take(), (QStringList{"modelReset()", "requestFinished(0) #3"}));
}

void TestQmdElementDocController::addElement()
{
    QmdMemModel model(Qmd::StrDict);
    QmdElementDocController c;
    c.setModel(&model);
    settle();
    ControllerSignalLog log(&c);

    const QmdRequestId rid = c.nextRequestId();
    c.beginRequest(rid, {}, "Node");
    const QmdItemId id = c.addElement(2, {{"TickPos", "{0, 0}"}, {"Type", 9}, {"Children", 1}},
                                      {{"Children", Qmd::StrDict}});
    c.endRequest(rid);
    QCOMPARE(id, QmdItemId(1));
    settle();
    QCOMPARE(log.take(), (QStringList{
                             "elementsAdded(1) #3",
                             "itemsChanged(Elements: 1) #3",
                             "atCleanStateChanged(false) #3",
                             "canUndoChanged(true) #3",
                             "undoTextChanged(Node) #3",
                             "elementDataChanged(#1: Children,TickPos,Type) #3",
                             "itemsChanged(#1: Children,TickPos,Type) #3",
                             "elementDataChanged(#1: Children) #3",
                             "itemsChanged(#1: Children) #3",
                             "requestFinished(0) #3",
                         }));
    QCOMPARE(dumpTree(&model), QStringLiteral("{Elements: [1: {Children: {}, TickPos: \"{0, 0}\", Type: 2}]}"));
    QVERIFY(c.isElement(c.index(1, c.index("Elements"))));
    QVERIFY(!c.isElement(c.index("Elements")));
    QVERIFY(!c.isElement(QmdIndex()));

    // Undo takes it away, redo re-creates it: both are element signals.
    c.requestUndo();
    c.requestRedo();
    settle();
    QCOMPARE(log.take("elements"), (QStringList{"elementsRemoved(1) #4", "elementsAdded(1) #5"}));
}

void TestQmdElementDocController::removals()
{
    QmdMemModel model(Qmd::StrDict);
    QmdElementDocController c;
    c.setModel(&model);
    c.beginRequest(10, {}, "Nodes");
    c.addElement(2, {{"TickPos", "{0, 0}"}, {"Notes", "C3"}}, {{"Children", Qmd::StrDict}});
    c.addElement(2, {}, {});
    c.endRequest(10);
    settle();
    ControllerSignalLog log(&c);
    const QmdIndex first = c.index(1, c.index("Elements"));

    c.requestRemove(QmdItemId(2), c.index("Elements"));
    c.requestRemove("Notes", first);
    c.requestSetData("Deep", 1, c.index("Children", first));
    c.requestRemove("Deep", c.index("Children", first));
    settle();
    QCOMPARE(log.take().filter(QRegularExpression("^(element|item)")),
             (QStringList{"elementsRemoved(2) #3", "itemsRemoved(Elements: 2) #3",
                          "elementDataRemoved(#1: Notes) #4", "itemsRemoved(#1: Notes) #4",
                          "itemsChanged(Children: Deep) #5", "itemsRemoved(Children: Deep) #6"}));
}

// A document whose root holds no `Elements` has no element signals, even
// though the root and a missing `Elements` both look up as the default index.
void TestQmdElementDocController::noElementSignalsWithoutElements()
{
    QmdMemModel model(Qmd::StrDict);
    QmdElementDocController c;
    c.setModel(&model);
    settle();
    ControllerSignalLog log(&c);

    c.requestSetRootType(Qmd::IntDict);
    c.requestAddData(QList<QVariant>{1, 2});
    c.requestSetRootType(Qmd::StrDict);
    c.requestSetData("Type", 1);
    settle();
    QCOMPARE(log.take("element"), QStringList());
}

QTEST_GUILESS_MAIN(TestQmdElementDocController)
#include "tst_qmdelementdoccontroller.moc"
