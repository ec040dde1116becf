#pragma once
// The source of a mask: a built-in mask of the mask list, a scene, an image
// file, or a temporary buffer named "*" + name.
#include "effect/effect_item_select.h"

#include <memory>

namespace Media { class ResourceBuffer; }
namespace Render { class RenderObject; }

namespace Effect {

class EffectItemCheck;

class EffectItemMaskSelect : public EffectItemBase<EffectItemMaskSelect> {
public:
    std::shared_ptr<Component::EffectItemBaseControl> createControl(Window::ControlContainer& container,
                                                                    const std::shared_ptr<EffectBase>& owner) override;
    EffectItemMaskSelect(EffectItemList& owner, std::wstring name, int value = 1,
                         EffectItemCheck* fitScene = nullptr);

    // The path, the label of the built-in mask (empty for one not in the list), or the name of the scene.
    std::string toString() const override;
    // A mask label, else a scene name, else a text with "." or a leading "*" as the path.
    void fromString(const std::string& text) override;
    const wchar_t* getFilePath() const override;
    void setFilePath(const wchar_t* path) override;

    // Selects a built-in mask (a value not in the list selects the first entry).
    void setMaskIndex(int value);
    // Uses a scene (one that does not exist selects the first mask instead).
    void setSceneId(int id);

    // The mask picture in the working format: a built-in figure filled white
    // at width x height, a copy of the named temporary buffer, the image file,
    // or the scene's frame at the object's time; null when the source gives
    // nothing.
    std::unique_ptr<Media::ResourceBuffer> getMaskBuffer(const Render::RenderObject& object, int width,
                                                         int height) const;
    // Starts loading what getMaskBuffer will read: the image file, or the
    // scene frame (built-in masks and temporary buffers need nothing).
    void preLoad(const Render::RenderObject& object) const;

    // The mask list, filled by the resource service when it starts.
    static const std::shared_ptr<EffectItemSelect::SharedList>& getMaskList();

    int value;    // a built-in mask; -1 none
    int sceneId = -1;
    std::wstring path;
    EffectItemCheck* fitScene; // the effect's "シーンの長さを合わせる", or null

    // Seconds into the mask scene at the render object's time (fitted to the
    // object's length with fitScene).
    double sceneTime(const Render::RenderObject& object) const;

    // The value setData copies and isEqual compares.
    static auto valueFields(auto& item) { return std::tie(item.value, item.sceneId, item.path); }
};

} // namespace Effect
