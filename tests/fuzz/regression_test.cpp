// Every input kept under tests/fuzz/regressions/<target>/ (inputs that once made
// a target crash, hang or report) runs through its target again.
#include "tests/fuzz/fuzz_target.h"
#include "tests/support/test_support.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <ostream>
#include <string>
#include <vector>

namespace {

struct Case {
    std::string target;
    std::string path;
    std::string name;
};

// The input as test output names it.
void PrintTo(const Case& c, std::ostream* out)
{
    *out << c.target << "/" << c.path.substr(c.path.find_last_of('/') + 1);
}

std::vector<Case> keptInputs()
{
    std::vector<Case> cases;
    for (const auto& [target, entry] : Fuzz::targets()) {
        const std::string folder = std::string(VELMORA_FUZZ_REGRESSIONS) + "/" + target;
        for (const std::string& file : TestKit::listFolder(folder)) {
            std::string name = target + "_" + file;
            std::replace_if(name.begin(), name.end(), [](unsigned char c) { return !std::isalnum(c); }, '_');
            cases.push_back({target, folder + "/" + file, name});
        }
    }
    return cases;
}

class FuzzRegression : public ::testing::TestWithParam<Case> {};

TEST_P(FuzzRegression, RunsThroughItsTarget)
{
    const Case& c = GetParam();
    const std::string bytes = TestKit::readFile(c.path);
    const Fuzz::Entry entry = Fuzz::targets().at(c.target);
    // On the main thread, as the parsers run in the program (some reach the toolkit);
    // an input that once hung fails by the test's time limit.
    entry(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size());
}

INSTANTIATE_TEST_SUITE_P(Kept, FuzzRegression, ::testing::ValuesIn(keptInputs()),
                         [](const ::testing::TestParamInfo<Case>& info) { return info.param.name; });
GTEST_ALLOW_UNINSTANTIATED_PARAMETERIZED_TEST(FuzzRegression);

} // namespace
