#pragma once
// Frame rates as rate / scale, and the decimal texts the settings list for the
// usual ones (system.conf [FrameRate]: "29.97=30000/1001").

namespace Edit {

// The listed decimal of (rate, scale), else rate / scale.
double getFrameRateValue(int rate, int scale);
// The listed rate and scale of fps, else fps as a fraction over a power of ten
// of at most 1000000.
void setFrameRateValue(int& rate, int& scale, double fps);

} // namespace Edit
