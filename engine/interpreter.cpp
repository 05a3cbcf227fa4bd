// Construction and the run-start reset of the interpreter state.
#include "engine/interpreter.h"

#include "engine/assign_list.h"
#include "engine/line_context.h"

namespace talvex {

Interpreter::Interpreter(Environment env) : Vars(std::move(env)) {
    TimerStart = Now();
}

void Interpreter::ResetInterpreter(std::string_view scriptFile) {
    Vars.Clear();
    Vars.RunScriptFile = std::string(scriptFile);
    BlockLevel = 0;
    BlockStack.fill(BlockFrame{});
    RefusedBlocks.clear();
    SkipMode = false;
    DirectiveArg.clear();
    DebugMode = false;
    DebugSaved = false;
    DebugHeld = false;
}

void Interpreter::ResetBlocks() {
    BlockLevel = 0;
    BlockStack[0] = BlockFrame{};
    RefusedBlocks.clear();
}

int Interpreter::AssignList(std::string_view list) {
    return talvex::AssignList(list, Vars);
}

LocalTime Interpreter::Now() const {
    const auto& clock = Vars.environment().now;
    return clock ? clock() : SystemLocalTime();
}

void Interpreter::PopFrame() {
    if (BlockLevel > 0) --BlockLevel;
}

void Interpreter::RefuseNesting() {
    Frame().State = kStateInactive;
    // The refused block's lines never run, and a loop whose progress is made
    // there would repeat for ever: every open loop is left at its end instead.
    for (int level = 1; level <= BlockLevel; ++level)
        BlockStack[level].Done = 1;
}

bool Interpreter::CloseRefused(LineContext& c, std::int16_t kind, const std::string& outOfOrder) {
    if (RefusedBlocks.empty()) return false;
    if (RefusedBlocks.back() != kind) {
        c.outLine = outOfOrder;
        return true;
    }
    RefusedBlocks.pop_back();
    c.outLine.clear();
    return true;
}

} // namespace talvex
