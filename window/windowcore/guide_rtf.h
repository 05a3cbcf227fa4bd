// The user's guide as rich text (RTF) for a RichEdit control, with its
// headings and where each stands in the text the control then holds.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace talvex {

struct GuideHeading {
    int level = 1;     // 1 for "#", 2 for "##", ...
    std::string text;  // as shown, UTF-8
    long position = 0; // of its first character in `GuideRichText::text`
    bool operator==(const GuideHeading&) const = default;
};

struct GuideRichText {
    std::string rtf;
    // The text a RichEdit holds after reading `rtf`: UTF-16, a CR after each
    // paragraph, so that positions in it are the control's character positions.
    std::u16string text;
    std::vector<GuideHeading> headings;
    std::string title; // the first heading's text, else empty
};

// Tables are set as aligned columns in a fixed-width font, at most this many
// characters wide; a cell too wide for its column wraps within it.
inline constexpr std::size_t kGuideTableWidth = 90;

GuideRichText GuideToRichText(std::string_view markdown);

} // namespace talvex
