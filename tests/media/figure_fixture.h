#pragma once
// The services that draw figures and wipe masks on the software GPU, and the
// measurements the tests take of the pictures they make.
#include "core/service.h"
#include "core/setting_service.h"
#include "core/text.h"
#include "media/direct2d_service.h"
#include "media/image_service.h"
#include "media/resource_service.h"
#include "tests/media/gpu_fixture.h"

#include <gtest/gtest.h>

#include <string>

namespace TestKit {

class FigureFixture : public GpuFixture {
protected:
    // Files the resource service lists must exist before SetUp.
    void SetUp() override
    {
        services.acquire<Setting::SettingService>();
        services.acquire<Media::ImageService>();
        services.acquire<Media::Direct2DService>();
        GpuFixture::SetUp();
        resources = services.acquire<Resource::ResourceService>();
    }
    void TearDown() override
    {
        services.releaseAll();
        GpuFixture::TearDown();
    }

    // The alpha of every pixel of a picture in the working or the mask format.
    std::vector<float> alphaOf(const Media::ResourceBuffer& buffer)
    {
        std::vector<float> alpha(size_t(buffer.getWidth()) * buffer.getHeight());
        if (buffer.getFormat() == Media::Format::A8Unorm) {
            auto image = buffer.readImageBuffer();
            for (uint32_t y = 0; y < buffer.getHeight(); ++y)
                for (uint32_t x = 0; x < buffer.getWidth(); ++x)
                    alpha[size_t(y) * buffer.getWidth() + x] = image->row(y)[x] / 255.0f;
        } else {
            Picture p = download(buffer);
            for (size_t i = 0; i < p.size(); ++i)
                alpha[i] = p[i][3];
        }
        return alpha;
    }
    static double coverage(const std::vector<float>& alpha)
    {
        double sum = 0;
        for (float a : alpha)
            sum += a;
        return sum;
    }

    System::ServiceStack services;
    Resource::ResourceService* resources = nullptr;
};

} // namespace TestKit
