// The user's guide's Markdown read into blocks, as much of Markdown as the
// guide uses: headings, paragraphs, nested lists, fenced and indented code,
// pipe tables, and within a line code spans, bold, italics and backslash
// escapes. The Windows window renders these blocks; the Qt one has its own
// reader.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace talvex {

struct GuideSpan {
    std::string text; // UTF-8, markup removed
    bool bold = false;
    bool italic = false;
    bool code = false;
    bool operator==(const GuideSpan&) const = default;
};

enum class GuideBlockKind { Heading, Paragraph, ListItem, Code, Table };

struct GuideBlock {
    GuideBlockKind kind = GuideBlockKind::Paragraph;
    int level = 0;                  // heading: 1 to 6; list item: nesting depth from 0
    std::string marker;             // list item: "•" or its number, "3."
    std::string language;           // code: the fence's first word ("tvx", "output", "")
    std::vector<std::string> lines; // code: its lines
    std::vector<GuideSpan> spans;   // heading, paragraph, list item
    std::vector<std::vector<std::string>> rows; // table: the header row first, cells as plain text
};

std::vector<GuideBlock> ReadGuideMarkdown(std::string_view markdown);

// A line's inline markup as spans of plain, bold, italic and code text.
std::vector<GuideSpan> ReadGuideInline(std::string_view text);

// The spans' text without their styles.
std::string PlainText(const std::vector<GuideSpan>& spans);

} // namespace talvex
