#pragma once
// Fixed tables built before start-up and only read afterwards: preset colours,
// file-dialog filters, the timeline's zoom steps, the default pane placements,
// key names, AVI output type names and the vector shapes of button glyphs. The
// readers own the behaviour; these are the data. (The style-value globals live
// with the settings service, the compiled expressions in core/expressions.h.)
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <unordered_map>

namespace Tables {

// Built-in preset colours, in menu order.
struct PresetColor {
    float r, g, b, a;
    const wchar_t* name;
};
inline constexpr PresetColor presetColors[] = {
    {1, 1, 1, 1, L"white"}, {1, 0, 0, 1, L"red"},     {1, 1, 0, 1, L"yellow"},  {0, 1, 0, 1, L"green"},
    {0, 1, 1, 1, L"aqua"},  {0, 0, 1, 1, L"blue"},    {1, 0, 1, 1, L"magenta"}, {0, 0, 0, 1, L"black"},
};

// File-dialog filters: pairs of a title and a pattern list, each ended by NUL,
// the whole ended by one more NUL.
template <size_t N>
constexpr std::wstring_view filterText(const wchar_t (&text)[N])
{
    return std::wstring_view(text, N - 1); // the literal's own terminator is not part of it
}
inline constexpr std::wstring_view projectFileFilter = filterText(L"ProjectFile (*.vmp2)\0*.vmp2\0AllFile (*.*)\0*.*\0\0");
inline constexpr std::wstring_view figureFileFilter = filterText(L"SvgFile (*.svg)\0*.svg\0AllFile (*.*)\0*.*\0\0");
inline constexpr std::wstring_view allFileFilter = filterText(L"AllFile (*.*)\0*.*\0\0");

// Zoom steps of the timeline, its zoom commands and the Display menu.
inline constexpr int32_t timelineZoomSteps[] = {
    20,    30,    40,    50,    75,    100,   150,   200,   300,   400,    500,   750,   1000, 1500,
    2000,  3000,  4000,  5000,  7500,  10000, 15000, 20000, 30000, 40000, 50000, 75000, 100000,
};

// The default placement of a pane: fractions of the main window's client area.
struct PanePlacement {
    float left, top, right, bottom;
    int32_t group;
    bool shown;
};
enum PaneIndex {
    PaneExplorerFirst = 0,
    PaneExplorerOther = 1,
    PaneSceneList = 2,
    PaneObjectList = 3,
    PaneSetting = 4,
    PaneColorSetting = 5,
    PanePreview = 6,
    PaneTimeline = 7,
    PaneTimeSetting = 8,
    PaneTextSetting = 9,
    PaneLog = 10,
    PaneSpare = 11,
    PaneCount = 12,
};
extern const PanePlacement* const panePlacements[PaneCount];

// Names of keys shown for shortcuts, by virtual-key code. Code 0 has the empty
// name; codes not listed (the modifier keys among them) have no entry.
const std::unordered_map<uint32_t, std::wstring>& keyNames();

// The AVI writer's pixel and sample formats, in the order the settings dialog offers them.
inline constexpr const wchar_t* aviVideoTypeNames[] = {L"RGB24bit", L"RGBA32bit", L"YUY2"};
inline constexpr const wchar_t* aviAudioTypeNames[] = {L"PCM16bit", L"PCM(float)32bit"};

// Vector shapes of button glyphs in the unit square: x, y pairs of a filled
// polygon, or of a polyline when the list has an odd length (its last value is
// then the line width, in units of the button size). A glyph is a few shapes.
using IconShape = std::span<const float>;
using IconGlyph = std::span<const IconShape>;
// All eighteen shapes, for readers that walk them.
extern const IconShape iconShapes[18];

namespace PlayerIcon { // player bar and preview toolbar
extern const IconGlyph play, pause, stop, stepBack, stepForward;
}
namespace ExplorerIcon { // media explorer navigation
extern const IconGlyph back, forward, up;
}
namespace HeaderIcon { // pane and sub-window headers
extern const IconGlyph close, menu, collapse;
}
extern const IconGlyph focusFrameIcon; // focus groups

} // namespace Tables
