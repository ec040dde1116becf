#pragma once
// The pixel functions' read-back copy and picture size, shared with the
// buffer and shader functions, which drop the copy when they replace or write
// its picture.
#include "script/lua_api.h"

#include <cstdint>

namespace Media { class ImageBuffer; }
namespace Platform::Gpu { class Texture; }

namespace Plugin {

class LuaInstance;

// Pushes the width and height of the frame (frame set) or of the object image:
// 0, 0 when there is no such picture. Returns 2.
int pushImageSize(Lua::lua_State* L, bool frame);
// The straight 8-bit BGRA copy of the object image or the frame, made once
// per picture; null when the picture is missing or empty.
const Media::ImageBuffer* getObjectReadback(LuaInstance& run);
const Media::ImageBuffer* getFrameReadback(LuaInstance& run);
void dropReadback(LuaInstance& run);
// Drops the copy when it was made from that texture.
void dropReadbackIfWritten(LuaInstance& run, const Platform::Gpu::Texture* texture);

} // namespace Plugin
