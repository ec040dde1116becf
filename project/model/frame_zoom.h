#pragma once
// The timeline zoom of a scene: one of 27 fixed levels, in 1/10000 pixel per
// frame (10000 draws one pixel per frame).
#include <array>

namespace Edit {

class FrameZoom {
public:
    static constexpr int DefaultZoom = 10000;
    static constexpr std::array<int, 27> ZoomTable{20,    30,    40,    50,    75,    100,   150,   200,   300,
                                                   400,   500,   750,   1000,  1500,  2000,  3000,  4000,  5000,
                                                   7500,  10000, 15000, 20000, 30000, 40000, 50000, 75000, 100000};

    FrameZoom() = default;
    // A value that is not a level of the table becomes DefaultZoom.
    explicit FrameZoom(int value) : zoom(validate(value)) {}

    static int validate(int value);
    // The position of the value in ZoomTable; -1 when it is not a level.
    static int indexOf(int value);
    // The level steps entries away from current, kept inside the table; a value
    // that is no level counts as standing just before the first.
    static FrameZoom stepZoomLevel(int current, int steps);

    int zoom = DefaultZoom;
};

} // namespace Edit
