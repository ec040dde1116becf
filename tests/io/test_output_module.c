/*
 * A small output module for the tests, written against the plug-in header alone.
 * func_output writes what it pulls through the callbacks into the chosen file:
 *
 *   int32 frames written, int32 1 when an unknown format gave a zero frame,
 *   then per frame its 24-bit DIB, then every sample frame of the range as
 *   16-bit stereo, pulled in windows of 1000.
 *
 * It asks func_is_abort before each frame and reports progress after it. A
 * file name ending in "crash.tst" faults inside func_output.
 */
#include "io/plugin/plugin_abi.h"

#include <stdio.h>
#include <stdlib.h>
#include <string.h>

static void toNarrow(const char16_t* text, char* out, size_t size)
{
    size_t i = 0;
    for (; text[i] && i + 1 < size; ++i)
        out[i] = (char)text[i];
    out[i] = 0;
}

/* A deliberate fault; the sanitizers must not stop at it before the guard does. */
__attribute__((noinline, no_sanitize("undefined"))) static void crash(void)
{
    int* volatile nothing = NULL;
    *(volatile int*)nothing = 1;
}

static bool output(OUTPUT_INFO* info)
{
    char path[1024];
    toNarrow(info->save_file, path, sizeof path);
    size_t length = strlen(path);
    if (length >= 9 && strcmp(path + length - 9, "crash.tst") == 0)
        crash();
    /* Out of range depths: the program holds them to its bounds. */
    info->func_set_buffer_size(-5, 1000);

    FILE* file = fopen(path, "wb");
    if (!file)
        return false;
    int header[2] = {0, 1};
    fwrite(header, sizeof header, 1, file);

    const size_t stride = ((size_t)info->width * 3 + 3) & ~(size_t)3;
    const size_t frameBytes = stride * (size_t)info->height;
    const unsigned char* unknown = info->func_get_video(0, PLUGIN_FOURCC('N', 'O', 'P', 'E'));
    for (size_t i = 0; i < frameBytes; ++i)
        if (unknown[i] != 0)
            header[1] = 0;

    int frame = 0;
    for (; frame < info->frame_count && !info->func_is_abort(); ++frame) {
        const void* bits = info->func_get_video(frame, 0);
        fwrite(bits, frameBytes, 1, file);
        info->func_set_progress(frame + 1, info->frame_count);
    }
    header[0] = frame;
    for (int start = 0; start < info->audio_sample_count; start += 1000) {
        int read = 0;
        const void* samples = info->func_get_audio(start, 1000, &read, PLUGIN_AUDIO_PCM);
        fwrite(samples, (size_t)read * 4, 1, file);
    }
    /* Windows the program refuses deliver nothing. */
    int read = 7;
    info->func_get_audio(-10, 10, &read, PLUGIN_AUDIO_PCM);
    int refused = read;
    info->func_get_audio(0, 10, &read, 2);
    refused += read;
    fwrite(&refused, sizeof refused, 1, file);
    fseek(file, 0, SEEK_SET);
    fwrite(header, sizeof header, 1, file);
    fclose(file);
    return true;
}

static const char16_t* configText(void) { return u"quality: test"; }

static OUTPUT_PLUGIN_TABLE table = {
    OUTPUT_PLUGIN_FLAG_VIDEO | OUTPUT_PLUGIN_FLAG_AUDIO,
    u"Test Output",
    u"Test File (*.tst)\0*.tst\0",
    u"test output module 1.0",
    output,
    NULL,
    configText,
};

__attribute__((visibility("default"))) OUTPUT_PLUGIN_TABLE* GetOutputPluginTable(void) { return &table; }
