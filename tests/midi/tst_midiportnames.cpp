#include "midi/MidiOutput.h"
#include "midi/MidiPortNames.h"
#include "midi/RtMidiBackend.h"

#include "MidiTestSupport.h"

#include <QtTest>

Q_DECLARE_METATYPE(MidiApiSetting)
Q_DECLARE_METATYPE(MidiDriverApi)

class TestMidiPortNames : public QObject
{
    Q_OBJECT
private slots:
    void naturalOrder_data();
    void naturalOrder();
    void sortingPutsNumberedNamesInNumberOrder();
    void displayNameDropsAlsaNumbers_data();
    void displayNameDropsAlsaNumbers();
    void sameNamesGetNumerals_data();
    void sameNamesGetNumerals();
    void identicalDevicesCanEachBeOpened();
    void portSetsShowDisplayNamesWithoutOwnPorts();
    void noPortsGiveEmptySets();
    void findPortMatchesStoredNamesWithNumbers();
    void apiChoice_data();
    void apiChoice();
    void apiSettings_data();
    void apiSettings();
    void offMeansNoPorts();
    void platformBackendFollowsTheEnvironment();
};

void TestMidiPortNames::naturalOrder_data()
{
    QTest::addColumn<QString>("a");
    QTest::addColumn<QString>("b");
    QTest::addColumn<bool>("aFirst");
    QTest::addColumn<bool>("bFirst");

    QTest::newRow("2 before 10") << "Port 2" << "Port 10" << true << false;
    QTest::newRow("no number counts as 0") << "Synth" << "Synth 1" << true << false;
    QTest::newRow("0 equals no number") << "Synth" << "Synth0" << false << false;
    QTest::newRow("leading zeros are the same number") << "Port 007" << "Port 7" << false << false;
    QTest::newRow("stems decide before numbers") << "Alpha 9" << "Beta 1" << true << false;
    QTest::newRow("equal names") << "Same" << "Same" << false << false;
    QTest::newRow("number too large counts as 0")
        << "Port 99999999999999999999999" << "Port 1" << true << false;
    QTest::newRow("digits inside belong to the stem") << "A1 B" << "A2 B" << true << false;
    QTest::newRow("empty first") << "" << "a" << true << false;
}

void TestMidiPortNames::naturalOrder()
{
    QFETCH(QString, a);
    QFETCH(QString, b);
    QFETCH(bool, aFirst);
    QFETCH(bool, bFirst);
    QCOMPARE(comparePortNames(a, b), aFirst);
    QCOMPARE(comparePortNames(b, a), bFirst);
}

void TestMidiPortNames::sortingPutsNumberedNamesInNumberOrder()
{
    QStringList names{"USB MIDI 10", "Synth", "USB MIDI 2", "USB MIDI 1", "Synth 3"};
    sortPortNames(names);
    QCOMPARE(names, (QStringList{"Synth", "Synth 3", "USB MIDI 1", "USB MIDI 2", "USB MIDI 10"}));
    // Names that compare equal keep their order.
    names = QStringList{"Port 007", "S0", "Port 7", "S", "Port 07"};
    sortPortNames(names);
    QCOMPARE(names, (QStringList{"Port 007", "Port 7", "Port 07", "S0", "S"}));
}

void TestMidiPortNames::displayNameDropsAlsaNumbers_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("display");

    QTest::newRow("alsa") << "Midi Through:Midi Through Port-0 14:0" << "Midi Through:Midi Through Port-0";
    QTest::newRow("alsa high numbers") << "USB Keys:USB Keys MIDI 1 128:12" << "USB Keys:USB Keys MIDI 1";
    QTest::newRow("jack kept") << "system:midi_capture_1" << "system:midi_capture_1";
    QTest::newRow("a2j kept") << "a2j:Midi Through [14] (capture): Midi Through Port-0"
                              << "a2j:Midi Through [14] (capture): Midi Through Port-0";
    QTest::newRow("plain number kept") << "Synth 3" << "Synth 3";
    QTest::newRow("numbers in the middle kept") << "X 1:2 Y" << "X 1:2 Y";
    QTest::newRow("already stripped") << "Synth:Port" << "Synth:Port";
}

void TestMidiPortNames::displayNameDropsAlsaNumbers()
{
    QFETCH(QString, name);
    QFETCH(QString, display);
    QCOMPARE(midiPortDisplayName(name), display);
}

void TestMidiPortNames::sameNamesGetNumerals_data()
{
    QTest::addColumn<QStringList>("raw");
    QTest::addColumn<QStringList>("shown");

    QTest::newRow("distinct names unchanged") << QStringList{"A", "B"} << QStringList{"A", "B"};
    QTest::newRow("second and third") << QStringList{"Synth", "Synth", "Synth"}
                                      << QStringList{"Synth", "Synth 2", "Synth 3"};
    QTest::newRow("in list order") << QStringList{"Synth", "Keys", "Synth", "Keys"}
                                   << QStringList{"Synth", "Keys", "Synth 2", "Keys 2"};
    QTest::newRow("alsa numbers differ, names do not")
        << QStringList{"Synth:Synth Port 1 128:0", "Synth:Synth Port 1 129:0"}
        << QStringList{"Synth:Synth Port 1", "Synth:Synth Port 1 2"};
    QTest::newRow("a device's own numeral is left to it, later")
        << QStringList{"Synth", "Synth", "Synth 2"} << QStringList{"Synth", "Synth 3", "Synth 2"};
    QTest::newRow("a device's own numeral is left to it, earlier")
        << QStringList{"Synth 2", "Synth", "Synth"} << QStringList{"Synth 2", "Synth", "Synth 3"};
    QTest::newRow("a numbered duplicate") << QStringList{"Synth 2", "Synth 2"}
                                          << QStringList{"Synth 2", "Synth 2 2"};
    QTest::newRow("empty") << QStringList{} << QStringList{};
}

void TestMidiPortNames::sameNamesGetNumerals()
{
    QFETCH(QStringList, raw);
    QFETCH(QStringList, shown);
    QCOMPARE(midiPortDisplayNames(raw), shown);
}

// Two identical devices are both offered, and each name opens its own.
void TestMidiPortNames::identicalDevicesCanEachBeOpened()
{
    ScopedFakeMidi midi;
    const QString first = QStringLiteral("Synth:Synth Port 1 128:0");
    const QString second = QStringLiteral("Synth:Synth Port 1 129:0");
    midi->addPort(MidiDirection::Output, ownMidiClientName(MidiDirection::Input) + ":RtMidi Input");
    midi->addPort(MidiDirection::Output, first);
    midi->addPort(MidiDirection::Output, second);
    QCOMPARE(midiPortNames(MidiDirection::Output),
             (QStringList{"Synth:Synth Port 1", "Synth:Synth Port 1 2"}));

    MidiOutput a, b;
    QVERIFY(a.open("Synth:Synth Port 1"));
    QVERIFY(b.open("Synth:Synth Port 1 2"));
    QCOMPARE(b.portName(), QStringLiteral("Synth:Synth Port 1 2"));
    QCOMPARE(midi->openDeviceCount(MidiDirection::Output, first), 1);
    QCOMPARE(midi->openDeviceCount(MidiDirection::Output, second), 1);
    int index = -1;
    QVERIFY(findMidiOutputPort("Synth:Synth Port 1 2", &index));
    QCOMPARE(index, 1);
}

// The sets are what users see: driver names without ALSA's numbers, without ports of this process's own clients (any direction, any
// JACK rename), but with other programs' ports of similar names.
void TestMidiPortNames::portSetsShowDisplayNamesWithoutOwnPorts()
{
    ScopedFakeMidi midi;
    const QString ownIn = ownMidiClientName(MidiDirection::Input);
    const QString ownOut = ownMidiClientName(MidiDirection::Output);
    midi->addPort(MidiDirection::Output, "Synth:Synth Port 1 128:0");
    midi->addPort(MidiDirection::Output, "Synth:Synth Port 1 129:0"); // a second, identical device
    midi->addPort(MidiDirection::Output, "system:midi_playback_1");
    midi->addPort(MidiDirection::Output, ownIn + ":RtMidi Input");
    midi->addPort(MidiDirection::Output, ownIn + "-01:RtMidi Input");
    midi->addPort(MidiDirection::Output, ownIn + "0:Another program");
    midi->addPort(MidiDirection::Input, ownOut + ":RtMidi Output 130:0");
    midi->addPort(MidiDirection::Input, "Keys:Keys MIDI 1 20:0");

    QCOMPARE(midiOutputPortNameSet(), (QSet<QString>{"Synth:Synth Port 1", "Synth:Synth Port 1 2",
                                                     "system:midi_playback_1", ownIn + "0:Another program"}));
    QCOMPARE(midiInputPortNameSet(), QSet<QString>{"Keys:Keys MIDI 1"});
    QVERIFY(isOwnMidiPort(ownOut + "-12:RtMidi Output"));
    QVERIFY(!isOwnMidiPort(ownOut));
}

void TestMidiPortNames::noPortsGiveEmptySets()
{
    ScopedFakeMidi midi;
    QVERIFY(midiOutputPortNameSet().isEmpty());
    QVERIFY(midiInputPortNameSet().isEmpty());
    int index = 0;
    QVERIFY(!findMidiOutputPort("Synth", &index));
}

void TestMidiPortNames::findPortMatchesStoredNamesWithNumbers()
{
    ScopedFakeMidi midi;
    midi->addPort(MidiDirection::Output, "A:A 20:0");
    midi->addPort(MidiDirection::Output, "B:B 21:0");
    midi->addPort(MidiDirection::Input, "C:C");

    int index = -1;
    QVERIFY(findMidiOutputPort("B:B", &index));
    QCOMPARE(index, 1);
    // A document saved in another run holds other numbers.
    QVERIFY(findMidiOutputPort("B:B 24:0", &index));
    QCOMPARE(index, 1);
    QVERIFY(!findMidiOutputPort("C:C", &index));
    QCOMPARE(index, -1);
    QVERIFY(findMidiInputPort("C:C", &index));
    QCOMPARE(index, 0);

    midi->removePort(MidiDirection::Output, "A:A 20:0");
    QVERIFY(!findMidiOutputPort("A:A", nullptr));
}

void TestMidiPortNames::apiChoice_data()
{
    QTest::addColumn<MidiApiSetting>("setting");
    QTest::addColumn<bool>("alsaOpens");
    QTest::addColumn<bool>("jackRuns");
    QTest::addColumn<MidiDriverApi>("chosen");
    QTest::addColumn<bool>("jackAsked");

    using S = MidiApiSetting;
    using A = MidiDriverApi;
    QTest::newRow("alsa first") << S::Auto << true << true << A::Alsa << false;
    QTest::newRow("jack when alsa fails") << S::Auto << false << true << A::Jack << true;
    QTest::newRow("nothing") << S::Auto << false << false << A::None << true;
    QTest::newRow("forced jack over alsa") << S::Jack << true << true << A::Jack << true;
    QTest::newRow("forced jack without server") << S::Jack << true << false << A::None << true;
    QTest::newRow("forced alsa without sequencer") << S::Alsa << false << true << A::None << false;
    QTest::newRow("off asks nothing") << S::Off << true << true << A::None << false;
}

void TestMidiPortNames::apiChoice()
{
    QFETCH(MidiApiSetting, setting);
    QFETCH(bool, alsaOpens);
    QFETCH(bool, jackRuns);
    QFETCH(MidiDriverApi, chosen);
    QFETCH(bool, jackAsked);

    bool asked = false;
    const MidiDriverApi api = RtMidiBackend::chooseApi(setting, [&] { return alsaOpens; }, [&] {
        asked = true;
        return jackRuns;
    });
    QCOMPARE(api, chosen);
    // A JACK client costs tens of milliseconds: only asked when needed.
    QCOMPARE(asked, jackAsked);
}

void TestMidiPortNames::apiSettings_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<MidiApiSetting>("setting");
    QTest::newRow("alsa") << "alsa" << MidiApiSetting::Alsa;
    QTest::newRow("JACK") << " JACK " << MidiApiSetting::Jack;
    QTest::newRow("none") << "None" << MidiApiSetting::Off;
    QTest::newRow("empty") << "" << MidiApiSetting::Auto;
    QTest::newRow("unknown") << "coremidi" << MidiApiSetting::Auto;
}

void TestMidiPortNames::apiSettings()
{
    QFETCH(QString, name);
    QFETCH(MidiApiSetting, setting);
    QCOMPARE(RtMidiBackend::parseApiSetting(name), setting);
}

// Switched off, the platform's backend has no ports and asks no driver.
void TestMidiPortNames::offMeansNoPorts()
{
    RtMidiBackend off(MidiApiSetting::Off);
    QVERIFY(off.portNames(MidiDirection::Output).isEmpty());
    QVERIFY(!off.openOutput("anything", "client"));
    QCOMPARE(off.apiName(), QStringLiteral("none"));
}

// The platform's backend is made on first use from VORMA_MIDI_API.
void TestMidiPortNames::platformBackendFollowsTheEnvironment()
{
    qputenv("VORMA_MIDI_API", "none");
    MidiBackend::setCurrent(nullptr);
    QCOMPARE(MidiBackend::current()->apiName(), QStringLiteral("none"));
    QVERIFY(midiOutputPortNameSet().isEmpty());
    QVERIFY(midiInputPortNameSet().isEmpty());
}

QTEST_GUILESS_MAIN(TestMidiPortNames)
#include "tst_midiportnames.moc"
