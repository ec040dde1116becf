#include "media/font_manager.h"

#include "platform/draw/collate.h"

#include "core/failure.h"
#include "core/ini_file.h"
#include "core/log.h"
#include "core/setting_service.h"
#include "core/text.h"
#include "platform/draw/font.h"

#include <algorithm>
#include <cwctype>

namespace Media {

using Platform::Draw::FontCollection;
using Platform::Draw::FontStyle;
using Platform::Draw::LocalizedName;

namespace {
constexpr const char* RegisterPlace = "Media::FontManager::registerFont";

// The name for the user's locale, else "en-us", else the first one.
const LocalizedName* chooseName(const std::vector<LocalizedName>& names, const std::wstring& locale, bool* localized)
{
    if (localized)
        *localized = false;
    if (names.empty())
        return nullptr;
    int index = Platform::Draw::findLocaleName(names, locale);
    if (index >= 0) {
        if (localized)
            *localized = true;
        return &names[static_cast<size_t>(index)];
    }
    index = Platform::Draw::findLocaleName(names, L"en-us");
    return &names[static_cast<size_t>(index >= 0 ? index : 0)];
}
} // namespace

FontDefine::FontDefine(const std::wstring& name, std::shared_ptr<Platform::Draw::Font> font, int defaultOrder,
                       bool visible)
    : MenuDefineBase("Font", name.c_str(), defaultOrder, L"", visible), name_(name), font_(std::move(font))
{
}

FontDefine::~FontDefine() = default;

FontManager::FontManager() = default;
FontManager::~FontManager() = default;

void FontManager::registerFont()
{
    const std::wstring locale = Platform::Draw::userLocaleName();
    const FontCollection& collection = FontCollection::system();
    fonts_.reserve(static_cast<size_t>(collection.getFamilyCount()));
    for (int i = 0; i < collection.getFamilyCount(); ++i) {
        try {
            auto family = collection.getFontFamily(i);
            bool localized = false;
            const LocalizedName* familyName = chooseName(family->getFamilyNames(), locale, &localized);
            if (!familyName)
                throw System::makeHresultException("family->GetFamilyNames", RegisterPlace,
                                                   static_cast<int32_t>(0x80004005u));
            for (int k = 0; k < family->getFontCount(); ++k) {
                auto font = family->getFont(k);
                if (font->getStyle() != FontStyle::Normal)
                    continue; // italic and oblique fonts are reached through their upright member
                const LocalizedName* win32 = chooseName(font->getWin32FamilyNames(), locale, nullptr);
                const std::wstring name = win32 ? win32->name : familyName->name;
                const int order = counter_++;
                if (fonts_.count(name))
                    continue; // the first font of a name wins
                fonts_.emplace(name, std::make_unique<FontDefine>(name, font, order, localized));
                System::Log::info(RegisterPlace, L"register font [%s]%c", name.c_str(), localized ? L'*' : L' ');
            }
        } catch (const std::exception&) {
            // A failing family is skipped; its report is already logged.
        }
    }
}

std::wstring defaultFontFamily()
{
    std::wstring family = Setting::Font::DefaultFamily;
    if (Setting::SettingService* settings = Setting::SettingService::Get())
        family = settings->font.get("DefaultFamily").toString(L"Yu Gothic UI");
    if (family.empty())
        family = L"Yu Gothic UI";
    if (FontCollection::system().findFamilyName(family) >= 0)
        return family;
    // Not installed here: take what the system's font configuration offers for
    // it, preferring a family that covers Japanese text.
    std::wstring substitute = Platform::Draw::substituteFamilyName(family);
    return substitute.empty() ? family : substitute;
}

std::shared_ptr<Platform::Draw::Font> FontManager::getFont(const wchar_t* name, bool bold, bool italic) const
{
    constexpr const char* Place = "Media::FontManager::getFont";
    auto it = fonts_.find(name ? name : L"");
    if (it != fonts_.end()) {
        const auto& font = it->second->font();
        if (!bold && !italic)
            return font;
        auto family = font->getFontFamily();
        if (!family)
            throw System::makeHresultException("font->GetFontFamily", Place, static_cast<int32_t>(0x80004005u));
        int weight = font->getWeight();
        if (bold)
            weight = std::clamp(weight + 200, 1, 999);
        FontStyle style = italic ? FontStyle::Italic : font->getStyle();
        auto match = family->getFirstMatchingFont(weight, font->getStretch(), style);
        if (!match)
            throw System::makeHresultException("family->GetFirstMatchingFont", Place, static_cast<int32_t>(0x80004005u));
        return match;
    }
    const FontCollection& collection = FontCollection::system();
    if (collection.getFamilyCount() == 0)
        throw System::makeHresultException("collection->GetFontFamily", Place, static_cast<int32_t>(0x80070490u));
    int index = collection.findFamilyName(defaultFontFamily());
    auto family = collection.getFontFamily(index < 0 ? 0 : index);
    auto match = family->getFirstMatchingFont(bold ? 600 : 400, 5, italic ? FontStyle::Italic : FontStyle::Normal);
    if (!match)
        throw System::makeHresultException("family->GetFirstMatchingFont", Place, static_cast<int32_t>(0x80004005u));
    return match;
}

int compareStringLocale(const std::wstring& a, const std::wstring& b)
{
    return Platform::Draw::compareNames(a, b);
}

std::vector<FontDefine*> FontManager::getFontListByName() const
{
    std::vector<FontDefine*> list;
    for (const auto& [name, define] : fonts_)
        list.push_back(define.get());
    std::sort(list.begin(), list.end(), [](const FontDefine* a, const FontDefine* b) {
        int c = compareStringLocale(a->getName(), b->getName());
        return c ? c < 0 : std::wstring(a->getName()) < b->getName();
    });
    return list;
}

std::vector<FontDefine*> FontManager::getFontList() const
{
    std::vector<FontDefine*> list = getFontListByName();
    std::stable_sort(list.begin(), list.end(), [](const FontDefine* a, const FontDefine* b) { return a->order < b->order; });
    return list;
}

const FontDefine* FontManager::findFont(const std::wstring& name) const
{
    auto it = fonts_.find(name);
    return it == fonts_.end() ? nullptr : it->second.get();
}

} // namespace Media
