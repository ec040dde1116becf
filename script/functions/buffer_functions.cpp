// The pictures a script works on: obj.load makes a new object image from a
// source, obj.setfont sets the text state, obj.copybuffer copies between the
// object image, the frame, the frame's temporary pictures and image files,
// and obj.clearbuffer fills one with a colour.
#include "core/file.h"
#include "core/file_name.h"
#include "core/setting_service.h"
#include "core/text.h"
#include "effect/effect_base.h"
#include "effects/objects/text_input.h"
#include "io/input/input_file.h"
#include "io/input/input_service.h"
#include "media/image_buffer.h"
#include "media/pixel_shader.h"
#include "media/render_buffer.h"
#include "media/resource_buffer.h"
#include "media/resource_service.h"
#include "media/svg_document.h"
#include "media/text_draw.h"
#include "media/shader_list.h"
#include "project/model/object.h"
#include "project/model/scene.h"
#include "render/cache/cache_service.h"
#include "render/cache/image_cache.h"
#include "render/render_object.h"
#include "render/render_video_worker.h"
#include "render/resource_cache.h"
#include "script/functions/function_bodies.h"
#include "script/functions/pixel_access.h"
#include "script/functions/script_keywords.h"
#include "script/lua_instance.h"
#include "script/script_functions.h"

#include <algorithm>
#include <cmath>

namespace Plugin::ScriptFunctions {

using namespace ScriptCall;

namespace {

const Lua::Api& lua()
{
    return LuaInstance::api();
}

int argumentCount(Lua::lua_State* L)
{
    return lua().lua_gettop(L);
}

bool usable(const Media::ResourceBuffer* picture)
{
    return picture && !picture->empty() && picture->getWidth() > 0 && picture->getHeight() > 0;
}

std::unique_ptr<Media::ResourceBuffer> upload(const std::shared_ptr<Media::ImageBuffer>& image)
{
    if (!image || image->width == 0 || image->height == 0)
        return nullptr;
    const int options[2] = {0, 0};
    return Media::ResourceBuffer::createFromImage(image, options);
}

Cache::ImageCache* imageCache()
{
    Cache::CacheService* caches = Cache::CacheService::Get();
    return caches ? caches->imageCache.get() : nullptr;
}

double frameRate(const Render::RenderObject& r)
{
    return r.scene ? double(r.scene->videoRate) / r.scene->videoScale : 30.0;
}

// The object's own time in seconds.
double ownTime(const Render::RenderObject& r)
{
    return (r.time - (r.object ? r.object->start : 0) - r.frameOffset) / frameRate(r);
}

// A rectangle of a picture from four arguments at k: x clamped to 0..width,
// y to 0..height, w to 0..width - x, h to 0..height - y.
struct Rect {
    int x, y, w, h;
};
Rect readRect(Lua::lua_State* L, int k, uint32_t width, uint32_t height)
{
    const Lua::lua_Integer x = std::clamp<Lua::lua_Integer>(checkInteger(L, k), 0, width);
    const Lua::lua_Integer y = std::clamp<Lua::lua_Integer>(checkInteger(L, k + 1), 0, height);
    const Lua::lua_Integer w = std::clamp<Lua::lua_Integer>(checkInteger(L, k + 2), 0, width - x);
    const Lua::lua_Integer h = std::clamp<Lua::lua_Integer>(checkInteger(L, k + 3), 0, height - y);
    return {int(x), int(y), int(w), int(h)};
}

std::unique_ptr<Media::ResourceBuffer> cutOut(const Media::ResourceBuffer& source, const Rect& r)
{
    auto part = std::make_unique<Media::ResourceBuffer>(r.w, r.h);
    part->copyRegion(source, r.x, r.y, r.w, r.h);
    return part;
}

using Loader = int (*)(Lua::lua_State* L, LuaInstance& run, Render::RenderObject& r, int k);

int loadMovie(Lua::lua_State* L, LuaInstance& run, Render::RenderObject& r, int k)
{
    const int count = argumentCount(L);
    const std::wstring path = run.resolveScriptPath(checkString(L, k));
    const double seconds = count > k ? checkNumber(L, k + 1) : ownTime(r);
    if (count > k + 1)
        checkInteger(L, k + 2);
    Cache::ImageCache* cache = imageCache();
    run.objectBuffer = cache ? upload(cache->getMovieImage(path, 0, seconds)) : nullptr;
    double length = 0;
    if (Plugin::InputService* input = Plugin::InputService::Get())
        if (auto file = input->getInputFile(path, Plugin::InputService::TypeVideo))
            if (file->rate > 0)
                length = double(file->frameCount) * file->scale / file->rate;
    lua().lua_pushnumber(L, length);
    return 1;
}

int loadImage(Lua::lua_State* L, LuaInstance& run, Render::RenderObject&, int k)
{
    const std::wstring path = run.resolveScriptPath(checkString(L, k));
    Cache::ImageCache* cache = imageCache();
    run.objectBuffer = cache ? upload(cache->getImage(path)) : nullptr;
    return 0;
}

// Text laid out and drawn with the run's text state; a layout without width
// or height keeps the object image.
int loadText(Lua::lua_State* L, LuaInstance& run, Render::RenderObject& r, int k)
{
    const int count = argumentCount(L);
    const std::wstring text = System::utf8ToWide(checkString(L, k));
    const double speed = count > k ? checkNumber(L, k + 1) : 0.0;
    const double time = count > k + 1 ? checkNumber(L, k + 2) : ownTime(r);
    const ScriptTextState& state = LuaInstance::textState();
    Media::TextDraw draw;
    draw.text = text.c_str();
    draw.fontName = state.font.empty() ? Setting::Font::DefaultFamily : state.font;
    draw.size = state.size;
    const Effect::TextInput::Decoration& d = Effect::TextInput::Decorations[std::clamp(state.type, 0, 6)];
    draw.borderFactor = d.border;
    draw.shadowFactor = d.shadow;
    draw.roundBorder = d.round;
    draw.color = {state.color[0], state.color[1], state.color[2], state.color[3]};
    draw.color2 = {state.secondColor[0], state.secondColor[1], state.secondColor[2], state.secondColor[3]};
    draw.speed = speed;
    draw.time = time;
    draw.layout(nullptr);
    const int width = draw.blockWidth(), height = draw.blockHeight();
    if (width <= 0 || height <= 0)
        return 0;
    auto picture = std::make_unique<Media::ResourceBuffer>(width, height);
    const float clear[4] = {0, 0, 0, 0};
    picture->clearRenderTargetView(clear);
    draw.drawToBuffer(*picture);
    run.objectBuffer = std::move(picture);
    return 0;
}

// The index of the figure of that name in the figure list; -1 for none.
int findFigure(const std::wstring& name)
{
    const Resource::ResourceService* resources = Resource::ResourceService::Get();
    if (!resources)
        return -1;
    const auto& figures = resources->figureList.figures;
    for (size_t i = 0; i < figures.size(); ++i)
        if (figures[i].name == name)
            return static_cast<int>(i);
    return -1;
}

// A figure of the list by name, else an SVG file, drawn at size x size.
int loadFigure(Lua::lua_State* L, LuaInstance& run, Render::RenderObject&, int k)
{
    const int count = argumentCount(L);
    const std::wstring name = System::utf8ToWide(checkString(L, k));
    ColorF colour{1, 1, 1, 1};
    if (count > k) {
        const uint32_t col = static_cast<uint32_t>(static_cast<uint64_t>(checkInteger(L, k + 1)));
        colour = {((col >> 16) & 255) / 255.0f, ((col >> 8) & 255) / 255.0f, (col & 255) / 255.0f, 1};
    }
    const Lua::lua_Integer size = count > k + 1 ? checkInteger(L, k + 2) : 100;
    const double lineWidth = count > k + 2 ? checkNumber(L, k + 3) : 4000.0;
    const bool flag = count > k + 3 && lua().lua_toboolean(L, k + 4) != 0;
    const int figure = findFigure(name);
    if (figure < 0 && !System::File::exists(name.c_str()))
        fail("figure not exist");
    run.objectBuffer.reset();
    if (size <= 0)
        return 0;
    const int side = static_cast<int>(std::min<Lua::lua_Integer>(size, 16384));
    if (figure >= 0) {
        run.objectBuffer = Resource::ResourceService::Get()->figureList.createFigureImage(
            figure, side, side, colour, static_cast<float>(lineWidth), flag);
        return 0;
    }
    run.objectBuffer = Media::SvgDocument::render(name.c_str(), side, side, colour, Platform::Gpu::Format::Unknown);
    if (!run.objectBuffer)
        fail("not supported figure file");
    return 0;
}

int loadPlane(Lua::lua_State* L, LuaInstance& run, Render::RenderObject&, int k)
{
    const Lua::lua_Integer width = checkInteger(L, k);
    const Lua::lua_Integer height = checkInteger(L, k + 1);
    float color[4] = {0, 0, 0, 0};
    if (argumentCount(L) > k + 1) {
        const uint32_t col = static_cast<uint32_t>(static_cast<uint64_t>(checkInteger(L, k + 2)));
        color[0] = ((col >> 16) & 255) / 255.0f;
        color[1] = ((col >> 8) & 255) / 255.0f;
        color[2] = (col & 255) / 255.0f;
        color[3] = 1;
    }
    run.objectBuffer.reset();
    if (width < 1 || height < 1)
        return 0;
    auto plane = std::make_unique<Media::ResourceBuffer>(static_cast<int>(std::min<Lua::lua_Integer>(width, 16384)),
                                                         static_cast<int>(std::min<Lua::lua_Integer>(height, 16384)));
    plane->clearRenderTargetView(color);
    run.objectBuffer = std::move(plane);
    return 0;
}

int loadFramebuffer(Lua::lua_State* L, LuaInstance& run, Render::RenderObject& r, int k)
{
    const int count = argumentCount(L);
    Media::RenderBuffer* frame = r.drawState.target;
    bool raw = false;
    if (count == k)
        raw = lua().lua_toboolean(L, k) != 0;
    else if (count == k + 4)
        raw = lua().lua_toboolean(L, k + 4) != 0;
    if (!frame || !frame->getTexture())
        return 0;
    if (count >= k + 3) {
        const Rect rect = readRect(L, k, frame->getWidth(), frame->getHeight());
        if (rect.w == 0 || rect.h == 0) {
            logScript("invalid framebuffer range");
            return 0;
        }
        run.objectBuffer = cutOut(*frame->createResourceBuffer(raw), rect);
        return 0;
    }
    run.objectBuffer = frame->createResourceBuffer(raw);
    return 0;
}

int loadTempbuffer(Lua::lua_State* L, LuaInstance& run, Render::RenderObject& r, int k)
{
    std::shared_ptr<Media::ResourceBuffer> temporary = r.resourceCache ? r.resourceCache->findBuffer("tempbuffer") : nullptr;
    if (!temporary || temporary->empty())
        fail("tempbuffer not exist");
    if (argumentCount(L) >= k + 3) {
        const Rect rect = readRect(L, k, temporary->getWidth(), temporary->getHeight());
        if (rect.w == 0 || rect.h == 0) {
            logScript("invalid tempbuffer range");
            return 0;
        }
        run.objectBuffer = cutOut(*temporary, rect);
        return 0;
    }
    run.objectBuffer = temporary->clone();
    return 0;
}

int loadLayer(Lua::lua_State* L, LuaInstance& run, Render::RenderObject& r, int k)
{
    const Lua::lua_Integer layer = checkInteger(L, k);
    const bool filters = argumentCount(L) > k && lua().lua_toboolean(L, k + 1) != 0;
    run.objectBuffer.reset();
    if (!r.scene || layer < 1 || layer > r.scene->layerCount())
        return 0;
    const std::shared_ptr<Edit::Object>& found =
        r.scene->findObject(static_cast<int>(layer - 1), r.frame, Effect::MediaType::Video);
    if (!found || found->effects.empty() || found->effects.front()->effectType != Effect::EffectType::Input)
        return 0;
    // The other object renders on a copy of this render, as itself.
    Render::RenderObject other = r;
    other.drawState = Render::RenderObject::DrawState{};
    other.drawState.target = r.drawState.target;
    other.anchors = nullptr;
    other.vertices.reset();
    other.objectList = std::make_shared<Render::ObjectList>(Render::ObjectList{found});
    other.resetObject(found);
    std::unique_ptr<Media::ResourceBuffer> picture = found->effects.front()->inputVideo(other);
    if (filters && usable(picture.get()))
        picture = other.applyFilterEffectsWithoutAnchor(std::move(picture), found->effects.front().get(), nullptr);
    if (usable(picture.get()))
        run.objectBuffer = picture->clone();
    return 0;
}

int loadBefore(Lua::lua_State*, LuaInstance& run, Render::RenderObject& r, int)
{
    run.objectBuffer.reset();
    if (r.videoWorker)
        run.objectBuffer = std::move(r.videoWorker->spareImage);
    return 0;
}

struct Source {
    const char* name;
    Loader loader;
};
const Source Sources[] = {
    {"movie", loadMovie},     {"image", loadImage},       {"text", loadText},
    {"figure", loadFigure},   {"plane", loadPlane},       {"framebuffer", loadFramebuffer},
    {"tempbuffer", loadTempbuffer}, {"layer", loadLayer}, {"before", loadBefore},
};

Loader findLoader(std::string_view name)
{
    for (const Source& s : Sources)
        if (name == s.name)
            return s.loader;
    return nullptr;
}

bool listed(const Plugin::InputService::ExtensionMap& map, const std::wstring& extension)
{
    return map.count(extension) != 0;
}

// The source a bare argument names: an image or video file by its extension,
// else a figure (an SVG file or a figure name), else text.
std::string_view guessSource(const std::string& text)
{
    std::wstring extension = System::FileName::getExtension(System::utf8ToWide(text).c_str());
    if (!extension.empty() && extension[0] == L'.')
        extension.erase(0, 1);
    std::transform(extension.begin(), extension.end(), extension.begin(), ::towlower);
    if (Plugin::InputService* input = Plugin::InputService::Get()) {
        if (listed(input->imageExtMap, extension))
            return "image";
        if (listed(input->videoExtMap, extension))
            return "movie";
    }
    if (extension == L"svg" || findFigure(System::utf8ToWide(text)) >= 0)
        return "figure";
    return "text";
}

} // namespace

// load([source,] arguments...).
int load(Lua::lua_State* L)
{
    LuaInstance& run = *LuaInstance::current();
    Render::RenderObject& r = run.getRenderVideoTarget();
    const std::string first = checkString(L, 1);
    Loader loader = findLoader(first);
    int k = 2;
    if (!loader) {
        loader = findLoader(guessSource(first));
        k = 1;
        if (!loader)
            fail("invalid load type");
    }
    Render::RenderObject::DrawState& s = r.drawState;
    s.x = s.y = s.z = 0;
    s.rx = s.ry = s.rz = 0;
    s.cx = s.cy = s.cz = 0;
    s.sx = s.sy = s.sz = 1;
    s.alpha = 1;
    const int results = loader(L, run, r, k);
    run.setObjValues();
    dropReadback(run);
    return results;
}

// setfont(name, size [, type [, colour 1 [, colour 2]]]).
int setfont(Lua::lua_State* L)
{
    ScriptTextState& text = LuaInstance::textState();
    const std::wstring font = System::utf8ToWide(checkString(L, 1));
    const float size = static_cast<float>(checkNumber(L, 2));
    const int count = argumentCount(L);
    auto color = [&](int index, float out[4]) {
        const uint32_t col = static_cast<uint32_t>(static_cast<uint64_t>(checkInteger(L, index)));
        out[0] = ((col >> 16) & 255) / 255.0f;
        out[1] = ((col >> 8) & 255) / 255.0f;
        out[2] = (col & 255) / 255.0f;
        out[3] = 1;
    };
    float first[4], second[4];
    const int type = count >= 3 ? static_cast<int>(checkInteger(L, 3)) : text.type;
    if (count >= 4)
        color(4, first);
    if (count >= 5)
        color(5, second);
    text.font = font;
    text.size = size;
    text.type = type;
    if (count >= 4)
        std::copy(first, first + 4, text.color);
    if (count >= 5)
        std::copy(second, second + 4, text.secondColor);
    return 0;
}

namespace {

bool isTemporary(std::string_view name)
{
    return name == "tempbuffer" || ScriptKeywords::isCacheName(name);
}

// Draws the picture into the named temporary picture made at its size.
void copyIntoTemporary(Render::RenderObject& r, const std::string& name, Media::ResourceBuffer& source)
{
    if (!r.resourceCache)
        return;
    auto target = r.resourceCache->getOrCreate(name, static_cast<int>(source.getWidth()),
                                               static_cast<int>(source.getHeight()));
    Shader::ShaderList::published()->copyShader.drawNoConstant(*target, source);
}

} // namespace

// copybuffer(destination, source) -> true when the copy was made.
int copybuffer(Lua::lua_State* L)
{
    LuaInstance& run = *LuaInstance::current();
    Render::RenderObject& r = run.getRenderVideoTarget();
    const Lua::Api& api = lua();
    if (argumentCount(L) < 2) {
        api.lua_pushboolean(L, 0);
        return 1;
    }
    const std::string dst(ScriptKeywords::bufferName(checkString(L, 1)));
    const std::string src(ScriptKeywords::bufferName(checkString(L, 2)));
    Shader::ShaderList& shaders = *Shader::ShaderList::published();
    Media::RenderBuffer* frame = r.drawState.target;
    bool done = false;
    auto badPair = [&] { fail("invalid buffer type. src=%s dst=%s", src.c_str(), dst.c_str()); };
    auto intoFrame = [&](Media::ResourceBuffer& picture) {
        if (!frame || frame->getWidth() != picture.getWidth() || frame->getHeight() != picture.getHeight())
            fail("different buffer size. src=%s dst=%s", src.c_str(), dst.c_str());
        shaders.copyShader.copyToRenderBuffer(*frame, picture);
    };
    if (src == "framebuffer") {
        if (dst == "object") {
            if (frame && frame->getTexture()) {
                run.objectBuffer = frame->createResourceBuffer(true);
                done = true;
            }
        } else if (isTemporary(dst)) {
            if (frame && frame->getTexture() && r.resourceCache) {
                auto target = r.resourceCache->getOrCreate(dst, static_cast<int>(frame->getWidth()),
                                                           static_cast<int>(frame->getHeight()));
                shaders.copyShader.drawFromRenderBuffer(*target, *frame);
                done = true;
            }
        } else {
            badPair();
        }
    } else if (src == "object") {
        if (dst != "framebuffer" && !isTemporary(dst))
            badPair();
        if (usable(run.objectBuffer.get())) {
            if (dst == "framebuffer")
                intoFrame(*run.objectBuffer);
            else
                copyIntoTemporary(r, dst, *run.objectBuffer);
            done = true;
        }
    } else if (isTemporary(src)) {
        if (dst != "object" && dst != "framebuffer" && !isTemporary(dst))
            badPair();
        std::shared_ptr<Media::ResourceBuffer> found = r.resourceCache ? r.resourceCache->findBuffer(src) : nullptr;
        if (found && !found->empty()) {
            if (dst == "object")
                run.objectBuffer = found->clone();
            else if (dst == "framebuffer")
                intoFrame(*found);
            else
                copyIntoTemporary(r, dst, *found);
            done = true;
        }
    } else if (src.starts_with("image:")) {
        if (dst != "object" && !isTemporary(dst))
            badPair();
        Cache::ImageCache* cache = imageCache();
        std::unique_ptr<Media::ResourceBuffer> picture =
            cache ? upload(cache->getImage(run.resolveScriptPath(src.substr(6)))) : nullptr;
        if (picture) {
            if (dst == "object") {
                run.objectBuffer = std::move(picture);
            } else if (r.resourceCache) {
                const int64_t cost = int64_t(picture->getWidth()) * picture->getHeight();
                r.resourceCache->put(dst, std::shared_ptr<Media::ResourceBuffer>(std::move(picture)), cost);
            }
            done = true;
        }
    } else {
        badPair();
    }
    if (dst == "object") {
        run.setObjValues();
        dropReadback(run);
    }
    api.lua_pushboolean(L, done ? 1 : 0);
    return 1;
}

// clearbuffer(target [, colour]).
int clearbuffer(Lua::lua_State* L)
{
    LuaInstance& run = *LuaInstance::current();
    Render::RenderObject& r = run.getRenderVideoTarget();
    float color[4] = {0, 0, 0, 0};
    if (argumentCount(L) >= 2) {
        const uint32_t col = static_cast<uint32_t>(static_cast<uint64_t>(checkInteger(L, 2)));
        color[0] = ((col >> 16) & 255) / 255.0f;
        color[1] = ((col >> 8) & 255) / 255.0f;
        color[2] = (col & 255) / 255.0f;
        color[3] = 1;
    }
    const std::string target = checkString(L, 1);
    if (target == "object") {
        if (usable(run.objectBuffer.get())) {
            run.objectBuffer->clearRenderTargetView(color);
            dropReadbackIfWritten(run, run.objectBuffer->getTexture());
        }
    } else if (isTemporary(target)) {
        std::shared_ptr<Media::ResourceBuffer> found = r.resourceCache ? r.resourceCache->findBuffer(target) : nullptr;
        if (found && !found->empty())
            found->clearRenderTargetView(color);
    } else if (target == "framebuffer") {
        Media::RenderBuffer* frame = r.drawState.target;
        if (frame && frame->getTexture()) {
            Media::Direct3DService::Get()->context->clearRenderTarget(*frame->getRenderTargetView(), color);
            dropReadbackIfWritten(run, frame->getTexture());
        }
    } else {
        fail("invalid buffer type. target=%s", target.c_str());
    }
    return 0;
}

} // namespace Plugin::ScriptFunctions
