#include "effects/objects/input_movie_effect.h"

#include "core/file_name.h"
#include "core/text.h"
#include "core/translate_service.h"
#include "effect/effect_define.h"
#include "effect/effect_item_file.h"
#include "effect/effect_item_layer.h"
#include "effect/effect_item_number.h"
#include "effect/effect_item_simple.h"
#include "effect/effect_service.h"
#include "effect/movement.h"
#include "effects/objects/source_ui.h"
#include "io/input/input_file.h"
#include "io/input/input_plugin.h"
#include "io/input/input_service.h"
#include "project/edit/edit_service.h"
#include "project/edit/undo_service.h"
#include "project/edit/update_section.h"
#include "project/model/object.h"
#include "project/model/project.h"
#include "project/model/scene.h"
#include "render/render_object.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cwchar>

namespace Effect {

namespace {

// The pixel formats of input files, by their DXGI numbers.
constexpr int32_t FormatHf64 = 10, FormatPa64 = 11, FormatYc48 = 13, FormatRgb32 = 87, FormatRgb24 = 88,
                  FormatYuy2 = 107;

// Speeds at or below this are too slow to fit an object to.
constexpr double MinimumFitSpeed = 0.09999989718198776;

Edit::Scene* findScene(int id)
{
    if (id == 0)
        return nullptr;
    Edit::EditService* edit = Edit::EditService::Get();
    if (!edit)
        return nullptr;
    auto found = edit->project.scenes.find(id);
    return found == edit->project.scenes.end() ? nullptr : found->second.get();
}

// The object of the event as the scene holds it.
std::shared_ptr<Edit::Object> sharedObject(const ItemEvent& event)
{
    if (!event.update || !event.update->scene || !event.object)
        return nullptr;
    const auto& found = event.update->scene->getLayer(event.object->layer)
                            .findNearestObject(event.object->start, event.object->end);
    return found.get() == event.object ? found : nullptr;
}

// Six decimals, then the trailing zeros and point dropped.
std::wstring numberText(double v)
{
    wchar_t text[64];
    std::swprintf(text, 64, L"%.6f", v);
    std::wstring s = text;
    while (!s.empty() && s.back() == L'0')
        s.pop_back();
    if (!s.empty() && s.back() == L'.')
        s.pop_back();
    return s;
}

const wchar_t* pixelFormatName(int32_t format)
{
    switch (format) {
    case FormatHf64: return L"RGBA64bit(HF64)";
    case FormatPa64: return L"RGBA64bit(PA64)";
    case FormatYc48: return L"YC48";
    case FormatRgb32: return L"RGB32bit";
    case FormatRgb24: return L"RGB24bit";
    case FormatYuy2: return L"YUY2";
    default: return L"";
    }
}

} // namespace

InputMovieEffect::Layout InputMovieEffect::Layout::of(const Edit::Object& object)
{
    return {object.start, object.end, object.midPoints};
}

void InputMovieEffect::setPlayPositionMovement()
{
    positionItem->setMovement(MovieRange::instance);
    positionItem->movementFilter = [](std::vector<MovementDefine*>& list) {
        if (EffectService* service = EffectService::Get())
            list.push_back(&service->findMovement(L"再生範囲"));
    };
}

bool InputMovieEffect::positionUsesRange() const { return positionItem->movement == MovieRange::instance; }

bool InputMovieEffect::positionIsPlayRange() const
{
    return positionItem->movement == NoMove::instance || positionItem->movement == MovieRange::instance;
}

bool InputMovieEffect::speedIsFixed() const { return speedItem->movement == NoMove::instance; }

bool InputMovieEffect::loopOn() const { return loopItem && loopItem->value; }

std::wstring InputMovieEffect::getPath() const { return fileItem ? fileItem->path : std::wstring(); }

void InputMovieEffect::resetMediaInfo()
{
    std::lock_guard lock(infoMutex_);
    infoStamp_ = 0;
}

bool InputMovieEffect::updateMediaInfo(MediaInfo* out)
{
    std::lock_guard lock(infoMutex_);
    bool usable;
    if (sceneItem) {
        info_ = MediaInfo{};
        info_.hasVideo = info_.hasAudio = true;
        if (const Edit::Scene* scene = findScene(sceneItem->value)) {
            const double rate = std::max(scene->videoRate, 1), scale = scene->videoScale;
            info_.duration = (scene->lastFrame + 1) * scale / rate;
            info_.frameRate = rate / scale;
        }
        usable = info_.duration != 0;
    } else {
        const int generation = Plugin::InputService::mediaInfoGeneration.load();
        if (infoStamp_ == generation) {
            usable = openType == 2 ? info_.hasAudio : info_.hasVideo;
        } else {
            Plugin::InputService* input = Plugin::InputService::Get();
            std::shared_ptr<Plugin::InputFile> file =
                input && fileItem ? input->getInputFile(fileItem->path, openType) : nullptr;
            info_ = MediaInfo{};
            infoStamp_ = generation;
            if (file) {
                info_.hasVideo = (file->flags & Plugin::InputFile::FlagVideo) != 0;
                info_.hasAudio = (file->flags & Plugin::InputFile::FlagAudio) != 0;
                info_.isYUY2 = info_.hasVideo && file->pixelFormat == FormatYuy2;
                info_.isYC48 = info_.hasVideo && file->pixelFormat == FormatYc48;
                if (file->flags & Plugin::InputFile::FlagMultiTrack)
                    info_.trackCount = openType == 2 ? file->audioTrackCount
                                                      : std::max(file->videoTrackCount, file->audioTrackCount);
                if (openType == 2)
                    info_.duration = file->sampleRate > 0 ? double(file->audioSampleCount) / file->sampleRate : 0;
                else if (file->rate > 0)
                    info_.duration = double(file->frameCount) * file->scale / file->rate;
                if (openType == 1 && file->scale > 0)
                    info_.frameRate = double(file->rate) / file->scale;
                usable = true;
            } else {
                usable = false;
            }
        }
    }
    if (out)
        *out = info_;
    return usable;
}

InputMovieEffect::Range InputMovieEffect::getPlayRange(const MediaInfo& info) const
{
    if (!positionUsesRange())
        return {0.0, info.duration};
    const double p0 = positionItem->getIndexValue(0);
    const double start = p0 > info.duration ? info.duration : std::max(p0, 0.0);
    const double e = positionItem->getIndexValue(1); // the index is held to the list
    const double end = (e > 0 && e <= info.duration) ? std::max(e, start) : info.duration;
    return {start, end};
}

double InputMovieEffect::getMediaPosition(const Edit::Scene& scene, const Layout& layout, double time) const
{
    const double secondsPerFrame = double(scene.videoScale) / std::max(scene.videoRate, 1);
    const double p0 = positionItem->getIndexValue(0);
    if (speedIsFixed())
        return p0 + speedItem->getIndexValue(0) / 100 * (time - layout.start) * secondsPerFrame;
    // Constant speed inside each section, stepping at the mid points.
    const int frame = static_cast<int>(std::trunc(time));
    const int k = static_cast<int>(std::upper_bound(layout.midPoints.begin(), layout.midPoints.end(),
                                                    frame - layout.start) -
                                   layout.midPoints.begin());
    double position = p0;
    for (int i = 0; i < k; ++i) {
        const int length = i == 0 ? layout.midPoints[0] : layout.midPoints[size_t(i)] - layout.midPoints[size_t(i) - 1];
        position += speedItem->getIndexValue(i) / 100 * length * secondsPerFrame;
    }
    const int sectionStart = k == 0 ? layout.start : layout.start + layout.midPoints[size_t(k) - 1];
    return position + speedItem->getIndexValue(k) / 100 * (time - sectionStart) * secondsPerFrame;
}

double InputMovieEffect::wrapPosition(double x, const Range& range) const
{
    const auto [a, b] = range;
    const bool reverse = speedItem->getIndexValue(0) < 0 && positionIsPlayRange();
    if (loopOn()) {
        const double length = b - a;
        if (length <= 0)
            return a;
        const double r = std::fmod(x - a, length);
        if (reverse)
            x = r > 0 ? r - length + a : r + a;
        else
            x = r < 0 ? r + length + a : r + a;
    }
    if (reverse)
        x += b - a;
    return x;
}

double InputMovieEffect::scenePosition(Render::RenderObject& object, const MediaInfo& info, Range& range)
{
    double p;
    if (positionIsPlayRange() && object.scene && object.object)
        p = getMediaPosition(*object.scene, Layout::of(*object.object), object.time + object.preRenderOffset);
    else
        p = static_cast<float>(positionItem->getValue(object));
    range = getPlayRange(info);
    return wrapPosition(p, range);
}

double InputMovieEffect::getVideoPosition(Render::RenderObject& object)
{
    MediaInfo info;
    updateMediaInfo(&info);
    Range range;
    const double q = scenePosition(object, info, range);
    const double upper = object.preRenderOffset > 0 && positionIsPlayRange() ? info.duration : range.second;
    return q > upper ? upper : std::max(q, range.first);
}

double InputMovieEffect::getAudioPosition(Render::RenderObject& object)
{
    MediaInfo info;
    updateMediaInfo(&info);
    Range range;
    const double q = scenePosition(object, info, range);
    if (q < range.first || q >= range.second)
        return info.duration + 1;
    return q;
}

double InputMovieEffect::getPlaySpeed(Render::RenderObject& object) const
{
    const int section = object.sectionPosition.sectionIndex;
    const double v = speedItem->getIndexValue(section) / 100;
    if (!positionIsPlayRange() && positionItem->getIndexValue(section + 1) < positionItem->getIndexValue(section))
        return -v;
    return v;
}

double InputMovieEffect::getElapsedMediaTime(Render::RenderObject& object) const
{
    if (!object.scene || !object.object)
        return 0;
    const double v = speedItem->getIndexValue(object.sectionPosition.sectionIndex) / 100;
    return std::fabs(v) * (object.time - object.object->start) * object.scene->videoScale /
           std::max(object.scene->videoRate, 1);
}

bool InputMovieEffect::setFile(ItemEvent& event)
{
    resetMediaInfo();
    if (!fileItem || fileItem->path.empty())
        return false;
    if (updateMediaInfo()) {
        fitObjectLength(event, true);
        return true;
    }
    std::wstring empty;
    System::FileName::expandVariable(empty);
    fileItem->path = empty;
    SourceUi::postError(L"このファイルには対応していません");
    return false;
}

bool InputMovieEffect::setDroppedFile(ItemEvent& event, const wchar_t* path)
{
    resetMediaInfo();
    if (fileItem) {
        std::wstring expanded = path ? path : L"";
        System::FileName::expandVariable(expanded);
        fileItem->path = expanded;
    }
    fitObjectLength(event, true);
    return true;
}

bool InputMovieEffect::mediaItemEvent(ItemEvent& event)
{
    switch (event.code) {
    case ItemEvent::ItemChanged: {
        const auto* item = static_cast<const EffectItem*>(event.payload);
        if (item && item == speedItem)
            return fitLengthToSpeed(event);
        if (item && item == fileItem)
            return setFile(event);
        return false;
    }
    case ItemEvent::FileSet: return setDroppedFile(event, static_cast<const wchar_t*>(event.payload));
    case 3:
    case 4:
    case 5: return adjustToEdit(event);
    case ItemEvent::ToolTip: return showInformation();
    default: return false;
    }
}

void InputMovieEffect::resizeObject(ItemEvent& event, int frames, bool recordUndo)
{
    if (event.update) {
        if (recordUndo) {
            if (std::shared_ptr<Edit::Object> object = sharedObject(event)) {
                event.update->openUndoStep();
                if (Undo::UndoService* undo = Undo::UndoService::Get())
                    undo->addObjectUpdate(object);
            }
        }
        event.update->updateLayerObject = true;
        event.update->updateSettingValue = true;
        event.update->updateColorSetting = true;
        event.update->notifyEdit = true;
    }
    Edit::Scene* scene = event.update && event.update->scene ? event.update->scene.get() : nullptr;
    if (scene)
        scene->setObjectLength(*event.object, frames, event.code == 4);
}

bool InputMovieEffect::fitObjectLength(ItemEvent& event, bool reset)
{
    MediaInfo info;
    if (!event.object || !positionIsPlayRange() || !speedIsFixed() || loopOn() || !event.object->midPoints.empty() ||
        !updateMediaInfo(&info))
        return false;
    Range span;
    if (reset) {
        positionItem->setValue(std::min(info.duration, 0.0), 0);
        if (positionUsesRange())
            positionItem->setValue(info.duration, 1);
        span = {0.0, info.duration};
    } else {
        const Range range = getPlayRange(info);
        span = {positionUsesRange() ? range.first : positionItem->getIndexValue(0), range.second};
    }
    const double v = speedItem->getIndexValue(0) / 100;
    if (std::fabs(v) <= MinimumFitSpeed)
        return false;
    const Edit::Scene* scene = event.update && event.update->scene ? event.update->scene.get() : nullptr;
    const double rate = scene ? scene->videoRate : 30, scale = scene ? scene->videoScale : 1;
    const int frames = std::max(1L, std::lround(std::fabs((span.second - span.first) / v) * rate / scale));
    if (!reset && frames >= event.object->end - event.object->start + 1)
        return false;
    if (event.code == ItemEvent::FileSet)
        resizeObject(event, frames, false), void();
    else
        resizeObject(event, frames, event.code != 4 && event.code != 5);
    return true;
}

bool InputMovieEffect::fitLengthToSpeed(ItemEvent& event)
{
    MediaInfo info;
    if (!event.object || !positionIsPlayRange() || !speedIsFixed() || loopOn() || !event.object->midPoints.empty() ||
        !updateMediaInfo(&info))
        return false;
    const double v = speedItem->getIndexValue(0) / 100;
    if (std::fabs(v) <= MinimumFitSpeed)
        return false;
    const Range range = getPlayRange(info);
    const Edit::Scene* scene = event.update && event.update->scene ? event.update->scene.get() : nullptr;
    const double rate = scene ? scene->videoRate : 30, scale = scene ? scene->videoScale : 1;
    const int frames = std::max(1L, std::lround(std::fabs((range.second - range.first) / v) * rate / scale));
    resizeObject(event, frames, true);
    return true;
}

bool InputMovieEffect::adjustToEdit(ItemEvent& event)
{
    if (!event.object || !positionIsPlayRange() || !speedIsFixed() || loopOn())
        return false;
    const bool trim = event.code == 4 || event.code == 5;
    if (trim && positionUsesRange()) {
        const Edit::EditService* edit = Edit::EditService::Get();
        if (edit && edit->fixedMovieTimeRange)
            return false;
    }
    MediaInfo info;
    if (!updateMediaInfo(&info) || !event.payload)
        return false;
    const Layout now = Layout::of(*event.object);
    Layout old = now;
    if (event.code == ItemEvent::CutFrom)
        old = Layout::of(*static_cast<const Edit::Object*>(event.payload));
    else if (event.code == 4)
        old.start = *static_cast<const int*>(event.payload);
    else if (event.code == 5)
        old.end = *static_cast<const int*>(event.payload);
    else
        return false;
    const Edit::Scene* scene = event.update && event.update->scene ? event.update->scene.get() : nullptr;
    if (!scene)
        return false;
    const Range range = getPlayRange(info);
    double d = positionUsesRange() ? range.first : positionItem->getIndexValue(0);
    double f = range.second;
    auto at = [&](int frame) { return getMediaPosition(*scene, old, frame); };
    if (speedItem->getIndexValue(0) >= 0) {
        if (now.start != old.start)
            d = at(now.start);
        f = now.end == old.end ? range.second : at(now.end + 1);
    } else {
        if (now.end != old.end)
            d = at(now.end + 1) + f - d;
        if (now.start != old.start)
            f = at(now.start) + f - d;
    }
    if (event.update) {
        if (event.code != ItemEvent::CutFrom && event.effect) {
            event.update->openUndoStep();
            if (Undo::UndoService* undo = Undo::UndoService::Get())
                undo->addEffectUpdate(event.effect);
        }
        event.update->notifyEdit = true;
        event.update->updateSettingValue = true;
        event.update->updateColorSetting = true;
    }
    const double h = std::clamp(d, 0.0, info.duration);
    positionItem->setValue(h, 0);
    if (positionUsesRange())
        positionItem->setValue(std::clamp(f, h, info.duration), 1);
    if (trim)
        fitObjectLength(event, false);
    return true;
}

bool InputMovieEffect::showInformation()
{
    if (sceneItem) {
        if (const Edit::Scene* scene = findScene(sceneItem->value))
            SourceUi::showToolTip(scene->getInformationText());
        return true;
    }
    const std::wstring path = getPath();
    if (path.empty())
        return false;
    Plugin::InputService* input = Plugin::InputService::Get();
    std::shared_ptr<Plugin::InputFile> file = input ? input->getInputFile(path, openType) : nullptr;
    if (!file) {
        SourceUi::showToolTip(path);
        return true;
    }
    wchar_t line[512];
    wchar_t time[32];
    const double duration = openType == 2 ? (file->sampleRate > 0 ? double(file->audioSampleCount) / file->sampleRate : 0)
                                           : (file->rate > 0 ? double(file->frameCount) * file->scale / file->rate : 0);
    System::formatTimeSeconds(time, duration);
    std::swprintf(line, 512, L"%ls\nTotalTime: %ls\n", path.c_str(), time);
    std::wstring text = line;
    if (file->flags & Plugin::InputFile::FlagVideo) {
        const std::wstring fps = numberText(file->scale ? double(file->rate) / file->scale : 0);
        std::swprintf(line, 512, L"Video: %d x %d / %lsfps / %ls\n", file->width, file->height, fps.c_str(),
                      pixelFormatName(file->pixelFormat));
        text += line;
    }
    if (file->flags & Plugin::InputFile::FlagAudio) {
        const std::wstring khz = numberText(file->sampleRate / 1000.0);
        const wchar_t* tag = file->audioFormatTag == 1 ? L"PCM" : file->audioFormatTag == 3 ? L"PCM(float)" : L"";
        std::swprintf(line, 512, L"Audio: %lskhz / %dch / %ls%dbit\n", khz.c_str(), file->channelCount, tag,
                      file->bitsPerSample);
        text += line;
    }
    text += L"Plugin: ";
    if (file->reader) {
        const Translate::TranslateService* translation = Translate::TranslateService::Get();
        text += Translate::TranslateService::enabled && translation ? translation->translateMenu(file->reader->name)
                                                                    : file->reader->name.c_str();
    }
    SourceUi::showToolTip(text);
    return true;
}

// ---- the track choice ----

unsigned InputMultiTrackMovieEffect::selectedTrack()
{
    MediaInfo info;
    if (!updateMediaInfo(&info) || info.trackCount <= 1 || !trackItem)
        return 0;
    return std::min(static_cast<unsigned>(info.trackCount - 1), static_cast<unsigned>(trackItem->value));
}

void InputMultiTrackMovieEffect::updateTrackItem()
{
    MediaInfo info;
    const bool multi = updateMediaInfo(&info) && info.trackCount > 1;
    trackItem->maxValue = multi ? info.trackCount - 1 : 0;
    trackItem->visible = multi;
}

} // namespace Effect
