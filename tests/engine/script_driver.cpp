#include "script_driver.h"

#include "macromath/number_text.h"
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

namespace {

// Position of the line after the first label line named `name`, or past the end.
long FindLabel(const std::string& text, const std::string& name) {
    const std::string wanted = AsciiLower(name);
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find("\r\n", start);
        if (end == std::string::npos) end = text.size();
        const std::string lc = AsciiLower(text.substr(start, end - start));
        const std::size_t open = lc.find('(');
        if ((lc.starts_with("#label") || lc.starts_with("label")) && open != std::string::npos &&
            TrimChars(lc.substr(open + 1), " ,)") == wanted)
            return static_cast<long>(end) + 3;
        start = end + 2;
    }
    return static_cast<long>(text.size()) + 1;
}

} // namespace

std::vector<Step> RunScript(Interpreter& in, const std::vector<std::string>& lines,
                            const std::function<std::string(const std::string&)>& host,
                            int maxLines) {
    const std::string text = JoinLines(lines);
    const long length = static_cast<long>(text.size());
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
        steps.emplace_back(code, out);
        pos = lineEnd + 2;

        std::string reply = out;
        if (code == kHostCommand && !out.empty() && host) reply = host(out);
        if (in.ResponseAssign) in.AssignList(reply);

        const std::string lc = AsciiLower(out);
        const auto number = [&] { return static_cast<long>(ValOf(out.substr(out.find('=') + 1))); };
        if (lc.starts_with("#gosub") && !in.DirectiveArg.empty()) {
            pos = FindLabel(text, in.DirectiveArg);
            in.DirectiveArg.clear();
        } else if (lc.starts_with("#return") || lc.starts_with("#wend") ||
                   lc.starts_with("#loop")) {
            pos = number();
        } else if (lc.starts_with("#goto") && !in.DirectiveArg.empty()) {
            pos = FindLabel(text, in.DirectiveArg);
        } else if (lc.starts_with("#exit")) {
            pos = length + 1;
        } else if (lc.starts_with("#if")) {
            const std::size_t at = lc.find("#offset=");
            if (at != std::string::npos && at >= 3)
                pos = lineStart + static_cast<long>(ValOf(lc.substr(at + 8))) - 1;
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
