// Reads the guide's Markdown line by line into blocks; a block's inline
// markup is read once the block is whole, as it may span lines.
#include "windowcore/guide_markdown.h"

#include <cctype>
#include <optional>

namespace talvex {

namespace {

GuideBlock Block(GuideBlockKind kind) {
    GuideBlock b;
    b.kind = kind;
    return b;
}

bool IsBlank(std::string_view line) {
    return line.find_first_not_of(" \t") == std::string_view::npos;
}

std::size_t Indent(std::string_view line) {
    const std::size_t at = line.find_first_not_of(' ');
    return at == std::string_view::npos ? line.size() : at;
}

std::string_view Trim(std::string_view s) {
    const std::size_t b = s.find_first_not_of(" \t");
    if (b == std::string_view::npos) return {};
    const std::size_t e = s.find_last_not_of(" \t");
    return s.substr(b, e - b + 1);
}

bool IsPunct(char c) {
    return std::ispunct(static_cast<unsigned char>(c)) != 0;
}

// "```" or "~~~" (or longer) opening a fenced block; its length, else 0.
std::size_t FenceLength(std::string_view trimmed) {
    if (trimmed.size() < 3 || (trimmed[0] != '`' && trimmed[0] != '~')) return 0;
    const std::size_t n = trimmed.find_first_not_of(trimmed[0]);
    const std::size_t length = n == std::string_view::npos ? trimmed.size() : n;
    return length >= 3 ? length : 0;
}

// "## Text ##" as level 2 and "Text"; nullopt for no heading.
std::optional<std::pair<int, std::string_view>> Heading(std::string_view line) {
    if (Indent(line) > 3) return std::nullopt;
    const std::string_view t = Trim(line);
    const std::size_t hashes = t.find_first_not_of('#');
    const std::size_t level = hashes == std::string_view::npos ? t.size() : hashes;
    if (level < 1 || level > 6 || (level < t.size() && t[level] != ' ')) return std::nullopt;
    std::string_view text = Trim(t.substr(level));
    // A closing run of hashes after a blank is no part of the text.
    const std::size_t last = text.find_last_not_of('#');
    if (last == std::string_view::npos)
        text = {};
    else if (last + 1 < text.size() && text[last] == ' ')
        text = Trim(text.substr(0, last));
    return std::pair{static_cast<int>(level), text};
}

struct ListMarker {
    std::size_t indent; // of the marker
    std::string marker; // "•" or "3."
    std::string_view text;
    bool startsAtOne;
};

std::optional<ListMarker> ListItem(std::string_view line) {
    const std::size_t indent = Indent(line);
    const std::string_view t = line.substr(indent);
    if (t.size() >= 2 && (t[0] == '-' || t[0] == '*' || t[0] == '+') && t[1] == ' ')
        return ListMarker{indent, "\xE2\x80\xA2", Trim(t.substr(2)), true};
    std::size_t digits = 0;
    while (digits < t.size() && digits < 9 && std::isdigit(static_cast<unsigned char>(t[digits])))
        ++digits;
    if (digits == 0 || digits + 1 >= t.size() || (t[digits] != '.' && t[digits] != ')') ||
        t[digits + 1] != ' ')
        return std::nullopt;
    return ListMarker{indent, std::string(t.substr(0, digits)) + ".", Trim(t.substr(digits + 2)),
                      t.substr(0, digits) == "1"};
}

bool IsDelimiterRow(std::string_view line) {
    const std::string_view t = Trim(line);
    if (t.empty() || t.find('-') == std::string_view::npos) return false;
    return t.find_first_not_of("|:- ") == std::string_view::npos;
}

// A table row's cells: split at each "|" that no backslash escapes, the
// outer pipes dropped, inline markup reduced to its text.
std::vector<std::string> Cells(std::string_view line) {
    std::string_view t = Trim(line);
    if (!t.empty() && t.front() == '|') t.remove_prefix(1);
    if (!t.empty() && t.back() == '|' && !(t.size() >= 2 && t[t.size() - 2] == '\\'))
        t.remove_suffix(1);
    std::vector<std::string> cells;
    std::string cell;
    for (std::size_t i = 0; i < t.size(); ++i) {
        if (t[i] == '\\' && i + 1 < t.size() && t[i + 1] == '|') {
            cell += "\\|";
            ++i;
        } else if (t[i] == '|') {
            cells.push_back(PlainText(ReadGuideInline(Trim(cell))));
            cell.clear();
        } else {
            cell += t[i];
        }
    }
    cells.push_back(PlainText(ReadGuideInline(Trim(cell))));
    return cells;
}

// Whether a later "*" (or "**") can close the one at `from`.
bool Closes(std::string_view text, std::size_t from, std::string_view mark) {
    for (std::size_t at = text.find(mark, from); at != std::string_view::npos;
         at = text.find(mark, at + 1)) {
        if (text[at - 1] == ' ') continue;
        if (mark.size() == 1 &&
            ((at + 1 < text.size() && text[at + 1] == '*') || text[at - 1] == '*'))
            continue;
        return true;
    }
    return false;
}

} // namespace

std::vector<GuideSpan> ReadGuideInline(std::string_view text) {
    std::vector<GuideSpan> spans;
    std::string current;
    bool bold = false, italic = false;
    const auto flush = [&] {
        if (!current.empty()) spans.push_back({current, bold, italic, false});
        current.clear();
    };
    std::size_t i = 0;
    while (i < text.size()) {
        const char c = text[i];
        if (c == '\\' && i + 1 < text.size() && IsPunct(text[i + 1])) {
            current += text[i + 1];
            i += 2;
        } else if (c == '`') {
            std::size_t run = text.find_first_not_of('`', i);
            if (run == std::string_view::npos) run = text.size();
            const std::size_t length = run - i;
            // The closing run: exactly as many backticks.
            std::size_t close = run;
            for (;;) {
                close = text.find(std::string(length, '`'), close);
                if (close == std::string_view::npos) break;
                const std::size_t end = close + length;
                if (end >= text.size() || text[end] != '`') break;
                close = text.find_first_not_of('`', end);
            }
            if (close == std::string_view::npos) {
                current.append(length, '`');
                i = run;
                continue;
            }
            flush();
            std::string code(text.substr(run, close - run));
            if (code.size() >= 2 && code.front() == ' ' && code.back() == ' ' &&
                code.find_first_not_of(' ') != std::string::npos)
                code = code.substr(1, code.size() - 2);
            spans.push_back({code, bold, italic, true});
            i = close + length;
        } else if (c == '*' && i + 1 < text.size() && text[i + 1] == '*') {
            const bool opens =
                i + 2 < text.size() && text[i + 2] != ' ' && Closes(text, i + 2, "**");
            if (bold || opens) {
                flush();
                bold = !bold;
            } else {
                current += "**";
            }
            i += 2;
        } else if (c == '*') {
            const bool closes = italic && i > 0 && text[i - 1] != ' ';
            const bool opens =
                !italic && i + 1 < text.size() && text[i + 1] != ' ' && Closes(text, i + 1, "*");
            if (closes || opens) {
                flush();
                italic = !italic;
            } else {
                current += c;
            }
            ++i;
        } else {
            current += c;
            ++i;
        }
    }
    flush();
    return spans;
}

std::string PlainText(const std::vector<GuideSpan>& spans) {
    std::string text;
    for (const GuideSpan& s : spans)
        text += s.text;
    return text;
}

std::vector<GuideBlock> ReadGuideMarkdown(std::string_view markdown) {
    std::vector<std::string> lines;
    for (std::size_t at = 0; at <= markdown.size();) {
        std::size_t end = markdown.find('\n', at);
        if (end == std::string_view::npos) end = markdown.size();
        std::string line(markdown.substr(at, end - at));
        if (!line.empty() && line.back() == '\r') line.pop_back();
        // Tabs at the start indent as four blanks.
        std::string expanded;
        std::size_t k = 0;
        for (; k < line.size() && (line[k] == ' ' || line[k] == '\t'); ++k)
            expanded.append(line[k] == '\t' ? 4 - expanded.size() % 4 : 1, ' ');
        lines.push_back(expanded + line.substr(k));
        at = end + 1;
    }

    std::vector<GuideBlock> blocks;
    std::string pending; // the open paragraph's or list item's text
    bool open = false;   // a paragraph or list item takes further lines
    std::vector<std::size_t> listIndents;
    const auto close = [&] {
        if (open) blocks.back().spans = ReadGuideInline(pending);
        open = false;
        pending.clear();
    };

    bool afterBlank = true;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        const std::string_view line = lines[i];
        if (IsBlank(line)) {
            close();
            afterBlank = true;
            continue;
        }
        const std::size_t indent = Indent(line);
        const std::string_view trimmed = Trim(line);
        const bool wasBlank = afterBlank;
        afterBlank = false;

        if (const std::size_t fence = indent <= 3 ? FenceLength(trimmed) : 0) {
            close();
            listIndents.clear();
            GuideBlock code = Block(GuideBlockKind::Code);
            const std::string_view info = Trim(trimmed.substr(fence));
            code.language = std::string(info.substr(0, info.find(' ')));
            const char fenceChar = trimmed[0];
            for (++i; i < lines.size(); ++i) {
                const std::string_view t = Trim(lines[i]);
                if (FenceLength(t) >= fence && t[0] == fenceChar &&
                    t.find_first_not_of(fenceChar) == std::string_view::npos)
                    break;
                // The fence's own indent is no part of the lines.
                const std::size_t cut = std::min(indent, Indent(lines[i]));
                code.lines.push_back(lines[i].substr(cut));
            }
            blocks.push_back(std::move(code));
            continue;
        }
        if (const auto heading = Heading(line)) {
            close();
            listIndents.clear();
            GuideBlock h = Block(GuideBlockKind::Heading);
            h.level = heading->first;
            h.spans = ReadGuideInline(heading->second);
            blocks.push_back(std::move(h));
            continue;
        }
        if (trimmed.front() == '|' && i + 1 < lines.size() && IsDelimiterRow(lines[i + 1])) {
            close();
            listIndents.clear();
            GuideBlock table = Block(GuideBlockKind::Table);
            table.rows.push_back(Cells(line));
            for (i += 2; i < lines.size() && !IsBlank(lines[i]) && Trim(lines[i]).front() == '|';
                 ++i)
                table.rows.push_back(Cells(lines[i]));
            --i;
            blocks.push_back(std::move(table));
            continue;
        }
        const auto item = ListItem(line);
        if (item &&
            (!open || blocks.back().kind == GuideBlockKind::ListItem || item->startsAtOne)) {
            close();
            while (!listIndents.empty() && listIndents.back() > item->indent)
                listIndents.pop_back();
            if (listIndents.empty() || listIndents.back() < item->indent)
                listIndents.push_back(item->indent);
            GuideBlock b = Block(GuideBlockKind::ListItem);
            b.level = static_cast<int>(listIndents.size()) - 1;
            b.marker = item->marker;
            blocks.push_back(std::move(b));
            pending = std::string(item->text);
            open = true;
            continue;
        }
        if (open) { // a further line of the paragraph or item
            pending += ' ';
            pending += trimmed;
            continue;
        }
        if (indent >= 4 && wasBlank && listIndents.empty()) {
            GuideBlock code = Block(GuideBlockKind::Code);
            // Up to the next line that is not indented; blank lines within stay.
            std::size_t last = i;
            for (std::size_t j = i;
                 j < lines.size() && (IsBlank(lines[j]) || Indent(lines[j]) >= 4); ++j)
                if (!IsBlank(lines[j])) last = j;
            for (; i <= last; ++i)
                code.lines.push_back(lines[i].size() >= 4 ? lines[i].substr(4) : std::string());
            --i;
            blocks.push_back(std::move(code));
            continue;
        }
        // A paragraph; after a blank line within a list, a further one of the item.
        GuideBlock p = Block(GuideBlockKind::Paragraph);
        if (!listIndents.empty() && indent > listIndents.front()) {
            p.kind = GuideBlockKind::ListItem;
            p.level = static_cast<int>(listIndents.size()) - 1;
        } else {
            listIndents.clear();
        }
        blocks.push_back(std::move(p));
        pending = std::string(trimmed);
        open = true;
    }
    close();
    return blocks;
}

} // namespace talvex
