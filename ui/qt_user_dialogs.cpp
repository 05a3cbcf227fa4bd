// The real message boxes and file dialogs.
#include "ui/user_dialogs.h"

#include <QCoreApplication>
#include <QDesktopServices>
#include <QFileDialog>
#include <QMessageBox>
#include <QProcess>
#include <QStandardPaths>
#include <QUrl>

namespace talvex {

namespace {

// Message texts carry CR LF; a label breaks lines at LF.
QString ForLabel(const QString& text) {
    QString out = text;
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

void QtUserDialogs::Message(MessageKind kind, const QString& text, const QString& title) {
    QMessageBox box(IconOf(kind), title, ForLabel(text), QMessageBox::Ok, parent_);
    box.exec();
}

Answer QtUserDialogs::AskYesNo(const QString& text, const QString& title) {
    QMessageBox box(QMessageBox::Information, title, ForLabel(text),
                    QMessageBox::Yes | QMessageBox::No, parent_);
    box.setDefaultButton(QMessageBox::Yes);
    return AnswerOf(box.exec());
}

Answer QtUserDialogs::AskYesNoCancel(const QString& text, const QString& title) {
    QMessageBox box(QMessageBox::Question, title, ForLabel(text),
                    QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel, parent_);
    box.setDefaultButton(QMessageBox::Yes);
    return AnswerOf(box.exec());
}

QString QtUserDialogs::ShowFileDialog(const FileDialogSetup& setup, bool save) {
    QFileDialog dialog(parent_, setup.title, setup.folder);
    dialog.setAcceptMode(save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    dialog.setFileMode(save ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
    dialog.setNameFilters(setup.filters);
    if (!setup.defaultSuffix.isEmpty()) dialog.setDefaultSuffix(setup.defaultSuffix);
    if (!setup.fileName.isEmpty()) dialog.selectFile(setup.fileName);
    if (dialog.exec() != QDialog::Accepted) return QString();
    const QStringList chosen = dialog.selectedFiles();
    return chosen.isEmpty() ? QString() : chosen.first();
}

QString QtUserDialogs::OpenFileName(const FileDialogSetup& setup) {
    return ShowFileDialog(setup, false);
}

QString QtUserDialogs::SaveFileName(const FileDialogSetup& setup) {
    return ShowFileDialog(setup, true);
}

bool QtUserDialogs::OpenDocument(const QString& path) {
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

} // namespace talvex
