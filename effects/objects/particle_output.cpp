#include "effects/objects/particle_output.h"

#include "effect/effect_service.h"
#include "effects/objects/basic_output.h"
#include "effects/objects/figure_load.h"
#include "media/resource_buffer.h"
#include "media/vertex_list.h"
#include "project/model/object.h"
#include "project/model/scene.h"

#include <algorithm>
#include <cmath>
#include <exception>
#include <numbers>

namespace Effect {

namespace {

constexpr uint64_t K1 = 0x137BD137BD137BD1ull, K2 = 0x37BD137BD137BD13ull, K3 = 0x7BD137BD137BD137ull,
                   K4 = 0xBD137BD137BD137Bull;
constexpr double DegreesPerRadian = 180.0 / std::numbers::pi;

Math::float3 normalized(const Math::float3& v)
{
    const float l = std::sqrt(v.x * v.x + v.y * v.y + v.z * v.z);
    return l > 0 ? Math::float3{v.x / l, v.y / l, v.z / l} : Math::float3{};
}

bool isZero(const Math::float3& v) { return v.x == 0 && v.y == 0 && v.z == 0; }

// The picture's rectangle centred on the origin: what a particle is made of
// when the input gives no vertex list of its own.
std::shared_ptr<Media::VertexList> pictureQuad(const Media::ResourceBuffer& picture)
{
    auto quad = std::make_shared<Media::VertexListQuadPosUv>();
    const float w = picture.getWidth() * 0.5f, h = picture.getHeight() * 0.5f;
    quad->vertices = {{-w, -h, 0, 0, 0, 1, 0}, {w, -h, 0, 1, 0, 1, 0}, {w, h, 0, 1, 1, 1, 0}, {-w, h, 0, 0, 1, 1, 0}};
    return quad;
}

} // namespace

ParticleOutput::ParticleOutput()
    : MoveEffect(Name, EffectType::Output, MediaType::Video, MediaType::Video, L""),
      blendMode(items, L"合成モード", 0, blendModeList())
{
    EffectItemNumber::makeGroup(anchorGroup, {&x, &y, &z});
    pointItems = &anchorGroup;
}

uint64_t ParticleOutput::seed(uint64_t n, int layer, int start)
{
    const uint64_t g = static_cast<uint64_t>(static_cast<int64_t>(static_cast<int32_t>(
        (static_cast<uint32_t>(layer) << 16) ^ static_cast<uint32_t>(start))));
    const uint64_t s = 97553u * n + 135829u * g;
    const uint64_t a = (s ^ (s << 17) ^ K1) + g;
    const uint64_t b = (a ^ (a >> 19) ^ K2) + n;
    const uint64_t c = (b ^ (b << 41) ^ K3) + g;
    return (c ^ (c >> 47) ^ K4) + n;
}

uint64_t ParticleOutput::next(uint64_t x)
{
    const uint64_t y = 97555u * x - 135829u * (x / 135829u);
    const uint64_t a = y ^ (y << 17) ^ K1;
    const uint64_t b = a ^ (a >> 19) ^ K2;
    const uint64_t c = b ^ (b << 41) ^ K3;
    return c ^ (c >> 47) ^ K4;
}

float ParticleOutput::uniform(uint64_t x)
{
    return static_cast<float>(x % 4294967297ull) * 2.3283064e-10f;
}

EffectDefine* ParticleOutput::getDefaultInputEffect()
{
    EffectService* service = EffectService::Get();
    if (!service)
        return nullptr;
    try {
        return &service->findEffect(FigureLoad::Name);
    } catch (const std::exception&) {
        return nullptr;
    }
}

Render::RenderObject::DrawState ParticleOutput::getOutputView(Render::RenderObject& object)
{
    Render::RenderObject::DrawState state = object.drawState;
    state.x += static_cast<float>(x.getValue(object));
    state.y += static_cast<float>(y.getValue(object));
    state.z += static_cast<float>(z.getValue(object));
    if (blendMode.value != 0)
        state.blendMode = std::clamp(blendMode.value, 0, OutputShaderEffect::MaxBlendMode);
    // Just below one: a fading particle system counts as transparent.
    if (transparency.getValue(object) > 0)
        state.alpha *= 0.999999f;
    return state;
}

void ParticleOutput::outputVideo(Render::RenderObject& object, Media::RenderBuffer& target,
                                 std::unique_ptr<Media::ResourceBuffer>& picture)
{
    if (!picture || !object.object || !object.scene)
        return;
    object.focusFixedSize = true;
    const double perSecond = rate.getValue(object);
    if (!(perSecond > 0))
        return;
    const double interval = 1.0 / perSecond;
    const Edit::Scene& scene = *object.scene;
    if (scene.videoRate <= 0 || scene.videoScale <= 0)
        return;
    const double framesPerSecond = static_cast<double>(scene.videoRate) / scene.videoScale;

    const std::shared_ptr<Media::VertexList> source = object.vertices ? object.vertices : pictureQuad(*picture);
    const std::shared_ptr<Media::VertexList> particles = source->createEmpty();
    object.vertices = particles;

    const Edit::Object& drawn = *object.object;
    const int start = drawn.start;
    const double elapsed = (object.time - start) / framesPerSecond;
    double whole;
    const double c = std::modf(elapsed * perSecond, &whole) * interval;
    const bool byMotion = directionByMotion.value || rotationByMotion.value;
    auto at = [&object](const EffectItemNumber& item, double t) { return item.getValueAtTime(object, t); };
    auto position = [&](double t) {
        return Math::float3{static_cast<float>(at(x, t)), static_cast<float>(at(y, t)), static_cast<float>(at(z, t))};
    };

    // The newest particle first.
    for (int i = 0; i < MaxParticles && whole - i >= 0; ++i) {
        const auto n = static_cast<int64_t>(whole) - i;
        double t = n * interval * framesPerSecond + start;
        const double age = i * interval + c;

        const double lifetime = at(life, t);
        if (lifetime > 0 && age > lifetime)
            continue;
        const double size = at(zoom, t) + at(zoomSpeed, t) * age;
        if (size <= 0)
            continue;
        const double trans = at(transparency, t) + at(transparencySpeed, t) * age;
        if (trans >= 100)
            continue;
        const float alpha = static_cast<float>(std::clamp(1 - trans * 0.01, 0.0, 1.0));
        const double dist = at(speed, t) * age + at(acceleration, t) * 0.5 * age * age;
        const double fall = at(gravity, t) * 0.5 * age * age;
        uint64_t state = next(seed(static_cast<uint64_t>(n), object.layer, start));
        const double theta = (at(direction, t) + (uniform(state) - 0.5) * at(spread, t)) * std::numbers::pi / 180;
        const double spin = at(rotation, t) + at(rotationSpeed, t) * 360 * age;
        const double turns = at(rotationSpeed, t);

        if (randomPosition.value) {
            state = next(state);
            t = static_cast<float>(start) + uniform(state) * static_cast<float>(drawn.end - start);
        }
        const Math::float3 p = position(t);
        Math::float3 motion, axis;
        if (byMotion) {
            const Math::float3 q = position(t + 1);
            motion = normalized({p.x - q.x, p.y - q.y, p.z - q.z});
            axis = normalized({-motion.z, 0, motion.x}); // motion x (0, 1, 0)
        }

        const auto s = static_cast<float>(size * 0.01);
        Math::float4x4 m = Math::scaling(s, s, s);
        if (randomRotation3d.value) {
            const uint64_t a = next(state), b = next(a), cc = next(b), d = next(cc);
            const float rz = 2 * uniform(cc) - 1, r = std::sqrt(std::max(0.0f, 1 - rz * rz));
            const float phi = (2 * uniform(d) - 1) * std::numbers::pi_v<float>;
            const Math::float3 random = normalized({r * std::cos(phi), r * std::sin(phi), rz});
            const double angle = 360.0 * uniform(a) + uniform(b) * turns * 360 * age;
            m = m * Math::rotationNormal(random, static_cast<float>(angle));
        } else {
            m = m * Math::rotationZ(static_cast<float>(spin));
        }
        if (rotationByMotion.value && !isZero(axis))
            m = m * Math::rotationNormal(axis, static_cast<float>(-std::acos(std::clamp(motion.y, -1.0f, 1.0f)) *
                                                                 DegreesPerRadian));
        if (directionByMotion.value) {
            const auto along = static_cast<float>(dist);
            m = m * Math::translation(along * motion.x, along * motion.y, along * motion.z);
            if (!isZero(axis))
                m = m * Math::rotationNormal(axis, static_cast<float>((axis.z < 0 ? -theta : theta) * DegreesPerRadian));
            m = m * Math::translation(p.x, p.y + static_cast<float>(fall), p.z);
        } else {
            m = m * Math::translation(static_cast<float>(p.x - dist * std::sin(theta)),
                                      static_cast<float>(p.y + fall + dist * std::cos(theta)), p.z);
        }
        particles->appendTransformed(source, &m.m[0][0], alpha);
    }
    if (particles->isEmpty())
        return;
    // Every vertex carries the emitter already: the view must not add it again.
    Render::RenderObject::DrawState& own = object.drawState;
    const float keep[3] = {own.x, own.y, own.z};
    own.x -= static_cast<float>(x.getValue(object));
    own.y -= static_cast<float>(y.getValue(object));
    own.z -= static_cast<float>(z.getValue(object));
    shader.drawObject(object, target, *picture);
    own.x = keep[0];
    own.y = keep[1];
    own.z = keep[2];
}

} // namespace Effect
