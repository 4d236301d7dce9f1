#include "QmdVorma/antlr/NotesParser.h"

#include <QtTest>

// What the notes language accepts and the syntax trees it builds.
class TstNotesGrammar : public QObject
{
    Q_OBJECT

private:
    struct Parse
    {
        bool ok = false;
        int calls = 0;
        QString tree;
    };

    static Parse parse(const QString &text)
    {
        Parse p;
        const bool returned = NotesParser::parseNotes(text, [&p](bool ok, const NotesSyntaxNode &root) {
            p.ok = ok;
            ++p.calls;
            p.tree = root.toStringTree();
        });
        if (returned != p.ok)
            qWarning("parseNotes returned %d but called back with %d", returned, p.ok);
        return p;
    }

    static QString noteTree(const QString &lists)
    {
        return QStringLiteral("(AST_SEQUENTIAL_NODE (AST_NOTE_NODE %1))").arg(lists);
    }

private slots:
    void validity_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("valid");
        // Checked when not empty.
        QTest::addColumn<QString>("tree");

        const QString empty = QStringLiteral("AST_SEQUENTIAL_NODE");
        QTest::newRow("empty") << "" << true << empty;
        QTest::newRow("only whitespace") << " \t\r\n\f" << true << empty;
        QTest::newRow("only comments") << "// one\n  // two" << true << empty;
        QTest::newRow("C3") << "C3" << true << noteTree("(AST_PITCH_LIST (AST_LIST_ITEM C3))");
        QTest::newRow("C3:96:100%") << "C3:96:100%" << true
            << noteTree("(AST_PITCH_LIST (AST_LIST_ITEM C3)) (AST_VELOCITY_LIST (AST_LIST_ITEM 96)) "
                        "(AST_DURATION_LIST (AST_LIST_ITEM 100 %))");
        QTest::newRow("no duration list") << "C3:96" << true
            << noteTree("(AST_PITCH_LIST (AST_LIST_ITEM C3)) (AST_VELOCITY_LIST (AST_LIST_ITEM 96))");
        QTest::newRow("no velocity list") << "C3::1" << true
            << noteTree("(AST_PITCH_LIST (AST_LIST_ITEM C3)) (AST_DURATION_LIST (AST_LIST_ITEM 1))");
        QTest::newRow("lists of several items") << "F#3, E3 ,G3:96,100:1,0.5" << true
            << noteTree("(AST_PITCH_LIST (AST_LIST_ITEM F#3) (AST_LIST_ITEM E3) (AST_LIST_ITEM G3)) "
                        "(AST_VELOCITY_LIST (AST_LIST_ITEM 96) (AST_LIST_ITEM 100)) "
                        "(AST_DURATION_LIST (AST_LIST_ITEM 1) (AST_LIST_ITEM 0.5))");
        for (const char *pitch : {"g#3", "e2", "b-1", "G8", "C-2", "E3", "E-1"})
            QTest::newRow(pitch) << pitch << true << noteTree(QStringLiteral("(AST_PITCH_LIST (AST_LIST_ITEM %1))").arg(pitch));
        QTest::newRow("C3E3 is two notes") << "C3E3" << true
            << "(AST_SEQUENTIAL_NODE (AST_NOTE_NODE (AST_PITCH_LIST (AST_LIST_ITEM C3))) "
               "(AST_NOTE_NODE (AST_PITCH_LIST (AST_LIST_ITEM E3))))";
        QTest::newRow("C3-2 is two notes") << "C3-2" << true
            << "(AST_SEQUENTIAL_NODE (AST_NOTE_NODE (AST_PITCH_LIST (AST_LIST_ITEM C3))) "
               "(AST_NOTE_NODE (AST_PITCH_LIST (AST_LIST_ITEM - 2))))";
        QTest::newRow("space inside a relative pitch") << "+ 2" << true << noteTree("(AST_PITCH_LIST (AST_LIST_ITEM + 2))");
        QTest::newRow("relative pitch") << "+2" << true << noteTree("(AST_PITCH_LIST (AST_LIST_ITEM + 2))");
        QTest::newRow("space before percent") << "C3::50 %" << true
            << noteTree("(AST_PITCH_LIST (AST_LIST_ITEM C3)) (AST_DURATION_LIST (AST_LIST_ITEM 50 %))");
        QTest::newRow("relative velocity") << "-2:+10" << true
            << noteTree("(AST_PITCH_LIST (AST_LIST_ITEM - 2)) (AST_VELOCITY_LIST (AST_LIST_ITEM + 10))");
        QTest::newRow("sign starts a new note") << "C3:96 -10" << true
            << "(AST_SEQUENTIAL_NODE (AST_NOTE_NODE (AST_PITCH_LIST (AST_LIST_ITEM C3)) "
               "(AST_VELOCITY_LIST (AST_LIST_ITEM 96))) (AST_NOTE_NODE (AST_PITCH_LIST (AST_LIST_ITEM - 10))))";
        QTest::newRow("exponent float") << "C3::2E3" << true
            << noteTree("(AST_PITCH_LIST (AST_LIST_ITEM C3)) (AST_DURATION_LIST (AST_LIST_ITEM 2E3))");
        QTest::newRow("number then pitch") << "C3::2 E3" << true
            << "(AST_SEQUENTIAL_NODE (AST_NOTE_NODE (AST_PITCH_LIST (AST_LIST_ITEM C3)) "
               "(AST_DURATION_LIST (AST_LIST_ITEM 2))) (AST_NOTE_NODE (AST_PITCH_LIST (AST_LIST_ITEM E3))))";
        for (const char *duration : {"*1.5", "/2", "+0.5", "-10%", ".5", "5.", "1.5e-1", "1e3", "1.5E-2", ".5e+1", "1.E3"}) {
            QString item = QString::fromLatin1(duration);
            item.replace(QRegularExpression("^([-+*/])"), "\\1 ").replace(QRegularExpression("%$"), " %");
            QTest::newRow(duration) << QStringLiteral("C3::%1").arg(duration) << true
                << noteTree(QStringLiteral("(AST_PITCH_LIST (AST_LIST_ITEM C3)) (AST_DURATION_LIST (AST_LIST_ITEM %1))").arg(item));
        }
        QTest::newRow("parallel group") << "[C3 E3 G3]" << true
            << "(AST_SEQUENTIAL_NODE (AST_PARALLEL_NODE (AST_NOTE_NODE (AST_PITCH_LIST (AST_LIST_ITEM C3))) "
               "(AST_NOTE_NODE (AST_PITCH_LIST (AST_LIST_ITEM E3))) (AST_NOTE_NODE (AST_PITCH_LIST (AST_LIST_ITEM G3)))))";
        QTest::newRow("nested groups") << "{C3 (D3 E3)}" << true
            << "(AST_SEQUENTIAL_NODE (AST_RANDOM_NODE (AST_NOTE_NODE (AST_PITCH_LIST (AST_LIST_ITEM C3))) "
               "(AST_SEQUENTIAL_NODE (AST_NOTE_NODE (AST_PITCH_LIST (AST_LIST_ITEM D3))) "
               "(AST_NOTE_NODE (AST_PITCH_LIST (AST_LIST_ITEM E3))))))";
        QTest::newRow("()") << "()" << true << "(AST_SEQUENTIAL_NODE AST_SEQUENTIAL_NODE)";
        QTest::newRow("[]") << "[]" << true << "(AST_SEQUENTIAL_NODE AST_PARALLEL_NODE)";
        QTest::newRow("{}") << "{}" << true << "(AST_SEQUENTIAL_NODE AST_RANDOM_NODE)";
        const QString twoNotes = QStringLiteral("(AST_SEQUENTIAL_NODE (AST_NOTE_NODE (AST_PITCH_LIST (AST_LIST_ITEM C3))) "
                                                "(AST_NOTE_NODE (AST_PITCH_LIST (AST_LIST_ITEM E3))))");
        QTest::newRow("comment ends at line feed") << "C3 // rest\nE3" << true << twoNotes;
        QTest::newRow("comment ends at paragraph separator") << QStringLiteral("C3 // rest\u2029E3") << true << twoNotes;
        QTest::newRow("comment to the end") << "C3 // rest" << true << noteTree("(AST_PITCH_LIST (AST_LIST_ITEM C3))");
        QTest::newRow("CR LF and form feed") << "C3\r\nE3\f" << true << twoNotes;
        QTest::newRow("non-ASCII in a comment") << QStringLiteral("// \u00e9\u4e2d\nC3") << true << QString();

        for (const char *text : {"C3:", "C3:96:", "C3::", "C3:96:1:", "C3:96:1%:"})
            QTest::newRow(text) << text << false << QString();
        QTest::newRow("fractional velocity") << "C3:96.5" << false << QString();
        QTest::newRow("fractional relative pitch") << "+2.5" << false << QString();
        QTest::newRow("multiplied percent") << "C3::*50%" << false << QString();
        for (const char *text : {"E38", "E9", "E-12", "E+1", "E#3", "B#3", "Cb3", "C9", "C-3", "C10", "H3", "A", "E",
                                 "C 3", "C3,,E3", "C3 2", "/2", ":C3", "C3)", "(C3", "C3::3e", "C3::2%%", "C3 #"})
            QTest::newRow(text) << text << false << QString();
        QTest::newRow("vertical tab") << "C3\vE3" << false << QString();
        QTest::newRow("non-ASCII outside a comment") << QStringLiteral("C3 \u00e9") << false << QString();
        QTest::newRow("above U+FFFF outside a comment") << QStringLiteral("C3 \U0001D11E") << false << QString();
        QTest::newRow("above U+FFFF in a comment") << QStringLiteral("C3 // \U0001D11E") << false << QString();
        QTest::newRow("NUL") << QString::fromLatin1("C3\0", 3) << false << QString();
    }

    void validity()
    {
        QFETCH(QString, text);
        QFETCH(bool, valid);
        QFETCH(QString, tree);

        const Parse p = parse(text);
        QCOMPARE(p.calls, 1);
        QCOMPARE(p.ok, valid);
        if (!tree.isEmpty())
            QCOMPARE(p.tree, tree);
    }

    // The tokens of list items keep their kinds, which playback tells
    // apart (an absolute from a relative pitch, a factor from a percentage).
    void itemTokenTypes_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QList<int>>("types");

        using N = NotesSyntaxNode;
        QTest::newRow("pitches") << "F#3,-2" << QList<int>{N::AbsPitchValue, N::Sign, N::UInt};
        QTest::newRow("velocities") << "C3:96,+5" << QList<int>{N::AbsPitchValue, N::UInt, N::Sign, N::UInt};
        QTest::newRow("durations") << "C3::*1.5,/2,2E3,-10%,.5%"
            << QList<int>{N::AbsPitchValue, N::Times, N::UTrueFloat, N::Divide, N::UInt, N::UTrueFloat,
                          N::Sign, N::UInt, N::Percent, N::UTrueFloat, N::Percent};
    }

    void itemTokenTypes()
    {
        QFETCH(QString, text);
        QFETCH(QList<int>, types);

        QList<int> found;
        std::function<void(const NotesSyntaxNode &)> walk = [&](const NotesSyntaxNode &node) {
            if (node.type() == NotesSyntaxNode::AstListItem) {
                for (int i = 0; i < node.childCount(); ++i)
                    found << node.child(i).type();
            }
            for (int i = 0; i < node.childCount(); ++i)
                walk(node.child(i));
        };
        QVERIFY(NotesParser::parseNotes(text, [&](bool, const NotesSyntaxNode &root) { walk(root); }));
        QCOMPARE(found, types);
    }

    void nodeAccessors()
    {
        NotesParser::parseNotes("[C3]", [](bool ok, const NotesSyntaxNode &root) {
            QVERIFY(ok);
            QCOMPARE(root.type(), int(NotesSyntaxNode::AstSequentialNode));
            QCOMPARE(root.text(), QStringLiteral("AST_SEQUENTIAL_NODE"));
            QCOMPARE(root.firstPosition(), -1);
            QCOMPARE(root.childCount(), 1);
            QVERIFY(root.child(1).isNull());
            QVERIFY(root.child(-1).isNull());
            const NotesSyntaxNode group = root.child(0);
            QCOMPARE(group.type(), int(NotesSyntaxNode::AstParallelNode));
            const NotesSyntaxNode pitch = group.child(0).child(0).child(0).child(0);
            QCOMPARE(pitch.type(), int(NotesSyntaxNode::AbsPitchValue));
            QCOMPARE(pitch.text(), QStringLiteral("C3"));
            QCOMPARE(pitch.firstPosition(), 1);
            QCOMPARE(pitch.lastPosition(), 2);
            QCOMPARE(pitch.childCount(), 0);
        });

        const NotesSyntaxNode null;
        QVERIFY(null.isNull());
        QCOMPARE(null.type(), int(NotesSyntaxNode::Invalid));
        QCOMPARE(null.childCount(), 0);
        QVERIFY(null.child(0).isNull());
        QCOMPARE(null.text(), QString());
        QCOMPARE(null.firstPosition(), -1);
    }

    // Lists as the notes trees store them: item texts without whitespace,
    // items joined by commas.
    void joinChildTexts()
    {
        QStringList lists;
        NotesParser::parseNotes("C3, +2 : 96 : 50%, *2", [&lists](bool ok, const NotesSyntaxNode &root) {
            QVERIFY(ok);
            const NotesSyntaxNode note = root.child(0);
            for (int i = 0; i < note.childCount(); ++i)
                lists << NotesParser::joinChildTexts(note.child(i), QStringLiteral(","));
        });
        QCOMPARE(lists, QStringList({"C3,+2", "96", "50%,*2"}));
    }
};

QTEST_GUILESS_MAIN(TstNotesGrammar)
#include "tst_notesgrammar.moc"
