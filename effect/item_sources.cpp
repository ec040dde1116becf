#include "effect/item_sources.h"

namespace Effect::ItemSources {

std::function<std::wstring(int id)> sceneName;
std::function<int(const std::wstring& name)> findScene;
std::function<std::wstring(int index)> colorSpaceName;
std::function<int(const std::wstring& name)> findColorSpace;

} // namespace Effect::ItemSources
