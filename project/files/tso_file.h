#pragma once
// The import of the older single-scene object file (".tso", ini text in the
// ANSI code page): header section "tessel", object sections "0", "1", ... with
// 1-based layers and frames, effect sections "N.0", "N.1", ... with the older
// parameter texts. Chained objects (key "chain") become one object with a mid
// point at each seam.
#include <string_view>

namespace System { class IniFile; }

namespace Edit {

class Scene;

class ProjectConvert {
public:
    // Reads the file into the scene (named after the file). A missing header or
    // header key throws; an object that cannot be read is dropped, the others
    // load and the user is told once. Returns the number of objects dropped.
    static int loadSceneFromTso(Scene& scene, const wchar_t* path);
    // The same for the file's bytes already in memory (path for the name and messages).
    static int loadSceneFromTsoText(Scene& scene, std::string_view bytes, const wchar_t* path);

private:
    static int loadScene(Scene& scene, System::IniFile& ini, const wchar_t* path);
};

} // namespace Edit
