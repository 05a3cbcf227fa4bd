// Host discovery on Windows.
#include "ddelink/korva_search.h"

#include "ddelink/wide_text.h"

#include <windows.h>

namespace talvex {

namespace {
const wchar_t kHostFile[] = L"korva32.exe";

bool IsSeparator(wchar_t c) {
    return c == L'\\' || c == L'/';
}

std::wstring Join(const std::wstring& folder, const std::wstring& name) {
    if (!folder.empty() && IsSeparator(folder.back())) return folder + name;
    return folder + L"\\" + name;
}

std::wstring CurrentDrive() {
    const DWORD n = GetCurrentDirectoryW(0, nullptr);
    if (n == 0) return {};
    std::wstring dir(n, L'\0');
    dir.resize(GetCurrentDirectoryW(n, dir.data()));
    if (dir.size() >= 2 && dir[1] == L':') return dir.substr(0, 2);
    // A UNC working folder has no drive letter: its root stands in for it.
    if (dir.rfind(L"\\\\", 0) == 0) {
        const std::size_t server = dir.find(L'\\', 2);
        const std::size_t share =
            server == std::wstring::npos ? server : dir.find(L'\\', server + 1);
        return share == std::wstring::npos ? dir : dir.substr(0, share);
    }
    return {};
}
} // namespace

std::wstring OwnFolder() {
    std::wstring path(MAX_PATH, L'\0');
    for (;;) {
        const DWORD n = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
        if (n == 0) return {};
        if (n < path.size()) {
            path.resize(n);
            break;
        }
        path.resize(path.size() * 2);
    }
    return FolderOf(path);
}

std::wstring FolderOf(const std::wstring& path) {
    const std::size_t cut = path.find_last_of(L"\\/");
    if (cut == std::wstring::npos) return {};
    return path.substr(0, cut);
}

KorvaSearch KorvaSearch::FromEnvironment() {
    KorvaSearch s;
    s.envKorva32 = EnvironmentValue(L"KORVA32");
    s.ownFolder = OwnFolder();
    s.drive = CurrentDrive();
    s.fixed = {s.drive + L"\\korva32\\korva32.exe", s.drive + L"\\korva\\korva32.exe",
               L"c:\\korva32\\korva32.exe", L"d:\\korva32\\korva32.exe"};
    return s;
}

KorvaSearch KorvaSearch::Only(const std::wstring& path) {
    KorvaSearch s;
    s.envKorva32 = path;
    return s;
}

bool IsUsableKorva(const std::wstring& path) {
    if (path.empty()) return false;
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data)) return false;
    if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) return false;
    return data.nFileSizeHigh != 0 || data.nFileSizeLow >= 1;
}

std::string KorvaSearchFailure(const KorvaSearch& search) {
    std::string named;
    if (!search.envKorva32.empty()) {
        WIN32_FILE_ATTRIBUTE_DATA data;
        const char* why = "no such file";
        if (GetFileAttributesExW(search.envKorva32.c_str(), GetFileExInfoStandard, &data))
            why =
                (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) ? "not a file" : "an empty file";
        named = Utf8FromWide(search.envKorva32) + ": " + why;
    }
    if (search.ownFolder.empty() && search.fixed.empty() && !named.empty()) return named;
    const std::string others = "no korva32.exe beside the program or in the usual places";
    return named.empty() ? others : named + "; " + others;
}

std::wstring FindKorva(const KorvaSearch& search) {
    if (IsUsableKorva(search.envKorva32)) return search.envKorva32;
    std::vector<std::wstring> candidates;
    if (!search.ownFolder.empty()) {
        candidates.push_back(Join(search.ownFolder, kHostFile));
        // The parent is the own folder without its last component; a folder
        // without a separator is its own parent.
        const std::wstring parent = FolderOf(search.ownFolder);
        candidates.push_back(Join(parent.empty() ? search.ownFolder : parent, kHostFile));
    }
    candidates.insert(candidates.end(), search.fixed.begin(), search.fixed.end());
    for (const std::wstring& c : candidates)
        if (IsUsableKorva(c)) return c;
    return {};
}

} // namespace talvex
