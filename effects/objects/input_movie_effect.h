#pragma once
// What every object source of time-based media shares (movie and audio files,
// scenes, waveform images): which position of the media, in seconds, belongs
// to the object's current time (play position and its "再生範囲" range, speed
// per section, loop and reverse play), the object's length kept in step with
// its media when the file, the speed or the object's edges change, and the
// media's information text.
//
// The media information is a cache refreshed whenever the process-wide media
// generation moves on (or a file or track changes). Render workers and the
// main thread both refresh it: the fields are written and read under a mutex,
// and callers work on a copy.
#include "effect/effect_base.h"

#include <mutex>
#include <utility>
#include <vector>

namespace Edit { class Scene; }

namespace Effect {

class EffectItemCheck;
class EffectItemFile;
class EffectItemInteger;
class EffectItemNumber;
class EffectItemScene;

class InputMovieEffect {
public:
    struct MediaInfo {
        double duration = 0;  // seconds; 0 when nothing is open
        double frameRate = 0; // video only
        int trackCount = 0;   // multi-track files only
        bool hasVideo = false, hasAudio = false, isYUY2 = false, isYC48 = false;
    };
    // The frames of an object: start, end and mid-point offsets from start.
    struct Layout {
        int start = 0;
        int end = 0;
        std::vector<int> midPoints;
        static Layout of(const Edit::Object& object);
    };
    using Range = std::pair<double, double>;

    // Gives the position item the movement "再生範囲" and offers that movement
    // in the item's movement menu: the last step of every owning constructor.
    void setPlayPositionMovement();

    // Refreshes the information from the file or scene when it is out of date;
    // whether the media can be used. The copy goes to *out when given.
    bool updateMediaInfo(MediaInfo* out = nullptr);
    // Marks the information out of date (the file or track changed).
    void resetMediaInfo();

    Range getPlayRange(const MediaInfo& info) const;
    // The unwrapped media position at object time `time` (frames) for a layout.
    double getMediaPosition(const Edit::Scene& scene, const Layout& layout, double time) const;
    // Loop and reverse play over the range.
    double wrapPosition(double position, const Range& range) const;
    // The frame's position, held inside the range (outside it the first or last frame stays).
    double getVideoPosition(Render::RenderObject& object);
    // The block's position; duration + 1 (silence) outside the range.
    double getAudioPosition(Render::RenderObject& object);
    // The signed speed of the current section.
    double getPlaySpeed(Render::RenderObject& object) const;
    // |speed| x the object time so far, in media seconds.
    double getElapsedMediaTime(Render::RenderObject& object) const;

    // Item events (main thread, inside the event's transaction).
    bool setFile(ItemEvent& event);
    bool setDroppedFile(ItemEvent& event, const wchar_t* path);
    bool fitObjectLength(ItemEvent& event, bool reset);
    bool fitLengthToSpeed(ItemEvent& event);
    bool adjustToEdit(ItemEvent& event);
    bool showInformation();
    // The events every media source answers alike: a change of the speed fits
    // the length, of the file sets it; a dropped file, an edge dragged or a
    // piece cut, the information. False for any other.
    bool mediaItemEvent(ItemEvent& event);

    // The file's path (empty for scene sources).
    std::wstring getPath() const;

    // Resizes the event's object to n frames (keeping its end when its start
    // was dragged, event code 4) with the transaction flags of a length fit;
    // recordUndo: the object's undo snapshot too. Any source that fits its
    // length uses it.
    static void resizeObject(ItemEvent& event, int frames, bool recordUndo);

    EffectItemNumber* positionItem = nullptr;
    EffectItemNumber* speedItem = nullptr;
    EffectItemFile* fileItem = nullptr;
    EffectItemScene* sceneItem = nullptr;
    EffectItemCheck* loopItem = nullptr;
    int openType = 1; // the file is opened for 1 video, 2 audio

protected:
    bool positionIsPlayRange() const; // "移動無し" or "再生範囲"
    bool speedIsFixed() const;        // "移動無し"
    bool positionUsesRange() const;   // "再生範囲"
    bool loopOn() const;
    double scenePosition(Render::RenderObject& object, const MediaInfo& info, Range& range);

private:
    mutable std::mutex infoMutex_;
    MediaInfo info_;
    int infoStamp_ = 0;
};

// The file sources with a track choice ("トラック").
class InputMultiTrackMovieEffect : public InputMovieEffect {
public:
    // The track every cache call uses: the item's value held to the file's
    // tracks (compared unsigned), 0 for a single-track file.
    unsigned selectedTrack();
    // The track item's maximum and enabled state from the file.
    void updateTrackItem();

    EffectItemInteger* trackItem = nullptr;
};

} // namespace Effect
