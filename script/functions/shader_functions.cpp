// obj.pixelshader and obj.computeshader: the script's own shaders over the
// pictures it names, with a constant table of numbers.
#include "core/failure.h"
#include "effects/objects/script_effect.h"
#include "media/pixel_shader.h"
#include "media/render_buffer.h"
#include "media/resource_buffer.h"
#include "media/state_list.h"
#include "platform/gpu/gpu.h"
#include "render/render_object.h"
#include "render/resource_cache.h"
#include "script/functions/function_bodies.h"
#include "script/functions/pixel_access.h"
#include "script/functions/script_keywords.h"
#include "script/functions/shader_buffer.h"
#include "script/lua_instance.h"
#include "script/script_functions.h"

#include <algorithm>

namespace Plugin {

using namespace ScriptCall;

namespace {

using Platform::Gpu::Stage;

// Thread groups per dimension of one dispatch: the limit every device has.
constexpr Lua::lua_Integer MaxGroups = 65535;

class ShaderResourceBuffer final : public ShaderBufferInstance {
public:
    // keep: the cache's picture, held for the call.
    explicit ShaderResourceBuffer(Media::ResourceBuffer& buffer, std::shared_ptr<Media::ResourceBuffer> keep = nullptr)
        : keep_(std::move(keep)), buffer_(buffer)
    {
    }
    void setRenderTarget() override { Media::Direct3DService::Get()->setRenderTarget(buffer_); }
    Platform::Gpu::View* getShaderResourceView() override { return buffer_.getShaderResourceView(); }
    Platform::Gpu::View* getUnorderedAccessView() override { return buffer_.getUnorderedAccessView(); }
    Platform::Gpu::View* getShaderResourceViewCopy() override
    {
        copy_ = buffer_.clone();
        return copy_->getShaderResourceView();
    }
    const Platform::Gpu::Texture* getBuffer() const override { return buffer_.getTexture(); }

private:
    std::shared_ptr<Media::ResourceBuffer> keep_;
    Media::ResourceBuffer& buffer_;
};

class ShaderRenderBuffer final : public ShaderBufferInstance {
public:
    explicit ShaderRenderBuffer(Media::RenderBuffer& buffer) : buffer_(buffer) {}
    void setRenderTarget() override { Media::Direct3DService::Get()->setRenderBufferTarget(buffer_); }
    Platform::Gpu::View* getShaderResourceView() override { return buffer_.getShaderResourceView(); }
    Platform::Gpu::View* getUnorderedAccessView() override { return buffer_.getUnorderedAccessView(); }
    Platform::Gpu::View* getShaderResourceViewCopy() override
    {
        copy_ = buffer_.createResourceBuffer(true);
        return copy_->getShaderResourceView();
    }
    const Platform::Gpu::Texture* getBuffer() const override { return buffer_.getTexture(); }

private:
    Media::RenderBuffer& buffer_;
};

const Lua::Api& lua()
{
    return LuaInstance::api();
}

// Names read as readBufferList: nil nothing, a text one buffer, a table one
// per value in traversal order.
ShaderBufferList readBufferList(Lua::lua_State* L, LuaInstance& run, int index)
{
    ShaderBufferList list;
    const Lua::Api& api = lua();
    const int type = api.lua_type(L, index);
    if (type == Lua::LUA_TNIL || type == Lua::LUA_TNONE)
        return list;
    if (type != Lua::LUA_TTABLE) {
        addShaderBuffer(run, list, checkString(L, index));
        return list;
    }
    const int table = index < 0 ? api.lua_gettop(L) + index + 1 : index;
    api.lua_pushnil(L);
    while (api.lua_next(L, table)) {
        size_t length = 0;
        const char* name = api.lua_isstring(L, -1) ? api.lua_tolstring(L, -1, &length) : nullptr;
        if (!name)
            checkString(L, -1); // the engine's argument error, as luaL_checklstring raises it
        addShaderBuffer(run, list, std::string_view(name, length));
        api.pop(L, 1);
    }
    return list;
}

// The constant table at argument 4 padded to whole float4s, bound at slot 0
// of the stage; none when there is no table or it is empty.
std::unique_ptr<Media::ConstantBufferCommon> bindConstants(Lua::lua_State* L, Stage stage)
{
    if (lua().lua_gettop(L) < 4)
        return nullptr;
    std::vector<float> values = readNumberTable(L, 4);
    if (values.empty())
        return nullptr;
    values.resize((values.size() + 3) / 4 * 4, 0.0f);
    const size_t bytes = values.size() * sizeof(float);
    // The device's limit of one constant buffer: 64 KiB.
    if (bytes > 65536)
        throw System::makeHresultException("Direct3DService::Get().device->CreateBuffer",
                                           "Media::ConstantBufferCommon::create", Platform::Gpu::ErrorInvalidArg);
    auto constants = std::make_unique<Media::ConstantBufferCommon>();
    Media::ConstantBufferCommon::create(*constants, values.data(), static_cast<uint32_t>(bytes));
    Media::Direct3DService::Get()->bindConstantBuffer(stage, 0, constants->buffer.get());
    return constants;
}

void dropReadbackOfTargets(LuaInstance& run, const ShaderBufferList& targets)
{
    for (const auto& target : targets)
        dropReadbackIfWritten(run, target->getBuffer());
}

bool writes(const ShaderBufferList& targets, const ShaderBufferInstance& source)
{
    return std::any_of(targets.begin(), targets.end(),
                       [&](const auto& t) { return t->getBuffer() && t->getBuffer() == source.getBuffer(); });
}

Effect::ScriptEffect::CommonResource& commonResource(LuaInstance& run)
{
    auto* script = dynamic_cast<Effect::ScriptEffect*>(&run.getEffect());
    if (!script || !script->getCommonResource())
        throw System::makeException("Plugin::ScriptPluginInstance::getEffect", "not effect script.", nullptr);
    return *script->getCommonResource();
}

} // namespace

ShaderBufferInstance::~ShaderBufferInstance() = default;

void addShaderBuffer(LuaInstance& run, ShaderBufferList& list, std::string_view name)
{
    if (name == "object") {
        run.getRenderVideoTarget();
        if (run.objectBuffer && !run.objectBuffer->empty()) {
            list.push_back(std::make_unique<ShaderResourceBuffer>(*run.objectBuffer));
            return;
        }
    } else if (name == "tempbuffer" || ScriptKeywords::isCacheName(name)) {
        Render::RenderObject& r = run.getRenderVideoTarget();
        std::shared_ptr<Media::ResourceBuffer> found =
            r.resourceCache ? r.resourceCache->findBuffer(std::string(name)) : nullptr;
        if (found && !found->empty()) {
            list.push_back(std::make_unique<ShaderResourceBuffer>(*found, found));
            return;
        }
    } else if (name == "framebuffer") {
        Media::RenderBuffer* frame = run.getRenderVideoTarget().drawState.target;
        if (frame && frame->getTexture()) {
            list.push_back(std::make_unique<ShaderRenderBuffer>(*frame));
            return;
        }
    }
    const std::string text(name.empty() ? std::string_view("unknown") : name);
    logScript("invalid buffer type. name=%s", text.c_str());
}

namespace ScriptFunctions {

// pixelshader(name, target, sources [, constants [, blend]]).
int pixelshader(Lua::lua_State* L)
{
    LuaInstance& run = *LuaInstance::current();
    const std::string name = checkString(L, 1);
    std::shared_ptr<Media::PixelShader> shader = commonResource(run).getPixelShader(name);
    if (!shader)
        fail("invalid shader name. name=%s", name.c_str());
    ShaderBufferList targets = readBufferList(L, run, 2);
    if (targets.size() != 1)
        fail("invalid shader output parameter");
    dropReadbackOfTargets(run, targets);
    ShaderBufferList sources = readBufferList(L, run, 3);
    const auto constants = bindConstants(L, Stage::Pixel);
    uint32_t blendEntry = Shader::BlendStateList::Opaque;
    if (lua().lua_gettop(L) >= 5) {
        const std::string_view mode = checkString(L, 5);
        if (mode == "copy")
            blendEntry = Shader::BlendStateList::Opaque;
        else if (mode == "draw")
            blendEntry = Shader::BlendStateList::Over;
        else if (mode == "mask")
            blendEntry = Shader::BlendStateList::MultiplyAlpha;
        else if (mode == "add")
            blendEntry = Shader::BlendStateList::AddColorOver;
        else
            fail("invalid shader blend mode. mode=%s", std::string(mode).c_str());
    }
    Media::Direct3DService* d3d = Media::Direct3DService::Get();
    std::vector<Platform::Gpu::View*> views;
    for (auto& source : sources)
        views.push_back(writes(targets, *source) ? source->getShaderResourceViewCopy()
                                                 : source->getShaderResourceView());
    targets.front()->setRenderTarget();
    if (!views.empty())
        d3d->context->setShaderResources(Stage::Pixel, 0, static_cast<uint32_t>(views.size()), views.data());
    // Sampler 0 is the linear clamp sampler, never one a draw left behind.
    d3d->bindSampler(0, Shader::SamplerStateList::published()->get(Shader::SamplerStateList::LinearClamp));
    shader->drawQuad(Shader::BlendStateList::published()->get(blendEntry), nullptr);
    if (!views.empty())
        d3d->unbindShaderResources(static_cast<uint32_t>(views.size()));
    d3d->unbindTargets();
    return 0;
}

// computeshader(name, targets, sources [, constants [, x [, y [, z]]]]).
int computeshader(Lua::lua_State* L)
{
    LuaInstance& run = *LuaInstance::current();
    const std::string name = checkString(L, 1);
    std::shared_ptr<Media::ComputeShader> shader = commonResource(run).getComputeShader(name);
    if (!shader)
        fail("invalid shader name. name=%s", name.c_str());
    ShaderBufferList targets = readBufferList(L, run, 2);
    if (targets.empty())
        fail("invalid shader output parameter");
    dropReadbackOfTargets(run, targets);
    ShaderBufferList sources = readBufferList(L, run, 3);
    const int count = lua().lua_gettop(L);
    uint32_t groups[3] = {1, 1, 1};
    for (int i = 0; i < 3; ++i)
        if (count >= 5 + i)
            groups[i] = static_cast<uint32_t>(std::clamp<Lua::lua_Integer>(checkInteger(L, 5 + i), 0, MaxGroups));
    const auto constants = bindConstants(L, Stage::Compute);
    Media::Direct3DService* d3d = Media::Direct3DService::Get();
    Platform::Gpu::Context& context = *d3d->context;
    std::vector<Platform::Gpu::View*> views, storage;
    for (auto& source : sources)
        views.push_back(writes(targets, *source) ? source->getShaderResourceViewCopy()
                                                 : source->getShaderResourceView());
    for (auto& target : targets)
        storage.push_back(target->getUnorderedAccessView());
    if (!views.empty())
        context.setShaderResources(Stage::Compute, 0, static_cast<uint32_t>(views.size()), views.data());
    context.setComputeUnorderedAccessViews(0, static_cast<uint32_t>(storage.size()), storage.data());
    shader->dispatch(groups[0], groups[1], groups[2]);
    if (!views.empty())
        context.setShaderResources(Stage::Compute, 0, static_cast<uint32_t>(views.size()), nullptr);
    context.setComputeUnorderedAccessViews(0, static_cast<uint32_t>(storage.size()), nullptr);
    return 0;
}

} // namespace ScriptFunctions

} // namespace Plugin
