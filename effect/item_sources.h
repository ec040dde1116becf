#pragma once
// What some parameter items look up in other parts of the program: the
// project's scenes and the YUV colour spaces. The owner of each installs its
// functions when it starts; until then the items see an empty set. (Figures
// and masks are chosen from the lists EffectItemFigureSelect::getFigureList
// and EffectItemMaskSelect::getMaskList, filled by their owners in the same way.)
#include <functional>
#include <string>
#include <vector>

namespace Effect::ItemSources {

// The name of a scene by id; empty for a scene that does not exist.
extern std::function<std::wstring(int id)> sceneName;
// The id of the first scene with that name; -1 for none.
extern std::function<int(const std::wstring& name)> findScene;
// The name of YUV colour space n (counted from 0); empty beyond the list.
extern std::function<std::wstring(int index)> colorSpaceName;
// 1 + the index of a colour space by name; 0 for an empty or unknown name.
extern std::function<int(const std::wstring& name)> findColorSpace;

// Installs the colour-space lookups over the media layer's YUV colour tables
// (the names of its RGB-to-YUV table, as the frame output chooses them).
void installColorSpaces();

} // namespace Effect::ItemSources
