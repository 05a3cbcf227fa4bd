#include "win32/win32_dialogs.h"

#include "ddelink/wide_text.h"
#include "win32/modal_form.h"
#include "win32/resource_ids.h"

#include <commdlg.h>
#include <shellapi.h>

#include <algorithm>

namespace talvex {

namespace {

std::wstring W(std::string_view text) {
    return WideFromUtf8(text);
}

std::wstring WindowsPath(std::string_view path) {
    std::wstring wide = W(path);
    std::replace(wide.begin(), wide.end(), L'/', L'\\');
    return wide;
}

UINT IconOf(MessageKind kind) {
    switch (kind) {
    case MessageKind::Information:
        return MB_ICONINFORMATION;
    case MessageKind::Warning:
        return MB_ICONWARNING;
    case MessageKind::Critical:
        return MB_ICONERROR;
    case MessageKind::Plain:
        break;
    }
    return 0;
}

Answer AnswerOf(int button) {
    if (button == IDYES) return Answer::Yes;
    if (button == IDNO) return Answer::No;
    return Answer::Cancel;
}

// "Script Files(*.tvx)" as the dialog's pair: the name, then its patterns.
std::wstring FilterList(const std::vector<std::string>& filters) {
    std::wstring list;
    for (const std::string& f : filters) {
        std::wstring patterns = L"*.*";
        const std::size_t open = f.rfind('('), close = f.rfind(')');
        if (open != std::string::npos && close != std::string::npos && close > open) {
            patterns = W(std::string_view(f).substr(open + 1, close - open - 1));
            std::replace(patterns.begin(), patterns.end(), L' ', L';');
        }
        list += W(f);
        list += L'\0';
        list += patterns;
        list += L'\0';
    }
    list += L'\0';
    return list;
}

} // namespace

void Win32Dialogs::Message(MessageKind kind, std::string_view text, std::string_view title) {
    MessageBoxW(owner_, W(text).c_str(), W(title).c_str(), MB_OK | IconOf(kind));
}

Answer Win32Dialogs::AskYesNo(std::string_view text, std::string_view title) {
    return AnswerOf(
        MessageBoxW(owner_, W(text).c_str(), W(title).c_str(), MB_YESNO | MB_ICONINFORMATION));
}

Answer Win32Dialogs::AskYesNoCancel(std::string_view text, std::string_view title) {
    return AnswerOf(
        MessageBoxW(owner_, W(text).c_str(), W(title).c_str(), MB_YESNOCANCEL | MB_ICONQUESTION));
}

std::string Win32Dialogs::FileDialog(const FileDialogSetup& setup, bool save) {
    std::wstring file = WindowsPath(setup.fileName);
    file.resize(std::max<std::size_t>(file.size() + 1, 32768), L'\0');
    const std::wstring filters = FilterList(setup.filters);
    const std::wstring folder = WindowsPath(setup.folder);
    const std::wstring title = W(setup.title);
    const std::wstring suffix = W(setup.defaultSuffix);
    OPENFILENAMEW ofn{};
    ofn.lStructSize = sizeof ofn;
    ofn.hwndOwner = owner_;
    ofn.lpstrFilter = filters.c_str();
    ofn.nFilterIndex = 1;
    ofn.lpstrFile = file.data();
    ofn.nMaxFile = static_cast<DWORD>(file.size());
    ofn.lpstrInitialDir = folder.empty() ? nullptr : folder.c_str();
    ofn.lpstrTitle = title.empty() ? nullptr : title.c_str();
    ofn.lpstrDefExt = suffix.empty() ? nullptr : suffix.c_str();
    ofn.Flags = OFN_EXPLORER | OFN_HIDEREADONLY | OFN_NOCHANGEDIR | OFN_PATHMUSTEXIST |
                (save ? OFN_OVERWRITEPROMPT : OFN_FILEMUSTEXIST);
    const BOOL chosen = save ? GetSaveFileNameW(&ofn) : GetOpenFileNameW(&ofn);
    if (!chosen) return {};
    return Utf8FromWide(file.c_str());
}

std::string Win32Dialogs::OpenFileName(const FileDialogSetup& setup) {
    return FileDialog(setup, false);
}

std::string Win32Dialogs::SaveFileName(const FileDialogSetup& setup) {
    return FileDialog(setup, true);
}

bool Win32Dialogs::OpenDocument(const std::string& path) {
    // Above 32: the document went to the program registered for it.
    const auto result = reinterpret_cast<INT_PTR>(
        ShellExecuteW(owner_, L"open", WindowsPath(path).c_str(), nullptr, nullptr, SW_SHOWNORMAL));
    if (result > 32) return true;
    // No viewer for the guide's PDF: the guide in a window of our own.
    if (!IsGuidePdf(path)) return false;
    const std::string_view markdown = BuiltInGuide();
    if (markdown.empty()) return false;
    // Made once; again should its owner have taken it along.
    if (!guide_ || !IsWindow(guide_->Handle()))
        guide_ = std::make_unique<GuideWindow>(owner_, markdown);
    guide_->Show();
    return true;
}

std::optional<std::string> Win32Dialogs::AskFindText(std::string_view text) {
    constexpr int kText = 100;
    std::wstring found;
    const std::vector<FormControl> controls{
        {L"STATIC", L"Text to find in script", 101, SS_LEFT | SS_NOPREFIX, 240, 120, 1725, 285},
        {L"STATIC", L"Use F3 for Find Again", 102, SS_RIGHT | SS_NOPREFIX, 2910, 120, 1725, 285},
        {L"EDIT", W(text), kText, WS_TABSTOP | ES_AUTOHSCROLL, 210, 480, 4455, 345},
        {L"BUTTON", L"OK", IDOK, WS_TABSTOP | BS_DEFPUSHBUTTON, 840, 1170, 1275, 405},
        {L"BUTTON", L"Cancel", IDCANCEL, WS_TABSTOP | BS_PUSHBUTTON, 2640, 1170, 1275, 405},
    };
    const int ended = RunForm(owner_, L"Find", 4785, 2085, controls, [&](HWND form, int id) {
        if (id == IDOK) {
            HWND edit = GetDlgItem(form, kText);
            std::wstring value(static_cast<std::size_t>(GetWindowTextLengthW(edit)) + 1, L'\0');
            GetWindowTextW(edit, value.data(), static_cast<int>(value.size()));
            found = value.c_str();
        }
        return id == IDOK || id == IDCANCEL;
    });
    if (ended != IDOK) return std::nullopt;
    return Utf8FromWide(found);
}

void Win32Dialogs::ShowAbout(const ProgramVersion& v) {
    const std::wstring version = L"Talvex\r\nVersion " + std::to_wstring(v.major) + L"." +
                                 std::to_wstring(v.minor) + L"." + std::to_wstring(v.revision);
    const std::vector<FormControl> controls{
        // The program's icon as its logo, by its number.
        {L"STATIC", L"#" + std::to_wstring(TALVEX_ICON), 101, SS_ICON, 0, 0, 1500, 1500},
        {L"STATIC", version, 102, SS_CENTER | SS_NOPREFIX, 1575, 225, 2640, 690},
        {L"BUTTON", L"OK", IDOK, WS_TABSTOP | BS_DEFPUSHBUTTON, 2430, 975, 990, 390},
    };
    RunForm(owner_, L"About", 4260, 1500, controls,
            [](HWND, int id) { return id == IDOK || id == IDCANCEL; });
}

} // namespace talvex
