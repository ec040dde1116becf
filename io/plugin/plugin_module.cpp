#include "io/plugin/plugin_module.h"

#include "core/failure.h"
#include "core/file_name.h"
#include "core/log.h"
#include "core/module_trust_list.h"
#include "core/text.h"
#include "platform/os/module.h"

#include <cstring>

namespace Plugin {

namespace {
constexpr size_t TextMax = 65536; // characters of one module text

// Characters of a module text up to its end: one NUL, or two for a filter list.
size_t textLength(const char16_t* text, bool list)
{
    size_t n = 0;
    if (!list) {
        while (n < TextMax && text[n])
            ++n;
        return n;
    }
    // Up to the NUL of the last text, before the empty one.
    while (n < TextMax && !(text[n] == 0 && (n == 0 || text[n - 1] == 0)))
        ++n;
    return n;
}

std::wstring toWide(const std::u16string& text)
{
    std::wstring out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        char32_t c = text[i];
        if (c >= 0xD800 && c < 0xDC00 && i + 1 < text.size() && text[i + 1] >= 0xDC00 && text[i + 1] < 0xE000)
            c = 0x10000 + ((c - 0xD800) << 10) + (text[++i] - 0xDC00);
        else if (c >= 0xD800 && c < 0xE000)
            c = 0xFFFD;
        out.push_back(wchar_t(c));
    }
    return out;
}
} // namespace

void* loadPluginModule(const std::wstring& path, const char* getterName, const char* place, void*& getter)
{
    System::Log::info(place, L"LoadLibrary: %s", path.c_str());
    std::string error;
    void* module = Platform::Os::loadModule(System::toLocalPath(path), error);
    if (!module)
        throw System::makeException(place, "LoadLibrary() failed.", error.c_str());
    getter = Platform::Os::findSymbol(module, getterName);
    if (!getter) {
        Platform::Os::freeModule(module);
        const std::string note = std::string(getterName) + " not found";
        throw System::makeException(place, "GetProcAddress() failed.", note.c_str());
    }
    return module;
}

std::wstring copyModuleText(const char16_t* text, bool list, const char* place, const wchar_t* plugin)
{
    if (!text)
        return {};
    std::u16string copy;
    size_t n = 0;
    System::guardedCall("memcpy", place, [&] { n = textLength(text, list); }, plugin);
    copy.resize(n);
    System::guardedCall("memcpy", place, [&] { std::memcpy(copy.data(), text, n * sizeof(char16_t)); }, plugin);
    return toWide(copy);
}

std::u16string toModuleText(const std::wstring& text)
{
    std::u16string out;
    for (wchar_t w : text) {
        char32_t c = char32_t(w);
        if (c >= 0x10000 && c <= 0x10FFFF) {
            c -= 0x10000;
            out.push_back(char16_t(0xD800 + (c >> 10)));
            out.push_back(char16_t(0xDC00 + (c & 0x3FF)));
        } else {
            out.push_back(c < 0x10000 ? char16_t(c) : u'\uFFFD');
        }
    }
    return out;
}

std::vector<std::wstring> findTrustedModules(ModuleTrustList* trustList, const wchar_t* extension)
{
    std::vector<std::wstring> trusted;
    if (!trustList)
        return trusted;
    const std::wstring folder = System::FileName::expand(L"%Plugin%");
    // Listed sorted by name; the pattern's extension matches in any case.
    for (const auto& file : System::FileName::findFiles(folder + L"/*." + extension, folder.c_str())) {
        const size_t slash = file.path.find_last_of(L"/\\");
        const std::wstring name = slash == std::wstring::npos ? file.path : file.path.substr(slash + 1);
        if (trustList->confirmTrustModule(name, nullptr))
            trusted.push_back(file.path);
    }
    return trusted;
}

} // namespace Plugin
