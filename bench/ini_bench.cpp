// Parses and writes a 20 MB project-like ini file and prints MB/s for both,
// beside the MB/s of merely reading the same file into memory.
#include "core/file.h"
#include "core/ini_file.h"
#include "core/text.h"
#include "platform/os/file.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <unistd.h>

namespace {
using Clock = std::chrono::steady_clock;

double seconds(Clock::time_point a, Clock::time_point b)
{
    return std::chrono::duration<double>(b - a).count();
}

std::string makeProject(size_t targetBytes)
{
    std::string text;
    text.reserve(targetBytes + 4096);
    text += "[Project]\r\nversion=2002000\r\nfile=C:\\Users\\user\\Videos\\project.vmp2\r\n";
    for (int object = 0; text.size() < targetBytes; ++object) {
        char buffer[1024];
        std::snprintf(buffer, sizeof buffer,
                      "[Object.%d]\r\nlayer=%d\r\nframe=%d,%d\r\nfocus=1\r\n"
                      "[Object.%d.0]\r\neffect.name=Image\r\nfile=C:\\media\\clip_%d.png\r\n"
                      "[Object.%d.1]\r\neffect.name=Standard Output\r\nX=%d.00\r\nY=-%d.00\r\nZ=0.00\r\n"
                      "Group=1\r\nZoom=100.000\r\nAlpha=0.00\r\nRotation=0.00\r\nBlend=Normal\r\n",
                      object, object % 100, object * 30, object * 30 + 29, object, object, object, object % 1920,
                      object % 1080);
        text += buffer;
    }
    return text;
}
} // namespace

int main()
{
    const size_t size = 20u << 20;
    char folder[] = "/tmp/velmora-bench-XXXXXX";
    if (!::mkdtemp(folder))
        return 1;
    std::string path = std::string(folder) + "/project.ini";
    std::string text = makeProject(size);
    {
        Platform::Os::File f;
        size_t done;
        f.open(path, Platform::Os::OpenMode::Replace);
        f.write(text.data(), text.size(), done);
        f.close();
    }
    std::wstring wpath = System::utf8ToWide(path);
    std::wstring outPath = System::utf8ToWide(std::string(folder) + "/out.ini");
    const double mb = text.size() / 1e6;
    const int rounds = 5;
    double readBest = 1e9, parseBest = 1e9, writeBest = 1e9;
    size_t sections = 0;
    for (int i = 0; i < rounds; ++i) {
        auto t0 = Clock::now();
        std::string bytes;
        Platform::Os::readWholeFile(path, bytes);
        auto t1 = Clock::now();
        System::IniFile ini;
        ini.loadFile(wpath.c_str(), false);
        auto t2 = Clock::now();
        ini.save(outPath.c_str());
        auto t3 = Clock::now();
        sections = ini.sectionCount();
        readBest = std::min(readBest, seconds(t0, t1));
        parseBest = std::min(parseBest, seconds(t1, t2));
        writeBest = std::min(writeBest, seconds(t2, t3));
    }
    std::printf("ini benchmark: %.1f MB, %zu sections, best of %d\n", mb, sections, rounds);
    std::printf("  read into memory: %8.1f MB/s\n", mb / readBest);
    std::printf("  parse (load):     %8.1f MB/s  (%.0f%% of read)\n", mb / parseBest, 100 * readBest / parseBest);
    std::printf("  write (save):     %8.1f MB/s\n", mb / writeBest);
    std::system((std::string("rm -rf ") + folder).c_str());
    return 0;
}
