#include "media/resource_service.h"

#include "core/failure.h"
#include "core/ini_file.h"
#include "core/setting_service.h"
#include "media/direct3d_service.h"
#include "media/font_manager.h"
#include "media/shader_list.h"
#include "media/state_list.h"

namespace Resource {

StrokeStyleList::StrokeStyleList()
{
    using namespace Platform::Draw;
    auto make = [](StrokeStyleProperties p, std::vector<float> dashes) {
        return [p, dashes](std::shared_ptr<StrokeStyle>& slot) {
            slot = std::make_shared<StrokeStyle>(p, dashes.data(), static_cast<int>(dashes.size()));
        };
    };
    StrokeStyleProperties dotted{CapStyle::Flat, CapStyle::Flat, CapStyle::Flat, LineJoin::Miter, 10.0f,
                                 DashStyle::Custom, 0.0f};
    StrokeStyleProperties dashed = dotted;
    dashed.dashStyle = DashStyle::Dash;
    StrokeStyleProperties round{CapStyle::Round, CapStyle::Round, CapStyle::Round, LineJoin::Round, 1.0f,
                                DashStyle::Solid, 0.0f};
    StrokeStyleProperties bevel{CapStyle::Flat, CapStyle::Flat, CapStyle::Flat, LineJoin::Bevel, 1.0f,
                                DashStyle::Solid, 0.0f};
    styles_[Dotted].setGenerator(make(dotted, {3.0f, 3.0f}));
    styles_[Dashed].setGenerator(make(dashed, {}));
    styles_[Round].setGenerator(make(round, {}));
    styles_[Bevel].setGenerator(make(bevel, {}));
}

namespace {
struct FontKey {
    std::wstring family;
    float size;
};

FontKey readFontKey(const char* key)
{
    Setting::SettingService* settings = Setting::SettingService::Get();
    if (!settings)
        throw System::makeException("Resource::TextFormatList::TextFormatList", "setting service not created.", nullptr);
    auto parts = settings->font.get(key).split(",");
    FontKey k;
    k.size = parts.at(0).toFloat();
    k.family = parts.size() >= 2 ? parts[1].toString() : Media::defaultFontFamily();
    return k;
}
} // namespace

TextFormatList::TextFormatList()
{
    static const char* const keys[Count] = {"Control", nullptr, "EditControl", "LayerObject", "PreviewTime",
                                            "TimeGauge", "LevelMeter", "Footer", "TextEdit", "Log"};
    for (int i = 0; i < Count; ++i) {
        if (i == ControlSmall) {
            formats_[i].setGenerator([this](std::shared_ptr<Platform::Draw::TextFormat>& slot) {
                TextFormat& control = formats_[Control];
                slot = TextFormat::create(control.getName(), control.getSize() * 0.8f);
            });
            continue;
        }
        const char* key = keys[i];
        formats_[i].setGenerator([key](std::shared_ptr<Platform::Draw::TextFormat>& slot) {
            FontKey k = readFontKey(key);
            slot = TextFormat::create(k.family, k.size);
        });
    }
}

ResourceService::ResourceService() : gdiFonts(std::make_unique<GdiFontList>())
{
    createBuiltinOutlines(outlines);
    if (Media::Direct3DService::Get()) {
        samplerStates = std::make_unique<Shader::SamplerStateList>();
        blendStates = std::make_unique<Shader::BlendStateList>();
        rasterizerStates = std::make_unique<Shader::RasterizerStateList>();
        shaders = std::make_unique<Shader::ShaderList>();
    }
    figureList.load(outlines);
    transitionList.load(outlines);
}

void ResourceService::createPermutationTexture(std::shared_ptr<Media::ResourceBuffer>& out)
{
    out = uploadLookupTexture(createPermutationValues());
}

void ResourceService::createNoiseTexture(std::shared_ptr<Media::ResourceBuffer>& out)
{
    out = uploadLookupTexture(createNoiseValues());
}

ResourceService::~ResourceService()
{
    shaders.reset();
    rasterizerStates.reset();
    blendStates.reset();
    samplerStates.reset();
}

FontResource::FontResource()
{
    ResourceService* service = ResourceService::Get();
    textFormatList = service ? &service->textFormats : nullptr;
    gdiFontList = service ? service->gdiFonts.get() : nullptr;
}

StrokeStyleResource::StrokeStyleResource()
{
    ResourceService* service = ResourceService::Get();
    strokeStyleList = service ? &service->strokeStyles : nullptr;
}

FigureResource::FigureResource()
{
    ResourceService* service = ResourceService::Get();
    figureList = service ? &service->figureList : nullptr;
}

TransitionResource::TransitionResource()
{
    ResourceService* service = ResourceService::Get();
    transitionList = service ? &service->transitionList : nullptr;
}

} // namespace Resource
