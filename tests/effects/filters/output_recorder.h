#pragma once
// An output effect that records what the filters hand to the object's output
// step (pictures drawn as objects of their own): the drawing state, the copy
// index and count, and the picture read back. The test object's chain holds
// it as its input and output, then the filters under test.
#include "effect/effect_base.h"
#include "media/render_buffer.h"
#include "project/model/object.h"
#include "tests/effects/filters/filter_fixture.h"

#include <functional>

namespace FilterTest {

class OutputRecorder : public Effect::EffectBase {
public:
    struct Draw {
        Render::RenderObject::DrawState state;
        int index, num;
        Image picture;
    };
    explicit OutputRecorder(std::function<Image(const Media::ResourceBuffer&)> read)
        : EffectBase(L"出力記録", Effect::EffectType::Output, Effect::MediaType::Video, Effect::MediaType::Video,
                     L""),
          read_(std::move(read))
    {
    }
    std::shared_ptr<EffectBase> create() override { return std::make_shared<OutputRecorder>(read_); }
    void outputVideo(Render::RenderObject& r, Media::RenderBuffer&, std::unique_ptr<Media::ResourceBuffer>& picture) override
    {
        draws.push_back({r.drawState, r.index, r.num, read_(*picture)});
    }
    std::vector<Draw> draws;

private:
    std::function<Image(const Media::ResourceBuffer&)> read_;
};

// Makes the fixture's object a chain of the recorder (input and output) and
// the given filters, and points the render object at it and at a frame target.
inline std::shared_ptr<OutputRecorder> chainWithRecorder(
    Render::RenderObject& render, Edit::Object& object, Media::RenderBuffer& target,
    const std::vector<std::shared_ptr<Effect::EffectBase>>& filters,
    std::function<Image(const Media::ResourceBuffer&)> read)
{
    auto recorder = std::make_shared<OutputRecorder>(std::move(read));
    object.effects = {recorder, recorder};
    for (const auto& f : filters)
        object.effects.push_back(f);
    render.objectList = std::make_shared<Render::ObjectList>(Render::ObjectList{render.object});
    render.drawState.target = &target;
    return recorder;
}

} // namespace FilterTest
