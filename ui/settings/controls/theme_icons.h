#pragma once
// The theme bitmaps the settings window draws, by PNG resource id.
namespace Platform::Draw { class Bitmap; }

namespace Component {

enum class ThemeIcon {
    TimeControl = 159, // clock
    Settings = 154,    // gear
    Color = 160,       // circles
    ScreenPick = 157,  // eyedropper
    Text = 156,        // letter T
    Lock = 144, Unlocked = 145,
    Camera = 138, CameraOff = 137,
    Clipping = 147, ClippingOff = 148,
    Change = 141,
};

// The bitmap of the window service's list; null without a window.
Platform::Draw::Bitmap* themeBitmap(ThemeIcon icon);

} // namespace Component
