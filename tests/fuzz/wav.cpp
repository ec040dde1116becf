// WAV files: the chunks found, the format checked, then one-second blocks read
// in order and by jumps. What opens must describe sound the program can hold.
#include "io/input/wave_file_reader.h"
#include "media/audio_buffer.h"
#include "tests/fuzz/fuzz_target.h"
#include "tests/fuzz/media_file.h"

#include <exception>

FUZZ_TARGET(wav)
{
    Fuzz::publishScratchBuffers();
    Plugin::WaveFileReader reader;
    auto file = reader.openFile(Fuzz::mediaFile(data, size, "wav"), 0);
    if (!file)
        return;
    if (file->flags != Plugin::InputFile::FlagAudio || file->channelCount < 1 || file->channelCount > 2 ||
        file->sampleRate < 1 || file->audioSampleCount < 1)
        Fuzz::fail("audio described out of range");
    for (int block : {0, 1, 2, 1, 0, 7, -1}) {
        try {
            auto samples = file->readAudio(block);
            if (!samples || samples->samples != uint32_t(file->sampleRate))
                Fuzz::fail("block of the wrong length");
        } catch (const std::exception&) {
        }
    }
}
