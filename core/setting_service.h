#pragma once
// The settings service: the configuration files "system.conf", "style.conf" and
// "effect.conf" (read from %AppData%, with the %AppInstall% copies as defaults,
// never written), the main ini file, machine facts and the new-project defaults.
#include "core/config.h"
#include "core/ini_file.h"
#include "core/service.h"

#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace Setting {

class SettingService : public System::Singleton<SettingService> {
public:
    struct SectionView {
        const char* name;
        System::IniFile* file;
        System::IniFile::VALUE& get(const char* key) const { return file->getValue(name, key); }
    };

    struct System {
        System();
        ~System();
        ::System::IniFile file; // system.conf
        SectionView config, frameRate, keyCode;
        std::shared_ptr<::System::IniFile> mainIni;

        int keyRepeatDelay = 500;
        int keyRepeatInterval = 100;
        int caretBlinkTime = 500;
        int dragWidth = 6;
        int dragHeight = 6;
        int doubleClickTime = 500;
        int screenWidth = 1920;
        int screenHeight = 1080;
        int installedMemory = 0; // MB
        float dpiScale = 1.0f;
        int systemDpi = 96;
    };

    SettingService();
    ~SettingService();

    // Scales the pixel sizes of style [Layout] and the font sizes of [Font] by the
    // display's DPI when the "Direct3D" setting "HighDpiMode" asks for it.
    void applyHighDpiMode();

    System system;
    ::System::IniFile style; // style.conf
    SectionView color, layout, font, format;
    ::System::IniFile effect; // effect.conf

    // New-project defaults, section "Edit" of the main ini file.
    ::System::Config::Section editSection{"Edit"};
    int projectWidth = 1920;
    int projectHeight = 1080;
    int projectVideoRate = 30;
    int projectVideoScale = 1;
    int projectAudioRate = 44100;
    float tempoBeatPerMinute = 120.0f;
    int tempoBeatTime = 4;
    float tempoOffsetTime = 0.0f;
    int gridWidth = 200;
    int gridHeight = 200;
    std::wstring gridX;
    std::wstring gridY;
    float gridStep = 200.0f;
    float gridRange = 10000.0f;

private:
    ::System::Config::Int projectWidthParameter{editSection, "ProjectWidth", &projectWidth, 1920};
    ::System::Config::Int projectHeightParameter{editSection, "ProjectHeight", &projectHeight, 1080};
    ::System::Config::Int projectVideoRateParameter{editSection, "ProjectVideoRate", &projectVideoRate, 30};
    ::System::Config::Int projectVideoScaleParameter{editSection, "ProjectVideoScale", &projectVideoScale, 1};
    ::System::Config::Int projectAudioRateParameter{editSection, "ProjectAudioRate", &projectAudioRate, 44100};
    ::System::Config::Float tempoBeatPerMinuteParameter{editSection, "TempoBeatPerMinute", &tempoBeatPerMinute, 120.0f};
    ::System::Config::Int tempoBeatTimeParameter{editSection, "TempoBeatTime", &tempoBeatTime, 4};
    ::System::Config::Float tempoOffsetTimeParameter{editSection, "TempoOffsetTime", &tempoOffsetTime, 0.0f};
    ::System::Config::Int gridWidthParameter{editSection, "GridWidth", &gridWidth, 200};
    ::System::Config::Int gridHeightParameter{editSection, "GridHeight", &gridHeight, 200};
    ::System::Config::String gridXParameter{editSection, "GridX", &gridX, L"16,-16"};
    ::System::Config::String gridYParameter{editSection, "GridY", &gridY, L"16,-16"};
    ::System::Config::Float gridStepParameter{editSection, "GridStep", &gridStep, 200.0f};
    ::System::Config::Float gridRangeParameter{editSection, "GridRange", &gridRange, 10000.0f};
    ::System::Config::SectionSaver editSaver{&editSection};

public:
    using StyleUpdater = std::function<void(SettingService&)>;
    // Filled before start-up by static initialisers; run once at the end of construction.
    static std::vector<StyleUpdater>& styleValueList();
};

// Binds a global to a style value: target becomes 0 now and reader's result once
// the settings service is built. Called from static initialisers only.
void registerStyleValue(int& target, std::function<int(SettingService&)> reader);
void registerStyleValue(std::wstring& target, std::function<std::wstring(SettingService&)> reader);

namespace Layout {
extern int WindowSeparatorSize;
extern int FooterHeight;
extern int ScrollBarSize;
extern int SettingItemHeight;
extern int SettingItemHeightPlus2;
extern int ExplorerHeaderHeight;
extern int TitleHeaderHeight;
extern int ListItemHeight;
} // namespace Layout

namespace Font {
extern std::wstring DefaultFamily;
}

} // namespace Setting
