#pragma once
// Frame rates as rate / scale, the decimal texts the settings list for the
// usual ones (system.conf [FrameRate]: "29.97=30000/1001"), and where a frame
// time lies in the sound.
#include <cstdint>

namespace Edit {

// The listed decimal of (rate, scale), else rate / scale.
double getFrameRateValue(int rate, int scale);
// The listed rate and scale of fps, else fps as a fraction over a power of ten
// of at most 1000000.
void setFrameRateValue(int& rate, int& scale, double fps);

// The sample at a frame time (a frame number, or a time in frames with its
// fraction) of a scene of that format: llround(audioRate x frames x videoScale
// / videoRate), the first sample of that frame's sound. 0 for a video rate of
// 0 or less. The one formula every sound path uses, so that the frames' sounds
// join without a gap or an overlap.
int64_t frameToSample(double frames, int audioRate, int videoRate, int videoScale);

} // namespace Edit
