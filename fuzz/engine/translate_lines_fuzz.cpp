// Random line sequences through one interpreter, walked by the tests' script
// driver, which follows the jumps the canonical lines ask for with the
// runner's rules. Whatever arrives, the block level stays within 0..40 and the
// top level is never passed over.
#include "engine/interpreter.h"
#include "macromath/arithmetic_error.h"
#include "tests/engine/script_driver.h"

#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

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

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size > kMaxScript) return 0;
    // Lines are separated by "\n" in the input; the driver joins them with CR LF.
    std::vector<std::string> lines(1);
    for (std::size_t i = 0; i < size; ++i) {
        if (data[i] == '\n')
            lines.emplace_back();
        else
            lines.back() += static_cast<char>(data[i]);
    }

    talvex::testing::PinnedClock clock;
    talvex::Interpreter in(clock.Make());
    in.ResetInterpreter("/fuzz/script.tvx");
    in.Vars.InitSystemVars();
    try {
        talvex::testing::RunScript(in, lines, {}, kMaxLinesRun, CheckState);
    } catch (const talvex::ArithmeticError&) {
        CheckState(in); // the runner ends the run at this line
    }
    return 0;
}
