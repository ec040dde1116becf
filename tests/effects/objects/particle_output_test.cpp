// パーティクル出力: the random sequence against an independent port, where the
// particles of a frame are (rate, lifetime, fading, direction, spread, gravity,
// motion, the newest 10,000, a custom vertex list), and that a frame draws the
// same bytes in any order with one draw, while the layer and start change them.
#include "tests/effects/objects/object_source_fixture.h"

#include "effects/objects/figure_load.h"
#include "effects/objects/particle_output.h"
#include "media/render_buffer.h"
#include "media/resource_buffer.h"
#include "media/vertex_list.h"
#include "platform/gpu/gpu.h"

#include <cstdio>
#include <cstring>
#include <functional>
#include <numbers>
#include <sstream>

using namespace SourceTest;
using Effect::ParticleOutput;

namespace {

struct Particle {
    float x, y, alpha;
};

// The independent port of the random sequence (tests/effects/objects/particle_random.py).
std::string portCommand()
{
    return "python3 '" + std::string(VELMORA_TEST_SOURCE) + "/particle_random.py'";
}

class ParticleTest : public ObjectSourceFixture {
protected:
    static constexpr int W = 64, H = 48;

    void SetUp() override
    {
        ObjectSourceFixture::SetUp();
        edit->currentScene->width = W;
        edit->currentScene->height = H;
        object = edit->currentScene->createObject(ParticleOutput::Name, 0, 0, 2000);
        figure = std::dynamic_pointer_cast<Effect::FigureLoad>(object->effects.at(0));
        particles = std::dynamic_pointer_cast<ParticleOutput>(object->effects.at(1));
        ASSERT_TRUE(figure) << "the particle output stands on 図形 when placed alone";
        ASSERT_TRUE(particles);
        figure->size.setValue(4, 0);
        frame = makeFrame(W, H, TestKit::Picture(size_t(W) * H));
    }
    void TearDown() override
    {
        frame.reset();
        figure.reset();
        particles.reset();
        ObjectSourceFixture::TearDown();
    }

    // Renders an object frame into a cleared frame; the particles emitted stay
    // in `last` (their vertex list), the draws made in `draws`.
    std::vector<Particle> emit(int at)
    {
        const float clear[4] = {0, 0, 0, 0};
        d3d->context->clearRenderTarget(*frame->getRenderTargetView(), clear);
        last = renderAt(object, at);
        last.layer = object->layer;
        if (custom)
            last.vertices = custom;
        auto picture = figure->inputVideo(last);
        EXPECT_TRUE(picture);
        const uint64_t before = d3d->context->counters().draws;
        particles->outputVideo(last, *frame, picture);
        draws = d3d->context->counters().draws - before;
        std::vector<Particle> out;
        auto* list = dynamic_cast<Media::VertexListQuadPosUv*>(last.vertices.get());
        if (!list || list == custom.get())
            return out;
        for (size_t i = 0; i + 3 < list->vertices.size(); i += 4) {
            Particle p{0, 0, list->vertices[i].alpha};
            for (size_t k = i; k < i + 4; ++k) {
                p.x += list->vertices[k].x / 4;
                p.y += list->vertices[k].y / 4;
            }
            out.push_back(p);
        }
        return out;
    }
    std::string bytesOf(int at)
    {
        emit(at);
        return snapshot(*frame);
    }
    void setMoving(Effect::EffectItemNumber& item, double from, double to)
    {
        item.setMovement(Effect::EffectService::Get()->findMovement(L"直線移動").movement.get());
        item.resizeValues(2);
        item.setValue(from, 0);
        item.setValue(to, 1);
    }

    std::shared_ptr<Effect::FigureLoad> figure;
    std::shared_ptr<ParticleOutput> particles;
    std::unique_ptr<Media::RenderBuffer> frame;
    Render::RenderObject last;
    std::shared_ptr<Media::VertexListQuadPosUv> custom;
    uint64_t draws = 0;
};

} // namespace

TEST(ParticleRandom, SeedNextAndUniformEqualAnIndependentPort)
{
    struct Case {
        int layer, start;
        uint64_t n;
    };
    // The last two make the layer's 32-bit value negative (sign-extended).
    const Case cases[] = {{0, 0, 0}, {3, 100, 5}, {12, 7, 123456}, {32768, 1, 9}, {65535, 65535, 4000000000u}};
    std::string arguments = " 4";
    for (const Case& c : cases)
        arguments += " " + std::to_string(c.layer) + "," + std::to_string(c.start) + "," + std::to_string(c.n);
    std::string output;
    ASSERT_EQ(TestKit::runCommand(portCommand() + arguments, &output), 0);
    std::istringstream lines(output);
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "layer " << c.layer << " start " << c.start << " particle " << c.n);
        uint64_t state = ParticleOutput::seed(c.n, c.layer, c.start);
        for (int step = 0; step < 4; ++step) {
            std::string stateText, uniformText;
            ASSERT_TRUE(lines >> stateText >> uniformText);
            char mine[17];
            std::snprintf(mine, sizeof mine, "%016llx", static_cast<unsigned long long>(state));
            EXPECT_EQ(mine, stateText) << "step " << step;
            const float u = ParticleOutput::uniform(state);
            uint32_t bits;
            std::memcpy(&bits, &u, 4);
            std::snprintf(mine, sizeof mine, "%08x", bits);
            EXPECT_EQ(mine, uniformText) << "step " << step;
            EXPECT_TRUE(u >= 0 && u <= 1);
            state = ParticleOutput::next(state);
        }
    }
}

TEST_F(ParticleTest, WhereTheParticlesOfAFrameAre)
{
    using Set = std::function<void(ParticleOutput&)>;
    using Check = std::function<void(const std::vector<Particle>&)>;
    auto count = [](size_t n) { return [n](const std::vector<Particle>& p) { EXPECT_EQ(p.size(), n); }; };
    auto at = [](std::vector<std::array<float, 3>> want) {
        return [want](const std::vector<Particle>& p) {
            ASSERT_EQ(p.size(), want.size());
            for (size_t i = 0; i < want.size(); ++i) {
                EXPECT_NEAR(p[i].x, want[i][0], 1e-3) << "particle " << i << " (the newest first)";
                EXPECT_NEAR(p[i].y, want[i][1], 1e-3) << "particle " << i;
                EXPECT_NEAR(p[i].alpha, want[i][2], 1e-6) << "particle " << i;
            }
        };
    };
    struct Case {
        const char* what;
        Set set;
        int frame;
        Check check;
    };
    const Case cases[] = {
        {"rate 0.5: the first particle at the object's first frame", [](auto& o) { o.rate.setValue(0.5, 0); }, 0,
         count(1)},
        {"rate 0.5: no second before two seconds", [](auto& o) { o.rate.setValue(0.5, 0); }, 59, count(1)},
        {"rate 0.5: the second at two seconds", [](auto& o) { o.rate.setValue(0.5, 0); }, 60, count(2)},
        {"the first frame: one particle, of age 0, on the emitter",
         [](auto& o) {
             o.x.setValue(10, 0);
             o.y.setValue(-5, 0);
         },
         0, at({{10, -5, 1}})},
        {"lifetime 0: none dies", [](auto& o) { o.rate.setValue(1, 0); }, 300, count(11)},
        {"lifetime 2: ages above 2 s are gone",
         [](auto& o) {
             o.rate.setValue(1, 0);
             o.life.setValue(2, 0);
         },
         300, count(3)},
        {"transparency 0 fading 50 %/s: gone at age 2",
         [](auto& o) {
             o.rate.setValue(1, 0);
             o.speed.setValue(0, 0);
             o.transparencySpeed.setValue(50, 0);
         },
         60, at({{0, 0, 1}, {0, 0, 0.5f}})},
        {"spread 0: along direction 0, down the screen",
         [](auto& o) {
             o.rate.setValue(1, 0);
             o.spread.setValue(0, 0);
             o.speed.setValue(100, 0);
         },
         30, at({{0, 0, 1}, {0, 100, 1}})},
        {"direction 90 flies towards -x",
         [](auto& o) {
             o.rate.setValue(1, 0);
             o.spread.setValue(0, 0);
             o.speed.setValue(100, 0);
             o.direction.setValue(90, 0);
         },
         30, at({{0, 0, 1}, {-100, 0, 1}})},
        {"acceleration and gravity over the age",
         [](auto& o) {
             o.rate.setValue(1, 0);
             o.spread.setValue(0, 0);
             o.speed.setValue(100, 0);
             o.acceleration.setValue(20, 0);
             o.gravity.setValue(-8, 0);
         },
         60, at({{0, 0, 1}, {0, 110 - 4, 1}, {0, 240 - 16, 1}})},
        {"a still emitter with the direction from its motion: only gravity moves them",
         [](auto& o) {
             o.rate.setValue(1, 0);
             o.spread.setValue(90, 0);
             o.speed.setValue(100, 0);
             o.gravity.setValue(20, 0);
             o.x.setValue(7, 0);
             o.directionByMotion.value = true;
         },
         60, at({{7, 0, 1}, {7, 10, 1}, {7, 40, 1}})},
        {"more than 10,000 released: the newest 10,000",
         [](auto& o) {
             o.rate.setValue(500, 0);
             o.speed.setValue(0, 0);
         },
         900, count(10000)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        particles = std::dynamic_pointer_cast<ParticleOutput>(particles->create());
        object->effects[1] = particles;
        c.set(*particles);
        const std::vector<Particle> p = emit(c.frame);
        c.check(p);
        EXPECT_EQ(draws, 1u) << "all particles in one draw";
        EXPECT_TRUE(last.focusFixedSize);
    }

    // Rate 0 draws nothing.
    particles = std::dynamic_pointer_cast<ParticleOutput>(particles->create());
    object->effects[1] = particles;
    particles->rate.setValue(0, 0);
    EXPECT_TRUE(emit(30).empty());
    EXPECT_EQ(draws, 0u);
    EXPECT_TRUE(finite(readFrame(*frame)));
    for (const auto& px : readFrame(*frame))
        ASSERT_EQ(px[3], 0);
}

TEST_F(ParticleTest, TheSpreadTakesTheParticlesOwnRandomValue)
{
    particles->rate.setValue(1, 0);
    particles->spread.setValue(90, 0);
    particles->speed.setValue(100, 0);
    particles->direction.setValue(30, 0);
    const std::vector<Particle> p = emit(60);
    ASSERT_EQ(p.size(), 3u);
    std::string output;
    ASSERT_EQ(TestKit::runCommand(portCommand() + " 2 0,0,0 0,0,1", &output), 0);
    std::istringstream lines(output);
    for (int n = 0; n < 2; ++n) { // particles 0 and 1, of ages 2 and 1
        // The second line of each is next(seed); its uniform value picks the angle.
        std::string seedLine, nextLine;
        ASSERT_TRUE(std::getline(lines, seedLine) && std::getline(lines, nextLine));
        uint32_t bits = 0;
        ASSERT_EQ(std::sscanf(nextLine.c_str(), "%*x %x", &bits), 1);
        float u;
        std::memcpy(&u, &bits, 4);
        const double theta = (30 + (u - 0.5) * 90) * std::numbers::pi / 180;
        const double dist = 100.0 * (2 - n);
        EXPECT_NEAR(p[2 - n].x, -dist * std::sin(theta), 1e-3) << n;
        EXPECT_NEAR(p[2 - n].y, dist * std::cos(theta), 1e-3) << n;
    }
}

TEST_F(ParticleTest, MotionTurnsDirectionAndRotation)
{
    // The emitter moves along +x: with the direction from its motion a
    // particle flies back along the path, from where it was born.
    setMoving(particles->x, 0, 2000);
    particles->rate.setValue(1, 0);
    particles->spread.setValue(0, 0);
    particles->speed.setValue(50, 0);
    particles->directionByMotion.value = true;
    std::vector<Particle> p = emit(30);
    ASSERT_EQ(p.size(), 2u);
    EXPECT_NEAR(p[1].x, 0 - 50, 1e-2) << "born at x 0, one second back along the path";
    EXPECT_NEAR(p[1].y, 0, 1e-3);
    EXPECT_NEAR(p[0].x, 30, 1e-2) << "the newest on the emitter";

    // The rotation from the motion turns the quad from the path's direction:
    // moving along x, a quarter turn about z.
    particles->directionByMotion.value = false;
    particles->speed.setValue(0, 0);
    particles->rotationByMotion.value = true;
    emit(0);
    auto* list = dynamic_cast<Media::VertexListQuadPosUv*>(last.vertices.get());
    ASSERT_TRUE(list);
    ASSERT_EQ(list->vertices.size(), 4u);
    // Top-left (-2, -2) turned by -90 degrees about (0, 0, -1), a quarter
    // turn from x towards y: (2, -2).
    EXPECT_NEAR(list->vertices[0].x, 2, 1e-4);
    EXPECT_NEAR(list->vertices[0].y, -2, 1e-4);

    // Random 3D turns keep the particle's size and place.
    particles->rotationByMotion.value = false;
    particles->randomRotation3d.value = true;
    emit(0);
    list = dynamic_cast<Media::VertexListQuadPosUv*>(last.vertices.get());
    ASSERT_TRUE(list);
    float cx = 0, cy = 0, cz = 0;
    for (const auto& v : list->vertices) {
        cx += v.x / 4;
        cy += v.y / 4;
        cz += v.z / 4;
        EXPECT_NEAR(std::sqrt(v.x * v.x + v.y * v.y + v.z * v.z), std::sqrt(8.0f), 1e-4);
    }
    EXPECT_NEAR(cx, 0, 1e-4);
    EXPECT_NEAR(cy, 0, 1e-4);
    EXPECT_NEAR(cz, 0, 1e-4);
}

TEST_F(ParticleTest, ACustomVertexListIsWhatEachParticleCopies)
{
    custom = std::make_shared<Media::VertexListQuadPosUv>();
    custom->vertices = {{-1, -3, 0, 0, 0, 1, 0}, {5, -3, 0, 1, 0, 1, 0}, {5, 1, 0, 1, 1, 1, 0}, {-1, 1, 0, 0, 1, 1, 0},
                        {0, 0, 0, 0, 0, 0.5f, 0}, {2, 0, 0, 1, 0, 0.5f, 0}, {2, 2, 0, 1, 1, 0.5f, 0},
                        {0, 2, 0, 0, 1, 0.5f, 0}};
    particles->rate.setValue(1, 0);
    particles->spread.setValue(0, 0);
    particles->speed.setValue(10, 0);
    emit(30);
    auto* list = dynamic_cast<Media::VertexListQuadPosUv*>(last.vertices.get());
    ASSERT_TRUE(list);
    ASSERT_NE(list, custom.get()) << "the object's list is replaced by the particles'";
    ASSERT_EQ(list->vertices.size(), 16u) << "two particles of two quads each";
    // The older particle (second copy) is the custom geometry moved 10 down.
    for (size_t k = 0; k < 8; ++k) {
        EXPECT_FLOAT_EQ(list->vertices[8 + k].x, custom->vertices[k].x);
        EXPECT_FLOAT_EQ(list->vertices[8 + k].y, custom->vertices[k].y + 10);
        EXPECT_FLOAT_EQ(list->vertices[8 + k].alpha, custom->vertices[k].alpha);
        EXPECT_FLOAT_EQ(list->vertices[8 + k].u, custom->vertices[k].u);
    }
    EXPECT_EQ(draws, 1u);
}

TEST_F(ParticleTest, AnyOrderGivesTheSameBytesAndTheLayerOrStartChangesThem)
{
    particles->rate.setValue(30, 0);
    particles->speed.setValue(40, 0);
    particles->spread.setValue(360, 0);
    particles->rotationSpeed.setValue(1, 0);
    particles->transparencySpeed.setValue(20, 0);
    const std::string ten = bytesOf(10);
    EXPECT_TRUE(finite(readFrame(*frame)));
    long ink = 0;
    for (const auto& px : readFrame(*frame))
        ink += px[3] > 0;
    EXPECT_GT(ink, 40) << "particles were drawn";
    saveArtefact(readFrame(*frame), W, H, "particles_frame10.png");
    const std::string five = bytesOf(5);
    EXPECT_NE(five, ten);
    EXPECT_EQ(bytesOf(10), ten) << "frame 10 again, after frame 5";
    EXPECT_EQ(bytesOf(5), five);

    // On another layer, or starting elsewhere (the same age), every particle moves.
    edit->currentScene->moveObjectLayer(object, 3);
    EXPECT_NE(bytesOf(10), ten) << "another layer";
    edit->currentScene->moveObjectLayer(object, 0);
    EXPECT_EQ(bytesOf(10), ten);
    object->start = 4;
    object->end = 2004;
    EXPECT_NE(bytesOf(10), ten) << "another start";
}
