// #gosub/#return call frames and the #oncancel/#cancel handler directives.
#include "engine/interpreter.h"

#include "engine/line_context.h"
#include "macromath/trim.h"

namespace talvex {

void Interpreter::Gosub(LineContext& c) {
    DirectiveArg.clear();
    if (c.open) {
        // "#gosub(sub1, @a=1, @b=2)" sets @a and @b before the call.
        const std::size_t comma = c.arg.find(',');
        if (comma != std::string::npos) {
            AssignList(std::string_view(c.arg).substr(comma + 1));
            DirectiveArg = TrimChars(std::string_view(c.arg).substr(0, comma), " ");
        } else {
            DirectiveArg = c.arg;
        }
    }
    if (!BlockFits(BlockLevel, kGosubFrame)) {
        RefuseNesting();
        c.outLine = "Error:nesting is too deep: #Gosub(" + c.arg + ")";
        return;
    }
    if (!c.open) {
        c.outLine.clear();
        return;
    }
    c.line += "<" + c.arg + ">";
    if (DirectiveArg.empty()) {
        // No jump will happen, so no frame is pushed that no #return would pop.
        c.outLine = "#" + c.line + " error no label name specified";
        return;
    }
    ++BlockLevel;
    Frame() = BlockFrame{kGosubFrame, kStateActive, c.nextPos, 0};
    if (!c.rawLine.starts_with("#")) c.outLine = "#" + c.line;
}

void Interpreter::Return(LineContext& c) {
    // Inside a refused block the innermost block is that block, not a call.
    const BlockFrame& frame = CurrentFrame();
    if (frame.Kind != kGosubFrame || !RefusedBlocks.empty()) {
        c.outLine = "Error: #Return found out of proper order";
        return;
    }
    // A call frame is only ever pushed by a running #gosub, so it always
    // returns, also after a nesting error passed over the rest of its body.
    c.outLine = "#Return=" + PositionText(frame.Pos);
    PopFrame();
}

void Interpreter::OnCancel(LineContext& c) {
    DirectiveArg = c.arg;
    c.outLine = "#OnCancel(" + c.arg + ")";
}

void Interpreter::Cancel(LineContext& c) {
    DirectiveArg = c.arg;
    ResetBlocks();
    c.outLine = "#Cancel(" + c.arg + ")";
}

} // namespace talvex
