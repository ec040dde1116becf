#pragma once
// The built-in AVI reader: classic files with an idx1 index (or none, then the
// movi list is scanned) and OpenDML files with super indexes and AVIX pieces.
// Uncompressed frames (RGB 24/32, YUY2, PA64, HF64) are converted as they are
// stored, compressed frames decode through the codec layer (to YUY2, else
// 32-bit, else 24-bit RGB); PCM and float audio is delivered as stored,
// compressed audio decodes to 16-bit PCM.
#include "core/bitmap_info.h"
#include "core/file.h"
#include "io/input/input_file.h"
#include "io/input/input_plugin.h"
#include "media/audio_decompressor.h"
#include "media/video_decompressor.h"

#include <cstdint>
#include <vector>

namespace Plugin {

class AviFileReader : public InputPlugin {
public:
    AviFileReader();
    // Null for a file that is no readable AVI (the track is ignored).
    std::shared_ptr<InputFile> openFile(const std::wstring& path, int track) override;
};

class AviFileInput : public InputFile {
public:
    class FileParse;

    AviFileInput();
    ~AviFileInput() override;

    std::shared_ptr<Media::ImageBuffer> readVideo(int frame) override;
    std::shared_ptr<Media::AudioBlockBuffer> readAudio(int block) override;

    struct VideoIndexEntry {
        uint64_t offset = 0; // of the frame's data in the file
        uint32_t size = 0;
        uint8_t delta = 0; // 1: not a key frame
    };
    struct AudioIndexEntry {
        uint64_t position = 0; // of the entry's first byte in the stream
        uint64_t offset = 0;   // of its data in the file
        uint32_t size = 0;
    };

    System::File videoFile;
    System::File audioFile;
    std::vector<VideoIndexEntry> videoIndex;
    std::vector<AudioIndexEntry> audioIndex;
    Media::VideoDecompressor videoDecoder;
    Media::AudioDecompressor audioDecoder;
    uint32_t codec = 0; // normalised FourCC; 0 for RGB
    int lastVideoFrame = -256;
    uint32_t audioBlockAlign = 0;
    int64_t audioIndexSampleCount = 0;
    uint32_t audioRate = 0; // the stream header's dwRate, dwScale and dwLength
    uint32_t audioScale = 0;
    uint32_t audioLength = 0;
    size_t audioIndexCursor = 0;
    int lastAudioBlock = -256;

    // Decoding state beyond the stored fields.
    bool useCodec = false;         // frames go through videoDecoder
    bool intraOnly = false;        // every packet of the stream is a whole picture
    // Pictures come out of the decoder in display order, one per entry with
    // data: pictureRank[i] counts the entries with data before entry i,
    // pictureEntry[r] is the entry of the r-th picture.
    std::vector<int32_t> pictureRank;
    std::vector<int32_t> pictureEntry;
    int nextPacket = 0;   // the entry sent next
    int nextRank = 0;     // the rank of the picture received next
    int heldEntry = -1;   // the entry of the picture the decoder holds
    int anchorEntry = -1; // after a jump: the key frame whose picture starts the count
    bool drained = false; // the decoder was told the stream ended
    System::BitmapInfoHeader frameHeader; // the stored layout of uncompressed frames
    bool audioDecoding = false;    // audio goes through audioDecoder
    uint32_t audioSamplesPerBlock = 0;
    uint32_t audioSampleSize = 0;  // dwSampleSize
    uint32_t audioEntryOffset = 0; // read position inside the entry at the cursor

private:
    uint32_t readAudioSource(uint8_t* out, uint32_t size);
    // Brings the decoder's picture of entry shown out (lock held).
    void decodeTo(int shown, System::AlignedBuffer& packet);
};

} // namespace Plugin
