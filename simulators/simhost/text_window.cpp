// Standard output as the simulators' text window.
#include "simhost/text_window.h"

#include <cstdio>

namespace talvex::simhost {

void WriteToTextWindow(const std::string& text) {
    std::fwrite(text.data(), 1, text.size(), stdout);
    std::fflush(stdout);
}

} // namespace talvex::simhost
