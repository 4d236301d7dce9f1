// Requests of the document controller: ids, the queued relay of the model's
// signals, the request slots and their default texts, undo and redo
// requests, moving to another model, and requests from several threads.
#include "QmdTestSupport.h"

#include "Qmd/QmdController.h"
#include "Qmd/QmdMemModel.h"

#include <QProcess>
#include <QtTest>

#include <functional>
#include <mutex>
#include <set>
#include <thread>
#include <vector>

using Request = std::function<QmdRequestId(QmdController &)>;
Q_DECLARE_METATYPE(Request)

namespace {

// A controller whose ids can be placed anywhere.
class IdController : public QmdController
{
public:
    using QmdController::setLastRequestId;
};

// Locks as a controller that takes requests from other threads has them.
class LockedController : public QmdController
{
protected:
    void readLock() const override { m_mutex.lock(); }
    void readUnlock() const override { m_mutex.unlock(); }
    void writeLock() override { m_mutex.lock(); }
    void writeUnlock() override { m_mutex.unlock(); }
    QmdRequestId nextRequestId() override
    {
        std::lock_guard<std::mutex> lock(m_idMutex);
        return QmdController::nextRequestId();
    }

private:
    mutable std::recursive_mutex m_mutex;
    std::mutex m_idMutex;
};

// {dict: {a: 1}, list: [1: 10]}
void fillDocument(QmdMemModel &model)
{
    QmdDirectModelInterface d;
    d.setModel(&model);
    inRequest(model, 1, [&] {
        d.setType("dict", Qmd::StrDict);
        d.setData("a", 1, d.index("dict"));
        d.setType("list", Qmd::IntDict);
        d.setData(QmdItemId(1), 10, d.index("list"));
    }, Qmd::NoUndo);
}

} // namespace

class TestQmdController : public QObject
{
    Q_OBJECT

private slots:
    void requestIds();
    void signalsFollowTheRequest();
    void requestForms_data();
    void requestForms();
    void undoAndRedoRequestIds();
    void requestsUnderOneId();
    void anotherModel();
    void nestedRequestIsAnError();
    void nestedRequestChild();
    void requestsFromSeveralThreads();
};

void TestQmdController::requestIds()
{
    QmdMemModel model(Qmd::StrDict);
    IdController c;
    c.setModel(&model);
    QCOMPARE(c.requestSetData("a", 1), QmdRequestId(2));
    QCOMPARE(c.requestSetData("a", 2, QmdIndex(), {0, "Edit", 500}), QmdRequestId(500));
    QCOMPARE(c.requestSetData("a", 3), QmdRequestId(3));

    c.setLastRequestId(0xFFFFFFFEu);
    QCOMPARE(c.nextRequestId(), QmdRequestId(0xFFFFFFFFu));
    QCOMPARE(c.nextRequestId(), QmdRequestId(1));
    QCOMPARE(c.nextRequestId(), QmdRequestId(2));
    c.setLastRequestId(0);
    QCOMPARE(c.nextRequestId(), QmdRequestId(1));
}

void TestQmdController::signalsFollowTheRequest()
{
    QmdMemModel model(Qmd::StrDict);
    QmdController c;
    c.setModel(&model);
    ControllerSignalLog log(&c);

    const QmdRequestId rid = c.requestSetData("Tempo", 120);
    QCOMPARE(log.take(), QStringList());
    settle();
    QCOMPARE(log.take(), (QStringList{
                             "itemsChanged(root: Tempo) #2",
                             "atCleanStateChanged(false) #2",
                             "canUndoChanged(true) #2",
                             "undoTextChanged(Set Data) #2",
                             "requestFinished(0) #2",
                         }));

    // Nothing to change still makes a whole request.
    QCOMPARE(c.requestSetDataIfInvalid("Tempo", 90), rid + 1);
    settle();
    QCOMPARE(log.take(), QStringList{"requestFinished(0) #3"});
    QCOMPARE(c.data("Tempo"), QVariant(120));
    c.requestSetDataIfInvalid("Volume", 90);
    settle();
    QCOMPARE(c.data("Volume"), QVariant(90));
}

// Each row runs one request slot on {dict: {a: 1}, list: [1: 10]} and gives
// the document and the undo text afterwards.
void TestQmdController::requestForms_data()
{
    QTest::addColumn<Request>("request");
    QTest::addColumn<QString>("document");
    QTest::addColumn<QString>("undoText");

    const QString unchanged = "{dict: {a: 1}, list: [1: 10]}";
    auto list = [](QmdController &c) { return c.index("list"); };
    auto dict = [](QmdController &c) { return c.index("dict"); };
    auto a = [](QmdController &c) { return c.index("a", c.index("dict")); };

    QTest::newRow("add values") << Request([=](QmdController &c) {
        return c.requestAddData(QList<QVariant>{7, 8}, list(c));
    }) << "{dict: {a: 1}, list: [1: 10, 2: 7, 3: 8]}" << "Add Data";
    QTest::newRow("add one value") << Request([=](QmdController &c) { return c.requestAddData(QVariant(7), list(c)); })
                                   << "{dict: {a: 1}, list: [1: 10, 2: 7]}" << "Add Data";
    QTest::newRow("set by index") << Request([=](QmdController &c) {
        return c.requestSetData(QHash<QmdIndex, QVariant>{{a(c), 5}, {c.index(1, list(c)), 6}});
    }) << "{dict: {a: 5}, list: [1: 6]}" << "Set Data";
    QTest::newRow("set keys of the root") << Request([](QmdController &c) {
        return c.requestSetData(QHash<QString, QVariant>{{"b", 2}});
    }) << "{b: 2, dict: {a: 1}, list: [1: 10]}" << "Set Data";
    QTest::newRow("set ids") << Request([=](QmdController &c) {
        return c.requestSetData(QHash<QmdItemId, QVariant>{{1, 11}, {4, 12}}, list(c));
    }) << "{dict: {a: 1}, list: [1: 11, 4: 12]}" << "Set Data";
    QTest::newRow("set one id") << Request([=](QmdController &c) { return c.requestSetData(QmdItemId(1), 3, list(c)); })
                                << "{dict: {a: 1}, list: [1: 3]}" << "Set Data";
    QTest::newRow("set one key") << Request([=](QmdController &c) { return c.requestSetData("a", 3, dict(c)); })
                                 << "{dict: {a: 3}, list: [1: 10]}" << "Set Data";
    QTest::newRow("set one index") << Request([=](QmdController &c) { return c.requestSetData(a(c), 3); })
                                   << "{dict: {a: 3}, list: [1: 10]}" << "Set Data";
    QTest::newRow("set if missing") << Request([=](QmdController &c) {
        return c.requestSetDataIfInvalid("c", 9, dict(c));
    }) << "{dict: {a: 1, c: 9}, list: [1: 10]}" << "Set Data If Invalid";
    QTest::newRow("set if present") << Request([=](QmdController &c) {
        return c.requestSetDataIfInvalid("a", 9, dict(c));
    }) << unchanged << "";
    QTest::newRow("set id if missing") << Request([=](QmdController &c) {
        return c.requestSetDataIfInvalid(QmdItemId(5), 9, list(c));
    }) << "{dict: {a: 1}, list: [1: 10, 5: 9]}" << "Set Data If Invalid";
    QTest::newRow("replace the root") << Request([](QmdController &c) { return c.requestSetRoot(5); }) << "5"
                                      << "Set Root";
    QTest::newRow("add dictionaries") << Request([=](QmdController &c) {
        return c.requestAddTypes({Qmd::StrDict, Qmd::IntDict}, list(c));
    }) << "{dict: {a: 1}, list: [1: 10, 2: {}, 3: []]}" << "Add Types";
    QTest::newRow("add one dictionary") << Request([=](QmdController &c) {
        return c.requestAddType(Qmd::StrDict, list(c));
    }) << "{dict: {a: 1}, list: [1: 10, 2: {}]}" << "Add Type";
    QTest::newRow("types by index") << Request([=](QmdController &c) {
        return c.requestSetTypes(QHash<QmdIndex, Qmd::ContainerType>{{a(c), Qmd::IntDict}});
    }) << "{dict: {a: []}, list: [1: 10]}" << "Set Types";
    QTest::newRow("types of root keys") << Request([](QmdController &c) {
        return c.requestSetTypes(QHash<QString, Qmd::ContainerType>{{"t", Qmd::StrDict}});
    }) << "{dict: {a: 1}, list: [1: 10], t: {}}" << "Set Types";
    QTest::newRow("types by id") << Request([=](QmdController &c) {
        return c.requestSetTypes(QHash<QmdItemId, Qmd::ContainerType>{{1, Qmd::IntDict}}, list(c));
    }) << "{dict: {a: 1}, list: [1: []]}" << "Set Types";
    QTest::newRow("type of one id") << Request([=](QmdController &c) {
        return c.requestSetType(QmdItemId(1), Qmd::StrDict, list(c));
    }) << "{dict: {a: 1}, list: [1: {}]}" << "Set Type";
    QTest::newRow("type of one key") << Request([=](QmdController &c) {
        return c.requestSetType("a", Qmd::StrDict, dict(c));
    }) << "{dict: {a: {}}, list: [1: 10]}" << "Set Type";
    QTest::newRow("type of one index") << Request([=](QmdController &c) {
        return c.requestSetType(a(c), Qmd::StrDict);
    }) << "{dict: {a: {}}, list: [1: 10]}" << "Set Type";
    QTest::newRow("type of the root") << Request([](QmdController &c) { return c.requestSetRootType(Qmd::IntDict); })
                                      << "[]" << "Set Root Type";
    QTest::newRow("type if plain") << Request([=](QmdController &c) {
        return c.requestSetTypeIfInvalid("a", Qmd::StrDict, dict(c));
    }) << "{dict: {a: {}}, list: [1: 10]}" << "Set Type If Invalid";
    QTest::newRow("type if of the other kind") << Request([](QmdController &c) {
        return c.requestSetTypeIfInvalid("list", Qmd::StrDict);
    }) << "{dict: {a: 1}, list: {}}" << "Set Type If Invalid";
    QTest::newRow("type if already right") << Request([](QmdController &c) {
        return c.requestSetTypeIfInvalid("list", Qmd::IntDict);
    }) << unchanged << "";
    QTest::newRow("type of id if plain") << Request([=](QmdController &c) {
        return c.requestSetTypeIfInvalid(QmdItemId(1), Qmd::IntDict, list(c));
    }) << "{dict: {a: 1}, list: [1: []]}" << "Set Type If Invalid";
    QTest::newRow("remove indexes") << Request([=](QmdController &c) {
        return c.requestRemove(QmdIndexList{a(c), c.index(1, list(c))});
    }) << "{dict: {}, list: []}" << "Remove";
    QTest::newRow("remove root keys") << Request([](QmdController &c) { return c.requestRemove(QStringList{"dict"}); })
                                      << "{list: [1: 10]}" << "Remove";
    QTest::newRow("remove ids") << Request([=](QmdController &c) {
        return c.requestRemove(QmdItemIdList{1}, list(c));
    }) << "{dict: {a: 1}, list: []}" << "Remove";
    QTest::newRow("remove one id") << Request([=](QmdController &c) { return c.requestRemove(QmdItemId(1), list(c)); })
                                   << "{dict: {a: 1}, list: []}" << "Remove";
    QTest::newRow("remove one key") << Request([](QmdController &c) { return c.requestRemove("list"); })
                                    << "{dict: {a: 1}}" << "Remove";
    QTest::newRow("remove one index") << Request([=](QmdController &c) { return c.requestRemove(a(c)); })
                                      << "{dict: {}, list: [1: 10]}" << "Remove";
    QTest::newRow("clear a dictionary") << Request([=](QmdController &c) { return c.requestClear(list(c)); })
                                        << "{dict: {a: 1}, list: []}" << "Clear";
    QTest::newRow("clear everything") << Request([](QmdController &c) { return c.requestClear(); }) << "~"
                                      << "Clear";
    QTest::newRow("own undo text") << Request([](QmdController &c) {
        return c.requestSetData("b", 2, QmdIndex(), {0, "Tempo", 0});
    }) << "{b: 2, dict: {a: 1}, list: [1: 10]}" << "Tempo";
    QTest::newRow("not recorded") << Request([](QmdController &c) {
        return c.requestSetData("b", 2, QmdIndex(), {Qmd::NoUndo, "Zoom", 0});
    }) << "{b: 2, dict: {a: 1}, list: [1: 10]}" << "";
}

void TestQmdController::requestForms()
{
    QFETCH(Request, request);
    QFETCH(QString, document);
    QFETCH(QString, undoText);

    QmdMemModel model(Qmd::StrDict);
    fillDocument(model);
    QmdController c;
    c.setModel(&model);
    ControllerSignalLog log(&c);
    const QmdRequestId rid = request(c);
    QCOMPARE(rid, QmdRequestId(2));
    settle();
    QCOMPARE(dumpTree(&model), document);
    QCOMPARE(c.undoText(), undoText);
    QCOMPARE(c.canUndo(), !undoText.isEmpty());
    QCOMPARE(log.take().constLast(), QStringLiteral("requestFinished(0) #2"));
}

void TestQmdController::undoAndRedoRequestIds()
{
    QmdMemModel model(Qmd::StrDict);
    QmdController c;
    c.setModel(&model);
    c.requestSetData("a", 1, QmdIndex(), {0, "First", 0});
    c.requestSetData("a", 2, QmdIndex(), {0, "Second", 0});
    settle();
    ControllerSignalLog log(&c);

    const QmdRequestId undo = c.requestUndo();
    QCOMPARE(c.undoRedoRequestIds(), QList<QmdRequestId>{undo});
    const QmdRequestId redo = c.requestRedo();
    QCOMPARE(c.undoRedoRequestIds(), (QList<QmdRequestId>{undo, redo}));
    QStringList seen;
    // While its change signals are delivered, the id is still listed.
    connect(&c, qOverload<const QmdIndex &, const QStringList &, QmdRequestId>(&QmdController::itemsChanged), this,
            [&](const QmdIndex &, const QStringList &, QmdRequestId rid) {
                seen.append(QStringLiteral("%1 listed: %2").arg(rid).arg(c.undoRedoRequestIds().contains(rid)));
            });
    settle();
    QCOMPARE(seen, (QStringList{QStringLiteral("%1 listed: 1").arg(undo), QStringLiteral("%1 listed: 1").arg(redo)}));
    QCOMPARE(c.undoRedoRequestIds(), QList<QmdRequestId>());
    QCOMPARE(c.data("a"), QVariant(2));
    QCOMPARE(log.take("undoText"), (QStringList{QStringLiteral("undoTextChanged(First) #%1").arg(undo),
                                                QStringLiteral("undoTextChanged(Second) #%1").arg(redo)}));

    // Undo and redo are themselves not recorded.
    QCOMPARE(c.undoText(), QStringLiteral("Second"));
    c.requestSetUndoRedoLimit(1);
    c.requestMarkAsCleanState();
    settle();
    QCOMPARE(c.undoRedoLimit(), 1);
    QVERIFY(c.isAtCleanState());
    QCOMPARE(c.undoText(), QStringLiteral("Second"));
    QVERIFY(!c.canRedo());
}

void TestQmdController::requestsUnderOneId()
{
    QmdMemModel model(Qmd::StrDict);
    QmdController c;
    c.setModel(&model);
    ControllerSignalLog log(&c);
    const QmdRequestId rid = c.requestSetData("a", 1, QmdIndex(), {0, "Both", 0});
    c.requestSetData("b", 1, QmdIndex(), {0, "Ignored", rid});
    settle();
    QCOMPARE(log.take("requestFinished"), (QStringList{"requestFinished(0) #2", "requestFinished(0) #2"}));
    QCOMPARE(c.undoText(), QStringLiteral("Both"));
    c.requestUndo();
    settle();
    QCOMPARE(dumpTree(&model), QStringLiteral("{}"));
}

void TestQmdController::anotherModel()
{
    QmdMemModel first(Qmd::StrDict);
    QmdMemModel second(Qmd::StrDict);
    QmdController c;
    c.setModel(&first);
    c.requestSetData("a", 1);
    settle();
    const QmdIndex index = c.index("a");
    QVERIFY(c.isValid(index));
    ControllerSignalLog log(&c);

    c.setModel(&second);
    QCOMPARE(log.resets(), 1);
    QVERIFY(!c.isValid(index));
    QmdDirectModelInterface d;
    d.setModel(&first);
    inRequest(first, 9, [&] { d.setData("b", 2); });
    c.requestSetData("c", 3);
    settle();
    QCOMPARE(log.take(), (QStringList{"modelReset()", "itemsChanged(root: c) #3", "atCleanStateChanged(false) #3",
                                      "canUndoChanged(true) #3", "undoTextChanged(Set Data) #3",
                                      "requestFinished(0) #3"}));
}

// Opening a request inside another on the same thread would let the new
// one take over the open one's undo step. The check asserts in debug
// builds, so it runs in a child process.
void TestQmdController::nestedRequestIsAnError()
{
    QProcess child;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert("QMD_NESTED_REQUEST_CHILD", "1");
    child.setProcessEnvironment(environment);
    child.setProcessChannelMode(QProcess::MergedChannels);
    child.start(QCoreApplication::applicationFilePath(), {"nestedRequestChild"});
    QVERIFY(child.waitForFinished(60000));
    const QString output = QString::fromLocal8Bit(child.readAll());
    QVERIFY2(output.contains("request 3 begun while request 2 is still open"), qPrintable(output));
#ifdef QT_NO_DEBUG
    QCOMPARE(child.exitStatus(), QProcess::NormalExit);
#else
    QVERIFY2(child.exitStatus() == QProcess::CrashExit || child.exitCode() != 0, qPrintable(output));
#endif
}

void TestQmdController::nestedRequestChild()
{
    if (!qEnvironmentVariableIsSet("QMD_NESTED_REQUEST_CHILD"))
        QSKIP("run by nestedRequestIsAnError in a child process");
    QmdMemModel model(Qmd::StrDict);
    QmdController c;
    c.setModel(&model);
    const QmdRequestId outer = c.nextRequestId(); // 2
    c.beginRequest(outer, {}, "Outer");
    c.requestSetData("a", 1); // 3
    c.endRequest(outer);
}

void TestQmdController::requestsFromSeveralThreads()
{
    QmdMemModel model(Qmd::StrDict);
    LockedController c;
    c.setModel(&model);
    std::set<QmdRequestId> finished;
    connect(&c, &QmdController::requestFinished, this, [&](QmdRequestId rid, int) { finished.insert(rid); });

    constexpr int threads = 4;
    constexpr int requests = 250;
    std::vector<std::thread> workers;
    std::vector<std::set<QmdRequestId>> ids(threads);
    for (int t = 0; t < threads; ++t) {
        workers.emplace_back([&c, &ids, t] {
            for (int i = 0; i < requests; ++i) {
                ids[std::size_t(t)].insert(c.requestSetData(QStringLiteral("t%1").arg(t), i));
                c.data(QStringLiteral("t%1").arg(t));
            }
        });
    }
    for (std::thread &worker : workers)
        worker.join();
    settle();

    std::set<QmdRequestId> all;
    for (const auto &own : ids)
        all.insert(own.cbegin(), own.cend());
    QCOMPARE(int(all.size()), threads * requests);
    QVERIFY(finished == all);
    for (int t = 0; t < threads; ++t)
        QCOMPARE(c.data(QStringLiteral("t%1").arg(t)), QVariant(requests - 1));
    QCOMPARE(model.undoRedoCount(), threads * requests);
}

QTEST_GUILESS_MAIN(TestQmdController)
#include "tst_qmdcontroller.moc"
