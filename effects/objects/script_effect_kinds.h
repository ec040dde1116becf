#pragma once
// The four kinds of script effect, one per script file extension, and the
// table the program entry installs in the effect registry.
#include "effects/objects/output_shader_effect.h"
#include "effects/objects/script_effect.h"

namespace Effect {

// "*.obj2" / "*.obj": an object source that draws its own picture.
class ScriptInput final : public ScriptEffect {
public:
    explicit ScriptInput(const wchar_t* name);
    std::shared_ptr<EffectBase> create() override;
    // The picture the script makes (it starts with none).
    std::unique_ptr<Media::ResourceBuffer> inputVideo(Render::RenderObject& object) override;
};

// "*.anm2" / "*.anm": a filter that changes the object's picture.
class ScriptFilter final : public ScriptEffect {
public:
    explicit ScriptFilter(const wchar_t* name);
    std::shared_ptr<EffectBase> create() override;
    // Runs the section's script on the picture (see runScriptPass).
    std::unique_ptr<Media::ResourceBuffer> filterVideo(Render::RenderObject& object,
                                                       std::unique_ptr<Media::ResourceBuffer> picture) override;
};

// "*.cam2" / "*.cam": an effect of a camera object.
class CameraScript final : public ScriptEffect {
public:
    explicit CameraScript(const wchar_t* name);
    std::shared_ptr<EffectBase> create() override;
    // Runs the script before the camera's objects are made; it acts only
    // through the script functions.
    void preInputVideo(Render::RenderObject& object) override;
};

// "*.scn2" / "*.scn": a scene change whose script draws the transition from
// the frame before the object (its picture) into the frame.
class SceneChangeScript final : public ScriptEffect {
public:
    explicit SceneChangeScript(const wchar_t* name);
    std::shared_ptr<EffectBase> create() override;
    // Asks the video worker for the before picture, as the scene change does.
    void preInputVideo(Render::RenderObject& object) override;
    // Runs the script with a copy of the before picture and the progress.
    void controlVideo(Render::RenderObject& object) override;
    // The object's own drawing state.
    Render::RenderObject::DrawState getOutputView(Render::RenderObject& object) override;

    // What the script's draw functions draw with.
    OutputShaderEffect shader;
};

// Installs the four classes for the script files the registry finds.
void installScriptEffects();

} // namespace Effect
