// The response pane's text with its size limit, shared by the GUI (which
// mirrors it in a text widget) and the tests, so both see the same pane.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace talvex {

class ResponsePane {
public:
    static constexpr std::size_t kLimit = 25000;    // characters
    static constexpr std::size_t kKeepFrom = 12500; // cut at the first line break from here

    const std::string& Text() const { return text_; }
    std::size_t Length() const { return chars_; }

    void Append(std::string_view text);
    void CutBack(std::size_t length);
    void Replace(std::string_view text);

    // What a pane holding `text` keeps once it is over the limit: the text
    // after the first CR LF at or after character kKeepFrom, or nothing when
    // there is no CR LF.
    static std::string KeptAfterLimitCut(const std::string& text);

private:
    std::string text_;
    std::size_t chars_ = 0;
};

} // namespace talvex
