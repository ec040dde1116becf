#pragma once
// The project reader under outside bytes: whatever the input, reading returns
// or throws the reader's own failure, and what was read saves and reads back
// whole and the same: load, save, load, save gives the same bytes twice.
#include "core/text.h"
#include "project/model/project.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <utility>
#include <exception>
#include <stdexcept>
#include <string>
#include <string_view>
#include <unistd.h>

namespace ProjectFuzz {

inline std::string saveToText(const Edit::Project& project)
{
    // In memory where the system has a folder for it: a save syncs its file to disk.
    static const std::string path = std::string(::access("/dev/shm", W_OK) == 0 ? "/dev/shm" : "/tmp") +
                                    "/velmora_fuzz_project_" + std::to_string(getpid()) + ".vmp2";
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
    const std::string saved = saveToText(project);
    Edit::Project again;
    const int dropped = again.loadProjectText(saved, L"saved.vmp2");
    const std::string resaved = saveToText(again);
    if (dropped == 0 && resaved == saved)
        return;
    // VELMORA_FUZZ_DUMP names a folder for the two texts of a finding.
    if (const char* folder = std::getenv("VELMORA_FUZZ_DUMP")) {
        for (const auto& [name, text] : {std::pair<const char*, const std::string*>{"/saved.vmp2", &saved},
                                         {"/resaved.vmp2", &resaved}})
            if (FILE* f = std::fopen((std::string(folder) + name).c_str(), "wb")) {
                std::fwrite(text->data(), 1, text->size(), f);
                std::fclose(f);
            }
    }
    throw std::logic_error(dropped ? "a saved project does not read back whole"
                                   : "a saved project reads back other than it was saved");
}

} // namespace ProjectFuzz
