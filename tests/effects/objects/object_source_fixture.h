#pragma once
// The world of the figure, text and waveform sources and the particle output:
// the media sources' world, with the error boxes they post collected, and
// helpers to look at what they draw.
#include "tests/effects/objects/source_fixture.h"

#include "media/image_service.h"
#include "media/resource_service.h"
#include "tests/media/picture_artefact.h"
#include "platform/ui/main_thread.h"
#include "render/render_object.h"

#include <algorithm>
#include <cmath>

namespace SourceTest {

class ObjectSourceFixture : public SourceFixture {
protected:
    void SetUp() override
    {
        SourceFixture::SetUp();
        resources = Resource::ResourceService::Get();
        reports = std::make_unique<TestKit::ReportCapture>();
    }
    void TearDown() override
    {
        reports.reset();
        SourceFixture::TearDown();
    }

    // The error boxes posted so far, once the main thread ran its queue.
    std::vector<std::string> postedErrors(size_t expected)
    {
        Platform::Ui::processMessagesUntil([&] { return reports->messages().size() >= expected; }, 5000);
        return reports->messages();
    }

    // A render object of the object at an object frame (30/1 scene).
    Render::RenderObject renderAt(const std::shared_ptr<Edit::Object>& placed, int frame)
    {
        Render::RenderObject r;
        r.scene = edit->currentScene.get();
        r.layer = placed->layer;
        r.frame = placed->start + frame;
        r.time = r.frame;
        r.resetObject(placed);
        r.objectList = std::make_shared<Render::ObjectList>(Render::ObjectList{placed});
        return r;
    }

    // No pixel of a picture is NaN or infinite.
    static ::testing::AssertionResult finite(const TestKit::Picture& p)
    {
        for (size_t i = 0; i < p.size(); ++i)
            for (float c : p[i])
                if (!std::isfinite(c))
                    return ::testing::AssertionFailure() << "pixel " << i << " holds " << c;
        return ::testing::AssertionSuccess();
    }

    // Writes a picture as a PNG under the build's artefacts for a person to look at.
    static void saveArtefact(const TestKit::Picture& p, int width, int height, const std::string& name)
    {
        TestKit::saveArtefact(p, width, height, name);
    }

    Resource::ResourceService* resources = nullptr;
    std::unique_ptr<TestKit::ReportCapture> reports;
};

} // namespace SourceTest
