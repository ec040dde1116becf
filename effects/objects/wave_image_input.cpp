#include "effects/objects/wave_image_input.h"

#include "core/vocabulary_tables.h"
#include "effect/item_control.h"
#include "io/input/input_service.h"
#include "media/audio_buffer.h"
#include "media/resource_buffer.h"
#include "project/model/object.h"
#include "render/render_audio_worker.h"
#include "render/render_service.h"

#include "effects/objects/wave_image.ps.hlsl.h"
#include "effects/objects/wave_spectrum.ps.hlsl.h"
#include "effects/objects/wave_spectrum_mirror.ps.hlsl.h"

#include <algorithm>
#include <cmath>

namespace Effect {

namespace {

const wchar_t* audioFilter()
{
    Plugin::InputService* input = Plugin::InputService::Get();
    return input ? input->audioFilter.c_str() : L"";
}

template <size_t N>
void load(Media::PixelShader& shader, const uint32_t (&code)[N])
{
    shader.loadFromMemory(code, sizeof code);
}

// A count item's value when it lies in 1 to limit, else the limit.
int countOr(const EffectItemInteger& item, int limit)
{
    return item.value >= 1 && item.value <= limit ? item.value : limit;
}

} // namespace

WaveImageInput::CommonResource::CommonResource()
{
    load(wave, wave_image_ps_hlsl);
    load(spectrum, wave_spectrum_ps_hlsl);
    load(mirror, wave_spectrum_mirror_ps_hlsl);
    Media::ConstantBufferCommon::create(constants, nullptr, sizeof(Constants));
}

WaveImageInput::WaveImageInput()
    : MediaAudioSource(Name, EffectType::Input, MediaType::Video, MediaType::Video, L"カスタムオブジェクト"),
      file(items, L"ファイル", audioFilter()),
      preset(items, L"波形のプリセット", 0.0f, 0.333f,
             [this](Component::EffectItemButtonControl&) { SourceUi::showPopupMenu(makePresetMenu()); })
{
    static_assert(sizeof(Constants) == 48);
    speed.notify = file.notify = true;
    positionItem = &position;
    speedItem = &speed;
    fileItem = &file;
    openType = Plugin::InputService::TypeAudio;
    setPlayPositionMovement();
}

void WaveImageInput::createCommonResource() { common = std::make_shared<CommonResource>(); }

void WaveImageInput::shareResource(EffectBase& prototype)
{
    common = dynamic_cast<WaveImageInput&>(prototype).common;
}

void WaveImageInput::preInputVideo(Render::RenderObject& object)
{
    if (!file.path.empty()) {
        readAudio(*this, file.path, 0, object, object.getFrameAudioRange(), true);
        return;
    }
    Render::RenderService* render = Render::RenderService::Get();
    if (render && object.scene)
        object.preInput = render->audioWorker.preRenderAudio(object.scene, object.frame);
}

std::unique_ptr<Media::ResourceBuffer> WaveImageInput::inputVideo(Render::RenderObject& object)
{
    std::unique_ptr<Media::AudioBlockBuffer> read;
    const Media::AudioBlockBuffer* block = nullptr;
    if (!file.path.empty()) {
        read = readAudio(*this, file.path, 0, object, object.getFrameAudioRange(), false);
        block = read.get();
    } else {
        auto* rendered = dynamic_cast<Render::RenderAudioWorker::RenderingBuffer*>(object.preInput.get());
        if (!rendered)
            return nullptr;
        rendered->event.wait();
        // A render that threw or was dropped may hold part of a block: no sound.
        if (rendered->failed)
            return nullptr;
        block = &rendered->block;
    }
    if (!block || block->samples == 0)
        return nullptr;
    return drawBlock(object, *block);
}

std::unique_ptr<Media::ResourceBuffer> WaveImageInput::drawBlock(Render::RenderObject& object,
                                                                  const Media::AudioBlockBuffer& block)
{
    if (!common)
        return nullptr;
    const int w = static_cast<int>(std::lround(width.getValue(object)));
    const int h = static_cast<int>(std::lround(height.getValue(object)));
    if (w < 1 || h < 1)
        return nullptr;
    Constants c{};
    const ColorF colour = color.getColor(object);
    c.color[0] = colour.r;
    c.color[1] = colour.g;
    c.color[2] = colour.b;
    c.color[3] = 1;
    c.size[0] = w;
    c.size[1] = h;
    c.res[1] = countOr(verticalResolution, h);
    c.pad[0] = static_cast<float>((100 - horizontalSpace.value) * 0.005);
    c.pad[1] = static_cast<float>((100 - verticalSpace.value) * 0.005);
    const double level = volume.getValue(object) * 0.01;

    std::vector<float> values;
    Media::PixelShader* shader;
    if (spectrum.value) {
        values = block.getSpectrumBands(countOr(horizontalResolution, w));
        values.resize(std::min<size_t>(values.size(), MaxSamples));
        c.res[0] = static_cast<int32_t>(values.size());
        c.vol = static_cast<float>(level / 8192);
        shader = mirror.value ? &common->mirror : &common->spectrum;
    } else {
        Media::AudioBuffer mono;
        mono.formatTag = Media::WaveFormatIeeeFloat;
        mono.bitsPerSample = 32;
        mono.channels = 1;
        mono.blockAlign = 4;
        mono.convertTo(block);
        const uint32_t n = std::min(block.samples, MaxSamples);
        const auto* samples = static_cast<const float*>(mono.data.data);
        values.assign(samples, samples + n);
        const int columns = horizontalResolution.value > 0 ? std::min<int>(horizontalResolution.value, int(n)) : w;
        c.res[0] = columns;
        c.vol = static_cast<float>(level * 0.25);
        shader = &common->wave;
    }
    if (values.empty())
        return nullptr;
    Media::ResourceBuffer texture(static_cast<int>(values.size()), 1, Media::Format::R32Float, values.data(),
                                  static_cast<uint32_t>(values.size() * sizeof(float)));
    auto picture = std::make_unique<Media::ResourceBuffer>(w, h);
    common->constants.update(&c);
    shader->draw(*picture, texture, &common->constants);
    return picture;
}

const wchar_t* WaveImageInput::getName() { return mediaFileName(file.path, name); }

bool WaveImageInput::itemEvent(ItemEvent& event) { return mediaItemEvent(event); }

bool WaveImageInput::isSupportedFile(const wchar_t* path)
{
    Plugin::InputService* input = Plugin::InputService::Get();
    return input && path && *path && input->getInputFile(path, Plugin::InputService::TypeAudio) != nullptr;
}

void WaveImageInput::bindItemControl(Component::ItemControlPanel& panel)
{
    panel.bindInformation(file, *this);
    if (auto* control = dynamic_cast<Component::EffectItemFileControl*>(panel.findItemControl(&file)))
        control->setEmptyText(L"現在のシーンの音声");
}

std::vector<SourceUi::MenuEntry> WaveImageInput::makePresetMenu()
{
    std::vector<SourceUi::MenuEntry> menu;
    for (const Vocabulary::WaveformPreset& p : Vocabulary::waveformPresets) {
        SourceUi::MenuEntry entry;
        entry.text = p.name;
        entry.action = [this, p] {
            SourceUi::editFocusEffect(this, [this, p] {
                horizontalResolution.value = p.horizontalResolution;
                verticalResolution.value = p.verticalResolution;
                horizontalSpace.value = p.horizontalSpace;
                verticalSpace.value = p.verticalSpace;
                spectrum.value = p.spectrum;
                mirror.value = p.mirror;
            });
        };
        menu.push_back(std::move(entry));
    }
    return menu;
}

} // namespace Effect
