#include "QmdVorma/antlr/NotesParser.h"

#include "QmdVorma/antlr/NotesInput.h"

#include <QStringList>
#include <QtDebug>

#include <climits>
#include <cstdlib>
#include <mutex>

#ifdef __GLIBC__
#include <malloc.h>
#endif

// The generated headers define every token name as a macro; they come last
// so that nothing above sees them. The runtime has a member named emit, which
// Qt's keyword macro would erase.
#undef emit
#include "VormaNotesLexer.h"
#include "VormaNotesParser.h"

// The notes code and the notes trees switch on these numbers.
static_assert(ABS_PITCH_VALUE == NotesSyntaxNode::AbsPitchValue, "token number of ABS_PITCH_VALUE");
static_assert(AST_DURATION_LIST == NotesSyntaxNode::AstDurationList, "token number of AST_DURATION_LIST");
static_assert(AST_LIST_ITEM == NotesSyntaxNode::AstListItem, "token number of AST_LIST_ITEM");
static_assert(AST_NOTE_NODE == NotesSyntaxNode::AstNoteNode, "token number of AST_NOTE_NODE");
static_assert(AST_PARALLEL_NODE == NotesSyntaxNode::AstParallelNode, "token number of AST_PARALLEL_NODE");
static_assert(AST_PITCH_LIST == NotesSyntaxNode::AstPitchList, "token number of AST_PITCH_LIST");
static_assert(AST_RANDOM_NODE == NotesSyntaxNode::AstRandomNode, "token number of AST_RANDOM_NODE");
static_assert(AST_SEQUENTIAL_NODE == NotesSyntaxNode::AstSequentialNode, "token number of AST_SEQUENTIAL_NODE");
static_assert(AST_VELOCITY_LIST == NotesSyntaxNode::AstVelocityList, "token number of AST_VELOCITY_LIST");
static_assert(COLON == NotesSyntaxNode::Colon, "token number of COLON");
static_assert(DIGIT == NotesSyntaxNode::Digit, "token number of DIGIT");
static_assert(EXPONENT == NotesSyntaxNode::Exponent, "token number of EXPONENT");
static_assert(NEWLINE == NotesSyntaxNode::Newline, "token number of NEWLINE");
static_assert(PITCH_NAME == NotesSyntaxNode::PitchName, "token number of PITCH_NAME");
static_assert(PITCH_OCTAVE == NotesSyntaxNode::PitchOctave, "token number of PITCH_OCTAVE");
static_assert(SIGN == NotesSyntaxNode::Sign, "token number of SIGN");
static_assert(UINT == NotesSyntaxNode::UInt, "token number of UINT");
static_assert(UTRUEFLOAT == NotesSyntaxNode::UTrueFloat, "token number of UTRUEFLOAT");
static_assert(WS == NotesSyntaxNode::Whitespace, "token number of WS");
static_assert(T__23 == NotesSyntaxNode::Percent, "token number of '%'");
static_assert(T__24 == NotesSyntaxNode::OpenParen, "token number of '('");
static_assert(T__25 == NotesSyntaxNode::CloseParen, "token number of ')'");
static_assert(T__26 == NotesSyntaxNode::Times, "token number of '*'");
static_assert(T__27 == NotesSyntaxNode::Comma, "token number of ','");
static_assert(T__28 == NotesSyntaxNode::Divide, "token number of '/'");
static_assert(T__29 == NotesSyntaxNode::OpenBracket, "token number of '['");
static_assert(T__30 == NotesSyntaxNode::CloseBracket, "token number of ']'");
static_assert(T__31 == NotesSyntaxNode::OpenBrace, "token number of '{'");
static_assert(T__32 == NotesSyntaxNode::CloseBrace, "token number of '}'");
static_assert(VORMA_NOTES_MAX_GROUP_DEPTH == NotesParser::MaxGroupDepth,
              "the parser's group bound and the bracket bound differ");

namespace {

// Errors are counted, never shown.
void displayNothing(pANTLR3_BASE_RECOGNIZER, pANTLR3_UINT8 *) {}

bool isLineBreak(ushort c)
{
    return c == '\n' || c == '\r' || c == '\f' || c == 0x2029;
}

// The deepest the brackets of text nest, comments left out. Closing
// brackets never take it below 0.
int bracketDepth(const QString &text)
{
    const QChar *c = text.constData();
    const int n = text.size();
    int depth = 0;
    int deepest = 0;
    for (int i = 0; i < n; ++i) {
        switch (c[i].unicode()) {
        case '(': case '[': case '{':
            deepest = qMax(deepest, ++depth);
            break;
        case ')': case ']': case '}':
            depth = qMax(0, depth - 1);
            break;
        case '/':
            if (i + 1 < n && c[i + 1] == QLatin1Char('/')) {
                while (i + 1 < n && !isLineBreak(c[i + 1].unicode()))
                    ++i;
            }
            break;
        default:
            break;
        }
    }
    return deepest;
}

// Texts longer than this (in UTF-16 units) are invalid without a parse: their
// UTF-8 form could outgrow the byte counts of QByteArray and of the runtime.
constexpr int MaxTextLength = INT_MAX / 4;

// A parse takes some 700 KB of pools for the runtime's tokens, trees and
// vectors and frees them when it ends. With the C library's own settings,
// whose threshold for mapping a block by itself slides with the sizes freed,
// those blocks can go back to the system after every parse (unmapped, or
// trimmed off the top of the heap) and be faulted in page by page by the
// next: a load of thousands of nodes then spends many times the parsing
// itself on page faults, some texts 1.5 ms a parse where 0.05 ms would do.
// Fixed thresholds above the pools keep them on the heap for the next parse.
// Process-wide, set once before the first parse.
void keepParsePoolsOnTheHeap()
{
#ifdef __GLIBC__
    static std::once_flag once;
    std::call_once(once, [] {
        mallopt(M_MMAP_THRESHOLD, 1 << 20);
        mallopt(M_TRIM_THRESHOLD, 8 << 20);
    });
#endif
}

// The objects of one parse, freed in reverse order of creation.
struct Recognizers
{
    pANTLR3_INPUT_STREAM input = nullptr;
    pVormaNotesLexer lexer = nullptr;
    pANTLR3_COMMON_TOKEN_STREAM tokens = nullptr;
    pVormaNotesParser parser = nullptr;

    explicit Recognizers(const NotesInput &text)
    {
        input = antlr3StringStreamNew(reinterpret_cast<pANTLR3_UINT8>(const_cast<char *>(text.data())),
                                      ANTLR3_ENC_UTF8, ANTLR3_UINT32(text.size()),
                                      reinterpret_cast<pANTLR3_UINT8>(const_cast<char *>("input")));
        if (!input)
            return;
        lexer = VormaNotesLexerNew(input);
        if (!lexer)
            return;
        lexer->pLexer->rec->displayRecognitionError = displayNothing;
        tokens = antlr3CommonTokenStreamSourceNew(ANTLR3_SIZE_HINT, TOKENSOURCE(lexer));
        if (!tokens)
            return;
        parser = VormaNotesParserNew(tokens);
        if (!parser)
            return;
        parser->pParser->rec->displayRecognitionError = displayNothing;
    }

    ~Recognizers()
    {
        if (parser)
            parser->free(parser);
        if (tokens)
            tokens->free(tokens);
        if (lexer)
            lexer->free(lexer);
        if (input)
            input->close(input);
    }

    Recognizers(const Recognizers &) = delete;
    Recognizers &operator=(const Recognizers &) = delete;
};

// The first and last character of a list, reached through its first and last
// items; -1 when that item is missing, empty or an error node, or its token
// was made up by error recovery.
int edgeCharIndex(const NotesSyntaxNode &list, bool first)
{
    auto edgeChild = [first](const NotesSyntaxNode &n) {
        return n.child(first ? 0 : n.childCount() - 1);
    };
    NotesSyntaxNode n = edgeChild(list);
    while (n.type() == NotesSyntaxNode::AstListItem)
        n = edgeChild(n);
    if (n.isNull() || n.type() == NotesSyntaxNode::Invalid)
        return -1;
    return first ? n.firstPosition() : n.lastPosition();
}

void collectNoteListTokens(const NotesSyntaxNode &note, int textLength, NotesParser::NotesTokenMap &map)
{
    for (int i = 0; i < note.childCount(); ++i) {
        const NotesSyntaxNode list = note.child(i);
        NotesParser::NotesToken kind;
        switch (list.type()) {
        case NotesSyntaxNode::AstPitchList: kind = NotesParser::PitchListToken; break;
        case NotesSyntaxNode::AstVelocityList: kind = NotesParser::VelocityListToken; break;
        case NotesSyntaxNode::AstDurationList: kind = NotesParser::DurationListToken; break;
        default: continue;
        }
        const int start = edgeCharIndex(list, true);
        int length = 0;
        if (start >= 0) {
            const int last = qMin(edgeCharIndex(list, false), textLength - 1);
            length = qMax(0, last + 1 - start);
        }
        map.insert(start < 0 ? -1 : start, qMakePair(length, kind));
    }
}

void collectNotesTokens(const NotesSyntaxNode &node, int textLength, NotesParser::NotesTokenMap &map)
{
    switch (node.type()) {
    case NotesSyntaxNode::AstNoteNode:
        collectNoteListTokens(node, textLength, map);
        break;
    case NotesSyntaxNode::AstParallelNode:
    case NotesSyntaxNode::AstRandomNode:
    case NotesSyntaxNode::AstSequentialNode:
        for (int i = 0; i < node.childCount(); ++i)
            collectNotesTokens(node.child(i), textLength, map);
        break;
    default:
        break;
    }
}

} // namespace

bool NotesParser::parseNotes(const QString &text, const NotesParseCallback &callback)
{
    if (text.size() > MaxTextLength || bracketDepth(text) > MaxGroupDepth) {
        callback(false, NotesSyntaxNode());
        return false;
    }

    keepParsePoolsOnTheHeap();
    const NotesInput input(text);
    Recognizers r(input);
    if (!r.parser) {
        callback(false, NotesSyntaxNode());
        return false;
    }

    const VormaNotesParser_notes_text_return result = r.parser->notes_text(r.parser);
    const bool ok = r.lexer->pLexer->rec->state->errorCount == 0
                    && r.parser->pParser->rec->state->errorCount == 0;
    callback(ok, NotesSyntaxNode(&input, result.tree));
    return ok;
}

bool NotesParser::validateNotes(const QString &text, NotesTokenMap &map)
{
    return parseNotes(text, [&map, &text](bool, const NotesSyntaxNode &root) {
        collectNotesTokens(root, text.size(), map);
    });
}

bool NotesParser::unitTestNotes(const QString &text, bool expectedResult)
{
    auto yesNo = [](bool b) { return b ? "true" : "false"; };
    qDebug("Testing: \"%s\", expecting success = %s", text.toLocal8Bit().constData(), yesNo(expectedResult));
    const bool ok = parseNotes(text, [](bool valid, const NotesSyntaxNode &root) {
        if (valid)
            qDebug("  - tree: \"%s\"", root.toStringTree().toLocal8Bit().constData());
    });
    qDebug("  - result = %s", yesNo(ok));
    if (ok != expectedResult) {
        qDebug("ERROR: unexpected result, aborting...");
        std::exit(1);
    }
    return ok;
}

namespace {

// Into one string: a load joins the lists of every note of every node.
void appendChildTexts(QString &out, const NotesSyntaxNode &node, const QString &separator)
{
    for (int i = 0; i < node.childCount(); ++i) {
        if (i > 0)
            out += separator;
        const NotesSyntaxNode child = node.child(i);
        if (child.type() == NotesSyntaxNode::AstListItem)
            appendChildTexts(out, child, QString());
        else
            out += child.text();
    }
}

} // namespace

QString NotesParser::joinChildTexts(const NotesSyntaxNode &node, const QString &separator)
{
    QString joined;
    appendChildTexts(joined, node, separator);
    return joined;
}
