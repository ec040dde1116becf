#include "effect/item_sources.h"

#include "media/yuv_format.h"

namespace Effect::ItemSources {

std::function<std::wstring(int id)> sceneName;
std::function<int(const std::wstring& name)> findScene;
std::function<std::wstring(int index)> colorSpaceName;
std::function<int(const std::wstring& name)> findColorSpace;

void installColorSpaces()
{
    // The tables are read at each call: they are built when the graphics device starts.
    colorSpaceName = [](int index) {
        const auto& table = Media::YUVformat::rgbToYuvTable();
        return index >= 0 && static_cast<size_t>(index) < table.size() ? table[index].name : std::wstring();
    };
    findColorSpace = [](const std::wstring& name) { return Media::YUVformat::findColorSpace(name); };
}

} // namespace Effect::ItemSources
