#include "QmdVorma/ScaleModes.h"

#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

#include <algorithm>

using namespace QmdVorma;

// Built-in scale modes: the text form of degree sets and the loading of
// ScaleModes.plist, with the file the program ships.
class TstScaleModes : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;

    // "Label=degrees@order" per mode, in list order.
    static QString describe(const BuiltInScaleModeList &modes)
    {
        QStringList parts;
        for (const BuiltInScaleMode &mode : modes)
            parts << QStringLiteral("%1=%2@%3").arg(mode.label).arg(mode.degreeSet).arg(mode.displayOrder);
        return parts.join(QStringLiteral("; "));
    }

    static QString describe(const BuiltInScaleModeSet &modes)
    {
        BuiltInScaleModeList sorted(modes.cbegin(), modes.cend());
        std::sort(sorted.begin(), sorted.end(), [](const BuiltInScaleMode &a, const BuiltInScaleMode &b) {
            return a.displayOrder < b.displayOrder;
        });
        return describe(sorted);
    }

    static QString plist(const QString &arrayContent)
    {
        return QStringLiteral("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
                              "<plist version=\"1.0\">\n<array>\n%1</array>\n</plist>")
            .arg(arrayContent);
    }

    static QString dict(const QString &label, const QString &degrees)
    {
        return QStringLiteral("<dict><key>Label</key><string>%1</string>"
                              "<key>ChromaticScaleDegreeSet</key><string>%2</string></dict>\n")
            .arg(label, degrees);
    }

    static const char *fallback() { return "Chromatic=4095@0; Major=2741@1; Minor=1453@2"; }

private slots:
    void initTestCase() { QVERIFY(m_dir.isValid()); }

    void parseScaleDegreeSet_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("degreeSet");
        QTest::newRow("major") << "{0,2,4,5,7,9,11}" << 2741;
        QTest::newRow("blank places") << "{0, ,2, ,4,5, ,7, ,9, ,11}" << 2741;
        QTest::newRow("minor, trailing blank") << "{0, ,2,3, ,5, ,7,8, ,10, }" << 1453;
        QTest::newRow("all") << "{0,1,2,3,4,5,6,7,8,9,10,11}" << 4095;
        QTest::newRow("only degree 11") << "{ 11 }" << 2048;
        QTest::newRow("repeated degree") << "{1,1,1}" << 2;
        QTest::newRow("white space, no braces") << "\t0\n4  7" << 145;
        QTest::newRow("out of range ignored") << "{-1,12,3}" << 8;
        QTest::newRow("non-integers ignored") << "{2.5,4,0x3}" << 16;
        QTest::newRow("no valid degree") << "{13,x}" << 4095;
        QTest::newRow("empty braces") << "{}" << 4095;
        QTest::newRow("empty text") << "" << 4095;
    }
    void parseScaleDegreeSet()
    {
        QFETCH(QString, text);
        QFETCH(int, degreeSet);
        QCOMPARE(QmdVorma::parseScaleDegreeSet(text), degreeSet);
    }

    void formatScaleDegreeSet_data()
    {
        QTest::addColumn<int>("degreeSet");
        QTest::addColumn<QString>("text");
        QTest::newRow("major") << 2741 << "{0,2,4,5,7,9,11}";
        QTest::newRow("all") << 4095 << "{0,1,2,3,4,5,6,7,8,9,10,11}";
        QTest::newRow("empty") << 0 << "{}";
        QTest::newRow("bits above 11 ignored") << (0x1000 | 0x800) << "{11}";
        QTest::newRow("negative") << -1 << "{0,1,2,3,4,5,6,7,8,9,10,11}";
    }
    void formatScaleDegreeSet()
    {
        QFETCH(int, degreeSet);
        QFETCH(QString, text);
        QCOMPARE(QmdVorma::formatScaleDegreeSet(degreeSet), text);
    }

    void everyDegreeSetReadsBackFromItsText()
    {
        for (int degreeSet = 1; degreeSet <= 4095; ++degreeSet)
            QCOMPARE(QmdVorma::parseScaleDegreeSet(QmdVorma::formatScaleDegreeSet(degreeSet)), degreeSet);
    }

    void sameModeIgnoresOrder()
    {
        const BuiltInScaleMode major(QStringLiteral("Major"), 2741, 1);
        const BuiltInScaleMode laterMajor(QStringLiteral("Major"), 2741, 7);
        QVERIFY(major == laterMajor);
        QCOMPARE(qHash(major, 5), qHash(laterMajor, 5));
        QCOMPARE(qHash(major, 5), qHash(QStringLiteral("Major"), 5) ^ 2741u);
        QVERIFY(major != BuiltInScaleMode(QStringLiteral("Major"), 1453, 1));
        QVERIFY(major != BuiltInScaleMode(QStringLiteral("major"), 2741, 1));

        const BuiltInScaleMode &chromatic = defaultScaleMode();
        QCOMPARE(chromatic.label, QStringLiteral("Chromatic"));
        QCOMPARE(chromatic.degreeSet, 4095);
        QCOMPARE(chromatic.displayOrder, -1);
    }

    // content: the file's text; a null text means no file at all.
    void loadScaleModes_data()
    {
        QTest::addColumn<QString>("content");
        QTest::addColumn<QString>("list");
        QTest::addColumn<QString>("set");
        const QString major = dict("Major", "{0,2,4,5,7,9,11}");
        const QString minor = dict("Minor", "{0,2,3,5,7,8,10}");

        QTest::newRow("no file") << QString() << fallback() << fallback();
        QTest::newRow("empty file") << "" << fallback() << fallback();
        QTest::newRow("not XML") << "<plist><array><dict>" << fallback() << fallback();
        QTest::newRow("root is not plist") << "<array>" + major + "</array>" << fallback() << fallback();
        QTest::newRow("no dict") << plist("") << fallback() << fallback();
        QTest::newRow("no complete dict")
            << plist(dict("", "{0}") + "<dict><key>Label</key><string>Lydian</string></dict>")
            << fallback() << fallback();
        QTest::newRow("only Major: Chromatic comes last")
            << plist(major) << "Major=2741@0; Chromatic=4095@1" << "Major=2741@0; Chromatic=4095@1";
        QTest::newRow("incomplete dicts take no order")
            << plist(major + dict("", "{0,4,7}") + dict("   ", "{0,4,7}") + dict("Empty", " ")
                     + "<dict><key>Label</key><string>Lydian</string></dict>" + minor)
            << "Major=2741@0; Minor=1453@1; Chromatic=4095@2"
            << "Major=2741@0; Minor=1453@1; Chromatic=4095@2";
        QTest::newRow("equal dicts: twice in the list, once in the set")
            << plist(major + major) << "Major=2741@0; Major=2741@1; Chromatic=4095@2"
            << "Major=2741@0; Chromatic=4095@2";
        QTest::newRow("Chromatic from the file keeps its place")
            << plist(major + dict("Chromatic", "{0, 1,2,3,4,5,6,7,8,9,10,11}"))
            << "Major=2741@0; Chromatic=4095@1" << "Major=2741@0; Chromatic=4095@1";
        QTest::newRow("Chromatic with other degrees is another mode")
            << plist(dict("Chromatic", "{0,1}")) << "Chromatic=3@0; Chromatic=4095@1"
            << "Chromatic=3@0; Chromatic=4095@1";
        QTest::newRow("no valid degree reads as all twelve")
            << plist(dict("Odd", "{13, x}")) << "Odd=4095@0; Chromatic=4095@1"
            << "Odd=4095@0; Chromatic=4095@1";
        // Keys in any order, trimmed names and values, other elements between
        // a key and its string, unknown keys, stray children of the array and
        // dicts deeper down; the array's name and the version are not examined.
        QTest::newRow("lenient reading")
            << "<plist version=\"9\"><items>\n"
               "<string>stray</string>\n"
               "<dict>\n"
               "  <key> ChromaticScaleDegreeSet </key><integer>7</integer><string> {0, 4, 7} </string>\n"
               "  <key>Comment</key><string>ignored</string>\n"
               "  <key>Label</key>\n  <string>\n    Triad  </string>\n"
               "</dict>\n"
               "<array>" + minor + "</array>\n"
               "</items></plist>"
            << "Triad=145@0; Chromatic=4095@1" << "Triad=145@0; Chromatic=4095@1";
    }
    void loadScaleModes()
    {
        QFETCH(QString, content);
        QFETCH(QString, list);
        QFETCH(QString, set);
        const QString path = m_dir.filePath(QStringLiteral("%1.plist").arg(QTest::currentDataTag()));
        if (!content.isNull()) {
            QFile file(path);
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write(content.toUtf8());
        }
        // Whatever the containers held before is dropped.
        BuiltInScaleModeList modes{BuiltInScaleMode(QStringLiteral("Stale"), 1, 0)};
        BuiltInScaleModeSet modeSet{BuiltInScaleMode(QStringLiteral("Stale"), 1, 0)};
        QmdVorma::loadScaleModes(modes, modeSet, defaultScaleMode(), path);
        QCOMPARE(describe(modes), list);
        QCOMPARE(describe(modeSet), set);
    }

    void directoryInPlaceOfFileFallsBack()
    {
        BuiltInScaleModeList modes;
        BuiltInScaleModeSet modeSet;
        QmdVorma::loadScaleModes(modes, modeSet, defaultScaleMode(), m_dir.path());
        QCOMPARE(describe(modes), QString(fallback()));
    }

    // The file the build puts beside every executable: every entry loads,
    // none twice, and the first three agree with the modes the program falls
    // back to, so documents made without the file match those made with it.
    void shippedFileLoads()
    {
        QFile file(scaleModesFilePath());
        QVERIFY2(file.open(QIODevice::ReadOnly), qPrintable(file.fileName()));
        const int dicts = QString::fromUtf8(file.readAll()).count(QStringLiteral("<dict>"));
        QVERIFY(dicts > 3);

        BuiltInScaleModeList &modes = builtInScaleModes();
        BuiltInScaleModeSet &modeSet = builtInScaleModeSet();
        QVERIFY(modes.isEmpty());
        QmdVorma::loadScaleModes(modes, modeSet, defaultScaleMode());
        QCOMPARE(modes.size(), dicts);
        QCOMPARE(modeSet.size(), dicts);
        QCOMPARE(describe(modes.mid(0, 3)), QString(fallback()));
        QStringList labels;
        for (int i = 0; i < modes.size(); ++i) {
            QCOMPARE(modes.at(i).displayOrder, i);
            QVERIFY2(modes.at(i).degreeSet & 1, qPrintable(modes.at(i).label)); // has its key note
            labels << modes.at(i).label;
        }
        labels.removeDuplicates();
        QCOMPARE(labels.size(), dicts);
    }
};

QTEST_GUILESS_MAIN(TstScaleModes)
#include "tst_scalemodes.moc"
