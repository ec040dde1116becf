// obj.getaudio: the sound of the current frame, so that pictures can follow
// it: the scene's mixed sound rendered for this frame, or the part of a sound
// file lined up with the object's first frame, as samples, spectrum bands or
// Fourier magnitudes.
#include "media/audio_buffer.h"
#include "project/model/scene.h"
#include "render/cache/audio_cache.h"
#include "render/cache/cache_service.h"
#include "render/render_audio_worker.h"
#include "render/render_object.h"
#include "render/render_service.h"
#include "script/functions/function_bodies.h"
#include "script/lua_instance.h"
#include "script/script_functions.h"

#include <algorithm>
#include <memory>
#include <string_view>
#include <vector>

namespace Plugin::ScriptFunctions {

using namespace ScriptCall;

namespace {

constexpr Lua::lua_Integer DefaultSize = 65536;

using Block = std::shared_ptr<const Media::AudioBlockBuffer>;

// The scene's sound of the frame, rendered by the audio worker. The engines'
// lock is let go for the wait: the audio worker takes it to evaluate an audio
// object's movement script, which would otherwise wait for this run for ever.
// None when the render failed or was dropped, and on the audio worker's own
// threads, whose queue this wait would stand in.
Block sceneAudio(const Render::RenderObject& r)
{
    Render::RenderService* render = Render::RenderService::Get();
    if (!render || !r.scene)
        return nullptr;
    Render::RenderAudioWorker& worker = render->audioWorker;
    if (worker.requestThread.onThread() || worker.objectThread.onThread())
        return nullptr;
    std::shared_ptr<Render::PreInputBuffer> pending = worker.preRenderAudio(r.scene, r.frame);
    auto* rendered = dynamic_cast<Render::RenderAudioWorker::RenderingBuffer*>(pending.get());
    if (!rendered)
        return nullptr;
    {
        LuaInstance::LockRelease released;
        rendered->event.wait();
    }
    if (rendered->failed)
        return nullptr;
    return Block(pending, &rendered->block);
}

// The file's sound over the frame's samples, its start at the object's first
// frame; none when the file cannot be read.
Block fileAudio(LuaInstance& run, const Render::RenderObject& r, const char* name)
{
    Cache::CacheService* caches = Cache::CacheService::Get();
    const Render::RenderObject::FrameAudioRange range = r.getFrameAudioRange();
    if (!caches || !caches->audioCache || range.audioRate <= 0 || range.count <= 0)
        return nullptr;
    const Cache::AudioPlayPosition at{range.offset, static_cast<uint32_t>(range.audioRate)};
    return caches->audioCache->getAudio(run.resolveScriptPath(name), 0, at, static_cast<uint32_t>(range.count), 0, 1);
}

// The list the type asks for: spectrum bands, Fourier magnitudes, or the
// samples with both channels added at the scale of 16-bit full scale.
std::vector<float> listOf(const Media::AudioBlockBuffer& block, std::string_view type, Lua::lua_Integer size)
{
    if (type == "spectrum")
        return block.getSpectrumBands(static_cast<int>(std::min<Lua::lua_Integer>(size, 1024)));
    if (type == "fourier")
        return block.getSpectrum();
    const size_t n = static_cast<size_t>(std::min<Lua::lua_Integer>(block.samples, size));
    std::vector<float> samples(n);
    const float* left = block.getChannel(0);
    const float* right = block.getChannel(1);
    for (size_t i = 0; i < n; ++i)
        samples[i] = (left[i] + right[i]) * 32768.0f;
    return samples;
}

} // namespace

// getaudio(table or nil, source, type [, size]) -> count, rate [, table].
int getaudio(Lua::lua_State* L)
{
    LuaInstance& run = *LuaInstance::current();
    const Lua::Api& api = LuaInstance::api();
    const char* source = checkString(L, 2);
    const std::string type = checkString(L, 3);
    Lua::lua_Integer size = DefaultSize;
    if (api.lua_gettop(L) >= 4) {
        size = checkInteger(L, 4);
        if (size < 1)
            return 0;
    }
    const Render::RenderObject* r = run.itemObject;
    if (!r || !r->scene)
        return 0;
    const Block block = std::string_view(source) == "audiobuffer" ? sceneAudio(*r) : fileAudio(run, *r, source);
    if (!block)
        return 0;
    const std::vector<float> list = listOf(*block, type, size);
    const auto count = static_cast<Lua::lua_Integer>(list.size());
    const Lua::lua_Integer rate = r->scene->audioRate;
    if (api.lua_type(L, 1) <= Lua::LUA_TNIL) {
        api.lua_pushinteger(L, count);
        api.lua_pushinteger(L, rate);
        // A new table has no metamethods: written directly.
        api.lua_createtable(L, static_cast<int>(count), 0);
        for (Lua::lua_Integer i = 0; i < count; ++i) {
            api.lua_pushinteger(L, i + 1);
            api.lua_pushnumber(L, list[static_cast<size_t>(i)]);
            api.lua_settable(L, -3);
        }
        return 3;
    }
    std::string error;
    if (!run.setArray(L, 1, list, error))
        fail("%s", error.c_str());
    api.lua_pushinteger(L, count);
    api.lua_pushinteger(L, rate);
    return 2;
}

} // namespace Plugin::ScriptFunctions
