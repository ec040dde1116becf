#pragma once
// The project reader under outside bytes: whatever the input, reading returns
// or throws the reader's own failure, and what was read saves and reads again
// to a fixed point (the second save equals the third).
#include "core/text.h"
#include "project/model/project.h"

#include <cstdint>
#include <cstdio>
#include <exception>
#include <stdexcept>
#include <string>
#include <string_view>
#include <unistd.h>

namespace ProjectFuzz {

inline std::string saveToText(const Edit::Project& project)
{
    static const std::string path = "/tmp/velmora_fuzz_project_" + std::to_string(getpid()) + ".vmp2";
    project.saveProjectFile(System::utf8ToWide(path).c_str());
    std::string text;
    if (FILE* f = std::fopen(path.c_str(), "rb")) {
        char buffer[65536];
        for (size_t n; (n = std::fread(buffer, 1, sizeof buffer, f)) > 0;)
            text.append(buffer, n);
        std::fclose(f);
    }
    std::remove(path.c_str());
    return text;
}

// Needs the settings and effect services running. Throws std::logic_error for a finding.
inline void readProjectFile(const uint8_t* data, size_t size)
{
    Edit::Project project;
    try {
        project.loadProjectText(std::string_view(reinterpret_cast<const char*>(data), size), L"fuzz.vmp2");
    } catch (const std::exception&) {
        return; // refused as a whole: the reader's own report
    }
    std::string texts[3];
    texts[0] = saveToText(project);
    for (int i = 1; i < 3; ++i) {
        Edit::Project again;
        if (again.loadProjectText(texts[i - 1], L"saved.vmp2") != 0)
            throw std::logic_error("a saved project does not read back whole");
        texts[i] = saveToText(again);
    }
    if (texts[1] != texts[2])
        throw std::logic_error("saving what was read does not reach a fixed point");
}

} // namespace ProjectFuzz
