#pragma once
// The built-in WAV reader: PCM and float data as stored, other formats decoded
// to 16-bit PCM, delivered in one-second blocks.
#include "core/file.h"
#include "io/input/input_file.h"
#include "io/input/input_plugin.h"
#include "io/input/mpeg_audio_frames.h"
#include "media/audio_decompressor.h"

#include <cstdint>

namespace Plugin {

class WaveFileReader : public InputPlugin {
public:
    WaveFileReader();
    // Null for a file that is no WAV file with readable audio (the track is ignored).
    std::shared_ptr<InputFile> openFile(const std::wstring& path, int track) override;

    class WavFileInput : public InputFile {
    public:
        class FileParse;

        WavFileInput();
        ~WavFileInput() override;

        std::shared_ptr<Media::AudioBlockBuffer> readAudio(int block) override;

        System::File audioFile;
        Media::AudioDecompressor audioDecoder;
        uint64_t dataStart = 0; // file offset of the data chunk's contents
        uint64_t dataSize = 0;
        uint32_t blockAlign = 0;
        uint32_t bytesPerSecond = 0;
        uint64_t continuePosition = 0; // where a continued decode reads on, inside the data
        int lastBlock = -256;

        bool audioDecoding = false;
        uint32_t samplesPerBlock = 0; // of the compressed source; 1 for PCM and float
        MpegAudioFrames mpegFrames;   // of MPEG audio data, for jumps to whole frames

    private:
        uint32_t readSource(uint8_t* out, uint32_t size);
    };
};

} // namespace Plugin
