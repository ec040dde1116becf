#pragma once
// The timeline's seven display settings (section "Edit" of the main ini).
namespace Component {

struct TimelineSettings {
    int displayLayerRange = 1;
    int tempoGrid = 0;
    int showMoveObjectTime = 1;
    int layerWheelMode = 0;
    int displayObjectNameFromHead = 0;
    int displayWaveform = 1;
    int hideObjectNameWaveform = 0;
};

} // namespace Component
