// The simulators' text window: what rtftextnl() writes goes to standard
// output, at once, so whoever started the host sees it as it comes.
#pragma once

#include <string>

namespace talvex::simhost {

void WriteToTextWindow(const std::string& text);

} // namespace talvex::simhost
