// Any bytes as a script file through the loader. The loader never crashes, a
// plain-text file is never changed (a stored-format file at most gets its
// length field repaired), and what was loaded saves and loads back to the
// same text.
#include "engine/file_access.h"
#include "engine/script_file.h"
#include "fuzz/common/scratch_folder.h"

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

namespace {

void Check(bool ok, const char* what) {
    if (ok) return;
    std::fprintf(stderr, "property broken: %s\n", what);
    std::abort();
}

void WriteFile(const std::string& path, std::string_view bytes) {
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) std::abort();
    if (std::fwrite(bytes.data(), 1, bytes.size(), f) != bytes.size()) std::abort();
    std::fclose(f);
}

std::string ReadBack(const std::string& path) {
    std::string bytes;
    std::string error;
    if (!talvex::ReadWholeFile(path, bytes, error)) std::abort();
    return bytes;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    const std::string original = talvex::fuzzing::ScratchFolder() + "/original.tvx";
    const std::string saved = talvex::fuzzing::ScratchFolder() + "/saved.tvx";
    WriteFile(original, input);

    const talvex::LoadedScriptFile first = talvex::LoadScriptFile(original);
    Check(first.ok, "an existing file loads");

    const std::string after = ReadBack(original);
    const bool stored = size >= 4 && data[0] == 8 && data[1] == 0;
    if (stored) {
        // Only the length field (bytes 2 and 3) may be rewritten.
        Check(after.size() == size, "stored file keeps its size");
        Check(after.compare(0, 2, input.substr(0, 2)) == 0, "stored file keeps its tag");
        Check(after.compare(4, std::string::npos, input.substr(4)) == 0,
              "stored file keeps its text record");
    } else {
        Check(after == input, "plain-text file is never changed");
    }

    std::string error;
    Check(talvex::SaveScriptFile(saved, first.text, error), "saving works");
    const talvex::LoadedScriptFile second = talvex::LoadScriptFile(saved);
    Check(second.ok, "the saved file loads");
    Check(second.text == first.text, "load, save and load give the same text");
    Check(second.length == first.length, "the same length in characters");
    return 0;
}
