#include "ui/menus/dialog.h"

#include "core/log.h"
#include "core/text.h"
#include "platform/ui/application.h"

namespace Dialog {

void showException(const std::exception& e)
{
    System::Log::error("Dialog::showException", "show exception dialog.\n%s", e.what());
    Platform::Ui::MessageBox box;
    box.text = System::ansiToWide(e.what());
    box.caption = L"velmora2";
    box.icon = Platform::Ui::BoxIcon::Error;
    Platform::Ui::showMessageBox(box);
}

} // namespace Dialog
