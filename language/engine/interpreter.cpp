// Construction and the run-start reset of the interpreter state.
#include "engine/interpreter.h"

#include "engine/assign_list.h"
#include "engine/line_context.h"

#include <algorithm>

namespace talvex {

Interpreter::Interpreter(Environment env) : Vars(std::move(env)) {
    TimerStart = Now();
}

void Interpreter::ResetInterpreter(std::string_view scriptFile) {
    Vars.Clear();
    Vars.RunScriptFile = std::string(scriptFile);
    BlockLevel = 0;
    LowestBlockLevel = 0;
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
    LowestBlockLevel = 0;
    BlockStack[0] = BlockFrame{};
    RefusedBlocks.clear();
}

Interpreter::BlockMark Interpreter::MarkBlocks() {
    BlockMark mark{BlockLevel, BlockStack, RefusedBlocks, LowestBlockLevel};
    LowestBlockLevel = BlockLevel;
    return mark;
}

void Interpreter::EndBlocksSince(const BlockMark& mark) {
    // Frames the level closed or reset below its start were the outer
    // levels' own; whatever the level put in their places goes.
    for (int level = LowestBlockLevel + 1; level <= mark.level; ++level)
        BlockStack[level] = mark.frames[level];
    BlockLevel = mark.level;
    RefusedBlocks = mark.refused;
    LowestBlockLevel = mark.outerLowest;
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
    LowestBlockLevel = std::min(LowestBlockLevel, BlockLevel);
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
