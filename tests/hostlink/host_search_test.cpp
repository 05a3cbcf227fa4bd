// Finding the host: KORVA32, own folder, parent, the usual places, PATH; and
// the socket path.
#include "hostlink/host_link.h"
#include "hostlink/host_search.h"
#include "hostlink/socket_path.h"
#include "tests/hostlink/test_support.h"

#include <QDir>

#include <gtest/gtest.h>

#include <ostream>
#include <string>
#include <vector>

namespace talvex {
namespace {

using test::TempDir;
using test::WriteFile;

// Candidate places, relative to a scratch folder laid out as
//   env/host           what KORVA32 names
//   app/bin/korva32    own folder
//   app/korva32        parent
//   fx1/korva32, fx2/korva32   the usual places
//   p1/korva32, p2/korva32     PATH entries
enum Place { kEnv, kOwn, kParent, kFixed1, kFixed2, kPath1, kPath2 };
const char* const kRelative[] = {"env/host",    "app/bin/korva32", "app/korva32", "fx1/korva32",
                                 "fx2/korva32", "p1/korva32",      "p2/korva32"};

enum class Kind { Executable, NotExecutable, Empty, Folder };

struct SearchCase {
    const char* name;
    std::vector<std::pair<Place, Kind>> files;
    int expected; // a Place, or -1 for none
};

void PrintTo(const SearchCase& c, std::ostream* os) {
    for (std::size_t i = 0; i < c.files.size(); ++i) {
        const auto& [place, kind] = c.files[i];
        *os << (i == 0 ? "" : ", ") << kRelative[place];
        switch (kind) {
        case Kind::Executable:
            break;
        case Kind::NotExecutable:
            *os << " (not executable)";
            break;
        case Kind::Empty:
            *os << " (empty)";
            break;
        case Kind::Folder:
            *os << " (folder)";
            break;
        }
    }
    *os << " -> " << (c.expected < 0 ? "none" : kRelative[c.expected]);
}

class HostSearchTest : public ::testing::TestWithParam<SearchCase> {};

TEST_P(HostSearchTest, FindsTheFirstUsableHostInOrder) {
    const SearchCase& c = GetParam();
    TempDir dir;
    for (const char* sub : {"env", "app/bin", "fx1", "fx2", "p1", "p2"})
        ASSERT_TRUE(QDir().mkpath(dir.File(QString::fromLatin1(sub))));
    for (const auto& [place, kind] : c.files) {
        const QString path = dir.File(QString::fromLatin1(kRelative[place]));
        switch (kind) {
        case Kind::Executable:
            WriteFile(path, "#!/bin/sh\n", 0755);
            break;
        case Kind::NotExecutable:
            WriteFile(path, "#!/bin/sh\n", 0644);
            break;
        case Kind::Empty:
            WriteFile(path, "", 0755);
            break;
        case Kind::Folder:
            QDir().mkpath(path);
            break;
        }
    }
    HostSearch search;
    search.envKorva32 = dir.File(QStringLiteral("env/host"));
    search.ownFolder = dir.File(QStringLiteral("app/bin"));
    search.fixed = {dir.File(QStringLiteral("fx1/korva32")),
                    dir.File(QStringLiteral("fx2/korva32"))};
    search.pathVar =
        dir.File(QStringLiteral("p1")) + QStringLiteral("::") + dir.File(QStringLiteral("p2"));

    HostLink link;
    std::vector<QString> messages;
    link.SetHostSearch(search);
    link.SetMessageHandler(
        [&](LinkMessageIcon, const QString&, const QString& text) { messages.push_back(text); });

    const QString found = link.TARNPath();
    if (c.expected < 0) {
        EXPECT_EQ(found, QString());
        // The reason line names the KORVA32 file and why it does not count.
        EXPECT_EQ(messages, std::vector<QString>{
                                QStringLiteral("Could not find KORVA32\n") + search.envKorva32 +
                                QStringLiteral(": no such file; no executable korva32 beside the "
                                               "program, in the usual places or on PATH")});
    } else {
        EXPECT_EQ(found, dir.File(QString::fromLatin1(kRelative[c.expected])));
        EXPECT_TRUE(messages.empty());
    }
}

const auto kExe = Kind::Executable;

INSTANTIATE_TEST_SUITE_P(
    Order, HostSearchTest,
    ::testing::Values(
        SearchCase{"env_first", {{kEnv, kExe}, {kOwn, kExe}, {kParent, kExe}}, kEnv},
        SearchCase{"env_not_executable", {{kEnv, Kind::NotExecutable}, {kOwn, kExe}}, kOwn},
        SearchCase{"own_before_parent", {{kOwn, kExe}, {kParent, kExe}, {kFixed1, kExe}}, kOwn},
        SearchCase{"parent_next", {{kParent, kExe}, {kFixed1, kExe}}, kParent},
        SearchCase{"fixed_in_order", {{kFixed2, kExe}, {kPath1, kExe}}, kFixed2},
        SearchCase{"fixed_first", {{kFixed1, kExe}, {kFixed2, kExe}}, kFixed1},
        SearchCase{"path_last", {{kPath2, kExe}}, kPath2},
        SearchCase{"path_in_order", {{kPath1, kExe}, {kPath2, kExe}}, kPath1},
        SearchCase{"empty_file_skipped", {{kOwn, Kind::Empty}, {kParent, kExe}}, kParent},
        SearchCase{"folder_skipped", {{kOwn, Kind::Folder}, {kFixed1, kExe}}, kFixed1},
        SearchCase{
            "not_executable_skipped", {{kParent, Kind::NotExecutable}, {kPath1, kExe}}, kPath1},
        SearchCase{"nothing", {{kOwn, Kind::NotExecutable}}, -1}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(SocketPath, EnvironmentOverridesRuntimeFolderOverridesAPrivateFolderInTemp) {
    struct Case {
        const char *korvaSocket, *runtime, *temp, *path, *privateFolder;
    };
    const Case cases[] = {
        {"/x/sock", "/run/user/0", "/tmp", "/x/sock", ""},
        {"/x/sock", "", "/tmp", "/x/sock", ""},
        {"", "/run/user/0", "/tmp", "/run/user/0/KORVA", ""},
        {"", "", "/tmp", "/tmp/talvex-1000/KORVA", "/tmp/talvex-1000"},
        {"", "", "/var/tmp/", "/var/tmp/talvex-1000/KORVA", "/var/tmp/talvex-1000"},
        {"", "/run/", "/tmp", "/run/KORVA", ""},
    };
    for (const Case& c : cases) {
        const SocketPlace place =
            SocketPlaceFrom(QString::fromLatin1(c.korvaSocket), QString::fromLatin1(c.runtime),
                            QString::fromLatin1(c.temp), 1000);
        EXPECT_EQ(place.path, QString::fromLatin1(c.path));
        EXPECT_EQ(place.privateFolder, QString::fromLatin1(c.privateFolder));
    }
}

} // namespace
} // namespace talvex
