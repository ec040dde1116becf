#pragma once
// The 78 brushes of the colour theme, made from the style's [Color] values on
// first use and kept until the list goes (a value changed later does not
// change a brush made before). Indexes name the brushes; the solid ones come
// from one colour, the list ones from entry n of a comma-separated list (its
// last entry when shorter), the gradients from a list's first to its last
// colour (points at (0, 0) until the drawing code places them), the fades from
// a list's last colour to the same colour transparent, and the half one with
// its alpha halved. A missing or malformed value gives opaque black and one
// WARN line naming the key. Main thread only.
#include "media/com_resource.h"

namespace Platform::Draw {
class Brush;
class SolidColorBrush;
class LinearGradientBrush;
} // namespace Platform::Draw

namespace Window {

class ColorBrushList {
public:
    enum Index {
        Background, WindowBorder, WindowSeparator, Grouping, GroupingHover, GroupingSelect, Border, BorderFocus,
        BorderSelect, BorderHalf, Footer, FooterProgress0, FooterProgress1, TitleHeader, Text, TextDisable,
        TextSelect, ButtonBody, ButtonBodyHover, ButtonBodyPress, ButtonBodyDisable, ButtonBodySelect, SliderCursor,
        TrackBarRange, ZoomGauge, ZoomGaugeHover, ZoomGaugeOff, ZoomGaugeOffHover, Layer, LayerHeader, LayerHover,
        LayerDisable, LayerRange, LayerRangeFrame, ObjectVideo, ObjectVideoSelect, ObjectVideoFilter,
        ObjectVideoFilterSelect, ObjectAudio, ObjectAudioSelect, ObjectAudioFilter, ObjectAudioFilterSelect,
        ObjectControl, ObjectControlSelect, ObjectAudioFade, ClippingObjectFade, ClippingObjectMask, ObjectHover,
        ObjectSection, ObjectWaveform0, ObjectWaveform1, FrameRangeSelect, FrameRangeOutside, FrameCursor,
        FrameCursorWide, PlayerCursor, GuideLine, GridLine, Anchor, AnchorLine, AnchorIn, AnchorOut, AnchorSelect,
        AnchorHover, AnchorEdge, HandleX, HandleY, HandleZ, HandleXHover, HandleYHover, HandleZHover, OutsideDisplay,
        LevelMeterRed0, LevelMeterRed1, LevelMeterYellow0, LevelMeterYellow1, LevelMeterGreen0, LevelMeterGreen1,
        Count
    };
    enum class Kind { Solid, List, Gradient, Fade, Half };
    struct Define {
        const char* key;
        Kind kind;
        int entry; // the list entry of Kind::List
    };
    static const Define defines[Count];

    ColorBrushList();
    ~ColorBrushList();
    ColorBrushList(const ColorBrushList&) = delete;
    ColorBrushList& operator=(const ColorBrushList&) = delete;

    // The brush, made on first use.
    Platform::Draw::Brush* get(int index);
    Platform::Draw::SolidColorBrush* solid(int index);
    Platform::Draw::LinearGradientBrush* gradient(int index);
    Platform::Draw::Brush* operator[](int index) { return get(index); }

private:
    Media::ComResource<Platform::Draw::Brush> entries_[Count];
};

} // namespace Window
