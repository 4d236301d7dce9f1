#include "Qmd/QmdTestSupport.h"

#include "Qmd/QmdDirectModelInterface.h"
#include "Qmd/QmdMemModel.h"
#include "QmdVorma/QmdVorma.h"
#include "QmdVorma/QmdVormaExporter.h"
#include "QmdVorma/QmdVormaImporter.h"

#include <QBitArray>
#include <QBuffer>
#include <QColor>
#include <QPolygonF>
#include <QXmlStreamReader>
#include <QtTest>

#include <limits>

using namespace QmdVorma;

namespace {

// An entry's place: the keys of the dictionaries above it, "/"-separated,
// numbers naming integer-keyed entries; empty for a root entry.
QStringList pathParts(const QString &path)
{
    return path.split(QLatin1Char('/'), Qt::SkipEmptyParts);
}

bool isItemId(const QString &name, QmdItemId *id = nullptr)
{
    bool ok = false;
    const QmdItemId value = name.toUInt(&ok);
    if (id)
        *id = value;
    return ok;
}

// The dictionary at `path`, made on the way when `make` is set.
QmdIndex dictAt(QmdDirectModelInterface &d, const QString &path, bool make)
{
    QmdIndex parent;
    const QStringList parts = pathParts(path);
    for (int i = 0; i < parts.size(); ++i) {
        const Qmd::ContainerType kind = i + 1 < parts.size() && isItemId(parts.at(i + 1)) ? Qmd::IntDict : Qmd::StrDict;
        QmdItemId id = 0;
        if (isItemId(parts.at(i), &id)) {
            if (make)
                d.setType(id, kind, parent);
            parent = d.index(id, parent);
        } else {
            if (make)
                d.setType(parts.at(i), kind, parent);
            parent = d.index(parts.at(i), parent);
        }
    }
    return parent;
}

// A property list holding only the dictionaries of `path` and, in the
// innermost one, the key with one value element.
QByteArray documentText(const QString &path, const QString &key, const QString &element, const QString &text)
{
    auto dict = [](const char *kind, const QString &entries) {
        return QStringLiteral("<dict><key>ContainerType</key><string>%1</string>%2</dict>")
            .arg(QLatin1String(kind), entries);
    };
    QString value = dict("StrDict", QStringLiteral("<key>%1</key><%2>%3</%2>").arg(key, element, text.toHtmlEscaped()));
    const QStringList parts = pathParts(path);
    for (int i = parts.size() - 1; i >= 0; --i) {
        const char *kind = isItemId(parts.at(i)) ? "IntDict" : "StrDict";
        value = dict(kind, QStringLiteral("<key>%1</key>%2").arg(parts.at(i), value));
    }
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<plist version=\"1.0\">" + value.toUtf8() + "</plist>";
}

// The name and text of the value element following `<key>key</key>`.
QPair<QString, QString> writtenElement(const QByteArray &file, const QString &key)
{
    QXmlStreamReader reader(file);
    bool keySeen = false;
    while (!reader.atEnd()) {
        if (reader.readNext() != QXmlStreamReader::StartElement)
            continue;
        const QString name = reader.name().toString();
        if (name == QLatin1String("plist") || name == QLatin1String("dict"))
            continue;
        const QString text = reader.readElementText();
        if (keySeen)
            return {name, text};
        keySeen = name == QLatin1String("key") && text == key;
    }
    return {QStringLiteral("(none)"), QString()};
}

// A value as text that names its type, for comparisons that show both.
QString describe(const QVariant &value)
{
    const int type = value.userType();
    if (type == QMetaType::UnknownType)
        return QStringLiteral("~");
    if (type == qMetaTypeId<TickPoint>()) {
        const TickPoint point = value.value<TickPoint>();
        return QStringLiteral("TickPoint(%1, %2)").arg(point.x).arg(point.y);
    }
    if (type == QMetaType::QColor) {
        const QColor color = value.value<QColor>();
        return color.isValid() ? QStringLiteral("QColor(%1 alpha %2)").arg(color.name()).arg(color.alpha())
                               : QStringLiteral("QColor(invalid)");
    }
    if (type == QMetaType::QPolygonF) {
        QStringList points;
        for (const QPointF &point : value.value<QPolygonF>())
            points << QStringLiteral("%1,%2").arg(point.x(), 0, 'g', 17).arg(point.y(), 0, 'g', 17);
        return QStringLiteral("QPolygonF(%1)").arg(points.join(QLatin1Char(';')));
    }
    if (type == QMetaType::QBitArray) {
        const QBitArray bits = value.toBitArray();
        QString text;
        for (int i = 0; i < bits.size(); ++i)
            text += bits.testBit(i) ? QLatin1Char('1') : QLatin1Char('0');
        return QStringLiteral("QBitArray(%1)").arg(text);
    }
    return QStringLiteral("%1(%2)").arg(QLatin1String(value.typeName()), value.toString());
}

QBitArray channels(std::initializer_list<int> enabled)
{
    QBitArray bits(16);
    for (int channel : enabled)
        bits.setBit(channel - 1);
    return bits;
}

} // namespace

// The network document's value forms in property lists: each form written
// by the exporter and read back by the importer at the place it belongs to,
// and read from texts the exporter never writes (other letter case, older
// names, damage), through the real writer and reader on a buffer.
class TstQmdVormaValueForms : public QObject
{
    Q_OBJECT

private slots:
    void forms_data();
    void forms();
};

void TstQmdVormaValueForms::forms_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<QString>("key");
    QTest::addColumn<QVariant>("value"); // invalid: only read from `text`
    QTest::addColumn<QString>("element");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QVariant>("read");

    const QVariant none;
    const QString string = QStringLiteral("string");
    const QString element = QStringLiteral("Elements/7");
    const QString instrument = QStringLiteral("Instruments/2");
    const QString controller = QStringLiteral("Elements/7/ContinuousControllers/1");
    const QString scaleMode = QStringLiteral("ScaleModes/3");
    auto point = [](qint64 x, qint64 y) { return QVariant::fromValue(TickPoint(x, y)); };
    auto text = [](const char *t) { return QVariant(QString::fromUtf8(t)); };
    auto curve = [](QVector<QPointF> points) { return QVariant(QPolygonF(points)); };

    // Colours: with alpha only at the root, under a "Style...Color" key.
    const QColor orange(255, 128, 0, 64);
    QTest::newRow("root colour") << "" << "StyleBackgroundColor" << QVariant(orange) << string << "#ff800040"
                                 << QVariant(orange);
    QTest::newRow("root colour, opaque") << "" << "StyleNodesColor" << QVariant(QColor(16, 32, 48)) << string
                                         << "#102030ff" << QVariant(QColor(16, 32, 48));
    QTest::newRow("root colour held as text") << "" << "StyleAnnotationColor" << text("#FF0000") << string
                                              << "#ff0000ff" << QVariant(QColor(Qt::red));
    QTest::newRow("root colour key holding no colour")
        << "" << "StyleEdgesColor" << QVariant(7) << "integer" << "7" << QVariant(7);
    QTest::newRow("root colour without alpha") << "" << "StyleBackgroundColor" << none << string << "#ff8000"
                                               << QVariant(QColor(255, 128, 0, 0));
    QTest::newRow("root colour in capitals") << "" << "StyleBackgroundColor" << none << string << "#FF8000C0"
                                             << QVariant(QColor(255, 128, 0, 192));
    QTest::newRow("root colour, alpha not hexadecimal")
        << "" << "StyleBackgroundColor" << none << string << "#ff8000zz" << QVariant(QColor(255, 128, 0, 0));
    QTest::newRow("root colour, alpha signed")
        << "" << "StyleBackgroundColor" << none << string << "#ff8000-1" << QVariant(QColor(255, 128, 0, 0));
    QTest::newRow("style colour below the root")
        << "Other" << "StyleBackgroundColor" << QVariant(orange) << string << "#ff8000" << text("#ff8000");
    QTest::newRow("root key in other case")
        << "" << "styleBackgroundColor" << QVariant(orange) << string << "#ff8000" << text("#ff8000");
    QTest::newRow("instrument colour") << instrument << "Color" << QVariant(QColor(1, 2, 3, 200)) << string
                                       << "#010203" << text("#010203");

    // Element kinds, edge paths, signalling methods: names inside an element.
    const char *typeNames[] = {"", "Edge", "Node", "TextBox", "VoiceGroup"};
    for (int type = 1; type <= 4; ++type)
        QTest::addRow("Type %d", type) << element << "Type" << QVariant(type) << string << typeNames[type]
                                       << QVariant(type);
    QTest::newRow("Type 0") << element << "Type" << QVariant(0) << string << "" << QVariant(0);
    QTest::newRow("Type 9") << element << "Type" << QVariant(9) << string << "" << QVariant(0);
    for (const char *name : {"edge", "EDGE", "arc", "Arc"})
        QTest::addRow("Type %s", name) << element << "Type" << none << string << name << QVariant(1);
    QTest::newRow("Type player") << element << "Type" << none << string << "player" << QVariant(4);
    QTest::newRow("Type textbox") << element << "Type" << none << string << "textbox" << QVariant(3);
    QTest::newRow("Type unknown") << element << "Type" << none << string << "Edges" << QVariant(0);
    QTest::newRow("Type as integer") << element << "Type" << none << "integer" << "2" << QVariant(2);
    QTest::newRow("Type at the root, written") << "" << "Type" << QVariant(1) << "integer" << "1" << QVariant(1);
    QTest::newRow("Type at the root, read") << "" << "Type" << none << string << "Edge" << text("Edge");
    QTest::newRow("Type of an instrument") << instrument << "Type" << none << string << "Edge" << text("Edge");
    const char *pathNames[] = {"CityBlock", "CityBlockFlipped", "Direct"};
    const char *methodNames[] = {"Sequential", "Parallel", "Random"};
    for (int i = 0; i <= 2; ++i) {
        QTest::addRow("Path %d", i) << element << "Path" << QVariant(i) << string << pathNames[i] << QVariant(i);
        QTest::addRow("SignallingMethod %d", i)
            << element << "SignallingMethod" << QVariant(i) << string << methodNames[i] << QVariant(i);
    }
    QTest::newRow("Path 5") << element << "Path" << QVariant(5) << string << "" << QVariant(0);
    QTest::newRow("Path in capitals") << element << "Path" << none << string << "DIRECT" << QVariant(2);
    QTest::newRow("Path unknown") << element << "Path" << none << string << "diagonal" << QVariant(0);
    QTest::newRow("SignallingMethod in capitals")
        << element << "SignallingMethod" << none << string << "RANDOM" << QVariant(2);
    QTest::newRow("SignallingMethod unknown")
        << element << "SignallingMethod" << none << string << "loop" << QVariant(0);

    // Tick positions: written wherever the value is one, read only as an
    // element's TickPos.
    QTest::newRow("TickPos") << element << "TickPos" << point(-665280, 665280) << string << "{-665280, 665280}"
                             << point(-665280, 665280);
    QTest::newRow("TickPos with sign, no space") << element << "TickPos" << none << string << "{+5,7}" << point(5, 7);
    QTest::newRow("TickPos, spaces") << element << "TickPos" << none << string << "{5,   7}" << point(5, 7);
    QTest::newRow("TickPos, 64-bit limits")
        << element << "TickPos" << none << string << "{9223372036854775807, -9223372036854775808}"
        << point(std::numeric_limits<qint64>::max(), std::numeric_limits<qint64>::min());
    QTest::newRow("TickPos unclosed") << element << "TickPos" << none << string << "{5, 7" << point(0, 0);
    QTest::newRow("TickPos not numbers") << element << "TickPos" << none << string << "{x, 7}" << point(0, 0);
    QTest::newRow("TickPos too large")
        << element << "TickPos" << none << string << "{9223372036854775808, 7}" << point(0, 0);
    QTest::newRow("tick point under another key")
        << "Other" << "Anchor" << point(3, -4) << string << "{3, -4}" << text("{3, -4}");
    QTest::newRow("TickPos outside an element") << "Other" << "TickPos" << none << string << "{1, 2}" << text("{1, 2}");

    // Controller curves.
    QTest::newRow("curve") << controller << "CurvePoints" << curve({{0, 0}, {1, 127}}) << string << "0,0;1,127"
                           << curve({{0, 0}, {1, 127}});
    QTest::newRow("curve, 6 digits") << controller << "CurvePoints" << curve({{0.333333333, 64.5}}) << string
                                     << "0.333333,64.5" << curve({{0.333333, 64.5}});
    QTest::newRow("curve, empty") << controller << "CurvePoints" << curve({}) << string << "" << curve({{0, 0}});
    QTest::newRow("curve, empty parts") << controller << "CurvePoints" << none << string << "1,2;;3"
                                        << curve({{1, 2}, {0, 0}, {3, 0}});
    QTest::newRow("curve, not numbers") << controller << "CurvePoints" << none << string << "x,5;2,y;1e999,3"
                                        << curve({{0, 5}, {2, 0}, {0, 3}});
    QTest::newRow("curve, not finite") << controller << "CurvePoints" << none << string << "nan,1;1,inf;-inf,2"
                                       << curve({{0, 1}, {1, 0}, {0, 2}});
    QTest::newRow("polygon under another key")
        << "Other" << "Outline" << curve({{1, 2}}) << string << "1,2" << text("1,2");

    // MIDI channel sets.
    QTest::newRow("channels 1 and 10") << instrument << "MidiChannels" << QVariant(channels({1, 10})) << string
                                       << "1000000001000000" << QVariant(channels({1, 10}));
    QTest::newRow("no channels") << instrument << "MidiChannels" << QVariant(QBitArray()) << string << ""
                                 << QVariant(QBitArray());
    QTest::newRow("channels, other digit") << instrument << "MidiChannels" << none << string << "0102" << text("0102");
    QTest::newRow("channels, space") << instrument << "MidiChannels" << none << string << "1 0" << text("1 0");

    // Degree sets of scale modes.
    QTest::newRow("major degrees") << scaleMode << "ChromaticScaleDegreeSet" << QVariant(2741) << string
                                   << "{0,2,4,5,7,9,11}" << QVariant(2741);
    QTest::newRow("degrees, spaced") << scaleMode << "ChromaticScaleDegreeSet" << none << string << "{0, 4, 7}"
                                     << QVariant(145);
    QTest::newRow("degrees, none valid") << scaleMode << "ChromaticScaleDegreeSet" << none << string << "{12, x}"
                                         << QVariant(4095);

    // Everything else is the plain property-list form, its text unchanged.
    QTest::newRow("Notes keep their case")
        << element << "Notes" << text("C4 e4 Mixed") << string << "C4 e4 Mixed" << text("C4 e4 Mixed");
    QTest::newRow("other element key") << element << "Label" << none << string << "ARC" << text("ARC");
    QTest::newRow("real in an element") << element << "Velocity" << QVariant(0.5) << "real" << "0.5" << QVariant(0.5);
}

void TstQmdVormaValueForms::forms()
{
    QFETCH(QString, path);
    QFETCH(QString, key);
    QFETCH(QVariant, value);
    QFETCH(QString, element);
    QFETCH(QString, text);
    QFETCH(QVariant, read);

    QByteArray file;
    if (value.isValid()) {
        DirectDocument source;
        source.change([&] { source.d.setData(key, value, dictAt(source.d, path, true)); });
        QBuffer buffer(&file);
        buffer.open(QIODevice::WriteOnly);
        QmdVormaExporter exporter(&source.model, &buffer);
        QVERIFY(exporter.exportIndex(QmdIndex()));
        const auto written = writtenElement(file, key);
        QCOMPARE(written.first, element);
        QCOMPARE(written.second, text);
    } else {
        file = documentText(path, key, element, text);
    }

    DirectDocument target;
    QBuffer buffer(&file);
    buffer.open(QIODevice::ReadOnly);
    QmdVormaImporter importer(&target.model, &buffer);
    bool imported = false;
    target.change([&] { imported = importer.importIndex(QmdIndex()); }, Qmd::NoUndo);
    QVERIFY2(imported, qPrintable(importer.errorString()));
    QCOMPARE(describe(target.d.data(target.d.index(key, dictAt(target.d, path, false)))), describe(read));
}

QTEST_GUILESS_MAIN(TstQmdVormaValueForms)

#include "tst_qmdvormavalueforms.moc"
