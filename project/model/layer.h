#pragma once
// The settings of one layer of a scene. Undo items share the record, so a
// layer that is deleted or replaced hands over a fresh record and keeps the old.
#include "core/ini_file.h"

#include <string>

namespace System { class File; }

namespace Edit {

struct Layer {
    bool hide = false;
    std::wstring name;
    bool lock = false;
    int index = -1; // the layer it belongs to; -1 once detached from its list

    // Whether the record differs from a fresh one, so the project file keeps it.
    bool isStored() const { return hide || lock || !name.empty(); }
    // Writes section "layer.<sectionIndex>"; "scene" only for a scene other than 0.
    void saveLayerIniFile(System::File& file, int sectionIndex, int sceneId) const;
    // Reads name, lock and hide.
    void loadLayerIniFile(const System::IniFile::SectionRef& section);
};

} // namespace Edit
