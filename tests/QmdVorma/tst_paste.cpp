// Copy and paste of elements through the system clipboard: the clipboard's
// text, new ids with the references between pasted elements rewired, what
// cannot stand alone left out, centring and snapping to the grid, undo and
// redo, and clipboard content that is damaged or of another program.
#include "QmdVorma/EditingTestSupport.h"
#include "GuiTestMain.h"

#include "QmdVorma/DocumentDefaults.h"

#include <QClipboard>
#include <QMimeData>

#include <limits>

using namespace QmdVorma;

namespace {

constexpr qint64 P = qint64(TicksPerPrincipal);

const QString MimeType = QStringLiteral("text/vorma-elements");

QVariant tickPoint(qint64 x, qint64 y)
{
    return QVariant::fromValue(TickPoint(x, y));
}

QByteArray clipboardText()
{
    const QMimeData *data = QGuiApplication::clipboard()->mimeData();
    return data ? data->data(MimeType) : QByteArray();
}

void putOnClipboard(const QByteArray &text)
{
    auto *data = new QMimeData;
    data->setData(MimeType, text);
    QGuiApplication::clipboard()->setMimeData(data);
}

// A property list holding the dictionary elements, as a copy writes it.
QByteArray clipboardOf(const QString &elements)
{
    return QStringLiteral("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<plist version=\"1.0\"><dict>"
                          "<key>ContainerType</key><string>IntDict</string>%1</dict></plist>")
        .arg(elements)
        .toUtf8();
}

// One element of such a list: its id and the values of its dictionary.
QString element(int id, const QString &values)
{
    return QStringLiteral("<key>%1</key><dict><key>ContainerType</key><string>StrDict</string>%2</dict>")
        .arg(id)
        .arg(values);
}

QString node(int id, const QString &pos = QStringLiteral("{0, 0}"))
{
    return element(id, QStringLiteral("<key>Type</key><string>Node</string><key>TickPos</key><string>%1</string>"
                                      "<key>Notes</key><string>D3</string>")
                           .arg(pos));
}

QString edge(int id, int from, int to)
{
    return element(id, QStringLiteral("<key>Type</key><string>Edge</string><key>FromNode</key><integer>%1</integer>"
                                      "<key>ToNode</key><integer>%2</integer>")
                           .arg(from)
                           .arg(to));
}

// The elements a paste added: those after the ones there were.
QmdItemIdList pastedSince(const VormaDocument &doc, const QmdItemIdList &before)
{
    QmdItemIdList added;
    for (QmdItemId id : doc.controller.elementIds()) {
        if (!before.contains(id))
            added.append(id);
    }
    return added;
}

QList<int> typesOf(const VormaDocument &doc, const QmdItemIdList &ids)
{
    QList<int> types;
    for (QmdItemId id : ids)
        types.append(doc.controller.elementData(id, Keys::Type).toInt());
    return types;
}

QmdRequestId paste(VormaDocument &doc, const TickPoint &center = TickPoint())
{
    const QmdRequestId rid = doc.controller.requestPaste(center);
    settle();
    return rid;
}

} // namespace

class TstPaste : public QObject
{
    Q_OBJECT

    SettingsSandbox m_settings;

private slots:
    void initTestCase() { QVERIFY(m_settings.isReady()); }
    void init() { QGuiApplication::clipboard()->clear(); }

    // Two nodes and the edge between them come back as three new elements
    // that refer to each other, with the arc number and use count the edge
    // had, fresh run-time state and notes trees.
    void rewiring()
    {
        VormaDocument doc;
        doc.attach();
        QmdVormaController &c = doc.controller;
        const QmdItemId a = addNode(doc, 0, 0);
        const QmdItemId b = addNode(doc, P, 0);
        addEdge(doc, a, b);
        const QmdItemId e = addEdge(doc, a, b, Direct);
        c.requestSetData(Keys::ArcUsageList, QStringLiteral("%1=3").arg(e), c.elementIndex(a));
        c.requestSetData(Keys::Notes, QStringLiteral("E3 F3"), c.elementIndex(b));
        c.requestSetData(Keys::HitCount, 5, c.lookupElementStateIndex(a));
        c.requestAddControllerToEdge(c.elementIndex(e), LinearCurve, 7, -1);
        settle();
        const QmdItemIdList before = c.elementIds();

        QVERIFY(!QmdVormaController::canPaste());
        QVERIFY(c.requestCopy({e, b, a}) != 0);
        QVERIFY(QmdVormaController::canPaste());
        const QByteArray text = clipboardText();
        QVERIFY(text.startsWith("<?xml"));
        QVERIFY(text.contains("<string>Node</string>"));
        QVERIFY(!text.contains("HitCount"));

        ControllerSignalLog log(&c);
        const QmdRequestId rid = paste(doc, TickPoint(P, P));
        const QmdItemIdList pasted = pastedSince(doc, before);
        QCOMPARE(pasted.size(), 3);
        const QStringList added = log.take(QStringLiteral("elementsAdded"));
        QVERIFY(!added.isEmpty());
        for (const QString &line : added)
            QVERIFY2(line.endsWith(QStringLiteral(" #%1").arg(rid)), qPrintable(line));
        QCOMPARE(c.undoText(), QStringLiteral("Paste"));
        QCOMPARE(typesOf(doc, pasted), (QList<int>{NodeElement, NodeElement, EdgeElement}));
        const QmdItemId newA = pasted[0];
        const QmdItemId newB = pasted[1];
        const QmdItemId newE = pasted[2];
        QCOMPARE(c.elementData(newE, Keys::FromNode), QVariant(uint(newA)));
        QCOMPARE(c.elementData(newE, Keys::ToNode), QVariant(uint(newB)));
        QCOMPARE(c.elementData(newE, Keys::Path).toInt(), int(Direct));
        QCOMPARE(doc.dump(elementPath(newE) + QStringLiteral("/ContinuousControllers")),
                 QStringLiteral("[1: {CurveType: 2, LsbCode: -1, MsbCode: 7}]"));
        QCOMPARE(doc.dump(elementPath(newA) + QStringLiteral("/ArcIdentifiers")),
                 QStringLiteral("[%1: u1]").arg(newE));
        QCOMPARE(c.arcIdentifierOfEdge(newA, newE), 1);
        QCOMPARE(c.elementData(newA, Keys::ArcUsageList).toString(), QStringLiteral("%1=3").arg(newE));
        QCOMPARE(c.elementData(newB, Keys::ArcUsageList), QVariant(QString()));
        QCOMPARE(doc.dump(statePath(newA)), doc.dump(statePath(b)));
        QCOMPARE(doc.dump(statePath(newE)), QStringLiteral("{CurrentScaleId: 0}"));
        QCOMPARE(doc.dump(treePath(newA)), doc.dump(treePath(a)));
        QCOMPARE(doc.dump(treePath(newB)), notesTreeOf(QStringLiteral("E3 F3")));

        // The pasted edge is known at its start node like any other.
        removeElements(doc, {newE});
        QCOMPARE(doc.dump(elementPath(newA) + QStringLiteral("/ArcIdentifiers")), QStringLiteral("[]"));
        QCOMPARE(c.elementData(newA, Keys::ArcUsageList).toString(), QString());
    }

    // Arcs and uses of edges that were not copied are left behind; edges
    // and voice groups without their nodes are not pasted at all.
    void whatStandsAlone()
    {
        VormaDocument doc;
        doc.attach();
        QmdVormaController &c = doc.controller;
        const QmdItemId a = addNode(doc);
        const QmdItemId b = addNode(doc);
        const QmdItemId e = addEdge(doc, a, b);
        const QmdItemId group = addVoiceGroup(doc, a);

        c.requestCopy({a});
        QmdItemIdList before = c.elementIds();
        paste(doc);
        const QmdItemIdList pasted = pastedSince(doc, before);
        QCOMPARE(pasted.size(), 1);
        QCOMPARE(doc.dump(elementPath(pasted[0]) + QStringLiteral("/ArcIdentifiers")), QStringLiteral("[]"));
        QCOMPARE(c.elementData(pasted[0], Keys::ArcUsageList), QVariant(QString()));

        for (const QmdItemIdSet &copied : {QmdItemIdSet{e}, QmdItemIdSet{group}, QmdItemIdSet{e, b}}) {
            c.requestCopy(copied);
            const QString unchanged = doc.dump();
            before = c.elementIds();
            QVERIFY(paste(doc) != 0);
            if (copied.size() == 2)
                QCOMPARE(typesOf(doc, pastedSince(doc, before)), QList<int>{NodeElement});
            else
                QCOMPARE(doc.dump(), unchanged);
        }
    }

    void placing_data()
    {
        QTest::addColumn<QVariantList>("positions"); // nodes, then text boxes after a null
        QTest::addColumn<QVariant>("divsPerPrincipal");
        QTest::addColumn<TickPoint>("center");
        QTest::addColumn<QVariantList>("placed");
        const QVariant none;
        QTest::newRow("centred and snapped")
            << QVariantList{tickPoint(0, 0), tickPoint(P, 0)} << QVariant(4) << TickPoint(1000000, 1000000)
            << QVariantList{tickPoint(P, 6 * P / 4), tickPoint(2 * P, 6 * P / 4)};
        QTest::newRow("no divisions: whole principals")
            << QVariantList{tickPoint(0, 0), tickPoint(P, 0)} << QVariant(0) << TickPoint(1000000, 1000000)
            << QVariantList{tickPoint(P, 2 * P), tickPoint(2 * P, 2 * P)};
        QTest::newRow("negative divisions: whole principals")
            << QVariantList{tickPoint(0, 0), tickPoint(P, 0)} << QVariant(-3) << TickPoint(1000000, 1000000)
            << QVariantList{tickPoint(P, 2 * P), tickPoint(2 * P, 2 * P)};
        QTest::newRow("divisions finer than ticks")
            << QVariantList{tickPoint(0, 0), tickPoint(P, 0)} << QVariant(1000000) << TickPoint(1000000, 1000000)
            << QVariantList{tickPoint(1000000 - P / 2, 1000000), tickPoint(1000000 + P / 2, 1000000)};
        QTest::newRow("divisions as text") << QVariantList{tickPoint(0, 0)} << QVariant(QStringLiteral("2"))
                                           << TickPoint(P / 4 + 1, 0) << QVariantList{tickPoint(P / 2, 0)};
        QTest::newRow("halves away from zero") << QVariantList{tickPoint(0, 0)} << QVariant(1)
                                               << TickPoint(P / 2, -P / 2) << QVariantList{tickPoint(P, -P)};
        QTest::newRow("first node decides")
            << QVariantList{tickPoint(10, 10), tickPoint(0, 0), none, tickPoint(-7, 3)} << QVariant(1)
            << TickPoint(P, P) << QVariantList{tickPoint(P, P), tickPoint(P - 10, P - 10), tickPoint(P - 17, P - 7)};
        QTest::newRow("text boxes are not snapped")
            << QVariantList{none, tickPoint(0, 0), tickPoint(10, 20)} << QVariant(4) << TickPoint(100, 100)
            << QVariantList{tickPoint(95, 90), tickPoint(105, 110)};
    }

    // The middle of the bounding box goes to the centre, then the first
    // node onto the division grid.
    void placing()
    {
        QFETCH(QVariantList, positions);
        QFETCH(QVariant, divsPerPrincipal);
        QFETCH(TickPoint, center);
        QFETCH(QVariantList, placed);
        VormaDocument source;
        int type = NodeElement;
        for (const QVariant &position : qAsConst(positions)) {
            if (position.isValid())
                source.addElement({{Keys::Type, type}, {Keys::TickPos, position}});
            else
                type = TextBoxElement;
        }
        source.attach();
        const QmdItemIdList ids = source.controller.elementIds();
        source.controller.requestCopy(QmdItemIdSet(ids.cbegin(), ids.cend()));

        VormaDocument doc;
        doc.attach();
        doc.controller.requestSetData(Keys::DivsPerPrincipal, divsPerPrincipal);
        paste(doc, center);
        QVariantList result;
        for (QmdItemId id : doc.controller.elementIds())
            result.append(doc.controller.elementData(id, Keys::TickPos));
        QCOMPARE(result.size(), placed.size());
        for (int i = 0; i < placed.size(); ++i)
            QCOMPARE(result.at(i).value<TickPoint>(), placed.at(i).value<TickPoint>());
    }

    // One undo step; redo brings the notes trees back too.
    void undoAndRedo()
    {
        VormaDocument doc;
        doc.attach();
        QmdVormaController &c = doc.controller;
        const QmdItemId a = addNode(doc);
        const QmdItemId b = addNode(doc, P, P);
        addEdge(doc, a, b);
        addVoiceGroup(doc, b);
        c.requestAddTextBox(TickPoint(5, 5));
        settle();
        const QmdItemIdList all = c.elementIds();
        c.requestCopy(QmdItemIdSet(all.cbegin(), all.cend()));
        const QString before = doc.dump();
        paste(doc, TickPoint(3 * P, 3 * P));
        const QString after = doc.dump();
        QCOMPARE(c.elementIds().size(), 2 * all.size());
        undo(doc);
        QCOMPARE(doc.dump(), before);
        QCOMPARE(c.undoText(), QStringLiteral("Text Box"));
        redo(doc);
        QCOMPARE(doc.dump(), after);
        QVERIFY(doc.index(treePath(pastedSince(doc, all).first())).isValid());
    }

    // Each paste is a copy of its own, in this document or another one.
    void pasteTwiceAndElsewhere()
    {
        VormaDocument doc;
        doc.attach();
        const QmdItemId a = addNode(doc);
        const QmdItemId b = addNode(doc, P, 0);
        const QmdItemId e = addEdge(doc, a, b);
        doc.controller.requestCopy({a, b, e});
        const QmdItemIdList before = doc.controller.elementIds();
        paste(doc);
        paste(doc, TickPoint(4 * P, 0));
        const QmdItemIdList pasted = pastedSince(doc, before);
        QCOMPARE(pasted.size(), 6);
        QCOMPARE(doc.controller.elementData(pasted[2], Keys::FromNode), QVariant(uint(pasted[0])));
        QCOMPARE(doc.controller.elementData(pasted[5], Keys::FromNode), QVariant(uint(pasted[3])));

        VormaDocument other;
        other.attach();
        const QmdItemId placeholder = addNode(other);
        paste(other);
        const QmdItemIdList there = pastedSince(other, {placeholder});
        QCOMPARE(typesOf(other, there), (QList<int>{NodeElement, NodeElement, EdgeElement}));
        QCOMPARE(other.controller.elementData(there[2], Keys::ToNode), QVariant(uint(there[1])));
        QCOMPARE(other.controller.arcIdentifierOfEdge(there[0], there[2]), 0);
    }

    // The controllers of two pastes of one edge are entries of their own,
    // with ids their edge handed out, so an edit of one reaches no other.
    void pastedControllersAreOwnEntries()
    {
        VormaDocument doc;
        doc.attach();
        QmdVormaController &c = doc.controller;
        const QmdItemId a = addNode(doc);
        const QmdItemId b = addNode(doc, P, 0);
        const QmdItemId e = addEdge(doc, a, b);
        for (short msb : {1, 7, 11})
            c.requestAddControllerToEdge(c.elementIndex(e), LinearCurve, msb, -1);
        const QString controllers = elementPath(e) + QStringLiteral("/ContinuousControllers");
        c.requestRemove(QmdItemId(1), doc.index(controllers));
        settle();
        QCOMPARE(doc.model.itemIds(doc.index(controllers)), (QmdItemIdList{2, 3}));
        c.requestCopy({a, b, e});
        const QmdItemIdList before = c.elementIds();
        paste(doc);
        paste(doc, TickPoint(4 * P, 0));
        const QmdItemIdList pasted = pastedSince(doc, before);
        QCOMPARE(typesOf(doc, pasted), (QList<int>{NodeElement, NodeElement, EdgeElement, NodeElement,
                                                   NodeElement, EdgeElement}));
        const QString first = elementPath(pasted[2]) + QStringLiteral("/ContinuousControllers");
        const QString second = elementPath(pasted[5]) + QStringLiteral("/ContinuousControllers");
        const QString copied = QStringLiteral("[1: {CurveType: 2, LsbCode: -1, MsbCode: 7}, "
                                              "2: {CurveType: 2, LsbCode: -1, MsbCode: 11}]");
        QCOMPARE(doc.dump(first), copied);
        QCOMPARE(doc.dump(second), copied);

        c.requestSetData(Keys::MsbCode, 64, doc.index(first + QStringLiteral("/1")));
        settle();
        QCOMPARE(doc.value(first + QStringLiteral("/1"), Keys::MsbCode), QVariant(64));
        QCOMPARE(doc.dump(second), copied);
        QCOMPARE(doc.value(controllers + QStringLiteral("/2"), Keys::MsbCode), QVariant(7));
    }

    // Adding or pasting a node parses its notes once: the queued news of
    // its `Notes` finds the tree already built.
    void notesTreesBuiltOnce()
    {
        VormaDocument doc;
        doc.attach();
        QmdVormaController &c = doc.controller;
        QmdItemIdList built;
        QObject::connect(&doc.model, QOverload<const QmdIndex &, const QmdItemIdList &, QmdRequestId>::of(
                                         &QmdModel::itemsChanged),
                         [&](const QmdIndex &parent, const QmdItemIdList &ids, QmdRequestId) {
                             if (parent == c.nodeNotesTreesIndex())
                                 built += ids;
                         });
        const QmdItemId a = addNode(doc);
        QCOMPARE(built, QmdItemIdList{a});

        built.clear();
        c.requestCopy({a});
        paste(doc, TickPoint(P, P));
        QCOMPARE(built.size(), 1);
        QVERIFY(built.first() != a);
        QCOMPARE(doc.dump(treePath(built.first())), doc.dump(treePath(a)));

        // A later edit still rebuilds.
        built.clear();
        c.requestSetData(Keys::Notes, QStringLiteral("E3 G3"), c.elementIndex(a));
        settle();
        QCOMPARE(built, QmdItemIdList{a});
        QCOMPARE(doc.dump(treePath(a)), notesTreeOf(QStringLiteral("E3 G3")));
    }

    void otherProgramsText()
    {
        VormaDocument doc;
        doc.attach();
        const QmdItemId a = addNode(doc);
        doc.controller.requestCopy({a});
        QVERIFY(QmdVormaController::canPaste());
        QGuiApplication::clipboard()->setText(QStringLiteral("text/vorma-elements"));
        QVERIFY(!QmdVormaController::canPaste());
        const QString before = doc.dump();
        QVERIFY(paste(doc) != 0);
        QCOMPARE(doc.dump(), before);
    }

    // Ids that name no element are left out: looked up, they would name the
    // root, and the whole document would go onto the clipboard.
    void copySkipsMissingIds()
    {
        VormaDocument doc;
        doc.attach();
        const QmdItemId a = addNode(doc);
        doc.controller.requestCopy({a, 99, 0});
        const QByteArray text = clipboardText();
        QVERIFY(!text.contains("Tempo"));
        QVERIFY(!text.contains("ElementStates"));
        const QmdItemIdList before = doc.controller.elementIds();
        paste(doc);
        QCOMPARE(typesOf(doc, pastedSince(doc, before)), QList<int>{NodeElement});

        QGuiApplication::clipboard()->setText(QStringLiteral("kept"));
        QVERIFY(doc.controller.requestCopy({99}) != 0);
        QVERIFY(doc.controller.requestCopy({}) != 0);
        QCOMPARE(QGuiApplication::clipboard()->text(), QStringLiteral("kept"));
        QVERIFY(!QmdVormaController::canPaste());
    }

    void damagedClipboard_data()
    {
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<QList<int>>("pasted");
        const qint64 max = std::numeric_limits<qint64>::max();
        const qint64 min = std::numeric_limits<qint64>::min();
        QTest::newRow("no XML") << QByteArray("<plist><dict>") << QList<int>{};
        QTest::newRow("empty") << QByteArray() << QList<int>{};
        QTest::newRow("a text") << QByteArray("<?xml version=\"1.0\"?><plist version=\"1.0\"><string>x</string></plist>")
                                << QList<int>{};
        QTest::newRow("a string-keyed dictionary")
            << QByteArray("<?xml version=\"1.0\"?><plist version=\"1.0\"><dict><key>ContainerType</key>"
                          "<string>StrDict</string><key>Type</key><integer>2</integer></dict></plist>")
            << QList<int>{};
        QTest::newRow("an element that is a value")
            << clipboardOf(QStringLiteral("<key>3</key><string>Node</string>")) << QList<int>{};
        QTest::newRow("an element of no kind")
            << clipboardOf(element(3, QStringLiteral("<key>Type</key><string>Bogus</string>"))) << QList<int>{};
        QTest::newRow("an element without kind") << clipboardOf(element(3, QString())) << QList<int>{};
        QTest::newRow("an edge from a text box")
            << clipboardOf(node(1) + element(2, QStringLiteral("<key>Type</key><string>TextBox</string>"))
                           + edge(3, 2, 1))
            << QList<int>{NodeElement, TextBoxElement};
        QTest::newRow("a voice group on an edge")
            << clipboardOf(node(1) + node(2) + edge(3, 1, 2)
                           + element(4, QStringLiteral("<key>Type</key><string>VoiceGroup</string>"
                                                       "<key>ToNode</key><integer>3</integer>")))
            << QList<int>{NodeElement, NodeElement, EdgeElement};
        QTest::newRow("an edge without end")
            << clipboardOf(node(1) + element(2, QStringLiteral("<key>Type</key><string>Edge</string>"
                                                               "<key>FromNode</key><integer>1</integer>")))
            << QList<int>{NodeElement};
        QTest::newRow("positions beyond the tick range")
            << clipboardOf(node(1, QStringLiteral("{%1, %1}").arg(min)) + node(2, QStringLiteral("{%1, %1}").arg(max)))
            << QList<int>{};
        QTest::newRow("a position near the limit")
            << clipboardOf(node(1, QStringLiteral("{%1, 0}").arg(max))) << QList<int>{NodeElement};
        QTest::newRow("a position that is no point")
            << clipboardOf(node(1, QStringLiteral("somewhere"))) << QList<int>{NodeElement};
        QTest::newRow("arcs of another shape")
            << clipboardOf(element(1, QStringLiteral("<key>Type</key><string>Node</string>"
                                                     "<key>ArcIdentifiers</key><string>x</string>"
                                                     "<key>ArcUsageList</key><integer>5</integer>"))
                           + element(5, QStringLiteral("<key>Type</key><string>Edge</string>"
                                                       "<key>FromNode</key><integer>1</integer>"
                                                       "<key>ToNode</key><integer>1</integer>"
                                                       "<key>ContinuousControllers</key><string>x</string>")))
            << QList<int>{NodeElement, EdgeElement};
    }

    // Whatever another program puts there under the type pastes nothing or
    // only whole elements, and leaves the document sound.
    void damagedClipboard()
    {
        QFETCH(QByteArray, text);
        QFETCH(QList<int>, pasted);
        VormaDocument doc;
        doc.attach();
        QmdVormaController &c = doc.controller;
        const QmdItemId a = addNode(doc);
        const QmdItemId e = addEdge(doc, a, a);
        const QString before = doc.dump();
        putOnClipboard(text);
        QVERIFY(QmdVormaController::canPaste());
        QVERIFY(paste(doc, TickPoint(P, P)) != 0);
        const QmdItemIdList added = pastedSince(doc, {a, e});
        QCOMPARE(typesOf(doc, added), pasted);
        if (pasted.isEmpty()) {
            QCOMPARE(doc.dump(), before);
            QCOMPARE(c.undoText(), QStringLiteral("Edge"));
            return;
        }
        for (QmdItemId id : added) {
            const int type = c.elementData(id, Keys::Type).toInt();
            const QVariant position = c.elementData(id, Keys::TickPos);
            if (position.isValid())
                QCOMPARE(position.userType(), qMetaTypeId<TickPoint>());
            if (type == NodeElement) {
                QCOMPARE(doc.model.type(doc.index(elementPath(id) + QStringLiteral("/ArcIdentifiers"))),
                         Qmd::IntDict);
                QVERIFY(doc.index(treePath(id)).isValid());
            }
            if (type == EdgeElement)
                QCOMPARE(doc.model.type(doc.index(elementPath(id) + QStringLiteral("/ContinuousControllers"))),
                         Qmd::IntDict);
        }
        undo(doc);
        QCOMPARE(doc.dump(), before);
    }
};

VORMA_GUI_TEST_MAIN(TstPaste)
#include "tst_paste.moc"
