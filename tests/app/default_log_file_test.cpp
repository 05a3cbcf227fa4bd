// The log a run starts with is named after the second of the year it starts
// in, in the folder the runner chooses for it.
#include "app/default_log_folder.h"
#include "engine/native_path.h"
#include "tests/app/fake_front_end.h"
#include "tests/app/temp_folder.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#ifdef __linux__
#include <sys/stat.h>
#endif

namespace talvex::testing {
namespace {

struct Moment {
    LocalTime time;
    const char* folder;
    const char* file;
};

const Moment kMoments[] = {
    {{2026, 1, 1, 0, 0, 0}, "/logs", "/logs/0.log"},
    {{2026, 1, 1, 0, 0, 59}, "/logs/", "/logs/59.log"},
    {{2026, 2, 1, 1, 0, 0}, "", "2682000.log"},            // 31 days and an hour
    {{2026, 3, 1, 0, 0, 0}, "/l", "/l/5097600.log"},       // 59 days: no 29 February
    {{2024, 3, 1, 0, 0, 0}, "/l", "/l/5184000.log"},       // 60 days in a leap year
    {{2000, 3, 1, 0, 0, 0}, "/l", "/l/5184000.log"},       // divisible by 400: a leap year
    {{2100, 3, 1, 0, 0, 0}, "/l", "/l/5097600.log"},       // divisible by 100 only: not one
    {{2026, 12, 31, 23, 59, 59}, "/l", "/l/31535999.log"}, // the year's last second
    {{2024, 12, 31, 23, 59, 59}, "/l", "/l/31622399.log"},
};

TEST(DefaultLogFile, IsTheSecondOfTheYearInTheLogFolder) {
    for (const Moment& m : kMoments) {
        Environment env;
        env.now = [&m] { return m.time; };
        RunnerRig r(RunnerSettings{m.folder}, env);
        EXPECT_EQ(r.runner.DefaultLogFile(), m.file)
            << m.time.year << "-" << m.time.month << "-" << m.time.day;
    }
}

// Sets an environment variable for the test's time, or removes it.
class ScopedVariable {
public:
    ScopedVariable(const char* name, std::optional<std::string> value) : name_(name) {
        if (const char* old = std::getenv(name)) old_ = old;
        Put(value);
    }
    ~ScopedVariable() { Put(old_); }

private:
    void Put(const std::optional<std::string>& value) {
#ifdef _WIN32
        // The wide environment is the one the runner reads.
        const std::wstring name(name_.begin(), name_.end());
        _wputenv_s(name.c_str(), value ? NativePath(*value).c_str() : L"");
#else
        if (value)
            ::setenv(name_.c_str(), value->c_str(), 1);
        else
            ::unsetenv(name_.c_str());
#endif
    }

    std::string name_;
    std::optional<std::string> old_;
};

TEST(DefaultLogFolder, TheChosenFolderThenTheProgramsThenTheUsersData) {
#ifdef _WIN32
    const char* const dataVariable = "LOCALAPPDATA";
    const std::string sep = "\\";
#else
    const char* const dataVariable = "XDG_DATA_HOME";
    const std::string sep = "/";
#endif
    TempFolder box;
    const std::string program = box.File("program");
    std::filesystem::create_directory(NativePath(program));
    const std::string chosen = box.File("chosen/logs"); // made when missing
    const std::string data = box.File("data");
    struct Case {
        std::optional<std::string> chosen;
        std::string programFolder;
        std::string expected;
    };
    const Case cases[] = {
        {chosen, program, chosen},
        {std::nullopt, program, program},
        // A program folder that cannot take files sends the logs to the user's data.
        {std::nullopt, box.File("missing"), data + sep + "Talvex"},
    };
    for (const Case& c : cases) {
        ScopedVariable choice("TALVEX_LOG_FOLDER", c.chosen);
        ScopedVariable dataHome(dataVariable, data);
        EXPECT_EQ(DefaultLogFolder(c.programFolder), c.expected) << c.programFolder;
        EXPECT_TRUE(std::filesystem::is_directory(NativePath(c.expected))) << c.expected;
    }
}

// What a script logs all the same (#logscript) goes to the default log: its
// folder is made when it is missing at that moment, and when it cannot be
// made, that is the reason given, not "no such file".
TEST(DefaultLogFile, ItsFolderIsMadeWhenMissingOrTheReasonIsTold) {
    TempFolder box;
    struct Case {
        std::string folder;
        std::string reason; // "" when the log is written
    };
    std::vector<Case> cases = {{box.File("removed/logs"), ""}};
#ifdef __linux__
    // sysfs takes no new folders (EPERM, or EROFS where it is mounted read-only).
    const std::string refused = "/sys/talvex-no-logs";
    if (::mkdir(refused.c_str(), 0755) != 0 && errno != ENOENT && errno != EEXIST)
        cases.push_back({refused, std::strerror(errno)});
#endif
    for (const Case& c : cases) {
        RunnerRig r(RunnerSettings{c.folder});
        r.window.editorText = "#logscript\r\necho(x)\r\n";
        r.runner.RunScript();
        const std::string log = r.runner.LogFile();
        ASSERT_EQ(log.rfind(c.folder, 0), 0u) << log;
        if (c.reason.empty()) {
            EXPECT_EQ(r.window.pane.Text(), "#logscript\r\nx\r\n");
            EXPECT_NE(ReadBytes(log).find("#logscript\r\necho(x)\r\n"), std::string::npos);
        } else {
            EXPECT_EQ(r.window.pane.Text(), "#logscript\r\nUnable to write logfile:" + log + " (" +
                                                c.reason + ")\r\nx\r\n");
        }
    }
}

} // namespace
} // namespace talvex::testing
