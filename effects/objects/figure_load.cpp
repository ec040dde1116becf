#include "effects/objects/figure_load.h"

#include "core/file_name.h"
#include "effects/objects/source_ui.h"
#include "media/figure.h"
#include "media/resource_buffer.h"
#include "media/resource_service.h"
#include "media/svg_document.h"

#include <cmath>
#include <stdexcept>

namespace Effect {

FigureLoad::FigureLoad() : EffectBase(Name, EffectType::Input, MediaType::Video, MediaType::Video, L"")
{
    figure.notify = true;
}

void FigureLoad::getImageSize(float s, float a, int& width, int& height)
{
    float w = s, h = s;
    if (a > 0)
        w = s * (100 - a) * 0.01f;
    else if (a < 0)
        h = s * (a + 100) * 0.01f;
    // NaN fails both tests too.
    if (!(w >= 1 && h >= 1)) {
        width = height = 0;
        return;
    }
    width = static_cast<int>(std::ceil(w));
    height = static_cast<int>(std::ceil(h));
}

std::unique_ptr<Media::ResourceBuffer> FigureLoad::inputVideo(Render::RenderObject& object)
{
    int w, h;
    getImageSize(static_cast<float>(size.getValue(object)), static_cast<float>(aspect.getValue(object)), w, h);
    if (w == 0)
        return nullptr;
    const ColorF c = color.getColor(object);
    if (figure.value < 0)
        return Media::SvgDocument::render(figure.path.c_str(), w, h, c, Platform::Gpu::Format::Unknown);
    Resource::ResourceService* resources = Resource::ResourceService::Get();
    if (!resources)
        return nullptr;
    return resources->figureList.createFigureImage(figure.value, w, h, c,
                                                   static_cast<float>(lineWidth.getValue(object)), roundCorners.value);
}

const wchar_t* FigureLoad::getName()
{
    if (figure.value >= 0) {
        try {
            return translatedEffectText(figure.list->getLabel(figure.value));
        } catch (const std::out_of_range&) {
            return translatedEffectText(name);
        }
    }
    const size_t slash = figure.path.find_last_of(L"\\/");
    return figure.path.c_str() + (slash == std::wstring::npos ? 0 : slash + 1);
}

bool FigureLoad::itemEvent(ItemEvent& event)
{
    switch (event.code) {
    case ItemEvent::FileSet: {
        const auto* dropped = static_cast<const wchar_t*>(event.payload);
        if (dropped && *dropped) {
            figure.path = System::FileName::expand(dropped);
            figure.value = -1;
        }
        return true;
    }
    case ItemEvent::ItemChanged:
        if (figure.value == -1 && !Media::SvgDocument::checkFile(figure.path.c_str())) {
            // Figure 1 when the list has it, else its first entry; the path goes.
            figure.setSelectIndex(1);
            SourceUi::postError(L"このファイルには対応していません");
            return false;
        }
        return true;
    default: return false;
    }
}

bool FigureLoad::isSupportedFile(const wchar_t* path) { return path && Media::SvgDocument::isSvgFile(path); }

} // namespace Effect
