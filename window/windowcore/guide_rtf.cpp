// Writes the guide's blocks as RTF, keeping alongside the text a RichEdit
// will hold, so that the headings' positions are the control's own.
#include "windowcore/guide_rtf.h"

#include "engine/text_codec.h"
#include "windowcore/guide_markdown.h"

#include <algorithm>
#include <cstdint>
#include <utility>

namespace talvex {

namespace {

// Colours of the table below: 1 headings, 2 scripts' background, 3 the
// program's output and every second table row.
constexpr std::string_view kHeader =
    "{\\rtf1\\ansi\\ansicpg1252\\deff0\\uc1"
    "{\\fonttbl{\\f0\\fswiss\\fcharset0 Segoe UI;}{\\f1\\fmodern\\fcharset0 Courier New;}}"
    "{\\colortbl ;\\red31\\green73\\blue125;\\red227\\green238\\blue250;"
    "\\red238\\green238\\blue238;}\n\\viewkind4";

constexpr int kBodySize = 20; // half-points
constexpr int kCodeSize = 18;
constexpr int kIndent = 360; // twips a list level

class RtfWriter {
public:
    explicit RtfWriter(GuideRichText& out) : out_(out) { out_.rtf = kHeader; }

    void Begin(std::string_view paragraph, int size) {
        out_.rtf += "\\pard";
        out_.rtf += paragraph;
        out_.rtf += "\\plain\\fs" + std::to_string(size) + ' ';
    }
    // A run of text in its own character format.
    void Run(std::string_view utf8, std::string_view format) {
        if (utf8.empty()) return;
        out_.rtf += '{';
        out_.rtf += format;
        out_.rtf += ' ';
        const std::u16string wide = Utf8ToUtf16(utf8);
        for (const char16_t c : wide) {
            if (c == u'\\' || c == u'{' || c == u'}') {
                out_.rtf += '\\';
                out_.rtf += static_cast<char>(c);
            } else if (c == u'\t') {
                out_.rtf += "\\tab ";
            } else if (c < 0x80) {
                out_.rtf += static_cast<char>(c);
            } else {
                // \uN takes a signed 16-bit number; "?" stands for readers without Unicode.
                out_.rtf += "\\u" + std::to_string(static_cast<std::int16_t>(c)) + '?';
            }
        }
        out_.rtf += '}';
        out_.text += wide;
    }
    void End() {
        out_.rtf += "\\par\n";
        out_.text += u'\r';
    }
    long Position() const { return static_cast<long>(out_.text.size()); }
    void Finish() { out_.rtf += "}"; }

private:
    GuideRichText& out_;
};

std::string Twips(std::string_view word, int value) {
    return std::string(word) + std::to_string(value);
}

void WriteSpans(RtfWriter& w, const std::vector<GuideSpan>& spans, int size,
                std::string_view extra = {}) {
    for (const GuideSpan& s : spans) {
        std::string format = std::string(s.code ? "\\f1" : "\\f0") + std::string(extra);
        format += Twips("\\fs", s.code ? size - 1 : size);
        if (s.bold) format += "\\b";
        if (s.italic) format += "\\i";
        w.Run(s.text, format);
    }
}

std::string Padded(std::string text, std::size_t width) {
    const std::size_t chars = CharCount(text);
    if (chars < width) text.append(width - chars, ' ');
    return text;
}

void WriteCode(RtfWriter& w, const GuideBlock& b) {
    // Every line as wide as the widest (and a blank either side), so that the
    // background forms a box.
    std::size_t width = 0;
    for (const std::string& line : b.lines)
        width = std::max(width, CharCount(line));
    width = std::min(width + 1, kGuideTableWidth);
    const std::string background = b.language.starts_with("tvx") ? "\\highlight2" : "\\highlight3";
    for (std::size_t i = 0; i < b.lines.size(); ++i) {
        const int before = i == 0 ? 60 : 0;
        const int after = i + 1 == b.lines.size() ? 160 : 0;
        w.Begin(Twips("\\li", kIndent) + Twips("\\sb", before) + Twips("\\sa", after), kCodeSize);
        w.Run(' ' + Padded(b.lines[i], width), "\\f1\\fs18" + background);
        w.End();
    }
}

// `text` in lines of at most `width` characters, broken at blanks where it can.
std::vector<std::string> Wrap(const std::string& text, std::size_t width) {
    std::vector<std::string> lines;
    std::string line;
    std::size_t at = 0;
    while (at < text.size()) {
        std::size_t end = text.find(' ', at);
        if (end == std::string::npos) end = text.size();
        std::string word = text.substr(at, end - at);
        at = end + 1;
        if (word.empty()) continue;
        while (CharCount(word) > width) { // longer than the column: cut
            if (!line.empty()) lines.push_back(std::exchange(line, {}));
            const std::size_t cut = ByteOffsetOfChar(word, width);
            lines.push_back(word.substr(0, cut));
            word = word.substr(cut);
        }
        if (line.empty())
            line = word;
        else if (CharCount(line) + 1 + CharCount(word) <= width)
            line += ' ' + word;
        else
            lines.push_back(std::exchange(line, word));
    }
    if (!line.empty() || lines.empty()) lines.push_back(line);
    return lines;
}

void WriteTable(RtfWriter& w, const GuideBlock& b) {
    std::size_t columns = 0;
    for (const auto& row : b.rows)
        columns = std::max(columns, row.size());
    std::vector<std::size_t> widths(columns, 1);
    for (const auto& row : b.rows)
        for (std::size_t c = 0; c < row.size(); ++c)
            widths[c] = std::max(widths[c], CharCount(row[c]));
    const std::string gap = " | ";
    const auto total = [&] {
        std::size_t sum = gap.size() * (columns - 1);
        for (std::size_t x : widths)
            sum += x;
        return sum;
    };
    // Narrow the widest column until the table fits.
    constexpr std::size_t kNarrowest = 8;
    while (total() > kGuideTableWidth) {
        auto widest = std::max_element(widths.begin(), widths.end());
        if (*widest <= kNarrowest) break;
        --*widest;
    }

    std::vector<std::pair<std::string, std::string>> lines; // text, character format
    for (std::size_t r = 0; r < b.rows.size(); ++r) {
        std::vector<std::vector<std::string>> cells;
        std::size_t height = 1;
        for (std::size_t c = 0; c < columns; ++c) {
            cells.push_back(Wrap(c < b.rows[r].size() ? b.rows[r][c] : std::string(), widths[c]));
            height = std::max(height, cells.back().size());
        }
        const std::string format = r == 0       ? "\\f1\\fs18\\b"
                                   : r % 2 == 0 ? "\\f1\\fs18\\highlight3"
                                                : "\\f1\\fs18";
        for (std::size_t l = 0; l < height; ++l) {
            std::string line;
            for (std::size_t c = 0; c < columns; ++c) {
                if (c > 0) line += gap;
                line += Padded(l < cells[c].size() ? cells[c][l] : std::string(), widths[c]);
            }
            lines.emplace_back(line, format);
        }
        if (r == 0) {
            std::string rule;
            for (std::size_t c = 0; c < columns; ++c) {
                if (c > 0) rule += "-+-";
                rule.append(widths[c], '-');
            }
            lines.emplace_back(rule, "\\f1\\fs18");
        }
    }
    for (std::size_t i = 0; i < lines.size(); ++i) {
        const int before = i == 0 ? 60 : 0;
        const int after = i + 1 == lines.size() ? 160 : 0;
        w.Begin(Twips("\\li", kIndent) + Twips("\\sb", before) + Twips("\\sa", after), kCodeSize);
        w.Run(lines[i].first, lines[i].second);
        w.End();
    }
}

} // namespace

GuideRichText GuideToRichText(std::string_view markdown) {
    GuideRichText out;
    RtfWriter w(out);
    for (const GuideBlock& b : ReadGuideMarkdown(markdown)) {
        switch (b.kind) {
        case GuideBlockKind::Heading: {
            static constexpr int kSizes[] = {36, 30, 25, 22, 20, 20};
            static constexpr int kBefore[] = {360, 280, 200, 160, 120, 120};
            const int l = std::clamp(b.level, 1, 6) - 1;
            std::string text = PlainText(b.spans);
            if (text.empty()) break; // nothing to show or list
            out.headings.push_back({b.level, text, w.Position()});
            if (out.title.empty()) out.title = text;
            w.Begin(Twips("\\sb", kBefore[l]) + "\\sa120\\keepn", kSizes[l]);
            WriteSpans(w, b.spans, kSizes[l], "\\b\\cf1");
            w.End();
            break;
        }
        case GuideBlockKind::Paragraph:
            w.Begin("\\sa120", kBodySize);
            WriteSpans(w, b.spans, kBodySize);
            w.End();
            break;
        case GuideBlockKind::ListItem: {
            const int indent = kIndent * (b.level + 1);
            if (b.marker.empty()) { // a further paragraph of the item
                w.Begin(Twips("\\li", indent) + "\\sa60", kBodySize);
            } else {
                w.Begin(Twips("\\li", indent) + Twips("\\fi-", kIndent - 60) +
                            Twips("\\tx", indent) + "\\sa60",
                        kBodySize);
                w.Run(b.marker + '\t', Twips("\\f0\\fs", kBodySize));
            }
            WriteSpans(w, b.spans, kBodySize);
            w.End();
            break;
        }
        case GuideBlockKind::Code:
            WriteCode(w, b);
            break;
        case GuideBlockKind::Table:
            WriteTable(w, b);
            break;
        }
    }
    w.Finish();
    return out;
}

} // namespace talvex
