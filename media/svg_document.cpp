#include "media/svg_document.h"

#include "core/failure.h"
#include "core/file.h"
#include "core/log.h"
#include "core/text.h"
#include "media/direct3d_service.h"
#include "media/render_target_direct3d.h"
#include "media/resource_buffer.h"
#include "platform/draw/svg.h"
#include "platform/draw/target.h"

#include <algorithm>
#include <mutex>
#include <set>
#include <string>

namespace Media {

namespace {
constexpr const char* Place = "Media::SvgDocument::SvgDocument";
constexpr uint64_t MaxFileSize = 64u << 20;
constexpr int32_t FileNotFound = static_cast<int32_t>(0x80070002u);
constexpr int32_t InvalidData = static_cast<int32_t>(0x8007000Du);

std::string readWholeFile(const wchar_t* path)
{
    std::string bytes;
    uint64_t size = 0;
    System::File file;
    try {
        file.open(path, System::File::ModeRead);
        size = file.getSize();
        if (size <= MaxFileSize) {
            bytes.resize(static_cast<size_t>(size));
            if (size)
                file.readBlock(bytes.data(), static_cast<int>(size));
        }
    } catch (const std::exception&) {
        throw System::makeHresultException("SHCreateStreamOnFileEx", Place, FileNotFound);
    }
    if (size > MaxFileSize)
        throw System::makeHresultException("Direct3DService::Get().d2dContext->CreateSvgDocument", Place, InvalidData);
    return bytes;
}

// Elements the drawing leaves out are reported once per file and run.
void warnLeftOut(const wchar_t* path, const std::vector<std::string>& names)
{
    static std::mutex mutex;
    static std::set<std::wstring> warned;
    {
        std::lock_guard lock(mutex);
        if (!warned.insert(path).second)
            return;
    }
    std::string list;
    for (const std::string& name : names)
        list += (list.empty() ? "" : ", ") + name;
    System::Log::warn(Place, "%s: drawn without <%s> (not supported)", System::wideToUtf8(path).c_str(),
                      list.c_str());
}

bool sameRgb(const ColorF& a, const Platform::Draw::Color& b)
{
    return a.r == b.r && a.g == b.g && a.b == b.b;
}
} // namespace

SvgDocument::SvgDocument(const wchar_t* path)
{
    const std::string bytes = readWholeFile(path);
    std::string error;
    document = Platform::Draw::SvgDocument::parse(bytes, &error);
    if (!document)
        throw System::makeHresultException("Direct3DService::Get().d2dContext->CreateSvgDocument", Place, InvalidData);
    document->setViewportSize(1, 1);
    if (!document->unsupportedElements().empty())
        warnLeftOut(path, document->unsupportedElements());

    Platform::Draw::SvgElement& root = document->root();
    bool seen = false;
    ColorF remembered{0, 0, 0, 0};
    monochrome = checkMonochrome(root, seen, remembered);
    // A document without a fill colour would draw in the default black: a white
    // fill on the root makes it take the figure's colour.
    if (!seen)
        root.setAttribute("fill", Platform::Draw::Color{1, 1, 1, 1});
    sized = root.isAttributeSpecified("width") || root.isAttributeSpecified("height");
}

SvgDocument::~SvgDocument() = default;

bool SvgDocument::checkMonochrome(const Platform::Draw::SvgElement& element, bool& seen, ColorF& remembered)
{
    if (element.isAttributeSpecified("fill")) {
        Platform::Draw::SvgPaint paint;
        if (Platform::Draw::parseSvgPaint(element.getAttribute("fill"), paint) &&
            paint.type == Platform::Draw::SvgPaintType::Color) {
            // Whether a colour was seen is kept apart from the colour: a first
            // black fill counts like any other.
            if (!seen) {
                seen = true;
                remembered = {paint.color.r, paint.color.g, paint.color.b, paint.color.a};
            } else if (!sameRgb(remembered, paint.color)) {
                return false;
            }
        }
    }
    for (const auto& child : element.children())
        if (!checkMonochrome(*child, seen, remembered))
            return false;
    return true;
}

void SvgDocument::setColor(Platform::Draw::SvgElement& element, const ColorF& color)
{
    if (element.isAttributeSpecified("fill")) {
        Platform::Draw::SvgPaint paint;
        if (Platform::Draw::parseSvgPaint(element.getAttribute("fill"), paint) &&
            paint.type == Platform::Draw::SvgPaintType::Color)
            element.setAttribute("fill", Platform::Draw::Color{color.r, color.g, color.b, 1});
    }
    for (const auto& child : element.children())
        setColor(*child, color);
}

void SvgDocument::setSize(float width, float height)
{
    document->root().setAttribute("width", width);
    document->root().setAttribute("height", height);
}

std::unique_ptr<ResourceBuffer> SvgDocument::render(const wchar_t* path, int width, int height, const ColorF& color,
                                                    Format format)
{
    if (width <= 0 || height <= 0)
        return nullptr;
    if (format == Format::Unknown)
        format = Direct3DService::Get()->PixelFormat;
    auto buffer = ResourceBuffer::create(std::min<int>(width, ResourceBuffer::MaxSize),
                                         std::min<int>(height, ResourceBuffer::MaxSize), format);
    // The drawing replaces the whole picture when it is uploaded: no clear is needed.
    RenderTargetDirect3D surface = buffer->getSurface();
    try {
        RenderTargetDirect3D::DrawSection section(surface);
        SvgDocument svg(path);
        if (svg.monochrome)
            setColor(svg.document->root(), color);
        if (svg.sized)
            svg.setSize(static_cast<float>(buffer->getWidth()), static_cast<float>(buffer->getHeight()));
        svg.document->setViewportSize(static_cast<float>(buffer->getWidth()), static_cast<float>(buffer->getHeight()));
        surface.target().drawSvgDocument(*svg.document);
        section.end();
    } catch (const std::exception&) {
        return nullptr;
    }
    return buffer;
}

bool SvgDocument::checkFile(const wchar_t* path)
{
    try {
        SvgDocument svg(path);
        return svg.document->isDrawable();
    } catch (...) {
        return false;
    }
}

bool SvgDocument::isSvgFile(const wchar_t* path)
{
    const std::wstring name = path ? path : L"";
    const size_t dot = name.rfind(L'.');
    const size_t slash = name.find_last_of(L"/\\");
    if (dot == std::wstring::npos || (slash != std::wstring::npos && dot < slash))
        return false;
    return System::toLowerAscii(std::wstring_view(name).substr(dot + 1)) == L"svg";
}

} // namespace Media
