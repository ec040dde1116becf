#pragma once
// The 2048-point complex transform behind the audio spectra.

namespace Media::AudioFft {

constexpr int Size = 2048;

// In place, unscaled, natural order: X[k] = Σ x[n]·e^{+2πi·kn/2048} over the
// real and imaginary arrays of Size floats.
void transform(float* re, float* im);

} // namespace Media::AudioFft
