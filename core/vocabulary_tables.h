#pragma once
// The vocabulary of effects and scripts, fixed before start-up: the choice lists
// of effect parameters, the built-in scene-change transitions, the waveform
// presets, and the names scripts use for blend modes and picture sources.
// (The expression that finds script blocks in a text object is in core/expressions.h.)
#include <cstdint>
#include <span>
#include <string>
#include <unordered_map>

namespace Vocabulary {

// One entry of a choice list: the value a select item stores, and its label.
// Each table is in ascending value order, which is the order the choices are shown in.
struct Choice {
    int32_t value;
    const wchar_t* name;
};
using ChoiceTable = std::span<const Choice>;

extern const ChoiceTable blendModes;         // "合成モード" of the outputs and the gradient filter
extern const ChoiceTable textDecorations;    // text object
extern const ChoiceTable textAlignments;     // text object
extern const ChoiceTable flashSyntheses;     // flash filter "閃光"
extern const ChoiceTable glowShapes;         // glow filter "グロー"
extern const ChoiceTable luminanceKeyModes;  // luminance key filter
extern const ChoiceTable displacementModes;  // displacement map filter
extern const ChoiceTable noiseBlendings;     // noise filter "ノイズ"
extern const ChoiceTable noiseTypes;         // noise filter
extern const ChoiceTable colorShiftKinds;    // colour shift filter
extern const ChoiceTable gradationShapes;    // gradient filter "グラデーション"
extern const ChoiceTable deinterlaceMethods; // deinterlace filter
extern const ChoiceTable objectFacings;      // camera control option: values 0 and 3

// Which optional items of the scene-change effect a transition shows.
enum TransitionFlag : int32_t {
    TransitionReverse = 1 << 0,     // "反転"
    TransitionAngle = 1 << 1,       // "角度"
    TransitionDivisions = 1 << 2,   // "分割数"
    TransitionBlur = 1 << 3,        // "ぼかし"
    TransitionKeepAspect = 1 << 4,  // "縦横比固定"
    TransitionVertical = 1 << 5,    // "縦方向"
};
// A built-in scene-change transition; its drawing belongs to the scene-change effect.
struct SceneChangeTransition {
    const wchar_t* name;
    int32_t flags;
};
extern const std::span<const SceneChangeTransition> sceneChangeTransitions; // thirteen, in choice order
// Flags of the transitions listed after the built-in ones: "反転" and "縦横比固定".
constexpr int32_t laterTransitionFlags = TransitionReverse | TransitionKeepAspect;
// The flags of the transition at a position of the scene-change effect's choice list.
int32_t transitionFlags(int position);

// Presets of the audio waveform object "音声波形表示".
struct WaveformPreset {
    const wchar_t* name;
    int32_t horizontalResolution; // "横解像度"
    int32_t verticalResolution;   // "縦解像度"
    int32_t horizontalSpace;      // "横スペース"
    int32_t verticalSpace;        // "縦スペース"
    bool spectrum;                // "スペクトラム表示"
    bool mirror;                  // "ミラー表示"
};
extern const std::span<const WaveformPreset> waveformPresets;

// Blend-mode names a script passes (UTF-8) -> the blend mode number; 0 to 12 are
// the blendModes values, 20 to 23 exist only for scripts.
const std::unordered_map<std::string, int32_t>& scriptBlendNames();

// Picture sources a script names for its drawing and copy functions; the script
// host binds a handler to each.
extern const std::span<const char* const> scriptPictureSources;

} // namespace Vocabulary
