// Property binding: document to object after each request, object to
// document as one request, mixed and default values, rebinding and unbinding.
#include "QmdTestSupport.h"

#include "Qmd/QmdController.h"
#include "Qmd/QmdDocController.h"
#include "Qmd/QmdMemModel.h"

#include <QtTest>

// Stands in for a widget: two properties with notify signals of their own,
// one signal that several bindings can share, and a record of every write.
class Knob : public QObject
{
    Q_OBJECT
    Q_PROPERTY(QVariant value READ value WRITE setValue NOTIFY valueChanged)
    Q_PROPERTY(QVariant other READ other WRITE setOther NOTIFY otherChanged)

public:
    QVariant value() const { return m_value; }
    QVariant other() const { return m_other; }
    void setValue(const QVariant &v)
    {
        writes.append("value=" + v.toString());
        m_value = v;
        emit valueChanged();
    }
    void setOther(const QVariant &v)
    {
        writes.append("other=" + v.toString());
        m_other = v;
        emit otherChanged();
    }
    // What a user's edit does: the value changes and the signal fires.
    void edit(const QVariant &v)
    {
        setValue(v);
        emit edited();
    }

    QStringList writes;

signals:
    void valueChanged();
    void otherChanged();
    void edited();

private:
    QVariant m_value;
    QVariant m_other;
};

namespace {

// A document {Tempo: 100, Elements: [1: {On: true}, 2: {On: true}, 3: {On: false}]}.
struct Document
{
    Document()
    {
        c.setModel(&model);
        c.requestSetData("Tempo", 100, QmdIndex(), {Qmd::NoUndo, {}, 0});
        c.requestSetType("Elements", Qmd::IntDict, QmdIndex(), {Qmd::NoUndo, {}, 0});
        c.requestAddTypes({Qmd::StrDict, Qmd::StrDict, Qmd::StrDict}, c.index("Elements"), {Qmd::NoUndo, {}, 0});
        for (QmdItemId id : {1, 2, 3})
            c.requestSetData("On", id != 3, element(id), {Qmd::NoUndo, {}, 0});
        settle();
    }

    QmdIndex element(QmdItemId id) const { return c.index(id, c.index("Elements")); }

    QHash<QmdIndex, QStringList> onOf(std::initializer_list<QmdItemId> ids) const
    {
        QHash<QmdIndex, QStringList> keys;
        for (QmdItemId id : ids)
            keys.insert(element(id), {"On"});
        return keys;
    }

    QmdMemModel model{Qmd::StrDict};
    QmdController c;
};

} // namespace

class TestQmdBinding : public QObject
{
    Q_OBJECT

private slots:
    void bothWays();
    void shownValue_data();
    void shownValue();
    void writesOnlyWhatDiffers();
    void rebindingResetsFirst();
    void removedKeyShowsDefault();
    void resetAndNewModel();
    void destroyedObjectLeavesNothing();
    void unbindingOneOfTwoBindings();
    void unbindActions();
    void mergedWrites_data();
    void mergedWrites();
};

void TestQmdBinding::bothWays()
{
    Document doc;
    Knob knob;
    doc.c.bind(&knob, "value", SIGNAL(valueChanged()), "Tempo", QmdIndex(), 0, -1, "Tempo change");
    QCOMPARE(knob.value(), QVariant(100));
    ControllerSignalLog log(&doc.c);

    knob.writes.clear();
    knob.setValue(120);
    QCOMPARE(doc.c.data("Tempo"), QVariant(120));
    settle();
    // One request under the binding's text, and no write back.
    QCOMPARE(log.take("items"), QStringList{"itemsChanged(root: Tempo) #8"});
    QCOMPARE(doc.c.undoText(), QStringLiteral("Tempo change"));
    QCOMPARE(knob.writes, QStringList{"value=120"});

    // The document's changes reach the property once their request has finished.
    doc.c.requestSetData("Tempo", 130);
    QCOMPARE(knob.value(), QVariant(120));
    settle();
    QCOMPARE(knob.value(), QVariant(130));
    doc.c.requestUndo();
    doc.c.requestUndo();
    settle();
    QCOMPARE(knob.value(), QVariant(100));
    QCOMPARE(doc.c.canUndo(), false);

    // Flags of the binding go with its requests; a binding without notify
    // signal only follows the document.
    Knob follower;
    doc.c.bind(&knob, "value", SIGNAL(valueChanged()), "Zoom", QmdIndex(), 1.0, QVariant(), "", Qmd::NoUndo);
    doc.c.bind(&follower, "value", nullptr, "Zoom", QmdIndex(), 1.0);
    knob.setValue(0.75);
    follower.setValue(2.0);
    settle();
    QCOMPARE(doc.c.data("Zoom"), QVariant(0.75));
    QCOMPARE(follower.value(), QVariant(0.75));
    QCOMPARE(doc.c.canUndo(), false);
}

// Three elements hold On = true, true, false.
void TestQmdBinding::shownValue_data()
{
    QTest::addColumn<QList<QmdItemId>>("ids");
    QTest::addColumn<QString>("key");
    QTest::addColumn<QVariant>("shown");
    QTest::newRow("shared") << QList<QmdItemId>{1, 2} << "On" << QVariant(true);
    QTest::newRow("differing") << QList<QmdItemId>{1, 2, 3} << "On" << QVariant("mixed");
    QTest::newRow("one") << QList<QmdItemId>{3} << "On" << QVariant(false);
    QTest::newRow("no keys") << QList<QmdItemId>{} << "On" << QVariant("default");
    QTest::newRow("missing") << QList<QmdItemId>{1} << "Off" << QVariant("default");
}

void TestQmdBinding::shownValue()
{
    QFETCH(QList<QmdItemId>, ids);
    QFETCH(QString, key);
    QFETCH(QVariant, shown);
    Document doc;
    QHash<QmdIndex, QStringList> keys;
    for (QmdItemId id : qAsConst(ids))
        keys.insert(doc.element(id), {key});
    Knob knob;
    doc.c.bind(&knob, "value", SIGNAL(edited()), keys, "default", "mixed", "Switch");
    QCOMPARE(knob.value(), shown);
}

void TestQmdBinding::writesOnlyWhatDiffers()
{
    Document doc;
    ModelSignalLog log(&doc.model);
    Knob knob;
    doc.c.bind(&knob, "value", SIGNAL(edited()), doc.onOf({1, 2, 3}), false, "mixed", "Switch");
    QCOMPARE(knob.value(), QVariant("mixed"));

    // Ticking writes only the element that differs, as one undo step.
    knob.edit(true);
    QCOMPARE(log.take("items"), QStringList{"itemsChanged(#3: On) #8"});
    settle();
    QCOMPARE(knob.value(), QVariant(true));
    QCOMPARE(doc.c.undoText(), QStringLiteral("Switch"));

    // The unchanged value makes no request: nothing to undo, still clean.
    doc.c.requestMarkAsCleanState();
    knob.edit(true);
    QCOMPARE(log.take("requestFinished"), QStringList{"requestFinished(1, 0) #9"});
    settle();
    QVERIFY(doc.c.isAtCleanState());

    // Two properties under one notify signal: each writes what differs, all
    // under one id.
    Knob pair;
    doc.c.bind(&pair, "value", SIGNAL(edited()), "Tempo", QmdIndex(), 0, -1, "Tempo");
    doc.c.bind(&pair, "other", SIGNAL(edited()), doc.onOf({1}), false, "mixed", "Switch");
    pair.setOther(false);
    pair.edit(100);
    QCOMPARE(log.take("items"), QStringList{"itemsChanged(#1: On) #11"});
    pair.setOther(true);
    pair.edit(90);
    QCOMPARE(log.take("items").size(), 2);
    settle();
    doc.c.requestUndo();
    settle();
    QCOMPARE(doc.c.data("Tempo"), QVariant(100));
    QCOMPARE(doc.c.data("On", doc.element(1)), QVariant(false));
    log.take();

    // An invalid value writes nothing.
    pair.setOther(QVariant());
    pair.edit(QVariant());
    QCOMPARE(log.take("requestFinished"), QStringList());
}

void TestQmdBinding::rebindingResetsFirst()
{
    Document doc;
    Knob knob;
    doc.c.bind(&knob, "value", SIGNAL(valueChanged()), "Tempo", QmdIndex(), "old default");
    knob.writes.clear();
    doc.c.bind(&knob, "value", SIGNAL(valueChanged()), "On", doc.element(3), "new default");
    QCOMPARE(knob.writes, (QStringList{"value=old default", "value=false"}));
    // The old binding is gone: the document's Tempo does not follow.
    knob.setValue(true);
    settle();
    QCOMPARE(doc.c.data("Tempo"), QVariant(100));
    QCOMPARE(doc.c.data("On", doc.element(3)), QVariant(true));
}

void TestQmdBinding::removedKeyShowsDefault()
{
    Document doc;
    Knob knob;
    doc.c.bind(&knob, "value", SIGNAL(valueChanged()), "Tempo", QmdIndex(), 0);
    doc.c.requestRemove("Tempo");
    settle();
    QCOMPARE(knob.value(), QVariant(0));
    QVERIFY(!doc.c.index("Tempo").isValid());
}

void TestQmdBinding::resetAndNewModel()
{
    Document doc;
    Knob knob;
    doc.c.bind(&knob, "value", SIGNAL(valueChanged()), "Tempo", QmdIndex(), 0);
    QmdMemModel other(Qmd::StrDict);
    QmdDirectModelInterface d;
    d.setModel(&other);
    inRequest(other, 1, [&] { d.setData("Tempo", 60); });
    doc.c.setModel(&other);
    QCOMPARE(knob.value(), QVariant(60));

    // Changes the controller never heard of show on the next reset.
    inRequest(other, 2, [&] { d.setData("Tempo", 70); });
    doc.c.reset();
    QCOMPARE(knob.value(), QVariant(70));
}

void TestQmdBinding::destroyedObjectLeavesNothing()
{
    Document doc;
    auto *knob = new Knob;
    doc.c.bind(knob, "value", SIGNAL(valueChanged()), "Tempo", QmdIndex(), 0);
    doc.c.bind(knob, "other", SIGNAL(otherChanged()), "On", doc.element(1), false);
    doc.c.requestSetData("Tempo", 90); // schedules an update of the knob
    delete knob;
    settle(); // the pending update must not reach the deleted object

    // A new object, wherever it is allocated, starts without old state.
    Knob fresh;
    doc.c.bind(&fresh, "value", SIGNAL(valueChanged()), "Tempo", QmdIndex(), 0);
    QCOMPARE(fresh.value(), QVariant(90));
    fresh.setValue(95);
    QCOMPARE(doc.c.data("Tempo"), QVariant(95));
}

// Unbinding one property of an object leaves the other one working: its
// place under the parent they share, the notify signal they share, and its
// pending update, also when a view unbinds while the changes are relayed.
void TestQmdBinding::unbindingOneOfTwoBindings()
{
    Document doc;
    Knob knob;
    doc.c.bind(&knob, "value", SIGNAL(edited()), "Tempo", QmdIndex(), 0);
    doc.c.bind(&knob, "other", SIGNAL(edited()), "Volume", QmdIndex(), 0);

    doc.c.unbind(&knob, "other");
    knob.edit(125);
    QCOMPARE(doc.c.data("Tempo"), QVariant(125));
    doc.c.requestSetData("Tempo", 120);
    settle();
    QCOMPARE(knob.value(), QVariant(120));

    doc.c.bind(&knob, "other", SIGNAL(edited()), "Volume", QmdIndex(), 0);
    doc.c.requestSetType("Panel", Qmd::StrDict);
    settle();
    connect(&doc.c, qOverload<const QmdIndex &, const QStringList &, QmdRequestId>(&QmdController::itemsChanged),
            &knob, [&](const QmdIndex &parent) {
                if (parent == doc.c.index("Panel"))
                    doc.c.unbind(&knob, "other", QmdController::UnbindRemoveBinding);
            });
    const QmdRequestId rid = doc.c.nextRequestId();
    doc.c.beginRequest(rid, {}, "Both");
    doc.model.setData(QHash<QString, QVariant>{{"Tempo", 110}});
    doc.model.setData(QHash<QString, QVariant>{{"Shown", true}}, doc.c.index("Panel"));
    doc.c.endRequest(rid);
    settle();
    QCOMPARE(knob.value(), QVariant(110));
}

void TestQmdBinding::unbindActions()
{
    Document doc;
    Knob knob;
    ModelSignalLog log(&doc.model);
    doc.c.bind(&knob, "value", SIGNAL(valueChanged()), "Tempo", QmdIndex(), 0);

    // Forgetting only: the property and the connection stay, but the
    // signal has nothing to write any more.
    doc.c.unbind(&knob, "value", QmdController::UnbindRemoveBinding);
    QCOMPARE(knob.value(), QVariant(100));
    knob.setValue(130);
    doc.c.requestSetData("Tempo", 140);
    settle();
    QCOMPARE(knob.value(), QVariant(130));
    QCOMPARE(log.take("items"), QStringList{"itemsChanged(root: Tempo) #8"});

    // Resetting writes the default with the object's signals blocked, so
    // nothing is written into the document.
    doc.c.bind(&knob, "value", SIGNAL(valueChanged()), "Tempo", QmdIndex(), 0);
    QSignalSpy changes(&knob, &Knob::valueChanged);
    doc.c.unbind(&knob);
    QCOMPARE(knob.value(), QVariant(0));
    QCOMPARE(changes.count(), 0);
    knob.setValue(150);
    QCOMPARE(doc.c.data("Tempo"), QVariant(140));

    // Objects already blocked stay blocked.
    doc.c.bind(&knob, "value", SIGNAL(valueChanged()), "Tempo", QmdIndex(), 0);
    knob.blockSignals(true);
    doc.c.unbind(QObjectList{&knob});
    QVERIFY(knob.signalsBlocked());
}

QTEST_GUILESS_MAIN(TestQmdBinding)
#include "tst_qmdbinding.moc"

// Writes merged like typing: one undo step until something starts a new one.
void TestQmdBinding::mergedWrites_data()
{
    QTest::addColumn<QString>("between");
    QTest::addColumn<int>("afterOneUndo");

    QTest::newRow("nothing") << "nothing" << 100;
    QTest::newRow("a new step asked for") << "merge" << 120;
    QTest::newRow("undo and redo") << "undo and redo" << 120;
    QTest::newRow("save") << "save" << 120;
    QTest::newRow("another step") << "another step" << 120;
    QTest::newRow("bound again") << "bind" << 120;
}

void TestQmdBinding::mergedWrites()
{
    QFETCH(QString, between);
    QFETCH(int, afterOneUndo);
    QmdMemModel model(Qmd::StrDict);
    QmdDocController c;
    c.setModel(&model);
    c.requestSetData("Tempo", 100, QmdIndex(), {Qmd::NoUndo, {}, 0});
    Knob knob;
    c.bind(&knob, "value", SIGNAL(valueChanged()), "Tempo", QmdIndex(), 0, 0, "Tempo");
    c.mergeBindingWrites(&knob);
    knob.setValue(110);
    knob.setValue(120);
    settle();

    if (between == "merge") {
        c.mergeBindingWrites(&knob);
    } else if (between == "undo and redo") {
        c.requestUndo();
        c.requestRedo();
    } else if (between == "save") {
        c.requestSave("a.vrm");
    } else if (between == "another step") {
        c.requestSetData("Volume", 1);
    } else if (between == "bind") {
        c.bind(&knob, "value", SIGNAL(valueChanged()), "Tempo", QmdIndex(), 0, 0, "Tempo");
    }
    settle();
    knob.setValue(130);
    settle();
    QCOMPARE(c.undoText(), QStringLiteral("Tempo"));
    // Whatever came before, the document holds something unsaved.
    QVERIFY(!c.isAtCleanState());

    c.requestUndo();
    settle();
    QCOMPARE(c.data("Tempo"), QVariant(afterOneUndo));
    if (between == "save")
        QVERIFY(c.isAtCleanState());
}
