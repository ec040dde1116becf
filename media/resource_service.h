#pragma once
// The graphic resources the whole program shares: stroke styles, interface
// text formats, the fonts of native controls, the figure outlines, the figure
// and transition lists and the lookup textures. Each drawing resource is made
// on first use, once, whichever thread asks first.
#include "core/service.h"
#include "media/com_resource.h"
#include "media/figure.h"
#include "media/font_face.h"
#include "media/lookup_texture.h"
#include "media/path_data.h"
#include "media/text_format.h"
#include "media/transition.h"
#include "platform/draw/resources.h"

#include <array>
#include <memory>

namespace Shader {
class SamplerStateList;
class BlendStateList;
class RasterizerStateList;
class ShaderList;
} // namespace Shader

namespace Resource {

// 0: 3-on 3-off dashes; 1: dashes; 2: round caps and joins; 3: bevel joins.
class StrokeStyleList {
public:
    enum Index { Dotted = 0, Dashed = 1, Round = 2, Bevel = 3, Count = 4 };
    StrokeStyleList();
    Platform::Draw::StrokeStyle* get(int index) { return styles_.at(static_cast<size_t>(index)).createResource(); }

private:
    std::array<Media::ComResource<Platform::Draw::StrokeStyle>, Count> styles_;
};

// Interface text formats, each from a [Font] key of style.conf ("size" or
// "size,family"); entry 1 is entry 0's family at 0.8 times its size.
class TextFormatList {
public:
    enum Index { Control, ControlSmall, EditControl, LayerObject, PreviewTime, TimeGauge, LevelMeter, Footer, TextEdit,
                 Log, Count };
    TextFormatList();
    TextFormat& at(int index) { return formats_.at(static_cast<size_t>(index)); }
    Platform::Draw::TextFormat* get(int index) { return at(index).createResource(); }

private:
    std::array<TextFormat, Count> formats_;
};

class ResourceService : public System::Singleton<ResourceService> {
public:
    ResourceService();
    ~ResourceService();

    StrokeStyleList strokeStyles;
    TextFormatList textFormats;
    OutlineSet outlines;
    std::unique_ptr<GdiFontList> gdiFonts;
    // The GPU tables, built in this order when the graphics device exists
    // (reached through ShaderResource and ShaderStateResource).
    std::unique_ptr<Shader::SamplerStateList> samplerStates;
    std::unique_ptr<Shader::BlendStateList> blendStates;
    std::unique_ptr<Shader::RasterizerStateList> rasterizerStates;
    std::unique_ptr<Shader::ShaderList> shaders;
    // Built-in figures and the user's SVG files; built-in wipes and the
    // user's wipe images. Both are filled once, at construction.
    FigureList figureList;
    TransitionList transitionList;
    LookupTexture permutationTexture{&ResourceService::createPermutationTexture};
    LookupTexture noiseTexture{&ResourceService::createNoiseTexture};
    // The filter cores some wipes borrow, installed by the filters.
    TransitionCores transitionCores;

    static void createPermutationTexture(std::shared_ptr<Media::ResourceBuffer>& out);
    static void createNoiseTexture(std::shared_ptr<Media::ResourceBuffer>& out);
};

// Mix-ins that give an object the shared resources it draws with.
class FontResource {
public:
    FontResource();

protected:
    TextFormatList* textFormatList;
    GdiFontList* gdiFontList;
};

class StrokeStyleResource {
public:
    StrokeStyleResource();

protected:
    StrokeStyleList* strokeStyleList;
};

class FigureResource {
public:
    FigureResource();

protected:
    FigureList* figureList;
};

class TransitionResource {
public:
    TransitionResource();

protected:
    TransitionList* transitionList;
};

} // namespace Resource
