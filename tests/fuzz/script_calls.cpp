// The script functions fed what a script may pass: the bytes become a chunk of
// calls (each under pcall) to the global and "obj" functions with numbers,
// texts, nil, booleans and nested tables as arguments, run as an effect script
// on an object without pictures, in either engine. Keywords, layer targets,
// option tables, quad and number tables and buffer names are all read from
// script values here; a script error is a normal outcome, anything else a
// finding.
#include "core/setting_service.h"
#include "effect/effect_service.h"
#include "effect/script_service.h"
#include "effects/objects/script_effect_kinds.h"
#include "project/model/object.h"
#include "project/model/scene.h"
#include "render/render_object.h"
#include "script/lua_script.h"
#include "tests/fuzz/fuzz_services.h"
#include "tests/fuzz/fuzz_target.h"

#include <string>

namespace {

const char* const Functions[] = {
    "OR", "AND", "XOR", "SHIFT", "RGB", "HSV", "rotation", "obj.interpolation", "obj.getvalue", "obj.getoption",
    "obj.setoption", "obj.effect", "obj.getpixel", "obj.putpixel", "obj.copypixel", "obj.pixeloption",
    "obj.pixelshader", "obj.computeshader", "obj.copybuffer", "obj.clearbuffer", "obj.draw", "obj.drawpoly",
    "obj.setfont", "obj.getpoint", "obj.setanchor", "obj.getaudio",
};

const char* const Texts[] = {
    "'layer2.x'", "'layer .y'", "'layer99999999999999999999.x'", "'time'", "'zoom'", "'aspect'", "'0'", "'1e309'",
    "'blend'", "'alpha_sub'", "'camera_param'", "'drawtarget'", "'tmp'", "'frm'", "'object'", "'cache:a'",
    "'image:none.png'", "'rgb'", "'yc'", "'get'", "'put'", "'script_name'", "'track_mode'", "'sampler'", "'loop'",
    "'xyz'", "'inout'", "'color'", "'line'", "'loop'", "'track'", "'audiobuffer'", "'spectrum'", "'fourier'", "''",
    "'\\0x'", "'ぼかし'",
};

class Chunk {
public:
    explicit Chunk(Fuzz::Input& in) : in_(in) {}

    std::string value(int depth)
    {
        const uint8_t b = in_.byte();
        switch (b % 8) {
        case 0: return "nil";
        case 1: return std::to_string(static_cast<int32_t>(in_.u32()));
        case 2: return std::to_string(static_cast<int8_t>(in_.byte())) + "." + std::to_string(in_.byte());
        case 3: return Texts[in_.byte() % std::size(Texts)];
        case 4: return b & 8 ? "true" : "false";
        case 5: return b & 8 ? "1/0" : "-(0/0)";
        default: {
            if (depth > 2)
                return "{}";
            std::string t = "{";
            const int n = in_.byte() % 44;
            for (int i = 0; i < n && in_.restSize(); ++i)
                t += value(depth + 1) + ",";
            return t + "}";
        }
        }
    }

    std::string build()
    {
        std::string text;
        while (in_.restSize() > 0 && text.size() < 20000) {
            text += "pcall(";
            text += Functions[in_.byte() % std::size(Functions)];
            const int n = in_.byte() % 24;
            for (int i = 0; i < n && in_.restSize(); ++i)
                text += ", " + value(0);
            text += ")\n";
        }
        return text;
    }

private:
    Fuzz::Input& in_;
};

} // namespace

FUZZ_TARGET(script_calls)
{
    Fuzz::startServices<Setting::SettingService, Effect::EffectService, Plugin::ScriptService>([] {
        Plugin::ScriptService::Get()->registerPlugin<Plugin::LuaScript>();
        Plugin::ScriptService::Get()->registerPlugin<Plugin::LuaJitScript>();
    });
    Fuzz::Input in(data, size);
    const char* engine = in.byte() & 1 ? "luaJIT" : "lua";
    Chunk chunk(in);
    const std::string text = chunk.build();

    Edit::Scene scene(1, 0);
    scene.width = 64;
    scene.height = 48;
    auto object = scene.addObject(1, 0, 99);
    Render::RenderObject render;
    render.scene = &scene;
    render.frame = 5;
    render.time = 5;
    render.resetObject(object);
    render.objectList = std::make_shared<Render::ObjectList>(Render::ObjectList{object});

    auto prototype = std::make_shared<Effect::ScriptFilter>(L"");
    prototype->createCommonResource();
    prototype->setScriptSection({L"fuzz", "--track0:A,0,100,10\n--value@list:List,{1,2,3}\n"}, L"/scripts", nullptr,
                                engine);
    auto effect = std::dynamic_pointer_cast<Effect::ScriptFilter>(prototype->create());
    effect->shareResource(*prototype);
    object->effects.push_back(effect);
    try {
        auto run = effect->getScript()->engine->createEffectInstance(*effect, render);
        run->executeEffect(text);
    } catch (const std::exception&) {
        // A failed run is an answer.
    }
    object->effects.clear();
}
