#include "tests/ui/window_rig.h"

#include "hostlink/host_search.h"
#include "hostlink/socket_path.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QLocalSocket>
#include <QPlainTextEdit>
#include <QSettings>
#include <QStatusBar>
#include <QTextCursor>
#include <QThread>
#include <QTimer>

#include <csignal>

using namespace Qt::StringLiterals;

namespace talvex::testing {

namespace {

QString Q(std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

} // namespace

void ScriptedDialogs::Message(MessageKind kind, std::string_view text, std::string_view title) {
    messages.push_back(Shown{kind, Q(text), Q(title)});
    if (whileShown) whileShown(Q(text));
}

QStringList ScriptedDialogs::MessageTexts() const {
    QStringList out;
    for (const Shown& s : messages)
        out << s.text;
    return out;
}

Answer ScriptedDialogs::Next(const QString& text, const QString& title) {
    questions << text;
    questionTitles << title;
    if (answers.empty()) return Answer::Cancel;
    const Answer a = answers.front();
    answers.pop_front();
    return a;
}

Answer ScriptedDialogs::AskYesNo(std::string_view text, std::string_view title) {
    return Next(Q(text), Q(title));
}

Answer ScriptedDialogs::AskYesNoCancel(std::string_view text, std::string_view title) {
    return Next(Q(text), Q(title));
}

std::string ScriptedDialogs::OpenFileName(const FileDialogSetup& setup) {
    fileDialogs.push_back(setup);
    if (fileAnswers.empty()) return {};
    QString name = fileAnswers.front();
    fileAnswers.pop_front();
    return name.toStdString();
}

std::string ScriptedDialogs::SaveFileName(const FileDialogSetup& setup) {
    return OpenFileName(setup);
}

bool ScriptedDialogs::OpenDocument(const std::string& path) {
    documents << Q(path);
    return documentsOpen;
}

std::optional<std::string> ScriptedDialogs::AskFindText(std::string_view) {
    if (!findAnswer) return std::nullopt;
    return findAnswer->toStdString();
}

void ScriptedDialogs::ShowAbout(const ProgramVersion&) {
    ++abouts;
}

std::string TestWindow::ShownResponse() const {
    QString text = txtResponseList()->toPlainText();
    text.replace(QLatin1Char('\n'), QLatin1String("\r\n"));
    return text.toStdString();
}

QString TestWindow::StatusText() const {
    return statusBar()->currentMessage();
}

bool KorvaProcess::Start() {
    process_.setProgram(QStringLiteral(KORVA32_BIN));
    process_.setArguments({QStringLiteral("--socket"), socket_});
    process_.setStandardOutputFile(QProcess::nullDevice());
    process_.start();
    if (!process_.waitForStarted(5000)) return false;
    for (int i = 0; i < 500; ++i) {
        QLocalSocket probe;
        probe.connectToServer(socket_);
        if (probe.waitForConnected(100)) return true;
        QThread::msleep(10);
    }
    return false;
}

void KorvaProcess::Stop() {
    if (process_.state() == QProcess::NotRunning) return;
    process_.kill();
    process_.waitForFinished(5000);
}

WindowRig::WindowRig(const QString& socket, int closeGraceMs, const QString& settingsFile)
    : dir_(QStringLiteral("/tmp/tvx-w-XXXXXX")) {
    QDir().mkpath(ProgramDir());
    QDir().mkpath(LogFolder());
    link.SetSocketPath(socket);
    HostSearch only; // the simulator built with the tests, and nothing else
    only.envKorva32 = QStringLiteral(KORVA32_BIN);
    link.SetHostSearch(only);
    MainWindowOptions options;
    options.programDir = ProgramDir();
    options.logFolder = LogFolder();
    options.closeGraceMs = closeGraceMs;
    const QString ini =
        settingsFile.isEmpty() ? File(QStringLiteral("settings.ini")) : settingsFile;
    // The host in memory waits as korva32 does, the window's events going on.
    fakeLink.whileWaiting = [] { QCoreApplication::processEvents(QEventLoop::AllEvents, 5); };
    settings_ = std::make_unique<QtSettings>(
        [ini] { return std::make_unique<QSettings>(ini, QSettings::IniFormat); });
    window_ = std::make_unique<TestWindow>(socket.isEmpty() ? static_cast<WindowLinkPort&>(fakeLink)
                                                            : windowLink_,
                                           dialogs, *settings_, options);
    loaded_ = window_->Load();
    window_->show();
}

WindowRig::~WindowRig() {
    // A condition that never came true must not outlive the window it watches.
    qDeleteAll(qApp->findChildren<QTimer*>(QStringLiteral("whenTrue"), Qt::FindDirectChildrenOnly));
    window_.reset();
    link.Uninit(false);
}

void WindowRig::SetScript(const std::string& text, const QString& file) {
    window_->core().SetEditorText(text);
    window_->core().SetCurrentFile(file.toStdString());
    window_->core().SetFileSaved(true);
}

void WindowRig::Type(const QString& text) {
    QTextCursor end = window_->txtCommandList()->textCursor();
    end.movePosition(QTextCursor::End);
    window_->txtCommandList()->setTextCursor(end);
    QTest::keyClicks(window_->txtCommandList(), text);
}

void WhenTrue(std::function<bool()> condition, std::function<void()> action, int timeoutMs) {
    auto* timer = new QTimer(qApp); // goes with the window rig at the latest
    timer->setObjectName(QStringLiteral("whenTrue"));
    auto waited = std::make_shared<int>(0);
    timer->setInterval(5);
    QObject::connect(timer, &QTimer::timeout, [=] {
        *waited += 5;
        if (condition()) {
            timer->stop();
            timer->deleteLater();
            action();
        } else if (*waited > timeoutMs) {
            timer->stop();
            timer->deleteLater();
        }
    });
    timer->start();
}

std::function<bool()> CommandWaiting(TestWindow& w, int ms) {
    auto since = std::make_shared<QElapsedTimer>();
    return [&w, ms, since] {
        if (w.StatusText().isEmpty()) {
            since->invalidate();
            return false;
        }
        if (!since->isValid()) since->start();
        return since->elapsed() >= ms;
    };
}

std::string ReadBytes(const QString& path) {
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) return std::string();
    return f.readAll().toStdString();
}

void WriteBytes(const QString& path, const std::string& bytes) {
    QFile f(path);
    if (f.open(QIODevice::WriteOnly)) f.write(bytes.data(), static_cast<qint64>(bytes.size()));
}

QString TestSocketPath(QTemporaryDir& dir) {
    return dir.filePath(QStringLiteral("k"));
}

void PrepareTestEnvironment(QTemporaryDir& scratch) {
    std::signal(SIGPIPE, SIG_IGN);
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    const QString root = scratch.path();
    // Never the user's host, settings or data.
    qputenv("KORVA_SOCKET", (root + u"/user-k"_s).toLocal8Bit());
    qputenv("XDG_CONFIG_HOME", (root + u"/config"_s).toLocal8Bit());
    qputenv("XDG_DATA_HOME", (root + u"/data"_s).toLocal8Bit());
    QDir().mkpath(root + u"/run"_s);
    QFile::setPermissions(root + u"/run"_s, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    qputenv("XDG_RUNTIME_DIR", (root + u"/run"_s).toLocal8Bit());
    qputenv("HOME", (root + u"/home"_s).toLocal8Bit());
    qputenv("TALVEX_LOG_FOLDER", (root + u"/logs"_s).toLocal8Bit());
    QSettings::setDefaultFormat(QSettings::IniFormat);
    QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, root + u"/settings"_s);
}

SharedKorva::SharedKorva()
    : socket_(TestSocketPath(sockets_)), process_(std::make_unique<KorvaProcess>(socket_)) {}

} // namespace talvex::testing
