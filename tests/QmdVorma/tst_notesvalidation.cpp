#include "QmdVorma/antlr/NotesParser.h"

#include <QProcess>
#include <QRandomGenerator>
#include <QtTest>

#include <functional>

// Validation of notes text for the notes editor: the spans of the lists, in
// positions of the text as the editor counts them, and safety on any text.
class TstNotesValidation : public QObject
{
    Q_OBJECT

private:
    static QString spans(const NotesParser::NotesTokenMap &map)
    {
        QStringList parts;
        for (auto it = map.cbegin(); it != map.cend(); ++it)
            parts << QStringLiteral("%1:(%2,%3)").arg(it.key()).arg(it.value().first).arg(it.value().second);
        return parts.join(QLatin1Char(' '));
    }

    // How deeply groups nest in the syntax tree of text.
    static int groupNesting(const QString &text)
    {
        int deepest = 0;
        std::function<void(const NotesSyntaxNode &, int)> walk = [&](const NotesSyntaxNode &node, int depth) {
            deepest = qMax(deepest, depth);
            for (int i = 0; i < node.childCount(); ++i) {
                const NotesSyntaxNode child = node.child(i);
                const bool group = child.type() == NotesSyntaxNode::AstSequentialNode
                                   || child.type() == NotesSyntaxNode::AstParallelNode
                                   || child.type() == NotesSyntaxNode::AstRandomNode;
                walk(child, depth + (group ? 1 : 0));
            }
        };
        NotesParser::parseNotes(text, [&](bool, const NotesSyntaxNode &root) { walk(root, 0); });
        return deepest;
    }

private slots:
    void validateNotes_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("valid");
        QTest::addColumn<QString>("spans");

        QTest::newRow("empty") << "" << true << "";
        QTest::newRow("three lists") << "C3:96:100%" << true << "0:(2,1) 3:(2,2) 6:(4,3)";
        QTest::newRow("list spans comma and spaces") << "C3 , E3" << true << "0:(7,1)";
        QTest::newRow("comment inside a list") << "C3, // x\nE3:96" << true << "0:(11,1) 12:(2,2)";
        QTest::newRow("notes in groups") << "[C3 (E3::1)]" << true << "1:(2,1) 5:(2,1) 9:(1,3)";
        QTest::newRow("lexical error between notes") << "C3 X E3" << false << "0:(2,1) 5:(2,1)";
        QTest::newRow("missing duration list") << "C3:96:" << false << "-1:(0,3) 0:(2,1) 3:(2,2)";
        QTest::newRow("error item inside a list") << "C3,,E3" << false << "0:(6,1)";
        QTest::newRow("unclosed group") << "(C3" << false << "1:(2,1)";

        // The recognizers read UTF-8; spans count the text's own positions.
        QTest::newRow("accented letter in a comment") << QStringLiteral("// \u00e9\nC3") << true << "5:(2,1)";
        QTest::newRow("multi-byte characters before and inside a list")
            << QStringLiteral("// \u00e9\u4e2d\nC3 // \u00e9\n, E3:9") << true << "6:(12,1) 19:(1,2)";
        QTest::newRow("above U+FFFF counts as two") << QStringLiteral("\U0001D11E C3") << false << "3:(2,1)";
        QTest::newRow("above U+FFFF ends a comment") << QStringLiteral("C3 // \U0001D11E\nE3") << false
                                                     << "0:(2,1) 9:(2,1)";
        QTest::newRow("unpaired surrogate in a comment")
            << QString(QStringLiteral("// ") + QChar(0xD800) + QStringLiteral("\nC3")) << true << "5:(2,1)";

        // Tokens that error recovery makes up have no position: a list that
        // ends in one reaches only its known start.
        QTest::newRow("made-up number ends a pitch") << "+2.5" << false << "0:(0,1)";
        QTest::newRow("made-up number ends a velocity") << "C3:+" << false << "0:(2,1) 3:(0,2)";
    }

    void validateNotes()
    {
        QFETCH(QString, text);
        QFETCH(bool, valid);
        QFETCH(QString, spans);

        NotesParser::NotesTokenMap map;
        QCOMPARE(NotesParser::validateNotes(text, map), valid);
        QCOMPARE(this->spans(map), spans);
    }

    void validateNotesAddsToTheMap()
    {
        NotesParser::NotesTokenMap map;
        map.insert(100, qMakePair(1, NotesParser::DurationListToken));
        QVERIFY(NotesParser::validateNotes("C3", map));
        QCOMPARE(spans(map), QStringLiteral("0:(2,1) 100:(1,3)"));
    }

    // Whatever the text, no span may reach outside it: the editor colours
    // exactly these characters.
    void spansStayInsideAnyText()
    {
        const QString alphabet = QStringLiteral("CEbg#3-+12:,.%*/e ()[]{}\n\u00e9") + QStringLiteral("\U0001D11E");
        QRandomGenerator random(4711);
        for (int round = 0; round < 3000; ++round) {
            QString text;
            const int length = random.bounded(1, 24);
            for (int i = 0; i < length; ++i)
                text += alphabet.at(random.bounded(alphabet.size()));
            if (random.bounded(8) == 0)
                text.insert(random.bounded(text.size() + 1), QChar(0xDC00));

            NotesParser::NotesTokenMap map;
            NotesParser::validateNotes(text, map);
            for (auto it = map.cbegin(); it != map.cend(); ++it) {
                const int key = it.key();
                const int length = it.value().first;
                const bool inside = key == -1 ? length == 0 : key >= 0 && length >= 0 && key + length <= text.size();
                if (!inside)
                    QFAIL(qPrintable(QStringLiteral("span %1:(%2) outside \"%3\"").arg(key).arg(length).arg(text)));
            }
        }
    }

    void nestingBound()
    {
        const int bound = NotesParser::MaxGroupDepth;
        QCOMPARE(bound, 256);
        auto nested = [](int depth) {
            return QString(depth, QLatin1Char('(')) + QStringLiteral("C3") + QString(depth, QLatin1Char(')'));
        };

        NotesParser::NotesTokenMap map;
        QVERIFY(NotesParser::validateNotes(nested(bound), map));
        QCOMPARE(spans(map), QStringLiteral("%1:(2,1)").arg(bound));
        QCOMPARE(groupNesting(nested(bound)), bound);

        // Too deep: rejected before parsing, so no tree and no spans.
        map.clear();
        QVERIFY(!NotesParser::validateNotes(nested(bound + 1), map));
        QVERIFY(map.isEmpty());
        int calls = 0;
        QVERIFY(!NotesParser::parseNotes(nested(bound + 1), [&calls](bool ok, const NotesSyntaxNode &root) {
            ++calls;
            QVERIFY(!ok);
            QVERIFY(root.isNull());
        }));
        QCOMPARE(calls, 1);

        // Brackets in comments do not count; ones in sequence do not add up.
        QVERIFY(NotesParser::validateNotes(QStringLiteral("// ") + QString(1000, '[') + QStringLiteral("\n(C3)"), map));
        QVERIFY(NotesParser::validateNotes(QStringLiteral("(C3)").repeated(1000), map));
    }

    // Error recovery can swallow a closing bracket without closing a group:
    // "((])" opens two groups and closes one. Counting brackets cannot see
    // that, so the parser bounds its own nesting.
    void nestingBoundHoldsThroughErrorRecovery()
    {
        const QString text = QStringLiteral("((])").repeated(2000) + QStringLiteral("C3");
        NotesParser::NotesTokenMap map;
        QVERIFY(!NotesParser::validateNotes(text, map));
        QVERIFY(groupNesting(text) <= NotesParser::MaxGroupDepth);
    }

    void unitTestNotesReportsTheResult()
    {
        QTest::ignoreMessage(QtDebugMsg, "Testing: \"C3\", expecting success = true");
        QTest::ignoreMessage(QtDebugMsg,
                             "  - tree: \"(AST_SEQUENTIAL_NODE (AST_NOTE_NODE (AST_PITCH_LIST (AST_LIST_ITEM C3))))\"");
        QTest::ignoreMessage(QtDebugMsg, "  - result = true");
        QVERIFY(NotesParser::unitTestNotes("C3", true));

        QTest::ignoreMessage(QtDebugMsg, "Testing: \"C3:\", expecting success = false");
        QTest::ignoreMessage(QtDebugMsg, "  - result = false");
        QVERIFY(!NotesParser::unitTestNotes("C3:", false));
    }

    void unitTestNotesEndsTheProcessOnAMismatch()
    {
        QProcess child;
        child.start(QCoreApplication::applicationFilePath(), {QStringLiteral("--unit-test-notes-mismatch")});
        QVERIFY(child.waitForFinished(30000));
        QCOMPARE(child.exitStatus(), QProcess::NormalExit);
        QCOMPARE(child.exitCode(), 1);
        QVERIFY(child.readAllStandardError().contains("ERROR: unexpected result, aborting..."));
    }
};

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    // The child process of unitTestNotesEndsTheProcessOnAMismatch.
    if (argc == 2 && qstrcmp(argv[1], "--unit-test-notes-mismatch") == 0) {
        NotesParser::unitTestNotes(QStringLiteral("C3"), false);
        return 0;
    }
    TstNotesValidation tc;
    QTEST_SET_MAIN_SOURCE_PATH
    return QTest::qExec(&tc, argc, argv);
}

#include "tst_notesvalidation.moc"
