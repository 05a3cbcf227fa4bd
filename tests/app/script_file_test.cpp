// Script files on disk: the stored format, its header repair, plain-text
// scripts in UTF-8 or Windows-1252, Unix line ends, long texts, and the path
// helpers.
#include "engine/script_file.h"
#include "tests/app/stored_format.h"
#include "tests/app/temp_folder.h"
#include "tests/quoted_text.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <ostream>
#include <sys/stat.h>

namespace talvex::testing {
namespace {

TEST(ScriptFile, SaveWritesTheStoredFormatAndLoadReadsItBack) {
    TempFolder dir;
    const std::string path = dir.File("run.tvx");
    const std::string text = "echo(caf\xc3\xa9 \xe2\x82\xac)\r\nx";
    std::string error;
    ASSERT_TRUE(SaveScriptFile(path, text, error)) << error;
    EXPECT_EQ(ReadBytes(path), StoredFormat("echo(caf\xe9 \x80)\r\nx"));
    const LoadedScriptFile loaded = LoadScriptFile(path);
    ASSERT_TRUE(loaded.ok);
    EXPECT_EQ(loaded.text, text);
    EXPECT_EQ(loaded.length, 15);
}

TEST(ScriptFile, AWrongLengthFieldIsRepairedOnDisk) {
    TempFolder dir;
    const std::string path = dir.File("edited.tvx");
    std::string bytes = StoredFormat("echo(hello)\r\n");
    bytes[2] = 5; // another editor changed the text after the header was written
    WriteBytes(path, bytes);
    const LoadedScriptFile loaded = LoadScriptFile(path);
    ASSERT_TRUE(loaded.ok);
    EXPECT_EQ(loaded.text, "echo(hello)\r\n");
    EXPECT_EQ(loaded.length, 13);
    EXPECT_EQ(ReadBytes(path), StoredFormat("echo(hello)\r\n"));
}

struct PlainCase {
    const char* name;
    std::string bytes; // the file
    std::string text;  // what loads
    long length;       // in characters
};

void PrintTo(const PlainCase& c, std::ostream* os) {
    PrintQuoted(c.bytes, os);
}

class PlainText : public ::testing::TestWithParam<PlainCase> {};

TEST_P(PlainText, LoadsWithoutTouchingTheFile) {
    const PlainCase& c = GetParam();
    TempFolder dir;
    const std::string path = dir.File("plain.tvx");
    WriteBytes(path, c.bytes);
    ::chmod(path.c_str(), 0444); // loading needs no write access
    const auto before = std::filesystem::last_write_time(path);
    const LoadedScriptFile loaded = LoadScriptFile(path);
    ASSERT_TRUE(loaded.ok) << loaded.error;
    EXPECT_EQ(loaded.text, c.text);
    EXPECT_EQ(loaded.length, c.length);
    EXPECT_EQ(ReadBytes(path), c.bytes) << "the file is never written";
    EXPECT_EQ(std::filesystem::last_write_time(path), before);
}

INSTANTIATE_TEST_SUITE_P(
    Files, PlainText,
    ::testing::Values(
        // A blank as second character stays (no header games on plain text).
        PlainCase{"Utf8", "e echo(\xc3\xbc)\r\n", "e echo(\xc3\xbc)\r\n", 11},
        PlainCase{"Windows1252", "caf\xe9 \x80\r\n", "caf\xc3\xa9 \xe2\x82\xac\r\n", 8},
        PlainCase{"UnixLineEnds", "a\nb\n", "a\r\nb\r\n", 6},
        // Once a CR LF is there, a lone LF is an ordinary character.
        PlainCase{"MixedLineEnds", "a\r\nb\nc", "a\r\nb\nc", 6},
        PlainCase{"NulDropped", std::string("a\0b\r\n", 5), "ab\r\n", 4},
        PlainCase{"Empty", "", "", 0}),
    [](const ::testing::TestParamInfo<PlainCase>& i) { return std::string(i.param.name); });

TEST(ScriptFile, NulIsDroppedFromAStoredText) {
    TempFolder dir;
    WriteBytes(dir.File("nul.tvx"), StoredFormat(std::string("a\0b", 3)));
    const LoadedScriptFile loaded = LoadScriptFile(dir.File("nul.tvx"));
    EXPECT_EQ(loaded.text, "ab");
    EXPECT_EQ(loaded.length, 2);
}

TEST(ScriptFile, TextsTheStoredFormatCannotHoldAreSavedAsPlainUtf8) {
    TempFolder dir;
    std::string error;
    const std::string atLimit(32766, 'a');
    ASSERT_TRUE(SaveScriptFile(dir.File("limit.tvx"), atLimit, error));
    EXPECT_EQ(ReadBytes(dir.File("limit.tvx")), StoredFormat(atLimit));

    const std::string overLimit(32767, 'a');
    const std::string arrow = "go \xe2\x86\x92 there\r\n"; // no place in Windows-1252
    for (const std::string& text : {overLimit, arrow}) {
        const std::string path = dir.File("plain.tvx");
        ASSERT_TRUE(SaveScriptFile(path, text, error)) << error;
        EXPECT_EQ(ReadBytes(path), text);
        const LoadedScriptFile loaded = LoadScriptFile(path);
        EXPECT_EQ(loaded.text, text);
    }
    EXPECT_EQ(LoadScriptFile(dir.File("plain.tvx")).length,
              12); // g o blank arrow blank t h e r e CR LF
}

TEST(ScriptFile, AMissingFileIsReportedAndNotCreated) {
    TempFolder dir;
    const LoadedScriptFile loaded = LoadScriptFile(dir.File("missing.tvx"));
    EXPECT_FALSE(loaded.ok);
    EXPECT_FALSE(loaded.error.empty());
    EXPECT_EQ(loaded.text, "");
    EXPECT_FALSE(std::filesystem::exists(dir.File("missing.tvx")));
}

struct PathCase {
    const char* path;
    const char* fileName;
    const char* folder;
    const char* baseName;
    const char* directory;
};

void PrintTo(const PathCase& c, std::ostream* os) {
    PrintQuoted(c.path, os);
}

class PathHelpers : public ::testing::TestWithParam<PathCase> {};

TEST_P(PathHelpers, SplitThePath) {
    const PathCase& c = GetParam();
    EXPECT_EQ(FileNameOf(c.path), c.fileName);
    EXPECT_EQ(FolderOf(c.path), c.folder);
    EXPECT_EQ(BaseNameOf(c.path), c.baseName);
    EXPECT_EQ(DirectoryOf(c.path), c.directory);
}

INSTANTIATE_TEST_SUITE_P(
    Paths, PathHelpers,
    ::testing::Values(PathCase{"/a/b/run.tvx", "run.tvx", "/a/b/", "run", "/a/b"},
                      PathCase{"run.tvx", "run.tvx", "", "run", ""},
                      PathCase{"/a/run.v2.tvx", "run.v2.tvx", "/a/", "run", "/a"},
                      PathCase{"archive.old.tvx", "archive.old.tvx", "", "archive", ""},
                      PathCase{"/jobs/", "", "/jobs/", "", "/jobs"},
                      PathCase{"/my.dir/run.tvx", "run.tvx", "/my.dir/", "run", "/my.dir"},
                      PathCase{"jobs/sub/", "", "jobs/sub/", "", "jobs/sub"},
                      PathCase{"", "", "", "", ""}),
    [](const ::testing::TestParamInfo<PathCase>& i) { return "Path" + std::to_string(i.index); });

} // namespace
} // namespace talvex::testing
