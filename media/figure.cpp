#include "media/figure.h"

#include "core/file_name.h"
#include "core/setting_service.h"
#include "media/brush.h"
#include "media/direct3d_service.h"
#include "media/render_target_direct3d.h"
#include "media/resource_buffer.h"
#include "media/resource_service.h"
#include "media/svg_document.h"
#include "platform/draw/target.h"

#include <algorithm>

namespace Resource {

namespace {
// UTF-16 code units of a code point: supplementary characters become a
// surrogate pair, which sorts below U+E000..U+FFFF.
int utf16Units(wchar_t c, uint16_t (&units)[2])
{
    const uint32_t cp = static_cast<uint32_t>(c);
    if (cp < 0x10000) {
        units[0] = static_cast<uint16_t>(cp);
        return 1;
    }
    units[0] = static_cast<uint16_t>(0xD800 + ((cp - 0x10000) >> 10));
    units[1] = static_cast<uint16_t>(0xDC00 + ((cp - 0x10000) & 0x3FF));
    return 2;
}

bool lessUtf16(const std::wstring& a, const std::wstring& b)
{
    const size_t n = std::min(a.size(), b.size());
    for (size_t i = 0; i < n; ++i) {
        if (a[i] == b[i])
            continue;
        uint16_t ua[2] = {0, 0}, ub[2] = {0, 0};
        utf16Units(a[i], ua);
        utf16Units(b[i], ub);
        // Different code points differ in their first unit, or share a high surrogate.
        return ua[0] != ub[0] ? ua[0] < ub[0] : ua[1] < ub[1];
    }
    return a.size() < b.size();
}
} // namespace

std::vector<std::wstring> findSortedFiles(const wchar_t* pattern)
{
    const std::wstring expanded = System::FileName::expand(pattern);
    std::vector<std::wstring> paths;
    for (auto& file : System::FileName::findFiles(expanded, System::FileName::getDirectory(expanded).c_str()))
        paths.push_back(std::move(file.path));
    std::sort(paths.begin(), paths.end(), lessUtf16);
    return paths;
}

namespace {
std::function<void(int&, int&)>& sceneSizeSource()
{
    static std::function<void(int&, int&)> source;
    return source;
}
} // namespace

void setSceneSizeSource(std::function<void(int& width, int& height)> source)
{
    sceneSizeSource() = std::move(source);
}

void getSceneSize(int& width, int& height)
{
    if (const auto& source = sceneSizeSource()) {
        source(width, height);
        return;
    }
    // The "Edit" defaults of new projects stand for a scene without an edit service.
    const Setting::SettingService* settings = Setting::SettingService::Get();
    width = settings ? settings->projectWidth : 1920;
    height = settings ? settings->projectHeight : 1080;
}

Figure::Figure(std::wstring name, std::wstring path) : name(std::move(name)), filePath(std::move(path)) {}

Figure::Figure(std::wstring name, const PathData* outline, int32_t kind)
    : name(std::move(name)), outline(outline), kind(kind)
{
}

std::unique_ptr<Media::ResourceBuffer> Figure::createImage(int width, int height, const ColorF& color,
                                                           float lineWidth, bool roundCorners, Media::Format format) const
{
    if (kind == Background)
        getSceneSize(width, height);
    if (width <= 0 || height <= 0)
        return nullptr;
    if (!outline)
        return Media::SvgDocument::render(filePath.c_str(), width, height, color, format);
    if (format == Media::Format::Unknown)
        format = Media::Direct3DService::Get()->PixelFormat;
    auto buffer = Media::ResourceBuffer::create(width, height, format);

    if ((kind == Background || kind == Rectangle) && (2.0f * lineWidth >= static_cast<float>(width) ||
                                                      2.0f * lineWidth >= static_cast<float>(height))) {
        // The outline covers everything: the colour, premultiplied as every drawn pixel is.
        const float fill[4] = {color.r * color.a, color.g * color.a, color.b * color.a, color.a};
        buffer->clearRenderTargetView(fill);
        return buffer;
    }

    // The drawing replaces the whole picture when it is uploaded: no clear is needed.
    Media::RenderTargetDirect3D surface = buffer->getSurface();
    Media::RenderTargetDirect3D::DrawSection section(surface);
    auto brush = ColorBrush::create(color);
    const bool round = kind == Round;
    const float w = static_cast<float>(round ? width - 1 : width), h = static_cast<float>(round ? height - 1 : height);
    const float start = round ? 0.5f : 0.0f;
    const float inscribed = outline->inscribed, m = inscribed * std::min(w, h);
    Platform::Draw::Target& target = surface.target();
    if (inscribed > 0 && (roundCorners || m > 2.0f * lineWidth)) {
        const float strokeWidth = std::min(lineWidth, m);
        const float inset = strokeWidth / inscribed;
        auto geometry = outline->createPathGeometry(start + inset / 2, start + inset / 2, w - inset, h - inset);
        Platform::Draw::StrokeStyle* style = nullptr;
        if (roundCorners)
            if (ResourceService* resources = ResourceService::Get())
                style = resources->strokeStyles.get(StrokeStyleList::Round);
        // An outline without width covers nothing (the drawing layer would
        // draw zero widths as hairlines).
        if (strokeWidth > 0)
            target.drawGeometry(*geometry, *brush, strokeWidth, style);
    } else {
        auto geometry = outline->createPathGeometry(start, start, w, h);
        target.fillGeometry(*geometry, *brush);
    }
    section.end();
    return buffer;
}

void FigureList::load(const OutlineSet& outlines)
{
    figures.reserve(6);
    figures.emplace_back(L"背景", &outlines[Square], Figure::Background);
    figures.emplace_back(L"円", &outlines[Circle], Figure::Round);
    figures.emplace_back(L"四角形", &outlines[Square], Figure::Rectangle);
    figures.emplace_back(L"三角形", &outlines[Triangle], Figure::Shape);
    figures.emplace_back(L"五角形", &outlines[Pentagon], Figure::Shape);
    figures.emplace_back(L"六角形", &outlines[Hexagon], Figure::Shape);
    figures.emplace_back(L"星型", &outlines[Star], Figure::Shape);
    figures.emplace_back(L"ハート", &outlines[Heart], Figure::Shape);

    for (std::wstring& path : findSortedFiles(L"%Figure%/*.svg")) {
        std::wstring name = System::FileName::getBaseName(path);
        figures.emplace_back(std::move(name), std::move(path));
    }
}

std::unique_ptr<Media::ResourceBuffer> FigureList::createFigureImage(int index, int width, int height,
                                                                     const ColorF& color, float lineWidth,
                                                                     bool roundCorners) const
{
    if (index < 0 || static_cast<size_t>(index) >= figures.size())
        return nullptr;
    return figures[static_cast<size_t>(index)].createImage(width, height, color, lineWidth, roundCorners);
}

std::unique_ptr<Media::ResourceBuffer> FigureList::createFigureMask(int index, int width, int height) const
{
    if (index < 0 || static_cast<size_t>(index) >= figures.size())
        return nullptr;
    return figures[static_cast<size_t>(index)].createImage(width, height, ColorF{0, 0, 0, 1}, 65536.0f, false,
                                                           Media::Direct3DService::Get()->MaskFormat);
}

} // namespace Resource
