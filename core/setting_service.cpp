#include "core/setting_service.h"

#include "core/failure.h"
#include "core/log.h"
#include "platform/os/process.h"
#include "platform/ui/application.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace Setting {

namespace Layout {
int WindowSeparatorSize;
int FooterHeight;
int ScrollBarSize;
int SettingItemHeight;
int SettingItemHeightPlus2;
int ExplorerHeaderHeight;
int TitleHeaderHeight;
int ListItemHeight;
} // namespace Layout

namespace Font {
std::wstring DefaultFamily;
}

std::vector<SettingService::StyleUpdater>& SettingService::styleValueList()
{
    static std::vector<StyleUpdater> list;
    return list;
}

void registerStyleValue(int& target, std::function<int(SettingService&)> reader)
{
    target = 0;
    SettingService::styleValueList().push_back(
        [&target, reader = std::move(reader)](SettingService& s) { target = reader(s); });
}

void registerStyleValue(std::wstring& target, std::function<std::wstring(SettingService&)> reader)
{
    target.clear();
    SettingService::styleValueList().push_back(
        [&target, reader = std::move(reader)](SettingService& s) { target = reader(s); });
}

namespace {
// The style values many controls read as plain globals.
const bool styleValuesRegistered = [] {
    registerStyleValue(Layout::WindowSeparatorSize,
                       [](SettingService& s) { return s.layout.get("WindowSeparatorSize").toInt(5); });
    registerStyleValue(Layout::FooterHeight, [](SettingService& s) { return s.layout.get("FooterHeight").toInt(24); });
    registerStyleValue(Layout::ScrollBarSize, [](SettingService& s) { return s.layout.get("ScrollBarSize").toInt(20); });
    registerStyleValue(Layout::SettingItemHeight,
                       [](SettingService& s) { return s.layout.get("SettingItemHeight").toInt(); });
    registerStyleValue(Layout::SettingItemHeightPlus2,
                       [](SettingService& s) { return s.layout.get("SettingItemHeight").toInt() + 2; });
    registerStyleValue(Layout::ExplorerHeaderHeight,
                       [](SettingService& s) { return s.layout.get("ExplorerHeaderHeight").toInt(); });
    registerStyleValue(Layout::TitleHeaderHeight,
                       [](SettingService& s) { return s.layout.get("TitleHeaderHeight").toInt(22); });
    registerStyleValue(Layout::ListItemHeight, [](SettingService& s) { return s.layout.get("ListItemHeight").toInt(); });
    registerStyleValue(Font::DefaultFamily,
                       [](SettingService& s) { return s.font.get("DefaultFamily").toString(L"Yu Gothic UI"); });
    return true;
}();

// [Layout] keys that count things rather than measure pixels: never scaled.
bool isCountKey(const std::string& key)
{
    return key == "ExplorerWindowNum";
}

bool readInteger(const std::string& text, int& out)
{
    ::System::IniFile::VALUE v;
    v.text = text;
    try {
        out = v.toInt();
        return true;
    } catch (const std::exception&) {
        return false;
    }
}

int scaled(int value, float scale)
{
    if (value == 0)
        return 0;
    const double v = std::clamp(std::round(static_cast<double>(value) * scale), 1.0, 2147483647.0);
    return static_cast<int>(v);
}

// The meaningful range of style values: pixel sizes no screen exceeds, a few
// explorer panes, font sizes from 1 to 1024. A file may hold anything
// (SettingItemHeight=2147483647, Control=1e20); the readers add to the values,
// scale them and convert them to int, so they are clamped once, when the file is read.
constexpr int MaxLayoutSize = 16384;
constexpr int MaxLayoutCount = 16;
constexpr int MinFontSize = 1;
constexpr int MaxFontSize = 1024;

void warnClamped(const ::System::IniFile::VALUE& value, int limit)
{
    ::System::Log::warn("Setting::SettingService::SettingService", L"style value out of range, clamped to %d. %s",
                        limit, value.getContextText().c_str());
}

void clampStyleValues(::System::IniFile& style)
{
    for (auto& entry : style.addSection("Layout")) {
        int value;
        if (!readInteger(entry.value.text, value))
            continue;
        const int clamped = std::clamp(value, 0, isCountKey(entry.key) ? MaxLayoutCount : MaxLayoutSize);
        if (clamped != value) {
            warnClamped(entry.value, clamped);
            entry.value.text = std::to_string(clamped);
        }
    }
    for (auto& entry : style.addSection("Font")) {
        const size_t comma = entry.value.text.find(',');
        ::System::IniFile::VALUE size;
        size.text = entry.value.text.substr(0, comma);
        float value;
        try {
            value = size.toFloat();
        } catch (const std::exception&) {
            continue; // not a size (the default family, or a broken value its reader reports)
        }
        if (value >= MinFontSize && value <= MaxFontSize)
            continue;
        const int clamped = value > MaxFontSize ? MaxFontSize : MinFontSize; // NaN too: the smallest
        warnClamped(entry.value, clamped);
        entry.value.text = std::to_string(clamped) + (comma == std::string::npos ? "" : entry.value.text.substr(comma));
    }
}
} // namespace

SettingService::System::System()
    : config{"Config", &file}, frameRate{"FrameRate", &file}, keyCode{"KeyCode", &file}
{
    file.loadFile(L"%AppData%/system.conf", false);
    file.loadFile(L"%AppInstall%/system.conf", true);
    file.saveOnDestroy = false;

    if (!::System::Config::iniFile)
        ::System::Config::iniFile = std::make_shared<::System::IniFile>();
    mainIni = ::System::Config::iniFile;

    auto facts = Platform::Ui::queryMachineFacts();
    keyRepeatDelay = facts.keyRepeatDelay;
    keyRepeatInterval = facts.keyRepeatInterval;
    caretBlinkTime = facts.caretBlinkTime;
    dragWidth = std::max(1, facts.dragWidth);
    dragHeight = std::max(1, facts.dragHeight);
    doubleClickTime = facts.doubleClickTime;
    screenWidth = std::max(1, facts.screenWidth);
    screenHeight = std::max(1, facts.screenHeight);
    systemDpi = facts.dpi;
    if (uint64_t kib = Platform::Os::installedMemoryKiB()) {
        installedMemory = static_cast<int>(kib >> 10);
    } else {
        ::System::makeLastErrorException("GetPhysicallyInstalledSystemMemory", "Setting::SettingService::System::System");
        installedMemory = 16384;
    }

    mainIni->loadFile(L"%AppData%/velmora2.ini", false);
    mainIni->saveOnDestroy = true;
}

SettingService::System::~System()
{
    mainIni.reset();
    // The last reference writes the main ini file.
    if (::System::Config::iniFile && ::System::Config::iniFile.use_count() == 1)
        ::System::Config::iniFile.reset();
}

SettingService::SettingService()
    : color{"Color", &style}, layout{"Layout", &style}, font{"Font", &style}, format{"Format", &style}
{
    style.loadFile(L"%AppData%/style.conf", false);
    style.loadFile(L"%AppInstall%/style.conf", true);
    style.saveOnDestroy = false;

    effect.loadFile(L"%AppData%/effect.conf", false);
    effect.loadFile(L"%AppInstall%/effect.conf", true);
    effect.saveOnDestroy = false;

    editSection.load(*system.mainIni);
    clampStyleValues(style);
    applyHighDpiMode();
    for (auto& update : styleValueList())
        update(*this);
}

SettingService::~SettingService() = default;

void SettingService::applyHighDpiMode()
{
    int mode = 1;
    try {
        mode = system.mainIni->getSection("Direct3D").findValue("HighDpiMode").toInt(1);
    } catch (const std::exception&) {
        mode = 1;
    }
    if (mode == 0 || system.systemDpi == 96 || system.systemDpi <= 0)
        return;
    system.dpiScale = system.systemDpi / 96.0f;
    const float scale = system.dpiScale;

    for (auto& entry : style.addSection("Layout")) {
        int value;
        if (isCountKey(entry.key) || !readInteger(entry.value.text, value))
            continue;
        entry.value.text = std::to_string(scaled(value, scale));
    }
    for (auto& entry : style.addSection("Font")) {
        auto parts = entry.value.split(",");
        int size;
        if (!readInteger(parts[0].text, size))
            continue;
        std::string text = std::to_string(scaled(size, scale));
        if (parts.size() >= 2)
            text += "," + parts[1].text;
        entry.value.text = text;
    }
}

} // namespace Setting
