// What the directive handlers of one TranslateLine call share.
#pragma once

#include <string>
#include <string_view>

namespace talvex {

struct LineContext {
    LineContext(std::string& rawRef, std::string& out)
        : line(rawRef), outLine(out), rawLine(rawRef) {}

    std::string& line;    // raw line, may be extended by goto/#gosub
    std::string& outLine; // canonical output
    const std::string rawLine;
    std::string expanded; // after brace expansion
    std::string lc;       // expanded, lower case; keyword tests look here
    std::string arg;      // text inside the first parentheses of `expanded`
    long pos = 0;
    long nextPos = 0;
    long ifOffset = 0; // where a one-line #if's statement starts in the raw line
    bool open = false;
    bool live = false;
    bool branchable = false;
    int result = 0;
    // Set by the "#setvars" ... "#label" rows: go on as this plain word.
    std::string_view plainWord;
};

// Decimal position with one leading blank, as the runner reads it after "=".
std::string PositionText(long pos);

} // namespace talvex
