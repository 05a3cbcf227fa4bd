// The interpreter: the state every script line is translated against (variable
// store, block stack, modes, the argument handed to the runner, the script
// timer) and TranslateLine, which turns one raw line into a host command or a
// canonical directive line.
#pragma once

#include "engine/block_stack.h"
#include "macromath/environment.h"
#include "macromath/variable_store.h"

#include <string>
#include <string_view>
#include <vector>

namespace talvex {

// Result codes of TranslateLine.
enum TranslateResult : int {
    kHostCommand = 0, // outLine goes to the host (unless echo mode is on)
    kNotSent = 1,     // nothing is sent; a line beginning with "#" is not shown
    kAlwaysShown = 2, // nothing is sent; outLine is shown all the same
};

struct LineContext;

// The file a #call or #chain with the argument `arg` runs, as its canonical
// line names it: without the blanks, commas and quotes around it, and with
// ".tvx" added when it has no ".". "" when no file is named.
std::string CalledScriptName(const std::string& arg);

class Interpreter {
public:
    explicit Interpreter(Environment env = Environment::system());

    // Run start: empties the variable store, remembers the top-level script,
    // closes every block and clears skip, debug and the directive argument.
    // Echo mode belongs to the run commands and is left alone.
    void ResetInterpreter(std::string_view scriptFile);

    // Drops every open block (a chained script starts at the top level).
    void ResetBlocks();

    // The block stack as a script level found it when it began.
    struct BlockMark {
        int level = 0;
        BlockFrames frames;
        std::vector<std::int16_t> refused;
        int outerLowest = 0;
    };
    // Marks where a level begins; EndBlocksSince(mark) at its end drops the
    // blocks it left open and gives back the frames it closed or reset, so
    // the stack is as the level found it. Marks nest with the levels.
    BlockMark MarkBlocks();
    void EndBlocksSince(const BlockMark& mark);

    // Translates one script line. `line` is the raw line without its line
    // break (goto and #gosub lines get "<label>" appended in place); `pos` is
    // where the line starts in the script text (1-based), `nextPos` where the
    // following line starts. Returns a TranslateResult; an empty `outLine`
    // means the line is dropped. ArithmeticError from the expression core
    // passes through; the state is then as before the line.
    int TranslateLine(std::string& line, std::string& outLine, long pos, long nextPos);

    // The translator's own keyword matching, for editors that mark keywords.
    // `lowerLine` is a line lower-cased (ASCII). The first "#" keyword of the
    // directive table the line begins with, gates aside; the first plain word
    // it begins with; "" for none.
    static std::string_view DirectiveKeyword(std::string_view lowerLine);
    static std::string_view PlainWordKeyword(std::string_view lowerLine);

    // Reads a list of name=value items into the variable store (the host's
    // reply to a % line, setvars, loop ends, #gosub).
    int AssignList(std::string_view list);

    // The current local time from the store's clock.
    LocalTime Now() const;

    const BlockFrame& CurrentFrame() const { return BlockStack[BlockLevel]; }

    // Echo mode: lines are shown, nothing reaches the host (list-only runs,
    // #echoon and #echooff).
    bool EchoMode() const { return echoMode_; }
    void SetEchoMode(bool on) { echoMode_ = on; }

    VariableStore Vars;
    BlockFrames BlockStack;
    int BlockLevel = 0;
    // Block openers the nesting limit refused whose end directives have not
    // come yet, innermost last, each with the kind it would have had. While
    // one is open its lines are passed over, and its end directive closes it
    // here instead of closing a frame of BlockStack that it never opened.
    std::vector<std::int16_t> RefusedBlocks;
    // The lowest BlockLevel since the current level began.
    int LowestBlockLevel = 0;
    bool SkipMode = false;
    bool DebugMode = false;
    bool DebugSaved = false;
    bool DebugHeld = false;
    bool ResponseAssign = false;
    // Label or file argument for the runner; it clears it after use.
    std::string DirectiveArg;
    // Origin of #timereset / #timeelapsed; the runner sets it when a top-level run starts.
    LocalTime TimerStart;

private:
    bool echoMode_ = false;

    struct Condition {
        bool holds = false;
        std::string value; // the evaluator's text
        std::string trace; // value "=(" substituted ")" "=(" condition ")" ")"
    };
    Condition EvaluateCondition(const std::string& condition) const;
    BlockFrame& Frame() { return BlockStack[BlockLevel]; }
    void PopFrame();
    // A block opener or #gosub the nesting limit refused: the rest of the
    // innermost block is passed over, and no loop around it may repeat.
    void RefuseNesting();
    // An end directive met while a refused opener is open: closes the
    // innermost one when the kinds pair, else gives `outOfOrder`. False when
    // no refused opener is open.
    bool CloseRefused(LineContext& c, std::int16_t kind, const std::string& outOfOrder);

    // Mode switches.
    void SkipOn(LineContext& c);
    void SkipOff(LineContext& c);
    void EchoOn(LineContext& c);
    void EchoOff(LineContext& c);
    void DebugHold(LineContext& c);
    void DebugResume(LineContext& c);
    void DebugOn(LineContext& c);
    void DebugOff(LineContext& c);
    void ResponseHold(LineContext& c);
    void ResponseResume(LineContext& c);
    void HoldDebug();
    void ResumeDebug();

    // Conditionals.
    void If(LineContext& c);
    void ElseIf(LineContext& c);
    void Else(LineContext& c);
    void EndIf(LineContext& c);

    // Loops.
    void While(LineContext& c);
    void DoWhile(LineContext& c);
    void DoUntil(LineContext& c);
    void Do(LineContext& c);
    void Wend(LineContext& c);
    void Loop(LineContext& c);
    void LoopWhile(LineContext& c);
    void LoopUntil(LineContext& c);
    void Continue(LineContext& c);
    void Break(LineContext& c);
    void OpenLoop(LineContext& c, std::int16_t kind, const char* name, int test);
    void CloseLoop(LineContext& c, std::int16_t kind, const char* errorName, const char* jumpName,
                   int test);

    // Subroutines and cancel handlers.
    void Gosub(LineContext& c);
    void Return(LineContext& c);
    void OnCancel(LineContext& c);
    void Cancel(LineContext& c);

    // Script files, logs.
    void Chain(LineContext& c);
    void Call(LineContext& c);
    void LogScript(LineContext& c);
    void LogHold(LineContext& c);
    void LogResume(LineContext& c);
    void LogOff(LineContext& c);
    void LogOn(LineContext& c);
    void FileToRtf(LineContext& c);
    void FileToLog(LineContext& c);
    void FileDirective(LineContext& c, const char* canonical);

    // Timer.
    void TimeNow(LineContext& c);
    void TimeReset(LineContext& c);
    void TimeElapsed(LineContext& c);

    void Exit(LineContext& c);

    // The six directives that go on as plain words.
    void AsSetVars(LineContext& c);
    void AsInitVars(LineContext& c);
    void AsClearVars(LineContext& c);
    void AsShowVars(LineContext& c);
    void AsGoto(LineContext& c);
    void AsLabel(LineContext& c);

    // Plain words (also reached from their "#" forms).
    bool PlainWord(LineContext& c);
    void SetVars(LineContext& c);
    void InitVars(LineContext& c);
    void ClearVars(LineContext& c);
    void ShowVars(LineContext& c);
    void Goto(LineContext& c);
    void Label(LineContext& c);

    struct DispatchRow;
    static const DispatchRow kDispatch[];
    struct PlainWordRow;
    static const PlainWordRow kPlainWords[];
};

} // namespace talvex
