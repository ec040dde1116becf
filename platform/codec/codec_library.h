#pragma once
// Shared parts of the codec layer's sources (included by platform/codec/*.cpp
// only): the codec library's headers and the lookups of its RIFF tag tables.
extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/imgutils.h>
#include <libavutil/pixdesc.h>
#include <libswresample/swresample.h>
#include <libswscale/swscale.h>
}

#include <cstdint>

namespace Platform::Codec::Library {

// The decoder of a WAVE format tag (AV_CODEC_ID_NONE when none). The answers
// are kept in one table that any thread may fill and read.
AVCodecID audioCodec(uint16_t tag);
// The decoder of a video FourCC (AV_CODEC_ID_NONE when none).
AVCodecID videoCodec(uint32_t fourcc);

// Keeps the library's own log to errors (it would print a line per frame for
// some formats); called before the first decoder opens.
void quietLog();

uint16_t readLe16(const uint8_t* p);
uint32_t readLe32(const uint8_t* p);

} // namespace Platform::Codec::Library
