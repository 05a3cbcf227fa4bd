// setvars, initvars, clearvars/clearuservars and showvars.
#include "engine/interpreter.h"

#include "engine/line_context.h"

namespace talvex {

void Interpreter::SetVars(LineContext& c) {
    AssignList(c.arg);
}

void Interpreter::InitVars(LineContext& c) {
    Vars.InitSystemVars();
    AssignList(c.arg);
}

void Interpreter::ClearVars(LineContext& c) {
    Vars.ClearUserVars();
    AssignList(c.arg);
}

// System variables first, then "$" variables, then the user's own, each group
// on a line of its own.
void Interpreter::ShowVars(LineContext& c) {
    auto listing = [this](auto wanted) {
        std::string text = "ShowVars: ";
        bool first = true;
        for (const VarEntry& e : Vars.Entries()) {
            if (!wanted(e.Name)) continue;
            if (!first) text += ", ";
            text += e.Name + "=" + e.Value;
            first = false;
        }
        return first ? std::string() : text;
    };
    auto holds = [](const std::string& name, char ch) {
        return name.find(ch) != std::string::npos;
    };
    const std::string system = listing([&](const std::string& n) { return holds(n, '@'); });
    const std::string dollar = listing([&](const std::string& n) { return holds(n, '$'); });
    const std::string user =
        listing([&](const std::string& n) { return !holds(n, '@') && !holds(n, '$'); });

    c.outLine = system.empty() ? "ShowVars: " : system;
    if (!dollar.empty()) c.outLine += "\r\n" + dollar;
    if (!user.empty()) c.outLine += "\r\n" + user;
}

} // namespace talvex
