// #filetolog and #filetortf at their size limit: a file of 100000 bytes is
// copied or sent, one of 100001 bytes is refused with its size in the message.
// The files are made here rather than kept in the repository.
#include "tests/app/run_fixture.h"

#include <gtest/gtest.h>

#include <ostream>

using namespace Qt::StringLiterals;

namespace talvex::testing {
namespace {

// 1000 lines of 98 letters and CR LF: exactly 100000 bytes.
QByteArray HundredThousandBytes() {
    QByteArray line(98, 'a');
    line += "\r\n";
    return line.repeated(1000);
}

struct LimitCase {
    const char* directive; // as written in the script
    const char* canonical; // the line the run shows for it
    bool oneByteMore;      // 100001 bytes instead of 100000
    const char* out;       // expected standard output after the directive's own line
    bool logsFile;         // the log gets the banner, the file's lines and the closing line
    bool logsBanner;       // the log gets the banner and the closing line only
    const char* logMessage;
};

void PrintTo(const LimitCase& c, std::ostream* os) {
    *os << c.directive << " on " << (c.oneByteMore ? "100001" : "100000") << " bytes";
}

class FileLimit : public ::testing::TestWithParam<LimitCase> {};

TEST_P(FileLimit, AcceptsOneHundredThousandBytesAndNoMore) {
    const LimitCase& c = GetParam();
    Sandbox box;
    ASSERT_TRUE(box.Ok());
    QByteArray content = HundredThousandBytes();
    if (c.oneByteMore) content += "b";
    box.WriteFile(u"big.txt"_s, content);
    box.WriteFile(u"limit.tvx"_s, QByteArray(c.directive) + "(big.txt)\r\necho(end)\r\n");

    const RunOutcome run = box.Run({u"--log"_s, u"run.log"_s, u"limit.tvx"_s});
    ASSERT_TRUE(run.finished);
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(Show(run.out), Show(QByteArray(c.canonical) + "=big.txt\n" + c.out + "end\n"));

    QByteArray log = QByteArray(c.canonical) + "=big.txt\r\n";
    const QByteArray banner = "********** big.txt **********\r\n";
    const QByteArray closing = QByteArray(29, '*') + "\r\n";
    if (c.logsFile) log += banner + content + closing;
    if (c.logsBanner) log += banner + closing;
    log += c.logMessage;
    log += "end\r\n";
    EXPECT_EQ(Show(box.ReadFile(u"run.log"_s)), Show(log));
}

INSTANTIATE_TEST_SUITE_P(
    Directives, FileLimit,
    ::testing::Values(LimitCase{"#filetolog", "#FileToLog", false, "", true, false, ""},
                      LimitCase{"#filetolog", "#FileToLog", true,
                                "File <big.txt> is too large to send to Log. (100001>100000)\n",
                                false, false,
                                "File <big.txt> is too large to send to Log. (100001>100000)\r\n"},
                      LimitCase{"#filetortf", "#FileToRTF", false, "", false, true, ""},
                      LimitCase{"#filetortf", "#FileToRTF", true,
                                "File <big.txt> is too large to send to RTF. (100001>100000)\n",
                                false, false, ""}),
    [](const ::testing::TestParamInfo<LimitCase>& info) {
        return std::string(info.param.directive + 1) +
               (info.param.oneByteMore ? "_100001" : "_100000");
    });

} // namespace
} // namespace talvex::testing
