#pragma once
// The services the 2D drawing code needs, started in their order for a test.
#include "core/service.h"
#include "core/setting_service.h"
#include "media/direct2d_service.h"
#include "media/resource_service.h"

#include <gtest/gtest.h>

class DrawServices : public ::testing::Test {
protected:
    void SetUp() override
    {
        services.acquire<Setting::SettingService>();
        services.acquire<Media::Direct2DService>();
        services.acquire<Resource::ResourceService>();
    }
    void TearDown() override { services.releaseAll(); }
    System::ServiceStack services;
};
