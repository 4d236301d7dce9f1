#include "Mvc/AbstractController.h"
#include "Mvc/AbstractModel.h"
#include "Mvc/AbstractView.h"
#include "Mvc/CChangeModelEvent.h"
#include "Mvc/CSettingsEvent.h"
#include "Mvc/CViewAttachEvent.h"
#include "Mvc/CViewDetachEvent.h"
#include "Mvc/MChangeControllerEvent.h"
#include "Mvc/MSettingsEvent.h"
#include "Mvc/MvcEventFamily.h"
#include "Mvc/VChangeControllerEvent.h"
#include "Mvc/VModelChangedEvent.h"
#include "Mvc/VSettingsEvent.h"

#include "Mvc/MvcTestSupport.h"

#include <QtTest>

#include <functional>
#include <memory>
#include <thread>

namespace {

// Participants that write every handler call into a shared log as
// "<name>.<handler>".
class TestModel : public QObject, public AbstractModel
{
public:
    TestModel(const QString &name, QStringList *log)
        : AbstractModel(this)
        , m_log(log)
    {
        setObjectName(name);
    }

protected:
    void customEvent(QEvent *event) override { deliverEvent(event); }
    void onChangeController(MChangeControllerEvent *event) override
    {
        AbstractModel::onChangeController(event);
        m_log->append(objectName() + QStringLiteral(".controller"));
    }

private:
    QStringList *m_log;
};

class TestView : public QObject, public AbstractView
{
public:
    TestView(const QString &name, QStringList *log)
        : AbstractView(this)
        , m_log(log)
    {
        setObjectName(name);
    }

protected:
    void customEvent(QEvent *event) override { deliverEvent(event); }
    void onChangeController(VChangeControllerEvent *event) override
    {
        AbstractView::onChangeController(event);
        m_log->append(objectName() + QStringLiteral(".controller"));
    }
    void onModelChanged(VModelChangedEvent *event) override
    {
        AbstractView::onModelChanged(event);
        m_log->append(objectName() + QStringLiteral(".model"));
    }
    void onRefresh(VEvent *) override { m_log->append(objectName() + QStringLiteral(".refresh")); }

private:
    QStringList *m_log;
};

class TestController : public QObject, public AbstractController
{
public:
    TestController(const QString &name, QStringList *log)
        : AbstractController(this)
        , m_log(log)
    {
        setObjectName(name);
    }

protected:
    void customEvent(QEvent *event) override { deliverEvent(event); }
    void onChangeModel(CChangeModelEvent *event) override
    {
        AbstractController::onChangeModel(event);
        m_log->append(objectName() + QStringLiteral(".model"));
    }
    void onViewAttach(CViewAttachEvent *event) override
    {
        AbstractController::onViewAttach(event);
        m_log->append(objectName() + QStringLiteral(".attach"));
    }
    void onViewDetach(CViewDetachEvent *event) override
    {
        AbstractController::onViewDetach(event);
        m_log->append(objectName() + QStringLiteral(".detach"));
    }
    void clearViews() override
    {
        AbstractController::clearViews();
        m_log->append(objectName() + QStringLiteral(".clear"));
    }

private:
    QStringList *m_log;
};

// A model "M", a view "V" and a controller "C" that know each other.
struct Trio
{
    QStringList log;
    TestModel model{QStringLiteral("M"), &log};
    TestView view{QStringLiteral("V"), &log};
    TestController controller{QStringLiteral("C"), &log};
    QObject *modelObject = &model;
    QObject *viewObject = &view;
    QObject *controllerObject = &controller;

    void connect()
    {
        controller.setModel(&model);
        controller.attachView(&view);
        settleEvents();
        log.clear();
    }
};

using EventPoster = std::function<void(Trio &)>;

} // namespace

Q_DECLARE_METATYPE(EventPoster)

class TestMvcFramework : public QObject
{
    Q_OBJECT

private slots:
    // Runs first, while neither family has been asked for yet.
    void familiesAreTakenOnceAndDiffer();
    void allocatorGivesUpOnlyAtTheLastId_data();
    void allocatorGivesUpOnlyAtTheLastId();
    void startSequenceFollowsPostingOrder_data();
    void startSequenceFollowsPostingOrder();
    void dispatchersHandleTheirFamilyOnly_data();
    void dispatchersHandleTheirFamilyOnly();
    void viewAttachedTwiceIsKeptOnceAndToldTwice();
    void destroyedPartnersReadAsNone();
    void participantsDestroyedBeforeDeliveryAreNotTouched();
    void dependentViewsFollowToEveryController();
};

void TestMvcFramework::familiesAreTakenOnceAndDiffer()
{
    quint32 seen[2][2] = {};
    std::thread first([&] {
        seen[0][0] = mvcEventFamily();
        seen[0][1] = settingsEventFamily();
    });
    std::thread second([&] {
        seen[1][1] = settingsEventFamily();
        seen[1][0] = mvcEventFamily();
    });
    first.join();
    second.join();

    QCOMPARE(seen[0][0], seen[1][0]);
    QCOMPARE(seen[0][1], seen[1][1]);
    QVERIFY(seen[0][0] != 0 && seen[0][1] != 0);
    QVERIFY(seen[0][0] != seen[0][1]);
    QCOMPARE(mvcEventFamily(), seen[0][0]);
    QCOMPARE(settingsEventFamily(), seen[0][1]);
}

void TestMvcFramework::allocatorGivesUpOnlyAtTheLastId_data()
{
    QTest::addColumn<quint32>("lastIssued");
    QTest::addColumn<quint32>("expected");
    QTest::addColumn<quint32>("lastIssuedAfter");

    QTest::newRow("first") << 0u << 1u << 1u;
    QTest::newRow("next") << 2u << 3u << 3u;
    QTest::newRow("last id") << 0xFFFFFFFDu << 0xFFFFFFFEu << 0xFFFFFFFEu;
    QTest::newRow("exhausted") << 0xFFFFFFFEu << 0u << 0xFFFFFFFEu;
}

void TestMvcFramework::allocatorGivesUpOnlyAtTheLastId()
{
    QFETCH(quint32, lastIssued);
    QFETCH(quint32, expected);
    QFETCH(quint32, lastIssuedAfter);

    QCOMPARE(allocateEventFamilyAfter(lastIssued), expected);
    QCOMPARE(lastIssued, lastIssuedAfter);
}

void TestMvcFramework::startSequenceFollowsPostingOrder_data()
{
    QTest::addColumn<bool>("modelFirst");
    QTest::addColumn<QStringList>("expected");

    // The view learns the model from the controller it was attached to.
    QTest::newRow("model, then view")
        << true
        << QStringList{"C.model", "C.attach", "M.controller", "V.controller", "V.model",
                       "V.refresh"};
    // The model reaches the view already attached, and again through the
    // view's own controller change.
    QTest::newRow("view, then model")
        << false
        << QStringList{"C.attach", "C.model", "V.controller", "M.controller", "V.model",
                       "V.model", "V.refresh", "V.refresh"};
}

void TestMvcFramework::startSequenceFollowsPostingOrder()
{
    QFETCH(bool, modelFirst);
    QFETCH(QStringList, expected);

    Trio trio;
    if (modelFirst)
        trio.controller.setModel(&trio.model);
    trio.controller.attachView(&trio.view);
    if (!modelFirst)
        trio.controller.setModel(&trio.model);

    // Nothing happens before the event loop runs.
    QVERIFY(!trio.controller.model());
    QVERIFY(trio.log.isEmpty());

    settleEvents();
    QCOMPARE(trio.log, expected);
    QCOMPARE(trio.controller.model(), &trio.model);
    QCOMPARE(trio.controller.views(), QList<AbstractView *>{&trio.view});
    QCOMPARE(trio.model.controller(), &trio.controller);
    QCOMPARE(trio.view.controller(), &trio.controller);
    QCOMPARE(trio.view.model(), &trio.model);
}

void TestMvcFramework::dispatchersHandleTheirFamilyOnly_data()
{
    QTest::addColumn<EventPoster>("postEvent");
    QTest::addColumn<QStringList>("expected");

    // Events are made when a row runs, so rows left out by a filter leak
    // nothing.
    auto to = [](QObject *Trio::*receiver, std::function<QEvent *()> make) {
        return EventPoster([receiver, make](Trio &t) { QCoreApplication::postEvent(t.*receiver, make()); });
    };
    const auto user = [](int offset) { return QEvent::Type(QEvent::User + offset); };
    QObject *Trio::*model = &Trio::modelObject;
    QObject *Trio::*view = &Trio::viewObject;
    QObject *Trio::*controller = &Trio::controllerObject;

    QTest::newRow("model: controller change")
        << to(model, [] { return new MChangeControllerEvent(nullptr); }) << QStringList{"M.controller"};
    QTest::newRow("model: settings family, same type")
        << to(model, [=] { return new MSettingsEvent(user(0)); }) << QStringList{};
    QTest::newRow("model: plain user event")
        << to(model, [=] { return new QEvent(user(0)); }) << QStringList{};

    QTest::newRow("view: refresh")
        << to(view, [] { return new VEvent(VEvent::RefreshType, nullptr); }) << QStringList{"V.refresh"};
    QTest::newRow("view: settings family, same type")
        << to(view, [=] { return new VSettingsEvent(user(2), nullptr); }) << QStringList{};
    QTest::newRow("view: settings value event")
        << to(view, [] { return new VSettingsEvent(VSettingsEvent::ValueChangedType, nullptr); })
        << QStringList{};
    QTest::newRow("view: plain user event")
        << to(view, [=] { return new QEvent(user(2)); }) << QStringList{};

    QTest::newRow("controller: clear views")
        << to(controller, [] { return new CEvent(CEvent::ClearViewsType); }) << QStringList{"C.clear"};
    QTest::newRow("controller: settings family, same type")
        << to(controller, [=] { return new CSettingsEvent(user(3)); }) << QStringList{};
    QTest::newRow("controller: plain user event")
        << to(controller, [=] { return new QEvent(user(3)); }) << QStringList{};
    QTest::newRow("controller: a model event")
        << to(controller, [=] { return new MEvent(user(3)); }) << QStringList{};
}

void TestMvcFramework::dispatchersHandleTheirFamilyOnly()
{
    QFETCH(EventPoster, postEvent);
    QFETCH(QStringList, expected);

    Trio trio;
    trio.connect();
    postEvent(trio);
    settleEvents();

    QCOMPARE(trio.log, expected);
    const bool cleared = expected == QStringList{"C.clear"};
    QCOMPARE(trio.controller.views().isEmpty(), cleared);
    QCOMPARE(trio.controller.model(), &trio.model);
}

void TestMvcFramework::viewAttachedTwiceIsKeptOnceAndToldTwice()
{
    Trio trio;
    trio.controller.attachView(&trio.view);
    trio.controller.attachView(&trio.view);
    settleEvents();

    QCOMPARE(trio.controller.views(), QList<AbstractView *>{&trio.view});
    QCOMPARE(trio.log.count(QStringLiteral("V.controller")), 2);

    trio.controller.detachView(&trio.view);
    settleEvents();
    QVERIFY(trio.controller.views().isEmpty());
    // Detaching tells the view nothing.
    QCOMPARE(trio.view.controller(), &trio.controller);
}

void TestMvcFramework::destroyedPartnersReadAsNone()
{
    QStringList log;
    auto model = std::make_unique<TestModel>(QStringLiteral("M"), &log);
    auto view = std::make_unique<TestView>(QStringLiteral("V"), &log);
    auto controller = std::make_unique<TestController>(QStringLiteral("C"), &log);
    controller->setModel(model.get());
    controller->attachView(view.get());
    settleEvents();
    log.clear();

    model.reset();
    settleEvents();
    QVERIFY(!controller->model());
    QVERIFY(!view->model());
    QVERIFY(!view->modelObject());
    // Dropping the model is not announced.
    QCOMPARE(log, QStringList{"C.model"});

    view.reset();
    settleEvents();
    QVERIFY(controller->views().isEmpty());
    QCOMPARE(log, (QStringList{"C.model", "C.detach"}));

    auto survivor = std::make_unique<TestView>(QStringLiteral("W"), &log);
    controller->attachView(survivor.get());
    settleEvents();
    controller.reset();
    QVERIFY(!survivor->controller());
    QVERIFY(!survivor->controllerObject());
}

// Events name participants that may be destroyed before the events are
// delivered; the handlers must then treat them as absent.
void TestMvcFramework::participantsDestroyedBeforeDeliveryAreNotTouched()
{
    QStringList log;
    TestController controller(QStringLiteral("C"), &log);
    TestView kept(QStringLiteral("K"), &log);

    auto model = std::make_unique<TestModel>(QStringLiteral("M"), &log);
    auto view = std::make_unique<TestView>(QStringLiteral("V"), &log);
    controller.setModel(model.get());
    controller.attachView(view.get());
    controller.attachView(&kept);
    model.reset();
    view.reset();
    settleEvents();

    QVERIFY(!controller.model());
    QCOMPARE(controller.views(), QList<AbstractView *>{&kept});
    QVERIFY(!log.contains(QStringLiteral("M.controller")));
    QVERIFY(!log.contains(QStringLiteral("V.controller")));

    // A view destroyed while its controller still has events to handle is
    // skipped before its detach request arrives.
    auto late = std::make_unique<TestView>(QStringLiteral("L"), &log);
    controller.attachView(late.get());
    settleEvents();
    TestModel other(QStringLiteral("N"), &log);
    log.clear();
    controller.setModel(&other);
    late.reset();
    settleEvents();
    QCOMPARE(controller.views(), QList<AbstractView *>{&kept});
    QVERIFY(log.contains(QStringLiteral("K.model")));
    QVERIFY(!log.contains(QStringLiteral("L.model")));
}

void TestMvcFramework::dependentViewsFollowToEveryController()
{
    QStringList log;
    TestModel model(QStringLiteral("M"), &log);
    TestController first(QStringLiteral("C1"), &log);
    TestController second(QStringLiteral("C2"), &log);
    TestView leader(QStringLiteral("V"), &log);
    TestView follower(QStringLiteral("D"), &log);
    leader.addDependentView(&follower);
    second.setModel(&model);

    first.attachView(&leader);
    settleEvents();
    QCOMPARE(first.views(), (QList<AbstractView *>{&leader, &follower}));
    QCOMPARE(follower.controller(), &first);

    second.attachView(&leader);
    settleEvents();
    QVERIFY(first.views().contains(&leader)); // nobody detaches the leader itself
    QVERIFY(!first.views().contains(&follower));
    QCOMPARE(second.views(), (QList<AbstractView *>{&leader, &follower}));
    QCOMPARE(follower.controller(), &second);
    QCOMPARE(follower.model(), &model);

    // A follower already with the new controller is not attached again.
    log.clear();
    second.attachView(&leader);
    settleEvents();
    QCOMPARE(log.count(QStringLiteral("D.controller")), 0);
}

QTEST_GUILESS_MAIN(TestMvcFramework)
#include "tst_mvcframework.moc"
