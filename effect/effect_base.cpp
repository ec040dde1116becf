#include "effect/effect_base.h"

#include "core/failure.h"
#include "core/translate_service.h"

namespace Effect {

const wchar_t* translatedEffectText(const wchar_t* text)
{
    const Translate::TranslateService* translation = Translate::TranslateService::Get();
    return Translate::TranslateService::enabled && translation ? translation->effect.translate(text) : text;
}

namespace {
[[noreturn]] void notImplemented(const char* place)
{
    throw System::makeException(place, "not implement.", nullptr);
}
} // namespace

EffectBase::EffectBase(const wchar_t* name, uint8_t effectType, uint8_t mediaType, uint8_t objectMediaType,
                       const wchar_t* category)
    : name(name), effectType(effectType), mediaType(mediaType), objectMediaType(objectMediaType), category(category)
{
}

EffectBase::~EffectBase() = default;

std::unique_ptr<Media::ResourceBuffer> EffectBase::inputVideo(Render::RenderObject&)
{
    notImplemented("Effect::EffectBase::inputVideo");
}

void EffectBase::preInputVideo(Render::RenderObject&) {}

void EffectBase::outputVideo(Render::RenderObject&, Media::RenderBuffer&, std::unique_ptr<Media::ResourceBuffer>&)
{
    notImplemented("Effect::EffectBase::outputVideo");
}

void EffectBase::createAnchor(Render::RenderObject&, int, int) {}

Render::RenderObject::DrawState EffectBase::getOutputView(Render::RenderObject&)
{
    notImplemented("Effect::EffectBase::getOutputView");
}

// The picture parameter is released by the caller's frame as the exception leaves.
std::unique_ptr<Media::ResourceBuffer> EffectBase::filterVideo(Render::RenderObject&,
                                                               std::unique_ptr<Media::ResourceBuffer>)
{
    notImplemented("Effect::EffectBase::filterVideo");
}

void EffectBase::controlVideo(Render::RenderObject&) {}

std::unique_ptr<Media::AudioBlockBuffer> EffectBase::inputAudio(Render::RenderObject&)
{
    notImplemented("Effect::EffectBase::inputAudio");
}

void EffectBase::preInputAudio(Render::RenderObject&) {}

void EffectBase::outputAudio(Render::RenderObject&, Media::AudioBlockBuffer&,
                             std::unique_ptr<Media::AudioBlockBuffer>&)
{
    notImplemented("Effect::EffectBase::outputAudio");
}

std::unique_ptr<Media::AudioBlockBuffer> EffectBase::filterAudio(Render::RenderObject&,
                                                                 std::unique_ptr<Media::AudioBlockBuffer>)
{
    notImplemented("Effect::EffectBase::filterAudio");
}

void EffectBase::controlAudio(Render::RenderObject&) {}

EffectDefine* EffectBase::getDefaultInputEffect()
{
    return nullptr;
}

const wchar_t* EffectBase::getName()
{
    return translatedEffectText(name);
}

int EffectBase::getAudioInfo(int)
{
    return 0;
}

EffectItemLayerRange* EffectBase::getLayerRange()
{
    notImplemented("Effect::EffectBase::getLayerRange");
}

std::shared_ptr<Media::WaveformBuffer> EffectBase::getWaveform()
{
    return {};
}

double EffectBase::getWaveformPosition(Render::RenderObject&)
{
    notImplemented("Effect::EffectBase::getWaveformPosition");
}

bool EffectBase::anchorEvent(Anchor::AnchorEvent&)
{
    notImplemented("Effect::EffectBase::anchorEvent");
}

bool EffectBase::itemEvent(ItemEvent&)
{
    return false;
}

bool EffectBase::isSupportedFile(const wchar_t*)
{
    return false;
}

void EffectBase::initializeDefault() {}

void EffectBase::updateItemState() {}

void EffectBase::bindItemControl(Component::ItemControlPanel&) {}

void EffectBase::createCommonResource() {}

void EffectBase::shareResource(EffectBase&) {}

} // namespace Effect
