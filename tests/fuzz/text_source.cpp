// Text files dropped on a text object: read as UTF-8, else as CP932, into the
// object's text; then the object's name (at most 100 UTF-16 units and "...",
// no control characters), the script blocks replaced (no engine runs here:
// each block gives nothing) and, for texts of a sane length, the measuring pass
// of the length fit.
#include "core/setting_service.h"
#include "core/text.h"
#include "effect/effect_service.h"
#include "effects/objects/text_input.h"
#include "media/direct2d_service.h"
#include "media/resource_service.h"
#include "platform/draw/font.h"
#include "render/render_object.h"
#include "tests/fuzz/fuzz_services.h"
#include "tests/fuzz/fuzz_target.h"

#include <cmath>
#include <cstdio>
#include <string>
#include <unistd.h>

namespace {

size_t utf16Length(const std::wstring& text)
{
    size_t units = 0;
    for (wchar_t c : text)
        units += static_cast<uint32_t>(c) >= 0x10000 ? 2 : 1;
    return units;
}

} // namespace

FUZZ_TARGET(text_source)
{
    // The fonts before the effects: a text's font list is read from them once.
    Fuzz::startServices<Setting::SettingService, Media::Direct2DService, Resource::ResourceService,
                        Effect::EffectService>([] { Platform::Draw::FontCollection::system(); });
    static const std::string path = [] {
        char name[] = "/tmp/velmora-fuzz-text-XXXXXX";
        const int fd = mkstemp(name);
        if (fd >= 0)
            close(fd);
        return std::string(name) + ".txt";
    }();
    if (FILE* f = std::fopen(path.c_str(), "wb")) {
        std::fwrite(data, 1, size, f);
        std::fclose(f);
    }

    Effect::TextInput source;
    const std::wstring widePath = System::utf8ToWide(path);
    Effect::ItemEvent dropped;
    dropped.code = Effect::ItemEvent::FileSet;
    dropped.payload = widePath.c_str();
    if (!source.itemEvent(dropped))
        Fuzz::fail("an existing file was not read");
    const std::wstring& text = source.text.text;

    const std::wstring name = source.getName();
    if (text.empty()) {
        if (name != Effect::TextInput::Name)
            Fuzz::fail("an empty text is not named by the effect");
    } else {
        const bool cut = utf16Length(text) > Effect::TextInput::NameLength;
        if (cut && (name.size() < 3 || name.compare(name.size() - 3, 3, L"...") != 0))
            Fuzz::fail("a long text's name does not end in ...");
        const std::wstring shown = cut ? name.substr(0, name.size() - 3) : name;
        if (utf16Length(shown) > Effect::TextInput::NameLength)
            Fuzz::fail("the name is longer than 100 units");
        if (!cut && shown.size() != text.size())
            Fuzz::fail("a short text's name changed its length");
        for (size_t i = 0; i < shown.size(); ++i) {
            if (static_cast<uint32_t>(shown[i]) < 0x20)
                Fuzz::fail("a control character in the name");
            const wchar_t expected = text[i] == L'\n' ? wchar_t(0x23CE) : static_cast<uint32_t>(text[i]) < 0x20 ? L' ' : text[i];
            if (shown[i] != expected)
                Fuzz::fail("the name is not the text's start");
        }
    }

    Render::RenderObject render;
    const std::wstring expanded = source.expandScript(render);
    if (expanded.size() > text.size())
        Fuzz::fail("blocks that give nothing lengthened the text");
    if (expanded.find(L"<?") == std::wstring::npos && text.find(L"<?") == std::wstring::npos && expanded != text)
        Fuzz::fail("a text without blocks changed");

    // The length fit's measuring pass, for texts the layout can afford.
    if (text.size() <= 2000) {
        source.speed.setValue(10, 0);
        const double seconds = source.getDisplayTime();
        if (!(seconds >= 0) || !std::isfinite(seconds))
            Fuzz::fail("the display time is not a time");
    }
}
