#pragma once
// Shows what the object sources ask to show: their tooltips through the one
// tooltip, their menus as popup menus with sub-menus, their errors in the
// error box.
namespace Dialog {

void installSourceUi();
void uninstallSourceUi();

} // namespace Dialog
