#pragma once
// The effects the render, player and preview benchmarks draw and play with: a
// picture input that uploads its memory picture for every frame, the standard
// output drawing it through the drawing state's matrices with the object
// shaders, a sound file read through the audio cache and its output.
#include "effect/effect_base.h"
#include "effect/effect_service.h"
#include "media/direct3d_service.h"
#include "media/image_buffer.h"
#include "media/object_draw.h"
#include "media/resource_buffer.h"
#include "media/shader_list.h"
#include "media/state_list.h"
#include "media/vertex_list.h"
#include "render/cache/audio_cache.h"
#include "render/cache/cache_service.h"
#include "render/render_audio_object.h"
#include "render/render_object.h"

#include <memory>
#include <string>

namespace Bench {

// A picture input: uploads its memory picture for every frame, as a source
// reading from the image cache does.
class PictureInput : public Effect::EffectBase {
public:
    static constexpr const wchar_t* Name = L"画像";
    PictureInput() : EffectBase(Name, Effect::EffectType::Input, Effect::MediaType::Video, Effect::MediaType::Video, L"") {}
    std::shared_ptr<EffectBase> create() override { return std::make_shared<PictureInput>(); }
    std::unique_ptr<Media::ResourceBuffer> inputVideo(Render::RenderObject&) override
    {
        const int options[2] = {0, 0};
        return std::make_unique<Media::ResourceBuffer>(*picture, options);
    }
    std::shared_ptr<Media::ImageBuffer> picture;
};

// The standard output: position, rotation, zoom and alpha through the
// drawing state's matrices, drawn with the object shaders, filtered.
class StandardOutput : public Effect::EffectBase {
public:
    static constexpr const wchar_t* Name = L"標準描画";
    StandardOutput() : EffectBase(Name, Effect::EffectType::Output, Effect::MediaType::Video, Effect::MediaType::Video, L"") {}
    std::shared_ptr<EffectBase> create() override { return std::make_shared<StandardOutput>(); }
    Render::RenderObject::DrawState getOutputView(Render::RenderObject& r) override
    {
        Render::RenderObject::DrawState s = r.drawState;
        s.x += x;
        s.y += y;
        s.rz += rotation;
        s.sx *= zoom;
        s.sy *= zoom;
        s.alpha *= alpha;
        return s;
    }
    void outputVideo(Render::RenderObject& r, Media::RenderBuffer& target,
                     std::unique_ptr<Media::ResourceBuffer>& picture) override
    {
        const Math::float4x4 m = getOutputView(r).getWorldViewMatrix();
        Media::ObjectConstant c;
        for (int i = 0; i < 4; ++i)
            for (int j = 0; j < 4; ++j)
                c.projection[i][j] = m.m[j][i];
        c.alpha = alpha;
        for (int i = 0; i < 4; ++i)
            c.normalWorld[i][i] = 1;
        Media::Direct3DService* d3d = Media::Direct3DService::Get();
        auto quad = Media::VertexListQuadPosUvCommon::getCenteredQuad(picture->getWidth(), picture->getHeight());
        Media::ObjectDraw::setTarget(target, Media::ObjectDraw::Companions::None);
        Media::ObjectDraw::setConstants(c);
        Media::ObjectDraw::setSources(picture.get(), Shader::SamplerStateList::published()->get(1), nullptr);
        d3d->bindRasterizerState(Shader::RasterizerStateList::published()->get(0));
        d3d->bindBlendState(Shader::BlendStateList::published()->get(0), nullptr);
        quad->setShader();
        quad->draw();
        Media::ObjectDraw::clear();
    }
    float x = 0, y = 0, rotation = 0, zoom = 1, alpha = 1;
};

// A sound file's track read through the audio cache at the scene's rate, as
// the audio-file object does: its preparation preloads, its input gets.
class CachedSound : public Effect::EffectBase {
public:
    static constexpr const wchar_t* Name = L"音声ファイル";
    CachedSound() : EffectBase(Name, Effect::EffectType::Input, Effect::MediaType::Audio, Effect::MediaType::Audio, L"") {}
    std::shared_ptr<EffectBase> create() override { return std::make_shared<CachedSound>(); }
    void preInputAudio(Render::RenderObject& r) override
    {
        const Render::RenderAudioObject& a = Render::RenderAudioObject::from(r);
        cache().preloadAudio(path, 0, {a.sampleOffset, uint32_t(a.audioRate)}, uint32_t(a.sampleCount), 0, 1);
    }
    std::unique_ptr<Media::AudioBlockBuffer> inputAudio(Render::RenderObject& r) override
    {
        const Render::RenderAudioObject& a = Render::RenderAudioObject::from(r);
        return cache().getAudio(path, 0, {a.sampleOffset, uint32_t(a.audioRate)}, uint32_t(a.sampleCount), 0, 1);
    }
    static Cache::AudioCache& cache() { return *Cache::CacheService::Get()->audioCache; }
    std::wstring path;
};

// "音声再生": the common mix at full volume, centred.
class SoundOutput : public Effect::EffectBase {
public:
    static constexpr const wchar_t* Name = L"音声再生";
    SoundOutput() : EffectBase(Name, Effect::EffectType::Output, Effect::MediaType::Audio, Effect::MediaType::Audio, L"") {}
    std::shared_ptr<EffectBase> create() override { return std::make_shared<SoundOutput>(); }
    void outputAudio(Render::RenderObject& r, Media::AudioBlockBuffer& target,
                     std::unique_ptr<Media::AudioBlockBuffer>& samples) override
    {
        Render::mixAudio(Render::RenderAudioObject::from(r), target, *samples);
    }
};

// The effects of a bench that draws pictures only, and of one that also plays sound.
inline void registerPictureEffects(Effect::EffectService& s)
{
    s.registerEffect<PictureInput>();
    s.registerEffect<StandardOutput>();
}

inline void registerPictureAndSoundEffects(Effect::EffectService& s)
{
    registerPictureEffects(s);
    s.registerEffect<CachedSound>();
    s.registerEffect<SoundOutput>();
}

} // namespace Bench
