// Skip, echo and debug switches, and the debug hold that #responsehold shares.
#include "engine/interpreter.h"

#include "engine/line_context.h"

namespace talvex {

void Interpreter::SkipOn(LineContext& c) {
    SkipMode = true;
    c.outLine = "#Skipon";
}

void Interpreter::SkipOff(LineContext& c) {
    SkipMode = false;
    c.outLine = "#Skipoff";
}

void Interpreter::EchoOn(LineContext& c) {
    echoMode_ = true;
    c.outLine = "#EchoOn";
}

void Interpreter::EchoOff(LineContext& c) {
    echoMode_ = false;
    c.outLine = "#EchoOff";
}

// A second hold keeps the state saved by the first, so one resume restores
// what was there before any hold.
void Interpreter::HoldDebug() {
    if (!DebugHeld) {
        DebugSaved = DebugMode;
        DebugHeld = true;
        DebugMode = false;
    }
}

void Interpreter::ResumeDebug() {
    if (DebugHeld) {
        DebugHeld = false;
        DebugMode = DebugSaved;
    }
}

void Interpreter::DebugHold(LineContext& c) {
    HoldDebug();
    c.outLine = "#DebugHold";
}

void Interpreter::DebugResume(LineContext& c) {
    ResumeDebug();
    c.outLine = "#DebugResume";
}

void Interpreter::DebugOn(LineContext& c) {
    DebugMode = true;
    DebugHeld = false;
    c.outLine = "#DebugOn";
}

void Interpreter::DebugOff(LineContext& c) {
    DebugMode = false;
    DebugHeld = false;
    c.outLine = "#DebugOff";
}

void Interpreter::ResponseHold(LineContext& c) {
    HoldDebug();
    c.outLine = "#ResponseHold";
}

void Interpreter::ResponseResume(LineContext& c) {
    ResumeDebug();
    c.outLine = "#ResponseResume";
}

} // namespace talvex
