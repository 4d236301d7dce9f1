#ifndef QMDVORMA_ANTLR_NOTESSYNTAXNODE_H
#define QMDVORMA_ANTLR_NOTESSYNTAXNODE_H

#include <QString>

struct ANTLR3_BASE_TREE_struct;
class NotesInput;

// One node of the syntax tree of a notes text: a token of the text, a tree
// node of kinds AstDurationList to AstVelocityList, or an error node that the
// parser's recovery put in place of what it could not parse.
//
// A syntax tree lives only as long as the parse that made it: nodes are
// handed to a NotesParser::parseNotes callback and must not be kept past it.
// A default-constructed node is the null node: type Invalid, no children.
class NotesSyntaxNode
{
public:
    // Token and tree-node types. The numbers are the grammar's (NotesParser.cpp
    // checks them against the generated recognizers at compile time).
    enum Type {
        Invalid = 0, // error nodes and the null node
        AbsPitchValue = 4,
        AstDurationList = 5,
        AstListItem = 6,
        AstNoteNode = 7,
        AstParallelNode = 8,
        AstPitchList = 9,
        AstRandomNode = 10,
        AstSequentialNode = 11,
        AstVelocityList = 12,
        Colon = 13,
        Digit = 14,
        Exponent = 15,
        Newline = 16,
        PitchName = 17,
        PitchOctave = 18,
        Sign = 19,
        UInt = 20,
        UTrueFloat = 21,
        Whitespace = 22,
        Percent = 23,
        OpenParen = 24,
        CloseParen = 25,
        Times = 26,
        Comma = 27,
        Divide = 28,
        OpenBracket = 29,
        CloseBracket = 30,
        OpenBrace = 31,
        CloseBrace = 32
    };

    NotesSyntaxNode() = default;

    bool isNull() const { return m_tree == nullptr; }
    int type() const;
    // A token's characters exactly as written; a tree node's kind name, for
    // example "AST_NOTE_NODE"; for a token that error recovery made up, the
    // runtime's description of it.
    QString text() const;

    int childCount() const;
    // The null node when index is out of range.
    NotesSyntaxNode child(int index) const;

    // Positions in the parsed text of this node's own first and last
    // character (QString positions), or -1 when the node has none: tree nodes,
    // error nodes and tokens that error recovery made up.
    int firstPosition() const;
    int lastPosition() const;

    // The parenthesised form "(ROOT child child ...)" with each node's text.
    QString toStringTree() const;

private:
    friend class NotesParser;
    NotesSyntaxNode(const NotesInput *input, ANTLR3_BASE_TREE_struct *tree)
        : m_input(input), m_tree(tree) {}

    bool tokenBytes(qint64 *first, qint64 *last) const;

    const NotesInput *m_input = nullptr;
    ANTLR3_BASE_TREE_struct *m_tree = nullptr;
};

#endif
