// Script files through the Qt editor: a script's bytes into the editor's
// document and back, and the caret at the start after every way of loading.
// Against a host in memory.
#include "tests/ui/window_rig.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QPlainTextEdit>
#include <QPushButton>

using namespace Qt::StringLiterals;

using namespace talvex;
using namespace talvex::testing;

Q_DECLARE_METATYPE(std::string)

class FilesTest : public QObject {
    Q_OBJECT
private slots:
    void bytesSurviveOpenAndSave_data();
    void bytesSurviveOpenAndSave();
    void loadPutsTheCaretAtTheStart_data();
    void loadPutsTheCaretAtTheStart();
};

void FilesTest::bytesSurviveOpenAndSave_data() {
    QTest::addColumn<std::string>("bytes");
    QTest::addColumn<int>("lines"); // paragraphs in the editor
    // Stored format, Windows-1252: "±", a tab, U+00A0, code 1, a lone CR and
    // a lone LF inside lines.
    QTest::newRow("stored") << StoredFormat("a \xB1 b\tc\xA0"
                                            "d\r\n\x01\x01 e\rf\r\ng\nh\r\n")
                            << 4;
    // Plain UTF-8 (U+2028 and U+2029 have no place in the stored format).
    QTest::newRow("plain UTF-8")
        << std::string("x \xE2\x80\xA8 y \xE2\x80\xA9 z\r\n\xC2\xB1\t\xC2\xA0\x01\r\nend") << 3;
}

void FilesTest::bytesSurviveOpenAndSave() {
    QFETCH(std::string, bytes);
    QFETCH(int, lines);
    WindowRig rig;
    QVERIFY(rig.Ok());
    TestWindow& w = rig.W();
    const QString file = rig.File(u"trip.tvx"_s);
    WriteBytes(file, bytes);
    rig.dialogs.fileAnswers = {file};
    w.core().OpenClicked();
    QCOMPARE(w.txtCommandList()->document()->blockCount(), lines);
    QVERIFY(w.FileSaved());
    // The user edits and takes the edit back: the text is what was loaded.
    rig.Type(u"q"_s);
    QTest::keyClick(w.txtCommandList(), Qt::Key_Backspace);
    w.core().SaveClicked();
    QCOMPARE(ReadBytes(file), bytes);
}

void FilesTest::loadPutsTheCaretAtTheStart_data() {
    QTest::addColumn<QString>("how");
    QTest::newRow("File > Open") << "open";
    QTest::newRow("talvex FILE") << "start";
    QTest::newRow("a recent file") << "recent";
}

// Find searches from the caret: after a load it must stand at the start, or
// a word on line 12 is "Unable to find".
void FilesTest::loadPutsTheCaretAtTheStart() {
    QFETCH(QString, how);
    WindowRig rig;
    QVERIFY(rig.Ok());
    TestWindow& w = rig.W();
    std::string script;
    for (int i = 1; i < 12; ++i)
        script += "echo(" + std::to_string(i) + ")\r\n";
    script += "echo(needle)\r\n";
    const QString file = rig.File(u"long.tvx"_s);
    WriteBytes(file, script);
    if (how == u"open"_s) {
        rig.dialogs.fileAnswers = {file};
        w.core().OpenClicked();
    } else if (how == u"start"_s) {
        w.OpenAtStart(file);
    } else {
        w.OpenAtStart(file);
        w.core().NewClicked();
        w.core().RecentClicked(1);
    }
    QCOMPARE(w.EditorText(), script);
    QCOMPARE(w.txtCommandList()->textCursor().position(), 0);
    rig.dialogs.findAnswer = QStringLiteral("needle");
    w.Action("menueditfind")->trigger();
    QCOMPARE(w.txtCommandList()->textCursor().selectedText(), QStringLiteral("needle"));
    QCOMPARE(rig.dialogs.MessageTexts(), QStringList());
}

TALVEX_UI_TEST_MAIN(FilesTest)
#include "files_test.moc"
