// Where a jump lands, worked out from the script text and the canonical line
// alone: label lines and their positions, the position written after "=", the
// one-line #if offset. The runner and the tests' script driver both use these,
// so a test's walk through a script jumps where a run would.
#pragma once

#include <string>
#include <string_view>
#include <unordered_map>

namespace talvex {

// Label name (lower case) -> 1-based position of the line after its first
// label line.
using LabelIndex = std::unordered_map<std::string, long>;

// The label lines of `script` (lines separated by CR LF). A label line starts,
// no blanks skipped, with "#label" or "label" (any case) and holds "("; its
// name is what follows, trimmed of " ,)". The first line of a name wins.
LabelIndex IndexLabels(std::string_view script);

// The name `line` (one line, no line break) defines as a label line, lower
// case; false when it is no label line.
bool LabelOnLine(std::string_view line, std::string& name);

// Position of the line after label `name` (any case), or a position beyond
// the end of a script of `scriptLength` bytes when there is no such label.
long LabelPosition(const LabelIndex& labels, std::string_view name, long scriptLength);

// The position a "#Return=", "#Wend=" or "#Loop=" line carries after its first
// "=" (the whole line when it has none), never before the first line. Throws
// ArithmeticError when the number does not fit.
long PositionAfterEquals(std::string_view result);

// Where a one-line #if goes when its canonical line carries "#offset=": that
// many bytes on from the start of the line (`lineStart`), never before the
// first line; `fallThrough` when it carries no offset. Throws ArithmeticError
// when the number does not fit.
long OffsetTarget(std::string_view result, long lineStart, long fallThrough);

} // namespace talvex
