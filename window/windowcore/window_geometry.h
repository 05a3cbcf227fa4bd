// The main window's design: every control's place in twips (15 to a pixel at
// 96 DPI) within the client area, and the least client area. Faces build
// their controls from this table; the layout moves them from it.
#pragma once

#include <array>
#include <string_view>

namespace talvex {

enum class Control {
    lblCommand,
    txtCommandList,
    lblResponse,
    txtResponseList,
    lblDynamic,
    txtDynamic,
    cmdDynamic,
    cmdRunScript,
    cmdCancel,
    cmdExit,
    chkLog,
};
inline constexpr std::size_t kControlCount = 11;

struct DesignRect {
    int x = 0, y = 0, width = 0, height = 0;
    int Right() const { return x + width; }
    int Bottom() const { return y + height; }
    bool operator==(const DesignRect&) const = default;
};

struct ControlDesign {
    Control control;
    std::string_view name;    // the control's object name
    std::string_view caption; // with its access key as "&"
    DesignRect rect;
};

inline constexpr std::array<ControlDesign, kControlCount> kWindowDesign{{
    {Control::lblCommand, "lblCommand", "&List of KORVA RCL Commands:", {120, 60, 2220, 195}},
    {Control::txtCommandList, "txtCommandList", "", {150, 300, 5175, 4395}},
    {Control::lblResponse, "lblResponse", "KORVA RCL Response:", {5400, 60, 1815, 195}},
    {Control::txtResponseList, "txtResponseList", "", {5400, 300, 3495, 4395}},
    {Control::lblDynamic, "lblDynamic", "Dynamic Return:", {120, 4860, 1185, 195}},
    {Control::txtDynamic, "txtDynamic", "", {1440, 4800, 7455, 315}},
    {Control::cmdDynamic, "cmdDynamic", "Dynamic Func", {3255, 4695, 1395, 375}},
    {Control::cmdRunScript, "cmdRunScript", "&Run Script", {150, 5220, 1575, 375}},
    {Control::cmdCancel, "cmdCancel", "&Cancel Script", {1830, 5220, 1575, 375}},
    {Control::cmdExit, "cmdExit", "E&xit", {3510, 5220, 1575, 375}},
    {Control::chkLog, "chkLog", "Log KORVA RCL Response to a file.", {5400, 5220, 2940, 375}},
}};

struct WindowDesign {
    static constexpr int kMinClientWidth = 9015;
    static constexpr int kMinClientHeight = 5775;
    // The design's outer minimum against its client area: the frame.
    static constexpr int kFrameWidth = 9135 - 9015;
    static constexpr int kFrameHeight = 6405 - 5775;
    static constexpr int kTwipsPerPixel = 15; // at 96 DPI
};

constexpr const ControlDesign& DesignOf(Control c) {
    return kWindowDesign[static_cast<std::size_t>(c)];
}

} // namespace talvex
