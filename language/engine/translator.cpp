// TranslateLine: comments, % lines, the "#" directive table and plain words.
#include "engine/interpreter.h"

#include "engine/line_context.h"
#include "engine/paren_argument.h"
#include "macromath/braces.h"
#include "macromath/trim.h"

namespace talvex {

namespace {

// What must hold before a directive acts. Block directives only need skip mode
// off, so nesting stays in step while lines are passed over.
enum class Gate { Live, Open, Branchable, SkipOff };

} // namespace

struct Interpreter::DispatchRow {
    std::string_view keyword;
    Gate gate;
    void (Interpreter::*act)(LineContext&);
};

// Tried in this order, first match whose gate holds wins. A longer keyword
// stands before every shorter one it begins with, so "#else" catches
// "#elsewhere" but not "#elseif".
const Interpreter::DispatchRow Interpreter::kDispatch[] = {
    {"#skipon", Gate::Open, &Interpreter::SkipOn},
    {"#skipoff", Gate::Open, &Interpreter::SkipOff},
    {"#echoon", Gate::Live, &Interpreter::EchoOn},
    {"#echooff", Gate::Live, &Interpreter::EchoOff},
    {"#debughold", Gate::Live, &Interpreter::DebugHold},
    {"#debugresume", Gate::Live, &Interpreter::DebugResume},
    {"#debugon", Gate::Live, &Interpreter::DebugOn},
    {"#debugoff", Gate::Live, &Interpreter::DebugOff},
    {"#elseif", Gate::Branchable, &Interpreter::ElseIf},
    {"#endif", Gate::SkipOff, &Interpreter::EndIf},
    {"#else", Gate::Branchable, &Interpreter::Else},
    {"#if", Gate::SkipOff, &Interpreter::If},
    {"#gosub", Gate::SkipOff, &Interpreter::Gosub},
    {"#return", Gate::SkipOff, &Interpreter::Return},
    {"#while", Gate::SkipOff, &Interpreter::While},
    {"#dowhile", Gate::SkipOff, &Interpreter::DoWhile},
    {"#dountil", Gate::SkipOff, &Interpreter::DoUntil},
    {"#do", Gate::SkipOff, &Interpreter::Do},
    {"#wend", Gate::SkipOff, &Interpreter::Wend},
    {"#loopwhile", Gate::SkipOff, &Interpreter::LoopWhile},
    {"#loopuntil", Gate::SkipOff, &Interpreter::LoopUntil},
    {"#loop", Gate::SkipOff, &Interpreter::Loop},
    {"#continue", Gate::Live, &Interpreter::Continue},
    {"#break", Gate::Live, &Interpreter::Break},
    {"#oncancel", Gate::Live, &Interpreter::OnCancel},
    {"#cancel", Gate::Live, &Interpreter::Cancel},
    {"#chain", Gate::Live, &Interpreter::Chain},
    {"#call", Gate::Live, &Interpreter::Call},
    {"#responsehold", Gate::Live, &Interpreter::ResponseHold},
    {"#responseresume", Gate::Live, &Interpreter::ResponseResume},
    {"#logscript", Gate::Live, &Interpreter::LogScript},
    {"#loghold", Gate::Live, &Interpreter::LogHold},
    {"#logresume", Gate::Live, &Interpreter::LogResume},
    {"#logoff", Gate::Live, &Interpreter::LogOff},
    {"#logon", Gate::Live, &Interpreter::LogOn},
    {"#filetortf", Gate::Live, &Interpreter::FileToRtf},
    {"#filetolog", Gate::Live, &Interpreter::FileToLog},
    {"#timenow", Gate::Live, &Interpreter::TimeNow},
    {"#timereset", Gate::Live, &Interpreter::TimeReset},
    {"#timeelapsed", Gate::Live, &Interpreter::TimeElapsed},
    {"#exit", Gate::Live, &Interpreter::Exit},
    {"#setvars", Gate::Live, &Interpreter::AsSetVars},
    {"#initvars", Gate::Live, &Interpreter::AsInitVars},
    {"#clearvars", Gate::Live, &Interpreter::AsClearVars},
    {"#showvars", Gate::Live, &Interpreter::AsShowVars},
    {"#goto", Gate::Live, &Interpreter::AsGoto},
    {"#label", Gate::Live, &Interpreter::AsLabel},
};

struct Interpreter::PlainWordRow {
    std::string_view word;
    void (Interpreter::*act)(LineContext&);
};

// Plain words, tried in this order; they need no "#", so a host command that
// begins with one of them is taken as that word.
const Interpreter::PlainWordRow Interpreter::kPlainWords[] = {
    {"setvars", &Interpreter::SetVars},
    {"initvars", &Interpreter::InitVars},
    {"clearuservars", &Interpreter::ClearVars},
    {"clearvars", &Interpreter::ClearVars},
    {"showvars", &Interpreter::ShowVars},
    {"goto", &Interpreter::Goto},
    {"label", &Interpreter::Label},
};

std::string_view Interpreter::DirectiveKeyword(std::string_view lowerLine) {
    for (const DispatchRow& row : kDispatch)
        if (lowerLine.starts_with(row.keyword)) return row.keyword;
    return {};
}

std::string_view Interpreter::PlainWordKeyword(std::string_view lowerLine) {
    for (const PlainWordRow& row : kPlainWords)
        if (lowerLine.starts_with(row.word)) return row.word;
    return {};
}

std::string PositionText(long pos) {
    return pos < 0 ? std::to_string(pos) : " " + std::to_string(pos);
}

int Interpreter::TranslateLine(std::string& line, std::string& outLine, long pos, long nextPos) {
    ResponseAssign = false;

    // Inside a block the nesting limit refused, lines are passed over as in a
    // block met while lines were passed over.
    const BlockFrame& frame = CurrentFrame();
    const bool refused = !RefusedBlocks.empty();
    const bool open = !refused && IsOpenState(frame.State);
    LineContext c(line, outLine);
    c.pos = pos;
    c.nextPos = nextPos;
    c.open = open;
    c.live = open && !SkipMode;
    c.branchable = !refused && frame.State != kStateInactive && !SkipMode;
    c.result = kHostCommand;

    std::string rest;
    ParenArgument(c.rawLine, rest, c.ifOffset);

    // An expansion error leaves its own text in the line; translation goes on.
    ExpandBraces(c.rawLine, c.expanded, 0, Vars);
    outLine = c.expanded;
    long restPos = 0;
    c.arg = ParenArgument(c.expanded, rest, restPos);
    c.lc = AsciiLower(c.expanded);
    const std::string_view lc = c.lc;

    if (((lc.starts_with("'") || lc.starts_with(";")) && c.live) || lc.starts_with("//")) {
        outLine = c.rawLine;
        return kNotSent;
    }

    if (lc.starts_with("%") && c.live) {
        outLine = c.expanded.substr(1);
        ResponseAssign = true;
        return kHostCommand;
    }

    if (lc.starts_with("#")) {
        c.result = kNotSent;
        const DispatchRow* acted = nullptr;
        for (const DispatchRow& row : kDispatch) {
            if (!lc.starts_with(row.keyword)) continue;
            bool gate = false;
            switch (row.gate) {
            case Gate::Live:
                gate = c.live;
                break;
            case Gate::Open:
                gate = c.open;
                break;
            case Gate::Branchable:
                gate = c.branchable;
                break;
            case Gate::SkipOff:
                gate = !SkipMode;
                break;
            }
            if (!gate) continue;
            (this->*row.act)(c);
            acted = &row;
            break;
        }
        if (!acted) {
            outLine = (c.branchable && c.live) ? "Unkown # command: " + c.expanded : "";
            return c.result;
        }
        if (c.plainWord.empty()) return c.result;
        c.lc = c.plainWord;
    }

    if (!c.live) {
        outLine.clear();
        return c.result;
    }
    PlainWord(c);
    return c.result;
}

bool Interpreter::PlainWord(LineContext& c) {
    for (const PlainWordRow& row : kPlainWords) {
        if (!std::string_view(c.lc).starts_with(row.word)) continue;
        (this->*row.act)(c);
        c.result = kNotSent;
        return true;
    }
    return false; // a command for the host
}

void Interpreter::AsSetVars(LineContext& c) {
    c.plainWord = "setvars";
}
void Interpreter::AsInitVars(LineContext& c) {
    c.plainWord = "initvars";
}
void Interpreter::AsClearVars(LineContext& c) {
    c.plainWord = "clearvars";
}
void Interpreter::AsShowVars(LineContext& c) {
    c.plainWord = "showvars";
}
void Interpreter::AsGoto(LineContext& c) {
    c.plainWord = "goto";
}
void Interpreter::AsLabel(LineContext& c) {
    c.plainWord = "label";
}

} // namespace talvex
