#include "QmdVorma/PitchNames.h"

#include <QtTest>

using namespace QmdVorma;

// MIDI note numbers and pitch names, both ways.
class TstPitchNames : public QObject
{
    Q_OBJECT

private slots:
    void pitchName_data()
    {
        QTest::addColumn<int>("note");
        QTest::addColumn<QString>("name");
        QTest::newRow("middle C") << 60 << "C3";
        QTest::newRow("sharp") << 61 << "C#3";
        QTest::newRow("A") << 69 << "A3";
        QTest::newRow("lowest") << 0 << "C-2";
        QTest::newRow("octave -1") << 12 << "C-1";
        QTest::newRow("B below C-1") << 11 << "B-2";
        QTest::newRow("A#7") << 118 << "A#7";
        QTest::newRow("highest") << 127 << "G8";
        QTest::newRow("beyond MIDI") << 255 << "D#19";
    }
    void pitchName()
    {
        QFETCH(int, note);
        QFETCH(QString, name);
        QCOMPARE(QmdVorma::pitchName(quint8(note)), name);
    }

    void pitchFromName_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<int>("note");
        QTest::newRow("C3") << "C3" << 60;
        QTest::newRow("A-1") << "A-1" << 21;
        QTest::newRow("C-2") << "C-2" << 0;
        QTest::newRow("G8") << "G8" << 127;
        QTest::newRow("lower-case sharp") << "c#3" << 61;
        QTest::newRow("lower-case") << "e3" << 64;
        QTest::newRow("every letter") << "F3" << 65;
        QTest::newRow("B sharp is the next C") << "B#3" << 72;
        QTest::newRow("unknown letter counts as C") << "H3" << 60;
        QTest::newRow("flat sign is not read") << "Db3" << 62;
        QTest::newRow("above G8 as given") << "A8" << 129;
        QTest::newRow("A#8") << "A#8" << 130;
        QTest::newRow("B8") << "B8" << 131;
        QTest::newRow("two-digit octave") << "C10" << 144;
        QTest::newRow("wraps at 256") << "C20" << 8;
        // No digit 0 to 8 and no "-", or nothing before it.
        QTest::newRow("octave 9 is not found") << "C9" << 0;
        QTest::newRow("digit only") << "3" << 0;
        QTest::newRow("minus first") << "-1" << 0;
        QTest::newRow("no octave") << "C#" << 0;
        QTest::newRow("empty") << "" << 0;
        // An octave text that is no 16-bit number counts as octave 0.
        QTest::newRow("trailing junk") << "C3x" << 24;
        QTest::newRow("octave too large") << "C40000" << 24;
        QTest::newRow("lone minus") << "C-" << 24;
        // Below C-2 nothing wraps around to a high note.
        QTest::newRow("C-3") << "C-3" << 0;
        QTest::newRow("B-3") << "B-3" << 0;
        QTest::newRow("far below") << "C-32768" << 0;
    }
    void pitchFromName()
    {
        QFETCH(QString, name);
        QFETCH(int, note);
        QCOMPARE(int(QmdVorma::pitchFromName(name)), note);
    }

    void pitchFromLetterAndOctave_data()
    {
        QTest::addColumn<QString>("letters");
        QTest::addColumn<int>("octave");
        QTest::addColumn<int>("note");
        QTest::newRow("C3") << "C" << 3 << 60;
        QTest::newRow("no letters") << "" << 3 << 0;
        QTest::newRow("just above 0") << "C#" << -2 << 1;
        QTest::newRow("just below 0") << "B" << -3 << 0;
        QTest::newRow("int minimum") << "C" << std::numeric_limits<int>::min() << 0;
        QTest::newRow("int maximum") << "C" << std::numeric_limits<int>::max()
                                     << int((qint64(std::numeric_limits<int>::max()) * 12 + 24) % 256);
    }
    void pitchFromLetterAndOctave()
    {
        QFETCH(QString, letters);
        QFETCH(int, octave);
        QFETCH(int, note);
        QCOMPARE(int(QmdVorma::pitchFromLetterAndOctave(letters, octave)), note);
    }

    void everyNoteReadsBackFromItsName()
    {
        for (int note = 0; note <= 127; ++note)
            QCOMPARE(int(QmdVorma::pitchFromName(QmdVorma::pitchName(quint8(note)))), note);
    }
};

QTEST_GUILESS_MAIN(TstPitchNames)
#include "tst_pitchnames.moc"
