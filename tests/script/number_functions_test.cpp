// The global bit, colour and rotation functions and obj.interpolation, run in
// both engines and checked against independent references: luajit's own bit
// library, Python's colorsys, and values worked out by hand.
#include "core/text.h"
#include "tests/script/script_fixture.h"

#include <cmath>
#include <sstream>

using namespace ScriptTest;

namespace {

class NumberFunctions : public ScriptWorld {
protected:
    // The results of the Lua expression list, joined with ",".
    std::string values(const std::string& expression, const char* key)
    {
        return System::wideToUtf8(run("mes(table.concat({" + expression + "}, ','))", key));
    }
};

// Runs a Lua program in the luajit interpreter; its standard output.
std::string luajit(const std::string& program)
{
    const std::string path = TestKit::tempDir() + "/reference.lua";
    TestKit::writeFile(path, program);
    std::string output;
    EXPECT_EQ(TestKit::runCommand("luajit " + path, &output), 0);
    return output;
}

std::string python(const std::string& program)
{
    const std::string path = TestKit::tempDir() + "/reference.py";
    TestKit::writeFile(path, program);
    std::string output;
    EXPECT_EQ(TestKit::runCommand("python3 " + path, &output), 0);
    return output;
}

std::vector<double> numbers(const std::string& text)
{
    std::vector<double> out;
    std::istringstream in(text);
    for (std::string part; std::getline(in, part, ',');)
        out.push_back(std::stod(part));
    return out;
}

std::vector<std::string> lines(const std::string& text)
{
    std::vector<std::string> out;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);)
        out.push_back(line);
    return out;
}

} // namespace

TEST_F(NumberFunctions, BitOperationsAgreeWithTheBitLibrary)
{
    // OR, AND, XOR on the low 32 bits as unsigned; SHIFT as the library's
    // lshift and, for counts -1 to -31, arshift.
    const char* arguments[] = {"-1, 0", "0x12345678, 0x0F0F0F0F", "2^32 + 5, 3", "-2^31, 1", "0, 0",
                               "0xFFFF0000, 0x00FFFF00", "-123456, 654321"};
    const char* shifts[] = {"1, 31", "1, 33", "-8, -1", "0x7FFFFFFF, 4", "-2^31, -31", "12345, 0", "3, 64", "-1, -7"};
    std::string reference = "local function u(x) return x % 2^32 end\n";
    for (const char* a : arguments)
        reference += std::string("print(u(bit.bor(") + a + ")), u(bit.band(" + a + ")), u(bit.bxor(" + a + ")))\n";
    for (const char* s : shifts)
        reference += std::string("do local a, n = ") + s +
                     " if n >= 0 then print(bit.lshift(a, n)) else print(bit.arshift(a, -n)) end end\n";
    const std::vector<std::string> expected = lines(luajit(reference));
    ASSERT_EQ(expected.size(), std::size(arguments) + std::size(shifts));
    for (const char* key : EngineKeys) {
        SCOPED_TRACE(key);
        size_t i = 0;
        for (const char* a : arguments) {
            std::string want = expected[i++];
            for (char& c : want)
                c = c == '\t' ? ',' : c;
            EXPECT_EQ(values(std::string("OR(") + a + "), AND(" + a + "), XOR(" + a + ")", key), want) << a;
        }
        for (const char* s : shifts)
            EXPECT_EQ(values(std::string("SHIFT(") + s + ")", key), expected[i++]) << s;
        // Right shifts past 31 work on the 64-bit sign extension.
        EXPECT_EQ(values("SHIFT(-8, -40), SHIFT(2^30, -33), SHIFT(-1, -64), SHIFT(4, -65)", key), "-1,0,-1,2");
        EXPECT_EQ(values("OR(-1, 0), SHIFT(1, 31)", key), "4294967295,-2147483648");
    }
}

TEST_F(NumberFunctions, RgbSplitsPacksAndBlendsOverTheObject)
{
    for (const char* key : EngineKeys) {
        SCOPED_TRACE(key);
        EXPECT_EQ(values("RGB(300, -5, 128), RGB(1, 2, 3), RGB(255, 255, 255, nil, nil)", key), "16711808,66051,16777215");
        EXPECT_EQ(values("RGB(0x123456)", key), "18,52,86");
        EXPECT_EQ(values("RGB(-1)", key), "255,255,255");
        // Progress (time - start) / frame count of a 100-frame object.
        object->start = 10;
        object->end = 109;
        render.time = 10;
        EXPECT_EQ(values("RGB(255, 0, 0, 0, 0, 255)", key), std::to_string(0xFF0000));
        render.time = 109;
        EXPECT_EQ(values("RGB(255, 0, 0, 0, 0, 255)", key), std::to_string(0x0300FC));
        render.time = 60; // p = 0.5: 127.5 rounds away from zero
        EXPECT_EQ(values("RGB(255, 0, 0, 0, 0, 255), RGB(0, 0, 0, 600, -600, 1)", key),
                  std::to_string(128 << 16 | 128) + "," + std::to_string(255 << 16 | 1));
        EXPECT_EQ(TestKit::errorText([&] { values("RGB('x')", key); }).find("bad argument #1 to 'RGB'") !=
                      std::string::npos,
                  true);
    }
}

TEST_F(NumberFunctions, HsvAgreesWithColorsys)
{
    const int colours[] = {0xFF0000, 0x00FF00, 0x123456, 0x808080, 0, 0xFFFFFF, 0xFF8000, 0x7F00FF, 0x010203};
    const double hsvs[][3] = {{120, 100, 100}, {0, 100, 100}, {359, 50, 50}, {720 + 40, 100, 100}, {-90, 100, 100},
                              {210, 25, 80},   {45, 0, 60},   {300, 100, 0}, {180, 150, 100}};
    std::string program = "import colorsys, math\n"
                          "def byte(c): return max(0, min(255, math.floor(c * 255 + 0.5)))\n";
    for (int c : colours)
        program += "h, s, v = colorsys.rgb_to_hsv(" + std::to_string(c >> 16) + "/255, " +
                   std::to_string((c >> 8) & 255) + "/255, " + std::to_string(c & 255) +
                   "/255)\nprint('%.3f,%.3f,%.3f' % (h * 360, s * 100, v * 100))\n";
    for (const auto& h : hsvs) {
        std::ostringstream line;
        line << "r, g, b = colorsys.hsv_to_rgb((" << h[0] << " / 360) % 1, min(" << h[1] << " / 100, 1), " << h[2]
             << " / 100)\nprint(byte(r) * 65536 + byte(g) * 256 + byte(b))\n";
        program += line.str();
    }
    const std::vector<std::string> expected = lines(python(program));
    ASSERT_EQ(expected.size(), std::size(colours) + std::size(hsvs));
    for (const char* key : EngineKeys) {
        SCOPED_TRACE(key);
        size_t i = 0;
        for (int c : colours)
            EXPECT_EQ(values("string.format('%.3f,%.3f,%.3f', HSV(" + std::to_string(c) + "))", key), expected[i++])
                << std::hex << c;
        for (const auto& h : hsvs) {
            std::ostringstream call;
            call << "HSV(" << h[0] << ", " << (h[1] > 100 ? 100 : h[1]) << ", " << h[2] << ")";
            EXPECT_EQ(values(call.str(), key), expected[i++]) << call.str();
        }
        // The six-argument form moves every component, the hue without wrapping.
        object->start = 0;
        object->end = 9;
        render.time = 5;
        EXPECT_EQ(values("HSV(0, 100, 100, 240, 100, 100), HSV(350, 100, 100, 10, 100, 100)", key),
                  std::to_string(0x00FF00) + "," + std::to_string(0x00FFFF));
    }
}

TEST_F(NumberFunctions, RotationTurnsFourPointsAndWantsTenArguments)
{
    for (const char* key : EngineKeys) {
        SCOPED_TRACE(key);
        const std::vector<double> quarter = numbers(values("rotation(1, 0, 0, 1, -1, 0, 0, -1, 2, 90)", key));
        const double expected[] = {0, 2, -2, 0, 0, -2, 2, 0};
        ASSERT_EQ(quarter.size(), 8u);
        for (size_t i = 0; i < 8; ++i)
            EXPECT_NEAR(quarter[i], expected[i], 1e-5) << i;
        // 0.5 (3 cos -30 - 4 sin -30, 3 sin -30 + 4 cos -30), in single precision.
        const std::vector<double> turned = numbers(values("rotation(3, 4, 0, 0, 0, 0, 0, 0, 0.5, -30)", key));
        ASSERT_EQ(turned.size(), 8u);
        EXPECT_NEAR(turned[0], 0.5 * (3 * std::sqrt(3.0) / 2 + 2), 1e-5);
        EXPECT_NEAR(turned[1], 0.5 * (-1.5 + 2 * std::sqrt(3.0)), 1e-5);
        EXPECT_EQ(values("select('#', rotation(1, 2, 3, 4, 5, 6, 7, 8, 1)),"
                         "select('#', rotation(1, 2, 3, 4, 5, 6, 7, 8, 1, 0, 0))",
                         key),
                  "0,0");
    }
}

TEST_F(NumberFunctions, InterpolationFollowsTheSmoothCurveInOneToThreeDimensions)
{
    struct Case {
        const char* call;
        const char* expected;
    };
    const Case cases[] = {
        {"0.5, 0, 0, 1, 1", "0.500000"},                     // evenly spaced: a straight line
        {"0.25, 0, 1, 2, 3", "1.296875"},                    // handles at 1.5: evenly spaced, not even in t
        {"0.25, 0, 0, 1, 1", "0.156250"},                    // handles at 0 and 1: 3 t^2 (1 - t) + t^3
        {"0, 5, 7, 9, -4", "7.000000"},                      // t = 0 is P1
        {"1, 5, 7, 9, -4", "9.000000"},                      // t = 1 is P2
        {"0.5, 1, 3, 3, 4, 5, 6, 7", "3.000000"},            // P1 = P2: P1 (fewer than 9 arguments: one dimension)
        {"0.5, 0, 0, 1, 0, 2, 0, 3, 0", "1.500000 0.000000"}, // two dimensions along x
        {"0.5, 0, 0, 0, 1, 1, 1, 2, 2, 2, 3, 3, 3", "1.500000 1.500000 1.500000"},
        {"1, 0, 0, 0, 1, 2, 3, 4, 5, 6, 0, 0, 0", "4.000000 5.000000 6.000000"},
    };
    for (const char* key : EngineKeys) {
        SCOPED_TRACE(key);
        for (const Case& c : cases) {
            const int count = [&] {
                int n = 1;
                for (const char* p = c.call; *p; ++p)
                    n += *p == ',';
                return n;
            }();
            const std::string format = count < 9 ? "'%f'" : count < 13 ? "'%f %f'" : "'%f %f %f'";
            EXPECT_EQ(values("string.format(" + format + ", obj.interpolation(" + c.call + "))", key), c.expected)
                << c.call;
        }
    }
}

TEST_F(NumberFunctions, UnsupportedFunctionsStopTheScript)
{
    for (const char* key : EngineKeys)
        for (const char* name : {"getpixeldata", "putpixeldata", "filter"}) {
            SCOPED_TRACE(std::string(key) + " " + name);
            const std::string text = TestKit::errorText([&] { run(std::string("obj.") + name + "()", key); });
            EXPECT_NE(text.find("unsupported"), std::string::npos) << text;
        }
}
