// Script files in the window: New, Open, Save and Save As with each answer to
// the unsaved-changes question, failed saves and opens, safe saving, the
// dialogs' extension rule, a script's bytes through the editor and back, and
// a script named at start-up.
#include "tests/ui/window_rig.h"
#include "ui/recent_files.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QPlainTextEdit>
#include <QPushButton>

#include <unistd.h>

using namespace talvex;
using namespace talvex::testing;

Q_DECLARE_METATYPE(std::string)

class FilesTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { QVERIFY(korva_->Start()); }
    void cleanupTestCase() { korva_.Reset(); }

    void newAndOpenWithUnsavedChanges_data();
    void newAndOpenWithUnsavedChanges();
    void openCannotRead();
    void saveAndSaveAs();
    void failedSaveKeepsTheChanges();
    void closeAsksAboutChanges_data();
    void closeAsksAboutChanges();
    void saveKeepsPermissionsAndFollowsLinks();
    void dialogsTakeTheExtensionFromTheFileName_data();
    void dialogsTakeTheExtensionFromTheFileName();
    void bytesSurviveOpenAndSave_data();
    void bytesSurviveOpenAndSave();
    void scriptNamedAtStartUp();
    void loadPutsTheCaretAtTheStart_data();
    void loadPutsTheCaretAtTheStart();

private:
    SharedKorva korva_;
    const QString& socket_ = korva_.Socket();
};

void FilesTest::newAndOpenWithUnsavedChanges_data() {
    QTest::addColumn<bool>("open");     // Open, else New
    QTest::addColumn<bool>("named");    // the edited script has a file
    QTest::addColumn<int>("answer");    // to the unsaved-changes question
    QTest::addColumn<bool>("saveAsOk"); // Save As dialog answered (unnamed script)
    QTest::addColumn<bool>("replaced"); // the editor shows the new script
    QTest::addColumn<bool>("editsSaved");

    for (bool open : {false, true}) {
        const char* what = open ? "Open" : "New";
        QTest::addRow("%s, No: edits dropped", what)
            << open << true << int(Answer::No) << false << true << false;
        QTest::addRow("%s, Cancel: nothing changes", what)
            << open << true << int(Answer::Cancel) << false << false << false;
        QTest::addRow("%s, Yes: saved in place", what)
            << open << true << int(Answer::Yes) << false << true << true;
        QTest::addRow("%s, Yes, unnamed, saved as", what)
            << open << false << int(Answer::Yes) << true << true << true;
        QTest::addRow("%s, Yes, unnamed, Save As cancelled: nothing changes", what)
            << open << false << int(Answer::Yes) << false << false << false;
    }
}

void FilesTest::newAndOpenWithUnsavedChanges() {
    QFETCH(bool, open);
    QFETCH(bool, named);
    QFETCH(int, answer);
    QFETCH(bool, saveAsOk);
    QFETCH(bool, replaced);
    QFETCH(bool, editsSaved);

    WindowRig rig(socket_);
    QVERIFY(rig.Ok());
    MainWindow& w = rig.w();
    const QString mine = rig.File("mine.tvx");
    const QString other = rig.File("other.tvx");
    WriteBytes(other, StoredFormat("echo(other)\r\n"));
    if (named) {
        WriteBytes(mine, StoredFormat("echo(old)"));
        rig.SetScript("echo(old)", mine);
        w.SetTitle((kBase + " - mine.tvx").toStdString());
    }
    rig.Type("echo(typed)");
    w.PaneReplace("pane\r\n");
    const std::string edited = w.EditorText();
    const QString title = w.windowTitle();

    rig.dialogs.answers = {Answer(answer)};
    if (!named && answer == int(Answer::Yes))
        rig.dialogs.fileAnswers.push_back(saveAsOk ? mine : QString());
    if (open) rig.dialogs.fileAnswers.push_back(other);
    open ? w.OpenClicked() : w.NewClicked();

    QCOMPARE(rig.dialogs.questions, QStringList{kChanged});
    QCOMPARE(ReadBytes(mine), editsSaved ? StoredFormat(edited)
                                         : (named ? StoredFormat("echo(old)") : std::string()));
    if (replaced) {
        QCOMPARE(w.EditorText(), open ? std::string("echo(other)\r\n") : std::string());
        QCOMPARE(w.ShownResponse(), std::string());
        QCOMPARE(w.CurrentFile(), open ? other.toStdString() : std::string());
        QCOMPARE(w.windowTitle(), open ? kBase + " - other.tvx" : kBase);
        QVERIFY(w.FileSaved());
    } else {
        QCOMPARE(w.EditorText(), edited);
        QCOMPARE(w.windowTitle(), title);
        QVERIFY(!w.FileSaved());
    }
}

void FilesTest::openCannotRead() {
    WindowRig rig(socket_);
    QVERIFY(rig.Ok());
    MainWindow& w = rig.w();
    const QString mine = rig.File("mine.tvx");
    WriteBytes(mine, StoredFormat("echo(mine)"));
    rig.SetScript("echo(mine)", mine);
    rig.dialogs.fileAnswers = {rig.File("gone.tvx")};
    w.OpenClicked();
    QCOMPARE(w.EditorText(), std::string("echo(mine)"));
    QCOMPARE(w.CurrentFile(), mine.toStdString());
    QVERIFY(w.FileSaved());
    QCOMPARE(rig.dialogs.messages.size(), size_t(1));
    QVERIFY(rig.dialogs.messages[0].text.startsWith("Unable to open " + rig.File("gone.tvx")));
    QVERIFY(!QFile::exists(rig.File("gone.tvx")));
}

void FilesTest::saveAndSaveAs() {
    WindowRig rig(socket_);
    QVERIFY(rig.Ok());
    MainWindow& w = rig.w();
    // Save of a never-saved script is Save As.
    rig.Type("echo(1)");
    const QString first = rig.File("first.tvx");
    rig.dialogs.fileAnswers = {first};
    w.SaveClicked();
    QCOMPARE(rig.dialogs.fileDialogs.back().title, QStringLiteral("Save File As"));
    QCOMPARE(ReadBytes(first), StoredFormat("echo(1)"));
    QCOMPARE(w.windowTitle(), kBase + " - first.tvx");
    QVERIFY(w.FileSaved());

    // Save writes in place and leaves the caption alone.
    rig.Type("2");
    QVERIFY(!w.FileSaved());
    w.SaveClicked();
    QCOMPARE(rig.dialogs.fileDialogs.size(), size_t(1));
    QCOMPARE(ReadBytes(first), StoredFormat("echo(1)2"));
    QVERIFY(w.FileSaved());

    // Save As a new name: the new file, the new caption; the old file stays.
    const QString second = rig.File("second.tvx");
    rig.dialogs.fileAnswers = {second};
    w.SaveAsClicked();
    QCOMPARE(rig.dialogs.fileDialogs.back().fileName, first);
    QCOMPARE(ReadBytes(second), StoredFormat("echo(1)2"));
    QCOMPARE(w.CurrentFile(), second.toStdString());
    QCOMPARE(w.windowTitle(), kBase + " - second.tvx");

    // A cancelled Save As changes nothing and says so.
    w.SaveAsClicked();
    QVERIFY(w.SaveAborted());
    QCOMPARE(w.CurrentFile(), second.toStdString());
}

void FilesTest::failedSaveKeepsTheChanges() {
    WindowRig rig(socket_);
    QVERIFY(rig.Ok());
    MainWindow& w = rig.w();
    const QString nowhere = rig.File("no-such-folder/job.tvx");
    rig.SetScript("echo(x)", nowhere);
    rig.Type("y");
    w.SaveClicked();
    QVERIFY(!w.FileSaved());
    QCOMPARE(rig.dialogs.messages.size(), size_t(1));
    QVERIFY2(rig.dialogs.messages[0].text.startsWith("Unable to save " + nowhere + "\r\n") &&
                 rig.dialogs.messages[0].text.size() > nowhere.size() + 17,
             qPrintable(rig.dialogs.messages[0].text));

    // A close with Yes then keeps the window open.
    rig.dialogs.answers = {Answer::Yes};
    QVERIFY(!w.close());
    QVERIFY(w.isVisible());
    QCOMPARE(w.EditorText(), std::string("echo(x)y"));
}

void FilesTest::closeAsksAboutChanges_data() {
    QTest::addColumn<bool>("edited");
    QTest::addColumn<int>("answer");
    QTest::addColumn<QString>("saveAs"); // the Save As dialog's answer
    QTest::addColumn<bool>("closes");
    QTest::newRow("no changes: no question") << false << int(Answer::Yes) << "" << true;
    QTest::newRow("No: closes without saving") << true << int(Answer::No) << "" << true;
    QTest::newRow("Cancel: stays") << true << int(Answer::Cancel) << "" << false;
    QTest::newRow("Yes, saved as: closes") << true << int(Answer::Yes) << "new.tvx" << true;
    QTest::newRow("Yes, Save As cancelled: stays") << true << int(Answer::Yes) << "" << false;
}

void FilesTest::closeAsksAboutChanges() {
    QFETCH(bool, edited);
    QFETCH(int, answer);
    QFETCH(QString, saveAs);
    QFETCH(bool, closes);
    WindowRig rig(socket_);
    QVERIFY(rig.Ok());
    MainWindow& w = rig.w();
    if (edited) rig.Type("echo(unsaved)");
    rig.dialogs.answers = {Answer(answer)};
    if (!saveAs.isEmpty()) rig.dialogs.fileAnswers = {rig.File(saveAs)};
    // The exit button closes the window as its close box does.
    QTest::mouseClick(w.cmdExit(), Qt::LeftButton);
    QCOMPARE(rig.dialogs.questions.size(), qsizetype(edited ? 1 : 0));
    QCOMPARE(w.isVisible(), !closes);
    if (!saveAs.isEmpty()) QCOMPARE(ReadBytes(rig.File(saveAs)), StoredFormat("echo(unsaved)"));
    QCOMPARE(rig.link.IsLinked(), !closes);
}

void FilesTest::saveKeepsPermissionsAndFollowsLinks() {
    WindowRig rig(socket_);
    QVERIFY(rig.Ok());
    MainWindow& w = rig.w();
    const QString real = rig.File("real.tvx");
    WriteBytes(real, StoredFormat("old"));
    QFile::setPermissions(real, QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup);
    const QFile::Permissions before = QFileInfo(real).permissions();
    const QString link = rig.File("link.tvx");
    QVERIFY(QFile::link(real, link));

    rig.SetScript("old", link);
    rig.Type(" and new");
    w.SaveClicked();
    QVERIFY(w.FileSaved());
    QVERIFY(QFileInfo(link).isSymLink());
    QCOMPARE(ReadBytes(real), StoredFormat("old and new"));
    QCOMPARE(QFileInfo(real).permissions(), before);
    QVERIFY(QDir(rig.File("")).entryList(QDir::Files | QDir::Hidden).size() == 2);

    if (::geteuid() == 0) QSKIP("root may write a read-only file");
    QFile::setPermissions(real, QFile::ReadOwner | QFile::ReadUser);
    rig.Type("!");
    w.SaveClicked();
    QVERIFY(!w.FileSaved());
    QCOMPARE(ReadBytes(real), StoredFormat("old and new"));
}

void FilesTest::dialogsTakeTheExtensionFromTheFileName_data() {
    QTest::addColumn<QString>("current"); // relative to the scratch folder
    QTest::addColumn<bool>("save");
    QTest::addColumn<QString>("filter");
    QTest::addColumn<QString>("name"); // proposed, relative
    QTest::addColumn<QString>("suffix");
    QTest::newRow("a folder with a dot") << "my.dir/run" << true << "(*.tvx)"
                                         << "my.dir/run.tvx"
                                         << "tvx";
    QTest::newRow("script in a dotted folder") << "my.dir/run.tvx" << false << "(*.tvx)"
                                               << "my.dir/run.tvx"
                                               << "tvx";
    QTest::newRow("short extension, open") << "run.t" << false << "(*.t*)"
                                           << "run"
                                           << "";
    QTest::newRow("short extension, save") << "run.tv" << true << "(*.tv*)"
                                           << "run"
                                           << "";
    QTest::newRow("two dots") << "run.v2.tvx" << true << "(*.v2.)"
                              << "run.v2."
                              << "v2.";
}

void FilesTest::dialogsTakeTheExtensionFromTheFileName() {
    QFETCH(QString, current);
    QFETCH(bool, save);
    QFETCH(QString, filter);
    QFETCH(QString, name);
    QFETCH(QString, suffix);
    WindowRig rig(socket_);
    QVERIFY(rig.Ok());
    rig.SetScript("x", rig.File(current));
    save ? rig.w().SaveAsClicked() : rig.w().OpenClicked();
    QCOMPARE(rig.dialogs.fileDialogs.size(), size_t(1));
    const FileDialogSetup& d = rig.dialogs.fileDialogs.front();
    QCOMPARE(d.title, save ? QStringLiteral("Save File As") : QStringLiteral("Open File"));
    QCOMPARE(d.filters, QStringList{filter});
    QCOMPARE(d.fileName, rig.File(name));
    QCOMPARE(d.defaultSuffix, suffix);
    QCOMPARE(d.folder, QFileInfo(rig.File(current)).path());
}

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
    WindowRig rig(socket_);
    QVERIFY(rig.Ok());
    MainWindow& w = rig.w();
    const QString file = rig.File("trip.tvx");
    WriteBytes(file, bytes);
    rig.dialogs.fileAnswers = {file};
    w.OpenClicked();
    QCOMPARE(w.txtCommandList()->document()->blockCount(), lines);
    QVERIFY(w.FileSaved());
    // The user edits and takes the edit back: the text is what was loaded.
    rig.Type("q");
    QTest::keyClick(w.txtCommandList(), Qt::Key_Backspace);
    w.SaveClicked();
    QCOMPARE(ReadBytes(file), bytes);
}

void FilesTest::scriptNamedAtStartUp() {
    WindowRig rig(socket_);
    QVERIFY(rig.Ok());
    MainWindow& w = rig.w();
    const QString old = QDir::currentPath();
    QDir::setCurrent(rig.File(""));
    WriteBytes(rig.File("start.tvx"), "echo(start)\r\n");
    w.OpenAtStart(QStringLiteral("start.tvx"));
    QCOMPARE(w.CurrentFile(), rig.File("start.tvx").toStdString());
    QCOMPARE(w.EditorText(), std::string("echo(start)\r\n"));
    QCOMPARE(w.windowTitle(), kBase + " - start.tvx");
    QVERIFY(w.FileSaved());
    QCOMPARE(w.recentFiles()->PathOf(1), rig.File("start.tvx")); // entered as Open does

    WindowRig empty(socket_);
    empty.w().OpenAtStart(QStringLiteral("missing.tvx"));
    QDir::setCurrent(old);
    QCOMPARE(empty.dialogs.MessageTexts(),
             QStringList{"File not found '" + rig.File("missing.tvx") + "'"});
    QCOMPARE(empty.w().EditorText(), std::string());
    QCOMPARE(empty.w().CurrentFile(), std::string());
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
    WindowRig rig(socket_);
    QVERIFY(rig.Ok());
    MainWindow& w = rig.w();
    std::string script;
    for (int i = 1; i < 12; ++i)
        script += "echo(" + std::to_string(i) + ")\r\n";
    script += "echo(needle)\r\n";
    const QString file = rig.File("long.tvx");
    WriteBytes(file, script);
    if (how == "open") {
        rig.dialogs.fileAnswers = {file};
        w.OpenClicked();
    } else if (how == "start") {
        w.OpenAtStart(file);
    } else {
        w.OpenAtStart(file);
        w.NewClicked();
        w.HistoryClicked(1);
    }
    QCOMPARE(w.EditorText(), script);
    QCOMPARE(w.txtCommandList()->textCursor().position(), 0);
    w.SetFindString(QStringLiteral("needle"));
    w.FindAgain();
    QCOMPARE(w.txtCommandList()->textCursor().selectedText(), QStringLiteral("needle"));
    QCOMPARE(rig.dialogs.MessageTexts(), QStringList());
}

TALVEX_UI_TEST_MAIN(FilesTest)
#include "files_test.moc"
