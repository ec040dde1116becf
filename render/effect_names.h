#pragma once
// The names under which the control and output effects the renderer treats
// apart are registered. The effect classes name themselves with these
// constants; the renderer recognises an effect by the identity of the
// registered name (the pointer every instance of the registered class shares),
// never by comparing texts.
namespace Effect { class EffectBase; }

namespace Render::EffectName {

inline constexpr const wchar_t GroupControl[] = L"グループ制御";
inline constexpr const wchar_t CameraControl[] = L"カメラ制御";
inline constexpr const wchar_t TimeControl[] = L"時間制御(オブジェクト)";
inline constexpr const wchar_t GroupAudioControl[] = L"グループ制御(音声)";
inline constexpr const wchar_t BasicOutput[] = L"基本出力";
inline constexpr const wchar_t ExpandedColor[] = L"拡張色設定";

// The name pointer of the effect registered under the name in the running
// effect service; null when none is registered.
const wchar_t* registered(const wchar_t* name);
// Whether the effect is an instance of the class registered under that name
// pointer (null matches nothing).
bool is(const Effect::EffectBase& effect, const wchar_t* registeredName);

} // namespace Render::EffectName
