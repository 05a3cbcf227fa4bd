// Golden scripts: each NAME.tvx in the golden folder runs through talvex-run
// against a real korva32, and what the user sees is compared byte for byte:
//   NAME.out     standard output (the response pane text that stays)
//   NAME.err     standard error (message boxes); without it, the one line
//                "Script Done NAME.tvx" (nothing for a --whole run)
//   NAME.status  exit status (default 0)
//   NAME.args    extra options, separated by blanks
//   NAME.log     the log: the run gets --log run.log and this is its content
//   NAME.deflog  the one file the run may leave in the default log folder
//                (without it, that folder must stay empty)
//   NAME.files/  further files the run must leave in its working folder
// The script runs from a fresh working folder holding a copy of it and of
// the sub/ folder; the run may create no file beyond those named above.
#include "tests/app/run_fixture.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cctype>
#include <string>
#include <vector>

namespace talvex::testing {
namespace {

const QString kGolden = GOLDEN_DIR;

std::vector<std::string> CaseNames() {
    std::vector<std::string> names;
    for (const QString& f : QDir(kGolden).entryList({"*.tvx"}, QDir::Files, QDir::Name))
        names.push_back(QFileInfo(f).completeBaseName().toStdString());
    return names;
}

bool ReadCaseFile(const QString& name, QByteArray& bytes) {
    QFile f(kGolden + "/" + name);
    if (!f.open(QIODevice::ReadOnly)) return false;
    bytes = f.readAll();
    return true;
}

void CopyTree(const QString& from, const QString& to) {
    QDir().mkpath(to);
    for (const QFileInfo& fi :
         QDir(from).entryInfoList(QDir::Files | QDir::Dirs | QDir::NoDotAndDotDot)) {
        if (fi.isDir())
            CopyTree(fi.filePath(), to + "/" + fi.fileName());
        else
            QFile::copy(fi.filePath(), to + "/" + fi.fileName());
    }
}

class GoldenScript : public ::testing::TestWithParam<std::string> {};

TEST_P(GoldenScript, RunsAsWritten) {
    const QString name = QString::fromStdString(GetParam());
    const QString script = name + ".tvx";
    Sandbox box;
    ASSERT_TRUE(box.Ok());
    ASSERT_TRUE(QFile::copy(kGolden + "/" + script, box.Work() + "/" + script));
    CopyTree(kGolden + "/sub", box.Work() + "/sub");
    QStringList allowed = Sandbox::FilesBelow(box.Work());

    QStringList args;
    QByteArray bytes;
    if (ReadCaseFile(name + ".args", bytes))
        args = QString::fromUtf8(bytes).simplified().split(' ', Qt::SkipEmptyParts);
    const bool whole = args.contains("--whole");
    QByteArray expectedLog;
    const bool logs = ReadCaseFile(name + ".log", expectedLog);
    if (logs) {
        args << "--log"
             << "run.log";
        allowed << "run.log";
    }
    args << script;

    QByteArray expectedOut;
    ASSERT_TRUE(ReadCaseFile(name + ".out", expectedOut)) << "every case needs its .out";
    QByteArray expectedErr = whole ? QByteArray() : "Script Done " + script.toUtf8() + "\n";
    ReadCaseFile(name + ".err", expectedErr);
    int expectedStatus = 0;
    if (ReadCaseFile(name + ".status", bytes)) expectedStatus = bytes.trimmed().toInt();

    const RunOutcome run = box.Run(args);
    ASSERT_TRUE(run.finished) << "talvex-run hung";
    EXPECT_EQ(Show(run.out), Show(expectedOut)) << "standard output";
    EXPECT_EQ(Show(run.err), Show(expectedErr)) << "standard error";
    EXPECT_EQ(run.status, expectedStatus);
    if (logs) {
        EXPECT_EQ(Show(box.ReadFile("run.log")), Show(expectedLog)) << "run.log";
    }

    const QString filesDir = kGolden + "/" + name + ".files";
    for (const QString& rel : Sandbox::FilesBelow(filesDir)) {
        allowed << rel;
        QFile f(filesDir + "/" + rel);
        ASSERT_TRUE(f.open(QIODevice::ReadOnly));
        EXPECT_TRUE(box.Exists(rel)) << rel.toStdString() << " was not written";
        EXPECT_EQ(Show(box.ReadFile(rel)), Show(f.readAll())) << rel.toStdString();
    }
    allowed.sort();
    allowed.removeDuplicates();
    EXPECT_EQ(Sandbox::FilesBelow(box.Work()), allowed) << "files left in the working folder";

    const QStringList defaultLogs = Sandbox::FilesBelow(box.DefaultLogFolder());
    QByteArray expectedDefault;
    if (ReadCaseFile(name + ".deflog", expectedDefault)) {
        ASSERT_EQ(defaultLogs.size(), 1) << "one default log file expected";
        QFile f(box.DefaultLogFolder() + "/" + defaultLogs.front());
        ASSERT_TRUE(f.open(QIODevice::ReadOnly));
        EXPECT_EQ(Show(f.readAll()), Show(expectedDefault)) << "default log";
    } else {
        EXPECT_TRUE(defaultLogs.isEmpty()) << "no default log expected";
    }
    EXPECT_TRUE(box.WaitNoHost()) << "the host the run started is still there";
}

INSTANTIATE_TEST_SUITE_P(Golden, GoldenScript, ::testing::ValuesIn(CaseNames()),
                         [](const ::testing::TestParamInfo<std::string>& info) {
                             std::string n = info.param;
                             for (char& c : n)
                                 if (!std::isalnum(static_cast<unsigned char>(c))) c = '_';
                             return n;
                         });

} // namespace
} // namespace talvex::testing
