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

using namespace Qt::StringLiterals;

namespace talvex::testing {
namespace {

const QString kGolden = QStringLiteral(GOLDEN_DIR);

std::vector<std::string> CaseNames() {
    std::vector<std::string> names;
    for (const QString& f : QDir(kGolden).entryList({u"*.tvx"_s}, QDir::Files, QDir::Name))
        names.push_back(QFileInfo(f).completeBaseName().toStdString());
    return names;
}

bool ReadCaseFile(const QString& name, QByteArray& bytes) {
    QFile f(kGolden + u"/"_s + name);
    if (!f.open(QIODevice::ReadOnly)) return false;
    bytes = f.readAll();
    return true;
}

void CopyTree(const QString& from, const QString& to) {
    QDir().mkpath(to);
    for (const QFileInfo& fi :
         QDir(from).entryInfoList(QDir::Files | QDir::Dirs | QDir::NoDotAndDotDot)) {
        if (fi.isDir())
            CopyTree(fi.filePath(), to + u"/"_s + fi.fileName());
        else
            QFile::copy(fi.filePath(), to + u"/"_s + fi.fileName());
    }
}

class GoldenScript : public ::testing::TestWithParam<std::string> {};

TEST_P(GoldenScript, RunsAsWritten) {
    const QString name = QString::fromStdString(GetParam());
    const QString script = name + u".tvx"_s;
    Sandbox box;
    ASSERT_TRUE(box.Ok());
    ASSERT_TRUE(QFile::copy(kGolden + u"/"_s + script, box.Work() + u"/"_s + script));
    CopyTree(kGolden + u"/sub"_s, box.Work() + u"/sub"_s);
    QStringList allowed = Sandbox::FilesBelow(box.Work());

    QStringList args;
    QByteArray bytes;
    if (ReadCaseFile(name + u".args"_s, bytes))
        args = QString::fromUtf8(bytes).simplified().split(u' ', Qt::SkipEmptyParts);
    const bool whole = args.contains(u"--whole"_s);
    QByteArray expectedLog;
    const bool logs = ReadCaseFile(name + u".log"_s, expectedLog);
    if (logs) {
        args << u"--log"_s << u"run.log"_s;
        allowed << u"run.log"_s;
    }
    args << script;

    QByteArray expectedOut;
    ASSERT_TRUE(ReadCaseFile(name + u".out"_s, expectedOut)) << "every case needs its .out";
    QByteArray expectedErr = whole ? QByteArray() : "Script Done " + script.toUtf8() + "\n";
    ReadCaseFile(name + u".err"_s, expectedErr);
    int expectedStatus = 0;
    if (ReadCaseFile(name + u".status"_s, bytes)) expectedStatus = bytes.trimmed().toInt();

    const RunOutcome run = box.Run(args);
    ASSERT_TRUE(run.finished) << "talvex-run hung";
    EXPECT_EQ(Show(run.out), Show(expectedOut)) << "standard output";
    EXPECT_EQ(Show(run.err), Show(expectedErr)) << "standard error";
    EXPECT_EQ(run.status, expectedStatus);
    if (logs) {
        EXPECT_EQ(Show(box.ReadFile(u"run.log"_s)), Show(expectedLog)) << "run.log";
    }

    const QString filesDir = kGolden + u"/"_s + name + u".files"_s;
    for (const QString& rel : Sandbox::FilesBelow(filesDir)) {
        allowed << rel;
        QFile f(filesDir + u"/"_s + rel);
        ASSERT_TRUE(f.open(QIODevice::ReadOnly));
        EXPECT_TRUE(box.Exists(rel)) << rel.toStdString() << " was not written";
        EXPECT_EQ(Show(box.ReadFile(rel)), Show(f.readAll())) << rel.toStdString();
    }
    allowed.sort();
    allowed.removeDuplicates();
    EXPECT_EQ(Sandbox::FilesBelow(box.Work()), allowed) << "files left in the working folder";

    const QStringList defaultLogs = Sandbox::FilesBelow(box.DefaultLogFolder());
    QByteArray expectedDefault;
    if (ReadCaseFile(name + u".deflog"_s, expectedDefault)) {
        ASSERT_EQ(defaultLogs.size(), 1) << "one default log file expected";
        QFile f(box.DefaultLogFolder() + u"/"_s + defaultLogs.front());
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
