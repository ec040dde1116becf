#pragma once
// Movement parameter presets: named lists of numbers that the time-control
// window applies to a number item in one step. They come from the shipped file
// "%AppInstall%/preset.params" and the user's "*.params" files in "%Default%".
#include "effect/effect_define.h"

#include <string>
#include <string_view>
#include <unordered_map>
#include <utility>
#include <vector>

namespace Effect {

class MovementParamsManager {
public:
    MovementParamsManager();
    ~MovementParamsManager();
    MovementParamsManager(const MovementParamsManager&) = delete;
    MovementParamsManager& operator=(const MovementParamsManager&) = delete;

    // Empties the presets (each stores its menu settings), then reads the shipped
    // file and every user file.
    void reloadMovementParams();
    // Reads one file (path may begin with a path variable). A file with one entry
    // gives one preset named by the file's base name; with more, each entry is
    // named by its key (followed by "@" and the base name in a user file). A
    // duplicate name, or a number that does not read, is shown in an error box;
    // the latter ends the file.
    void registerMovementParams(const wchar_t* path, bool shipped);
    // The presets by ascending menu order.
    std::vector<MovementParamsDefine*> getMovementParamsList();
    // Their distinct non-empty labels in that order; valid until the next reload.
    std::vector<const wchar_t*> getMovementParamsLabelList();

    // The user file that holds the preset of a typed name: the name made safe as a
    // file name, in "%Default%" (expanded). The preset read from it is named by
    // the file's base name, makeSafeFileName(name).
    static std::wstring getUserFilePath(const std::wstring& name);

    // The entries of a preset file's text: (key, value text) in file order. Empty
    // lines, ";" lines and lines without exactly one "=" are dropped.
    static std::vector<std::pair<std::string, std::string>> readEntries(std::string_view text);
    // The numbers of a value text ("0.25,1,-3"); empty text gives none. A part that
    // is not a number throws.
    static std::vector<double> readValues(const std::string& text);

    std::unordered_map<std::wstring, MovementParamsDefine> presets;
    int32_t orderCounter = 0;
};

} // namespace Effect
