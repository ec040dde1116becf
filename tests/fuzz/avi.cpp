// AVI files: the structure parsed into indexes, the stream formats checked,
// then frames and one-second blocks read in order and by jumps. What opens must
// describe pictures and sound the program can hold.
#include "io/input/avi_file_reader.h"
#include "media/audio_buffer.h"
#include "media/image_buffer.h"
#include "tests/fuzz/fuzz_target.h"
#include "tests/fuzz/media_file.h"

#include <exception>

FUZZ_TARGET(avi)
{
    Fuzz::publishScratchBuffers();
    Plugin::AviFileReader reader;
    auto file = reader.openFile(Fuzz::mediaFile(data, size, "avi"), 0);
    if (!file)
        return;
    if (file->flags & Plugin::InputFile::FlagVideo) {
        if (file->frameCount < 1 || file->width < 1 || file->width > 16384 || file->height < 1 ||
            file->height > 16384 || !file->rate || !file->scale)
            Fuzz::fail("video described out of range");
        // Large pictures are legal; reading them only costs the fuzzer time.
        if (int64_t(file->width) * file->height <= (1 << 20)) {
            const int n = file->frameCount;
            for (int frame : {0, 1, 2, 3, n - 1, n / 2, 1, 0, n}) {
                try {
                    auto image = file->readVideo(frame);
                    if (!image || image->width != uint32_t(file->width) || image->height != uint32_t(file->height))
                        Fuzz::fail("frame of the wrong size");
                } catch (const std::exception&) {
                }
            }
        }
    }
    if (file->flags & Plugin::InputFile::FlagAudio) {
        if (file->channelCount < 1 || file->channelCount > 2 || file->sampleRate < 1 || file->audioSampleCount < 1)
            Fuzz::fail("audio described out of range");
        for (int block : {0, 1, 2, 0, 5}) {
            try {
                auto samples = file->readAudio(block);
                if (!samples || samples->samples != uint32_t(file->sampleRate))
                    Fuzz::fail("block of the wrong length");
            } catch (const std::exception&) {
            }
        }
    }
}
