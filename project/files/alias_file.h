#pragma once
// Alias files of "%Alias%": saved objects ("<name>.object": section "Object"
// for one object, "0", "1", ... for several) and saved effects
// ("<name>.effect": "Effect.0", "Effect.1", ...), in the project file's object
// and effect sections.
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace Effect { class EffectBase; }
namespace System { class File; }

namespace Edit {

class Object;

namespace AliasFile {

constexpr const wchar_t* ObjectExtension = L"object";
constexpr const wchar_t* EffectExtension = L"effect";

// Whether a name the user typed can become the file name "<name>.<extension>"
// in the alias folder: not empty, no folder separator, no "..".
bool isValidName(const std::wstring& name);
// "%Alias%/<name>.<extension>", expanded.
std::wstring makePath(const std::wstring& name, const wchar_t* extension);

// Objects from the timeline: one object as section "Object" with its frame
// list, several as sections "0", "1", ... with their layers and frame lists.
void writeObjects(System::File& file, const std::vector<std::shared_ptr<Object>>& objects);
// One object from the settings window: section "Object" with its flags only.
void writeObject(System::File& file, const Object& object);
// One effect as section "Effect.0".
void writeEffect(System::File& file, const Effect::EffectBase& effect);

} // namespace AliasFile

} // namespace Edit
