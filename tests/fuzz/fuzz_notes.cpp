// libFuzzer target for the notes language: any text must parse without a
// crash, leak or hang, and what the parse reports must stay inside the text.

#include "QmdVorma/antlr/NotesParser.h"

#include <QString>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <functional>

namespace {

void check(bool condition)
{
    if (!condition)
        std::abort();
}

// An input starting with 0xFF is UTF-16 (to reach unpaired surrogates),
// anything else UTF-8.
QString textOf(const uint8_t *data, size_t size)
{
    if (size > 0 && data[0] == 0xFF) {
        QString text(int((size - 1) / 2), Qt::Uninitialized);
        std::memcpy(text.data(), data + 1, size_t(text.size()) * 2);
        return text;
    }
    return QString::fromUtf8(reinterpret_cast<const char *>(data), int(size));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QString text = textOf(data, size);

    NotesParser::NotesTokenMap map;
    const bool valid = NotesParser::validateNotes(text, map);
    for (auto it = map.cbegin(); it != map.cend(); ++it) {
        const int key = it.key();
        const int length = it.value().first;
        check(key == -1 ? length == 0 : key >= 0 && length >= 0 && key + length <= text.size());
    }

    const bool parsed = NotesParser::parseNotes(text, [&text](bool ok, const NotesSyntaxNode &root) {
        std::function<void(const NotesSyntaxNode &)> walk = [&](const NotesSyntaxNode &node) {
            const int first = node.firstPosition();
            const int last = node.lastPosition();
            check((first < 0) == (last < 0));
            if (first >= 0) {
                check(first <= last && last < text.size());
                check(node.text() == text.mid(first, last - first + 1));
            } else {
                node.text();
            }
            // A valid text has neither error nodes nor made-up tokens.
            if (ok && node.childCount() == 0 && node.type() != NotesSyntaxNode::AstSequentialNode
                && node.type() != NotesSyntaxNode::AstParallelNode && node.type() != NotesSyntaxNode::AstRandomNode)
                check(first >= 0);
            for (int i = 0; i < node.childCount(); ++i)
                walk(node.child(i));
        };
        walk(root);
        root.toStringTree();
    });
    check(parsed == valid);
    return 0;
}
