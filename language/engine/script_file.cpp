// Loading and saving script files.
#include "engine/script_file.h"

#include "engine/file_access.h"
#include "engine/native_path.h"
#include "engine/text_codec.h"
#include "macromath/path_syntax.h"

#include <algorithm>
#include <cstdio>
#include <memory>

namespace talvex {

namespace {

constexpr unsigned kTextRecordTag = 8;

struct FileCloser {
    void operator()(std::FILE* f) const { std::fclose(f); }
};
using File = std::unique_ptr<std::FILE, FileCloser>;

void DropNul(std::string& text) {
    std::string::size_type w = 0;
    for (char c : text)
        if (c != '\0') text[w++] = c;
    text.resize(w);
}

} // namespace

namespace {

LoadedScriptFile ReadScript(const std::string& path, bool repairHeader) {
    LoadedScriptFile result;
    std::string bytes;
    if (!ReadWholeFile(path, bytes, result.error)) return result;

    const auto byteAt = [&](std::size_t i) {
        return i < bytes.size() ? static_cast<unsigned char>(bytes[i]) : 0u;
    };
    const unsigned tag = byteAt(0) + 256 * byteAt(1);
    const unsigned stated = byteAt(2) + 256 * byteAt(3);
    std::string text;
    if (tag == kTextRecordTag && bytes.size() >= 4) {
        const std::size_t actual = bytes.size() - 4;
        if (repairHeader && stated != actual &&
            actual <= static_cast<std::size_t>(kStoredFormatLimit)) {
            // Another editor changed the text: put the true length in the header.
            // A longer text loads whole and its header stays as it is: the
            // field cannot hold its length.
            if (File w{OpenFile(path, "r+b")}) {
                const unsigned char fix[2] = {static_cast<unsigned char>(actual & 0xFF),
                                              static_cast<unsigned char>(actual >> 8)};
                if (std::fseek(w.get(), 2, SEEK_SET) == 0) std::fwrite(fix, 1, 2, w.get());
            }
        }
        text = Cp1252ToUtf8(std::string_view(bytes).substr(4));
        DropNul(text);
    } else {
        text = DecodePlainText(bytes);
        DropNul(text);
        DropLeadingByteOrderMarks(text); // one that stood behind a NUL
        result.otherLineEndLine = FirstOtherLineEnd(text);
        text = CrLfLineEnds(std::move(text));
    }
    result.length = static_cast<long>(CharCount(text));
    result.text = std::move(text);
    result.ok = true;
    return result;
}

} // namespace

LoadedScriptFile LoadScriptFile(const std::string& path) {
    return ReadScript(path, true);
}

LoadedScriptFile ReadScriptFile(const std::string& path) {
    return ReadScript(path, false);
}

std::string ScriptFileBytes(std::string_view text) {
    std::string bytes;
    std::string encoded;
    // A lone CR or LF (a stored text may hold them) would end a line in a
    // plain-text file, so such a text keeps the stored format even when it is
    // longer than the length field can tell.
    if (Utf8ToCp1252(text, encoded) && (static_cast<long>(encoded.size()) <= kStoredFormatLimit ||
                                        CrLfLineEnds(std::string(text)) != text)) {
        const std::size_t field = std::min<std::size_t>(encoded.size(), 0xFFFF);
        bytes.push_back(static_cast<char>(kTextRecordTag));
        bytes.push_back('\0');
        bytes.push_back(static_cast<char>(field & 0xFF));
        bytes.push_back(static_cast<char>(field >> 8));
        bytes += encoded;
    } else {
        bytes.assign(text);
    }
    return bytes;
}

bool SaveScriptFile(const std::string& path, std::string_view text, std::string& error) {
    return ReplaceFileContent(path, ScriptFileBytes(text), error);
}

std::string FileNameOf(std::string_view path) {
    return std::string(path.substr(FolderLength(path)));
}

std::string FolderOf(std::string_view path) {
    return std::string(path.substr(0, FolderLength(path)));
}

std::string BaseNameOf(std::string_view path) {
    std::string name = FileNameOf(path);
    const auto dot = name.find('.');
    if (dot != std::string::npos) name.erase(dot);
    return name;
}

std::string DirectoryOf(std::string_view path) {
    const std::size_t drive = DriveLength(path);
    const std::size_t folder = FolderLength(path);
    if (folder <= drive) return std::string(path.substr(0, drive));
    // A file in the root folder keeps its separator so the folder is still
    // named ("/run.tvx" gives "/"); after a drive the drive alone names it
    // ("C:\run.tvx" gives "C:").
    if (folder == drive + 1) return std::string(path.substr(0, drive == 0 ? 1 : drive));
    return std::string(path.substr(0, folder - 1));
}

std::string ResolvePath(std::string_view baseFolder, std::string_view name) {
    if (name.empty() || IsAbsolutePath(name) || baseFolder.empty()) return std::string(name);
    std::string out(baseFolder);
    // "C:" names the drive's current folder: "C:run.tvx" is a name in it.
    // Otherwise the join keeps the separator the folder is written with.
    if (!IsPathSeparator(out.back()) && out.size() != DriveLength(out)) {
        const auto last = std::find_if(out.rbegin(), out.rend(), IsPathSeparator);
        out += last == out.rend() ? kPathSeparator : *last;
    }
    out += name;
    return out;
}

} // namespace talvex
