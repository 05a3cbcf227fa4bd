// Construction and the run-start reset of the interpreter state.
#include "engine/interpreter.h"

#include "engine/assign_list.h"

namespace talvex {

Interpreter::Interpreter(Environment env) : Vars(std::move(env)) {
    TimerStart = Now();
}

void Interpreter::ResetInterpreter(std::string_view scriptFile) {
    Vars.Clear();
    Vars.RunScriptFile = std::string(scriptFile);
    BlockLevel = 0;
    BlockStack.fill(BlockFrame{});
    SkipMode = false;
    DirectiveArg.clear();
    DebugMode = false;
    DebugSaved = false;
    DebugHeld = false;
}

void Interpreter::ResetBlocks() {
    BlockLevel = 0;
    BlockStack[0] = BlockFrame{};
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

} // namespace talvex
