// #while/#wend, #dowhile/#dountil/#loop, #do/#loopwhile/#loopuntil,
// #continue and #break. A loop repeats by sending the runner back to its
// opening line, which pushes a fresh frame; it is left by going on after its
// end directive.
#include "engine/interpreter.h"

#include "engine/line_context.h"

namespace talvex {

namespace {

// How an opening or closing directive reads its condition.
enum LoopTest { kNoTest, kWhileTest, kUntilTest };

} // namespace

void Interpreter::OpenLoop(LineContext& c, std::int16_t kind, const char* name, int test) {
    std::int16_t state = kStateInactive;
    std::string shown = c.arg;
    std::string trace = c.arg + ")";
    if (c.open) {
        state = kStateActive;
        if (test != kNoTest) {
            const Condition cond = EvaluateCondition(c.arg);
            const bool enter = test == kWhileTest ? cond.holds : !cond.holds;
            state = enter ? kStateActive : kStateFinished;
            shown = cond.value;
            trace = cond.trace;
        }
    }

    // A loop needs one level more than an #if: its frame must sit below 40.
    // One opened inside a refused block would be deeper still.
    if (!BlockFits(BlockLevel, kind) || !RefusedBlocks.empty()) {
        RefuseNesting();
        RefusedBlocks.push_back(kind);
        c.outLine = std::string("Error:nesting is too deep: ") + name + "(" + shown + ")";
        return;
    }
    ++BlockLevel;
    Frame() = BlockFrame{kind, state, c.pos, static_cast<std::int16_t>(state == kStateFinished)};
    c.outLine = state == kStateInactive ? "" : std::string(name) + "(" + trace;
    if (kind == kDoBlock && state == kStateActive) AssignList(c.arg);
}

void Interpreter::While(LineContext& c) {
    OpenLoop(c, kWhileBlock, "#While", kWhileTest);
}
void Interpreter::DoWhile(LineContext& c) {
    OpenLoop(c, kDoTestBlock, "#DoWhile", kWhileTest);
}
void Interpreter::DoUntil(LineContext& c) {
    OpenLoop(c, kDoTestBlock, "#DoUntil", kUntilTest);
}
void Interpreter::Do(LineContext& c) {
    OpenLoop(c, kDoBlock, "#Do", kNoTest);
}

void Interpreter::CloseLoop(LineContext& c, std::int16_t kind, const char* errorName,
                            const char* jumpName, int test) {
    const std::string outOfOrder =
        std::string("Error: ") + errorName + " found out of proper order";
    if (CloseRefused(c, kind, outOfOrder)) return;
    const BlockFrame& frame = CurrentFrame();
    if (frame.Kind != kind) {
        c.outLine = outOfOrder;
        return;
    }
    // A loop met inside a block that is not running is only closed: its
    // condition is not tested and its assignments are not made.
    const bool passedOver = frame.State == kStateInactive;
    long target = c.nextPos;
    if (!frame.Done && !passedOver) {
        if (test == kNoTest) {
            target = frame.Pos;
        } else {
            const bool holds = EvaluateCondition(c.arg).holds;
            const bool repeat = test == kWhileTest ? holds : !holds;
            target = repeat ? frame.Pos : c.nextPos;
        }
    }
    if (test == kNoTest && !frame.Done && !passedOver) AssignList(c.arg);
    c.outLine = passedOver ? "" : std::string(jumpName) + PositionText(target);
    PopFrame();
}

void Interpreter::Wend(LineContext& c) {
    CloseLoop(c, kWhileBlock, "#Wend", "#Wend=", kNoTest);
}

void Interpreter::Loop(LineContext& c) {
    CloseLoop(c, kDoTestBlock, "#Loop", "#Loop=", kNoTest);
}

void Interpreter::LoopWhile(LineContext& c) {
    CloseLoop(c, kDoBlock, "#LoopWhile", "#Loop=", kWhileTest);
}

void Interpreter::LoopUntil(LineContext& c) {
    CloseLoop(c, kDoBlock, "#LoopUntil", "#Loop=", kUntilTest);
}

// Both act on the innermost block, whatever opened it; the top level is never
// passed over.
void Interpreter::Continue(LineContext& c) {
    if (BlockLevel > 0) Frame().State = kStateFinished;
    c.outLine = "#Continue";
}

void Interpreter::Break(LineContext& c) {
    if (BlockLevel > 0) {
        Frame().State = kStateFinished;
        Frame().Done = 1;
    }
    c.outLine = "#Break";
}

} // namespace talvex
