// Script files on disk: the stored format, its header repair, plain-text
// scripts as editors write them (UTF-8, Windows-1252 or UTF-16, byte-order
// marks, any mix of line ends), long texts, how a save replaces a file (links
// followed, permissions kept, refusals), the text files #filetortf and
// #filetolog read, and the path helpers.
#include "engine/native_path.h"
#include "engine/script_file.h"
#include "engine/text_codec.h"
#include "macromath/path_syntax.h"
#include "tests/app/fake_front_end.h"
#include "tests/app/stored_format.h"
#include "tests/app/temp_folder.h"
#include "tests/quoted_text.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <initializer_list>
#include <ostream>
#include <vector>

#ifndef _WIN32
#include <unistd.h>
#endif

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

// `count` characters of script text in Windows-1252: lines of "echo(\xe9)"
// and CR LF, then `tail`.
std::string LongCp1252(std::size_t count, const std::string& tail = "") {
    std::string text;
    while (text.size() + tail.size() < count)
        text += "echo(\xe9)\r\n";
    text.resize(count - tail.size());
    return text + tail;
}

// A stored-format file whose length field says `stated`.
std::string StoredWithField(const std::string& cp1252, unsigned stated) {
    std::string bytes = StoredFormat(cp1252);
    bytes[2] = static_cast<char>(stated & 0xFF);
    bytes[3] = static_cast<char>(stated >> 8);
    return bytes;
}

// UTF-16 code units as bytes, little- or big-endian, after the byte-order mark.
std::string Utf16(bool littleEndian, std::initializer_list<unsigned> units) {
    std::string bytes = littleEndian ? "\xFF\xFE" : "\xFE\xFF";
    for (unsigned u : units) {
        const char lo = static_cast<char>(u & 0xFF), hi = static_cast<char>(u >> 8);
        bytes += littleEndian ? lo : hi;
        bytes += littleEndian ? hi : lo;
    }
    return bytes;
}

struct FileCase {
    const char* name;
    std::string bytes; // the file
    std::string text;  // what loads
    long length;       // in characters
};

void PrintTo(const FileCase& c, std::ostream* os) {
    PrintQuoted(c.bytes, os);
}

class LoadedText : public ::testing::TestWithParam<FileCase> {};

TEST_P(LoadedText, LoadsWithoutTouchingTheFileAndSavesBackTheSame) {
    const FileCase& c = GetParam();
    TempFolder dir;
    const std::string path = dir.File("plain.tvx");
    WriteBytes(path, c.bytes);
    namespace fs = std::filesystem;
    // Loading needs no write access. Given back at the end: Windows deletes
    // no read-only file, so the folder could not go.
    fs::permissions(NativePath(path),
                    fs::perms::owner_write | fs::perms::group_write | fs::perms::others_write,
                    fs::perm_options::remove);
    struct GiveBack {
        std::string path;
        ~GiveBack() {
            std::error_code ec;
            fs::permissions(NativePath(path), fs::perms::owner_write, fs::perm_options::add, ec);
        }
    } giveBack{path};
    const auto before = std::filesystem::last_write_time(NativePath(path));
    const LoadedScriptFile loaded = LoadScriptFile(path);
    ASSERT_TRUE(loaded.ok) << loaded.error;
    EXPECT_EQ(loaded.text, c.text);
    EXPECT_EQ(loaded.length, c.length);
    EXPECT_EQ(ReadBytes(path), c.bytes) << "the file is never written";
    EXPECT_EQ(std::filesystem::last_write_time(NativePath(path)), before);

    std::string error;
    ASSERT_TRUE(SaveScriptFile(dir.File("saved.tvx"), loaded.text, error)) << error;
    EXPECT_EQ(LoadScriptFile(dir.File("saved.tvx")).text, loaded.text) << "saved and loaded back";
}

const std::string kReplacement = "\xef\xbf\xbd"; // U+FFFD

INSTANTIATE_TEST_SUITE_P(
    Files, LoadedText,
    ::testing::Values(
        // A blank as second character stays (no header games on plain text).
        FileCase{"Utf8", "e echo(\xc3\xbc)\r\n", "e echo(\xc3\xbc)\r\n", 11},
        FileCase{"Windows1252", "caf\xe9 \x80\r\n", "caf\xc3\xa9 \xe2\x82\xac\r\n", 8},
        FileCase{"UnixLineEnds", "a\nb\n", "a\r\nb\r\n", 6},
        FileCase{"CrLineEnds", "a\rb", "a\r\nb", 4},
        // LF lines with one CR LF line among them: every line still ends.
        FileCase{"OneCrLfAmongLf", "one\ntwo\r\nthree\n", "one\r\ntwo\r\nthree\r\n", 17},
        FileCase{"MixedLineEnds", "a\r\nb\nc\rd\r", "a\r\nb\r\nc\r\nd\r\n", 12},
        // LF then CR is two line ends, not one written backwards.
        FileCase{"EmptyLines", "\n\r\r\n\r", "\r\n\r\n\r\n\r\n", 8},
        FileCase{"NulDropped", std::string("a\0b\r\n", 5), "ab\r\n", 4},
        FileCase{"NulBetweenCrAndLf", std::string("a\r\0\nb", 5), "a\r\nb", 4},
        FileCase{"Utf8Mark",
                 "\xef\xbb\xbf"
                 "echo(\xc3\xbc)\n",
                 "echo(\xc3\xbc)\r\n", 9},
        FileCase{"Utf8MarkThenWindows1252",
                 "\xef\xbb\xbf"
                 "caf\xe9",
                 "caf\xc3\xa9", 4},
        FileCase{"Utf8MarkTwice", "\xef\xbb\xbf\xef\xbb\xbfx", "x", 1},
        FileCase{"Utf8MarkBehindNul", std::string("\0\xef\xbb\xbfx", 5), "x", 1},
        FileCase{"Utf16Le", Utf16(true, {'e', 0xE9, '\r', '\n', 'x', '\n', 'y'}),
                 "e\xc3\xa9\r\nx\r\ny", 8},
        FileCase{"Utf16Be", Utf16(false, {'a', '\r', 0xD83D, 0xDE00, 0x20AC, 0}),
                 "a\r\n\xf0\x9f\x98\x80\xe2\x82\xac", 5},
        FileCase{"Utf16LoneSurrogates", Utf16(true, {0xDC00, 'a', 0xD83D, 'b', 0xD83D}),
                 kReplacement + "a" + kReplacement + "b" + kReplacement, 5},
        FileCase{"Utf16OddLength", Utf16(true, {'a'}) + "b", "a" + kReplacement, 2},
        FileCase{"Utf16MarkOnly", Utf16(false, {}), "", 0}, FileCase{"Empty", "", "", 0},
        // Stored texts too long for the length field load whole, header untouched,
        // whatever the field says; a lone LF in them stays a character.
        FileCase{"StoredLongFieldMatches", StoredWithField(LongCp1252(40000), 40000),
                 Cp1252ToUtf8(LongCp1252(40000)), 40000},
        FileCase{"StoredLongFieldStale", StoredWithField(LongCp1252(32767, "\n"), 13),
                 Cp1252ToUtf8(LongCp1252(32767, "\n")), 32767},
        FileCase{"StoredPast64K", StoredWithField(LongCp1252(70000, "a\rb"), 70000 & 0xFFFF),
                 Cp1252ToUtf8(LongCp1252(70000, "a\rb")), 70000}),
    [](const ::testing::TestParamInfo<FileCase>& i) { return std::string(i.param.name); });

struct DirectiveFileCase {
    const char* name;
    std::string bytes;              // the file
    std::vector<std::string> lines; // sent to the host and copied into the log
};

void PrintTo(const DirectiveFileCase& c, std::ostream* os) {
    PrintQuoted(c.bytes, os);
}

class DirectiveFile : public ::testing::TestWithParam<DirectiveFileCase> {};

TEST_P(DirectiveFile, SendsAndLogsItsLines) {
    const DirectiveFileCase& c = GetParam();
    TempFolder dir;
    WriteBytes(dir.File("notes.txt"), c.bytes);
    RunnerRig r;
    r.window.editorText = "#filetortf(notes.txt)\r\n#filetolog(notes.txt)\r\n";
    r.window.currentFile = dir.File("main.tvx");
    r.window.logTicked = true;
    r.window.logFileAnswers = {dir.File("run.log")};
    r.runner.RunScript();

    std::vector<std::string> sent;
    const std::string banner = "********** notes.txt **********\r\n";
    const std::string closing = std::string(29, '*') + "\r\n";
    std::string log = "#FileToRTF=notes.txt\r\n" + banner + closing;
    log += "#FileToLog=notes.txt\r\n" + banner;
    for (const std::string& line : c.lines) {
        sent.push_back("rtftextnl(" + line + ")");
        log += line + "\r\n";
    }
    log += closing;
    EXPECT_EQ(r.host.sent, sent);
    EXPECT_EQ(ReadBytes(dir.File("run.log")), log);
    EXPECT_EQ(ReadBytes(dir.File("notes.txt")), c.bytes) << "the file is never written";
}

INSTANTIATE_TEST_SUITE_P(
    Files, DirectiveFile,
    ::testing::Values(DirectiveFileCase{"MixedLineEnds", "a\r\nb\nc\rd", {"a", "b", "c", "d"}},
                      DirectiveFileCase{"EmptyLines", "\n\r\r\nx\r", {"", "", "", "x"}},
                      DirectiveFileCase{"Utf8Mark",
                                        "\xef\xbb\xbf"
                                        "caf\xc3\xa9\n",
                                        {"caf\xc3\xa9"}},
                      DirectiveFileCase{"Windows1252", "caf\xe9\r\n", {"caf\xc3\xa9"}},
                      DirectiveFileCase{"Utf16Le",
                                        Utf16(true, {'a', 0x20AC, '\r', '\n', 'b', '\r'}),
                                        {"a\xe2\x82\xac", "b"}},
                      DirectiveFileCase{"Utf16Be",
                                        Utf16(false, {'a', '\n', 0xD83D, 0xDE00}),
                                        {"a", "\xf0\x9f\x98\x80"}}),
    [](const ::testing::TestParamInfo<DirectiveFileCase>& i) { return std::string(i.param.name); });

// The log dialog proposes the script's name with ".log"; with no script name
// (a never-saved script, or only the folder of the most recent one), the
// default log's name in that folder: never a hidden ".log".
TEST(ScriptFile, TheLogDialogProposesANameNeverAHiddenFile) {
    TempFolder dir;
    const std::string folder = dir.File("jobs") + "/";
    struct Case {
        std::string current, folder, name; // name "" : SECONDS.log
    };
    for (const Case& c :
         {Case{dir.File("run.tvx"), dir.File(""), "run.log"}, Case{folder, folder, ""}}) {
        RunnerRig r;
        r.window.editorText = "echo(a)\r\n";
        r.window.currentFile = c.current;
        r.window.logTicked = true;
        r.window.logFileAnswers = {dir.File("chosen.log")};
        r.runner.RunScript();
        ASSERT_EQ(r.window.proposedLogFiles.size(), 1u);
        const std::string& proposed = r.window.proposedLogFiles[0];
        EXPECT_EQ(FolderOf(proposed), c.folder) << proposed;
        const std::string name = FileNameOf(proposed);
        if (!c.name.empty()) {
            EXPECT_EQ(name, c.name);
        } else {
            ASSERT_GT(name.size(), 4u) << proposed;
            EXPECT_EQ(name.substr(name.size() - 4), ".log");
            EXPECT_EQ(name.find_first_not_of("0123456789"), name.size() - 4) << proposed;
        }
    }
}

TEST(ScriptFile, NulIsDroppedFromAStoredText) {
    TempFolder dir;
    // Not "nul.tvx": Windows takes that name for its null device.
    WriteBytes(dir.File("zero.tvx"), StoredFormat(std::string("a\0b", 3)));
    const LoadedScriptFile loaded = LoadScriptFile(dir.File("zero.tvx"));
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

// A save replaces the file a name finally stands for, whole or not at all.
struct SaveCase {
    const char* name;
    // Files before the save, in a fresh folder: a name with "->" after it is
    // a symbolic link to what follows, a name ending in "/" a folder, any
    // other a file holding "old" in the stored format. "read-only.tvx" may
    // only be read; otherwise the first file has permissions no new file gets.
    std::vector<std::string> files;
    const char* saveTo;
    const char* error;   // "" saved; "*" any reason the system gives
    const char* written; // the file there before that holds the new text, "" none
    bool asRoot = true;  // whether the case holds for a user who may write anything
};

void PrintTo(const SaveCase& c, std::ostream* os) {
    *os << c.name;
}

class SavedFile : public ::testing::TestWithParam<SaveCase> {};

TEST_P(SavedFile, ReplacesWhatTheNameStandsForOrNothing) {
    namespace fs = std::filesystem;
    const SaveCase& c = GetParam();
#ifndef _WIN32
    if (!c.asRoot && ::geteuid() == 0) GTEST_SKIP() << "root may write a read-only file";
#endif
    TempFolder dir;
    std::vector<std::string> links, regular;
    for (const std::string& f : c.files) {
        const auto arrow = f.find("->");
        if (arrow != std::string::npos) {
            const std::string link = dir.File(f.substr(0, arrow));
            std::error_code ec;
            fs::create_symlink(NativePath(f.substr(arrow + 2)), NativePath(link), ec);
            if (ec) GTEST_SKIP() << "no symbolic links here: " << ec.message();
            links.push_back(link);
        } else if (f.back() == '/') {
            fs::create_directory(NativePath(dir.File(f)));
        } else {
            WriteBytes(dir.File(f), StoredFormat("old"));
            regular.push_back(dir.File(f));
        }
    }
    const std::string readOnly = dir.File("read-only.tvx");
    // Given back at the end: Windows deletes no read-only file.
    struct GiveBack {
        std::string path;
        ~GiveBack() {
            std::error_code ec;
            fs::permissions(NativePath(path), fs::perms::owner_write, fs::perm_options::add, ec);
        }
    } giveBack{readOnly};
    if (fs::exists(NativePath(readOnly)))
        fs::permissions(NativePath(readOnly), fs::perms::owner_read, fs::perm_options::replace);
    else if (!regular.empty())
        // Not what a new file gets: the save must keep it.
        fs::permissions(NativePath(regular.front()),
                        fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read,
                        fs::perm_options::replace);
    std::vector<fs::perms> modes;
    for (const std::string& f : regular)
        modes.push_back(fs::status(NativePath(f)).permissions());

    std::string error;
    const bool saved = SaveScriptFile(dir.File(c.saveTo), "old and new", error);

    EXPECT_EQ(saved, std::string(c.error).empty()) << error;
    if (std::string(c.error) == "*")
        EXPECT_FALSE(error.empty());
    else
        EXPECT_EQ(error, saved ? "" : c.error);
    for (std::size_t i = 0; i < regular.size(); ++i) {
        const bool isWritten = regular[i] == dir.File(c.written);
        EXPECT_EQ(ReadBytes(regular[i]), StoredFormat(isWritten ? "old and new" : "old"))
            << regular[i];
        EXPECT_EQ(fs::status(NativePath(regular[i])).permissions(), modes[i]) << regular[i];
    }
    if (saved) {
        EXPECT_EQ(ReadBytes(dir.File(c.saveTo)), StoredFormat("old and new"));
        if (!*c.written) {
            // A new file gets the permissions any new file gets.
            WriteBytes(dir.File("reference"), "");
            EXPECT_EQ(fs::status(NativePath(dir.File(c.saveTo))).permissions(),
                      fs::status(NativePath(dir.File("reference"))).permissions());
        }
    }
    for (const std::string& link : links)
        EXPECT_TRUE(fs::is_symlink(fs::symlink_status(NativePath(link))))
            << link << " stays a link";
    for (const auto& entry : fs::directory_iterator(NativePath(dir.Path())))
        EXPECT_EQ(Utf8Name(entry.path().filename()).find(".tvx-save"), std::string::npos)
            << "left behind: " << Utf8Name(entry.path());
}

INSTANTIATE_TEST_SUITE_P(
    Saves, SavedFile,
    ::testing::Values(
        SaveCase{"ExistingFileKeepsItsMode", {"run.tvx"}, "run.tvx", "", "run.tvx"},
        SaveCase{"NewFile", {}, "new.tvx", "", ""},
        SaveCase{"LinkIsFollowed", {"real.tvx", "link.tvx->real.tvx"}, "link.tvx", "", "real.tvx"},
        SaveCase{"ChainOfLinks",
                 {"real.tvx", "one.tvx->real.tvx", "two.tvx->one.tvx"},
                 "two.tvx",
                 "",
                 "real.tvx"},
        SaveCase{"LinkOutOfAFolder",
                 {"sub/", "real.tvx", "sub/link.tvx->../real.tvx"},
                 "sub/link.tvx",
                 "",
                 "real.tvx"},
        SaveCase{"LinkIntoAFolder",
                 {"sub/", "sub/real.tvx", "link.tvx->sub/real.tvx"},
                 "link.tvx",
                 "",
                 "sub/real.tvx"},
        SaveCase{"LinkToNothingMakesItsTarget", {"link.tvx->made.tvx"}, "link.tvx", "", ""},
        SaveCase{"LoopOfLinks", {"a.tvx->b.tvx", "b.tvx->a.tvx"}, "a.tvx", "*", ""},
        SaveCase{"ReadOnlyFileRefused",
                 {"read-only.tvx"},
                 "read-only.tvx",
                 "Permission denied",
                 "",
                 false},
        SaveCase{"LinkToAReadOnlyFileRefused",
                 {"read-only.tvx", "link.tvx->read-only.tvx"},
                 "link.tvx",
                 "Permission denied",
                 "",
                 false},
        SaveCase{"FolderRefused", {"jobs.tvx/"}, "jobs.tvx", "Not a regular file", ""},
        SaveCase{"MissingFolder", {}, "no-such-folder/job.tvx", "*", ""}),
    [](const ::testing::TestParamInfo<SaveCase>& i) { return std::string(i.param.name); });

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
                      PathCase{"/run.tvx", "run.tvx", "/", "run", "/"},
                      PathCase{"a\\b/run.tvx", "run.tvx", "a\\b/", "run", "a\\b"},
                      PathCase{"", "", "", "", ""}),
    [](const ::testing::TestParamInfo<PathCase>& i) { return "Path" + std::to_string(i.index); });

// Drives and "\" separate on Windows only; elsewhere they are part of a name.
const std::vector<PathCase> kWindowsPathCases = {
    {"C:\\a\\b\\run.tvx", "run.tvx", "C:\\a\\b\\", "run", "C:\\a\\b"},
    {"C:\\run.tvx", "run.tvx", "C:\\", "run", "C:"},
    {"c:/a/run.v2.tvx", "run.v2.tvx", "c:/a/", "run", "c:/a"},
    {"C:run.tvx", "run.tvx", "C:", "run", "C:"},
    {"\\\\server\\share\\run.tvx", "run.tvx", "\\\\server\\share\\", "run", "\\\\server\\share"},
    {"\\run.tvx", "run.tvx", "\\", "run", "\\"},
    {"C:\\jobs\\", "", "C:\\jobs\\", "", "C:\\jobs"},
};
const std::vector<PathCase> kPosixPathCases = {
    {"C:\\a\\b\\run.tvx", "C:\\a\\b\\run.tvx", "", "C:\\a\\b\\run", ""},
    {"C:\\run.tvx", "C:\\run.tvx", "", "C:\\run", ""},
    {"c:/a/run.v2.tvx", "run.v2.tvx", "c:/a/", "run", "c:/a"},
    {"C:run.tvx", "C:run.tvx", "", "C:run", ""},
    {"\\\\server\\share\\run.tvx", "\\\\server\\share\\run.tvx", "", "\\\\server\\share\\run", ""},
    {"\\run.tvx", "\\run.tvx", "", "\\run", ""},
    {"C:\\jobs\\", "C:\\jobs\\", "", "C:\\jobs\\", ""},
};
INSTANTIATE_TEST_SUITE_P(PlatformPaths, PathHelpers,
                         ::testing::ValuesIn(kWindowsPaths ? kWindowsPathCases : kPosixPathCases),
                         [](const ::testing::TestParamInfo<PathCase>& i) {
                             return "Path" + std::to_string(i.index);
                         });

struct ResolveCase {
    const char* base;
    const char* name;
    const char* posix;   // what a name resolves to on Linux
    const char* windows; // and on Windows
};

void PrintTo(const ResolveCase& c, std::ostream* os) {
    PrintQuoted(c.base, os);
    *os << " + ";
    PrintQuoted(c.name, os);
}

class ResolvedPath : public ::testing::TestWithParam<ResolveCase> {};

TEST_P(ResolvedPath, JoinsOnlyNamesThatAreNotAbsolute) {
    const ResolveCase& c = GetParam();
    EXPECT_EQ(ResolvePath(c.base, c.name), kWindowsPaths ? c.windows : c.posix);
}

INSTANTIATE_TEST_SUITE_P(
    Names, ResolvedPath,
    ::testing::Values(ResolveCase{"/jobs/", "sub.tvx", "/jobs/sub.tvx", "/jobs/sub.tvx"},
                      ResolveCase{"/jobs", "sub.tvx", "/jobs/sub.tvx", "/jobs/sub.tvx"},
                      ResolveCase{"jobs", "sub.tvx", "jobs/sub.tvx", "jobs\\sub.tvx"},
                      ResolveCase{"C:\\jobs", "sub.tvx", "C:\\jobs/sub.tvx", "C:\\jobs\\sub.tvx"},
                      ResolveCase{"/jobs/", "/abs/sub.tvx", "/abs/sub.tvx", "/abs/sub.tvx"},
                      ResolveCase{"", "sub.tvx", "sub.tvx", "sub.tvx"},
                      ResolveCase{"/jobs/", "", "", ""},
                      ResolveCase{"C:\\jobs\\", "sub.tvx", "C:\\jobs\\/sub.tvx",
                                  "C:\\jobs\\sub.tvx"},
                      ResolveCase{"C:\\jobs\\", "D:\\x.tvx", "C:\\jobs\\/D:\\x.tvx", "D:\\x.tvx"},
                      ResolveCase{"C:\\jobs\\", "d:/x.tvx", "C:\\jobs\\/d:/x.tvx", "d:/x.tvx"},
                      ResolveCase{"C:\\jobs\\", "\\\\srv\\s\\x.tvx", "C:\\jobs\\/\\\\srv\\s\\x.tvx",
                                  "\\\\srv\\s\\x.tvx"},
                      ResolveCase{"C:\\jobs\\", "\\x.tvx", "C:\\jobs\\/\\x.tvx", "\\x.tvx"},
                      ResolveCase{"C:", "x.tvx", "C:/x.tvx", "C:x.tvx"}),
    [](const ::testing::TestParamInfo<ResolveCase>& i) {
        return "Name" + std::to_string(i.index);
    });

} // namespace
} // namespace talvex::testing
