// The response pane's 25000-character limit, as the GUI has it: driven
// through the runner with the real pane model, and the cut rule on its own.
#include "engine/response_pane.h"
#include "engine/text_codec.h"
#include "tests/app/fake_front_end.h"
#include "tests/app/temp_folder.h"
#include "tests/quoted_text.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <ostream>
#include <string_view>
#include <vector>

namespace talvex::testing {
namespace {

std::string Repeat(const std::string& unit, std::size_t n) {
    std::string s;
    for (std::size_t i = 0; i < n; ++i)
        s += unit;
    return s;
}

// Runs the script with each line r1, r2, ... a command whose reply is given.
void RunWithReplies(RunnerRig& r, const std::map<std::string, std::string>& replies,
                    const std::string& script) {
    r.host.reply = [replies](const std::string& c) { return replies.at(c); };
    r.window.editorText = script;
    r.runner.RunScript();
}

std::vector<std::string> FilesIn(const TempFolder& folder) {
    std::vector<std::string> files;
    for (const auto& e : std::filesystem::directory_iterator(folder.Path()))
        files.push_back(e.path().string());
    return files;
}

// One- and two-byte characters: the limit counts characters, not bytes.
// One character of the pane, as its UTF-8 bytes.
struct PaneCharacter {
    std::string bytes;
    const char* name;
};

void PrintTo(const PaneCharacter& c, std::ostream* os) {
    PrintQuoted(c.bytes, os);
}

class PaneLimit : public ::testing::TestWithParam<PaneCharacter> {};

TEST_P(PaneLimit, ExactlyTwentyFiveThousandCharactersStay) {
    const std::string& c = GetParam().bytes;
    TempFolder logs;
    RunnerRig r(RunnerSettings{logs.Path()});
    const std::string a = Repeat(c, 9998), b = Repeat(c, 9998), z = Repeat(c, 4998);
    RunWithReplies(r, {{"r1", a}, {"r2", b}, {"r3", z}, {"s", "s"}}, "r1\r\nr2\r\nr3\r\ns\r\n");
    // 10000 + 10000 + 5000 characters before the last line: left alone.
    EXPECT_EQ(r.window.pane.Text(), a + "\r\n" + b + "\r\n" + z + "\r\ns\r\n");
    EXPECT_EQ(r.window.pane.Length(), 25003u);
    EXPECT_FALSE(r.window.logTicked);
    EXPECT_TRUE(FilesIn(logs).empty()) << "nothing logged";
}

TEST_P(PaneLimit, OneMoreCharacterDropsTheOldestPartAndLogsEverything) {
    const std::string& c = GetParam().bytes;
    TempFolder logs;
    RunnerRig r(RunnerSettings{logs.Path()});
    const std::string a = Repeat(c, 9998), b = Repeat(c, 9998), z = Repeat(c, 4999);
    RunWithReplies(r, {{"r1", a}, {"r2", b}, {"r3", z}, {"s", "s"}}, "r1\r\nr2\r\nr3\r\ns\r\n");

    // 25001 characters when "s" comes: the line breaks stand at characters
    // 9999 and 19999; the first at or after 12500 is the cut.
    const auto files = FilesIn(logs);
    ASSERT_EQ(files.size(), 1u);
    EXPECT_EQ(r.runner.LogFile(), files.front());
    EXPECT_EQ(r.window.pane.Text(), z + "\r\ns\r\n" +
                                        "Responses exceeded limit.  Responses saved to file.\r\n" +
                                        files.front() + "\r\n");
    // The whole pane went to the log, and every later result with it.
    EXPECT_EQ(ReadBytes(files.front()), a + "\r\n" + b + "\r\n" + z + "\r\ns\r\n");
    EXPECT_FALSE(r.window.logTicked) << "logging switched off again at the end";
}

INSTANTIATE_TEST_SUITE_P(Characters, PaneLimit,
                         ::testing::Values(PaneCharacter{"x", "OneByte"},
                                           PaneCharacter{"\xc3\xa9", "TwoBytes"}),
                         [](const ::testing::TestParamInfo<PaneCharacter>& i) {
                             return std::string(i.param.name);
                         });

TEST(PaneLimit, AChosenLogFileKeepsLoggingWithoutTheClosingNote) {
    TempFolder logs;
    RunnerRig r(RunnerSettings{logs.Path()});
    const std::string log = logs.File("chosen.log");
    r.window.logTicked = true;
    r.window.logFileAnswers = {log};
    const std::string a = Repeat("x", 9998), z = Repeat("z", 5001);
    RunWithReplies(r, {{"r1", a}, {"r2", a}, {"r3", z}, {"s", "s"}}, "r1\r\nr2\r\nr3\r\ns\r\n");
    // The pane is cut, but the log was on from the start and is not written again.
    EXPECT_EQ(r.window.pane.Text(), z + "\r\ns\r\n");
    EXPECT_EQ(ReadBytes(log), a + "\r\n" + a + "\r\n" + z + "\r\ns\r\n");
    EXPECT_TRUE(r.window.logTicked);
}

TEST(PaneLimit, ALoopOfCallsThatShowNoResponseStaysWithinTheLimit) {
    // Each call of a missing script shows two lines and no response; 1500 of
    // them once grew the pane to about 140,000 characters.
    TempFolder logs;
    RunnerRig r(RunnerSettings{logs.Path()});
    r.window.SetCurrentFile(logs.File("main.tvx"));
    r.window.editorText = "#setvars(i=0)\r\n#while(i<1500)\r\n#setvars(i={i+1})\r\n"
                          "#call(missing.tvx)\r\n#wend\r\n";
    r.runner.RunScript();
    const std::string note =
        "Responses exceeded limit.  Responses saved to file.\r\n" + r.runner.LogFile() + "\r\n";
    const std::string pane = r.window.pane.Text();
    ASSERT_GE(pane.size(), note.size());
    EXPECT_EQ(pane.substr(pane.size() - note.size()), note);
    EXPECT_LE(r.window.pane.Length(), ResponsePane::kLimit + CharCount(note));
    EXPECT_NE(ReadBytes(r.runner.LogFile()).find("#Return=missing.tvx  len=0\r\n"),
              std::string::npos)
        << "what was cut from the pane went to the log";
}

struct CutCase {
    const char* name;
    std::string text;
    std::string kept;
};

// Where the line breaks stand, counted in characters from 1 as the case names
// count them; the texts themselves are too long to show.
void PrintTo(const CutCase& c, std::ostream* os) {
    const std::string_view text = c.text;
    std::vector<std::size_t> breaks;
    for (auto at = text.find("\r\n"); at != text.npos; at = text.find("\r\n", at + 2))
        breaks.push_back(CharCount(text.substr(0, at)) + 1);
    *os << CharCount(text) << " characters, ";
    if (breaks.empty()) *os << "no line break";
    for (std::size_t i = 0; i < breaks.size(); ++i)
        *os << (i == 0 ? "line break at " : ", ") << breaks[i];
}

class LimitCut : public ::testing::TestWithParam<CutCase> {};

TEST_P(LimitCut, KeepsTheTextAfterTheCut) {
    EXPECT_EQ(ResponsePane::KeptAfterLimitCut(GetParam().text), GetParam().kept);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, LimitCut,
    ::testing::Values(
        // A break at character 12500 itself is the cut.
        CutCase{"BreakAt12500", Repeat("a", 12499) + "\r\n" + Repeat("b", 12600),
                Repeat("b", 12600)},
        // A break at 12499 is too early: the next one is taken.
        CutCase{"BreakAt12499",
                Repeat("a", 12498) + "\r\n" + Repeat("b", 100) + "\r\n" + Repeat("c", 12500),
                Repeat("c", 12500)},
        CutCase{"NoBreak", Repeat("a", 25001), ""},
        // The only break at or after 12500 ends the text: nothing is kept.
        CutCase{"BreakAtTheEnd", Repeat("a", 24999) + "\r\n", ""},
        CutCase{"TwoByteCharacters", Repeat("\xc3\xa9", 12499) + "\r\n" + Repeat("b", 12600),
                Repeat("b", 12600)}),
    [](const ::testing::TestParamInfo<CutCase>& i) { return std::string(i.param.name); });

TEST(LimitCut, BreaksOnlyBeforeTheMiddleStillEndWithinTheLimit) {
    // Left open by the rule; the pane only has to end up within its limit.
    const std::string kept =
        ResponsePane::KeptAfterLimitCut(Repeat("a", 10) + "\r\n" + Repeat("b", 25100));
    EXPECT_LE(kept.size(), ResponsePane::kLimit);
}

TEST(ResponsePaneModel, CountsCharactersAndCutsBackByCharacters) {
    ResponsePane pane;
    pane.Append("ab\xc3\xa9\r\n");
    EXPECT_EQ(pane.Length(), 5u);
    pane.Append(">>>x\r\n");
    pane.CutBack(5);
    EXPECT_EQ(pane.Text(), "ab\xc3\xa9\r\n");
    pane.CutBack(3);
    EXPECT_EQ(pane.Text(), "ab\xc3\xa9");
    pane.Replace("\xe2\x82\xac");
    EXPECT_EQ(pane.Length(), 1u);
}

} // namespace
} // namespace talvex::testing
