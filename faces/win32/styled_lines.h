// Which lines of a script editor carry the highlighting. RichEdit restyles
// slowly (every format change lays the text out again), so a long script is
// styled as its lines come into view, and an edit unstyles only the lines it
// touched; the rest keep their colours.
#pragma once

#include <utility>
#include <vector>

namespace talvex {

class StyledLines {
public:
    // A text of `lines` lines, none styled yet.
    void Reset(int lines);
    // The text now has `delta` more lines (fewer when negative), changed by
    // an edit that ends on line `last`: the lines it spans lose their style.
    void Edited(int last, int delta);
    void MarkStyled(int first, int last);
    bool Styled(int line) const;
    // The runs of unstyled lines within [first, last], each as [from, to].
    std::vector<std::pair<int, int>> Unstyled(int first, int last) const;
    int Lines() const { return static_cast<int>(styled_.size()); }

private:
    std::vector<bool> styled_;
};

} // namespace talvex
