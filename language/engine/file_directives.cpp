// #chain and #call, and the log and file directives: the translator only
// prepares the canonical line and the argument; the runner does the work.
#include "engine/interpreter.h"

#include "engine/line_context.h"
#include "macromath/trim.h"

namespace talvex {

namespace {

// The argument without the blanks, commas and quotes around it.
std::string FileNameOf(const std::string& arg) {
    return TrimChars(arg, " ,'\"");
}

} // namespace

std::string CalledScriptName(const std::string& arg) {
    std::string file = FileNameOf(arg);
    if (!file.empty() && file.find('.') == std::string::npos) file += ".tvx";
    return file;
}

void Interpreter::Chain(LineContext& c) {
    c.result = kAlwaysShown;
    const std::string file = CalledScriptName(c.arg);
    c.outLine = file.empty() ? "Error no chain file specified" : "#Chain=" + file;
}

void Interpreter::Call(LineContext& c) {
    c.result = kNotSent;
    const std::string file = CalledScriptName(c.arg);
    c.outLine = file.empty() ? "Error no call file specified" : "#Call=" + file;
}

void Interpreter::LogScript(LineContext& c) {
    c.result = kAlwaysShown;
    c.outLine = c.expanded;
}

void Interpreter::LogHold(LineContext& c) {
    c.outLine = "#LogHold";
}

void Interpreter::LogResume(LineContext& c) {
    c.outLine = "#LogResume";
}

void Interpreter::LogOff(LineContext& c) {
    c.result = kAlwaysShown;
    c.outLine = "#LogOff";
}

// The runner opens the file named by DirectiveArg, which keeps the argument
// as written; the shown line carries the bare name.
void Interpreter::FileDirective(LineContext& c, const char* canonical) {
    c.result = kAlwaysShown;
    const std::string file = FileNameOf(c.arg);
    if (file.empty()) {
        DirectiveArg.clear();
        c.outLine = canonical;
    } else {
        DirectiveArg = c.arg;
        c.outLine = std::string(canonical) + "=" + file;
    }
}

void Interpreter::LogOn(LineContext& c) {
    FileDirective(c, "#LogOn");
}
void Interpreter::FileToRtf(LineContext& c) {
    FileDirective(c, "#FileToRTF");
}
void Interpreter::FileToLog(LineContext& c) {
    FileDirective(c, "#FileToLog");
}

} // namespace talvex
