#include "script_driver.h"

#include "engine/jump_targets.h"
#include "macromath/trim.h"

namespace talvex::testing {

std::string JoinLines(const std::vector<std::string>& lines) {
    std::string text;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        if (i > 0) text += "\r\n";
        text += lines[i];
    }
    return text;
}

std::vector<Step> RunScript(Interpreter& in, const std::vector<std::string>& lines,
                            const std::function<std::string(const std::string&)>& host,
                            int maxLines,
                            const std::function<void(const Interpreter&)>& afterLine) {
    const std::string text = JoinLines(lines);
    const long length = static_cast<long>(text.size());
    const LabelIndex labels = IndexLabels(text);
    std::vector<Step> steps;
    long pos = 1;
    while (pos < length && maxLines-- > 0) {
        while ((text[pos - 1] == ' ' || text[pos - 1] == '\t') && pos < length - 1)
            ++pos;
        const long lineStart = pos;
        std::size_t end = text.find("\r\n", pos - 1);
        const long lineEnd = end == std::string::npos ? length + 1 : static_cast<long>(end) + 1;
        std::string raw = text.substr(pos - 1, lineEnd - pos);
        std::string out;
        const int code = in.TranslateLine(raw, out, pos, lineEnd + 2);
        if (afterLine) afterLine(in);
        steps.emplace_back(code, out);
        pos = lineEnd + 2;

        std::string reply = out;
        if (code == kHostCommand && !out.empty() && host) reply = host(out);
        if (in.ResponseAssign) in.AssignList(reply);

        // The directives that move the runner, with the targets it would reach.
        const std::string lc = AsciiLower(out);
        if (lc.starts_with("#gosub") && !in.DirectiveArg.empty()) {
            pos = LabelPosition(labels, in.DirectiveArg, length);
            in.DirectiveArg.clear();
        } else if (lc.starts_with("#return") || lc.starts_with("#wend") ||
                   lc.starts_with("#loop")) {
            pos = PositionAfterEquals(out);
        } else if (lc.starts_with("#goto") && !in.DirectiveArg.empty()) {
            pos = LabelPosition(labels, in.DirectiveArg, length);
        } else if (lc.starts_with("#exit")) {
            pos = length + 1;
        } else if (lc.starts_with("#if")) {
            pos = OffsetTarget(out, lineStart, pos);
        }
    }
    return steps;
}

Environment PinnedClock::Make(char decimalSeparator) {
    Environment env;
    env.now = [this] { return now; };
    env.hostDir = [] { return std::string("/opt/korva32/"); };
    env.decimalSeparator = decimalSeparator;
    return env;
}

} // namespace talvex::testing
