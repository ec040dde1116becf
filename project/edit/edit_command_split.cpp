// Commands that cut objects into pieces: split at a frame, cut or trim the
// frame selection, and give a movie's sound tracks objects of their own.
#include "core/log.h"
#include "effect/effect_base.h"
#include "effect/effect_define.h"
#include "effect/effect_service.h"
#include "project/edit/edit_command.h"
#include "project/edit/edit_command_steps.h"
#include "project/edit/edit_host.h"
#include "project/edit/edit_service.h"
#include "project/edit/undo_service.h"
#include "project/edit/update_section.h"
#include "project/model/object.h"
#include "project/model/scene.h"

#include <algorithm>
#include <unordered_map>

namespace Edit {

using namespace CommandSteps;

namespace {

// A frame lies inside an object when a cut there leaves a piece on each side.
bool inside(const Object& object, long long frame)
{
    return object.start < frame && frame <= object.end;
}

struct Pieces {
    std::shared_ptr<Object> left;
    std::shared_ptr<Object> right;
    explicit operator bool() const { return left != nullptr; }
};

// Two new objects on the source's layer holding the source cut before the
// frame; none when the cut is refused.
Pieces cutPieces(Scene& scene, const Object& source, int frame)
{
    // Copied at once: the second addObject may move the layer's entries.
    Pieces pieces;
    pieces.left = scene.addObject(source.layer, source.start, source.end);
    pieces.right = scene.addObject(source.layer, source.start, source.end);
    bool cut = false;
    try {
        cut = source.splitAt(frame, *pieces.left, *pieces.right, scene);
    } catch (...) {
        scene.removeObject(*pieces.left);
        scene.removeObject(*pieces.right);
        throw;
    }
    if (cut)
        return pieces;
    scene.removeObject(*pieces.left);
    scene.removeObject(*pieces.right);
    return {};
}

// Item event 3: the piece was cut from the source.
void sendCutFrom(UpdateSection& update, Object& piece, const Object& source)
{
    Effect::ItemEvent event;
    event.code = Effect::ItemEvent::CutFrom;
    event.update = &update;
    event.payload = &source;
    piece.sendInputItemEvent(event);
}

// The common end of the piece steps.
void finishPieces(PieceContext& c, const std::shared_ptr<Object>& object,
                  std::initializer_list<std::shared_ptr<Object>> kept,
                  std::initializer_list<std::shared_ptr<Object>> clipped, const std::shared_ptr<Object>& focus)
{
    for (const auto& piece : kept)
        sendCutFrom(c.update, *piece, *object);
    for (const auto& piece : clipped)
        sendCutFrom(c.update, *piece, *object);
    for (const auto& piece : kept)
        c.undo.addObjectCreate(piece);
    if (object->group) {
        for (const auto& piece : kept) {
            c.undo.addObjectGroup(piece);
            joinGroup(*piece, object->group);
        }
    }
    for (const auto& piece : clipped) {
        pushObjectCopy(c.clipboard, *piece);
        c.scene.removeObject(*piece);
    }
    c.undo.addObjectCreateDelete(object);
    c.scene.removeObject(*object);
    if (c.scene.focusObject == object) {
        c.scene.focusObject = focus;
        c.update.notifyFocusObject = true;
    }
}

// The object cut at a, then its right piece at b: {[start, a - 1], [a, b - 1], [b, end]}.
bool cutThree(Scene& scene, const Object& object, int a, int b, std::shared_ptr<Object> (&out)[3])
{
    const Pieces first = cutPieces(scene, object, a);
    if (!first)
        return false;
    Pieces second;
    try {
        second = cutPieces(scene, *first.right, b);
    } catch (...) {
        scene.removeObject(*first.left);
        scene.removeObject(*first.right);
        throw;
    }
    // The right piece of the first cut was only the source of the second.
    scene.removeObject(*first.right);
    if (!second) {
        scene.removeObject(*first.left);
        return false;
    }
    out[0] = first.left;
    out[1] = second.left;
    out[2] = second.right;
    return true;
}

// The frame selection as the frames [from, to) and the targets of a range command.
struct Range {
    int from = 0;
    long long to = 0;
    EditCommand::ObjectVector targets;

    // Where the range meets a target: both ends inside it, only one, the
    // target wholly inside the range, or neither.
    enum Meeting { Middle, FromInside, ToInside, Within, Apart };
    Meeting meet(const Object& object) const
    {
        const bool fromInside = inside(object, from);
        const bool toInside = inside(object, to);
        if (fromInside && toInside)
            return Middle;
        if (fromInside)
            return FromInside;
        if (toInside)
            return ToInside;
        return object.start >= from && object.end < to ? Within : Apart;
    }
};

// False without a frame selection or targets.
bool readRange(const Scene& scene, Range& range)
{
    if (scene.frameSelectionStart < 0 || scene.frameSelectionEnd < 0)
        return false;
    range.from = std::min(scene.frameSelectionStart, scene.frameSelectionEnd);
    range.to = static_cast<long long>(std::max(scene.frameSelectionStart, scene.frameSelectionEnd)) + 1;
    range.targets = EditCommand::Targets(scene).targets();
    return !range.targets.empty();
}

} // namespace

namespace CommandSteps {

bool cutObjectMiddle(PieceContext& c, const std::shared_ptr<Object>& object, int a, int b)
{
    std::shared_ptr<Object> p[3];
    if (!cutThree(c.scene, *object, a, b, p))
        return false;
    finishPieces(c, object, {p[0], p[2]}, {p[1]}, p[2]);
    return true;
}

bool trimObjectMiddle(PieceContext& c, const std::shared_ptr<Object>& object, int a, int b)
{
    std::shared_ptr<Object> p[3];
    if (!cutThree(c.scene, *object, a, b, p))
        return false;
    finishPieces(c, object, {p[1]}, {p[0], p[2]}, p[1]);
    return true;
}

bool cutObjectRight(PieceContext& c, const std::shared_ptr<Object>& object, int x)
{
    const Pieces p = cutPieces(c.scene, *object, x);
    if (!p)
        return false;
    finishPieces(c, object, {p.left}, {p.right}, p.left);
    return true;
}

bool cutObjectLeft(PieceContext& c, const std::shared_ptr<Object>& object, int x)
{
    const Pieces p = cutPieces(c.scene, *object, x);
    if (!p)
        return false;
    finishPieces(c, object, {p.right}, {p.left}, p.right);
    return true;
}

} // namespace CommandSteps

void EditCommand::splitObject(int frame)
{
    constexpr const char* Place = "Edit::EditCommand::splitObject";
    const Context ctx = context(Place);
 EditService& edit = ctx.edit;
 Undo::UndoService& recorder = ctx.undo;
 Scene& scene = ctx.scene;
    EditCommand::Targets command(scene);
    if (command.empty())
        return;
    const ObjectVector targets = command.targets();
    System::Log::info(Place, "split object num=%d frame=%d", static_cast<int>(targets.size()), frame);
    UpdateSection update(edit);
    openPlacement(update);

    // One pair of new groups (left pieces, right pieces) per group met.
    std::unordered_map<const Group*, std::pair<std::shared_ptr<Group>, std::shared_ptr<Group>>> groups;
    for (const auto& target : targets) {
        if (!inside(*target, frame))
            continue;
        const Pieces pieces = cutPieces(scene, *target, frame);
        if (!pieces)
            continue;
        sendCutFrom(update, *pieces.left, *target);
        sendCutFrom(update, *pieces.right, *target);
        recorder.addObjectCreate(pieces.left);
        recorder.addObjectCreate(pieces.right);
        if (target->group) {
            auto& pair = groups[target->group.get()];
            if (!pair.first) {
                pair.first = std::make_shared<Group>();
                pair.second = std::make_shared<Group>();
            }
            recorder.addObjectGroup(pieces.left);
            joinGroup(*pieces.left, pair.first);
            recorder.addObjectGroup(pieces.right);
            joinGroup(*pieces.right, pair.second);
        }
        recorder.addObjectCreateDelete(target);
        scene.removeObject(*target);
        if (scene.focusObject == target) {
            scene.focusObject = pieces.right;
            update.notifyFocusObject = true;
        }
    }
    // The cut objects are gone: the selection keeps what is still placed.
    dropUnplacedSelection(scene);
}

void EditCommand::cutRangeObject(bool closeGap)
{
    // Reached through cutObject, whose place it logs at.
    constexpr const char* Place = "Edit::EditCommand::cutObject";
    const Context ctx = context(Place);
 EditService& edit = ctx.edit;
 Undo::UndoService& recorder = ctx.undo;
 Scene& scene = ctx.scene;
    Range range;
    if (!readRange(scene, range))
        return;
    const int from = range.from;
    const long long to = range.to;
    System::Log::info(Place, "cut range object num=%d", static_cast<int>(range.targets.size()));

    bool clearFrameSelection = false;
    {
        edit.objectClipboard.clear();
        UpdateSection update(edit);
        openShift(update);
        PieceContext context{scene, recorder, update, edit.objectClipboard};
        for (const auto& target : range.targets) {
            switch (range.meet(*target)) {
            case Range::Middle: cutObjectMiddle(context, target, from, static_cast<int>(to)); break;
            case Range::FromInside: cutObjectRight(context, target, from); break;
            case Range::ToInside: cutObjectLeft(context, target, static_cast<int>(to)); break;
            case Range::Within:
                pushObjectCopy(edit.objectClipboard, *target);
                recorder.addObjectCreateDelete(target);
                scene.removeObject(*target);
                break;
            case Range::Apart: break;
            }
        }
        scene.selection.clear();
        if (closeGap) {
            closeObjectListGap(scene, recorder, edit.objectClipboard);
            const int cursor = scene.cursorFrame;
            if (from < cursor) {
                scene.updateLayerObject();
                const long long moved = to < cursor ? cursor - (to - from) : from;
                scene.cursorFrame = static_cast<int>(std::clamp<long long>(moved, 0, std::max(scene.lastFrame, 0)));
                update.notifyCursorFrame = true;
            }
            clearFrameSelection = true;
        }
    }
    // After the transaction: the selection's listeners may edit.
    if (clearFrameSelection)
        TimelineHost::get().setFrameSelection(-1, -1);
}

void EditCommand::trimObject()
{
    constexpr const char* Place = "Edit::EditCommand::trimObject";
    const Context ctx = context(Place);
 EditService& edit = ctx.edit;
 Undo::UndoService& recorder = ctx.undo;
 Scene& scene = ctx.scene;
    Range range;
    if (!readRange(scene, range))
        return;
    const int from = range.from;
    const long long to = range.to;
    System::Log::info(Place, "clip object num=%d", static_cast<int>(range.targets.size()));

    {
        edit.objectClipboard.clear();
        UpdateSection update(edit);
        openShift(update);
        PieceContext context{scene, recorder, update, edit.objectClipboard};
        struct Kept {
            int layer, start, end;
        };
        std::vector<Kept> kept;
        for (const auto& target : range.targets) {
            const Kept where{target->layer, target->start, target->end};
            switch (range.meet(*target)) {
            case Range::Middle:
                if (trimObjectMiddle(context, target, from, static_cast<int>(to)))
                    kept.push_back(where);
                break;
            case Range::FromInside:
                if (cutObjectLeft(context, target, from))
                    kept.push_back(where);
                break;
            case Range::ToInside: cutObjectRight(context, target, static_cast<int>(to)); break;
            case Range::Within:
            case Range::Apart: break;
            }
        }
        scene.selection.clear();
        scene.updateLayerObject();
        // The kept part moves back to where its object began.
        for (const Kept& where : kept) {
            const std::shared_ptr<Object>& piece = scene.getLayer(where.layer).findNearestObject(where.start, where.end);
            if (!piece)
                continue;
            recorder.addObjectUpdate(piece);
            const int shift = where.start - piece->start;
            piece->start += shift;
            piece->end += shift;
            markMoved(scene, *piece);
        }
    }
    if (scene.frameSelectionStart >= 0 && scene.frameSelectionEnd >= 0)
        TimelineHost::get().setFrameSelection(-1, -1);
}

bool EditCommand::canSeparateAudioObject()
{
    EditService& edit = service("Edit::EditCommand::canSeparateAudioObject");
    EditCommand::Targets command(*edit.currentScene);
    if (command.count() != 1)
        return false;
    const Object& object = *command.targets().front();
    if (object.effects.size() < 2)
        return false;
    Effect::EffectBase& input = *object.effects[0];
    const Effect::EffectBase& output = *object.effects[1];
    return input.effectType == Effect::EffectType::Input && input.mediaType == Effect::MediaType::VideoAudio &&
           output.effectType == Effect::EffectType::Output && output.mediaType == Effect::MediaType::VideoAudio &&
           input.getAudioInfo(0) != 0;
}

void EditCommand::separateAudioObject()
{
    constexpr const char* Place = "Edit::EditCommand::separateAudioObject";
    if (!canSeparateAudioObject())
        return;
    const Context ctx = context(Place);
 EditService& edit = ctx.edit;
 Undo::UndoService& recorder = ctx.undo;
 Scene& scene = ctx.scene;
    const std::shared_ptr<Object> object = EditCommand::Targets(scene).targets().front();
    System::Log::info(Place, "separate audio layer=%d", object->layer);
    Effect::EffectService& registry = object->registry();
    Effect::EffectDefine& soundOutput = registry.findEffect(L"音声再生");
    Effect::EffectDefine& videoOutput = registry.findEffect(L"標準描画");

    UpdateSection update(edit);
    openChainChange(update);
    update.updateLayerObject = true;
    update.targetObject = object;

    const int tracks = std::max(object->effects[0]->getAudioInfo(1), 1);
    for (int track = 0; track < tracks; ++track) {
        int layer = object->layer;
        while (scene.getLayer(layer).findNearestObject(object->start, object->end))
            ++layer;
        const std::shared_ptr<Object> sound = scene.addObject(layer, object->start, object->end);
        sound->clipping = object->clipping;
        sound->camera = object->camera;
        sound->midPoints = object->midPoints;
        object->copyEffectList(*sound);
        if (tracks > 1) {
            Effect::ItemEvent event;
            event.code = Effect::ItemEvent::SoundTrack;
            event.update = &update;
            event.payload = &track;
            sound->sendInputItemEvent(event);
        }
        recorder.addObjectCreate(sound);
        recorder.addObjectEffect(sound);
        sound->setOutputEffect(soundOutput);
        sound->fixEffectList();
        // Sorted now, so the next track's search sees this object in its place.
        scene.updateLayerObject();
    }
    recorder.addObjectEffect(object);
    object->setOutputEffect(videoOutput);
    object->fixEffectList();
}

bool EditCommand::canSplitObject(int frame)
{
    EditService& edit = service("Edit::EditCommand::canSplitObject");
    return edit.currentScene->checkTargetObject(
        [frame](const std::shared_ptr<Object>& object) { return inside(*object, frame); });
}

} // namespace Edit
