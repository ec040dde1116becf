/*
 * A small input module for the tests, written against the plug-in header alone.
 * Its "media files" are text files of key=value words that say what to report:
 *
 *   video=1 width=64 height=48 bits=24 compression=0 frames=10 rate=30 scale=1
 *   audio=1 tag=1 channels=2 audio_bits=16 sample_rate=8000 samples=20000
 *   video_tracks=0 audio_tracks=2 time=1 info=0 crash=read_video
 *
 * Frames are filled with byte (frame + offset) & 255; sample i of the sound is
 * (i & 0x7FFF) as 16-bit PCM. Every call is written to a log the tests read
 * through TestModuleCalls. "crash=read_video" (and open, close) fault inside
 * that call; "crash=write_nothing" leaves the frame buffer as it is.
 */
#include "io/plugin/plugin_abi.h"

#include <pthread.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <time.h>

typedef struct File {
    int video, width, height, bits, compression, frames, rate, scale;
    int audio, tag, channels, audio_bits, sample_rate, samples;
    int video_tracks, audio_tracks, time, info;
    char crash[32];
    PLUGIN_BITMAP_HEADER bitmap;
    PLUGIN_WAVE_FORMAT wave;
} File;

static char calls[8192];

/* "crash=wait": read_video waits (10 s at most) until time_to_frame has run. */
static pthread_mutex_t waitMutex = PTHREAD_MUTEX_INITIALIZER;
static pthread_cond_t waitChanged = PTHREAD_COND_INITIALIZER;
static int entered, released;

static void record(const char* format, int a, int b)
{
    size_t used = strlen(calls);
    snprintf(calls + used, sizeof calls - used, format, a, b);
}

__attribute__((noinline, no_sanitize("undefined"))) static void crash(void)
{
    int* volatile nothing = NULL;
    *(volatile int*)nothing = 1;
}

static INPUT_HANDLE open_file(const char16_t* path)
{
    char narrow[4096];
    size_t n = 0;
    while (path[n] && n + 1 < sizeof narrow) {
        narrow[n] = (char)path[n];
        ++n;
    }
    narrow[n] = 0;
    record("open;", 0, 0);
    FILE* text = fopen(narrow, "r");
    if (!text)
        return NULL;
    File* f = calloc(1, sizeof(File));
    f->info = 1;
    f->rate = 30;
    f->scale = 1;
    f->audio_tracks = 1;
    f->video_tracks = 1;
    char word[64];
    while (fscanf(text, "%63s", word) == 1) {
        char* eq = strchr(word, '=');
        if (!eq)
            continue;
        *eq = 0;
        const char* value = eq + 1;
        int v = atoi(value);
        if (!strcmp(word, "crash"))
            snprintf(f->crash, sizeof f->crash, "%s", value);
#define KEY(name) else if (!strcmp(word, #name)) f->name = v;
        KEY(video) KEY(width) KEY(height) KEY(bits) KEY(compression) KEY(frames) KEY(rate) KEY(scale)
        KEY(audio) KEY(tag) KEY(channels) KEY(audio_bits) KEY(sample_rate) KEY(samples)
        KEY(video_tracks) KEY(audio_tracks) KEY(time) KEY(info)
#undef KEY
    }
    fclose(text);
    if (!strcmp(f->crash, "open"))
        crash();
    return f;
}

static bool close_file(INPUT_HANDLE handle)
{
    File* f = handle;
    record("close;", 0, 0);
    const bool faults = !strcmp(f->crash, "close");
    free(f);
    /* The handle is released before the fault, so the fault is all it leaves. */
    if (faults)
        crash();
    return true;
}

static bool info_get(INPUT_HANDLE handle, INPUT_INFO* info)
{
    File* f = handle;
    record("info_get;", 0, 0);
    if (!f->info)
        return false;
    info->flag = (f->video ? INPUT_INFO_FLAG_VIDEO : 0) | (f->audio ? INPUT_INFO_FLAG_AUDIO : 0) |
                 (f->time ? INPUT_INFO_FLAG_TIME_TO_FRAME : 0);
    info->rate = f->rate;
    info->scale = f->scale;
    info->frame_count = f->frames;
    f->bitmap.size = 40;
    f->bitmap.width = f->width;
    f->bitmap.height = f->height;
    f->bitmap.planes = 1;
    f->bitmap.bit_count = (uint16_t)f->bits;
    f->bitmap.compression = (uint32_t)f->compression;
    info->video_format = &f->bitmap;
    info->audio_sample_count = f->samples;
    f->wave.format_tag = (uint16_t)f->tag;
    f->wave.channels = (uint16_t)f->channels;
    f->wave.samples_per_second = (uint32_t)f->sample_rate;
    f->wave.bits_per_sample = (uint16_t)f->audio_bits;
    f->wave.block_align = (uint16_t)(f->channels * f->audio_bits / 8);
    info->audio_format = &f->wave;
    return true;
}

static int read_video(INPUT_HANDLE handle, int frame, void* buffer)
{
    File* f = handle;
    record("read_video(%d);", frame, 0);
    if (!strcmp(f->crash, "read_video"))
        crash();
    if (!strcmp(f->crash, "write_nothing"))
        return 0;
    if (!strcmp(f->crash, "wait")) {
        struct timespec until;
        clock_gettime(CLOCK_REALTIME, &until);
        until.tv_sec += 10;
        pthread_mutex_lock(&waitMutex);
        entered = 1;
        pthread_cond_broadcast(&waitChanged);
        while (!released && pthread_cond_timedwait(&waitChanged, &waitMutex, &until) == 0) {
        }
        record(released ? "released;" : "timeout;", 0, 0);
        pthread_mutex_unlock(&waitMutex);
    }
    const size_t row = (size_t)((f->width * f->bits / 8 + 3) & ~3);
    unsigned char* bytes = buffer;
    for (size_t i = 0; i < row * (size_t)f->height; ++i)
        bytes[i] = (unsigned char)(frame + i);
    return 1;
}

static int read_audio(INPUT_HANDLE handle, int start, int length, void* buffer)
{
    File* f = handle;
    record("read_audio(%d,%d);", start, length);
    int16_t* samples = buffer;
    for (int i = 0; i < length && start + i < f->samples; ++i)
        for (int c = 0; c < f->channels; ++c)
            samples[i * f->channels + c] = (int16_t)((start + i) & 0x7FFF);
    return length;
}

static int set_track(INPUT_HANDLE handle, int type, int index)
{
    File* f = handle;
    int count = type == INPUT_TRACK_VIDEO ? f->video_tracks : f->audio_tracks;
    int answer = index < 0 ? count : index;
    record("set_track(%d,%d);", type, index);
    return answer;
}

static int time_to_frame(INPUT_HANDLE handle, double seconds)
{
    record("time_to_frame;", 0, 0);
    pthread_mutex_lock(&waitMutex);
    released = 1;
    pthread_cond_broadcast(&waitChanged);
    pthread_mutex_unlock(&waitMutex);
    return (int)(seconds * 1000) + 7;
}

static int configured;
static bool config(void* owner, void* module)
{
    record("config(%d);", owner == NULL, 0);
    ++configured;
    return true;
}

static INPUT_PLUGIN_TABLE table = {
    INPUT_PLUGIN_FLAG_VIDEO | INPUT_PLUGIN_FLAG_AUDIO | INPUT_PLUGIN_FLAG_TRACKS,
    u"Test Input",
    u"TestFile (*.tst)\0*.tst;*.tsu\0",
    u"test module 1.0",
    open_file,
    close_file,
    info_get,
    read_video,
    read_audio,
    config,
    set_track,
    time_to_frame,
};

#ifndef TEST_MODULE_WITHOUT_TABLE
__attribute__((visibility("default"))) INPUT_PLUGIN_TABLE* GetInputPluginTable(void)
{
    return &table;
}
#endif

/* For the tests: the table's flag and whether it has a settings dialog, set
 * before the program loads the module; and the call log. */
__attribute__((visibility("default"))) void TestModuleSetup(int flag, int withConfig)
{
    table.flag = flag;
    table.func_config = withConfig ? config : NULL;
}

__attribute__((visibility("default"))) const char* TestModuleCalls(void)
{
    return calls;
}

__attribute__((visibility("default"))) void TestModuleReset(void)
{
    calls[0] = 0;
}

/* Returns once a read_video of "crash=wait" is waiting. */
__attribute__((visibility("default"))) void TestModuleWaitEntered(void)
{
    pthread_mutex_lock(&waitMutex);
    while (!entered)
        pthread_cond_wait(&waitChanged, &waitMutex);
    pthread_mutex_unlock(&waitMutex);
}
