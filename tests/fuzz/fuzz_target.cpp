#include "tests/fuzz/fuzz_target.h"

namespace Fuzz {

std::map<std::string, Entry>& targets()
{
    static std::map<std::string, Entry> table;
    return table;
}

} // namespace Fuzz
