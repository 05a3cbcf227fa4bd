// The real message boxes and file dialogs.
#include "ui/user_dialogs.h"

#include "ui/about_box.h"
#include "ui/find_form.h"
#include "ui/guide_window.h"

#include <QCoreApplication>
#include <QDesktopServices>
#include <QFileDialog>
#include <QMessageBox>
#include <QProcess>
#include <QStandardPaths>
#include <QUrl>

namespace talvex {

namespace {

QString Q(std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

// Message texts carry CR LF; a label breaks lines at LF.
QString ForLabel(std::string_view text) {
    QString out = Q(text);
    out.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    return out;
}

QMessageBox::Icon IconOf(MessageKind kind) {
    switch (kind) {
    case MessageKind::Information:
        return QMessageBox::Information;
    case MessageKind::Warning:
        return QMessageBox::Warning;
    case MessageKind::Critical:
        return QMessageBox::Critical;
    case MessageKind::Plain:
        break;
    }
    return QMessageBox::NoIcon;
}

Answer AnswerOf(int button) {
    if (button == QMessageBox::Yes) return Answer::Yes;
    if (button == QMessageBox::No) return Answer::No;
    return Answer::Cancel;
}

} // namespace

void QtUserDialogs::Message(MessageKind kind, std::string_view text, std::string_view title) {
    QMessageBox box(IconOf(kind), Q(title), ForLabel(text), QMessageBox::Ok, parent_);
    box.exec();
}

Answer QtUserDialogs::AskYesNo(std::string_view text, std::string_view title) {
    QMessageBox box(QMessageBox::Information, Q(title), ForLabel(text),
                    QMessageBox::Yes | QMessageBox::No, parent_);
    box.setDefaultButton(QMessageBox::Yes);
    return AnswerOf(box.exec());
}

Answer QtUserDialogs::AskYesNoCancel(std::string_view text, std::string_view title) {
    QMessageBox box(QMessageBox::Question, Q(title), ForLabel(text),
                    QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel, parent_);
    box.setDefaultButton(QMessageBox::Yes);
    return AnswerOf(box.exec());
}

std::string QtUserDialogs::ShowFileDialog(const FileDialogSetup& setup, bool save) {
    QFileDialog dialog(parent_, Q(setup.title), Q(setup.folder));
    dialog.setAcceptMode(save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    dialog.setFileMode(save ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
    QStringList filters;
    for (const std::string& f : setup.filters)
        filters << Q(f);
    dialog.setNameFilters(filters);
    if (!setup.defaultSuffix.empty()) dialog.setDefaultSuffix(Q(setup.defaultSuffix));
    if (!setup.fileName.empty()) dialog.selectFile(Q(setup.fileName));
    if (dialog.exec() != QDialog::Accepted) return {};
    const QStringList chosen = dialog.selectedFiles();
    return chosen.isEmpty() ? std::string() : chosen.first().toStdString();
}

std::string QtUserDialogs::OpenFileName(const FileDialogSetup& setup) {
    return ShowFileDialog(setup, false);
}

std::string QtUserDialogs::SaveFileName(const FileDialogSetup& setup) {
    return ShowFileDialog(setup, true);
}

bool QtUserDialogs::OpenDocument(const std::string& name) {
    // No viewer for the manual: the guide in a window of our own.
    if (OpenWithDesktop(Q(name))) return true;
    return ShowGuideWindow(Q(name), parent_);
}

bool QtUserDialogs::OpenWithDesktop(const QString& path) {
    // Qt counts a started xdg-open as success, even when it then finds no
    // program for the document (no PDF viewer on a fresh desktop) and the user
    // sees nothing. Run it ourselves and give it a second to fail; one still
    // running then has handed the document on (or waits for the viewer).
    const QString xdgOpen = QStandardPaths::findExecutable(QStringLiteral("xdg-open"));
    if (xdgOpen.isEmpty()) return QDesktopServices::openUrl(QUrl::fromLocalFile(path));
    auto* opener = new QProcess(QCoreApplication::instance());
    opener->setProgram(xdgOpen);
    opener->setArguments({path});
    opener->setStandardInputFile(QProcess::nullDevice());
    opener->setStandardOutputFile(QProcess::nullDevice());
    opener->setStandardErrorFile(QProcess::nullDevice());
    QObject::connect(opener, &QProcess::finished, opener, &QObject::deleteLater);
    QObject::connect(opener, &QProcess::errorOccurred, opener, [opener](QProcess::ProcessError e) {
        if (e == QProcess::FailedToStart) opener->deleteLater();
    });
    opener->start();
    if (!opener->waitForStarted(1000)) return false;
    if (!opener->waitForFinished(1000)) return true;
    return opener->exitStatus() == QProcess::NormalExit && opener->exitCode() == 0;
}

std::optional<std::string> QtUserDialogs::AskFindText(std::string_view text) {
    FindForm form(Q(text), parent_);
    if (form.exec() != QDialog::Accepted) return std::nullopt;
    return form.Text().toStdString();
}

void QtUserDialogs::ShowAbout(const ProgramVersion& version) {
    AboutBox about(version, parent_);
    about.exec();
}

} // namespace talvex
