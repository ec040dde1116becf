#pragma once
// Dialogs driven for real on the offscreen platform: a test installs the
// driver that works the dialog inside its modal loop.
#include "platform/ui/application.h"
#include "platform/ui/dialog_window.h"
#include "platform/ui/message.h"
#include "platform/ui/test_dialog.h"
#include "ui/window/tool_tips.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>

namespace DialogTest {

namespace Ui = Platform::Ui;
namespace Drive = Platform::Ui::TestDialog;

struct DialogFixture : ::testing::Test {
    void SetUp() override { Ui::initializeApplication(); }
    void TearDown() override
    {
        Ui::setDialogDriver(nullptr);
        Window::ToolTips::get().release();
        Ui::shutdownApplication();
    }
    // The driver for the next dialogs; counts the dialogs it saw.
    void drive(std::function<void(Ui::DialogHandle)> driver)
    {
        Ui::setDialogDriver([this, driver = std::move(driver)](Ui::DialogHandle dialog) {
            ++driven;
            driver(dialog);
        });
    }
    // The text of the hint shown now ("" when none).
    static std::wstring hint()
    {
        std::wstring text;
        return Drive::tipShown(&text) ? text : std::wstring();
    }
    int driven = 0;
};

} // namespace DialogTest
