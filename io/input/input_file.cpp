#include "io/input/input_file.h"

#include "core/failure.h"
#include "media/audio_buffer.h"
#include "media/image_buffer.h"

#include <cmath>

namespace Plugin {

InputFile::~InputFile() = default;

std::shared_ptr<Media::ImageBuffer> InputFile::readVideo(int frame)
{
    throw System::makeException("Plugin::InputFile::readVideo", "not implement.", nullptr);
}

std::shared_ptr<Media::AudioBlockBuffer> InputFile::readAudio(int block)
{
    throw System::makeException("Plugin::InputFile::readAudio", "not implement.", nullptr);
}

int InputFile::timeToFrame(double seconds)
{
    const double last = frameCount > 0 ? frameCount - 1 : 0;
    const double frame = scale ? seconds * rate / scale : 0;
    // Not-a-number and negative times give the first frame.
    if (!(frame > 0))
        return 0;
    const double rounded = std::round(frame);
    return int(rounded > last ? last : rounded);
}

} // namespace Plugin
