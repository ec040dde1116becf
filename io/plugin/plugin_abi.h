/*
 * The binary interface of input and output plug-in modules: ELF shared objects
 * named "*.vmi2" (input) or "*.vmo2" (output) in the %Plugin% folder, which
 * export "GetInputPluginTable" or "GetOutputPluginTable". This header is plain
 * C and stands alone: module authors include it and nothing else of the program.
 *
 * Layout: 64-bit, little-endian, natural alignment. Text is NUL-terminated
 * UTF-16 (char16_t). The program copies a module's table when it loads the
 * module and copies its name, filter and information texts; the function
 * pointers and the information text must stay valid while the module is loaded.
 *
 * Every call into a module runs inside the program's crash guard: a fault in a
 * module fails that call (a failed read, a failed export) and the program goes
 * on. Unless its table sets INPUT_PLUGIN_FLAG_CONCURRENT, an input module is
 * never entered by two threads at once.
 */
#ifndef VELMORA_PLUGIN_ABI_H
#define VELMORA_PLUGIN_ABI_H

#ifdef __cplusplus
#include <cstddef>
#include <cstdint>
extern "C" {
#define PLUGIN_ABI_ASSERT(condition, text) static_assert(condition, text)
#else
#include <stdbool.h>
#include <stddef.h>
#include <stdint.h>
#include <uchar.h>
#define PLUGIN_ABI_ASSERT(condition, text) _Static_assert(condition, text)
#endif

/* A FourCC code, first character in the lowest byte. */
#define PLUGIN_FOURCC(a, b, c, d) \
    ((uint32_t)(uint8_t)(a) | (uint32_t)(uint8_t)(b) << 8 | (uint32_t)(uint8_t)(c) << 16 | (uint32_t)(uint8_t)(d) << 24)

/* Video format codes (PLUGIN_BITMAP_HEADER.compression, and the format asked of
 * func_get_video). Code 0 is bottom-up RGB rows padded to 4 bytes: 24 bits BGR,
 * or 32 bits BGRA (input only). */
#define PLUGIN_VIDEO_RGB 0u
#define PLUGIN_VIDEO_YUY2 PLUGIN_FOURCC('Y', 'U', 'Y', '2') /* 16 bits, rows top-down */
#define PLUGIN_VIDEO_PA64 PLUGIN_FOURCC('P', 'A', '6', '4') /* 64 bits RGBA, unsigned normalised */
#define PLUGIN_VIDEO_HF64 PLUGIN_FOURCC('H', 'F', '6', '4') /* 64 bits RGBA, half float */
#define PLUGIN_VIDEO_YC48 PLUGIN_FOURCC('Y', 'C', '4', '8') /* 48 bits, three 16-bit values */

/* Audio format tags: interleaved samples, 16 or 24-bit integers or 32-bit floats. */
#define PLUGIN_AUDIO_PCM 1u
#define PLUGIN_AUDIO_FLOAT 3u

/* The 40-byte header describing a frame. */
typedef struct PLUGIN_BITMAP_HEADER {
    uint32_t size;        /* 40 */
    int32_t width;
    int32_t height;       /* positive */
    uint16_t planes;      /* 1 */
    uint16_t bit_count;
    uint32_t compression; /* a video format code */
    uint32_t size_image;
    int32_t x_pixels_per_meter;
    int32_t y_pixels_per_meter;
    uint32_t colors_used;
    uint32_t colors_important;
} PLUGIN_BITMAP_HEADER;

/* The 18-byte header describing interleaved samples. */
#pragma pack(push, 2)
typedef struct PLUGIN_WAVE_FORMAT {
    uint16_t format_tag;   /* PLUGIN_AUDIO_PCM or PLUGIN_AUDIO_FLOAT */
    uint16_t channels;     /* 1 or 2 */
    uint32_t samples_per_second;
    uint32_t average_bytes_per_second;
    uint16_t block_align;  /* channels x bits_per_sample / 8 */
    uint16_t bits_per_sample;
    uint16_t extra_size;   /* 0 */
} PLUGIN_WAVE_FORMAT;
#pragma pack(pop)

/* INPUT_PLUGIN_TABLE.flag */
#define INPUT_PLUGIN_FLAG_VIDEO 0x01      /* the module reads video */
#define INPUT_PLUGIN_FLAG_AUDIO 0x02      /* the module reads audio */
#define INPUT_PLUGIN_FLAG_CONCURRENT 0x10 /* its functions may run on several threads at once */
#define INPUT_PLUGIN_FLAG_TRACKS 0x20     /* func_set_track selects tracks */

/* INPUT_INFO.flag */
#define INPUT_INFO_FLAG_VIDEO 0x01
#define INPUT_INFO_FLAG_AUDIO 0x02
#define INPUT_INFO_FLAG_TIME_TO_FRAME 0x10 /* func_time_to_frame converts times to frames */

/* func_set_track types; index -1 asks for the number of tracks. */
#define INPUT_TRACK_VIDEO 0
#define INPUT_TRACK_AUDIO 1

typedef void* INPUT_HANDLE;

/* What a module reports about an opened file. The program zero-fills it before
 * func_info_get and reads the two formats when func_info_get has returned. */
typedef struct INPUT_INFO {
    int32_t flag;
    int32_t rate;  /* frames per second = rate / scale, both above 0 */
    int32_t scale;
    int32_t frame_count;
    const PLUGIN_BITMAP_HEADER* video_format; /* width and height 1 to 16384 */
    int32_t unused1;                          /* not read */
    int32_t audio_sample_count;               /* sample frames */
    const PLUGIN_WAVE_FORMAT* audio_format;
    int32_t unused2;                          /* not read */
} INPUT_INFO;

typedef struct INPUT_PLUGIN_TABLE {
    int32_t flag;
    const char16_t* name;
    /* Pairs of texts (a description, then patterns separated by ';'), ended by
     * an empty text: u"Sample (*.smp)\0*.smp\0" */
    const char16_t* file_filter;
    const char16_t* information;
    /* Opens a file (the path without any track prefix); null when the module
     * cannot read it. */
    INPUT_HANDLE (*func_open)(const char16_t* file);
    bool (*func_close)(INPUT_HANDLE handle);
    /* Describes the file; false fails the open. */
    bool (*func_info_get)(INPUT_HANDLE handle, INPUT_INFO* info);
    /* Writes one frame in the reported format into buffer; the result is not used. */
    int (*func_read_video)(INPUT_HANDLE handle, int frame, void* buffer);
    /* Writes length sample frames from sample frame start into a zero-filled
     * buffer; the result is not used. */
    int (*func_read_audio)(INPUT_HANDLE handle, int start, int length, void* buffer);
    /* The settings dialog: the owner window (null when there is none) and the
     * module's handle; may be null. */
    bool (*func_config)(void* owner, void* module);
    /* With INPUT_PLUGIN_FLAG_TRACKS: index -1 answers the number of tracks of the
     * type, an index selects that track and answers the index selected. */
    int (*func_set_track)(INPUT_HANDLE handle, int type, int index);
    /* With INPUT_INFO_FLAG_TIME_TO_FRAME: the frame shown at a time. */
    int (*func_time_to_frame)(INPUT_HANDLE handle, double seconds);
} INPUT_PLUGIN_TABLE;

/* OUTPUT_PLUGIN_TABLE.flag */
#define OUTPUT_PLUGIN_FLAG_VIDEO 0x01
#define OUTPUT_PLUGIN_FLAG_AUDIO 0x02

/* What an export hands an output module; valid during func_output. */
typedef struct OUTPUT_INFO {
    int32_t flag; /* 3: video and audio are offered */
    int32_t width;
    int32_t height;
    int32_t rate;
    int32_t scale;
    int32_t frame_count;
    int32_t audio_rate;
    int32_t audio_channels; /* 2 */
    int32_t audio_sample_count;
    const char16_t* save_file;
    /* Frame 0 is the first frame of the export; the buffer is the program's,
     * valid until the next call. */
    void* (*func_get_video)(int frame, uint32_t format);
    /* Interleaved stereo samples, format PLUGIN_AUDIO_PCM (16 bits) or
     * PLUGIN_AUDIO_FLOAT; *read receives the sample frames delivered. */
    void* (*func_get_audio)(int start, int length, int* read, uint32_t format);
    bool (*func_is_abort)(void);
    void (*func_set_progress)(int done, int total);
    /* How many frames and audio blocks the program fetches ahead (4 each). */
    void (*func_set_buffer_size)(int video, int audio);
} OUTPUT_INFO;

typedef struct OUTPUT_PLUGIN_TABLE {
    int32_t flag;
    const char16_t* name;
    const char16_t* file_filter;
    const char16_t* information;
    /* Writes the whole file on the export thread; the result is not used. */
    bool (*func_output)(OUTPUT_INFO* info);
    bool (*func_config)(void* owner, void* module);
    const char16_t* (*func_get_config_text)(void);
} OUTPUT_PLUGIN_TABLE;

/* The entry points a module exports. */
typedef INPUT_PLUGIN_TABLE* (*GET_INPUT_PLUGIN_TABLE)(void);
typedef OUTPUT_PLUGIN_TABLE* (*GET_OUTPUT_PLUGIN_TABLE)(void);

PLUGIN_ABI_ASSERT(sizeof(void*) == 8, "the interface is 64-bit");
PLUGIN_ABI_ASSERT(sizeof(PLUGIN_BITMAP_HEADER) == 40, "PLUGIN_BITMAP_HEADER is 40 bytes");
PLUGIN_ABI_ASSERT(sizeof(PLUGIN_WAVE_FORMAT) == 18, "PLUGIN_WAVE_FORMAT is 18 bytes");
PLUGIN_ABI_ASSERT(sizeof(INPUT_PLUGIN_TABLE) == 96, "INPUT_PLUGIN_TABLE is 96 bytes");
PLUGIN_ABI_ASSERT(offsetof(INPUT_PLUGIN_TABLE, name) == 8, "name at 8");
PLUGIN_ABI_ASSERT(offsetof(INPUT_PLUGIN_TABLE, func_open) == 32, "func_open at 32");
PLUGIN_ABI_ASSERT(offsetof(INPUT_PLUGIN_TABLE, func_config) == 72, "func_config at 72");
PLUGIN_ABI_ASSERT(offsetof(INPUT_PLUGIN_TABLE, func_time_to_frame) == 88, "func_time_to_frame at 88");
PLUGIN_ABI_ASSERT(sizeof(INPUT_INFO) == 48, "INPUT_INFO is 48 bytes");
PLUGIN_ABI_ASSERT(offsetof(INPUT_INFO, frame_count) == 12, "frame_count at 12");
PLUGIN_ABI_ASSERT(offsetof(INPUT_INFO, video_format) == 16, "video_format at 16");
PLUGIN_ABI_ASSERT(offsetof(INPUT_INFO, audio_sample_count) == 28, "audio_sample_count at 28");
PLUGIN_ABI_ASSERT(offsetof(INPUT_INFO, audio_format) == 32, "audio_format at 32");
PLUGIN_ABI_ASSERT(sizeof(OUTPUT_PLUGIN_TABLE) == 56, "OUTPUT_PLUGIN_TABLE is 56 bytes");
PLUGIN_ABI_ASSERT(offsetof(OUTPUT_PLUGIN_TABLE, func_output) == 32, "func_output at 32");
PLUGIN_ABI_ASSERT(offsetof(OUTPUT_PLUGIN_TABLE, func_get_config_text) == 48, "func_get_config_text at 48");
PLUGIN_ABI_ASSERT(sizeof(OUTPUT_INFO) == 88, "OUTPUT_INFO is 88 bytes");
PLUGIN_ABI_ASSERT(offsetof(OUTPUT_INFO, audio_sample_count) == 32, "audio_sample_count at 32");
PLUGIN_ABI_ASSERT(offsetof(OUTPUT_INFO, save_file) == 40, "save_file at 40");
PLUGIN_ABI_ASSERT(offsetof(OUTPUT_INFO, func_set_buffer_size) == 80, "func_set_buffer_size at 80");

#ifdef __cplusplus
}
#endif

#endif
