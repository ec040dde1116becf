// Script files split into sections.
#include "core/file_name.h"
#include "core/text.h"
#include "effect/script_file_parser.h"
#include "tests/support/test_support.h"

#include <gtest/gtest.h>

using Effect::ScriptFileParser;
using Effect::ScriptSection;

namespace {

using Sections = std::vector<std::pair<std::string, std::string>>;

Sections load(const std::string& fileName, const std::string& bytes, bool ansi = false, bool forceMulti = false)
{
    const std::string path = TestKit::tempDir() + "/" + fileName;
    TestKit::writeFile(path, bytes);
    Sections out;
    for (const ScriptSection& s : ScriptFileParser::loadScriptFile(System::fromLocalPath(path), ansi, forceMulti))
        out.emplace_back(System::wideToUtf8(s.name), s.text);
    return out;
}

} // namespace

TEST(ScriptFile, SectionsByFileNameAndMarkerLines)
{
    struct Case {
        const char* file;
        const char* bytes;
        bool forceMulti;
        Sections expected;
    };
    const Case cases[] = {
        // A file whose name begins with the marker: its marker lines name the
        // sections, followed by the base name; a bare marker line loses its text.
        {"@B.anm2", "lead\n@A\na1\na2\n@C\r\nc\r@\nlost\n", false, {{"A@B", "a1\na2\n"}, {"C@B", "c\r"}}},
        // Names are trimmed of spaces; the last section runs to the end of the file.
        {"@sp.obj2", "@  名前 付き  \nx", false, {{"名前 付き@sp", "x"}}},
        {"@empty.anm2", "", false, {}},
        // Any other file is one section, marker lines and all.
        {"B.anm2", "@A\nbody\n", false, {{"B", "@A\nbody\n"}}},
        {"a.b.anm2", "x", false, {{"a.b", "x"}}},
        // A built-in collection: the marker lines alone name the sections.
        {"script.anm2", "@A\n1\n@B\n2\n", true, {{"A", "1\n"}, {"B", "2\n"}}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(load(c.file, c.bytes, false, c.forceMulti), c.expected) << c.file;
}

TEST(ScriptFile, OlderFilesAreConvertedFromTheAnsiCodePage)
{
    const std::string cp932 = System::wideToAnsi(L"--label:効果\n");
    ASSERT_NE(cp932, "--label:効果\n");
    EXPECT_EQ(load("old.anm", cp932, true), (Sections{{"old", "--label:効果\n"}}));
    // Without the flag the bytes are taken as they are; an old file already in
    // UTF-8 stays UTF-8.
    EXPECT_EQ(load("raw.anm2", cp932), (Sections{{"raw", cp932}}));
    EXPECT_EQ(load("utf8.anm", "--label:効果\n", true), (Sections{{"utf8", "--label:効果\n"}}));
}

TEST(ScriptFile, AMissingFileIsLoggedAndGivesNoSections)
{
    TestKit::LogCapture log;
    EXPECT_TRUE(ScriptFileParser::loadScriptFile(System::fromLocalPath(TestKit::tempDir() + "/none.anm2"), false, false)
                    .empty());
    EXPECT_TRUE(log.contains("WARN|Effect::ScriptFileParser::loadScriptFile|script file load faild.\nfailed to open file."));
}

TEST(ScriptFile, HeaderLinesSkipBlockComments)
{
    std::vector<std::string> lines;
    ScriptFileParser::forEachHeaderLine(
        "--a\n code\n--[[\n--hidden\n]] --after\n--b\r\n--[[ one line ]]\n--c\r--[[ unclosed\n--d",
        [&](std::string_view line) { lines.emplace_back(line); });
    EXPECT_EQ(lines, (std::vector<std::string>{"--a", "--b", "--c", "--d"}));
}
