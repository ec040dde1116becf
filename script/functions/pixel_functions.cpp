// Single pixels of the object image or the frame: reads from one straight
// 8-bit copy made per picture, writes through the single-pixel compute
// shaders, which blend by the run's pixel blend.
#include "media/image_buffer.h"
#include "media/pixel_shader.h"
#include "media/render_buffer.h"
#include "media/resource_buffer.h"
#include "media/shader_list.h"
#include "platform/gpu/gpu.h"
#include "render/render_object.h"
#include "script/functions/function_bodies.h"
#include "script/functions/pixel_access.h"
#include "script/lua_instance.h"
#include "script/script_functions.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace Plugin {

using namespace ScriptCall;

namespace {

const Lua::Api& lua()
{
    return LuaInstance::api();
}

bool usable(const Media::RenderBuffer* frame)
{
    return frame && frame->getTexture() && frame->getWidth() > 0 && frame->getHeight() > 0;
}

bool usable(const Media::ResourceBuffer* picture)
{
    return picture && !picture->empty() && picture->getWidth() > 0 && picture->getHeight() > 0;
}

// Half away from zero in single precision.
int roundFloat(float value)
{
    return static_cast<int>(std::round(value));
}

int pixelTypeOf(const char* name)
{
    const std::string_view text = name;
    return text == "rgb" ? 1 : text == "yc" ? 2 : 0;
}

// The picture a pixel function reads (source) or writes (target): its
// storage view, or null when it is missing or empty.
Platform::Gpu::View* pixelView(LuaInstance& run, int which)
{
    if (which == 1) {
        Media::RenderBuffer* frame = run.getRenderVideoTarget().drawState.target;
        return usable(frame) ? frame->getUnorderedAccessView() : nullptr;
    }
    run.getRenderVideoTarget();
    return usable(run.objectBuffer.get()) ? run.objectBuffer->getUnorderedAccessView() : nullptr;
}

// One dispatch of a single-pixel shader with the 32-byte constant block.
void dispatchPixel(LuaInstance& run, Media::ComputeShader& shader, const void* block, Platform::Gpu::View* dst,
                   Platform::Gpu::View* src)
{
    if (!run.pixelConstants) {
        run.pixelConstants = std::make_unique<Media::ConstantBufferCommon>();
        Media::ConstantBufferCommon::create(*run.pixelConstants, block, 32);
    } else {
        run.pixelConstants->update(block);
    }
    Media::Direct3DService* d3d = Media::Direct3DService::Get();
    Platform::Gpu::Context& context = *d3d->context;
    d3d->bindConstantBuffer(Platform::Gpu::Stage::Compute, 0, run.pixelConstants->buffer.get());
    Platform::Gpu::View* views[2] = {dst, src};
    const uint32_t count = src ? 2 : 1;
    context.setComputeUnorderedAccessViews(0, count, views);
    shader.dispatch(1, 1, 1);
    context.setComputeUnorderedAccessViews(0, count, nullptr);
}

} // namespace

int pushImageSize(Lua::lua_State* L, bool frame)
{
    LuaInstance& run = *LuaInstance::current();
    uint32_t width = 0, height = 0;
    if (frame) {
        if (const Media::RenderBuffer* target = run.getRenderVideoTarget().drawState.target) {
            width = target->getWidth();
            height = target->getHeight();
        }
    } else {
        run.getRenderVideoTarget();
        if (run.objectBuffer) {
            width = run.objectBuffer->getWidth();
            height = run.objectBuffer->getHeight();
        }
    }
    lua().lua_pushinteger(L, width);
    lua().lua_pushinteger(L, height);
    return 2;
}

const Media::ImageBuffer* getObjectReadback(LuaInstance& run)
{
    Media::ResourceBuffer* picture = run.objectBuffer.get();
    if (!usable(picture))
        return nullptr;
    const uint64_t key = picture->getTexture()->id();
    if (run.readback && run.readbackKey == key && run.readback->width == picture->getWidth() &&
        run.readback->height == picture->getHeight())
        return run.readback.get();
    // Drawn into an 8-bit picture with colour divided by alpha: straight colour.
    Media::RenderBuffer straight(Media::Format::B8G8R8A8Unorm);
    straight.createTexture2D(picture->getWidth(), picture->getHeight());
    Shader::ShaderList::published()->unpremultiplyShader.drawViewToRenderBuffer(straight,
                                                                               picture->getShaderResourceView());
    run.readback = straight.readImageBuffer();
    run.readbackKey = key;
    return run.readback.get();
}

const Media::ImageBuffer* getFrameReadback(LuaInstance& run)
{
    Media::RenderBuffer* frame = run.getRenderVideoTarget().drawState.target;
    if (!usable(frame))
        return nullptr;
    const uint64_t key = frame->getTexture()->id();
    if (run.readback && run.readbackKey == key && run.readback->width == frame->getWidth() &&
        run.readback->height == frame->getHeight())
        return run.readback.get();
    run.readback = frame->createImageBuffer(Media::Format::B8G8R8A8Unorm, true);
    run.readbackKey = key;
    return run.readback.get();
}

void dropReadback(LuaInstance& run)
{
    run.readback.reset();
    run.readbackKey = 0;
}

void dropReadbackIfWritten(LuaInstance& run, const Platform::Gpu::Texture* texture)
{
    if (texture && run.readback && run.readbackKey == texture->id())
        dropReadback(run);
}

namespace ScriptFunctions {

// pixeloption(name, value).
int pixeloption(Lua::lua_State* L)
{
    LuaInstance& run = *LuaInstance::current();
    const std::string_view name = checkString(L, 1);
    if (name == "type") {
        run.pixelType = pixelTypeOf(checkString(L, 2));
    } else if (name == "get") {
        const std::string_view value = checkString(L, 2);
        run.pixelSource = value == "framebuffer" || value == "frm" ? 1 : 0;
        dropReadback(run);
    } else if (name == "put") {
        const std::string_view value = checkString(L, 2);
        run.pixelTarget = value == "framebuffer" || value == "frm" ? 1 : 0;
    } else if (name == "blend") {
        run.pixelBlend = lua().lua_gettop(L) >= 2 ? static_cast<int>(checkInteger(L, 2)) : -1;
    } else {
        fail("unsupported");
    }
    return 0;
}

// getpixel() -> width, height; getpixel(x [, y [, type]]) -> by type.
int getpixel(Lua::lua_State* L)
{
    LuaInstance& run = *LuaInstance::current();
    const int count = lua().lua_gettop(L);
    if (count == 0)
        return pushImageSize(L, run.pixelSource == 1);
    const Lua::lua_Integer x = checkInteger(L, 1);
    const Lua::lua_Integer y = count >= 2 ? checkInteger(L, 2) : 0;
    const int type = count >= 3 ? pixelTypeOf(checkString(L, 3)) : run.pixelType;
    const Media::ImageBuffer* copy = run.pixelSource == 1 ? getFrameReadback(run) : getObjectReadback(run);
    if (!copy)
        return 0;
    const uint32_t cx = static_cast<uint32_t>(std::clamp<Lua::lua_Integer>(x, 0, copy->width - 1));
    const uint32_t cy = static_cast<uint32_t>(std::clamp<Lua::lua_Integer>(y, 0, copy->height - 1));
    uint32_t w = 0;
    std::memcpy(&w, copy->row(cy) + size_t(cx) * 4, 4);
    const int r = (w >> 16) & 255, g = (w >> 8) & 255, b = w & 255, a = w >> 24;
    const Lua::Api& api = lua();
    if (type == 1) {
        for (int v : {r, g, b, a})
            api.lua_pushinteger(L, v);
        return 4;
    }
    if (type == 2) {
        constexpr float k = 16.062746f;
        const float R = r * k, G = g * k, B = b * k, A = a * k;
        api.lua_pushinteger(L, roundFloat(0.299f * R + 0.587f * G + 0.114f * B));
        api.lua_pushinteger(L, roundFloat(-0.169f * R - 0.331f * G + 0.5f * B));
        api.lua_pushinteger(L, roundFloat(0.5f * R - 0.419f * G - 0.081f * B));
        api.lua_pushinteger(L, roundFloat(A));
        return 4;
    }
    api.lua_pushinteger(L, r * 65536 + g * 256 + b);
    api.lua_pushnumber(L, a / 255.0);
    return 2;
}

// putpixel() -> width, height; putpixel(x, y, values...) by the pixel type.
int putpixel(Lua::lua_State* L)
{
    LuaInstance& run = *LuaInstance::current();
    if (lua().lua_gettop(L) == 0)
        return pushImageSize(L, run.pixelTarget == 1);
    struct {
        float color[4];
        int32_t pos[2];
        int32_t blend;
        int32_t padding;
    } block{};
    block.pos[0] = static_cast<int32_t>(checkInteger(L, 1));
    block.pos[1] = static_cast<int32_t>(checkInteger(L, 2));
    float r = 0, g = 0, b = 0, a = 0;
    if (run.pixelType == 1) {
        r = static_cast<float>(checkNumber(L, 3) / 255);
        g = static_cast<float>(checkNumber(L, 4) / 255);
        b = static_cast<float>(checkNumber(L, 5) / 255);
        a = static_cast<float>(checkNumber(L, 6) / 255);
    } else if (run.pixelType == 2) {
        const double Y = checkNumber(L, 3), Cb = checkNumber(L, 4), Cr = checkNumber(L, 5);
        const float A = static_cast<float>(checkNumber(L, 6));
        r = static_cast<float>(std::round((Y + 1.402 * Cr) * 255 / 4096) / 255);
        g = static_cast<float>(std::round((Y - 0.344 * Cb - 0.714 * Cr) * 255 / 4096) / 255);
        b = static_cast<float>(std::round((Y + 1.722 * Cb) * 255 / 4096) / 255);
        a = std::round(A * 255.0f / 4096.0f) / 255.0f;
    } else {
        const uint32_t col = static_cast<uint32_t>(static_cast<uint64_t>(checkInteger(L, 3)));
        a = static_cast<float>(checkNumber(L, 4));
        r = ((col >> 16) & 255) / 255.0f;
        g = ((col >> 8) & 255) / 255.0f;
        b = (col & 255) / 255.0f;
    }
    block.color[0] = r * a;
    block.color[1] = g * a;
    block.color[2] = b * a;
    block.color[3] = a;
    block.blend = run.pixelBlend;
    Platform::Gpu::View* dst = pixelView(run, run.pixelTarget);
    if (!dst)
        return 0;
    dispatchPixel(run, Shader::ShaderList::published()->putPixelShader, &block, dst, nullptr);
    return 0;
}

// copypixel(dst x, dst y, src x, src y).
int copypixel(Lua::lua_State* L)
{
    LuaInstance& run = *LuaInstance::current();
    struct {
        int32_t dstPos[2];
        int32_t srcPos[2];
        int32_t blend;
        int32_t padding[3];
    } block{};
    for (int i = 0; i < 2; ++i) {
        block.dstPos[i] = static_cast<int32_t>(checkInteger(L, 1 + i));
        block.srcPos[i] = static_cast<int32_t>(checkInteger(L, 3 + i));
    }
    block.blend = run.pixelBlend;
    Platform::Gpu::View* dst = pixelView(run, run.pixelTarget);
    if (!dst)
        return 0;
    Shader::ShaderList& shaders = *Shader::ShaderList::published();
    if (run.pixelSource == run.pixelTarget) {
        dispatchPixel(run, shaders.copyPixelShader, &block, dst, nullptr);
        return 0;
    }
    Platform::Gpu::View* src = pixelView(run, run.pixelSource);
    if (src)
        dispatchPixel(run, shaders.copyPixelFromShader, &block, dst, src);
    return 0;
}

} // namespace ScriptFunctions

} // namespace Plugin
