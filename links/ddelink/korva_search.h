// Finding korva32.exe on Windows: where to look and in which order.
#pragma once

#include <string>
#include <vector>

namespace talvex {

struct KorvaSearch {
    std::wstring envKorva32;         // value of KORVA32: a usable file wins outright
    std::wstring ownFolder;          // the folder this program runs from
    std::wstring drive;              // the current drive ("C:"), for the rooted places
    std::vector<std::wstring> fixed; // tried after the own and the parent folder

    // The places of a real installation, read from this process.
    static KorvaSearch FromEnvironment();
    // Only the given file (a host named on the command line).
    static KorvaSearch Only(const std::wstring& path);
};

// The first usable host in search order, or "" when there is none. Usable: an
// existing file (not a folder) of at least 1 byte.
std::wstring FindKorva(const KorvaSearch& search);

bool IsUsableKorva(const std::wstring& path);

// Why FindKorva found nothing, in one line for the user (UTF-8).
std::string KorvaSearchFailure(const KorvaSearch& search);

// The folder this program runs from.
std::wstring OwnFolder();

// The folder part of a path, "\" or "/" separated: "C:\a\b.exe" gives "C:\a".
std::wstring FolderOf(const std::wstring& path);

} // namespace talvex
