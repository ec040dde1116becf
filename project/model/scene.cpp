#include "project/model/scene.h"

#include "core/failure.h"
#include "core/setting_service.h"
#include "core/text.h"
#include "core/translate_service.h"
#include "project/model/frame_rate.h"
#include "project/model/object.h"

#include <cerrno>
#include <cstdio>
#include <cwchar>

namespace Edit {

namespace {

// "%f" without its trailing zeros and point: 30 gives "30", 44.1 gives "44.1".
std::wstring shortNumber(double value)
{
    wchar_t text[64];
    std::swprintf(text, 64, L"%f", value);
    std::wstring s = text;
    if (s.find(L'.') != std::wstring::npos) {
        while (!s.empty() && s.back() == L'0')
            s.pop_back();
        if (!s.empty() && s.back() == L'.')
            s.pop_back();
    }
    return s;
}

} // namespace

void checkSceneFormat(const char* place, int width, int height, int rate, int scale, int audioRate)
{
    if (width < 1 || width > SceneSizeMax || height < 1 || height > SceneSizeMax || rate <= 0 || scale <= 0 ||
        audioRate < 1 || audioRate > SceneAudioRateMax)
        throw System::makeFormatException(place, "invalid scene setting.",
                                          L"width=%d height=%d rate=%d scale=%d audio_rate=%d", width, height, rate,
                                          scale, audioRate);
}

Scene::Scene(int id, int displayOrder) : name(getDefaultName(id)), id(id), displayOrder(displayOrder)
{
    std::wstring gridXText = L"16,-16";
    std::wstring gridYText = L"16,-16";
    if (const Setting::SettingService* s = Setting::SettingService::Get()) {
        videoRate = s->projectVideoRate;
        videoScale = s->projectVideoScale;
        width = s->projectWidth;
        height = s->projectHeight;
        audioRate = s->projectAudioRate;
        tempoBpm = s->tempoBeatPerMinute;
        tempoBeat = s->tempoBeatTime;
        tempoOffset = s->tempoOffsetTime;
        gridWidth = s->gridWidth;
        gridHeight = s->gridHeight;
        gridXText = s->gridX;
        gridYText = s->gridY;
        gridStep = s->gridStep;
        gridRange = s->gridRange;
    }
    stringToIntList(gridX, gridXText);
    stringToIntList(gridY, gridYText);
}

Scene::~Scene() = default;

std::wstring Scene::getDefaultName(int id)
{
    auto translated = [](const wchar_t* text) -> std::wstring {
        const Translate::TranslateService* service = Translate::TranslateService::Get();
        return Translate::TranslateService::enabled && service ? service->name.translate(text) : text;
    };
    if (id == 0)
        return translated(L"Root");
    return translated(L"Scene") + std::to_wstring(id);
}

bool Scene::checkTargetObject(const std::function<bool(const std::shared_ptr<Object>&)>& predicate) const
{
    if (!selection.objects.empty()) {
        for (const auto& object : selection.objects) {
            if (predicate(object))
                return true;
        }
        return false;
    }
    return focusObject && focusObject->layer >= 0 && predicate(focusObject);
}

std::wstring Scene::getInformationText() const
{
    wchar_t time[32];
    const double seconds = videoRate != 0 ? (static_cast<double>(lastFrame) + 1.0) * videoScale / videoRate : 0.0;
    System::formatTimeSeconds(time, seconds);
    std::wstring text = name + L"\nTotalTime: " + time + L"\n";
    text += L"Video: " + std::to_wstring(width) + L" x " + std::to_wstring(height) + L" / " +
            shortNumber(getFrameRateValue(videoRate, videoScale)) + L"fps\n";
    text += L"Audio: " + shortNumber(audioRate / 1000.0) + L"khz\n";
    return text;
}

void stringToIntList(std::vector<int>& list, const std::wstring& text)
{
    list.clear();
    for (const std::wstring& part : System::splitWideString(text, L',')) {
        const wchar_t* begin = part.c_str();
        wchar_t* end = nullptr;
        errno = 0;
        const long v = std::wcstol(begin, &end, 10);
        if (end == begin || *end != L'\0' || errno == ERANGE || v < -2147483647L - 1 || v > 2147483647L)
            return;
        list.push_back(static_cast<int>(v));
    }
}

std::wstring intListToString(const std::vector<int>& list)
{
    std::wstring text;
    for (size_t i = 0; i < list.size(); ++i) {
        if (i)
            text += L',';
        text += std::to_wstring(list[i]);
    }
    return text;
}

} // namespace Edit
