#pragma once
// The render state of one sounding object at one frame: the frame part of
// the render state, the channel gains its output mixes with, the frame's mix
// block, the enclosing group audio control and where the frame's samples lie.
// Effects receive it as a Render::RenderObject& in every audio operation and
// reach these fields with Render::RenderAudioObject::from.
#include "render/render_object.h"

#include <cstdint>
#include <memory>

namespace Media { class AudioBlockBuffer; }

namespace Render {

class RenderAudioWorker;

class RenderAudioObject : public RenderObject {
public:
    // The audio state of an object handed to an audio operation (the audio
    // plan hands nothing else to them).
    static RenderAudioObject& from(RenderObject& object) { return static_cast<RenderAudioObject&>(object); }
    static const RenderAudioObject& from(const RenderObject& object)
    {
        return static_cast<const RenderAudioObject&>(object);
    }

    // firstSample and sampleCount from the scene's rates at time and frame.
    void updateSampleRange();
    // sampleOffset: the frame's first sample counted from the current object's start.
    void updateSampleOffset();

    // ---- the audio chain driver; each walk restores the current object ----
    // Appends the enclosing group audio control objects that carry filters:
    // the group audio reference's, then those of its enclosing groups.
    void collectGroupControls();
    // preInputAudio of every enabled input and filter (planning thread).
    void prepareEffects();
    // filterAudio of every enabled audio filter of the object list in chain
    // order; empty samples or none end the walk and are returned.
    std::unique_ptr<Media::AudioBlockBuffer> applyFilterEffects(std::unique_ptr<Media::AudioBlockBuffer> samples);
    // The object's output effect mixes the samples into the block; nothing
    // for empty samples. The samples' group padding is zeroed first: outputs
    // mix whole groups of eight.
    void outputAudio(std::unique_ptr<Media::AudioBlockBuffer>& samples);
    // The object task: input, filters, output.
    void renderObject();

    float leftGain = 1.0f;
    float rightGain = 1.0f;
    Media::AudioBlockBuffer* block = nullptr; // the frame's mix block
    // The frame's record of the innermost enclosing group audio control; empty for none.
    std::shared_ptr<ControlView> groupAudioControl;
    int64_t sampleOffset = 0; // first sample of the frame from the current object's start
    int audioRate = 0;        // the scene's
    int64_t firstSample = 0;  // first sample of the frame in the scene
    int sampleCount = 0;      // samples of the frame
    // The worker the sound renders for: its pre-rendering of other scenes.
    RenderAudioWorker* audioWorker = nullptr;
};

// The channel factors of the object's innermost group audio control, (1, 1)
// without one.
void getGroupAudioFactors(const RenderAudioObject& object, float& left, float& right);

// What the sounding outputs do once they have set the gains: with n the
// smaller sample count of block and samples, block.left += leftGain x
// groupLeft x samples.left and block.right += rightGain x groupRight x
// samples.right over exactly n samples (a mono source feeds both sides, a
// mono block takes both additions).
void mixAudio(const RenderAudioObject& object, Media::AudioBlockBuffer& block, const Media::AudioBlockBuffer& samples);

} // namespace Render
