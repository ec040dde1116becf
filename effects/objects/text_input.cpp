#include "effects/objects/text_input.h"

#include "core/expressions.h"
#include "core/failure.h"
#include "core/file.h"
#include "core/file_name.h"
#include "core/log.h"
#include "core/setting_service.h"
#include "core/text.h"
#include "core/vocabulary_tables.h"
#include "effect/movement.h"
#include "effect/script_plugin.h"
#include "effects/objects/input_movie_effect.h"
#include "effects/objects/script_trust.h"
#include "effects/objects/source_ui.h"
#include "media/resource_buffer.h"
#include "media/text_draw.h"
#include "project/edit/update_section.h"
#include "project/model/object.h"
#include "project/model/scene.h"

#include <algorithm>
#include <cmath>
#include <numbers>
#include <stdexcept>

namespace Effect {

namespace {

constexpr const char* ExpandPlace = "Effect::TextInput::expandScript";

std::shared_ptr<EffectItemSelect::SharedList> choiceList(Vocabulary::ChoiceTable table)
{
    auto list = EffectItemSelect::SharedList::create();
    for (const Vocabulary::Choice& choice : table)
        list->insert(choice.value, choice.name);
    return list;
}

const std::shared_ptr<EffectItemSelect::SharedList>& decorationList()
{
    static const auto list = choiceList(Vocabulary::textDecorations);
    return list;
}

const std::shared_ptr<EffectItemSelect::SharedList>& alignmentList()
{
    static const auto list = choiceList(Vocabulary::textAlignments);
    return list;
}

// Frames per second of the scene a render object draws, 0 when unknown.
double framesPerSecond(const Edit::Scene* scene)
{
    return scene && scene->videoRate > 0 && scene->videoScale > 0
               ? static_cast<double>(scene->videoRate) / scene->videoScale
               : 0.0;
}

bool isHighSurrogate(wchar_t c) { return c >= 0xD800 && c < 0xDC00; }
bool isLowSurrogate(wchar_t c) { return c >= 0xDC00 && c < 0xE000; }

// The name of a text: at most NameLength UTF-16 units (a pair is never cut),
// "..." after a cut, a line feed shown as U+23CE and other controls as spaces.
std::wstring makeDisplayName(const std::wstring& text)
{
    size_t units = 0, kept = 0;
    for (wchar_t c : text)
        units += static_cast<uint32_t>(c) >= 0x10000 ? 2 : 1;
    const bool cut = units > TextInput::NameLength;
    if (cut) {
        units = 0;
        for (; kept < text.size(); ++kept) {
            const size_t width = static_cast<uint32_t>(text[kept]) >= 0x10000 ? 2 : 1;
            if (units + width > TextInput::NameLength)
                break;
            units += width;
        }
        // A text held as UTF-16 units: the high half of a pair goes with its low half.
        if (kept > 0 && kept < text.size() && isHighSurrogate(text[kept - 1]) && isLowSurrogate(text[kept]))
            --kept;
    } else {
        kept = text.size();
    }
    std::wstring name = text.substr(0, kept);
    for (wchar_t& c : name) {
        if (c == L'\n')
            c = 0x23CE;
        else if (static_cast<uint32_t>(c) < 0x20)
            c = L' ';
    }
    if (cut)
        name += L"...";
    return name;
}

} // namespace

const TextInput::Decoration TextInput::Decorations[7] = {
    {0, 0, true}, {0, 1.0f, true}, {0, 0.5f, true}, {0.15f, 0, true}, {0.075f, 0, true}, {0.225f, 0, true},
    {0.075f, 0, false},
};

const TextInput::Alignment TextInput::Alignments[18] = {
    {-0.5f, -0.5f, 0, false},  {0, -0.5f, 0.5f, false}, {0.5f, -0.5f, 1, false}, {-0.5f, 0, 0, false},
    {0, 0, 0.5f, false},       {0.5f, 0, 1, false},     {-0.5f, 0.5f, 0, false}, {0, 0.5f, 0.5f, false},
    {0.5f, 0.5f, 1, false},    {0.5f, -0.5f, 0, true},  {0.5f, 0, 0.5f, true},   {0.5f, 0.5f, 1, true},
    {0, -0.5f, 0, true},       {0, 0, 0.5f, true},      {0, 0.5f, 1, true},      {-0.5f, -0.5f, 0, true},
    {-0.5f, 0, 0.5f, true},    {-0.5f, 0.5f, 1, true},
};

TextInput::TextInput()
    : ScriptEffect(Name, EffectType::Input, MediaType::Video, MediaType::Video, L""),
      decoration(items, L"文字装飾", 0, decorationList(), 0.0f, 0.4f),
      alignment(items, L"文字揃え", 0, alignmentList(), 0.4f, 0.8f)
{
    speed.notify = text.notify = individual.notify = fitLength.notify = true;
    onPath.visible = false;
}

void TextInput::createCommonResource()
{
    ScriptEffect::createCommonResource();
    std::shared_ptr<CommonResource> common = getCommonResource();
    common->name = Name; // what every instance takes as its name
    // Without a script service the blocks report that no engine runs.
    if (scriptService)
        common->engine = findScriptPlugin(nullptr);
}

void TextInput::setupTextDraw(Media::TextDraw& draw, const Render::RenderObject* object) const
{
    auto value = [object](const EffectItemNumber& item) {
        return object ? item.getValue(*object) : item.getIndexValue(0);
    };
    const double fps = object ? framesPerSecond(object->scene) : 0.0;
    draw.time = object && object->object && fps > 0 ? (object->time - object->object->start) / fps : 0.0;
    const Alignment& a = Alignments[std::clamp(alignment.value, 0, 17)];
    draw.vertical = a.vertical;
    draw.alignment = a.line;
    draw.letterSpacing = static_cast<float>(value(letterSpacing));
    draw.lineSpacing = static_cast<float>(value(lineSpacing));
    draw.speed = value(speed);
    std::wstring family;
    try {
        family = font.list->getLabel(font.value);
    } catch (const std::out_of_range&) {
    }
    draw.fontName = family.empty() ? Setting::Font::DefaultFamily : family;
    draw.size = static_cast<float>(value(size));
    draw.bold = bold.value;
    draw.italic = italic.value;
    const Render::RenderObject none;
    const Render::RenderObject& at = object ? *object : none;
    draw.color = color.getColor(at);
    const Decoration& d = Decorations[std::clamp(decoration.value, 0, 6)];
    draw.color2 = decoration.value == 0 ? draw.color : color2.getColor(at);
    draw.borderFactor = d.border;
    draw.shadowFactor = d.shadow;
    draw.roundBorder = d.round;
}

std::wstring TextInput::expandScript(Render::RenderObject& object)
{
    const std::wstring& source = text.text;
    System::Expressions::TextScriptBlock block;
    if (!System::Expressions::findTextScriptBlock(source, 0, block))
        return source;
    // Blocks the project brought run once the project is allowed; till then
    // the text is shown as it stands.
    if (!ScriptTrust::allows(source, object.object.get(), ExpandPlace))
        return source;
    std::wstring expanded = source;
    for (size_t from = 0; System::Expressions::findTextScriptBlock(source, from, block); from = block.end) {
        std::wstring body = source.substr(block.scriptBegin, block.scriptLength);
        if (!body.empty() && body[0] == L'=')
            body = L"mes(" + body.substr(1) + L")";
        std::wstring result;
        try {
            const ScriptData* data = getScript();
            if (!data || !data->engine)
                throw System::makeException(ExpandPlace, "no script engine.", nullptr);
            std::unique_ptr<Plugin::ScriptPluginInstance> instance = data->engine->createEffectInstance(*this, object);
            instance->executeEffect(System::wideToUtf8(body));
            result = std::move(instance->messageText);
        } catch (const std::exception& e) {
            System::Log::warn(ExpandPlace, "script exception: %s", e.what());
        }
        // Every copy of the block takes the result: a later identical block
        // runs but finds nothing left to replace.
        System::replaceString(expanded, std::wstring_view(source).substr(block.begin, block.end - block.begin), result);
    }
    return expanded;
}

std::unique_ptr<Media::ResourceBuffer> TextInput::inputVideo(Render::RenderObject& object)
{
    if (text.text.empty())
        return nullptr;
    const std::wstring shown = expandScript(object);
    Media::TextDraw draw;
    setupTextDraw(draw, &object);
    draw.text = shown.c_str();
    draw.individual = individual.value;
    draw.layout(nullptr);
    const int width = draw.blockWidth(), height = draw.blockHeight();
    if (individual.value) {
        drawCharacters(object, draw, width, height);
        return nullptr;
    }
    if (width == 0 || height == 0)
        return nullptr;
    auto picture = std::make_unique<Media::ResourceBuffer>(width, height);
    const float clear[4] = {0, 0, 0, 0};
    picture->clearRenderTargetView(clear);
    const Alignment& a = Alignments[std::clamp(alignment.value, 0, 17)];
    object.drawState.cx = static_cast<float>(width * a.centerX);
    object.drawState.cy = static_cast<float>(height * a.centerY);
    draw.drawToBuffer(*picture);
    return picture;
}

void TextInput::drawCharacters(Render::RenderObject& object, Media::TextDraw& draw, int width, int height)
{
    object.num = static_cast<int>(draw.characterCount);
    const Alignment& a = Alignments[std::clamp(alignment.value, 0, 17)];
    const int atlasWidth = static_cast<int>(std::ceil(draw.widestRow));
    const int atlasHeight = static_cast<int>(std::ceil(draw.atlasHeight));
    const double fps = framesPerSecond(object.scene);
    const bool path = onPath.value && object.object;
    if (atlasWidth > 0 && atlasHeight > 0 && draw.characterCount > 0) {
        auto atlas = std::make_unique<Media::ResourceBuffer>(atlasWidth, atlasHeight);
        const float clear[4] = {0, 0, 0, 0};
        atlas->clearRenderTargetView(clear);
        draw.drawToBuffer(*atlas);

        // Each character through the filters after this source and the output.
        auto output = [&](Render::RenderObject& part, std::unique_ptr<Media::ResourceBuffer> picture) {
            picture = part.applyFilterEffects(std::move(picture), this);
            if (part.focusFixedSize)
                object.focusFixedSize = true;
            part.outputVideo(picture);
        };
        auto copyFor = [&](uint32_t index, float time) {
            Render::RenderObject part = object;
            part.index = static_cast<int>(index);
            part.frameOffset = static_cast<int>(std::lround(time * fps));
            return part;
        };

        if (!path) {
            Render::RenderObject::DrawState& own = object.drawState;
            const float keep[2] = {own.x, own.y};
            own.x = keep[0] - (0.5f + a.centerX) * width;
            own.y = keep[1] - (0.5f + a.centerY) * height;
            draw.splitCharacters(*atlas, [&](std::unique_ptr<Media::ResourceBuffer> picture, uint32_t index,
                                             float time, float x, float y, float z) {
                Render::RenderObject part = copyFor(index, time);
                part.drawState.x += x;
                part.drawState.y += y;
                part.drawState.z += z;
                output(part, std::move(picture));
            });
            own.x = keep[0];
            own.y = keep[1];
        } else {
            // Along the motion path: a character at p along the writing
            // direction sits on the path's point at p / L of the object's
            // length, turned by the path's direction there.
            const Edit::Object& drawn = *object.object;
            double along = a.vertical ? height : width;
            if (along <= 1)
                along = 1000000;
            const double across = a.vertical ? -(0.5 + a.centerX) * width : -(0.5 + a.centerY) * height;
            draw.splitCharacters(*atlas, [&](std::unique_ptr<Media::ResourceBuffer> picture, uint32_t index,
                                             float time, float x, float y, float z) {
                const double p = a.vertical ? y : x;
                const double s = a.vertical ? picture->getHeight() : picture->getWidth();
                const double e = std::clamp(p / along, 0.0, 1.0), d = std::clamp((p + s) / along, 0.0, 1.0);
                Render::RenderObject probe = object;
                probe.setTime(drawn.start + (drawn.end - drawn.start) * e);
                const Render::RenderObject::DrawState p1 = probe.getOutputView();
                probe.setTime(drawn.start + (drawn.end - drawn.start) * d);
                const Render::RenderObject::DrawState p2 = probe.getOutputView();
                double c = p1.x == p2.x && p1.y == p2.y ? 0.0 : std::atan2(p2.y - p1.y, p2.x - p1.x);
                double ox, oy;
                if (!a.vertical) {
                    const double g = y + across;
                    ox = -std::sin(c) * g;
                    oy = std::cos(c) * g;
                } else {
                    const double f = x + across;
                    ox = std::sin(c) * f;
                    oy = -std::cos(c) * f;
                    c -= std::numbers::pi / 2;
                }
                Render::RenderObject part = copyFor(index, time);
                part.drawState.x += static_cast<float>(p1.x + ox);
                part.drawState.y += static_cast<float>(p1.y + oy);
                part.drawState.z += p1.z + z;
                part.drawState.rz += static_cast<float>(c * 57.295776);
                // The path's point is where the output would put the object:
                // it must not add its position once more.
                part.skipOutputPosition = true;
                output(part, std::move(picture));
            });
        }
    }
    object.drawState.cx = static_cast<float>(width * a.centerX);
    object.drawState.cy = static_cast<float>(height * a.centerY);
    if (path)
        object.setOutputAnchor(0, 0);
    else
        object.setOutputAnchor(width, height);
}

const wchar_t* TextInput::getName()
{
    if (text.text.empty())
        return translatedEffectText(name);
    if (displayName_.empty())
        displayName_ = makeDisplayName(text.text);
    return displayName_.c_str();
}

double TextInput::getDisplayTime() const
{
    Media::TextDraw draw;
    setupTextDraw(draw, nullptr);
    draw.text = text.text.c_str();
    draw.layout(nullptr);
    return draw.displayTime;
}

bool TextInput::fitObjectLength(ItemEvent& event)
{
    if (!fitLength.value || speed.movement != NoMove::instance || !event.object || !event.object->midPoints.empty())
        return false;
    const double fps = framesPerSecond(event.update ? event.update->scene.get() : nullptr);
    if (fps <= 0)
        return false;
    const double seconds = getDisplayTime();
    if (!(seconds > 0))
        return false;
    const bool edgeDragged = event.code == 4 || event.code == 5;
    InputMovieEffect::resizeObject(event, static_cast<int>(std::lround(seconds * fps)), !edgeDragged);
    return true;
}

bool TextInput::itemEvent(ItemEvent& event)
{
    switch (event.code) {
    case ItemEvent::ItemChanged:
        if (event.payload == &individual) {
            if (event.update) {
                event.update->updateSettingList = true;
                event.update->updateTimeSetting = true;
                event.update->updateColorSetting = true;
                event.update->updateTextSetting = true;
            }
            return true;
        }
        displayName_.clear();
        return fitObjectLength(event);
    case 4:
    case 5: return fitObjectLength(event);
    case ItemEvent::FileSet: {
        const auto* path = static_cast<const wchar_t*>(event.payload);
        std::wstring read;
        if (!path || !System::File::read(path, read)) {
            SourceUi::postError(L"ファイルの読み込みに失敗しました");
            return false;
        }
        text.text = std::move(read);
        displayName_.clear();
        return true;
    }
    default: return false;
    }
}

bool TextInput::isSupportedFile(const wchar_t* path) { return System::FileName::getExtension(path) == L"txt"; }

void TextInput::updateItemState() { onPath.visible = individual.value; }

} // namespace Effect
