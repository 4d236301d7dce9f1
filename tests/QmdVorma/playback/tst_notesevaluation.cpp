// What the items of a note mean (scale steps, velocities, durations, list
// cursors), and a node's notes tree evaluated for the state a voice brings:
// sequential, parallel and random groups, cycling lists, and trees that
// yield nothing.
#include "QmdVorma/playback/PlaybackTestSupport.h"

#include "QmdVorma/playback/NotesEvaluation.h"
#include "QmdVorma/ScaleModeAccess.h"

#include <QElapsedTimer>

using namespace QmdVorma;

namespace {

constexpr int Major = 2741; // degrees 0, 2, 4, 5, 7, 9, 11
constexpr qint64 P = Principal;

struct Note
{
    int pitch;
    int velocity;
    qint64 duration;
    bool operator==(const Note &o) const { return pitch == o.pitch && velocity == o.velocity && duration == o.duration; }
};

char *toString(const Note &n)
{
    return QTest::toString(QStringLiteral("(%1 %2 %3)").arg(n.pitch).arg(n.velocity).arg(n.duration));
}

QList<Note> notesOf(const QVector<VoiceState> &states)
{
    QList<Note> notes;
    for (const VoiceState &s : states)
        notes.append({s.pitch, s.velocity, s.duration});
    return notes;
}

// One node, with its notes text, and a voice group whose engine evaluates
// it; the group never plays, so the test thread drives it alone.
class NotesFixture
{
public:
    explicit NotesFixture(const QString &notes)
    {
        node = net.node(0, 0, notes);
        group = net.group(node);
        engine = net.thread(group);
        engine->readScale();
    }

    void useScale(int key, const QString &mode)
    {
        QmdItemId modeId = 0;
        for (QmdItemId id : scaleModeIdList(&net.c())) {
            if (scaleModeValue(&net.c(), id, Keys::Label).toString() == mode)
                modeId = id;
        }
        net.set(group, Keys::UseScale, true);
        net.set(group, Keys::ScaleKey, uint(key));
        net.set(group, Keys::ScaleMode, uint(modeId));
        engine->readScale();
    }

    QmdIndex tree()
    {
        const std::lock_guard<PriorityInheritanceMutex> lock(net.c().controllerMutex());
        return net.c().notesTreeIndex(node);
    }

    // One arrival's evaluation with a voice carrying C3, velocity 100 and
    // one principal.
    QList<Note> evaluate(QmdItemId primaryEdge = 0)
    {
        VoiceState state;
        state.pitch = 60;
        state.velocity = 100;
        state.duration = P;
        const QList<Note> notes = notesOf(engine->evaluateNotesTree(tree(), state, primaryEdge));
        settle();
        return notes;
    }

    PlayedNetwork net;
    QmdItemId node = 0;
    QmdItemId group = 0;
    VoiceGroup *engine = nullptr;
};

} // namespace

class TestNotesEvaluation : public QObject
{
    Q_OBJECT
private slots:
    void scaleSteps_data();
    void scaleSteps();
    void stepsCostTheSameWhateverTheirNumber();
    void pitchItems_data();
    void pitchItems();
    void velocityItems_data();
    void velocityItems();
    void durationItems_data();
    void durationItems();
    void listCursors();
    void initialPitches_data();
    void initialPitches();

    void listsCycleIndependently();
    void groups_data();
    void groups();
    void childrenWorkOnCopies();
    void percentOfThePrimaryEdge();
    void randomGroupRepeatsWithItsSeed();
};

void TestNotesEvaluation::scaleSteps_data()
{
    QTest::addColumn<int>("pitch");
    QTest::addColumn<int>("steps");
    QTest::addColumn<int>("direction");
    QTest::addColumn<int>("key");
    QTest::addColumn<int>("set");
    QTest::addColumn<int>("expected");
    QTest::newRow("+1") << 60 << 1 << 1 << 0 << Major << 62;
    QTest::newRow("+2") << 60 << 2 << 1 << 0 << Major << 64;
    QTest::newRow("-1") << 60 << 1 << -1 << 0 << Major << 59;
    QTest::newRow("+7 an octave") << 60 << 7 << 1 << 0 << Major << 72;
    QTest::newRow("+9 past an octave") << 60 << 9 << 1 << 0 << Major << 76;
    QTest::newRow("-8 past an octave down") << 60 << 8 << -1 << 0 << Major << 47;
    QTest::newRow("off the scale +1") << 61 << 1 << 1 << 0 << Major << 62;
    QTest::newRow("off the scale +0 snaps up") << 61 << 0 << 1 << 0 << Major << 62;
    QTest::newRow("off the scale -0 snaps down") << 61 << 0 << -1 << 0 << Major << 60;
    QTest::newRow("on the scale +0 stays") << 64 << 0 << 1 << 0 << Major << 64;
    QTest::newRow("off the scale +8") << 61 << 8 << 1 << 0 << Major << 74;
    QTest::newRow("empty set is chromatic") << 60 << 3 << 1 << 0 << 0 << 63;
    QTest::newRow("full set") << 60 << 3 << 1 << 0 << 4095 << 63;
    QTest::newRow("A major") << 57 << 2 << 1 << 9 << Major << 61;
    QTest::newRow("key beyond 11") << 57 << 2 << 1 << 21 << Major << 61;
}

void TestNotesEvaluation::scaleSteps()
{
    QFETCH(int, pitch);
    QFETCH(int, steps);
    QFETCH(int, direction);
    QFETCH(int, key);
    QFETCH(int, set);
    QFETCH(int, expected);
    QCOMPARE(stepScaleDegrees(pitch, steps, direction, key, set), expected);
}

void TestNotesEvaluation::stepsCostTheSameWhateverTheirNumber()
{
    QElapsedTimer timer;
    timer.start();
    for (int set : {Major, 1, 4095}) {
        QVERIFY(stepScaleDegrees(60, 99999999, 1, 0, set) > 127);
        QVERIFY(stepScaleDegrees(60, std::numeric_limits<qint64>::max(), -1, 0, set) < 0);
    }
    QCOMPARE(applyPitchItem(60, QStringLiteral("+99999999"), 0, Major), 127);
    QCOMPARE(applyPitchItem(60, QStringLiteral("-99999999999999999999"), 0, Major), 60);
    QVERIFY2(timer.elapsed() < 1000, "stepping took the long way");
}

void TestNotesEvaluation::pitchItems_data()
{
    QTest::addColumn<int>("pitch");
    QTest::addColumn<QString>("item");
    QTest::addColumn<int>("expected");
    QTest::newRow("name") << 50 << "C3" << 60;
    QTest::newRow("sharp") << 50 << "F#3" << 66;
    QTest::newRow("above 127") << 50 << "A8" << 127;
    QTest::newRow("relative up") << 60 << "+2" << 64;
    QTest::newRow("relative below 0") << 5 << "-200" << 0;
    QTest::newRow("no item keeps") << 61 << "" << 61;
    QTest::newRow("carried above 127 clamps") << 129 << "" << 127;
    QTest::newRow("unknown name") << 60 << "H" << 0;
}

void TestNotesEvaluation::pitchItems()
{
    QFETCH(int, pitch);
    QFETCH(QString, item);
    QFETCH(int, expected);
    QCOMPARE(applyPitchItem(pitch, item, 0, Major), expected);
}

void TestNotesEvaluation::velocityItems_data()
{
    QTest::addColumn<int>("velocity");
    QTest::addColumn<QString>("item");
    QTest::addColumn<int>("expected");
    QTest::newRow("absolute") << 50 << "96" << 96;
    QTest::newRow("+10 from 120") << 120 << "+10" << 127;
    QTest::newRow("-200") << 120 << "-200" << 0;
    QTest::newRow("0") << 120 << "0" << 0;
    QTest::newRow("-5") << 120 << "-5" << 115;
    QTest::newRow("no item keeps") << 77 << "" << 77;
    QTest::newRow("beyond 64 bits") << 77 << "+99999999999999999999" << 77;
}

void TestNotesEvaluation::velocityItems()
{
    QFETCH(int, velocity);
    QFETCH(QString, item);
    QFETCH(int, expected);
    QCOMPARE(applyVelocityItem(velocity, item), expected);
}

void TestNotesEvaluation::durationItems_data()
{
    QTest::addColumn<qint64>("duration");
    QTest::addColumn<QString>("item");
    QTest::addColumn<qint64>("percentBase");
    QTest::addColumn<qint64>("expected");
    QTest::newRow("1") << P << "1" << P << P;
    QTest::newRow("0.5") << P << "0.5" << P << P / 2;
    QTest::newRow("*2") << P << "*2" << P << 2 * P;
    QTest::newRow("/3") << P << "/3" << P << P / 3;
    QTest::newRow("+0.25") << P << "+0.25" << P << P + P / 4;
    QTest::newRow("-2") << P << "-2" << P << qint64(0);
    QTest::newRow("50% of two principals") << P << "50%" << 2 * P << P;
    QTest::newRow("50% of one principal") << P << "50%" << P << P / 2;
    QTest::newRow("+10%") << P << "+10%" << P << P + P / 10;
    QTest::newRow("20000 is the longest") << P << "20000" << P << MaxNoteDuration;
    QTest::newRow("/0") << P << "/0" << P << MaxNoteDuration;
    QTest::newRow("0 /0 keeps") << qint64(0) << "/0" << P << qint64(0);
    QTest::newRow("*1e300") << P << "*1e300" << P << MaxNoteDuration;
    QTest::newRow("percent of no travel") << P << "50%" << qint64(0) << qint64(0);
    QTest::newRow("halves away from zero") << qint64(1) << "*2.5" << P << qint64(3);
}

void TestNotesEvaluation::durationItems()
{
    QFETCH(qint64, duration);
    QFETCH(QString, item);
    QFETCH(qint64, percentBase);
    QFETCH(qint64, expected);
    QCOMPARE(applyDurationItem(duration, item, Ticks(percentBase)), expected);
}

void TestNotesEvaluation::listCursors()
{
    int next = -1;
    QCOMPARE(pickListItem(QStringLiteral("a,b,c"), 0, &next), QStringLiteral("a"));
    QCOMPARE(next, 1);
    QCOMPARE(pickListItem(QStringLiteral("a,b,c"), 2, &next), QStringLiteral("c"));
    QCOMPARE(next, 3);
    // Past the end: item 0 again, and the cursor after it.
    QCOMPARE(pickListItem(QStringLiteral("a,b,c"), 3, &next), QStringLiteral("a"));
    QCOMPARE(next, 1);
    QCOMPARE(pickListItem(QStringLiteral("a,,b"), 1, &next), QStringLiteral("b"));
    QCOMPARE(pickListItem(QStringLiteral("a,b"), -4, &next), QStringLiteral("a"));
    QCOMPARE(pickListItem(QStringLiteral(",,"), 0, &next), QString());
    QCOMPARE(next, 1);
}

void TestNotesEvaluation::initialPitches_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("key");
    QTest::addColumn<int>("expected");
    QTest::newRow("name") << "C3" << 0 << 60;
    QTest::newRow("name above 127 kept") << "A8" << 0 << 129;
    QTest::newRow("+2 in C") << "+2" << 0 << 64;
    QTest::newRow("+2 in A") << "+2" << 9 << 61;
    QTest::newRow("-1 in G#") << "-1" << 8 << 67;
    QTest::newRow("-200 stops at 1") << "-200" << 0 << 1;
    QTest::newRow("+200 stops at 127") << "+200" << 0 << 127;
}

void TestNotesEvaluation::initialPitches()
{
    QFETCH(QString, text);
    QFETCH(int, key);
    QFETCH(int, expected);
    QCOMPARE(initialPitch(text, key, Major), expected);
}

void TestNotesEvaluation::listsCycleIndependently()
{
    NotesFixture f(QStringLiteral("C3,D3,E3:10,20"));
    QList<Note> played;
    for (int i = 0; i < 7; ++i)
        played += f.evaluate();
    QCOMPARE(played, (QList<Note>{{60, 10, P}, {62, 20, P}, {64, 10, P}, {60, 20, P},
                                  {62, 10, P}, {64, 20, P}, {60, 10, P}}));
    const QString tree = treePath(f.node) + QStringLiteral("/Children/1");
    QCOMPARE(f.net.doc.value(tree, Keys::CurrentPitchId).toInt(), 1);
    QCOMPARE(f.net.doc.value(tree, Keys::CurrentVelocityId).toInt(), 1);
    // Cursors move outside the undo history.
    QCOMPARE(f.net.c().undoText(), QStringLiteral("Voice Group"));
}

void TestNotesEvaluation::groups_data()
{
    QTest::addColumn<QString>("notes");
    QTest::addColumn<QList<QList<int>>>("pitchesPerArrival");
    QTest::newRow("sequential root") << "C3 D3 E3" << QList<QList<int>>{{60}, {62}, {64}, {60}};
    QTest::newRow("parallel group") << "[C3 E3 G3]" << QList<QList<int>>{{60, 64, 67}, {60, 64, 67}};
    QTest::newRow("nested") << "[C3 (D3 E3)] F3"
                            << QList<QList<int>>{{60, 62}, {65}, {60, 64}, {65}, {60, 62}};
    QTest::newRow("chord list is one note") << "C3,E3" << QList<QList<int>>{{60}, {64}, {60}};
    QTest::newRow("empty text") << "" << QList<QList<int>>{{}, {}};
    QTest::newRow("empty group") << "[]" << QList<QList<int>>{{}};
    QTest::newRow("text that does not parse") << "C3:96:" << QList<QList<int>>{{}};
}

void TestNotesEvaluation::groups()
{
    QFETCH(QString, notes);
    QFETCH(QList<QList<int>>, pitchesPerArrival);
    NotesFixture f(notes);
    for (const QList<int> &expected : pitchesPerArrival) {
        QList<int> pitches;
        for (const Note &n : f.evaluate())
            pitches << n.pitch;
        QCOMPARE(pitches, expected);
    }
}

void TestNotesEvaluation::childrenWorkOnCopies()
{
    NotesFixture f(QStringLiteral("[+1:+10 +1:+10] +0"));
    f.useScale(0, QStringLiteral("Major"));
    // Each child starts from the voice's C3 and 100, not from its sibling's.
    QCOMPARE(f.evaluate(), (QList<Note>{{62, 110, P}, {62, 110, P}}));
    QCOMPARE(f.evaluate(), (QList<Note>{{60, 100, P}}));
}

void TestNotesEvaluation::percentOfThePrimaryEdge()
{
    NotesFixture f(QStringLiteral("C3::50%"));
    const QmdItemId far = f.net.node(2, 0, QString());
    const QmdItemId edge = f.net.edge(f.node, far);
    QCOMPARE(f.evaluate(edge), (QList<Note>{{60, 100, P}}));
    QCOMPARE(f.evaluate(0), (QList<Note>{{60, 100, P / 2}}));
}

void TestNotesEvaluation::randomGroupRepeatsWithItsSeed()
{
    NotesFixture f(QStringLiteral("{C3 D3 E3 F3}"));
    auto run = [&] {
        f.engine->seedGenerator(20260101);
        QList<int> pitches;
        for (int i = 0; i < 40; ++i)
            pitches << f.evaluate().value(0).pitch;
        return pitches;
    };
    const QList<int> first = run();
    QCOMPARE(run(), first);
    for (int pitch : {60, 62, 64, 65})
        QVERIFY(first.contains(pitch));
}

QTEST_GUILESS_MAIN(TestNotesEvaluation)
#include "tst_notesevaluation.moc"
