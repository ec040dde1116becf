// Text objects' text with inline control tags (<#..>, <@..>, <s..>, <p..>, <r..>,
// <w..>, <c..>): measured, then drawn when the picture is of a sane size,
// horizontally or in vertical columns, whole or per character.
#include "core/setting_service.h"
#include "core/expressions.h"
#include "core/text.h"
#include "media/direct2d_service.h"
#include "media/resource_service.h"
#include "media/text_draw.h"
#include "platform/draw/font.h"
#include "platform/draw/target.h"
#include "tests/fuzz/fuzz_services.h"
#include "tests/fuzz/fuzz_target.h"

#include <algorithm>
#include <cmath>
#include <string>

FUZZ_TARGET(text_tags)
{
    Fuzz::startServices<Setting::SettingService, Media::Direct2DService, Resource::ResourceService>([] {
        // The installed fonts are listed once, when a font tag first names a family
        // (the font configuration keeps some of what it reads then for good).
        Platform::Draw::FontCollection::system();
    });

    Fuzz::Input in(data, size);
    const uint8_t flags = in.byte();
    const std::wstring text = System::utf8ToWide(in.restText());
    Media::TextDraw t;
    t.text = text.c_str();
    t.fontName = L"Noto Sans CJK JP";
    t.size = flags & 16 ? 300.0f : 24.0f;
    t.vertical = flags & 1;
    t.individual = flags & 2;
    t.borderFactor = flags & 4 ? 0.2f : 0.0f;
    t.shadowFactor = flags & 8 ? 0.2f : 0.0f;
    t.speed = flags & 32 ? 7.5 : 0.0;
    t.time = flags & 64 ? 0.5 : 1000.0;
    t.layout(nullptr);

    // Script blocks ("<?script?>") found in the same text: each lies inside it,
    // opens with "<?", closes with "?>", and the next search goes on after it.
    System::Expressions::TextScriptBlock block;
    for (size_t from = 0; System::Expressions::findTextScriptBlock(text, from, block); from = block.end) {
        if (block.begin < from || block.end > text.size() || block.end < block.begin + 4 ||
            text.compare(block.begin, 2, L"<?") != 0 || text.compare(block.end - 2, 2, L"?>") != 0 ||
            block.scriptBegin != block.begin + 2 || block.scriptBegin + block.scriptLength != block.end - 2)
            Fuzz::fail("script block out of place");
    }

    // Drawing costs what the picture costs: only pictures a fuzzer can afford.
    const int width = t.individual ? int(std::ceil(t.widestRow)) : t.blockWidth();
    const int height = t.individual ? int(std::ceil(t.atlasHeight)) : t.blockHeight();
    if (width <= 0 || height <= 0 || width > 1024 || height > 1024 || t.characterCount == 0)
        return;
    auto target = Platform::Draw::Target::createPicture(width, height);
    t.drawToTarget(*target);
}
