// Font files' GSUB tables, read for the vertical forms of glyphs whenever a font
// face is first used: a broken or hostile font must cost milliseconds.
#include "platform/draw/font_tables.h"
#include "tests/fuzz/fuzz_target.h"

FUZZ_TARGET(font_gsub)
{
    Platform::Draw::readVerticalSubstitutions(Platform::Draw::TableReader{data, size});
}
