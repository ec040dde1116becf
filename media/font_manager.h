#pragma once
// The registry of installed fonts by name. Filled once while the Direct2D
// service is built, then only read (from the main thread and render workers).
#include "core/menu_define.h"

#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

namespace Platform::Draw {
class Font;
}

namespace Media {

// A registered font: a menu entry (group "Font", the font name as key) that
// the font menu lists and the user may order, relabel and hide.
class FontDefine final : public Menu::MenuDefineBase {
public:
    FontDefine(const std::wstring& name, std::shared_ptr<Platform::Draw::Font> font, int order, bool visible);
    ~FontDefine();

    const wchar_t* getName() const override { return name_.c_str(); }
    const std::shared_ptr<Platform::Draw::Font>& font() const { return font_; }

private:
    std::wstring name_;
    std::shared_ptr<Platform::Draw::Font> font_;
};

class FontManager {
public:
    FontManager();
    ~FontManager();

    void registerFont();
    // The registered font (bold and italic derived from its family), or the
    // default family's font when the name is not registered.
    std::shared_ptr<Platform::Draw::Font> getFont(const wchar_t* name, bool bold, bool italic) const;
    // Sorted by name: case-insensitive, digit runs compared as numbers.
    std::vector<FontDefine*> getFontListByName() const;
    // Sorted by each definition's "order".
    std::vector<FontDefine*> getFontList() const;
    const FontDefine* findFont(const std::wstring& name) const;
    size_t fontCount() const { return fonts_.size(); }

private:
    std::unordered_map<std::wstring, std::unique_ptr<FontDefine>> fonts_;
    int32_t counter_ = 0;
};

// The family name used when a font is not registered: the style's
// [Font] "DefaultFamily", or what the system substitutes for it.
std::wstring defaultFontFamily();

// Name order of the user's locale for fonts, bookmarks and lists: digit runs
// as numbers; case, punctuation, symbols, kana type and width ignored.
int compareStringLocale(const std::wstring& a, const std::wstring& b);

} // namespace Media
