// #if, #elseif, #else and #endif, and the condition test the loops share.
#include "engine/interpreter.h"

#include "engine/line_context.h"
#include "macromath/braces.h"
#include "macromath/evaluator.h"
#include "macromath/number_text.h"

namespace talvex {

Interpreter::Condition Interpreter::EvaluateCondition(const std::string& condition) const {
    Condition result;
    std::string substituted;
    if (!Vars.SubstituteVarsWithin(condition, kMaxLineBytes, substituted)) {
        // A value the condition names over and over again would fill memory;
        // the test fails with the text a line that cannot be expanded gets.
        result.value = "{#error expanding <" + condition + "> expansion does not end}";
        result.trace = result.value + "=()=(" + condition + "))";
        return result;
    }
    result.value = EvalExpression(substituted, 0, Vars.environment().decimalSeparator);
    result.holds = ValOf(result.value) != 0;
    result.trace = result.value + "=(" + substituted + ")=(" + condition + "))";
    return result;
}

void Interpreter::If(LineContext& c) {
    // Everything that can fail (the evaluation) happens before the stack changes.
    std::int16_t state = kStateInactive;
    std::string shownValue = c.arg;
    if (c.open) {
        const Condition cond = EvaluateCondition(c.arg);
        state = cond.holds ? kStateActive : kStatePending;
        shownValue = cond.value;
        c.outLine = "#If(" + cond.trace;
    } else {
        c.outLine = "#If(" + c.arg + ")";
    }

    const bool singleLine = c.ifOffset > 0;
    // A block opened inside a refused one would be deeper still.
    if (!singleLine && (!BlockFits(BlockLevel, kIfBlock) || !RefusedBlocks.empty())) {
        RefuseNesting();
        RefusedBlocks.push_back(kIfBlock);
        c.outLine = "Error:nesting is too deep: #If(" + shownValue + ")";
        return;
    }
    if (singleLine) {
        // Nothing is pushed; the runner runs the statement when the test held.
        if (state == kStateActive) c.outLine += " #offset=" + std::to_string(c.ifOffset);
        return;
    }
    ++BlockLevel;
    Frame() = BlockFrame{kIfBlock, state, c.pos, 0};
    if (state == kStateInactive) c.outLine.clear();
}

void Interpreter::ElseIf(LineContext& c) {
    BlockFrame& frame = Frame();
    if (frame.Kind != kIfBlock) {
        c.outLine = "Error: #ElseIf found out of proper order";
        return;
    }
    if (frame.State == kStatePending) {
        const Condition cond = EvaluateCondition(c.arg);
        if (cond.holds) frame.State = kStateActive;
        c.outLine = "#ElseIf(" + cond.trace;
        return;
    }
    if (frame.State == kStateActive) frame.State = kStateFinished;
    c.outLine = "#ElseIf(" + c.arg + ")";
}

void Interpreter::Else(LineContext& c) {
    BlockFrame& frame = Frame();
    if (frame.Kind != kIfBlock) {
        c.outLine = "Error: #ElseIf found out of proper order";
        return;
    }
    if (frame.State == kStateActive)
        frame.State = kStateFinished;
    else if (frame.State == kStatePending)
        frame.State = kStateActive;
    c.outLine = "#Else";
}

void Interpreter::EndIf(LineContext& c) {
    const std::string outOfOrder = "Error: #Endif found out of proper order";
    if (CloseRefused(c, kIfBlock, outOfOrder)) return;
    const BlockFrame& frame = CurrentFrame();
    if (frame.Kind != kIfBlock) {
        c.outLine = outOfOrder;
        return;
    }
    c.outLine = frame.State == kStateInactive ? "" : "#Endif";
    PopFrame();
}

} // namespace talvex
