#include "effects/objects/script_effect.h"

#include "core/failure.h"
#include "core/log.h"
#include "core/text.h"
#include "effect/anchor_list.h"
#include "effect/effect_item_color.h"
#include "effect/effect_item_file.h"
#include "effect/effect_item_number.h"
#include "effect/effect_item_select.h"
#include "effect/effect_item_simple.h"
#include "project/model/object.h"

#include <cstdio>
#include <cstdlib>
#include <exception>

namespace Effect {

namespace {
constexpr const char* HeaderPlace = "Effect::ScriptEffect::makeScriptParams";
constexpr const wchar_t* ScriptFileFilter = L"すべてのファイル (*.*)\0*.*\0\0";

bool isControl(char c)
{
    return static_cast<unsigned char>(c) < 0x20;
}

std::string_view trim(std::string_view text)
{
    while (!text.empty() && text.front() == ' ')
        text.remove_prefix(1);
    while (!text.empty() && text.back() == ' ')
        text.remove_suffix(1);
    return text;
}

// The text up to the first of the stop characters or a control character;
// rest is left after that character (empty at a control character or the end),
// and *stop tells which it was (0 for a control character or the end).
std::string_view takeUntil(std::string_view& rest, std::string_view stops, char* stop = nullptr)
{
    size_t end = 0;
    while (end < rest.size() && stops.find(rest[end]) == std::string_view::npos && !isControl(rest[end]))
        ++end;
    const std::string_view piece = rest.substr(0, end);
    const bool stopped = end < rest.size() && !isControl(rest[end]);
    if (stop)
        *stop = stopped ? rest[end] : 0;
    rest = stopped ? rest.substr(end + 1) : std::string_view();
    return piece;
}

// A field: up to "," or a control character, trimmed.
std::string_view takeField(std::string_view& rest)
{
    return trim(takeUntil(rest, ","));
}

// Everything after the first ":" of a header line, or after its first control
// character when it has no ":"; not trimmed.
std::string_view restOfLine(std::string_view line)
{
    const size_t colon = line.find(':');
    if (colon != std::string_view::npos)
        return line.substr(colon + 1);
    for (size_t i = 0; i < line.size(); ++i) {
        if (isControl(line[i]))
            return line.substr(i + 1);
    }
    return {};
}

// The fields after the first ":" (none without one).
std::string_view fieldsOf(std::string_view line)
{
    const size_t colon = line.find(':');
    return colon == std::string_view::npos ? std::string_view() : line.substr(colon + 1);
}

int readInt(std::string_view field, int base = 10)
{
    return ScriptFileParser::readHeaderInt(field, HeaderPlace, base);
}

double readDouble(std::string_view field)
{
    return ScriptFileParser::readHeaderNumber(field, HeaderPlace);
}

std::string_view unquote(std::string_view text)
{
    if (text.size() >= 2 && text.front() == '"' && text.back() == '"')
        return text.substr(1, text.size() - 2);
    return text;
}

// The parameter name of a declaration line: "@local " + the name after an
// "@"; else the keyword's own text ("track0") for tracks and checks, and
// "@local " + it for the other kinds.
std::string declaredName(std::string_view line, std::string_view keyword)
{
    std::string_view rest = line.substr(keyword.size());
    if (!rest.empty() && rest.front() == '@') {
        rest.remove_prefix(1);
        return "@local " + std::string(trim(takeUntil(rest, ":")));
    }
    std::string_view own = line.substr(2);
    own = own.substr(0, std::min(own.find(':'), own.size()));
    for (size_t i = 0; i < own.size(); ++i) {
        if (isControl(own[i])) {
            own = own.substr(0, i);
            break;
        }
    }
    if (keyword == "--track" || keyword == "--check")
        return std::string(own);
    return "@local " + std::string(own);
}

template <class T>
const T& itemAs(const EffectItem& item)
{
    if (auto* p = dynamic_cast<const T*>(&item))
        return *p;
    throw System::makeException("Effect::EffectItem::to", "invalid effect item type.", nullptr);
}

// A new item in list with the label and value of p.
std::unique_ptr<EffectItem> makeItemLike(EffectItemList& list, const EffectItem& p)
{
    switch (p.kind) {
    case EffectItemKind::Number: {
        const auto& n = itemAs<EffectItemNumber>(p);
        const double scale = n.scale;
        return std::make_unique<EffectItemNumber>(list, n.name, n.defaultValue / scale, n.minValue / scale,
                                                  n.maxValue / scale, 1.0 / scale);
    }
    case EffectItemKind::Check:
        return std::make_unique<EffectItemCheck>(list, p.name, itemAs<EffectItemCheck>(p).value);
    case EffectItemKind::String:
    case EffectItemKind::ScriptString:
    case EffectItemKind::ScriptString2:
        return std::make_unique<EffectItemString>(list, p.name, itemAs<EffectItemString>(p).text, p.kind);
    case EffectItemKind::File:
        return std::make_unique<EffectItemFile>(list, p.name, ScriptFileFilter, itemAs<EffectItemFile>(p).path);
    case EffectItemKind::Color:
    case EffectItemKind::ColorOrNone: {
        const auto& c = itemAs<EffectItemColor>(p);
        return std::make_unique<EffectItemColor>(list, p.name, c.r, c.g, c.b, p.kind, c.none);
    }
    case EffectItemKind::Select: {
        const auto& s = itemAs<EffectItemSelect>(p);
        return std::make_unique<EffectItemSelect>(list, p.name, s.value, s.holder);
    }
    case EffectItemKind::Font: {
        const auto& f = itemAs<EffectItemSelect>(p);
        return std::make_unique<EffectItemFontSelect>(list, p.name, f.list->getLabel(f.value));
    }
    case EffectItemKind::ScriptFigure: {
        const auto& f = itemAs<EffectItemComboFile>(p);
        auto item = std::make_unique<EffectItemFigureSelect>(
            list, p.name, f.value < 0 ? nullptr : f.list->getLabel(f.value), EffectItemKind::ScriptFigure);
        if (f.value < 0)
            item->setFilePath(f.path.c_str());
        return item;
    }
    default:
        throw System::makeException("Effect::ScriptEffect::shareResource", "not implement.", nullptr);
    }
}

std::shared_ptr<ScriptEffect::CommonResource> commonOf(const std::shared_ptr<ScriptData>& data)
{
    return std::static_pointer_cast<ScriptEffect::CommonResource>(data);
}
} // namespace

ScriptEffect::ScriptEffect(const wchar_t* name, uint8_t effectType, uint8_t mediaType, uint8_t objectMediaType,
                           const wchar_t* category)
    : EffectBase(L"", effectType, mediaType, objectMediaType, category), ownName_(name ? name : L"")
{
    this->name = ownName_.c_str();
}

ScriptEffect::~ScriptEffect()
{
    // The prototype's items go: a definition made from it afterwards has none to copy.
    if (auto common = getCommonResource(); common && common->declaredOwner == this) {
        common->declared.clear();
        common->declaredOwner = nullptr;
    }
}

std::shared_ptr<ScriptEffect::CommonResource> ScriptEffect::getCommonResource() const
{
    return commonOf(script);
}

void ScriptEffect::createCommonResource()
{
    script = std::make_shared<CommonResource>();
}

void ScriptEffect::shareResource(EffectBase& prototype)
{
    auto* source = dynamic_cast<ScriptEffect*>(&prototype);
    if (!source || !source->script)
        return;
    script = source->script;
    name = script->name.c_str();
    for (const auto& [key, item] : getCommonResource()->declared)
        declare(key, [&, item = item] { return makeItemLike(items, *item); });
}

void ScriptEffect::setScriptSection(ScriptSection section, const std::wstring& folder, std::wstring* label,
                                    const char* engine)
{
    if (!script)
        createCommonResource();
    script->name = std::move(section.name);
    script->text = std::move(section.text);
    script->folder = folder;
    name = script->name.c_str();
    makeScriptParams(label, engine);
}

void ScriptEffect::reloadScriptSection(ScriptSection section)
{
    if (!script)
        return;
    script->text = std::move(section.text);
    getCommonResource()->dropShaders();
}

EffectItem* ScriptEffect::findParameter(std::string_view key) const
{
    for (const Parameter& p : parameters) {
        if (p.name == key)
            return p.item.get();
    }
    return nullptr;
}

void ScriptEffect::declare(const std::string& key, const std::function<std::unique_ptr<EffectItem>()>& make)
{
    if (findParameter(key)) {
        System::Log::warn(HeaderPlace, L"script param already declared [%s] %s", name,
                          System::utf8ToWide(key).c_str());
        return;
    }
    std::unique_ptr<EffectItem> item = make();
    parameters.push_back({key, std::move(item)});
}

void ScriptEffect::makeValueItem(const std::string& key, const std::wstring& label, const std::wstring& value)
{
    declare(key, [&]() -> std::unique_ptr<EffectItem> {
        if (value.size() >= 2 && value.front() == L'"' && value.back() == L'"')
            return std::make_unique<EffectItemString>(items, label, value.substr(1, value.size() - 2));
        if (value.size() >= 2 && value.front() == L'{' && value.back() == L'}')
            return std::make_unique<EffectItemString>(items, label, value.substr(1, value.size() - 2),
                                                      EffectItemKind::ScriptString2);
        return std::make_unique<EffectItemString>(items, label, value, EffectItemKind::ScriptString);
    });
}

void ScriptEffect::makeScriptParams(std::wstring* label, const char* engine)
{
    bool engineChosen = false;
    try {
        forEachHeaderLine(script->text, [&](std::string_view line) { parseHeaderLine(line, label, engineChosen); });
    } catch (const std::exception& e) {
        System::Log::warn(HeaderPlace, L"script params load faild [%s]\n%s", name,
                          System::ansiToWide(e.what()).c_str());
    }
    auto common = getCommonResource();
    common->declared.clear();
    for (const Parameter& p : parameters)
        common->declared.emplace_back(p.name, p.item.get());
    common->declaredOwner = this;
    if (engineChosen)
        return;
    // A script whose header names no engine runs on the default one.
    try {
        script->engine = findScriptPlugin(engine);
    } catch (const std::exception& e) {
        System::Log::warn(HeaderPlace, L"script params load faild [%s]\n%s", name,
                          System::ansiToWide(e.what()).c_str());
    }
}

void ScriptEffect::parseHeaderLine(std::string_view line, std::wstring* label, bool& engineChosen)
{
    auto wide = [](std::string_view text) { return System::utf8ToWide(text); };
    std::string_view fields = fieldsOf(line);
    if (line.starts_with("--track")) {
        const std::string key = declaredName(line, "--track");
        const std::wstring itemLabel = wide(takeField(fields));
        const double min = readDouble(takeField(fields));
        const double max = readDouble(takeField(fields));
        const double value = readDouble(takeField(fields));
        const std::string_view stepField = takeField(fields);
        double step = stepField.empty() ? 0.1 : readDouble(stepField);
        if (!(step > 0))
            step = 0.1;
        declare(key, [&] { return std::make_unique<EffectItemNumber>(items, itemLabel, value, min, max, step); });
    } else if (line.starts_with("--check")) {
        const std::string key = declaredName(line, "--check");
        const std::wstring itemLabel = wide(takeField(fields));
        const bool on = readInt(takeField(fields)) != 0;
        declare(key, [&] { return std::make_unique<EffectItemCheck>(items, itemLabel, on); });
    } else if (line.starts_with("--color")) {
        const std::string key = declaredName(line, "--color");
        char stop = 0;
        const std::string_view first = trim(takeUntil(fields, ",", &stop));
        const bool two = stop == ',';
        const std::wstring itemLabel = two ? wide(first) : L"色";
        const std::string_view value = two ? takeField(fields) : first;
        if (value.empty() || value == "nil") {
            declare(key, [&] {
                return std::make_unique<EffectItemColor>(items, itemLabel, 0, 0, 0, EffectItemKind::ColorOrNone, true);
            });
        } else {
            const uint32_t rgb = static_cast<uint32_t>(readInt(value, 16));
            declare(key, [&] {
                return std::make_unique<EffectItemColor>(items, itemLabel, (rgb >> 16) & 0xFF, (rgb >> 8) & 0xFF,
                                                         rgb & 0xFF);
            });
        }
    } else if (line.starts_with("--file")) {
        const std::string key = declaredName(line, "--file");
        std::wstring itemLabel = wide(takeField(fields));
        if (itemLabel.empty())
            itemLabel = L"ファイル";
        declare(key, [&] { return std::make_unique<EffectItemFile>(items, itemLabel, ScriptFileFilter); });
    } else if (line.starts_with("--font")) {
        const std::string key = declaredName(line, "--font");
        const std::wstring itemLabel = wide(takeField(fields));
        const std::wstring family = wide(takeField(fields));
        EffectItemFontSelect::getFontList().getValue(family); // an unknown family ends the header
        declare(key, [&] { return std::make_unique<EffectItemFontSelect>(items, itemLabel, family.c_str()); });
    } else if (line.starts_with("--figure")) {
        const std::string key = declaredName(line, "--figure");
        const std::wstring itemLabel = wide(takeField(fields));
        const std::wstring figure = wide(takeField(fields));
        declare(key, [&] {
            return std::make_unique<EffectItemFigureSelect>(items, itemLabel, figure.c_str(), EffectItemKind::ScriptFigure);
        });
    } else if (line.starts_with("--value")) {
        const std::string key = declaredName(line, "--value");
        const std::wstring itemLabel = wide(takeField(fields));
        const std::wstring value = wide(trim(takeUntil(fields, ";")));
        makeValueItem(key, itemLabel, value);
    } else if (line.starts_with("--select")) {
        const std::string key = declaredName(line, "--select");
        const std::string_view head = takeField(fields);
        const std::vector<std::string> pieces = System::splitString(std::string(head), '=');
        const std::wstring itemLabel = wide(pieces.size() == 2 ? std::string_view(pieces[0]) : head);
        int value = pieces.size() == 2 ? readInt(trim(pieces[1])) : 0;
        auto options = EffectItemSelect::SharedList::create();
        while (!fields.empty()) {
            const std::string_view option = takeField(fields);
            const std::vector<std::string> parts = System::splitString(std::string(option), '=');
            if (option.empty() || parts.size() != 2)
                break;
            options->add(readInt(trim(parts[1])), wide(trim(parts[0])).c_str());
        }
        // Without options the value is 0, under an empty label: a value
        // without a label could not be saved with the project.
        if (options->labels.empty())
            options->add(0, L"");
        if (!options->labels.count(value))
            value = options->smallestValue();
        declare(key, [&] { return std::make_unique<EffectItemSelect>(items, itemLabel, value, options); });
    } else if (line.starts_with("--dialog")) {
        while (true) {
            const std::string_view entryLabel = trim(takeUntil(fields, ","));
            if (entryLabel.empty())
                break;
            char stop = 0;
            std::string_view entryName = takeUntil(fields, "=;", &stop);
            if (entryName.empty())
                break;
            if (entryName.starts_with("local "))
                entryName.remove_prefix(6);
            while (stop == '=' && !fields.empty() && fields.front() == ' ')
                fields.remove_prefix(1);
            const std::string_view value = stop == '=' ? trim(takeUntil(fields, ";")) : std::string_view();
            const std::string_view suffix = entryLabel.size() >= 4 ? entryLabel.substr(entryLabel.size() - 4) : "";
            const std::wstring shortLabel = wide(entryLabel.substr(0, entryLabel.size() - 4));
            const std::string atName = "@" + std::string(entryName);
            if (suffix == "/chk") {
                const bool on = readInt(value) != 0;
                declare(atName, [&] { return std::make_unique<EffectItemCheck>(items, shortLabel, on); });
            } else if (suffix == "/col") {
                const uint32_t rgb = static_cast<uint32_t>(readInt(unquote(value), 16));
                declare(atName, [&] {
                    return std::make_unique<EffectItemColor>(items, shortLabel, (rgb >> 16) & 0xFF, (rgb >> 8) & 0xFF,
                                                             rgb & 0xFF);
                });
            } else if (suffix == "/fig") {
                const std::wstring figure = wide(unquote(value));
                declare(atName, [&] {
                    return std::make_unique<EffectItemFigureSelect>(items, shortLabel, figure.c_str(),
                                                                    EffectItemKind::ScriptFigure);
                });
            } else {
                makeValueItem(std::string(entryName), wide(entryLabel), wide(value));
            }
            if (fields.empty())
                break;
        }
    } else if (line.starts_with("--param")) {
        while (true) {
            char stop = 0;
            const std::string_view entryName = takeUntil(fields, "=;", &stop);
            if (entryName.empty())
                break;
            while (stop == '=' && !fields.empty() && fields.front() == ' ')
                fields.remove_prefix(1);
            const std::string_view value = stop == '=' ? trim(takeUntil(fields, ";")) : std::string_view();
            makeValueItem(std::string(entryName), wide(entryName), wide(value));
            if (fields.empty())
                break;
        }
    } else if (line.starts_with("--script")) {
        script->engine = findScriptPlugin(std::string(restOfLine(line)).c_str());
        engineChosen = true;
    } else if (line.starts_with("--label")) {
        if (label)
            *label = wide(restOfLine(line));
    } else if (line.starts_with("--information")) {
        script->information = wide(restOfLine(line));
    }
}

// ---- tracks, value lists and their handles ----

EffectItemNumber* ScriptEffect::getTrackItem(int index) const
{
    if (index < 0 || index > 2)
        return nullptr;
    EffectItem* item = findParameter("track" + std::to_string(index));
    return item && item->kind == EffectItemKind::Number ? dynamic_cast<EffectItemNumber*>(item) : nullptr;
}

std::vector<float> ScriptEffect::getTrackPoints(const Render::RenderObject& r, int trackCount, int pointCount) const
{
    std::vector<float> points;
    if (trackCount <= 0 || pointCount <= 0)
        return points;
    points.reserve(size_t(trackCount) * size_t(pointCount));
    const Edit::Object* object = r.object.get();
    const int inner = object ? static_cast<int>(object->midPoints.size()) : 0;
    for (int i = 0; i < pointCount; ++i) {
        for (int j = 0; j < trackCount; ++j) {
            const EffectItemNumber* track = getTrackItem(j);
            if (!track) {
                points.push_back(0);
                continue;
            }
            const std::vector<int32_t>& v = track->values;
            const int k = static_cast<int>(v.size());
            const double scale = track->scale;
            double value;
            if (k == 0)
                value = track->defaultValue / scale;
            else if (k < 2 || i == 0)
                value = v[0] / scale;
            else if (i >= inner + 1)
                value = v[k - 1] / scale;
            else if (k == inner + 2)
                value = v[i] / scale;
            else
                value = track->getValueAtFrame(r, object->start + object->midPoints[i - 1]);
            points.push_back(static_cast<float>(value));
        }
    }
    return points;
}

std::vector<float> ScriptEffect::getValueList(const std::string& key) const
{
    std::vector<float> values;
    EffectItem* item = findParameter(key);
    if (!item)
        item = findParameter("@local " + key);
    if (!item || item->kind != EffectItemKind::ScriptString2)
        return values;
    const std::string text = System::wideToUtf8(itemAs<EffectItemString>(*item).text);
    for (const std::string& piece : System::splitComma(text)) {
        char* end = nullptr;
        const float v = std::strtof(piece.c_str(), &end);
        if (end == piece.c_str())
            break;
        values.push_back(v);
    }
    return values;
}

void ScriptEffect::setValueList(const std::string& key, const std::vector<float>& values)
{
    EffectItem* item = findParameter(key);
    if (!item)
        item = findParameter("@local " + key);
    if (!item || item->kind != EffectItemKind::ScriptString2)
        return;
    std::string text;
    for (size_t i = 0; i < values.size(); ++i) {
        char buffer[64];
        std::snprintf(buffer, sizeof buffer, i ? ",%1.2f" : "%1.2f", values[i]);
        text += buffer;
    }
    const_cast<EffectItemString&>(itemAs<EffectItemString>(*item)).text = System::utf8ToWide(text);
}

bool ScriptEffect::anchorEvent(Anchor::AnchorEvent& event)
{
    if (event.kind != Anchor::AnchorEvent::Drag || !event.object)
        return false;
    const Math::float4 before = event.currentPoint;
    const Math::float4 after = event.movePoint(before, event.matrix, static_cast<float>(event.dragStep.x),
                                               static_cast<float>(event.dragStep.y));
    event.currentPoint = after;
    const float d[3] = {after.x - before.x, after.y - before.y, after.z - before.z};
    const int dimensions = (event.flags & Anchor::Flag::Script3D) ? 3 : (event.flags & Anchor::Flag::Script2D) ? 2 : 0;
    if (dimensions == 0)
        return false;
    if (event.label == "track") {
        bool changed = false;
        for (int j = 0; j < dimensions; ++j) {
            if (EffectItemNumber* track = getTrackItem(j))
                changed |= track->addAnchorValue(event.id, *event.object, d[j]);
        }
        return changed;
    }
    std::vector<float> values = getValueList(event.label);
    values.resize(static_cast<size_t>(std::max(event.valueCount, 0)), 0.0f);
    const size_t first = static_cast<size_t>(event.id) * dimensions;
    if (event.id < 0 || first + dimensions > values.size())
        return false;
    for (int j = 0; j < dimensions; ++j)
        values[first + j] += d[j];
    setValueList(event.label, values);
    return true;
}

} // namespace Effect
