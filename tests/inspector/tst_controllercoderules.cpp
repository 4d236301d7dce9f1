#include "inspector/ControllerCodeRules.h"

#include <QtTest>

Q_DECLARE_METATYPE(QVector<MidiOutputMessage>)

namespace {

ControllerCodeChange change(int previousMsb, int previousLsb, int msb, int lsb, bool msbChanged, bool lsbChanged)
{
    return ControllerCodeChange{previousMsb, previousLsb, msb, lsb, msbChanged, lsbChanged};
}

} // namespace

class TestControllerCodeRules : public QObject
{
    Q_OBJECT

private slots:
    void smartReset_data();
    void smartReset();
    void pairing_data();
    void pairing();
};

void TestControllerCodeRules::smartReset_data()
{
    QTest::addColumn<ControllerCodeChange>("codes");
    QTest::addColumn<bool>("playing");
    QTest::addColumn<bool>("enabled");
    QTest::addColumn<QVector<MidiOutputMessage>>("expected");
    const quint64 t = 1234;
    using M = QVector<MidiOutputMessage>;
    QTest::newRow("volume to expression") << change(7, -1, 11, -1, true, false) << true << true
                                          << M{controlChangeMessage(t, 7, 127)};
    QTest::newRow("stopped") << change(7, -1, 11, -1, true, false) << false << true << M{};
    QTest::newRow("setting off") << change(7, -1, 11, -1, true, false) << true << false << M{};
    QTest::newRow("leaving pitch bend") << change(-2, -2, 1, -1, true, true) << true << true
                                        << M{pitchBendMessage(t, 8192)};
    QTest::newRow("pan pair to modulation pair") << change(10, 42, 1, 33, true, true) << true << true
                                                 << M{controlChangeMessage(t, 10, 64), controlChangeMessage(t, 42, 0)};
    QTest::newRow("from none") << change(-1, -1, 7, -1, true, false) << true << true << M{};
    QTest::newRow("first run") << change(-127, -127, 7, 39, true, true) << true << true << M{};
    QTest::newRow("same code") << change(7, -1, 7, -1, true, false) << true << true << M{};
    QTest::newRow("LSB only") << change(7, 39, 7, -1, false, true) << true << true
                              << M{controlChangeMessage(t, 39, 127)};
    QTest::newRow("damaged previous code") << change(300, -1, 7, -1, true, false) << true << true << M{};
}

void TestControllerCodeRules::smartReset()
{
    QFETCH(ControllerCodeChange, codes);
    QFETCH(bool, playing);
    QFETCH(bool, enabled);
    QTEST(smartResetMessages(codes, playing, enabled, 1234), "expected");
}

void TestControllerCodeRules::pairing_data()
{
    QTest::addColumn<ControllerCodeChange>("codes");
    QTest::addColumn<bool>("autoLsb");
    QTest::addColumn<int>("lsb");
    QTest::addColumn<int>("msb");
    QTest::newRow("pitch bend MSB") << change(1, -1, -2, -1, true, false) << false << -2 << -127;
    QTest::newRow("pitch bend both") << change(1, -2, -2, -2, true, false) << true << -127 << -127;
    QTest::newRow("pitch bend LSB") << change(1, -1, 1, -2, false, true) << false << -127 << -2;
    QTest::newRow("auto partner") << change(1, -1, 7, -1, true, false) << true << 39 << -127;
    QTest::newRow("no auto partner") << change(1, -1, 7, -1, true, false) << false << -127 << -127;
    QTest::newRow("partner already") << change(1, -1, 7, 39, true, false) << true << -127 << -127;
    QTest::newRow("no partner keeps LSB") << change(1, 33, 64, 33, true, false) << true << -127 << -127;
    QTest::newRow("leaving bend") << change(-2, -2, 1, -2, true, false) << false << -1 << -127;
    QTest::newRow("leaving bend, auto") << change(-2, -2, 1, -2, true, false) << true << 33 << -127;
    QTest::newRow("leaving bend, no partner") << change(-2, -2, 64, -2, true, false) << true << -1 << -127;
    QTest::newRow("none MSB") << change(1, -2, -1, -2, true, false) << true << -1 << -127;
}

void TestControllerCodeRules::pairing()
{
    QFETCH(ControllerCodeChange, codes);
    QFETCH(bool, autoLsb);
    const ControllerCodePairing pairing = pairedControllerCodes(codes, autoLsb);
    QTEST(pairing.lsb, "lsb");
    QTEST(pairing.msb, "msb");
}

QTEST_APPLESS_MAIN(TestControllerCodeRules)
#include "tst_controllercoderules.moc"
