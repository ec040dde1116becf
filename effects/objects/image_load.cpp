#include "effects/objects/image_load.h"

#include "core/file_name.h"
#include "effect/item_control.h"
#include "effect/movement.h"
#include "effects/objects/source_ui.h"
#include "io/input/input_file.h"
#include "io/input/input_plugin.h"
#include "io/input/input_service.h"
#include "media/image_buffer.h"
#include "media/resource_buffer.h"
#include "project/edit/update_section.h"
#include "project/model/object.h"
#include "render/cache/image_cache.h"
#include "render/render_object.h"

#include <algorithm>
#include <cmath>
#include <cwchar>

namespace Effect {

namespace {

const wchar_t* imageFilter()
{
    Plugin::InputService* input = Plugin::InputService::Get();
    return input ? input->imageFilter.c_str() : L"";
}

std::shared_ptr<Plugin::InputFile> openForVideo(const std::wstring& path)
{
    Plugin::InputService* input = Plugin::InputService::Get();
    return input && !path.empty() ? input->getInputFile(path, Plugin::InputService::TypeVideo) : nullptr;
}

} // namespace

ImageLoad::ImageLoad()
    : EffectBase(Name, EffectType::Input, MediaType::Video, MediaType::Video, L""),
      file(items, L"ファイル", imageFilter())
{
    file.notify = true;
    sequence.notify = true;
    number.visible = false;
}

void ImageLoad::resetSeries()
{
    std::lock_guard lock(seriesMutex_);
    series_.reset();
}

std::shared_ptr<const ImageLoad::Series> ImageLoad::getSeries()
{
    std::lock_guard lock(seriesMutex_);
    if (series_)
        return series_;
    auto series = std::make_shared<Series>();
    const std::wstring path = file.path;
    SeriesName chosen;
    if (sequence.value && splitSeriesName(path, chosen)) {
        try {
            series->prefix = chosen.prefix;
            series->suffix = chosen.suffix;
            series->firstNumber = series->lastNumber = std::stoi(std::wstring(chosen.digits));
            std::wstring pattern = series->prefix + L"*" + series->suffix;
            System::FileName::expandVariable(pattern);
            for (const auto& found : System::FileName::findFiles(pattern, nullptr)) {
                SeriesName name;
                if (!splitSeriesName(found.path, name))
                    continue;
                const std::wstring digits(name.digits);
                const int n = std::stoi(digits);
                if (n < series->firstNumber)
                    continue;
                series->lastNumber = std::max(series->lastNumber, n);
                series->files.emplace(n, digits); // the first name listed for a number stays
            }
        } catch (const std::exception&) {
            // A number out of range or a failed listing: the chosen file alone.
            series->firstNumber = series->lastNumber = 0;
            series->files.clear();
        }
    }
    series_ = std::move(series);
    return series_;
}

bool ImageLoad::splitSeriesName(std::wstring_view path, SeriesName& out)
{
    const size_t dot = path.rfind(L'.');
    if (dot == std::wstring_view::npos || dot + 1 >= path.size())
        return false;
    size_t digits = dot;
    while (digits > 0 && path[digits - 1] >= L'0' && path[digits - 1] <= L'9')
        --digits;
    // The shortest prefix wins, but it holds at least one character.
    digits = std::max<size_t>(digits, 1);
    if (digits >= dot)
        return false;
    const std::wstring_view prefix = path.substr(0, digits);
    if (prefix.find_first_of(L"\r\n") != std::wstring_view::npos)
        return false;
    out = {prefix, path.substr(digits, dot - digits), path.substr(dot)};
    return true;
}

std::wstring ImageLoad::getFileName(Render::RenderObject& object)
{
    std::shared_ptr<const Series> series = getSeries();
    if (series->files.empty())
        return file.path;
    int a;
    if (number.movement != NoMove::instance || number.getIndexValue(0) != 0)
        a = static_cast<int>(std::lround(number.getValue(object)));
    else
        a = object.frame - (object.object ? object.object->start : 0);
    for (int i = std::clamp(a, series->firstNumber, series->lastNumber); i >= series->firstNumber; --i) {
        auto found = series->files.find(i);
        if (found != series->files.end())
            return series->prefix + found->second + series->suffix;
    }
    return file.path;
}

std::unique_ptr<Media::ResourceBuffer> ImageLoad::inputVideo(Render::RenderObject& object)
{
    if (file.path.empty() || !cacheService || !cacheService->imageCache)
        return nullptr;
    std::shared_ptr<Media::ImageBuffer> image = cacheService->imageCache->getImage(getFileName(object));
    const int automatic[2] = {0, 0};
    return Media::ResourceBuffer::createFromImage(image, automatic);
}

void ImageLoad::preInputVideo(Render::RenderObject& object)
{
    if (!file.path.empty() && cacheService && cacheService->imageCache)
        cacheService->imageCache->preloadImage(getFileName(object));
}

const wchar_t* ImageLoad::getName()
{
    if (file.path.empty())
        return translatedEffectText(name);
    const size_t slash = file.path.find_last_of(L"\\/");
    return file.path.c_str() + (slash == std::wstring::npos ? 0 : slash + 1);
}

bool ImageLoad::itemEvent(ItemEvent& event)
{
    switch (event.code) {
    case ItemEvent::FileSet: {
        resetSeries();
        std::wstring path = event.payload ? static_cast<const wchar_t*>(event.payload) : L"";
        System::FileName::expandVariable(path);
        file.path = path;
        return true;
    }
    case ItemEvent::ItemChanged: {
        resetSeries();
        const auto* item = static_cast<const EffectItem*>(event.payload);
        if (item == &sequence) {
            if (event.update) {
                event.update->updateSettingList = true;
                event.update->updateTimeSetting = true;
                event.update->updateColorSetting = true;
                event.update->updateTextSetting = true;
            }
            return true;
        }
        if (item == &file) {
            if (openForVideo(file.path))
                return true;
            std::wstring empty;
            System::FileName::expandVariable(empty);
            file.path = empty;
            SourceUi::postError(L"このファイルには対応していません");
            return false;
        }
        return false;
    }
    case ItemEvent::ToolTip: {
        if (file.path.empty())
            return false;
        std::wstring text = file.path;
        if (std::shared_ptr<Plugin::InputFile> opened = openForVideo(file.path)) {
            wchar_t line[64];
            std::swprintf(line, 64, L"\nImage: %d x %d \n", opened->width, opened->height);
            text += line;
            text += L"Plugin: ";
            if (opened->reader)
                text += opened->reader->name;
        }
        SourceUi::showToolTip(text);
        return true;
    }
    default: return false;
    }
}

bool ImageLoad::isSupportedFile(const wchar_t* path) { return path && openForVideo(path) != nullptr; }

void ImageLoad::updateItemState() { number.visible = sequence.value; }

void ImageLoad::bindItemControl(Component::ItemControlPanel& panel) { panel.bindInformation(file, *this); }

} // namespace Effect
