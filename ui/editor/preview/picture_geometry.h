#pragma once
// The arithmetic of the preview's picture area, apart from any window: where
// the picture goes for a zoom, the zoom that fits it, the zoom list of
// system.conf, the zoom button's drag, the XY grid lines a frame's handles
// get, and the audio level of a block.
#include <string>
#include <vector>

namespace Anchor { class AnchorList; }
namespace Media { class AudioBlockBuffer; }

namespace Component {

struct PictureRect {
    float left = 0, top = 0, right = 0, bottom = 0;
    bool scrollBars = false;          // the zoomed picture is larger than the area
    int contentWidth = 0, contentHeight = 0; // the bars' content (rounded picture size)
    bool operator==(const PictureRect&) const = default;
};

// The picture of pw x ph in an area of w x h at zoom percent z (0: fit); while
// scroll bars show, the picture starts at minus their positions. A picture
// with no pixels (no frame, or an empty one from a failed render) has an empty rectangle.
PictureRect getPictureRect(int w, int h, int pw, int ph, int zoom, int scrollX, int scrollY);
// The zoom at which the picture fits the area; 100 without a picture.
int getFitZoom(int w, int h, int pw, int ph);
// "PreviewZoom": the values >= 0 of a comma list (a part that is no integer counts as -1).
std::vector<int> parseZoomList(const std::wstring& text);
// The zoom button's drag: start zoom c (fitted already), vertical drag dy.
int dragZoom(int c, int dy);

// The XY grid of a frame of w x h (grid gw x gh, extra axes gridX and gridY in
// pixels) as guide lines appended to the list.
void addGridAnchors(int w, int h, int gw, int gh, const std::vector<int>& gridX, const std::vector<int>& gridY,
                    Anchor::AnchorList& list);

// The preview level of one block in dB: A (floats 0-3, the left or mono
// channel) and B (4-7, the right) as (peak, rms, peak, rms); the peak is the
// largest sample, so negative samples never raise it.
void computeLevels(const Media::AudioBlockBuffer& block, float (&levels)[8]);
// -60 for v <= 0, else 20 log10 v held to [-60, 60].
float toDecibel(float v);

} // namespace Component
