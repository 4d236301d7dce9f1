// The example documents shipped in Examples/: each loads cleanly and plays
// notes on an instrument port (the triggered one once a key starts it).

#include "Qmd/QmdMemModel.h"
#include "QmdVorma/DocumentKeys.h"
#include "QmdVorma/DocumentDefaults.h"
#include "QmdVorma/QmdVormaController.h"
#include "midi/Platform.h"

#include "MidiTestSupport.h"
#include "Qmd/QmdTestSupport.h"

#include <QDir>
#include <QElapsedTimer>
#include <QSignalSpy>
#include <QtTest>

namespace Keys = QmdVorma::Keys;

class TestExamples : public QObject
{
    Q_OBJECT

private slots:
    void examplesLoadAndPlay_data();
    void examplesLoadAndPlay();
};

void TestExamples::examplesLoadAndPlay_data()
{
    QTest::addColumn<QString>("path");
    const QDir folder(QStringLiteral(VORMA_EXAMPLES_DIR));
    const QStringList names = folder.entryList({QStringLiteral("*.vrm")}, QDir::Files, QDir::Name);
    QVERIFY2(names.size() >= 4, qPrintable(names.join(QLatin1Char(','))));
    for (const QString &name : names)
        QTest::newRow(qPrintable(name)) << folder.filePath(name);
}

void TestExamples::examplesLoadAndPlay()
{
    QFETCH(QString, path);
    ScopedFakeMidi midi;
    const QString port = QStringLiteral("Example Out");
    midi->addPort(MidiDirection::Output, port);

    QmdMemModel model;
    QmdVormaController c;
    c.setModel(&model);
    QSignalSpy loaded(&c, &QmdDocController::fileLoaded);
    QSignalSpy failed(&c, &QmdDocController::fileLoadError);
    c.requestLoadTemplate(path);
    settle();
    QCOMPARE(failed.count(), 0);
    QVERIFY(c.isAtCleanState());
    QVERIFY(!c.data(Keys::Title).toString().isEmpty());

    int nodes = 0;
    bool triggered = false;
    for (QmdItemId id : c.elementIds()) {
        const int type = c.elementData(id, Keys::Type).toInt();
        if (type == QmdVorma::NodeElement) {
            ++nodes;
            QMap<int, QPair<int, QmdVormaController::NotesToken>> spans;
            QVERIFY2(QmdVormaController::validateNotes(c.elementData(id, Keys::Notes).toString(), spans),
                     qPrintable(c.elementData(id, Keys::Notes).toString()));
        } else if (type == QmdVorma::VoiceGroupElement) {
            triggered |= !c.elementData(id, Keys::TriggeringMidiPitchList).toString().isEmpty();
        }
    }
    QVERIFY(nodes >= 3);

    // The examples name no port: every machine has its own. Play on the
    // test's, quickly.
    const QmdItemIdList instruments = c.instrumentIds();
    QVERIFY(!instruments.isEmpty());
    for (QmdItemId id : instruments)
        c.requestSetData(Keys::MidiPort, port, c.instrumentIndex(id));
    c.requestSetData(Keys::Tempo, 600u);
    settle();
    c.requestPlay();
    settle();
    if (triggered) {
        MidiInputMessage noteOn;
        noteOn.bytes = {0x90, 60, 100};
        noteOn.receivedNs = currentTimeNs();
        c.requestMidiTriggerVoiceGroups(noteOn, 200);
        settle();
    }

    const auto noteOnSent = [&] {
        for (const auto &message : midi->sentMessages(port)) {
            if (message.bytes.size() == 3 && (message.bytes[0] & 0xF0) == 0x90 && message.bytes[2] > 0)
                return true;
        }
        return false;
    };
    QElapsedTimer timer;
    timer.start();
    while (!noteOnSent() && timer.elapsed() < 10000) {
        settle();
        QTest::qWait(10);
    }
    c.requestPause();
    settle();
    QVERIFY(noteOnSent());
}

QTEST_MAIN(TestExamples)
#include "tst_examples.moc"
