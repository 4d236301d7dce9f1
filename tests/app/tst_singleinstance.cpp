#include "app/PrivateSessionBus.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDeadlineTimer>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

#include <memory>

// The program itself, started as separate processes on a private session
// bus.
class TestSingleInstance : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanup();

    void killedFirstInstanceDoesNotBlockTheNext();
    void withoutSessionBusTheProgramRunsAlone();

private:
    QProcess *startProgram(const QProcessEnvironment &env);
    QProcessEnvironment programEnvironment() const;
    // The pid owning the program's bus name, 0 when nobody owns it.
    uint busNameOwner() const;
    bool waitForBusNameOwner(uint pid, int timeoutMs = 20000) const;

    QTemporaryDir m_config;
    std::vector<std::unique_ptr<QProcess>> m_programs;
};

void TestSingleInstance::initTestCase()
{
    QVERIFY(m_config.isValid());
    if (!QDBusConnection::sessionBus().isConnected())
        QSKIP("no private session bus (dbus-run-session missing)");
}

void TestSingleInstance::cleanup()
{
    for (auto &program : m_programs) {
        program->kill();
        program->waitForFinished();
    }
    m_programs.clear();
}

QProcessEnvironment TestSingleInstance::programEnvironment() const
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("XDG_CONFIG_HOME"), m_config.path());
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    env.insert(QStringLiteral("ASAN_OPTIONS"), QStringLiteral("detect_leaks=0"));
    return env;
}

QProcess *TestSingleInstance::startProgram(const QProcessEnvironment &env)
{
    m_programs.push_back(std::make_unique<QProcess>());
    QProcess *program = m_programs.back().get();
    program->setProcessEnvironment(env);
    program->setProcessChannelMode(QProcess::ForwardedErrorChannel);
    program->start(QStringLiteral(VORMA_PROGRAM), QStringList());
    return program->waitForStarted() ? program : nullptr;
}

uint TestSingleInstance::busNameOwner() const
{
    QDBusConnectionInterface *bus = QDBusConnection::sessionBus().interface();
    if (!bus->isServiceRegistered(programBusName()))
        return 0;
    return bus->servicePid(programBusName());
}

bool TestSingleInstance::waitForBusNameOwner(uint pid, int timeoutMs) const
{
    QDeadlineTimer deadline(timeoutMs);
    while (!deadline.hasExpired()) {
        if (busNameOwner() == pid)
            return true;
        QTest::qWait(20);
    }
    return false;
}

void TestSingleInstance::killedFirstInstanceDoesNotBlockTheNext()
{
    QProcess *first = startProgram(programEnvironment());
    QVERIFY(first);
    QVERIFY(waitForBusNameOwner(uint(first->processId())));
    first->kill();
    QVERIFY(first->waitForFinished());

    QProcess *next = startProgram(programEnvironment());
    QVERIFY(next);
    QVERIFY(waitForBusNameOwner(uint(next->processId())));
    QVERIFY(!next->waitForFinished(500));
}

void TestSingleInstance::withoutSessionBusTheProgramRunsAlone()
{
    // One instance owns the name on the bus; the one without a bus cannot
    // see it and runs by itself.
    QProcess *first = startProgram(programEnvironment());
    QVERIFY(first);
    QVERIFY(waitForBusNameOwner(uint(first->processId())));

    QProcessEnvironment env = programEnvironment();
    env.insert(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"), QStringLiteral("unix:path=/nonexistent/vorma-bus"));
    QProcess *alone = startProgram(env);
    QVERIFY(alone);
    QVERIFY(!alone->waitForFinished(1500));
    QCOMPARE(alone->state(), QProcess::Running);
    QCOMPARE(busNameOwner(), uint(first->processId()));
}

int main(int argc, char *argv[])
{
    runOnPrivateSessionBus(argc, argv);
    QCoreApplication app(argc, argv);
    TestSingleInstance test;
    QTEST_SET_MAIN_SOURCE_PATH
    return QTest::qExec(&test, argc, argv);
}

#include "tst_singleinstance.moc"
