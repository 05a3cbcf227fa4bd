// goto, label and #exit: lines whose work is the runner's.
#include "engine/interpreter.h"

#include "engine/line_context.h"

namespace talvex {

// The runner jumps when the line begins with "#goto" and the label is set, so
// a plain "goto(...)" line is shown with a "#" in front.
void Interpreter::Goto(LineContext& c) {
    DirectiveArg = c.arg;
    c.line += "<" + c.arg + ">";
    if (DirectiveArg.empty())
        c.outLine = "#" + c.line + " error no label name specified";
    else if (!c.rawLine.starts_with("#"))
        c.outLine = "#" + c.line;
}

void Interpreter::Label(LineContext& c) {
    if (!c.rawLine.starts_with("#")) c.outLine = "#" + c.rawLine;
}

void Interpreter::Exit(LineContext& c) {
    c.outLine = "#Exit";
}

} // namespace talvex
