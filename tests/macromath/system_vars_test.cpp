// The system variables of a run and the script-file variables.
#include "macromath/path_syntax.h"
#include "macromath/variable_store.h"
#include "tests/macromath/store_contents.h"
#include "tests/macromath/test_environment.h"
#include "tests/quoted_text.h"

#include <gtest/gtest.h>

#include <ostream>
#include <string>
#include <vector>

namespace talvex {
namespace {

using testing::FixedEnvironment;
using testing::StoreContents;
using Pairs = testing::StorePairs;

struct ScriptCase {
    std::string path;
    std::string folder, name, root, whole;
};

void PrintTo(const ScriptCase& c, std::ostream* os) {
    testing::PrintQuoted(c.path, os);
}

class SetScriptVarsTest : public ::testing::TestWithParam<ScriptCase> {};

TEST_P(SetScriptVarsTest, SplitsThePath) {
    const ScriptCase& c = GetParam();
    VariableStore store(FixedEnvironment());
    store.SetScriptVars(c.path);
    EXPECT_EQ(StoreContents(store), (Pairs{{"@ScriptPath", c.folder},
                                           {"@ScriptName", c.name},
                                           {"@ScriptRoot", c.root},
                                           {"@ScriptWholeName", c.whole}}));
}

INSTANTIATE_TEST_SUITE_P(
    Paths, SetScriptVarsTest,
    ::testing::Values(
        ScriptCase{"/home/u/jobs/run1.tvx", "'/home/u/jobs/'", "'run1.tvx'", "'run1'",
                   "'/home/u/jobs/run1.tvx'"},
        ScriptCase{"", "''", "'unnamed.tvx'", "'unnamed'", "''"},
        ScriptCase{"run.TVX", "''", "'run.TVX'", "'run'", "'run.TVX'"},
        ScriptCase{"/a/b/", "'/a/b/'", "'unnamed.tvx'", "'unnamed'", "'/a/b/'"},
        ScriptCase{"/", "'/'", "'unnamed.tvx'", "'unnamed'", "'/'"},
        ScriptCase{"/x/a.tvx.bak", "'/x/'", "'a.tvx.bak'", "'a'", "'/x/a.tvx.bak'"},
        ScriptCase{"/x/my.Tvx.tvx", "'/x/'", "'my.Tvx.tvx'", "'my'", "'/x/my.Tvx.tvx'"},
        ScriptCase{"/x/notes.txt", "'/x/'", "'notes.txt'", "'notes.txt'", "'/x/notes.txt'"},
        // A path is kept as it stands: no error-bar split, no self-reference text.
        ScriptCase{"/data/5\xC2\xB1"
                   "1.tvx",
                   "'/data/'",
                   "'5\xC2\xB1"
                   "1.tvx'",
                   "'5\xC2\xB1"
                   "1'",
                   "'/data/5\xC2\xB1"
                   "1.tvx'"},
        ScriptCase{"/tmp/@ScriptPath/run.tvx", "'/tmp/@ScriptPath/'", "'run.tvx'", "'run'",
                   "'/tmp/@ScriptPath/run.tvx'"}));

// Drives and "\\" separate on Windows only; elsewhere they are part of the name.
const std::vector<ScriptCase> kWindowsScriptCases = {
    {"C:\\jobs\\run1.tvx", "'C:\\jobs\\'", "'run1.tvx'", "'run1'", "'C:\\jobs\\run1.tvx'"},
    {"d:/jobs\\x.tvx", "'d:/jobs\\'", "'x.tvx'", "'x'", "'d:/jobs\\x.tvx'"},
    {"C:run.tvx", "'C:'", "'run.tvx'", "'run'", "'C:run.tvx'"},
};
const std::vector<ScriptCase> kPosixScriptCases = {
    {"C:\\jobs\\run1.tvx", "''", "'C:\\jobs\\run1.tvx'", "'C:\\jobs\\run1'",
     "'C:\\jobs\\run1.tvx'"},
    {"d:/jobs\\x.tvx", "'d:/'", "'jobs\\x.tvx'", "'jobs\\x'", "'d:/jobs\\x.tvx'"},
    {"C:run.tvx", "''", "'C:run.tvx'", "'C:run'", "'C:run.tvx'"},
};
INSTANTIATE_TEST_SUITE_P(PlatformPaths, SetScriptVarsTest,
                         ::testing::ValuesIn(kWindowsPaths ? kWindowsScriptCases
                                                           : kPosixScriptCases));

TEST(SetScriptVars, UpdatesTheVariablesInPlace) {
    VariableStore store(FixedEnvironment());
    store.RunScriptFile = "/jobs/main.tvx";
    store.InitSystemVars();
    store.SetVar("user", "1");
    store.SetScriptVars("/jobs/sub/called.tvx");
    EXPECT_EQ(store.VarCount(), 12);
    EXPECT_EQ(*store.Find("@scriptpath"), "'/jobs/sub/'");
    EXPECT_EQ(*store.Find("@ScriptRoot"), "'called'");
    EXPECT_EQ(store.Entries()[3].Name, "@ScriptPath");
    EXPECT_EQ(store.Entries()[6].Value, "'/jobs/sub/called.tvx'");
}

TEST(InitSystemVars, CreatesTheRunVariablesInOrder) {
    VariableStore store(FixedEnvironment());
    store.SetVar("leftover", "1");
    store.SetVar("@old", "2");
    store.RunScriptFile = "/home/u/jobs/run1.tvx";
    store.InitSystemVars();
    EXPECT_EQ(StoreContents(store), (Pairs{{"@DateStart", "'2026_12_07'"},
                                           {"@TimeStart", "'09_25_23'"},
                                           {"@NowStart", "'26_12_07_09_25_23'"},
                                           {"@ScriptPath", "'/home/u/jobs/'"},
                                           {"@ScriptName", "'run1.tvx'"},
                                           {"@ScriptRoot", "'run1'"},
                                           {"@ScriptWholeName", "'/home/u/jobs/run1.tvx'"},
                                           {"@Version", "1.0000"},
                                           {"@KorvaPath", "'/opt/korva32/'"},
                                           {"@LastCommand", "''"},
                                           {"@LastResponse", "''"}}));
    // The system variables substitute like any other.
    EXPECT_EQ(store.SubstituteVars("v=@Version in @ScriptRoot"), "v=1.0000 in 'run1'");
}

TEST(InitSystemVars, WithoutScriptOrHostFolder) {
    Environment env = FixedEnvironment();
    env.hostDir = [] { return std::string(); };
    VariableStore store(env);
    store.InitSystemVars();
    EXPECT_EQ(*store.Find("@ScriptName"), "'unnamed.tvx'");
    EXPECT_EQ(*store.Find("@ScriptWholeName"), "''");
    EXPECT_EQ(*store.Find("@KorvaPath"), "''");
    EXPECT_EQ(store.VarCount(), 11);
}

TEST(InitSystemVars, ReadsTheClockForEachStartVariable) {
    // The clock passes midnight between the first and the second reading.
    int reads = 0;
    Environment env = FixedEnvironment();
    env.now = [&reads] {
        LocalTime t;
        if (reads++ == 0) {
            t = LocalTime{2026, 12, 7, 23, 59, 59};
        } else {
            t = LocalTime{2026, 12, 8, 0, 0, 0};
        }
        return t;
    };
    VariableStore store(env);
    store.InitSystemVars();
    EXPECT_EQ(*store.Find("@DateStart"), "'2026_12_07'");
    EXPECT_EQ(*store.Find("@TimeStart"), "'00_00_00'");
    EXPECT_EQ(*store.Find("@NowStart"), "'26_12_08_00_00_00'");
}

struct VersionCase {
    ProgramVersion version;
    char separator;
    std::string expected;
};

void PrintTo(const VersionCase& c, std::ostream* os) {
    *os << c.version.major << "." << c.version.minor << "." << c.version.revision << " sep '"
        << c.separator << "'";
}

class VersionTest : public ::testing::TestWithParam<VersionCase> {};

TEST_P(VersionTest, FourDecimals) {
    Environment env = FixedEnvironment(GetParam().separator);
    env.version = GetParam().version;
    VariableStore store(env);
    store.InitSystemVars();
    ASSERT_NE(store.Find("@Version"), nullptr);
    EXPECT_EQ(*store.Find("@Version"), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(Versions, VersionTest,
                         ::testing::Values(VersionCase{{1, 0, 0}, '.', "1.0000"},
                                           VersionCase{{1, 20, 5}, '.', "1.2005"},
                                           VersionCase{{1, 20, 5}, ',', "1,2005"},
                                           VersionCase{{2, 3, 0}, '.', "2.0300"},
                                           VersionCase{{0, 0, 7}, '.', "0.0007"},
                                           VersionCase{{3, 99, 99}, '.', "3.9999"},
                                           VersionCase{{10, 1, 10}, '.', "10.0110"}));

} // namespace
} // namespace talvex
