#pragma once
// Vertex lists: quadrilaterals collected on the processor side (four vertices
// each: top-left, top-right, bottom-right, bottom-left for an unrotated quad)
// and drawn with one draw call as triangles, textured or coloured, with or
// without a normal per vertex.
#include <cstdint>
#include <memory>
#include <vector>

namespace Media {

struct XYZ_UV {
    static constexpr bool Textured = true, HasNormal = false;
    float x, y, z;
    float u, v;
    float alpha;
    uint32_t extra; // carried along, read by no shader
};
struct XYZ_COL {
    static constexpr bool Textured = false, HasNormal = false;
    float x, y, z;
    float r, g, b, a;
};
struct XYZ_UV_NORM {
    static constexpr bool Textured = true, HasNormal = true;
    float x, y, z;
    float nx, ny, nz;
    float u, v;
    float alpha;
    uint32_t extra;
};
struct XYZ_COL_NORM {
    static constexpr bool Textured = false, HasNormal = true;
    float x, y, z;
    float nx, ny, nz;
    float r, g, b, a;
};
static_assert(sizeof(XYZ_UV) == 28 && sizeof(XYZ_COL) == 28 && sizeof(XYZ_UV_NORM) == 40 && sizeof(XYZ_COL_NORM) == 40);

class VertexList {
public:
    virtual ~VertexList();
    // Draws the whole quads with the bound shaders as 28-byte vertices (no
    // normal); binds the topology and the vertex buffer, nothing else. A list
    // without a whole quad draws nothing; a remainder past the last whole quad
    // is ignored.
    virtual void draw() = 0;
    // The same with 40-byte vertices carrying a normal (stored, or computed
    // per quad for lists without normals).
    virtual void drawWithNormal() = 0;
    // Bind the list's vertex shader (with its input layout) and pixel shader
    // through the Direct3D service's cache: plain, with depth, with depth and
    // normals (which needs drawWithNormal).
    virtual void setShader() = 0;
    virtual void setShaderDepth() = 0;
    virtual void setShaderDepthNormal() = 0;
    virtual std::shared_ptr<VertexList> createEmpty() const = 0;
    virtual bool isEmpty() const = 0;
    // Appends a copy of list, when it holds the same vertex type, with every
    // position multiplied as a row vector (x, y, z, 1) by matrix (16 floats,
    // row after row, the fourth row the translation) and divided by w, the
    // normals carried along and the alpha multiplied by alpha.
    virtual void appendTransformed(const std::shared_ptr<VertexList>& list, const float matrix[16], float alpha) = 0;
};

template <class V>
class VertexListTemplate : public VertexList {
public:
    bool isEmpty() const override { return vertices.empty(); }
    void appendTransformed(const std::shared_ptr<VertexList>& list, const float matrix[16], float alpha) override;

    std::vector<V> vertices;
};

template <class V>
class VertexListQuadTemplate : public VertexListTemplate<V> {
public:
    void draw() override;
    void drawWithNormal() override;
    void setShader() override;
    void setShaderDepth() override;
    void setShaderDepthNormal() override;
};

class VertexListQuadPosUv : public VertexListQuadTemplate<XYZ_UV> {
public:
    std::shared_ptr<VertexList> createEmpty() const override;
};

class VertexListQuadPosColor : public VertexListQuadTemplate<XYZ_COL> {
public:
    std::shared_ptr<VertexList> createEmpty() const override;
};

class VertexListQuadPosUvNorm : public VertexListQuadTemplate<XYZ_UV_NORM> {
public:
    std::shared_ptr<VertexList> createEmpty() const override;
};

class VertexListQuadPosColorNorm : public VertexListQuadTemplate<XYZ_COL_NORM> {
public:
    std::shared_ptr<VertexList> createEmpty() const override;
};

class VertexListQuadPosUvCommon : public VertexListQuadPosUv {
public:
    // The process-wide shared quad, set to a width x height picture centred on
    // the origin (uv 0..1, alpha 1). Every call overwrites it.
    static std::shared_ptr<VertexListQuadPosUvCommon> getCenteredQuad(uint32_t width, uint32_t height);
};

extern template class VertexListTemplate<XYZ_UV>;
extern template class VertexListTemplate<XYZ_COL>;
extern template class VertexListTemplate<XYZ_UV_NORM>;
extern template class VertexListTemplate<XYZ_COL_NORM>;
extern template class VertexListQuadTemplate<XYZ_UV>;
extern template class VertexListQuadTemplate<XYZ_COL>;
extern template class VertexListQuadTemplate<XYZ_UV_NORM>;
extern template class VertexListQuadTemplate<XYZ_COL_NORM>;

} // namespace Media
