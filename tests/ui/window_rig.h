// What the window tests share: dialogs that answer as a test says, the
// simulator host on a socket of the test's own, and a fresh main window
// linked to it with its folders in a scratch folder. Nothing touches the
// user's socket, settings or files.
#pragma once

#include "engine/window_interface.h"
#include "tests/app/stored_format.h"
#include "tests/windowcore/fake_link.h"
#include "ui/main_window.h"
#include "ui/qt_settings.h"
#include "ui/script_editor.h"
#include "ui/window_link.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProcess>
#include <QPushButton>
#include <QTemporaryDir>
#include <QtTest>

#include <deque>
#include <functional>
#include <memory>
#include <vector>

namespace talvex::testing {

class ScriptedDialogs : public WindowDialogs {
public:
    struct Shown {
        MessageKind kind;
        QString text;
        QString title;
    };

    void Message(MessageKind kind, std::string_view text, std::string_view title) override;
    Answer AskYesNo(std::string_view text, std::string_view title) override;
    Answer AskYesNoCancel(std::string_view text, std::string_view title) override;
    std::string OpenFileName(const FileDialogSetup& setup) override;
    std::string SaveFileName(const FileDialogSetup& setup) override;
    bool OpenDocument(const std::string& path) override;
    std::optional<std::string> AskFindText(std::string_view text) override;
    void ShowAbout(const ProgramVersion& version) override;

    // The texts of the message boxes shown, in order.
    QStringList MessageTexts() const;

    std::vector<Shown> messages;
    QStringList questions;
    QStringList questionTitles;
    std::deque<Answer> answers;      // a question takes the next; Cancel when none is left
    std::deque<QString> fileAnswers; // a file dialog takes the next; "" (cancelled) when none
    std::vector<FileDialogSetup> fileDialogs;
    QStringList documents; // paths handed to the desktop
    bool documentsOpen = true;
    // Runs inside each message box, as a user's reading time would.
    std::function<void(const QString&)> whileShown;
    std::optional<QString> findAnswer; // the Find dialog's text; none: cancelled
    int abouts = 0;

private:
    Answer Next(const QString& text, const QString& title);
};

// The window's caption and the unsaved-changes question, as the user sees them.
inline const QString kBase = QStringLiteral("KORVA Automated Script Program");
inline const QString kChanged = QStringLiteral(
    "Changes have been made in your current Script File.  Do you want to save the changes?");

// korva32 serving one socket, started and ended by the test.
class KorvaProcess {
public:
    explicit KorvaProcess(const QString& socket) : socket_(socket) {}
    ~KorvaProcess() { Stop(); }
    bool Start();
    void Stop();
    bool Running() const { return process_.state() == QProcess::Running; }

private:
    QString socket_;
    QProcess process_;
};

// The korva32 that the cases of one test program share, on a socket of its
// own: started in initTestCase, ended in cleanupTestCase.
class SharedKorva {
public:
    SharedKorva();
    const QString& Socket() const { return socket_; }
    KorvaProcess* operator->() { return process_.get(); }
    void Reset() { process_.reset(); }

private:
    QTemporaryDir sockets_{QStringLiteral("/tmp/tvx-s-XXXXXX")};
    QString socket_;
    std::unique_ptr<KorvaProcess> process_;
};

// The window with the names its controls have in the design, for tests.
class TestWindow : public MainWindow {
public:
    using MainWindow::MainWindow;
    template <typename T = QWidget> T* Control(const char* name) const {
        return findChild<T*>(QLatin1String(name));
    }
    QAction* Action(const char* name) const { return findChild<QAction*>(QLatin1String(name)); }
    ScriptEditor* txtCommandList() const { return editor(); }
    QPlainTextEdit* txtResponseList() const { return Control<QPlainTextEdit>("txtResponseList"); }
    QLineEdit* txtDynamic() const { return Control<QLineEdit>("txtDynamic"); }
    QLabel* lblCommand() const { return Control<QLabel>("lblCommand"); }
    QLabel* lblDynamic() const { return Control<QLabel>("lblDynamic"); }
    QPushButton* cmdRunScript() const { return Control<QPushButton>("cmdRunScript"); }
    QPushButton* cmdCancel() const { return Control<QPushButton>("cmdCancel"); }
    QPushButton* cmdExit() const { return Control<QPushButton>("cmdExit"); }
    QPushButton* cmdDynamic() const { return Control<QPushButton>("cmdDynamic"); }
    QCheckBox* chkLog() const { return Control<QCheckBox>("chkLog"); }
    QAction* mnuLinebyLine() const { return Action("mnuLinebyLine"); }
    QAction* mnuWholeScript() const { return Action("mnuWholeScript"); }
    QAction* mnuSendHardCancel() const { return Action("mnuSendHardCancel"); }
    QAction* mnuHostLink() const { return Action("mnuHostLink"); }
    QAction* mnuFile() const { return Action("mnuFile"); }

    ScriptRunner& Runner() { return core().Runner(); }
    void RunScriptClicked() { core().RunScriptClicked(); }
    void SetEditorText(std::string_view text) { core().SetEditorText(text); }
    bool FileSaved() { return core().FileSaved(); }
    std::string CurrentFile() { return core().CurrentFile(); }
    std::string PaneText() { return core().PaneText(); }
    // The response pane as the user sees it, CR LF between lines.
    std::string ShownResponse() const;
    QString StatusText() const;
};

class WindowRig {
public:
    // A window linked to the host on `socket`, or without a socket to a host
    // in memory (FakeLink: no process); Load() has run when Ok(). Its recent
    // files are kept in `settingsFile`, by default one of its own.
    explicit WindowRig(const QString& socket = QString(), int closeGraceMs = 5000,
                       const QString& settingsFile = QString());
    ~WindowRig();

    bool Ok() const { return loaded_; }
    TestWindow& W() { return *window_; }
    QString File(const QString& name) const { return dir_.filePath(name); }
    QString ProgramDir() const { return dir_.filePath(QStringLiteral("program")); }
    QString LogFolder() const { return dir_.filePath(QStringLiteral("logs")); }

    // Puts a script into the editor as if it had just been opened from `file`.
    void SetScript(const std::string& text, const QString& file = QString());
    // The user types at the end of the editor.
    void Type(const QString& text);

    ScriptedDialogs dialogs;
    HostLink link;
    FakeLink fakeLink;

private:
    QTemporaryDir dir_;
    WindowLink windowLink_{link};
    std::unique_ptr<QtSettings> settings_;
    std::unique_ptr<TestWindow> window_;
    bool loaded_ = false;
};

// Runs `action` once `condition` holds, checking every few milliseconds from
// the event loop (so also while a run waits); gives up after `timeoutMs`.
void WhenTrue(std::function<bool()> condition, std::function<void()> action, int timeoutMs = 10000);

// True once a command has waited for the host for `ms` (the command has
// surely reached the host by then).
std::function<bool()> CommandWaiting(TestWindow& w, int ms = 150);

std::string ReadBytes(const QString& path);
void WriteBytes(const QString& path, const std::string& bytes);

// A short socket path in the temp folder for this test program.
QString TestSocketPath(QTemporaryDir& dir);

// Sets up what every window test needs before the application exists: the
// offscreen platform, settings and sockets in a scratch folder.
void PrepareTestEnvironment(QTemporaryDir& scratch);

} // namespace talvex::testing

namespace QTest {
// Script text in failure messages, escaped.
template <> inline char* toString(const std::string& text) {
    return toPrettyUnicode(QString::fromStdString(text));
}
} // namespace QTest

// main() of a window test program.
#define TALVEX_UI_TEST_MAIN(TestClass)                                                             \
    int main(int argc, char** argv) {                                                              \
        QTemporaryDir scratch(QStringLiteral("/tmp/tvx-ui-XXXXXX"));                               \
        talvex::testing::PrepareTestEnvironment(scratch);                                          \
        QApplication app(argc, argv);                                                              \
        app.setQuitOnLastWindowClosed(false);                                                      \
        TestClass test;                                                                            \
        return QTest::qExec(&test, argc, argv);                                                    \
    }
