#pragma once
// The preview's drawing options as edits: each logs, runs in an edit
// transaction that notifies the edit listeners and records no undo, and
// stores 1 or 0 in the video worker's option (section "Render.video").
namespace Edit::EditCommand {

void setGridXY(bool enable);
void setCameraGrid(bool enable);
void setCameraFreeView(bool enable);
// Whether preview frames tint the clipping objects.
void setVisibleClippingObjectView(bool enable);

} // namespace Edit::EditCommand
