// Notes trees: their shape for the texts the notes language allows, what an
// invalid text leaves behind, the cursor rewind, safety on any text, and the
// controller's rebuilds as a node's text changes.
#include "QmdVorma/VormaTestSupport.h"

#include "QmdVorma/antlr/NotesParser.h"
#include "QmdVorma/antlr/NotesTreeShapeMaker.h"
#include "QmdVorma/antlr/NotesTrees.h"

#include <QRandomGenerator>
#include <QtTest>

using namespace QmdVorma;

namespace {

// The dump of one note entry built fresh (all cursors 0).
QString note(const QString &lists)
{
    return QStringLiteral("{CurrentDurationId: 0, CurrentPitchId: 0, CurrentVelocityId: 0, %1}").arg(lists);
}

QString group(int method, const QStringList &children)
{
    if (children.isEmpty())
        return QStringLiteral("{SignallingMethod: %1}").arg(method);
    QStringList items;
    for (int i = 0; i < children.size(); ++i)
        items << QStringLiteral("%1: %2").arg(i + 1).arg(children.at(i));
    return QStringLiteral("{Children: [%1], CurrentChildId: 0, SignallingMethod: %2}")
        .arg(items.join(QStringLiteral(", ")))
        .arg(method);
}

// A document holding only an integer-keyed dictionary "Trees" to build into.
struct TreeDocument
{
    TreeDocument()
    {
        doc.change([&] { doc.d.setType(QStringLiteral("Trees"), Qmd::IntDict); });
        trees = doc.d.index(QStringLiteral("Trees"));
    }

    bool store(QmdItemId id, const QString &text)
    {
        bool ok = false;
        doc.change([&] { ok = NotesTrees::storeNotesTree(doc.d, trees, id, text); });
        return ok;
    }

    QString dump(QmdItemId id) const { return dumpTree(&doc.model, doc.d.index(id, trees)); }

    // Sets every cursor below index to 7 (they are all 0 when built).
    void scramble(const QmdIndex &index)
    {
        for (const QmdIndex &child : doc.d.indexes(index)) {
            if (child.key().startsWith(QLatin1String("Current")))
                doc.d.setData(child, 7);
            else if (doc.model.type(child) != Qmd::NoContainer)
                scramble(child);
        }
    }

    DirectDocument doc;
    QmdIndex trees;
};

} // namespace

class TstNotesTrees : public QObject
{
    Q_OBJECT

    SettingsSandbox m_settings;

private slots:
    void initTestCase() { QVERIFY(m_settings.isReady()); }

    void treeShapes_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("tree");
        QTest::newRow("empty") << "" << group(0, {});
        QTest::newRow("one note") << "C3" << group(0, {note("PitchList: \"C3\"")});
        QTest::newRow("all lists") << "C3:96:100%"
                                   << group(0, {note("DurationList: \"100%\", PitchList: \"C3\", "
                                                     "VelocityList: \"96\"")});
        QTest::newRow("no velocity list") << "C3::1"
                                          << group(0, {note("DurationList: \"1\", PitchList: \"C3\"")});
        QTest::newRow("lists without blanks")
            << "C3, +2 : 96 : 50%, *2"
            << group(0, {note("DurationList: \"50%,*2\", PitchList: \"C3,+2\", VelocityList: \"96\"")});
        QTest::newRow("parallel group")
            << "[C3 E3]"
            << group(0, {group(1, {note("PitchList: \"C3\""), note("PitchList: \"E3\"")})});
        QTest::newRow("random and sequential groups")
            << "{C3 (D3 E3)}"
            << group(0, {group(2, {note("PitchList: \"C3\""),
                                   group(0, {note("PitchList: \"D3\""), note("PitchList: \"E3\"")})})});
        QTest::newRow("empty group") << "[]" << group(0, {group(1, {})});
        QTest::newRow("chord list") << "C3,E3:+5:*1.5"
                                    << group(0, {note("DurationList: \"*1.5\", PitchList: \"C3,E3\", "
                                                      "VelocityList: \"+5\"")});
    }

    void treeShapes()
    {
        QFETCH(QString, text);
        QFETCH(QString, tree);
        TreeDocument trees;
        QVERIFY(trees.store(4, text));
        QCOMPARE(trees.dump(4), tree);
    }

    // Invalid text stores nothing: a tree already there stays, an entry that
    // was missing stays missing.
    void invalidTextStoresNothing()
    {
        TreeDocument trees;
        QVERIFY(trees.store(1, QStringLiteral("C3")));
        const QString before = trees.dump(1);
        QVERIFY(!trees.store(1, QStringLiteral("C3:96:")));
        QCOMPARE(trees.dump(1), before);
        QVERIFY(!trees.store(2, QStringLiteral("C3 X E3")));
        QVERIFY(!trees.doc.d.index(2, trees.trees).isValid());
    }

    void storingIntoNothingWritesNothing()
    {
        TreeDocument trees;
        QVERIFY(trees.store(0, QStringLiteral("C3")));
        bool ok = false;
        trees.doc.change([&] { ok = NotesTrees::storeNotesTree(trees.doc.d, QmdIndex(), 3, QStringLiteral("C3")); });
        QVERIFY(ok);
        QCOMPARE(dumpTree(&trees.doc.model), QStringLiteral("{Trees: []}"));
    }

    // The rewind reaches every cursor of every tree, whatever the depth, and
    // creates none where a group has no items.
    void resetCursors()
    {
        TreeDocument trees;
        const QString nested = QString(40, QLatin1Char('[')) + QStringLiteral("C3:1 {D3 E3}") + QString(40, QLatin1Char(']'));
        QVERIFY(trees.store(1, QStringLiteral("C3 [D3 E3] {F3 (G3:1:2)}")));
        QVERIFY(trees.store(2, QString()));
        QVERIFY(trees.store(3, nested));
        const QString built = dumpTree(&trees.doc.model, trees.trees);
        trees.doc.change([&] { trees.scramble(trees.trees); });
        QVERIFY(dumpTree(&trees.doc.model, trees.trees) != built);
        trees.doc.change([&] { NotesTrees::resetNotesTreeCursors(trees.doc.d, trees.trees); });
        QCOMPARE(dumpTree(&trees.doc.model, trees.trees), built);

        // An invalid index or a plain value is left alone.
        trees.doc.change([&] {
            NotesTrees::resetNotesTreeCursors(trees.doc.d, QmdIndex());
            NotesTrees::resetNotesTreeCursors(trees.doc.d, trees.doc.d.index(Keys::PitchList,
                                                                              trees.doc.d.index(1, trees.trees)));
        });
        QCOMPARE(dumpTree(&trees.doc.model, trees.trees), built);
    }

    // Texts come from files and the clipboard: the deepest nesting the
    // language allows builds, deeper text and random text build nothing or a
    // well-formed tree, never a crash.
    void anyTextIsSafe()
    {
        TreeDocument trees;
        const int depth = NotesParser::MaxGroupDepth;
        QVERIFY(trees.store(1, QString(depth, QLatin1Char('(')) + QStringLiteral("C3") + QString(depth, QLatin1Char(')'))));
        QmdIndex at = trees.doc.d.index(1, trees.trees);
        for (int level = 0; level <= depth; ++level)
            at = trees.doc.d.index(1, trees.doc.d.index(Keys::Children, at));
        QCOMPARE(trees.doc.d.data(Keys::PitchList, at).toString(), QStringLiteral("C3"));
        trees.doc.change([&] { NotesTrees::resetNotesTreeCursors(trees.doc.d, trees.trees); });

        QVERIFY(!trees.store(2, QString(depth + 1, QLatin1Char('[')) + QStringLiteral("C3")));
        QVERIFY(!trees.doc.d.index(2, trees.trees).isValid());

        const QString alphabet = QStringLiteral("C#b3-4:,+*/%.5e[](){} \n//\u00e9\U0001F3B5X");
        QRandomGenerator random(20240611);
        for (int i = 0; i < 2000; ++i) {
            QString text;
            const int length = int(random.bounded(30));
            for (int c = 0; c < length; ++c)
                text += alphabet.at(int(random.bounded(alphabet.size())));
            if (trees.store(3, text))
                QVERIFY(trees.doc.d.index(3, trees.trees).isValid());
        }
    }

    // The controller keeps every node's tree in step with its `Notes`: built
    // by the reset, rebuilt (not as an undo step) after each change, removed
    // when the text becomes invalid; other elements get none.
    void controllerRebuildsOnChange()
    {
        VormaDocument doc;
        const QmdItemId node = doc.addElement({{Keys::Type, 2}, {Keys::Notes, QStringLiteral("C3")}});
        const QmdItemId box = doc.addElement({{Keys::Type, 3}, {Keys::Notes, QStringLiteral("C3")}});
        const QmdItemId bad = doc.addElement({{Keys::Type, 2}, {Keys::Notes, QStringLiteral("C3:96:")}});
        doc.attach();
        const QString trees = QStringLiteral("Temp/NodeNotesTrees/");
        QCOMPARE(doc.dump(trees + QString::number(node)), group(0, {note("PitchList: \"C3\"")}));
        QVERIFY(!doc.index(trees + QString::number(box)).isValid());
        QVERIFY(!doc.index(trees + QString::number(bad)).isValid());

        QmdVormaController &c = doc.controller;
        const QmdIndex nodeIndex = c.elementIndex(node);
        c.requestSetData(Keys::Notes, QStringLiteral("[C3 E3]"), nodeIndex);
        settle();
        QCOMPARE(doc.dump(trees + QString::number(node)),
                 group(0, {group(1, {note("PitchList: \"C3\""), note("PitchList: \"E3\"")})}));
        QCOMPARE(c.undoText(), QStringLiteral("Set Data"));

        c.requestSetData(Keys::Notes, QStringLiteral("C3:96:"), nodeIndex);
        settle();
        QVERIFY(!doc.index(trees + QString::number(node)).isValid());

        c.requestUndo();
        settle();
        QCOMPARE(doc.dump(trees + QString::number(node)),
                 group(0, {group(1, {note("PitchList: \"C3\""), note("PitchList: \"E3\"")})}));

        // Removing the text leaves the empty text's tree.
        c.requestRemove(Keys::Notes, nodeIndex);
        settle();
        QCOMPARE(doc.dump(trees + QString::number(node)), group(0, {}));

        c.requestSetData(Keys::Notes, QStringLiteral("D3"), c.elementIndex(box));
        settle();
        QVERIFY(!doc.index(trees + QString::number(box)).isValid());
    }

    // A reset parses the texts in batches, away from the document, and
    // writes the trees afterwards: each node still gets its own text's tree,
    // across batch ends, with invalid texts and other elements in between.
    void resetBuildsEveryNodesOwnTree()
    {
        const QStringList texts = {QStringLiteral("C3"), QStringLiteral("[C3 E3] {D3 F3:96}"),
                                   QStringLiteral("C3:96:"), QString(), QStringLiteral("(C3 D3:100:50%, *2) G3")};
        VormaDocument doc;
        QList<QPair<QmdItemId, QString>> nodes;
        for (int i = 0; i < 700; ++i) {
            const QString text = texts.at(i % texts.size()) + QStringLiteral(" A%1").arg(i % 7);
            nodes.append({doc.addElement({{Keys::Type, 2}, {Keys::Notes, text}}), text});
            if (i % 50 == 0)
                doc.addElement({{Keys::Type, 3}, {Keys::Notes, text}});
        }
        doc.attach();

        TreeDocument single;
        for (const auto &node : qAsConst(nodes)) {
            const QString tree = QStringLiteral("Temp/NodeNotesTrees/%1").arg(node.first);
            if (single.store(1, node.second))
                QCOMPARE(doc.dump(tree), single.dump(1));
            else
                QVERIFY2(!doc.index(tree).isValid(), qPrintable(node.second));
        }
    }

    // The maker hands out each text's own shape in order, whoever made it,
    // and stops cleanly with shapes not yet taken.
    void shapeMakerKeepsTextOrder()
    {
        QStringList texts;
        for (int i = 0; i < 1000; ++i)
            texts << (i % 3 == 0 ? QStringLiteral("C3:96:") : QStringLiteral("[C%1 E3] D3").arg(i % 9));
        {
            NotesTreeShapeMaker maker(texts);
            for (int i = 0; i < texts.size(); ++i) {
                const NotesTreeShape shape = maker.take(i);
                const NotesTreeShape expected = NotesTreeShape::fromText(texts.at(i));
                QCOMPARE(shape.isValid(), expected.isValid());
                QCOMPARE(shape.entries().size(), expected.entries().size());
                for (std::size_t e = 0; e < shape.entries().size(); ++e)
                    QCOMPARE(shape.entries()[e].values, expected.entries()[e].values);
            }
        }
        NotesTreeShapeMaker abandoned(texts);
        QVERIFY(abandoned.take(0).isValid() == false);
    }

    void controllerRequestAndRewind()
    {
        VormaDocument doc;
        const QmdItemId node = doc.addElement({{Keys::Type, 2}, {Keys::Notes, QStringLiteral("C3 D3")}});
        doc.attach();
        QmdVormaController &c = doc.controller;
        const QString tree = QStringLiteral("Temp/NodeNotesTrees/%1").arg(node);
        const QString built = doc.dump(tree);

        c.requestSetData(Keys::CurrentChildId, 2, doc.index(tree));
        settle();
        const QmdRequestId rewind = c.nextRequestId();
        c.beginRequest(rewind, Qmd::NoUndo, QString());
        c.resetNotesTreeCursors(c.nodeNotesTreesIndex());
        c.endRequest(rewind);
        QCOMPARE(doc.dump(tree), built);

        // A rebuild of a node that is not there builds nothing.
        const QString allTrees = doc.dump(QStringLiteral("Temp/NodeNotesTrees"));
        QVERIFY(c.requestRebuildNotesTree(node + 100) != 0);
        settle();
        QCOMPARE(doc.dump(QStringLiteral("Temp/NodeNotesTrees")), allTrees);
    }
};

QTEST_GUILESS_MAIN(TstNotesTrees)
#include "tst_notestrees.moc"
