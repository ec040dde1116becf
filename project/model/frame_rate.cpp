#include "project/model/frame_rate.h"

#include "core/setting_service.h"

#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <string>

namespace Edit {

namespace {

bool parseWhole(const std::string& text, double& out)
{
    const char* begin = text.c_str();
    char* end = nullptr;
    errno = 0;
    out = std::strtod(begin, &end);
    return end != begin && *end == '\0' && errno != ERANGE && std::isfinite(out);
}

bool parseInt(const char* begin, const char* stop, int& out)
{
    char* end = nullptr;
    errno = 0;
    const long v = std::strtol(begin, &end, 10);
    if (end == begin || end != stop || errno == ERANGE || v < -2147483647L - 1 || v > 2147483647L)
        return false;
    out = static_cast<int>(v);
    return true;
}

// "rate/scale" or "rate" (scale 1).
bool parseRate(const std::string& text, int& rate, int& scale)
{
    const char* begin = text.c_str();
    const char* stop = begin + text.size();
    const size_t slash = text.find('/');
    if (slash == std::string::npos) {
        scale = 1;
        return parseInt(begin, stop, rate);
    }
    return parseInt(begin, begin + slash, rate) && parseInt(begin + slash + 1, stop, scale);
}

// Calls f(key value, rate, scale) for each entry that parses, in file order, until f returns true.
template <class F>
bool findEntry(F&& f)
{
    Setting::SettingService* settings = Setting::SettingService::Get();
    if (!settings)
        return false;
    const System::IniFile::SectionRef section = settings->system.file.getSection(settings->system.frameRate.name);
    for (const System::IniFile::Entry& entry : section.section()) {
        double value;
        int rate, scale;
        if (parseWhole(entry.key, value) && parseRate(entry.value.text, rate, scale) && f(value, rate, scale))
            return true;
    }
    return false;
}

} // namespace

double getFrameRateValue(int rate, int scale)
{
    double result = 0.0;
    if (findEntry([&](double value, int r, int s) {
            result = value;
            return r == rate && s == scale;
        }))
        return result;
    return scale != 0 ? static_cast<double>(rate) / scale : 0.0;
}

void setFrameRateValue(int& rate, int& scale, double fps)
{
    if (findEntry([&](double value, int r, int s) {
            if (value != fps)
                return false;
            rate = r;
            scale = s;
            return true;
        }))
        return;
    double scaled = std::round(fps * 1000000.0); // halves away from zero
    if (std::isnan(scaled))
        scaled = 0.0;
    rate = scaled >= 2147483647.0 ? 2147483647 : scaled <= -2147483648.0 ? -2147483647 - 1 : static_cast<int>(scaled);
    scale = 1000000;
    while (rate % 10 == 0 && scale > 1) {
        rate /= 10;
        scale /= 10;
    }
}

int64_t frameToSample(double frames, int audioRate, int videoRate, int videoScale)
{
    if (videoRate <= 0)
        return 0;
    return std::llround(static_cast<double>(audioRate) * frames * videoScale / videoRate);
}

} // namespace Edit
