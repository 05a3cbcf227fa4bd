// Resource numbers of talvex.exe, shared by its resource script and its code
// (so plain #defines: the resource compiler reads this too).
#pragma once

// The user's guide's Markdown, for the guide window when no PDF viewer opens
// talvex_help.pdf.
#define TALVEX_GUIDE_MARKDOWN 2
// The program's icon and the About box's logo (the window class and the
// About box name it by this number).
#define TALVEX_ICON 1
