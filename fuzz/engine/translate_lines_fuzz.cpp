// Random line sequences through one interpreter, following the jumps the
// canonical lines ask for, as the runner would. Whatever arrives, the block
// level stays within 0..40 and the top level is never passed over.
#include "engine/interpreter.h"
#include "macromath/arithmetic_error.h"
#include "macromath/number_text.h"
#include "macromath/trim.h"

#include <cstdint>
#include <cstdlib>
#include <string>

namespace {

constexpr int kMaxLinesRun = 2000;
constexpr std::size_t kMaxScript = 4096;

void Check(bool ok) {
    if (!ok) std::abort();
}

void CheckState(const talvex::Interpreter& in) {
    Check(in.BlockLevel >= 0 && in.BlockLevel <= talvex::kMaxBlockLevel);
    Check(in.BlockStack[0].Kind == talvex::kTopLevel);
    Check(in.BlockStack[0].State == talvex::kStateTop);
}

long FindLabel(const std::string& text, const std::string& name) {
    const std::string wanted = talvex::AsciiLower(name);
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find("\r\n", start);
        if (end == std::string::npos) end = text.size();
        const std::string lc = talvex::AsciiLower(text.substr(start, end - start));
        const std::size_t open = lc.find('(');
        if ((lc.starts_with("#label") || lc.starts_with("label")) && open != std::string::npos &&
            talvex::TrimChars(lc.substr(open + 1), " ,)") == wanted)
            return static_cast<long>(end) + 3;
        start = end + 2;
    }
    return static_cast<long>(text.size()) + 1;
}

long NumberAfter(const std::string& text, std::size_t at) {
    const double v = talvex::ValOf(text.substr(at));
    if (!(v > 0 && v < 1e9)) return 1L << 30; // past any script: ends the run
    return static_cast<long>(v);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size > kMaxScript) return 0;
    // Lines are separated by "\n" in the input; the script holds CR LF as the runner does.
    std::string text;
    for (std::size_t i = 0; i < size; ++i) {
        if (data[i] == '\n')
            text += "\r\n";
        else
            text += static_cast<char>(data[i]);
    }

    talvex::Environment env;
    env.now = [] { return talvex::LocalTime{2026, 3, 7, 9, 5, 3}; };
    env.hostDir = [] { return std::string(); };
    talvex::Interpreter in(env);
    in.ResetInterpreter("/fuzz/script.tvx");
    in.Vars.InitSystemVars();

    const long length = static_cast<long>(text.size());
    long pos = 1;
    for (int run = 0; run < kMaxLinesRun && pos >= 1 && pos < length; ++run) {
        while ((text[pos - 1] == ' ' || text[pos - 1] == '\t') && pos < length - 1)
            ++pos;
        const long lineStart = pos;
        const std::size_t cr = text.find("\r\n", static_cast<std::size_t>(pos - 1));
        const long lineEnd = cr == std::string::npos ? length + 1 : static_cast<long>(cr) + 1;
        std::string line = text.substr(pos - 1, lineEnd - pos);
        std::string out;
        try {
            in.TranslateLine(line, out, pos, lineEnd + 2);
        } catch (const talvex::ArithmeticError&) {
            CheckState(in);
            return 0; // the runner ends the run at this line
        }
        CheckState(in);
        pos = lineEnd + 2;

        if (in.ResponseAssign) in.AssignList(out);
        const std::string lc = talvex::AsciiLower(out);
        if (lc.starts_with("#gosub") && !in.DirectiveArg.empty()) {
            pos = FindLabel(text, in.DirectiveArg);
            in.DirectiveArg.clear();
        } else if (lc.starts_with("#return") || lc.starts_with("#wend") ||
                   lc.starts_with("#loop")) {
            pos = NumberAfter(out, out.find('=') + 1);
        } else if (lc.starts_with("#goto") && !in.DirectiveArg.empty()) {
            pos = FindLabel(text, in.DirectiveArg);
        } else if (lc.starts_with("#exit")) {
            break;
        } else if (lc.starts_with("#if")) {
            const std::size_t at = lc.find("#offset=");
            if (at != std::string::npos && at >= 3) pos = lineStart + NumberAfter(lc, at + 8) - 1;
        }
    }
    return 0;
}
