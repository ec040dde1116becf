// Project files: read with the chain rules' effects registered; what reads
// must save and read again to a fixed point.
#include "tests/fuzz/effect_item_sample.h"
#include "tests/fuzz/fuzz_target.h"
#include "tests/project/project_file_fuzz.h"
#include "tests/project/test_effects.h"

#include <stdexcept>

FUZZ_TARGET(project_file)
{
    static const bool started = [] {
        Effect::EffectService::builtInEffects = {ProjectTest::registerEffects, nullptr};
        Fuzz::startEffectServices();
        return true;
    }();
    (void)started;
    try {
        ProjectFuzz::readProjectFile(data, size);
    } catch (const std::logic_error& e) {
        Fuzz::fail(e.what());
    }
}
