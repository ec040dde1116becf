#include "effects/objects/movie_load.h"

#include "effect/effect_service.h"
#include "effect/item_control.h"
#include "io/input/input_file.h"
#include "io/input/input_service.h"
#include "media/audio_buffer.h"
#include "media/image_buffer.h"
#include "media/resource_buffer.h"
#include "media/yuv_format.h"
#include "project/edit/edit_service.h"
#include "project/edit/update_section.h"
#include "project/model/object.h"
#include "project/model/scene.h"
#include "render/cache/audio_cache.h"
#include "render/cache/image_cache.h"
#include "render/cache/waveform_cache.h"
#include "render/render_audio_object.h"

#include <algorithm>
#include <cmath>

namespace Effect {

namespace {

// The theme's icon of the "YUVの設定" button (PNG resource number).
constexpr int YuvButtonIcon = 154;

const wchar_t* filterOf(std::wstring Plugin::InputService::*filter)
{
    Plugin::InputService* input = Plugin::InputService::Get();
    return input ? (input->*filter).c_str() : L"";
}

bool opens(const wchar_t* path, int type)
{
    Plugin::InputService* input = Plugin::InputService::Get();
    return input && path && *path && input->getInputFile(path, type) != nullptr;
}

} // namespace

const wchar_t* mediaFileName(const std::wstring& path, const wchar_t* displayName)
{
    if (path.empty())
        return translatedEffectText(displayName);
    const size_t slash = path.find_last_of(L"\\/");
    return path.c_str() + (slash == std::wstring::npos ? 0 : slash + 1);
}

std::unique_ptr<Media::AudioBlockBuffer> MediaAudioSource::readAudio(InputMovieEffect& media, const std::wstring& name,
                                                                     unsigned track, Render::RenderObject& object,
                                                                     bool preload)
{
    const Render::RenderAudioObject& audio = Render::RenderAudioObject::from(object);
    return readAudio(media, name, track, object,
                     {audio.sampleOffset, audio.audioRate, audio.firstSample, audio.sampleCount}, preload);
}

std::unique_ptr<Media::AudioBlockBuffer> MediaAudioSource::readAudio(InputMovieEffect& media, const std::wstring& name,
                                                                     unsigned track, Render::RenderObject& object,
                                                                     const Render::RenderObject::FrameAudioRange& range,
                                                                     bool preload)
{
    InputMovieEffect::MediaInfo info;
    if (!media.updateMediaInfo(&info) || !cacheService || !cacheService->audioCache)
        return nullptr;
    const double x = media.getAudioPosition(object);
    if (x >= info.duration)
        return nullptr;
    const Cache::AudioPlayPosition at{range.offset, static_cast<uint32_t>(range.audioRate)};
    const double base = x - media.getElapsedMediaTime(object);
    const double speed = media.getPlaySpeed(object);
    const uint32_t count = static_cast<uint32_t>(std::max(range.count, 0));
    if (preload) {
        cacheService->audioCache->preloadAudio(name, track, at, count, base, speed);
        return nullptr;
    }
    return cacheService->audioCache->getAudio(name, track, at, count, base, speed);
}

// ---- what the file sources share ----

MediaFileSource::MediaFileSource(const wchar_t* name, uint8_t media, int type)
    : MediaAudioSource(name, EffectType::Input, media, media, L"")
{
    openType = type;
}

void MediaFileSource::connectItems(EffectItemNumber& position, EffectItemNumber& speed, EffectItemFile& file,
                                   EffectItemInteger& track, EffectItemCheck& loop)
{
    speed.notify = file.notify = track.notify = true;
    track.visible = false;
    positionItem = &position;
    speedItem = &speed;
    fileItem = &file;
    loopItem = &loop;
    trackItem = &track;
    setPlayPositionMovement();
}

std::unique_ptr<Media::AudioBlockBuffer> MediaFileSource::inputAudio(Render::RenderObject& object)
{
    return readAudio(*this, fileItem->path, selectedTrack(), object, false);
}

void MediaFileSource::preInputAudio(Render::RenderObject& object)
{
    readAudio(*this, fileItem->path, selectedTrack(), object, true);
}

const wchar_t* MediaFileSource::getName() { return mediaFileName(fileItem->path, name); }

std::shared_ptr<Media::WaveformBuffer> MediaFileSource::getWaveform()
{
    MediaInfo info;
    if (!updateMediaInfo(&info) || !info.hasAudio || !cacheService || !cacheService->waveformCache)
        return nullptr;
    return cacheService->waveformCache->getWaveform(fileItem->path, selectedTrack());
}

double MediaFileSource::getWaveformPosition(Render::RenderObject& object) { return getAudioPosition(object) * 128; }

void MediaFileSource::updateItemState() { updateTrackItem(); }

// ---- 動画ファイル ----

MovieLoad::MovieLoad()
    : MediaFileSource(Name, MediaType::VideoAudio, Plugin::InputService::TypeVideo),
      file(items, L"ファイル", filterOf(&Plugin::InputService::videoFilter))
{
    connectItems(position, speed, file, track, loop);
}

std::unique_ptr<Media::ResourceBuffer> MovieLoad::inputVideo(Render::RenderObject& object)
{
    if (!updateMediaInfo() || !cacheService || !cacheService->imageCache)
        return nullptr;
    const double p = getVideoPosition(object);
    std::shared_ptr<Media::ImageBuffer> image = cacheService->imageCache->getMovieImage(file.path, selectedTrack(), p);
    const int options[2] = {yuv.colorSpace, yuv.colorRange};
    return Media::ResourceBuffer::createFromImage(image, options);
}

void MovieLoad::preInputVideo(Render::RenderObject& object)
{
    if (updateMediaInfo() && cacheService && cacheService->imageCache)
        cacheService->imageCache->preloadMovieImage(file.path, selectedTrack(), getVideoPosition(object));
}

int MovieLoad::getAudioInfo(int selector)
{
    if (selector == 0)
        return file.path.empty() ? 0 : withAudio.value;
    if (selector == 1) {
        Plugin::InputService* input = Plugin::InputService::Get();
        std::shared_ptr<Plugin::InputFile> opened =
            input && !file.path.empty() ? input->getInputFile(file.path, Plugin::InputService::TypeVideo) : nullptr;
        return opened && (opened->flags & Plugin::InputFile::FlagAudio) ? opened->audioTrackCount : 0;
    }
    return 0;
}

bool MovieLoad::itemEvent(ItemEvent& event)
{
    bool result = false;
    switch (event.code) {
    case ItemEvent::ItemChanged: {
        const auto* item = static_cast<const EffectItem*>(event.payload);
        if (item == &speed)
            return fitLengthToSpeed(event);
        if (item == &track) {
            resetMediaInfo();
            return !file.path.empty() && updateMediaInfo();
        }
        if (item != &file)
            return false;
        if (event.update) {
            event.update->updateSettingList = true;
            event.update->updateTimeSetting = true;
            event.update->updateColorSetting = true;
            event.update->updateTextSetting = true;
        }
        result = setFile(event);
        break;
    }
    case ItemEvent::FileSet: result = setDroppedFile(event, static_cast<const wchar_t*>(event.payload)); break;
    case 3:
    case 4:
    case 5: return adjustToEdit(event);
    case ItemEvent::SoundTrack:
        updateMediaInfo();
        if (event.payload)
            track.value = *static_cast<const int*>(event.payload);
        return false;
    case ItemEvent::ToolTip: return showInformation();
    default: return false;
    }
    MediaInfo info;
    withAudio.value = updateMediaInfo(&info) && info.hasAudio ? 1 : 0;
    return result;
}

bool MovieLoad::isSupportedFile(const wchar_t* path) { return opens(path, Plugin::InputService::TypeVideo); }

bool MovieLoad::showsYuvButton()
{
    MediaInfo info;
    if (!updateMediaInfo(&info) || !info.hasVideo || !(info.isYUY2 || info.isYC48))
        return false;
    // Only where the picture is used: an object of a video input, or of a
    // movie input whose output draws.
    const Edit::EditService* edit = Edit::EditService::Get();
    const Edit::Object* focus = edit && edit->currentScene ? edit->currentScene->focusObject.get() : nullptr;
    if (!focus || focus->effects.empty())
        return false;
    const uint8_t input = focus->effects[0]->mediaType;
    if (input == MediaType::Video)
        return true;
    if (input != MediaType::VideoAudio || focus->effects.size() < 2)
        return false;
    const uint8_t output = focus->effects[1]->mediaType;
    return output == MediaType::Video || output == MediaType::VideoAudio;
}

void MovieLoad::bindItemControl(Component::ItemControlPanel& panel)
{
    if (panel.displayPositionByFrame()) {
        if (auto* control = dynamic_cast<Component::EffectItemNumberControl*>(panel.findItemControl(&position))) {
            // Frames counted from 1; a difference carries no offset. Seconds
            // stay as they are while the file gives no frame rate.
            auto frameRate = [this] {
                MediaInfo info;
                return updateMediaInfo(&info) ? info.frameRate : 0.0;
            };
            control->setValueConverter(
                [frameRate](double v, bool difference) {
                    const double rate = frameRate();
                    return rate == 0 ? v : std::round(rate * v) + (difference ? 0 : 1);
                },
                [frameRate](double v, bool difference) {
                    const double rate = frameRate();
                    return rate == 0 ? v : (v - (difference ? 0 : 1)) / rate;
                },
                1);
        }
    }
    panel.bindInformation(file, *this);
    if (!showsYuvButton())
        return;
    if (auto* control = dynamic_cast<Component::EffectItemFileControl*>(panel.findItemControl(&file)))
        control->setExtraButton({L"YUVの設定", YuvButtonIcon, [this] { SourceUi::showPopupMenu(makeYuvMenu()); }});
}

std::vector<SourceUi::MenuEntry> MovieLoad::makeYuvMenu()
{
    MediaInfo info;
    updateMediaInfo(&info);
    SourceUi::MenuEntry space;
    space.text = L"YUV色空間";
    const auto& table = Media::YUVformat::yuvToRgbTable();
    for (int i = 0; i <= static_cast<int>(table.size()); ++i) {
        SourceUi::MenuEntry entry;
        entry.text = i == 0 ? std::wstring(L"自動") : table[size_t(i) - 1].name;
        entry.checked = yuv.colorSpace == i;
        entry.action = [this, i] { SourceUi::editFocusEffect(this, [this, i] { yuv.colorSpace = i; }); };
        space.children.push_back(std::move(entry));
    }
    SourceUi::MenuEntry range;
    range.text = L"YUVレンジ";
    range.enabled = !info.isYC48;
    const wchar_t* ranges[2] = {L"Limited", L"Full"};
    for (int i = 0; i < 2; ++i) {
        SourceUi::MenuEntry entry;
        entry.text = ranges[i];
        entry.checked = yuv.colorRange == i;
        entry.action = [this, i] { SourceUi::editFocusEffect(this, [this, i] { yuv.colorRange = i; }); };
        range.children.push_back(std::move(entry));
    }
    return {std::move(space), std::move(range)};
}

// ---- 音声ファイル ----

AudioLoad::AudioLoad()
    : MediaFileSource(Name, MediaType::Audio, Plugin::InputService::TypeAudio),
      file(items, L"ファイル", filterOf(&Plugin::InputService::audioFilter))
{
    connectItems(position, speed, file, track, loop);
}

bool AudioLoad::itemEvent(ItemEvent& event)
{
    if (event.code == ItemEvent::ItemChanged && event.payload == &track) {
        resetMediaInfo();
        return !file.path.empty() && updateMediaInfo();
    }
    return mediaItemEvent(event);
}

bool AudioLoad::isSupportedFile(const wchar_t* path) { return opens(path, Plugin::InputService::TypeAudio); }

void AudioLoad::bindItemControl(Component::ItemControlPanel& panel) { panel.bindInformation(file, *this); }

} // namespace Effect
