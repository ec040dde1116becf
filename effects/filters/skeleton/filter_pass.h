#pragma once
// The pieces of one filter pass on the graphics processor: new pictures,
// constant blocks uploaded whole before each draw, the renderer's shared
// 16-byte block, samplers, shader blobs built into the program, and the
// drawing-state centre of a canvas that grows unevenly.
#include "media/pixel_shader.h"
#include "media/resource_buffer.h"
#include "media/shader_list.h"

#include <cstdint>
#include <cstring>
#include <memory>

namespace Render { class RenderObject; }

namespace Effect {

using Picture = std::unique_ptr<Media::ResourceBuffer>;

namespace FilterPass {

// A new working-format picture (each side clamped to 16384 by the buffer).
inline Picture newPicture(int width, int height) { return std::make_unique<Media::ResourceBuffer>(width, height); }
inline int widthOf(const Media::ResourceBuffer& picture) { return static_cast<int>(picture.getWidth()); }
inline int heightOf(const Media::ResourceBuffer& picture) { return static_cast<int>(picture.getHeight()); }

// A class's constant block and its device buffer; the block's layout is the
// shaders' "constant0", padded to whole 16-byte rows.
template <class Block>
struct ConstantSet {
    static_assert(sizeof(Block) % 16 == 0, "constant blocks are whole 16-byte rows");
    ConstantSet() { Media::ConstantBufferCommon::create(buffer, nullptr, sizeof(Block)); }
    // One update of the whole buffer; draws made before keep their values.
    void upload() { buffer.update(&block); }

    Media::ConstantBufferCommon buffer;
    Block block{};
};

// The renderer's shader list (its shared 16-byte block and the list shaders).
Shader::ShaderList& shaderList();
// Writes size bytes at the start of the list's shared block (the rest keeps
// what it held) and uploads the whole block.
void writeListBlock(const void* data, size_t size);
template <class T>
void writeListBlock(const T& value)
{
    static_assert(sizeof(T) <= 16);
    writeListBlock(&value, sizeof(T));
}

// Binds entry `index` of the sampler list at pixel-shader slot 0.
void bindSampler(uint32_t index);

// Loads a shader blob built into the program.
template <class Shader, size_t N>
void load(Shader& shader, const uint32_t (&code)[N])
{
    shader.loadFromMemory(code, sizeof(code));
}

// A value rounded to a whole number, halves away from zero.
int roundToInt(double value);

// The canvas grew by the given margins (left, top, right, bottom): the
// drawing-state centre moves by half the difference of opposite margins, so
// the input's pixels stay where they were in the frame.
void moveCentre(Render::RenderObject& object, float left, float top, float right, float bottom);

} // namespace FilterPass
} // namespace Effect
