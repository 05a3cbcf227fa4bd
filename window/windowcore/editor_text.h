// Script text at the editor's edge. The engine holds UTF-8 text with CR LF
// between lines; an editor holds one paragraph per line. A few characters
// cannot stay inside a paragraph (a lone CR or LF, the paragraph separator
// U+2029 and a document's own frame marks): the editor shows a visible mark
// for each and remembers the character it stands for, so a script's text
// comes back from the editor byte for byte.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace talvex {

// A character an editor shows as a mark: where, and what it stands for.
using StandIn = std::pair<std::size_t, char16_t>;

struct EditorText {
    std::u16string text;        // paragraphs joined by LF, marks in place
    std::vector<StandIn> marks; // in order of position
};

// The mark shown for a character a paragraph cannot hold, or 0 for any other.
char16_t EditorMarkFor(char16_t c);

// The engine's text as an editor shows it.
EditorText ToEditorText(std::string_view text);

// An editor's text (paragraphs joined by LF) back as the engine holds it;
// `marks` names the positions that are marks and what they stand for.
std::string FromEditorText(std::u16string_view text, const std::vector<StandIn>& marks);

// How a response pane that shows one text is brought to show another.
struct PaneEdit {
    // Display characters (UTF-16 units, a line break one) dropped from the
    // front, as the pane's limit cut them.
    std::size_t dropFront = 0;
    // Then: everything from display position `from` on is replaced by
    // `insert` (engine text; show it with LfLineEnds).
    std::size_t from = 0;
    std::string insert;
};

// A run mostly adds lines and takes back its last one: the edit keeps every
// whole line the two have in common, so an update costs what changed, not
// what the pane holds.
PaneEdit PaneUpdate(std::string_view shown, std::string_view text);

// The last lines of a pane's text, for a widget that lays out every line it
// is given at a cost: they begin at byte `from`, after `hidden` display
// characters (UTF-16 units, a line break one).
struct PaneTail {
    std::size_t from = 0;
    std::size_t hidden = 0;
};

// The start of the last `lines` lines of `text` (a text ending in a line
// break has an empty last line, which counts).
PaneTail PaneTailOf(std::string_view text, std::size_t lines);

} // namespace talvex
