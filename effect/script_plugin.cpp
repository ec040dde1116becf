#include "effect/script_plugin.h"

#include "core/failure.h"
#include "core/text.h"
#include "effect/effect_base.h"
#include "effect/script_file_parser.h"
#include "media/image_buffer.h"
#include "media/pixel_shader.h"
#include "media/resource_buffer.h"
#include "project/model/object.h"
#include "project/model/scene.h"

#include <algorithm>

namespace Plugin {

namespace {
[[noreturn]] void throwNotImplemented(const char* place)
{
    throw System::makeException(place, "not implement.", nullptr);
}
} // namespace

// ---- ScriptPluginInstance ----

ScriptPluginInstance::ScriptPluginInstance() = default;
ScriptPluginInstance::~ScriptPluginInstance() = default;

void ScriptPluginInstance::executeEffect(const std::string&)
{
    throwNotImplemented("Plugin::ScriptPluginInstance::executeEffect");
}

double ScriptPluginInstance::executeMovement(const std::string&)
{
    throwNotImplemented("Plugin::ScriptPluginInstance::executeMovement");
}

void ScriptPluginInstance::setScriptVariables()
{
    throwNotImplemented("Plugin::ScriptPluginInstance::setScriptVariables");
}

double ScriptPluginInstance::getFieldNumber(const char*)
{
    throwNotImplemented("Plugin::ScriptPluginInstance::getFieldNumber");
}

void ScriptPluginInstance::setFieldNumber(const char*, double)
{
    throwNotImplemented("Plugin::ScriptPluginInstance::setFieldNumber");
}

void ScriptPluginInstance::setFieldBoolean(const char*, bool)
{
    throwNotImplemented("Plugin::ScriptPluginInstance::setFieldBoolean");
}

void ScriptPluginInstance::setObjValues()
{
    Render::RenderObject& r = getRenderVideoTarget();
    setFieldNumber("w", objectBuffer ? objectBuffer->getWidth() : 0);
    setFieldNumber("h", objectBuffer ? objectBuffer->getHeight() : 0);
    setFieldNumber("index", r.index);
    setFieldNumber("num", r.num);
    const Edit::Object* object = r.object.get();
    const int start = object ? object->start : 0;
    const int end = object ? object->end : 0;
    const double rate = r.scene ? r.scene->videoRate : 30;
    const double scale = r.scene ? r.scene->videoScale : 1;
    const int totalFrame = end - start - r.frameOffset + 1;
    setFieldNumber("frame", r.frame - start - r.frameOffset);
    setFieldNumber("time", (r.time - start - r.frameOffset) * scale / rate);
    setFieldNumber("totalframe", totalFrame);
    setFieldNumber("totaltime", scale * totalFrame / rate);
    setFieldNumber("framerate", rate / scale);
    setFieldNumber("screen_w", r.scene ? r.scene->width : 0);
    setFieldNumber("screen_h", r.scene ? r.scene->height : 0);
    setFieldNumber("layer", (object ? object->layer : 0) + 1);
    if (getEffect().mediaType != Effect::MediaType::Video)
        return;
    // The output's own position, and the offsets the filters added to it.
    const Render::RenderObject::DrawState view = r.getOutputView();
    const Render::RenderObject::DrawState& s = r.drawState;
    setFieldNumber("x", view.x - s.x);
    setFieldNumber("y", view.y - s.y);
    setFieldNumber("z", view.z - s.z);
    setFieldNumber("ox", s.x);
    setFieldNumber("oy", s.y);
    setFieldNumber("oz", s.z);
    setFieldNumber("rx", s.rx);
    setFieldNumber("ry", s.ry);
    setFieldNumber("rz", s.rz);
    setFieldNumber("cx", s.cx);
    setFieldNumber("cy", s.cy);
    setFieldNumber("cz", s.cz);
    setFieldNumber("zoom", std::max({s.sx, s.sy, s.sz}));
    double aspect = 0;
    if (s.sx > 0 || s.sy > 0)
        aspect = s.sx < s.sy ? 1.0 - double(s.sx) / s.sy : double(s.sy) / s.sx - 1.0;
    setFieldNumber("aspect", aspect);
    setFieldNumber("alpha", s.alpha);
}

void ScriptPluginInstance::getObjValues()
{
    Render::RenderObject& r = getRenderVideoTarget();
    if (getEffect().mediaType != Effect::MediaType::Video)
        return;
    Render::RenderObject::DrawState& s = r.drawState;
    auto read = [&](const char* name) { return static_cast<float>(getFieldNumber(name)); };
    s.x = read("ox");
    s.y = read("oy");
    s.z = read("oz");
    s.rx = read("rx");
    s.ry = read("ry");
    s.rz = read("rz");
    s.cx = read("cx");
    s.cy = read("cy");
    s.cz = read("cz");
    const float zoom = read("zoom");
    const float largest = std::max({s.sx, s.sy, s.sz});
    if (largest <= 0) {
        s.sx = zoom;
        s.sy = zoom;
    } else {
        const float k = zoom / largest;
        s.sx *= k;
        s.sy *= k;
        s.sz *= k;
    }
    const float aspect = read("aspect");
    const float m = std::max(s.sx, s.sy);
    if (aspect < 0) {
        s.sx = m;
        s.sy = m * (1 + aspect);
    } else {
        s.sx = m * (1 - aspect);
        s.sy = m;
    }
    s.alpha = read("alpha");
}

void ScriptPluginInstance::setObjectBuffer(std::unique_ptr<Media::ResourceBuffer>& picture)
{
    objectBuffer = std::move(picture);
}

void ScriptPluginInstance::takeObjectBuffer(std::unique_ptr<Media::ResourceBuffer>& picture)
{
    picture = std::move(objectBuffer);
}

Render::RenderObject& ScriptPluginInstance::getRenderVideoTarget() const
{
    if (!renderTarget)
        throw System::makeException("Plugin::ScriptPluginInstance::getRenderVideoTarget", "not effect script.", nullptr);
    return *renderTarget;
}

Effect::EffectBase& ScriptPluginInstance::getEffect() const
{
    if (!effect)
        throw System::makeException("Plugin::ScriptPluginInstance::getEffect", "not effect script.", nullptr);
    return *effect;
}

std::wstring ScriptPluginInstance::resolveScriptPath(const std::string& name) const
{
    std::wstring path = System::utf8ToWide(name);
    if (path.starts_with(L"/"))
        return path;
    return (script ? script->folder : std::wstring()) + L"/" + path;
}

// ---- ScriptPlugin ----

ScriptPlugin::ScriptPlugin(std::wstring displayName, std::string key, std::wstring moduleFileName)
    : displayName(std::move(displayName)), key(std::move(key)), moduleFileName(std::move(moduleFileName))
{
}

ScriptPlugin::~ScriptPlugin() = default;

std::unique_ptr<ScriptPluginInstance> ScriptPlugin::createMovementInstance(const Effect::ScriptMovement&,
                                                                           const Effect::EffectItemNumber&,
                                                                           const Render::SectionPosition&,
                                                                           const Render::RenderObject&)
{
    throwNotImplemented("Plugin::ScriptPlugin::createMovementInstance");
}

std::unique_ptr<ScriptPluginInstance> ScriptPlugin::createEffectInstance(Effect::EffectBase&, Render::RenderObject&)
{
    throwNotImplemented("Plugin::ScriptPlugin::createEffectInstance");
}

} // namespace Plugin
