#include "core/static_tables.h"

namespace Tables {

namespace {
constexpr PanePlacement placements[PaneCount] = {
    {0.0f, 0.0f, 0.2f, 0.7f, 0, true},   // first media explorer
    {0.0f, 0.0f, 0.2f, 0.7f, 0, false},  // further media explorers
    {0.0f, 0.7f, 0.2f, 1.0f, 0, true},   // scene list
    {0.8f, 0.0f, 1.0f, 0.3f, 1, true},   // object list
    {0.8f, 0.3f, 1.0f, 0.7f, 1, true},   // object settings window
    {0.8f, 0.7f, 1.0f, 1.0f, 1, false},  // colour window
    {0.2f, 0.0f, 0.8f, 0.7f, 2, true},   // preview
    {0.2f, 0.7f, 0.5f, 1.0f, 3, true},   // timeline
    {0.5f, 0.7f, 0.8f, 1.0f, 3, false},  // time-control window
    {0.5f, 0.7f, 0.8f, 1.0f, 3, false},  // text window
    {0.0f, 0.7f, 1.0f, 1.0f, 4, false},  // log window
    {0.0f, 0.7f, 1.0f, 1.0f, 4, false},  // spare
};

// Polygons: x, y pairs. Polylines: x, y pairs and a line width.
constexpr float play[] = {0.3f, 0.2f, 0.3f, 0.8f, 0.75f, 0.5f};
constexpr float pauseLeft[] = {0.3f, 0.2f, 0.42f, 0.2f, 0.42f, 0.8f, 0.3f, 0.8f};
constexpr float pauseRight[] = {0.58f, 0.2f, 0.7f, 0.2f, 0.7f, 0.8f, 0.58f, 0.8f};
constexpr float stop[] = {0.25f, 0.25f, 0.75f, 0.25f, 0.75f, 0.75f, 0.25f, 0.75f};
constexpr float stepBackTriangle[] = {0.7f, 0.2f, 0.7f, 0.8f, 0.35f, 0.5f};
constexpr float stepBackBar[] = {0.25f, 0.2f, 0.33f, 0.2f, 0.33f, 0.8f, 0.25f, 0.8f};
constexpr float stepForwardTriangle[] = {0.3f, 0.2f, 0.3f, 0.8f, 0.65f, 0.5f};
constexpr float stepForwardBar[] = {0.67f, 0.2f, 0.75f, 0.2f, 0.75f, 0.8f, 0.67f, 0.8f};
constexpr float arrowLeft[] = {0.55f, 0.25f, 0.3f, 0.5f, 0.55f, 0.75f, 0.1f};
constexpr float arrowRight[] = {0.45f, 0.25f, 0.7f, 0.5f, 0.45f, 0.75f, 0.1f};
constexpr float arrowUp[] = {0.25f, 0.55f, 0.5f, 0.3f, 0.75f, 0.55f, 0.1f};
constexpr float arrowDown[] = {0.25f, 0.4f, 0.5f, 0.65f, 0.75f, 0.4f, 0.1f};
constexpr float crossDown[] = {0.28f, 0.28f, 0.72f, 0.72f, 0.08f};
constexpr float crossUp[] = {0.28f, 0.72f, 0.72f, 0.28f, 0.08f};
constexpr float menuTop[] = {0.25f, 0.3f, 0.75f, 0.3f, 0.08f};
constexpr float menuMiddle[] = {0.25f, 0.5f, 0.75f, 0.5f, 0.08f};
constexpr float menuBottom[] = {0.25f, 0.7f, 0.75f, 0.7f, 0.08f};
constexpr float focusFrame[] = {0.1f, 0.1f, 0.9f, 0.1f, 0.9f, 0.9f, 0.1f, 0.9f, 0.1f, 0.1f, 0.05f};

constexpr IconShape playGlyph[] = {play};
constexpr IconShape pauseGlyph[] = {pauseLeft, pauseRight};
constexpr IconShape stopGlyph[] = {stop};
constexpr IconShape stepBackGlyph[] = {stepBackTriangle, stepBackBar};
constexpr IconShape stepForwardGlyph[] = {stepForwardTriangle, stepForwardBar};
constexpr IconShape backGlyph[] = {arrowLeft};
constexpr IconShape forwardGlyph[] = {arrowRight};
constexpr IconShape upGlyph[] = {arrowUp};
constexpr IconShape closeGlyph[] = {crossDown, crossUp};
constexpr IconShape menuGlyph[] = {menuTop, menuMiddle, menuBottom};
constexpr IconShape collapseGlyph[] = {arrowDown};
constexpr IconShape focusGlyph[] = {focusFrame};
} // namespace

const PanePlacement* const panePlacements[PaneCount] = {
    &placements[0], &placements[1], &placements[2], &placements[3], &placements[4],  &placements[5],
    &placements[6], &placements[7], &placements[8], &placements[9], &placements[10], &placements[11],
};

const IconShape iconShapes[18] = {
    play,     pauseLeft,  pauseRight, stop,      stepBackTriangle, stepBackBar, stepForwardTriangle,
    stepForwardBar, arrowLeft, arrowRight, arrowUp, arrowDown, crossDown, crossUp, menuTop, menuMiddle,
    menuBottom, focusFrame,
};

namespace PlayerIcon {
const IconGlyph play = playGlyph, pause = pauseGlyph, stop = stopGlyph, stepBack = stepBackGlyph,
                stepForward = stepForwardGlyph;
}
namespace ExplorerIcon {
const IconGlyph back = backGlyph, forward = forwardGlyph, up = upGlyph;
}
namespace HeaderIcon {
const IconGlyph close = closeGlyph, menu = menuGlyph, collapse = collapseGlyph;
}
const IconGlyph focusFrameIcon = focusGlyph;

const std::unordered_map<uint32_t, std::wstring>& keyNames()
{
    static const std::unordered_map<uint32_t, std::wstring> table = [] {
        std::unordered_map<uint32_t, std::wstring> t;
        t[0] = L"";
        for (wchar_t c = L'A'; c <= L'Z'; ++c)
            t[static_cast<uint32_t>(c)] = std::wstring(1, c);
        for (wchar_t c = L'0'; c <= L'9'; ++c)
            t[static_cast<uint32_t>(c)] = std::wstring(1, c);
        const std::pair<uint32_t, const wchar_t*> named[] = {
            {0x08, L"BackSpace"}, {0x09, L"Tab"},      {0x0D, L"Enter"},      {0x20, L"Space"},
            {0x2D, L"Insert"},    {0x2E, L"Delete"},   {0x24, L"Home"},       {0x23, L"End"},
            {0x21, L"PageUp"},    {0x22, L"PageDown"}, {0x26, L"\u2191"},     {0x28, L"\u2193"},
            {0x25, L"\u2190"},    {0x27, L"\u2192"},   {0x6F, L"/ (NumPad)"}, {0x6A, L"* (NumPad)"},
            {0x6D, L"- (NumPad)"}, {0x6B, L"+ (NumPad)"}, {0x6E, L". (NumPad)"},
        };
        for (auto& [code, name] : named)
            t[code] = name;
        for (uint32_t i = 0; i <= 9; ++i)
            t[0x60 + i] = std::to_wstring(i) + L" (NumPad)";
        for (uint32_t i = 1; i <= 12; ++i)
            t[0x70 + i - 1] = L"F" + std::to_wstring(i);
        return t;
    }();
    return table;
}

} // namespace Tables
