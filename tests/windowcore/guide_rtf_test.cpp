// The guide's Markdown as the Windows guide window shows it: the text the
// RichEdit holds, where each heading stands in it, and the RTF's styles.
#include "engine/text_codec.h"
#include "windowcore/guide_rtf.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

namespace talvex::testing {
namespace {

struct GuideCase {
    const char* name;
    std::string markdown;
    std::string text; // as the RichEdit holds it, "\n" for each paragraph's CR
    std::vector<GuideHeading> headings;
    std::vector<std::string> inRtf; // pieces the RTF holds
};

std::u16string Paragraphs(const std::string& text) {
    std::u16string out = Utf8ToUtf16(text);
    std::replace(out.begin(), out.end(), u'\n', u'\r');
    return out;
}

std::string Words(int n) {
    std::string out;
    for (int i = 0; i < n; ++i)
        out += i ? " word" : "word";
    return out;
}

class GuideRtf : public ::testing::TestWithParam<GuideCase> {};

TEST_P(GuideRtf, ShowsTheMarkdownAsRichText) {
    const GuideCase& c = GetParam();
    const GuideRichText guide = GuideToRichText(c.markdown);
    EXPECT_EQ(guide.text, Paragraphs(c.text));
    EXPECT_EQ(guide.headings, c.headings);
    EXPECT_EQ(guide.title, c.headings.empty() ? "" : c.headings.front().text);
    for (const std::string& piece : c.inRtf)
        EXPECT_NE(guide.rtf.find(piece), std::string::npos) << piece << "\n" << guide.rtf;
    EXPECT_TRUE(guide.rtf.starts_with("{\\rtf1"));
    EXPECT_TRUE(guide.rtf.ends_with("}"));
}

const std::string kWide = "| k | " + Words(20) + " |\n|---|---|\n| `--x` | y |\n";

INSTANTIATE_TEST_SUITE_P(
    Markdown, GuideRtf,
    ::testing::Values(
        GuideCase{"HeadingsAndParagraphs",
                  "# Title\n\nOne\ntwo.\n\n## Sub ##\nThree\n",
                  "Title\nOne two.\nSub\nThree\n",
                  {{1, "Title", 0}, {2, "Sub", 15}},
                  {"\\b\\cf1\\fs36 Title}", "\\b\\cf1\\fs30 Sub}", "{\\f0\\fs20 One two.}"}},
        GuideCase{"LineEndsOfWindows",
                  "# Title\r\n\r\nOne\r\ntwo.\r\n",
                  "Title\nOne two.\n",
                  {{1, "Title", 0}},
                  {}},
        GuideCase{
            "InlineMarkup",
            "Say **bold**, *it*, `a*b`, ``x`y`` and \\*star\\*; 5 * 3 and 2**.",
            "Say bold, it, a*b, x`y and *star*; 5 * 3 and 2**.\n",
            {},
            {"{\\f0\\fs20\\b bold}", "{\\f0\\fs20\\i it}", "{\\f1\\fs19 a*b}", "{\\f1\\fs19 x`y}"}},
        GuideCase{"CodeSpansInHeadings",
                  "# 11. Other script files: `#call` and `#chain`\n",
                  "11. Other script files: #call and #chain\n",
                  {{1, "11. Other script files: #call and #chain", 0}},
                  {"{\\f1\\b\\cf1\\fs35 #call}"}},
        GuideCase{"NestedLists",
                  "1. one\n2. two\n   - inner\n     more\n- back\n\nAfter.\n",
                  "1.\tone\n2.\ttwo\n\xE2\x80\xA2\tinner more\n\xE2\x80\xA2\tback\nAfter.\n",
                  {},
                  {"\\pard\\li360\\fi-300\\tx360", "\\pard\\li720\\fi-300\\tx720", "\\u8226?"}},
        GuideCase{"AParagraphBeforeANumberIsNoList",
                  "It took\n1990. Then\n",
                  "It took 1990. Then\n",
                  {},
                  {}},
        GuideCase{"ScriptsOnBlueOutputOnGrey",
                  "```tvx file=a.tvx\necho({x})\n\nwait(1)\n```\n```output\nx\n```\n",
                  " echo({x}) \n" + std::string(11, ' ') + "\n wait(1)   \n x \n",
                  {},
                  {"{\\f1\\fs18\\highlight2  echo(\\{x\\}) }", "{\\f1\\fs18\\highlight3  x }",
                   "\\pard\\li360\\sb60\\sa0", "\\sa160"}},
        GuideCase{"IndentedCodeAfterAParagraph",
                  "Read them:\n\n    FILE:LINE: error\n    FILE:LINE: warning\n\nThen.\n",
                  "Read them:\n FILE:LINE: error   \n FILE:LINE: warning \nThen.\n",
                  {},
                  {"\\highlight3"}},
        GuideCase{"TablesInAlignedColumns",
                  "| name | what it is |\n|---|---|\n| `@now` | the time |\n| b | c |\n| d | e |\n",
                  "name | what it is\n-----+-----------\n@now | the time  \nb    | c         \n"
                  "d    | e         \n",
                  {},
                  {"{\\f1\\fs18\\b name | what it is}", "{\\f1\\fs18\\highlight3 b    | c"}},
        GuideCase{"AWideTableWrapsWithinItsColumn",
                  kWide,
                  "k   | " + Words(17) + "\n    | word word word" + std::string(70, ' ') +
                      "\n----+-" + std::string(84, '-') + "\n--x | y" + std::string(83, ' ') + "\n",
                  {},
                  {}},
        GuideCase{"TextBeyondAsciiAndRtfsOwnCharacters",
                  "# \xC2\xB1 5 \xC2\xB5V \xF0\x9F\x98\x80\n\n{a} \\ b\n",
                  "\xC2\xB1 5 \xC2\xB5V \xF0\x9F\x98\x80\n{a} \\ b\n",
                  {{1, "\xC2\xB1 5 \xC2\xB5V \xF0\x9F\x98\x80", 0}},
                  {"\\u177? 5 \\u181?V \\u-10179?\\u-8704?", "\\{a\\} \\\\ b"}}),
    [](const auto& info) { return info.param.name; });

// ---- The user's guide itself ----

std::string Manual() {
    std::ifstream in(GUIDE_MARKDOWN, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

TEST(GuideRtfManual, EveryHeadingListedWhereItStands) {
    const std::string markdown = Manual();
    ASSERT_GT(markdown.size(), 10000u) << GUIDE_MARKDOWN;
    // The "#" lines outside fenced blocks, their backticks dropped.
    std::vector<std::pair<int, std::string>> expected;
    std::istringstream lines(markdown);
    bool fenced = false;
    for (std::string line; std::getline(lines, line);) {
        if (line.starts_with("```")) fenced = !fenced;
        if (fenced || !line.starts_with("#")) continue;
        const std::size_t level = line.find(' ');
        if (line.find_first_not_of('#') != level) continue;
        std::string text = line.substr(level + 1);
        std::erase(text, '`');
        expected.emplace_back(static_cast<int>(level), text);
    }
    ASSERT_GT(expected.size(), 60u);

    const GuideRichText guide = GuideToRichText(markdown);
    EXPECT_EQ(guide.title, "Talvex User's Guide");
    ASSERT_EQ(guide.headings.size(), expected.size());
    for (std::size_t i = 0; i < expected.size(); ++i) {
        const GuideHeading& h = guide.headings[i];
        SCOPED_TRACE(h.text);
        EXPECT_EQ(h.level, expected[i].first);
        EXPECT_EQ(h.text, expected[i].second);
        // A paragraph of its own, at its position.
        const std::u16string shown = Utf8ToUtf16(h.text);
        ASSERT_LE(static_cast<std::size_t>(h.position) + shown.size(), guide.text.size());
        EXPECT_EQ(guide.text.substr(static_cast<std::size_t>(h.position), shown.size() + 1),
                  shown + u'\r');
        EXPECT_TRUE(h.position == 0 ||
                    guide.text[static_cast<std::size_t>(h.position) - 1] == u'\r');
    }

    // RTF is 7-bit text, and its groups close: an unbalanced brace would
    // cost the rest of the guide.
    int depth = 0;
    for (std::size_t i = 0; i < guide.rtf.size(); ++i) {
        const char c = guide.rtf[i];
        ASSERT_LT(static_cast<unsigned char>(c), 0x80u) << i;
        if (c == '\\') {
            ++i;
        } else if (c == '{') {
            ++depth;
        } else if (c == '}') {
            ASSERT_GT(depth--, 0) << i;
        }
    }
    EXPECT_EQ(depth, 0);
}

} // namespace
} // namespace talvex::testing
