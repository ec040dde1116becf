#pragma once
// The program's icon in the desktop's notification area, with an information
// balloon. Main thread only.
#include <cstddef>
#include <string>

namespace Platform::Ui {

// Shows the icon (a PNG) with the balloon; false when the desktop has no
// notification area (nothing is shown).
bool showTrayIcon(const void* png, size_t size, const std::wstring& title, const std::wstring& text);
// Takes the icon away; nothing when none is shown.
void removeTrayIcon();
bool trayIconShown();

} // namespace Platform::Ui
