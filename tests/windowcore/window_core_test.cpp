// The window's logic without widgets or a host: script files and the
// unsaved-changes question, recent files, runs and run control, closing
// during a run, Find, Help, the layout and the editor's rules.
#include "engine/text_codec.h"
#include "tests/app/stored_format.h"
#include "tests/app/temp_folder.h"
#include "tests/windowcore/fake_window.h"
#include "windowcore/editor_text.h"
#include "windowcore/script_tokens.h"
#include "windowcore/window_layout.h"

#include <gtest/gtest.h>

#include <functional>

namespace talvex::testing {
namespace {

const std::string kBase = "KORVA Automated Script Program";
const std::string kChanged =
    "Changes have been made in your current Script File.  Do you want to save the changes?";

std::deque<Answer> Answers(std::string_view letters) {
    std::deque<Answer> out;
    for (char c : letters)
        out.push_back(c == 'Y' ? Answer::Yes : c == 'N' ? Answer::No : Answer::Cancel);
    return out;
}

// ---- Script files ----

struct FileCase {
    const char* name;
    bool edited;                    // the user typed "' edited" after opening old.tvx
    std::string answers;            // Y, N or C, one a question
    std::vector<std::string> files; // the file dialogs' answers, names in the folder ("" cancels)
    std::function<void(WindowCore&)> act;
    std::string editor;    // afterwards
    std::string caption;   // after the base caption's " - "; "" for the base alone
    bool saved;            // FileSaved afterwards
    std::string oldOnDisk; // old.tvx's script afterwards
    std::vector<std::string> questions;
    std::vector<std::string> messages; // their starts
};

class FileCommands : public ::testing::TestWithParam<FileCase> {};

TEST_P(FileCommands, AsTheUserSeesThem) {
    const FileCase& c = GetParam();
    TempFolder dir;
    const std::string old = "echo(old)", next = "echo(new)";
    WriteBytes(dir.File("old.tvx"), StoredFormat(old));
    WriteBytes(dir.File("new.tvx"), StoredFormat(next));
    WriteBytes(dir.File("bad.tvx"), "");
    FakeWindow w(dir.Path());
    ASSERT_TRUE(w.core->Load());
    w.core->OpenAtStart(dir.File("old.tvx"));
    if (c.edited) w.Type("' edited");
    w.face.dialogs.answers = Answers(c.answers);
    for (const std::string& f : c.files)
        w.face.dialogs.fileAnswers.push_back(f.empty() ? f : dir.File(f));
    c.act(*w.core);

    EXPECT_EQ(w.face.editor, c.editor);
    EXPECT_EQ(w.face.caption, c.caption.empty() ? kBase : kBase + " - " + c.caption);
    EXPECT_EQ(w.core->FileSaved(), c.saved);
    EXPECT_EQ(ReadBytes(dir.File("old.tvx")), StoredFormat(c.oldOnDisk));
    EXPECT_EQ(w.face.dialogs.questions, c.questions);
    ASSERT_EQ(w.face.dialogs.messages.size(), c.messages.size());
    for (std::size_t i = 0; i < c.messages.size(); ++i)
        EXPECT_TRUE(w.face.dialogs.messages[i].starts_with(c.messages[i]))
            << w.face.dialogs.messages[i];
}

const auto kNew = [](WindowCore& w) { w.NewClicked(); };
const auto kOpen = [](WindowCore& w) { w.OpenClicked(); };
const auto kSave = [](WindowCore& w) { w.SaveClicked(); };
const auto kSaveAs = [](WindowCore& w) { w.SaveAsClicked(); };
const auto kClose = [](WindowCore& w) {
    const bool closes = w.CloseRequested();
    EXPECT_EQ(closes, w.FileSaved());
};

INSTANTIATE_TEST_SUITE_P(
    Window, FileCommands,
    ::testing::Values(
        FileCase{"NewWithoutChanges", false, "", {}, kNew, "", "", true, "echo(old)", {}, {}},
        FileCase{"NewCancelled",
                 true,
                 "C",
                 {},
                 kNew,
                 "echo(old)' edited",
                 "old.tvx",
                 false,
                 "echo(old)",
                 {kChanged},
                 {}},
        FileCase{"NewDiscarding", true, "N", {}, kNew, "", "", true, "echo(old)", {kChanged}, {}},
        FileCase{"NewSavingFirst",
                 true,
                 "Y",
                 {},
                 kNew,
                 "",
                 "",
                 true,
                 "echo(old)' edited",
                 {kChanged},
                 {}},
        FileCase{"OpenAnother",
                 false,
                 "",
                 {"new.tvx"},
                 kOpen,
                 "echo(new)",
                 "new.tvx",
                 true,
                 "echo(old)",
                 {},
                 {}},
        FileCase{"OpenCancelledKeepsAll",
                 true,
                 "N",
                 {""},
                 kOpen,
                 "echo(old)' edited",
                 "old.tvx",
                 false,
                 "echo(old)",
                 {kChanged},
                 {}},
        FileCase{"OpenUnreadableKeepsAll",
                 false,
                 "",
                 {"missing.tvx"},
                 kOpen,
                 "echo(old)",
                 "old.tvx",
                 true,
                 "echo(old)",
                 {},
                 {"Unable to open "}},
        FileCase{"SaveWritesTheFile",
                 true,
                 "",
                 {},
                 kSave,
                 "echo(old)' edited",
                 "old.tvx",
                 true,
                 "echo(old)' edited",
                 {},
                 {}},
        FileCase{"SaveAsNamesTheWindow",
                 true,
                 "",
                 {"other.tvx"},
                 kSaveAs,
                 "echo(old)' edited",
                 "other.tvx",
                 true,
                 "echo(old)",
                 {},
                 {}},
        FileCase{"SaveAsCancelled",
                 true,
                 "",
                 {""},
                 kSaveAs,
                 "echo(old)' edited",
                 "old.tvx",
                 false,
                 "echo(old)",
                 {},
                 {}},
        FileCase{"SaveFailsKeepsTheChanges",
                 true,
                 "",
                 {"nofolder/x.tvx"},
                 kSaveAs,
                 "echo(old)' edited",
                 "old.tvx",
                 false,
                 "echo(old)",
                 {},
                 {"Unable to save "}},
        FileCase{"CloseAsksAndCancels",
                 true,
                 "C",
                 {},
                 kClose,
                 "echo(old)' edited",
                 "old.tvx",
                 false,
                 "echo(old)",
                 {kChanged},
                 {}},
        FileCase{"CloseSaving",
                 true,
                 "Y",
                 {},
                 kClose,
                 "echo(old)' edited",
                 "old.tvx",
                 true,
                 "echo(old)' edited",
                 {kChanged},
                 {}},
        FileCase{"CloseWithoutChanges",
                 false,
                 "",
                 {},
                 kClose,
                 "echo(old)",
                 "old.tvx",
                 true,
                 "echo(old)",
                 {},
                 {}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(WindowFiles, DialogsTakeTheExtensionFromTheFileName) {
    struct Row {
        std::string current, filter, suffix, proposed;
    };
    for (const Row& r : {Row{"/a.b/run.tvx", "(*.tvx)", "tvx", "/a.b/run.tvx"},
                         Row{"/a.b/run", "(*.tvx)", "tvx", "/a.b/run.tvx"},
                         Row{"/data/run.t", "(*.t*)", "", "/data/run"}}) {
        FakeWindow w("/prog");
        w.core->SetCurrentFile(r.current);
        w.core->SaveAsClicked();
        ASSERT_EQ(w.face.dialogs.fileDialogs.size(), 1u) << r.current;
        const FileDialogSetup& s = w.face.dialogs.fileDialogs[0];
        EXPECT_EQ(s.filters, std::vector<std::string>{r.filter}) << r.current;
        EXPECT_EQ(s.defaultSuffix, r.suffix) << r.current;
        EXPECT_EQ(s.fileName, r.proposed) << r.current;
        EXPECT_EQ(s.title, "Save File As");
    }
}

TEST(WindowFiles, ScriptNamedAtStartUp) {
    TempFolder dir;
    FakeWindow w(dir.Path());
    ASSERT_TRUE(w.core->Load());
    w.core->OpenAtStart(dir.File("none.tvx"));
    EXPECT_EQ(w.face.dialogs.messages,
              std::vector<std::string>{"File not found '" + dir.File("none.tvx") + "'"});
    EXPECT_EQ(w.face.caption, kBase);
}

// ---- Recent files ----

TEST(WindowRecentFiles, NineKeptChosenMovedAndMissingRemovedAcrossARestart) {
    TempFolder dir;
    MapSettings stored;
    std::vector<std::string> names;
    for (int i = 1; i <= 10; ++i) {
        names.push_back(dir.File("s" + std::to_string(i) + ".tvx"));
        WriteBytes(names.back(), StoredFormat("echo(" + std::to_string(i) + ")"));
    }
    {
        FakeWindow w(dir.Path());
        ASSERT_TRUE(w.core->Load());
        EXPECT_FALSE(w.face.separator);
        for (const std::string& n : names)
            w.core->OpenAtStart(n);
        // The newest on top, the oldest dropped.
        ASSERT_EQ(w.face.recent.size(), 9u);
        EXPECT_EQ(w.face.recent.front(), names[9]);
        EXPECT_EQ(w.face.recent.back(), names[1]);
        stored = w.settings;
    }
    std::remove(names[5].c_str());
    FakeWindow w(dir.Path());
    w.settings = stored;
    ASSERT_TRUE(w.core->Load());
    EXPECT_TRUE(w.face.separator);
    EXPECT_EQ(w.face.recent.front(), names[9]);
    w.core->RecentClicked(3); // s8: to the top
    EXPECT_EQ(w.face.editor, "echo(8)");
    EXPECT_EQ(w.face.recent[0], names[7]);
    EXPECT_EQ(w.face.recent[1], names[9]);
    w.core->RecentClicked(5); // s6, gone: said, the editor emptied, the entry removed
    EXPECT_EQ(w.face.dialogs.messages.back(), "File not found '" + names[5] + "'");
    EXPECT_EQ(w.face.editor, "");
    EXPECT_EQ(w.face.recent[4], names[4]);
    EXPECT_EQ(w.face.recent[8], "");
    EXPECT_EQ(w.settings.Read("FileInfo", "File9"), "");
    EXPECT_EQ(w.settings.Read("FileInfo", "File5"), names[4]);
}

// ---- Runs and run control ----

struct CloseCase {
    const char* name;
    bool edited;
    std::string answers;
    std::vector<std::string> questions;
    bool closes;
};

class CloseDuringARun : public ::testing::TestWithParam<CloseCase> {};

// Closing during a run asks first, then about unsaved edits; until both are
// answered for closing, the run goes on untouched.
TEST_P(CloseDuringARun, AsksBeforeStoppingAnything) {
    const CloseCase& c = GetParam();
    FakeWindow w;
    w.SetScript("wait(20000)\r\necho(never)\r\n");
    if (c.edited) w.Type("' edited");
    w.face.dialogs.answers = Answers(c.answers);
    w.face.dialogs.fileAnswers = {""}; // a save would need a name: Save As cancelled
    bool asked = false, cancelled = false;
    w.link.whileWaiting = [&] {
        if (!asked) {
            asked = true;
            EXPECT_FALSE(w.core->CloseRequested());
        } else if (!c.closes && !cancelled) {
            cancelled = true; // kept: the user cancels it later
            w.core->CancelClicked();
        }
    };
    w.core->RunScriptClicked();
    EXPECT_EQ(w.face.dialogs.questions, c.questions);
    EXPECT_EQ(w.face.pane, "cancelled\r\nscript interrupted by user\r\n");
    EXPECT_EQ(w.face.closes, c.closes ? 1 : 0);
    if (c.closes) {
        EXPECT_TRUE(w.face.dialogs.messages.empty()) << "no Script Done while closing";
        EXPECT_TRUE(w.core->CloseRequested()) << "nothing asked again";
    }
}

const std::string kStop = "A script is running. Stop it and close?";
INSTANTIATE_TEST_SUITE_P(
    Window, CloseDuringARun,
    ::testing::Values(CloseCase{"No", true, "N", {kStop}, false},
                      CloseCase{"YesThenCancel", true, "YC", {kStop, kChanged}, false},
                      CloseCase{"YesDoNotSave", true, "YN", {kStop, kChanged}, true},
                      CloseCase{"YesNothingToSave", false, "Y", {kStop}, true}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(WindowRun, AFrozenHostIsToldAndCanBeGivenUp) {
    FakeWindow w;
    w.link.frozen = true;
    w.SetScript("wait(20000)\r\necho(never)\r\n");
    int round = 0;
    w.link.whileWaiting = [&] {
        if (++round == 1) {
            w.face.Fire(*w.core, WindowTimer::WaitStatus);
            EXPECT_TRUE(w.face.status.starts_with("Waiting 0 s for KORVA: wait(20000)"))
                << w.face.status;
            w.face.dialogs.answers = Answers("Y");
            w.core->EscapePressed(); // Cancel Script? Yes: the hard cancel goes unanswered
            EXPECT_EQ(w.face.status, "KORVA does not answer the hard cancel");
            w.face.dialogs.answers = Answers("Y");
            w.core->CancelClicked(); // drop the link
        }
    };
    w.core->RunScriptClicked();
    EXPECT_TRUE(w.link.dropped);
    EXPECT_EQ(w.face.dialogs.questions,
              (std::vector<std::string>{
                  "Cancel Script?", "KORVA does not answer. Drop the link and stop the script?"}));
    EXPECT_EQ(w.face.status, "") << "the status bar clears when the command ends";
    EXPECT_TRUE(w.face.pane.ends_with("script interrupted by user\r\n")) << w.face.pane;
}

TEST(WindowRun, ControlsTheHardCancelLineAndTheListOnlyRun) {
    FakeWindow w;
    for (auto [before, after] : {std::pair<std::string, std::string>{"", "\r\nhardcancel"},
                                 {"echo(x)", "echo(x)\r\nhardcancel"},
                                 {"echo(x)\r\n", "echo(x)\r\nhardcancel"}}) {
        w.SetScript(before);
        w.core->SendHardCancelClicked();
        EXPECT_EQ(w.core->EditorText(), after);
        EXPECT_FALSE(w.core->FileSaved());
        EXPECT_EQ(w.link.commands.back(), "hardcancel");
    }
    w.SetScript("echo(a)\r\n");
    w.link.commands.clear();
    bool lockedDuringRun = false;
    w.face.onEvents = [&] { lockedDuringRun = !w.face.runControls && w.face.busy; };
    w.core->RunScriptClicked();
    EXPECT_TRUE(lockedDuringRun);
    EXPECT_TRUE(w.face.runControls);
    EXPECT_FALSE(w.face.busy);
    EXPECT_EQ(w.link.commands, std::vector<std::string>{"echo(a)"});
    w.core->CommandLabelClicked(); // a list-only run sends nothing
    EXPECT_EQ(w.link.commands.size(), 1u);
    EXPECT_EQ(w.face.pane, "echo(a)\r\n");
}

TEST(WindowRun, ACallShowsTheOtherScriptAndKeepsTheUsersEdits) {
    TempFolder dir;
    WriteBytes(dir.File("sub.tvx"), StoredFormat("echo(in sub)\r\necho(sub 2)\r\n"));
    FakeWindow w(dir.Path());
    const std::string main = "echo(before)\r\n#call(sub)\r\necho(after)\r\n";
    w.SetScript(main, dir.File("main.tvx"));
    w.Type("' mine");
    w.core->RunScriptClicked();
    EXPECT_EQ(w.face.runDocumentsShown,
              std::vector<std::string>{"echo(in sub)\r\necho(sub 2)\r\n"});
    EXPECT_FALSE(w.face.runDocument) << "the user's script is back";
    EXPECT_EQ(w.core->EditorText(), main + "' mine");
    EXPECT_FALSE(w.core->FileSaved());
    EXPECT_EQ(w.face.caption, kBase);
    EXPECT_EQ(w.core->CurrentFile(), dir.File("main.tvx"));
    EXPECT_EQ(w.face.runningLines.back(), -1);
}

// ---- The script check in the editor ----

TEST(WindowCheck, FindingsFollowTheScriptAndGuardTheRun) {
    FakeWindow w;
    w.SetScript("#while (1)\r\necho(a)\r\n#goto(nowhere)\r\n");
    ASSERT_TRUE(w.face.TimerActive(WindowTimer::Check)) << "checked a moment after an edit";
    w.face.Fire(*w.core, WindowTimer::Check);
    ASSERT_EQ(w.face.findings.size(), 2u);
    EXPECT_EQ(w.face.findings[0].line, 1);
    EXPECT_EQ(w.face.findings[1].line, 3);
    EXPECT_TRUE(w.face.findingsPane);
    w.core->SetFindingsListShown(false);
    EXPECT_FALSE(w.face.findingsPane);
    w.core->SetFindingsListShown(true);
    w.core->FindingClicked(1);
    EXPECT_EQ(w.face.caretAt, (std::pair<long, long>{3, w.face.findings[1].column}));

    // Errors make the run ask first; No starts nothing.
    w.face.dialogs.answers = Answers("N");
    w.core->RunScriptClicked();
    EXPECT_EQ(w.face.dialogs.questions,
              std::vector<std::string>{"The script has 2 errors. Run anyway?"});
    EXPECT_TRUE(w.link.commands.empty());
    EXPECT_EQ(w.face.pane, "");

    // Mended, the list goes and the run starts without a question.
    w.SetScript("echo(a)\r\n");
    w.face.Fire(*w.core, WindowTimer::Check);
    EXPECT_TRUE(w.face.findings.empty());
    EXPECT_FALSE(w.face.findingsPane);
    w.core->RunScriptClicked();
    EXPECT_EQ(w.face.dialogs.questions.size(), 1u);
    EXPECT_EQ(w.link.commands, std::vector<std::string>{"echo(a)"});
}

// ---- Find, Help, About, the link window ----

TEST(WindowFind, SearchesThePaneThatHadTheFocus) {
    FakeWindow w;
    w.SetScript("echo(Alpha)\r\necho(alpha)\r\n");
    w.core->PaneReplace("one ALPHA\r\n");
    w.core->SyncPane();
    w.face.dialogs.findAnswer = "alpha";
    w.core->FindClicked(); // no pane had the focus: the script, from its caret
    EXPECT_EQ(w.face.focus, TextPane::Script);
    EXPECT_EQ(w.face.selection[TextPane::Script], (std::pair<std::size_t, std::size_t>{5, 10}));
    w.core->FindAgain(); // from the match's end
    EXPECT_EQ(w.face.selection[TextPane::Script], (std::pair<std::size_t, std::size_t>{17, 22}));
    w.core->FindAgain();
    EXPECT_EQ(w.face.dialogs.messages.back(),
              "Unable to find 'alpha' in remainder of script text.");
    w.face.focus = TextPane::Response;
    w.core->FindAgain();
    EXPECT_EQ(w.face.selection[TextPane::Response], (std::pair<std::size_t, std::size_t>{4, 9}));
    w.face.dialogs.findAnswer.reset();
    w.core->FindClicked(); // cancelled: nothing searched
    EXPECT_EQ(w.face.dialogs.messages.size(), 1u);
}

TEST(WindowHelp, ShowsWhatIsThereAndSaysWhatCannotBeShown) {
    TempFolder dir;
    {
        FakeWindow w(dir.Path());
        ASSERT_TRUE(w.core->Load());
        EXPECT_EQ(w.face.help, (std::pair<bool, bool>{false, false}));
    }
    WriteBytes(dir.File("talvex_help.pdf"), "%PDF");
    FakeWindow w(dir.Path());
    ASSERT_TRUE(w.core->Load());
    EXPECT_EQ(w.face.help, (std::pair<bool, bool>{true, false}));
    w.face.dialogs.documentsOpen = false;
    w.core->HelpViewClicked();
    EXPECT_EQ(w.face.dialogs.documents, std::vector<std::string>{dir.File("talvex_help.pdf")});
    EXPECT_EQ(w.face.dialogs.messages,
              std::vector<std::string>{"Unable to display " + dir.File("talvex_help.pdf")});
    w.core->AboutClicked();
    EXPECT_EQ(w.face.dialogs.abouts, 1);
    w.core->LinkWindowSend("Windows(1)");
    EXPECT_EQ(w.core->LinkWindowTexts().sendBox, "Windows(1)");
    EXPECT_EQ(w.face.linkRefreshes, 1);
    w.link.dynamic = "42";
    w.link.events.dynamicData();
    EXPECT_EQ(w.face.dynamic, "42");
}

TEST(WindowStart, WithoutAHostTheWindowDoesNotOpen) {
    FakeWindow w;
    w.link.linkOk = false;
    EXPECT_FALSE(w.core->Load());
}

// ---- The layout ----

TEST(WindowLayoutRules, PanesFillTheWindowAndTheRowsKeepTheirPlace) {
    struct Row {
        int width, height; // client area, twips
        int editorWidth, responseLeft, responseWidth, paneHeight, buttonsTop;
    };
    for (const Row& r : {Row{4500, 3000, 5175, 5400, 3495, 4395, 5220},
                         Row{9015, 5775, 5175, 5400, 3495, 4395, 5220},
                         Row{12015, 7275, 5175, 5400, 6495, 5895, 6720}}) {
        WindowLayout l;
        l.FitCaption(Control::lblDynamic, 1500);
        l.Resize(r.width, r.height);
        EXPECT_EQ(l.Rect(Control::txtCommandList),
                  (DesignRect{150, 300, r.editorWidth, r.paneHeight}));
        EXPECT_EQ(l.Rect(Control::txtResponseList),
                  (DesignRect{r.responseLeft, 300, r.responseWidth, r.paneHeight}));
        EXPECT_EQ(l.Rect(Control::lblResponse).x, r.responseLeft);
        for (Control c :
             {Control::cmdRunScript, Control::cmdCancel, Control::cmdExit, Control::chkLog})
            EXPECT_EQ(l.Rect(c).y, r.buttonsTop);
        const DesignRect box = l.Rect(Control::txtDynamic), button = l.Rect(Control::cmdDynamic);
        EXPECT_EQ(box,
                  (DesignRect{120 + 1500 + 60, r.buttonsTop - 420, button.x - 75 - 1680, 315}));
        EXPECT_EQ(button.Right(), l.Rect(Control::txtResponseList).Right());
        EXPECT_EQ(button.y + button.height / 2, box.y + box.height / 2 - 0);
        EXPECT_EQ(l.Rect(Control::lblDynamic).y, r.buttonsTop - 360);
        // Nothing covers anything.
        for (const ControlDesign& a : kWindowDesign)
            for (const ControlDesign& b : kWindowDesign) {
                const DesignRect ra = l.Rect(a.control), rb = l.Rect(b.control);
                if (a.control == b.control) continue;
                EXPECT_FALSE(ra.x < rb.Right() && rb.x < ra.Right() && ra.y < rb.Bottom() &&
                             rb.y < ra.Bottom())
                    << a.name << " covers " << b.name;
            }
    }
}

TEST(WindowLayoutRules, TheDividerMovesWithinItsBounds) {
    WindowLayout l;
    l.Resize(9015, 5775);
    const int y = 2000;
    EXPECT_TRUE(l.SplitPointer(5355, y));
    EXPECT_FALSE(l.SplitPointer(5355, 300));
    l.MouseDown(5355, y);
    EXPECT_TRUE(l.MouseMove(4355, y));
    EXPECT_EQ(l.Rect(Control::txtCommandList).width, 4175);
    EXPECT_EQ(l.Rect(Control::txtResponseList), (DesignRect{4400, 300, 4495, 4395}));
    EXPECT_FALSE(l.MouseMove(2000, y)) << "past the end of the editor's caption";
    EXPECT_FALSE(l.MouseMove(9000, y)) << "short of the response caption's width";
    EXPECT_TRUE(l.MouseMove(6990, y));
    EXPECT_EQ(l.Rect(Control::txtResponseList).x, 7035);
    l.MouseUp();
    EXPECT_FALSE(l.MouseMove(5000, y));
    // A wider window, the divider far right, then narrowed: it gives way.
    l.Resize(10515, 5775);
    l.MouseDown(7000, y);
    l.MouseMove(8500, y);
    l.MouseUp();
    EXPECT_EQ(l.Rect(Control::txtResponseList).x, 8535);
    l.Resize(9015, 5775);
    EXPECT_EQ(l.Rect(Control::txtResponseList), (DesignRect{7080, 300, 1815, 4395}));
    EXPECT_EQ(l.Rect(Control::txtCommandList), (DesignRect{150, 300, 6855, 4395}));
    // The findings list takes its height from the editor, and gives it back.
    l.SetFindingsShown(true);
    EXPECT_EQ(l.Rect(Control::txtCommandList).height, 4395 - 1200 - 75);
    EXPECT_EQ(l.FindingsRect(), (DesignRect{150, 300 + 4395 - 1200, 6855, 1200}));
    EXPECT_EQ(l.Rect(Control::txtResponseList).height, 4395);
    l.SetFindingsShown(false);
    EXPECT_EQ(l.Rect(Control::txtCommandList).height, 4395);
}

// ---- The editor's rules ----

TEST(EditorRules, TokensMarkWhatTheTranslatorSees) {
    static const char* const kNames[] = {"comment", "directive", "unknown", "label",
                                         "brace",   "system",    "user",    "quoted"};
    const std::vector<std::pair<std::string, std::vector<std::string>>> rows = {
        {"' a note {@x}", {"comment:' a note {@x}"}},
        {"// a note", {"comment:// a note"}},
        {" 'x'", {"quoted:'x'"}},
        {"#EndIf", {"directive:#EndIf"}},
        {"#elsewhere", {"directive:#else"}},
        {"#ElseIf(@a>1)", {"directive:#ElseIf", "system:@a"}},
        {"#frobnicate(1)", {"unknown:#frobnicate"}},
        {"SetVars @n=1", {"directive:SetVars", "system:@n"}},
        {"clearuservars", {"directive:clearuservars"}},
        {"#LABEL( start , )", {"directive:#LABEL", "label: start "}},
        {"#gosub(sub1, @a=1)", {"directive:#gosub", "label:sub1", "system:@a"}},
        {"move x{@a+offset}y hex{255}",
         {"brace:{", "system:@a", "user:offset", "brace:}", "brace:{", "brace:}"}},
        {"{{n}*2}", {"brace:{", "brace:{", "user:n", "brace:}", "brace:}"}},
        {"measure volts", {}},
        {"a}b", {}},
        {"setvars @b='x, y' \"z\"",
         {"directive:setvars", "system:@b", "quoted:'x, y'", "quoted:\"z\""}},
        {"say 'hello", {"quoted:'hello"}},
        {"±{@x±1}", {"brace:{", "system:@x", "brace:}"}},
        {"{größe}", {"brace:{", "user:größe", "brace:}"}},
    };
    for (const auto& [line, marked] : rows) {
        const std::u16string text = Utf8ToUtf16(line);
        std::vector<std::string> got;
        int end = 0;
        for (const ScriptToken& t : ScriptTokens(text)) {
            EXPECT_TRUE(t.start >= end && t.length > 0) << line;
            end = t.start + t.length;
            got.push_back(std::string(kNames[int(t.kind)]) + ":" +
                          Utf16ToUtf8(text.substr(std::size_t(t.start), std::size_t(t.length))));
        }
        EXPECT_EQ(got, marked) << line;
    }
}

TEST(EditorRules, EveryCharacterComesBackFromTheEditor) {
    for (const std::string& text :
         {std::string("a\r\nb"), std::string("lone\rcr and\nlf\r\n"),
          std::string("sep\u2029x\uFDD0y"), std::string("\r\r\n\n"), std::string("\U0001F600")}) {
        const EditorText shown = ToEditorText(text);
        EXPECT_EQ(FromEditorText(shown.text, shown.marks), text);
        for (char16_t c : shown.text)
            EXPECT_TRUE(c != u'\r' && c != 0x2029);
    }
}

TEST(EditorRules, PaneUpdatesRewriteOnlyTheLastLine) {
    const PaneEdit e = PaneUpdate("one\r\ntwo\r\nthr", "one\r\ntwo\r\nthree\r\n");
    EXPECT_EQ(e.dropFront, 0u);
    EXPECT_EQ(e.from, 8u);
    EXPECT_EQ(e.insert, "three\r\n");
}

TEST(EditorRules, APanesTailStartsAtALineAndCountsWhatItLeavesOut) {
    struct Row {
        std::string_view text;
        std::size_t lines;
        std::string_view tail;
        std::size_t hidden;
    };
    for (const Row& r : {
             Row{"a\r\nb\r\nc\r\n", 2, "c\r\n", 4}, // the empty last line counts
             Row{"a\r\nb\r\nc", 2, "b\r\nc", 2},    // a break is one position
             Row{"a\r\n\r\nc", 2, "\r\nc", 2},      // an empty line is a line
             Row{"\xce\xa9\r\nb", 1, "b", 2},       // a character, not its bytes
             Row{"a\r\nb", 2, "a\r\nb", 0},         // no more lines than asked
             Row{"a\r\nb", 5, "a\r\nb", 0},
         }) {
        const PaneTail t = PaneTailOf(r.text, r.lines);
        EXPECT_EQ(r.text.substr(t.from), r.tail) << r.text;
        EXPECT_EQ(t.hidden, r.hidden) << r.text;
    }
}

} // namespace
} // namespace talvex::testing
