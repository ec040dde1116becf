#include "core/ini_file.h"
#include "core/text.h"
#include "tests/support/test_support.h"

#include <gtest/gtest.h>

using namespace System;

namespace {
std::wstring writeIni(const std::string& name, const std::string& bytes)
{
    std::string path = TestKit::tempDir() + "/" + name;
    TestKit::writeFile(path, bytes);
    return utf8ToWide(path);
}
} // namespace

TEST(IniFile, ParsesLinesAsTheFormatSays)
{
    TestKit::LogCapture log;
    std::wstring path = writeIni("parse.ini",
                                 "key=before any header\r\n"     // 1 illegal
                                 "[A]\r\n"                       // 2
                                 "  spaced = value \r\n"         // 3 spaces belong to key and value
                                 "=empty key\r\n"                // 4
                                 "two=a=b\n"                     // 5 LF ending
                                 "\r\n"                          // 6 blank
                                 "; comment=x\r\n"               // 7
                                 "cr=in\rside\r\n"               // 8 lone CR stays
                                 "[A] \r\n"                      // 9 not a header: illegal
                                 "after=still A\r\n"             // 10
                                 "[]\r\n"                        // 11 empty name
                                 "lost=under empty header\r\n"   // 12 illegal
                                 "[B]\r\n"                       // 13
                                 "two=first\r\n"                 // 14
                                 "[A]\r\n"                       // 15 continues A
                                 "two=duplicate\r\n");           // 16
    IniFile ini;
    ini.loadFile(path.c_str(), false);
    auto a = ini.getSection("A");
    EXPECT_EQ(a.findValue("  spaced ").text, " value ");
    EXPECT_EQ(a.findValue("").text, "empty key");
    EXPECT_EQ(a.findValue("two").text, "a=b");
    EXPECT_EQ(a.findValue("two").line, 5);
    EXPECT_EQ(a.findValue("cr").text, "in\rside");
    EXPECT_EQ(a.findValue("after").text, "still A");
    EXPECT_EQ(ini.getSection("B").findValue("two").text, "first");
    EXPECT_EQ(ini.getSection("").findValue("lost").text, "");
    EXPECT_EQ(ini.sectionNames(), (std::vector<std::string>{"A", "", "B"}));

    std::string p = toLocalPath(path);
    EXPECT_TRUE(log.contains("WARN|System::IniFile::loadFile|ini file line illegal format. file=" + p + "(line 1)"));
    EXPECT_TRUE(log.contains("ini file line illegal format. file=" + p + "(line 9)"));
    EXPECT_TRUE(log.contains("ini file line illegal format. file=" + p + "(line 12)"));
    EXPECT_TRUE(log.contains("WARN|System::IniFile::loadFile|ini file parameter duplicate key? file=" + p +
                             "(line 16) section=A key=two"));
    EXPECT_TRUE(log.contains("VERBOSE|System::IniFile::loadFile|load ini file : " + p + " (section=3)"));
}

TEST(IniFile, SkipsAByteOrderMark)
{
    IniFile ini;
    ini.loadFile(writeIni("bom.ini", "\xEF\xBB\xBF[First]\r\nk=v\r\n").c_str(), false);
    EXPECT_EQ(ini.getSection("First").findValue("k").text, "v");
}

TEST(IniFile, DefaultFilesOnlyAddWhatIsMissing)
{
    TestKit::LogCapture log;
    IniFile ini;
    std::wstring user = writeIni("user.conf", "[Layout]\r\nScrollBarSize=30\r\n");
    std::wstring installed = writeIni("installed.conf", "[Layout]\r\nScrollBarSize=20\r\nFooterHeight=24\r\n"
                                                        "FooterHeight=25\r\n[Font]\r\nControl=9\r\n");
    ini.loadFile(user.c_str(), false);
    ini.loadFile(installed.c_str(), true);
    EXPECT_EQ(ini.getSection("Layout").findValue("ScrollBarSize").text, "30");
    EXPECT_EQ(ini.getSection("Layout").findValue("FooterHeight").text, "24");
    EXPECT_EQ(ini.getSection("Font").findValue("Control").text, "9");
    EXPECT_EQ(ini.savePath, user);
    EXPECT_FALSE(log.contains("duplicate")); // silent in a default file
    // A missing file leaves a non-default load empty.
    ini.loadFile(L"/nonexistent/x.ini", false);
    EXPECT_EQ(ini.sectionCount(), 0u);
}

TEST(IniFile, SavesByteExactlyInFileOrder)
{
    const std::string text = "[Project]\r\nwidth=1920\r\nname=\xE3\x82\xB7\xE3\x83\xBC\xE3\x83\xB3\r\n"
                             "[Empty]\r\n[Object.0]\r\nframe=0,100\r\nkey=a=b\r\n";
    IniFile ini;
    ini.loadFile(writeIni("in.ini", text).c_str(), false);
    std::wstring out = utf8ToWide(TestKit::tempDir() + "/out.ini");
    ini.save(out.c_str());
    EXPECT_EQ(TestKit::readFile(toLocalPath(out)), text);
    // Read it back and save again: still the same bytes.
    IniFile again;
    again.loadFile(out.c_str(), false);
    EXPECT_EQ(again.toText(), text);
}

TEST(IniFile, SavedFilesReadTheSameInAnIndependentReader)
{
    IniFile ini;
    ini.getValue("Edit", "ProjectWidth").text = "1920";
    ini.getValue("Edit", "GridX").text = "16,-16";
    ini.getValue("Window.scene.list", "Title").text = "scene list";
    std::wstring out = utf8ToWide(TestKit::tempDir() + "/independent.ini");
    ini.save(out.c_str());
    std::string script = "import configparser,sys\n"
                         "c=configparser.ConfigParser(interpolation=None,delimiters=('=',),strict=True)\n"
                         "c.optionxform=str\n"
                         "c.read(sys.argv[1],encoding='utf-8')\n"
                         "print(';'.join(s+':'+','.join(k+'='+c[s][k] for k in c[s]) for s in c.sections()))\n";
    TestKit::writeFile(TestKit::tempDir() + "/read.py", script);
    std::string output;
    ASSERT_EQ(TestKit::runCommand("python3 " + TestKit::tempDir() + "/read.py " + toLocalPath(out), &output), 0);
    EXPECT_EQ(output, "Edit:ProjectWidth=1920,GridX=16,-16;Window.scene.list:Title=scene list\n");
}

TEST(IniFile, ConversionsAndTheirReports)
{
    std::wstring path = writeIni("conv.ini", "[S]\r\nint=12abc\r\nletters=abc\r\nempty=\r\nbig=2147483648\r\n"
                                             "neg=-2147483648\r\nf=1.5e3x\r\nhuge=1e40\r\ncolor=00ff8040\r\n"
                                             "badcolor=0x00ff\r\nlist=9,Yu Gothic UI\r\n");
    IniFile ini;
    ini.loadFile(path.c_str(), false);
    auto s = ini.getSection("S");
    EXPECT_EQ(s.findValue("int").toInt(), 12);
    EXPECT_EQ(s.findValue("neg").toInt(), -2147483647 - 1);
    EXPECT_EQ(s.findValue("empty").toInt(5), 5);
    EXPECT_EQ(s.findValue("f").toFloat(), 1500.0f);
    EXPECT_EQ(s.findValue("f").toDouble(), 1500.0);
    EXPECT_EQ(s.findValue("empty").toString(L"def"), L"def");
    ColorF c = s.findValue("color").toRGBA();
    EXPECT_EQ(c.a, 64 / 255.0f);

    std::string p = toLocalPath(path);
    EXPECT_EQ(TestKit::errorText([&] { s.findValue("letters").toInt(5); }),
              "ini file parameter invalid format(int).\n\n[Note]\nfile=" + p +
                  "(line 3) section=S key=letters\n\n[Place]\nSystem::IniFile::VALUE::toInt()");
    EXPECT_EQ(TestKit::errorText([&] { s.findValue("empty").toInt(); }),
              "ini file parameter invalid format(int) or undefined.\n\n[Note]\nfile=" + p +
                  "(line 4) section=S key=empty\n\n[Place]\nSystem::IniFile::VALUE::toInt()");
    EXPECT_NE(TestKit::errorText([&] { s.findValue("big").toInt(); }).find("invalid format(int)"), std::string::npos);
    EXPECT_NE(TestKit::errorText([&] { s.findValue("huge").toFloat(); }).find("invalid format(float)"), std::string::npos);
    EXPECT_NE(TestKit::errorText([&] { s.findValue("badcolor").toRGBA(); }).find("invalid format(RGB) or undefined."),
              std::string::npos);
    EXPECT_NE(TestKit::errorText([&] { s.findValue("empty").toString(); }).find("invalid format(UTF8) or undefined."),
              std::string::npos);
    // A missing key: the shared empty value has no file, so the note is empty.
    EXPECT_EQ(TestKit::errorText([&] { s.findValue("nokey").toInt(); }),
              "ini file parameter invalid format(int) or undefined.\n\n[Note]\n\n\n[Place]\n"
              "System::IniFile::VALUE::toInt()");
    EXPECT_EQ(TestKit::errorText([&] { s.getValue("nokey"); }),
              "ini file parameter undefined.\n\n[Note]\n section=S key=nokey\n\n[Place]\n"
              "System::IniFile::SectionRef::getValue()");

    auto parts = s.findValue("list").split(",");
    ASSERT_EQ(parts.size(), 2u);
    EXPECT_EQ(parts[0].toInt(), 9);
    EXPECT_EQ(parts[1].toString(), L"Yu Gothic UI");
    EXPECT_NE(TestKit::errorText([&] { parts[1].toInt(); }).find("(line 11) section=S key=list"), std::string::npos);
    EXPECT_EQ(IniFile::VALUE{}.split(",").size(), 1u);
}

TEST(IniFile, NumberedSectionsAndAddedValues)
{
    IniFile ini;
    ini.getValue("Object.3", "x").text = "1";
    EXPECT_EQ(ini.getNumberedSection("Object", 3).findValue("x").text, "1");
    EXPECT_FALSE(ini.getNumberedSection("Object", 4).exists());
    IniFile::VALUE& added = ini.getValue("New", "k");
    EXPECT_EQ(added.text, "");
    EXPECT_EQ(added.line, 0);
    EXPECT_EQ(added.file, &ini);
    std::string longName(100, 'n');
    ini.addSection(longName.substr(0, 63).c_str());
    EXPECT_TRUE(ini.getNumberedSection(longName.c_str(), 7).exists()); // cut at 63 bytes
    ini.addSection((longName.substr(0, 60) + ".12").c_str());
    EXPECT_TRUE(ini.getNumberedSection(longName.substr(0, 60).c_str(), 123).exists());
}
