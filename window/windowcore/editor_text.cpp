#include "windowcore/editor_text.h"

#include "engine/response_pane.h"
#include "engine/text_codec.h"

#include <algorithm>

namespace talvex {

namespace {

constexpr char16_t kParagraphSeparator = 0x2029;
constexpr char16_t kFrameStart = 0xFDD0;
constexpr char16_t kFrameEnd = 0xFDD1;

std::size_t CommonPrefix(std::string_view a, std::string_view b) {
    const std::size_t n = std::min(a.size(), b.size());
    return static_cast<std::size_t>(std::mismatch(a.begin(), a.begin() + n, b.begin()).first -
                                    a.begin());
}

// The positions `text` takes in a pane: one a UTF-16 unit, but a CR LF one
// line break.
std::size_t DisplayLength(std::string_view text) {
    std::size_t n = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const auto b = static_cast<unsigned char>(text[i]);
        if ((b & 0xC0) == 0x80) continue;
        if (b >= 0xF0) ++n; // a surrogate pair
        if (b == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
        ++n;
    }
    return n;
}

} // namespace

char16_t EditorMarkFor(char16_t c) {
    switch (c) {
    case u'\r':
        return 0x240D; // SYMBOL FOR CARRIAGE RETURN
    case u'\n':
        return 0x240A; // SYMBOL FOR LINE FEED
    case kParagraphSeparator:
        return 0x2424; // SYMBOL FOR NEWLINE
    case kFrameStart:
    case kFrameEnd:
        return 0xFFFD;
    default:
        return 0;
    }
}

EditorText ToEditorText(std::string_view text) {
    const std::u16string in = Utf8ToUtf16(text);
    EditorText out;
    out.text.reserve(in.size());
    for (std::size_t i = 0; i < in.size(); ++i) {
        const char16_t c = in[i];
        if (c == u'\r' && i + 1 < in.size() && in[i + 1] == u'\n') {
            out.text += u'\n'; // a line break: the next paragraph
            ++i;
        } else if (const char16_t mark = EditorMarkFor(c)) {
            out.marks.emplace_back(out.text.size(), c);
            out.text += mark;
        } else {
            out.text += c;
        }
    }
    return out;
}

std::string FromEditorText(std::u16string_view text, const std::vector<StandIn>& marks) {
    std::u16string out;
    out.reserve(text.size() + text.size() / 16);
    auto mark = marks.begin();
    for (std::size_t i = 0; i < text.size(); ++i) {
        while (mark != marks.end() && mark->first < i)
            ++mark;
        if (mark != marks.end() && mark->first == i && text[i] == EditorMarkFor(mark->second)) {
            out += mark->second;
        } else if (text[i] == u'\n') {
            out += u"\r\n";
        } else {
            out += text[i];
        }
    }
    return Utf16ToUtf8(out);
}

PaneEdit PaneUpdate(std::string_view shown, std::string_view text) {
    PaneEdit edit;
    std::size_t common = CommonPrefix(shown, text);
    if (common < shown.size() / 2) {
        // Over its limit the pane drops its first lines: drop them from the
        // widget too, rather than rewriting the thousand lines it keeps.
        const std::string kept = ResponsePane::KeptAfterLimitCut(std::string(shown));
        const std::size_t keptCommon = CommonPrefix(kept, text);
        if (!kept.empty() && keptCommon > common) {
            edit.dropFront = DisplayLength(shown.substr(0, shown.size() - kept.size()));
            shown = shown.substr(shown.size() - kept.size());
            common = keptCommon;
        }
    }
    std::size_t cut = 0;
    if (common >= 2) {
        const std::size_t crlf = shown.rfind("\r\n", common - 2);
        if (crlf != std::string_view::npos) cut = crlf + 2;
    }
    edit.from = cut == 0 ? 0 : DisplayLength(shown.substr(0, cut));
    edit.insert = std::string(text.substr(cut));
    return edit;
}

PaneTail PaneTailOf(std::string_view text, std::size_t lines) {
    // Back over one line break for each line kept.
    std::size_t at = text.size();
    for (std::size_t n = 0; n < lines; ++n) {
        const std::size_t crlf = at < 2 ? std::string_view::npos : text.rfind("\r\n", at - 2);
        if (crlf == std::string_view::npos) return {};
        at = crlf;
    }
    return {at + 2, DisplayLength(text.substr(0, at + 2))};
}

} // namespace talvex
