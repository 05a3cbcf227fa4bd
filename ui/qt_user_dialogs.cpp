// The real message boxes and file dialogs.
#include "ui/user_dialogs.h"

#include "ui/about_box.h"
#include "ui/find_form.h"

#include <QDesktopServices>
#include <QFileDialog>
#include <QMessageBox>
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

bool QtUserDialogs::OpenDocument(const std::string& path) {
    return QDesktopServices::openUrl(QUrl::fromLocalFile(Q(path)));
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
