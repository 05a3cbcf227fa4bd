// The script check over every script the project ships: the examples, the
// golden scripts and the user's guide's examples find nothing, except the
// ones written to show that very fault, listed here with what they show.
#include "engine/script_check.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

namespace talvex {
namespace {

namespace fs = std::filesystem;

std::vector<std::string> FindingsOf(const std::string& text, const std::string& path,
                                    long otherLineEnd, const ScriptReader& read) {
    std::vector<std::string> out;
    for (const Finding& f : CheckScript({text, path, otherLineEnd}, read))
        out.push_back(std::to_string(f.line) + ":" + std::to_string(f.column) + ": " +
                      (f.severity == Severity::Error ? "error" : "warning"));
    return out;
}

// Scripts on disk, by file name, and what each one is there to show.
const std::map<std::string, std::vector<std::string>> kFaultyFiles = {
    {"call_missing.tvx", {"1:7: error"}},         // a #call of a missing file
    {"cancel_label_missing.tvx", {"2:9: error"}}, // a handler label that is not there
    {"conditionals.tvx", {"8:1: error", "9:1: error", "12:1: error"}}, // out of order, unknown
    {"editor_line_ends.tvx", {"2:1: warning"}},                        // mixed line ends
    {"label_last_line.tvx", {"1:8: error"}},                           // a label on the last line
    {"label_missing.tvx", {"2:6: error"}},                             // a goto to nowhere
    {"labels_first_wins.tvx", {"8:1: warning"}},                       // a label defined twice
    {"labels_indented_runs.tvx", {"4:6: error"}}, // an indented label is no label
};

TEST(CheckCorpus, ShippedScriptsFindOnlyTheFaultsTheyShow) {
    for (const char* folder : {EXAMPLES_DIR, GOLDEN_DIR}) {
        for (const auto& entry : fs::directory_iterator(folder)) {
            if (entry.path().extension() != ".tvx") continue;
            const std::string path = entry.path().string();
            const LoadedScriptFile script = ReadScriptFile(path);
            ASSERT_TRUE(script.ok) << path;
            const auto it = kFaultyFiles.find(entry.path().filename().string());
            const std::vector<std::string> expected =
                it == kFaultyFiles.end() ? std::vector<std::string>{} : it->second;
            EXPECT_EQ(FindingsOf(script.text, path, script.otherLineEndLine, ReadScriptFile),
                      expected)
                << path;
        }
    }
}

// The guide's examples that show a fault, each known by a piece of its text,
// and what it shows.
struct FaultyExample {
    std::string_view marker;
    std::vector<std::string> findings;
};
const std::vector<FaultyExample> kFaultyExamples = {
    {"#frobnicate\r\necho(done)", {"6:1: error"}},           // an unknown # word
    {"#setvars(n=cnt+1)\r\n#setvars(x=", {"1:10: warning"}}, // a new variable holding its name
    {"{abc=0}", {"1:40: warning"}},                          // a text that is no number
    {"echo({1+2)\r\necho(a}b{1})", {"1:6: error"}},          // an unclosed brace
    {"str{abc}", {"6:10: warning", "6:20: warning"}},        // str{abc}: a text, not a variable
    {"#endif\r\n#else\r\necho(going on)", {"1:1: error", "2:1: error"}},      // out of order
    {"#do\r\n#loop\r\n#loopwhile(0)\r\n#wend", {"2:1: error", "4:1: error"}}, // mismatched
    {"#goto(NoWhere)", {"2:7: error"}},                                       // a missing label
    {"#call(missing)\r\necho(going on)", {"1:7: error"}},                     // a missing script
    // The chapter on the check itself.
    {"#goto(finish)\r\n#frobnicate",
     {"4:1: error", "7:7: error", "8:1: error", "9:6: error", "10:7: error"}},
    {"label(top)\r\nlabel(top)",
     {"1:10: warning", "2:5: warning", "6:1: warning", "7:7: warning", "9:1: warning",
      "10:1: warning"}},
};

struct Block {
    int line; // of its first text line
    std::string info;
    std::string text; // lines joined by CR LF
};

std::vector<Block> ReadBlocks(const std::string& path) {
    std::ifstream in(path);
    std::vector<Block> blocks;
    std::string line;
    int number = 0;
    Block* open = nullptr;
    while (std::getline(in, line)) {
        ++number;
        if (!open && line.starts_with("```")) {
            blocks.push_back({number + 1, line.substr(3), ""});
            open = &blocks.back();
        } else if (open && line == "```") {
            open = nullptr;
        } else if (open) {
            open->text += (open->text.empty() ? "" : "\r\n") + line;
        }
    }
    return blocks;
}

TEST(CheckCorpus, GuideExamplesFindOnlyTheFaultsTheyShow) {
    std::map<std::string, std::string> files; // file= blocks for the next example
    int examples = 0;
    std::set<std::string_view> unmatched;
    for (const FaultyExample& f : kFaultyExamples)
        unmatched.insert(f.marker);
    for (const Block& b : ReadBlocks(MANUAL_PATH)) {
        if (!b.info.starts_with("tvx")) continue;
        const std::size_t file = b.info.find("file=");
        if (file != std::string::npos) {
            files["/guide/" + b.info.substr(file + 5)] = b.text;
            continue;
        }
        const auto read = [&files](const std::string& path) {
            LoadedScriptFile f;
            const auto it = files.find(path);
            f.ok = it != files.end();
            if (f.ok)
                f.text = it->second;
            else
                f.error = "No such file or directory";
            return f;
        };
        std::vector<std::string> expected;
        for (const FaultyExample& f : kFaultyExamples) {
            if (b.text.find(f.marker) == std::string::npos) continue;
            expected = f.findings;
            unmatched.erase(f.marker);
        }
        EXPECT_EQ(FindingsOf(b.text, "/guide/example.tvx", 0, read), expected)
            << "example at docs/manual.md:" << b.line - 1 << "\n"
            << b.text;
        files.clear();
        ++examples;
    }
    EXPECT_GT(examples, 50);
    EXPECT_TRUE(unmatched.empty()) << "an example listed here is gone from the guide";
}

} // namespace
} // namespace talvex
