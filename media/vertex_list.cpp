#include "media/vertex_list.h"

#include "media/direct3d_service.h"
#include "media/pixel_shader.h"
#include "media/shader_list.h"
#include "media/vertex_shader.h"
#include "platform/gpu/gpu.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <functional>

namespace Media {

namespace {

// What the vertex shaders read: the position, then (40-byte form) the normal,
// then the 16 bytes of texture coordinate, alpha and extra value, or colour.
struct Vertex28 {
    float p[3];
    uint8_t rest[16];
};
struct Vertex40 {
    float p[3];
    float n[3];
    uint8_t rest[16];
};
static_assert(sizeof(Vertex28) == 28 && sizeof(Vertex40) == 40);

template <class V>
const uint8_t* afterPosition(const V& v)
{
    return reinterpret_cast<const uint8_t*>(&v) + (V::HasNormal ? 24 : 12);
}

// The four corners of a quad as they are written, normals dropped.
template <class V>
void corners(const V* q, Vertex28 out[4])
{
    for (int k = 0; k < 4; ++k) {
        std::memcpy(out[k].p, &q[k], 12);
        std::memcpy(out[k].rest, afterPosition(q[k]), 16);
    }
}

// The four corners with a normal: stored ones copied, else one normal per
// quad from its two triangles. A quad folded so that its halves face opposite
// ways is split along the other diagonal (corners rotated by one).
template <class V>
void corners(const V* q, Vertex40 out[4])
{
    if constexpr (V::HasNormal) {
        for (int k = 0; k < 4; ++k)
            std::memcpy(&out[k], &q[k], 40);
    } else {
        // In double precision: the cross products of float coordinates cannot
        // overflow, so the normal is a unit vector (or zero) for any quad.
        double p[4][3];
        for (int k = 0; k < 4; ++k) {
            p[k][0] = q[k].x;
            p[k][1] = q[k].y;
            p[k][2] = q[k].z;
        }
        auto cross = [&](int a, int b, int c, int d, double out[3]) { // (Pa - Pb) x (Pc - Pd)
            double u[3] = {p[a][0] - p[b][0], p[a][1] - p[b][1], p[a][2] - p[b][2]};
            double v[3] = {p[c][0] - p[d][0], p[c][1] - p[d][1], p[c][2] - p[d][2]};
            out[0] = u[1] * v[2] - u[2] * v[1];
            out[1] = u[2] * v[0] - u[0] * v[2];
            out[2] = u[0] * v[1] - u[1] * v[0];
        };
        double n1[3], n2[3];
        cross(3, 0, 1, 0, n1);
        cross(2, 3, 1, 3, n2);
        double sum[3] = {n1[0] + n2[0], n1[1] + n2[1], n1[2] + n2[2]};
        double length = std::sqrt(sum[0] * sum[0] + sum[1] * sum[1] + sum[2] * sum[2]);
        float normal[3] = {0, 0, 0};
        if (length > 0)
            for (int i = 0; i < 3; ++i)
                normal[i] = static_cast<float>(sum[i] / length);
        const bool folded = n1[0] * n2[0] + n1[1] * n2[1] + n1[2] * n2[2] < 0;
        for (int k = 0; k < 4; ++k) {
            const V& v = q[folded ? (k + 1) % 4 : k];
            std::memcpy(out[k].p, &v, 12);
            std::memcpy(out[k].n, normal, 12);
            std::memcpy(out[k].rest, afterPosition(v), 16);
        }
    }
}

// Corner order of a quad's two triangles, Q0-Q1-Q3 and Q3-Q1-Q2.
constexpr int ListOrder[6] = {0, 1, 3, 3, 1, 2};
constexpr int StripOrder[4] = {0, 1, 3, 2};

// True when the bound pixel shader reads and writes storage images without
// an order among the fragments of one draw: overlapping primitives must then
// go to separate draws (the device puts a barrier between such draws).
bool needsDrawOrder(const Direct3DService& d3d)
{
    const PixelShader* ps = d3d.currentPixelShader;
    if (!ps || !ps->shader)
        return false;
    const Platform::Gpu::ShaderInfo& info = ps->shader->info();
    if (info.orderedPixelAccess)
        return false;
    return std::any_of(info.bindings.begin(), info.bindings.end(), [](const Platform::Gpu::ShaderBinding& b) {
        return b.kind == Platform::Gpu::BindingKind::StorageImage;
    });
}

// Splits a triangle list into runs of draws in which no two primitives can
// cover the same pixel, judged by their pixel boxes on a grid of cells. The
// positions go through the projection held by the object constant buffer.
class DrawOrder {
public:
    DrawOrder(const Direct3DService& d3d, const Shader::ShaderList& list)
        : width_(d3d.viewportWidth), height_(d3d.viewportHeight)
    {
        const auto& buffer = list.objectConstantBuffer.buffer;
        if (buffer && buffer->size() >= 64) {
            float rows[16];
            std::memcpy(rows, buffer->data(), sizeof(rows));
            for (int i = 0; i < 16; ++i)
                projection_[i / 4][i % 4] = rows[i];
        }
        columns_ = (width_ + CellSize - 1) / CellSize;
        rows_ = (height_ + CellSize - 1) / CellSize;
        stamps_.assign(size_t(columns_) * rows_, 0);
    }

    struct Point {
        double x, y;
        bool valid;
    };

    Point toScreen(const float p[3]) const
    {
        double c[4];
        for (int r = 0; r < 4; ++r)
            c[r] = projection_[r][0] * p[0] + projection_[r][1] * p[1] + projection_[r][2] * p[2] + projection_[r][3];
        if (!(c[3] > 1e-12) || !std::isfinite(c[0]) || !std::isfinite(c[1]) || !std::isfinite(c[3]))
            return {0, 0, false};
        return {(c[0] / c[3] + 1) * 0.5 * width_, (1 - c[1] / c[3]) * 0.5 * height_, true};
    }

    // Adds the primitive covering the given points to the run, first drawing
    // the run so far when the new one may share a pixel with it.
    void add(const Point* points, int count, uint32_t firstVertex, uint32_t vertexCount,
             const std::function<void(uint32_t, uint32_t)>& drawRange)
    {
        bool everywhere = width_ == 0 || height_ == 0;
        double x0 = 1e300, y0 = 1e300, x1 = -1e300, y1 = -1e300;
        for (int i = 0; i < count && !everywhere; ++i) {
            if (!points[i].valid)
                everywhere = true;
            x0 = std::min(x0, points[i].x);
            y0 = std::min(y0, points[i].y);
            x1 = std::max(x1, points[i].x);
            y1 = std::max(y1, points[i].y);
        }
        bool conflict = runCount_ > 0 && (everywhere || runEverywhere_);
        int cx0 = 0, cy0 = 0, cx1 = -1, cy1 = -1;
        if (!everywhere) {
            // One pixel of margin; cells outside the target hold nothing.
            cx0 = cellOf(x0 - 1, columns_);
            cx1 = cellOf(x1 + 1, columns_);
            cy0 = cellOf(y0 - 1, rows_);
            cy1 = cellOf(y1 + 1, rows_);
            if (x1 + 1 < 0 || y1 + 1 < 0 || x0 - 1 >= width_ || y0 - 1 >= height_)
                cx1 = -1; // wholly outside: covers nothing
            for (int y = cy0; y <= cy1 && !conflict; ++y)
                for (int x = cx0; x <= cx1 && !conflict; ++x)
                    conflict = stamps_[size_t(y) * columns_ + x] == generation_;
        }
        if (conflict)
            flush(drawRange);
        if (runCount_ == 0)
            runFirst_ = firstVertex;
        runCount_ += vertexCount;
        runEverywhere_ = runEverywhere_ || everywhere;
        for (int y = cy0; y <= cy1; ++y)
            for (int x = cx0; x <= cx1; ++x)
                stamps_[size_t(y) * columns_ + x] = generation_;
    }

    void flush(const std::function<void(uint32_t, uint32_t)>& drawRange)
    {
        if (runCount_)
            drawRange(runFirst_, runCount_);
        runCount_ = 0;
        runEverywhere_ = false;
        ++generation_;
    }

private:
    static constexpr int CellSize = 16;
    static int cellOf(double v, int cells)
    {
        double c = std::floor(v / CellSize);
        return static_cast<int>(std::clamp(c, 0.0, double(cells - 1)));
    }

    double projection_[4][4] = {{1, 0, 0, 0}, {0, 1, 0, 0}, {0, 0, 1, 0}, {0, 0, 0, 1}};
    uint32_t width_, height_;
    int columns_ = 0, rows_ = 0;
    std::vector<uint32_t> stamps_;
    uint32_t generation_ = 1;
    uint32_t runFirst_ = 0, runCount_ = 0;
    bool runEverywhere_ = false;
};

// Whether the two triangles (a, b, c) and (c, b, d) of a quad, sharing the
// edge b-c, lie on the same side of it on screen (a quad folded in view).
bool trianglesOverlap(const DrawOrder::Point& a, const DrawOrder::Point& b, const DrawOrder::Point& c,
                      const DrawOrder::Point& d)
{
    if (!a.valid || !b.valid || !c.valid || !d.valid)
        return true;
    double ex = c.x - b.x, ey = c.y - b.y;
    double sa = ex * (a.y - b.y) - ey * (a.x - b.x);
    double sd = ex * (d.y - b.y) - ey * (d.x - b.x);
    return sa * sd > 0;
}

template <class Out, class V>
void drawQuads(const std::vector<V>& vertices)
{
    const size_t quads = vertices.size() / 4;
    if (quads == 0)
        return; // nothing to draw (not a zero-sized buffer)
    Direct3DService* d3d = Direct3DService::Get();
    Shader::ShaderList* list = Shader::ShaderList::published();
    const bool ordered = needsDrawOrder(*d3d);

    if (quads == 1) {
        Out c[4];
        corners(vertices.data(), c);
        bool folded = false;
        if (ordered) {
            DrawOrder order(*d3d, *list);
            DrawOrder::Point s[4];
            for (int k = 0; k < 4; ++k)
                s[k] = order.toScreen(c[k].p);
            folded = trianglesOverlap(s[0], s[1], s[3], s[2]);
        }
        if (!folded) {
            VertexBuffer& strip = sizeof(Out) == 28 ? list->singleQuadBuffer : list->singleQuadNormalBuffer;
            for (int k = 0; k < 4; ++k)
                std::memcpy(strip.vertices.data() + k * sizeof(Out), &c[StripOrder[k]], sizeof(Out));
            strip.upload();
            d3d->drawVertexBuffer(strip);
            return;
        }
    }

    std::vector<Out> data(quads * 6);
    std::vector<Out> quadCorners(quads * 4);
    for (size_t i = 0; i < quads; ++i) {
        Out* c = &quadCorners[4 * i];
        corners(vertices.data() + 4 * i, c);
        for (int k = 0; k < 6; ++k)
            data[6 * i + k] = c[ListOrder[k]];
    }
    VertexBufferCommon record;
    record.topology = Platform::Gpu::Topology::TriangleList;
    VertexBufferCommon::create(record, data.data(), static_cast<uint32_t>(data.size()), sizeof(Out));
    if (!ordered) {
        d3d->drawVertexBuffer(record);
        return;
    }
    DrawOrder order(*d3d, *list);
    auto drawRange = [&](uint32_t first, uint32_t count) { d3d->drawVertexBuffer(record, first, count); };
    for (size_t i = 0; i < quads; ++i) {
        DrawOrder::Point s[4];
        for (int k = 0; k < 4; ++k)
            s[k] = order.toScreen(quadCorners[4 * i + k].p);
        const uint32_t first = static_cast<uint32_t>(6 * i);
        if (trianglesOverlap(s[0], s[1], s[3], s[2])) {
            const DrawOrder::Point t0[3] = {s[0], s[1], s[3]}, t1[3] = {s[3], s[1], s[2]};
            order.add(t0, 3, first, 3, drawRange);
            order.add(t1, 3, first + 3, 3, drawRange);
            // The two halves overlap each other: never in one draw.
        } else {
            order.add(s, 4, first, 6, drawRange);
        }
    }
    order.flush(drawRange);
}

template <class V>
void bindPair(bool depth, bool normals)
{
    Shader::ShaderList* list = Shader::ShaderList::published();
    Direct3DService* d3d = Direct3DService::Get();
    if constexpr (V::Textured) {
        d3d->bindVertexShader(normals ? list->objectDepthNormalVertexShader
                              : depth ? list->objectDepthVertexShader
                                      : list->objectVertexShader);
        d3d->bindPixelShader(normals ? list->objectDepthNormalShader : depth ? list->objectDepthShader : list->objectShader);
    } else {
        d3d->bindVertexShader(normals ? list->colorDepthNormalVertexShader
                              : depth ? list->colorDepthVertexShader
                                      : list->colorVertexShader);
        d3d->bindPixelShader(normals ? list->colorDepthNormalShader : depth ? list->colorDepthShader : list->colorShader);
    }
}

} // namespace

VertexList::~VertexList() = default;

template <class V>
void VertexListTemplate<V>::appendTransformed(const std::shared_ptr<VertexList>& list, const float m[16], float alpha)
{
    const auto* other = dynamic_cast<const VertexListTemplate<V>*>(list.get());
    if (!other)
        return;
    const size_t count = other->vertices.size(); // other may be this list
    // Room grows by doubling: a list built by many small appends (a copy per
    // particle) is not moved whole for every one of them.
    if (vertices.capacity() < vertices.size() + count)
        vertices.reserve(std::max(vertices.size() + count, 2 * vertices.capacity()));
    auto transform = [m](float x, float y, float z, float out[3]) {
        const float w = x * m[3] + y * m[7] + z * m[11] + m[15];
        out[0] = (x * m[0] + y * m[4] + z * m[8] + m[12]) / w;
        out[1] = (x * m[1] + y * m[5] + z * m[9] + m[13]) / w;
        out[2] = (x * m[2] + y * m[6] + z * m[10] + m[14]) / w;
    };
    for (size_t i = 0; i < count; ++i) {
        V v = other->vertices[i];
        float p[3];
        transform(v.x, v.y, v.z, p);
        if constexpr (V::HasNormal) {
            float q[3];
            transform(v.x + v.nx, v.y + v.ny, v.z + v.nz, q);
            v.nx = q[0] - p[0];
            v.ny = q[1] - p[1];
            v.nz = q[2] - p[2];
        }
        v.x = p[0];
        v.y = p[1];
        v.z = p[2];
        if constexpr (V::Textured)
            v.alpha *= alpha;
        else
            v.a *= alpha;
        vertices.push_back(v);
    }
}

template <class V>
void VertexListQuadTemplate<V>::draw()
{
    drawQuads<Vertex28>(this->vertices);
}

template <class V>
void VertexListQuadTemplate<V>::drawWithNormal()
{
    drawQuads<Vertex40>(this->vertices);
}

template <class V>
void VertexListQuadTemplate<V>::setShader()
{
    bindPair<V>(false, false);
}

template <class V>
void VertexListQuadTemplate<V>::setShaderDepth()
{
    bindPair<V>(true, false);
}

template <class V>
void VertexListQuadTemplate<V>::setShaderDepthNormal()
{
    bindPair<V>(true, true);
}

template class VertexListTemplate<XYZ_UV>;
template class VertexListTemplate<XYZ_COL>;
template class VertexListTemplate<XYZ_UV_NORM>;
template class VertexListTemplate<XYZ_COL_NORM>;
template class VertexListQuadTemplate<XYZ_UV>;
template class VertexListQuadTemplate<XYZ_COL>;
template class VertexListQuadTemplate<XYZ_UV_NORM>;
template class VertexListQuadTemplate<XYZ_COL_NORM>;

std::shared_ptr<VertexList> VertexListQuadPosUv::createEmpty() const { return std::make_shared<VertexListQuadPosUv>(); }
std::shared_ptr<VertexList> VertexListQuadPosColor::createEmpty() const
{
    return std::make_shared<VertexListQuadPosColor>();
}
std::shared_ptr<VertexList> VertexListQuadPosUvNorm::createEmpty() const
{
    return std::make_shared<VertexListQuadPosUvNorm>();
}
std::shared_ptr<VertexList> VertexListQuadPosColorNorm::createEmpty() const
{
    return std::make_shared<VertexListQuadPosColorNorm>();
}

std::shared_ptr<VertexListQuadPosUvCommon> VertexListQuadPosUvCommon::getCenteredQuad(uint32_t width, uint32_t height)
{
    static const std::shared_ptr<VertexListQuadPosUvCommon> quad = [] {
        auto q = std::make_shared<VertexListQuadPosUvCommon>();
        q->vertices.resize(4, XYZ_UV{});
        return q;
    }();
    const float w = width * 0.5f, h = height * 0.5f;
    quad->vertices.resize(4);
    quad->vertices[0] = {-w, -h, 0, 0, 0, 1.0f, 0};
    quad->vertices[1] = {w, -h, 0, 1, 0, 1.0f, 0};
    quad->vertices[2] = {w, h, 0, 1, 1, 1.0f, 0};
    quad->vertices[3] = {-w, h, 0, 0, 1, 1.0f, 0};
    return quad;
}

} // namespace Media
