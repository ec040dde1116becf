#include "effect/effect_item_file.h"

#include "core/file_name.h"
#include "core/text.h"
#include "effect/item_text.h"

namespace Effect {

namespace {
std::wstring expanded(std::wstring path)
{
    System::FileName::expandVariable(path);
    return path;
}
} // namespace

// ---- File ----

EffectItemFile::EffectItemFile(EffectItemList& owner, std::wstring name, const wchar_t* filter, std::wstring path,
                               bool clearable)
    : EffectItemBase(owner, EffectItemKind::File, std::move(name)), filter(filter), path(expanded(std::move(path))),
      clearable(clearable)
{
}

std::string EffectItemFile::toString() const
{
    return System::wideToUtf8(path);
}

void EffectItemFile::fromString(const std::string& text)
{
    path = expanded(System::utf8ToWide(text));
}

const wchar_t* EffectItemFile::getFilePath() const
{
    return path.c_str();
}

void EffectItemFile::setFilePath(const wchar_t* newPath)
{
    path = expanded(newPath ? newPath : L"");
}

// ---- ComboFile ----

EffectItemComboFile::EffectItemComboFile(EffectItemList& owner, std::wstring name, uint8_t kind,
                                         std::shared_ptr<EffectItemSelect::SharedList> list, int value)
    : EffectItemBase(owner, kind, std::move(name)), list(std::move(list)), value(value)
{
}

std::string EffectItemComboFile::toString() const
{
    if (value < 0)
        return System::wideToUtf8(path);
    // An entry the list does not (yet) hold, as before the figure list is
    // filled, saves as an empty text, which reads back as no change.
    const auto label = list->labels.find(value);
    return label == list->labels.end() ? std::string() : System::wideToUtf8(label->second);
}

void EffectItemComboFile::fromString(const std::string& text)
{
    const std::wstring wide = System::utf8ToWide(text);
    if (list->contains(wide)) {
        setSelectIndex(list->getValue(wide));
        return;
    }
    if (!wide.empty() && wide.find(L'.') != std::wstring::npos) {
        path = expanded(wide);
        value = -1;
    }
}

void EffectItemComboFile::fromTsoString(const std::string& text, const std::wstring&, const wchar_t*, bool)
{
    if (System::utf8ToWide(text).size() <= 2 && isIntText(text)) {
        setSelectIndex(parseInt(text));
        return;
    }
    fromString(text);
}

const wchar_t* EffectItemComboFile::getFilePath() const
{
    return path.c_str();
}

void EffectItemComboFile::setFilePath(const wchar_t* newPath)
{
    if (!newPath || !*newPath)
        return;
    path = expanded(newPath);
    value = -1;
}

void EffectItemComboFile::setSelectIndex(int v)
{
    value = list->labels.count(v) ? v : list->smallestValue();
    path.clear();
}

// ---- FigureSelect ----

const std::shared_ptr<EffectItemSelect::SharedList>& EffectItemFigureSelect::getFigureList()
{
    static const std::shared_ptr<EffectItemSelect::SharedList> list = EffectItemSelect::SharedList::create();
    return list;
}

EffectItemFigureSelect::EffectItemFigureSelect(EffectItemList& owner, std::wstring name, const wchar_t* figure,
                                               uint8_t kind)
    : EffectItemBase(owner, std::move(name), kind, getFigureList(), figure ? getFigureList()->getValue(figure) : 1)
{
}

} // namespace Effect
