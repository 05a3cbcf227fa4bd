// What the window tests share: dialogs that answer as a test says, the
// simulator host on a socket of the test's own, and a fresh main window
// linked to it with its folders in a scratch folder. Nothing touches the
// user's socket, settings or files.
#pragma once

#include "engine/window_interface.h"
#include "tests/app/stored_format.h"
#include "ui/main_window.h"
#include "ui/user_dialogs.h"
#include "ui/window_link.h"

#include <QApplication>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

#include <deque>
#include <functional>
#include <memory>
#include <vector>

namespace talvex::testing {

class ScriptedDialogs : public UserDialogs {
public:
    struct Shown {
        MessageKind kind;
        QString text;
        QString title;
    };

    void Message(MessageKind kind, const QString& text, const QString& title) override;
    Answer AskYesNo(const QString& text, const QString& title) override;
    Answer AskYesNoCancel(const QString& text, const QString& title) override;
    QString OpenFileName(const FileDialogSetup& setup) override;
    QString SaveFileName(const FileDialogSetup& setup) override;
    bool OpenDocument(const QString& path) override;

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

class WindowRig {
public:
    // A window linked to the host on `socket`; Load() has run when Ok(). Its
    // recent files are kept in `settingsFile`, by default one of its own.
    explicit WindowRig(const QString& socket, int closeGraceMs = 5000,
                       const QString& settingsFile = QString());
    ~WindowRig();

    bool Ok() const { return loaded_; }
    MainWindow& w() { return *window_; }
    QString File(const QString& name) const { return dir_.filePath(name); }
    QString ProgramDir() const { return dir_.filePath(QStringLiteral("program")); }
    QString LogFolder() const { return dir_.filePath(QStringLiteral("logs")); }

    // Puts a script into the editor as if it had just been opened from `file`.
    void SetScript(const std::string& text, const QString& file = QString());
    // The user types at the end of the editor.
    void Type(const QString& text);

    ScriptedDialogs dialogs;
    WindowLink link;

private:
    QTemporaryDir dir_;
    std::unique_ptr<MainWindow> window_;
    bool loaded_ = false;
};

// Runs `action` once `condition` holds, checking every few milliseconds from
// the event loop (so also while a run waits); gives up after `timeoutMs`.
void WhenTrue(std::function<bool()> condition, std::function<void()> action, int timeoutMs = 10000);

// True once a command has waited for the host for `ms` (the command has
// surely reached the host by then).
std::function<bool()> CommandWaiting(MainWindow& w, int ms = 150);

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
