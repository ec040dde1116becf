// The object view's drawing: rows by layer state, layer ranges, the BPM grid,
// the area after the scene's end, object bars, names, mid-point marks, hover
// and focus outlines, the cursor, the play cursor and the drop guide.
#include "effect/effect_base.h"
#include "effect/effect_types.h"
#include "media/audio_buffer.h"
#include "render/render_object.h"
#include "platform/draw/resources.h"
#include "project/model/layer.h"
#include "project/model/object.h"
#include "project/model/scene.h"
#include "ui/editor/timeline/edit_component.h"
#include "ui/editor/timeline/edit_layer_object_control.h"
#include "ui/window/color_brush_list.h"

#include <algorithm>
#include <cmath>
#include <optional>

namespace Component {

namespace {

using Brushes = Window::ColorBrushList;

// The bar colour of an object type (the selected colour follows each).
int objectBrush(const Edit::Object& object)
{
    int type = Edit::ObjectType::Video;
    try {
        type = object.getObjectType();
    } catch (...) {
        // An object without a usable chain draws as a video object.
    }
    switch (type) {
    case Edit::ObjectType::Audio: return Brushes::ObjectAudio;
    case Edit::ObjectType::VideoFilter:
    case Edit::ObjectType::VideoAudioFilter: return Brushes::ObjectVideoFilter;
    case Edit::ObjectType::AudioFilter: return Brushes::ObjectAudioFilter;
    case Edit::ObjectType::Control: return Brushes::ObjectControl;
    default: return Brushes::ObjectVideo;
    }
}

} // namespace

void EditLayerObjectControl::procPaint()
{
    if (!target || !visible || visibleRect.width <= 0 || visibleRect.height <= 0)
        return;
    owner.ensureLayerRange();
    Media::RenderTarget::DrawSection section(*this, visibleRect.x, visibleRect.y, visibleRect.x + visibleRect.width,
                                             visibleRect.y + visibleRect.height, true);
    originX = rect.x;
    originY = rect.y;
    const TimelineViewState& view = owner.view;
    const int display = view.scene().displayLayer;
    const int rows = (rect.height + view.metrics.layerHeight - 1) / view.metrics.layerHeight;
    for (int r = 0; r < rows; ++r)
        paintRow(display + r);
    if (bandWidth != 0 && bandHeight != 0)
        drawRect(bandLeft, bandTop, bandRight, bandBottom, colorBrushList->get(Brushes::BorderSelect), 2,
                 strokeStyleList->get(Resource::StrokeStyleList::Dashed));
}

void EditLayerObjectControl::drawLayer(int layer)
{
    if (!target || !visible || visibleRect.width <= 0 || visibleRect.height <= 0)
        return;
    const TimelineViewState& view = owner.view;
    const int lh = view.metrics.layerHeight;
    const int row = layer - view.scene().displayLayer;
    if (row < 0 || row * lh >= rect.height)
        return;
    owner.ensureLayerRange();
    const int top = std::max(rect.y + row * lh, visibleRect.y);
    const int bottom = std::min(rect.y + (row + 1) * lh, visibleRect.y + visibleRect.height);
    if (bottom <= top)
        return;
    Media::RenderTarget::DrawSection section(*this, visibleRect.x, top, visibleRect.x + visibleRect.width, bottom, true);
    originX = rect.x;
    originY = rect.y;
    paintRow(layer);
}

void EditLayerObjectControl::paintRow(int layer)
{
    const TimelineViewState& view = owner.view;
    const Edit::Scene& scene = view.scene();
    const TimelineSettings& settings = owner.settings;
    const int lh = view.metrics.layerHeight;
    const int top = (layer - scene.displayLayer) * lh, bottom = top + lh;
    const int width = rect.width;
    const int v0 = scene.displayFrame;
    const int v1 = int(std::min<int64_t>(v0 + int64_t(width) * 10000 / view.zoom() + 1, INT32_MAX));
    const Edit::LayerObjectList& list = scene.getLayer(layer);
    const bool hidden = list.layer->hide;
    Brushes& brushes = *colorBrushList;

    const int background = layer == hoverHeaderLayer ? Brushes::LayerHover : hidden ? Brushes::LayerDisable : Brushes::Layer;
    fillRect(0, top, width, bottom, brushes[background]);

    if (settings.displayLayerRange) {
        scene.enumControlRange(layer, v0, v1, [&](int start, int end, bool isLast) {
            const int x0 = int(std::max<int64_t>(view.pixelOf(start), -2));
            const int x1 = int(std::min<int64_t>(view.pixelOf(std::min<int64_t>(int64_t(end) + 1, v1)), width + 2));
            fillRect(x0, top, x1, bottom, brushes[Brushes::LayerRange]);
            drawLine(x0 + 1, top, x0 + 1, bottom, brushes[Brushes::LayerRangeFrame], 2, nullptr);
            drawLine(x1 - 1, top, x1 - 1, bottom, brushes[Brushes::LayerRangeFrame], 2, nullptr);
            if (isLast)
                drawLine(x0 + 2, bottom - 1, x1 - 2, bottom - 1, brushes[Brushes::LayerRangeFrame], 2, nullptr);
        });
    }
    if (settings.tempoGrid)
        drawTempoGrid(top, v0, v1);

    const int64_t endPixel = view.pixelOf(int64_t(scene.lastFrame) + 1);
    if (endPixel < width) {
        const int g = int(std::max<int64_t>(endPixel, -1));
        fillRect(g, top, width, bottom, brushes[Brushes::LayerDisable]);
        drawLine(g, top + 1, g, bottom, brushes[Brushes::GuideLine], 1, nullptr);
    }
    drawLine(0, top, width, top, brushes[Brushes::Border], 1, nullptr);

    // Objects narrower than a pixel take one pixel, and the next may not start inside it.
    int64_t taken = INT64_MIN;
    for (auto it = list.lowerBoundEnd(v0); it != list.objects.end(); ++it) {
        const Edit::Object& object = **it;
        if (object.start > v1)
            break;
        if (object.layer != layer)
            continue;
        int64_t x0 = view.pixelOf(object.start), x1 = view.pixelOf(int64_t(object.end) + 1);
        if (x0 < taken) {
            if (x1 <= taken)
                continue;
            x0 = taken;
        }
        if (x1 == x0)
            x1 = x0 + 1;
        taken = x1;
        paintObject(layer, object, x0, x1, hidden);
    }

    // Hover and focus decorations.
    const Edit::Object* hover = editor.hoverObject.get();
    if (hover && hover->layer == layer && hover->end >= v0 && hover->start <= v1) {
        const int x0 = int(std::clamp<int64_t>(view.pixelOf(hover->start), -4, width + 4));
        const int x1 = int(std::clamp<int64_t>(view.pixelOf(int64_t(hover->end) + 1), -4, width + 4));
        const int right = std::max(x1, x0 + 1);
        if (hover->selected) {
            if (editor.mode == DragMode::ResizeStart)
                drawLine(x0, top + 6, x0, bottom, brushes[Brushes::BorderSelect], 2, nullptr);
            else if (editor.mode == DragMode::ResizeEnd)
                drawLine(std::max(x0, x1 - 1), top + 6, std::max(x0, x1 - 1), bottom, brushes[Brushes::BorderSelect], 2,
                         nullptr);
        } else {
            drawRect(x0, top + 6, right, bottom, brushes[Brushes::ObjectHover], 2, nullptr);
        }
        if (editor.hoverPart == HoverPart::Section && editor.hoverIndex >= 1 &&
            editor.hoverIndex <= int(hover->midPoints.size())) {
            const int64_t frame = int64_t(hover->start) + hover->midPoints[size_t(editor.hoverIndex - 1)];
            const float c = float(((frame - v0) * 2 + 1) * view.zoom() / 20000);
            if (x1 - x0 > 3) {
                const Platform::Draw::Point points[3] = {{std::max(float(x0), c - 4), float(top + 2)},
                                                         {std::min(c + 5, float(x1)), float(top + 2)},
                                                         {c + 0.5f, float(top + 6)}};
                fillPath(points, brushes[Brushes::BorderSelect]);
            }
            if (editor.mode == DragMode::MoveSection && hover->selected)
                drawLine(int(c), top + 6, int(c), bottom, brushes[Brushes::BorderSelect], 2, nullptr);
        }
    }
    const Edit::Object* focus = focusMarker.get();
    if (focus && focus->layer == layer && !focus->selected && focus->end >= v0 && focus->start <= v1) {
        const int x0 = int(std::clamp<int64_t>(view.pixelOf(focus->start), -4, width + 4));
        int x1 = int(std::clamp<int64_t>(view.pixelOf(int64_t(focus->end) + 1), -4, width + 4));
        if (x1 == x0)
            x1 = x0 + 1;
        drawRect(x0, top + 6, x1, bottom, brushes[Brushes::BorderSelect], 1,
                 strokeStyleList->get(Resource::StrokeStyleList::Dotted));
    }
    const int cursor = scene.cursorFrame;
    if (cursor >= v0 && cursor <= v1) {
        const int x0 = int(view.pixelOf(cursor)), x1 = int(view.pixelOf(int64_t(cursor) + 1));
        if (x1 - x0 < 2)
            drawLine(x0, top + 1, x0, bottom, brushes[Brushes::FrameCursor], 1, nullptr);
        else
            fillRect(x0, top + 1, x1, bottom, brushes[Brushes::FrameCursorWide]);
    }
    stripSaved = false;
}

void EditLayerObjectControl::paintObject(int layer, const Edit::Object& object, int64_t x0, int64_t x1, bool hidden)
{
    (void)layer;
    const TimelineViewState& view = owner.view;
    const TimelineSettings& settings = owner.settings;
    const int lh = view.metrics.layerHeight;
    const int top = (object.layer - view.scene().displayLayer) * lh, bottom = top + lh;
    const int width = rect.width;
    // Far edges are held just outside the view: drawing stays in 32-bit floats.
    const int left = int(std::clamp<int64_t>(x0, -4, width + 4)), right = int(std::clamp<int64_t>(x1, -4, width + 4));
    Brushes& brushes = *colorBrushList;
    const int colour = objectBrush(object);
    if (object.selected)
        fillRect(left, top + 6, right, bottom, brushes[colour + 1]);
    else
        fillGradientRectHorizontal(left, top + 6, right, bottom, brushes.gradient(colour));

    const Effect::EffectBase* input = object.effects.empty() ? nullptr : object.effects.front().get();
    if (!object.selected && input) {
        const Effect::EffectBase* output = object.effects.size() > 1 ? object.effects[1].get() : nullptr;
        const bool withAudio = input->mediaType == 3 && output && output->mediaType == 3 &&
                               const_cast<Effect::EffectBase*>(input)->getAudioInfo(0) != 0;
        if (withAudio)
            fillGradientRectVertical(left, top + (lh + 5) / 2 + 1, right, bottom, brushes.gradient(Brushes::ObjectAudioFade));
        if (object.clipping)
            fillGradientRectVertical(left, top + (3 * lh + 15) / 4 + 1, right, bottom,
                                     brushes.gradient(Brushes::ClippingObjectFade));
    }
    if (x1 - x0 <= 5 || !input)
        return;

    bool hideName = false;
    if (settings.displayWaveform && !hidden && !input->disable)
        hideName = drawWaveform(object, x0, x1, top);
    if (!hideName) {
        const int64_t x = settings.displayObjectNameFromHead ? std::max<int64_t>(x0 + 4, 1) : x0 + 4;
        if (x1 - x > 0 && x < width) {
            const int textX = int(x), textRight = int(std::min<int64_t>(x1, width));
            Platform::Draw::TextFormat* format = textFormatList->get(Resource::TextFormatList::LayerObject);
            Platform::Draw::Brush* brush = brushes[hidden || input->disable ? Brushes::TextDisable : Brushes::Text];
            Media::RenderTarget::DrawSection clip(*this, originX + std::max(textX, 0), originY + top,
                                                  originX + std::max(textRight, 0), originY + bottom, true);
            originX = rect.x;
            originY = rect.y;
            const wchar_t* name = const_cast<Effect::EffectBase*>(input)->getName();
            drawText(name ? name : L"", format, brush, textX, top + owner.textOffsetObject, textRight - textX,
                     bottom - top - owner.textOffsetObject);
        }
    }
    const int64_t v0 = view.scene().displayFrame;
    for (int offset : object.midPoints) {
        const int64_t frame = int64_t(object.start) + offset;
        const int64_t c = ((frame - v0) * 2 + 1) * view.zoom() / 20000;
        if (c < -8 || c > width + 8)
            continue;
        const Platform::Draw::Point points[3] = {{float(std::max<int64_t>(x0, c - 4)), float(top + 2)},
                                                 {float(std::min<int64_t>(c + 5, x1)), float(top + 2)},
                                                 {float(c) + 0.5f, float(top + 6)}};
        fillPath(points, brushes[Brushes::ObjectSection]);
    }
}

bool EditLayerObjectControl::drawWaveform(const Edit::Object& object, int64_t x0, int64_t x1, int top)
{
    const TimelineViewState& view = owner.view;
    const Edit::Scene& scene = view.scene();
    const int lh = view.metrics.layerHeight;
    const int first = int(std::max<int64_t>(x0, 0)), last = int(std::min<int64_t>(rect.width, x1)) - 1;
    const std::shared_ptr<Effect::EffectBase>& input = object.effects.front();
    // Sound only, or a movie whose output plays its sound.
    const uint8_t media = input->mediaType;
    const Effect::EffectBase* output = object.effects.size() > 1 ? object.effects[1].get() : nullptr;
    const bool sound = media == Effect::MediaType::Audio ||
                       (media == Effect::MediaType::VideoAudio && output &&
                        (output->mediaType == Effect::MediaType::Audio || output->mediaType == Effect::MediaType::VideoAudio) &&
                        input->getAudioInfo(0) != 0);
    if (!sound || first > last || input->effectType != Effect::EffectType::Input)
        return false;
    const std::shared_ptr<Media::WaveformBuffer> waveform = input->getWaveform();
    if (!waveform || waveform->columns == 0 || !waveform->bytes.data)
        return false;
    const bool hideName = owner.settings.hideObjectNameWaveform || editor.hoverObject.get() == &object;
    Platform::Draw::Brush* brush = (*colorBrushList)[hideName ? Brushes::ObjectWaveform0 : Brushes::ObjectWaveform1];
    const uint16_t* entries = static_cast<const uint16_t*>(waveform->bytes.data);
    const int64_t count = waveform->columns;

    // Where each column's frame lies in the waveform, as the source reads its sound.
    std::shared_ptr<Edit::Object> shared;
    for (const auto& o : scene.getLayer(object.layer).objects)
        if (o.get() == &object)
            shared = o;
    if (!shared)
        return false;
    Render::RenderObject render;
    render.scene = const_cast<Edit::Scene*>(&scene);
    render.layer = object.layer;
    render.frame = object.start;
    render.time = object.start;
    render.resetObject(shared);
    const double step = 10000.0 / view.zoom();
    double frame = scene.displayFrame + first * step;
    // While the start edge of this object alone is dragged, the sound stays where it was.
    const auto& selected = scene.selection.objects;
    if (editor.mode == DragMode::ResizeStart && editor.hasExtent && selected.size() == 1 && selected.front() == shared)
        frame += object.start - editor.extent.start;
    auto positionAt = [&](double f) {
        render.setTime(f);
        try {
            return input->getWaveformPosition(render);
        } catch (...) {
            return -1.0;
        }
    };
    auto entry = [&](int64_t i) -> uint16_t { return i >= 0 && i < count ? entries[i] : uint16_t(0x8080); };
    const double height = lh - 6;
    double position = positionAt(frame);
    for (int column = first; column <= last; ++column, frame += step) {
        const double next = positionAt(frame + step);
        const double here = position;
        position = next;
        if (!(here >= 0 && here < count && next >= 0 && next < count))
            continue;
        int low = 255, high = 0;
        if (next - here >= 1.0) {
            for (int k = 0; k < 4; ++k) {
                const uint16_t e = entry(int64_t(std::lround(here + (next - here) * k / 4)));
                low = std::min(low, e & 0xFF);
                high = std::max(high, e >> 8);
            }
        } else {
            const int64_t i = int64_t(std::floor(here));
            const double t = here - double(i);
            const uint16_t a = entry(i), b = entry(i + 1);
            low = int(std::lround((a & 0xFF) * (1 - t) + (b & 0xFF) * t));
            high = int(std::lround((a >> 8) * (1 - t) + (b >> 8) * t));
        }
        const int y0 = top + lh - int(high * height / 256), y1 = top + lh - int(low * height / 256);
        fillRect(column, y0, column + 1, std::max(y1, y0 + 1), brush);
    }
    return hideName;
}

void EditLayerObjectControl::drawTempoGrid(int top, int v0, int v1)
{
    const TimelineViewState& view = owner.view;
    const Edit::Scene& scene = view.scene();
    const int bottom = top + view.metrics.layerHeight;
    const double beat = double(scene.videoRate) * 60.0 / (double(scene.videoScale) * scene.tempoBpm);
    const double origin = double(scene.videoRate) * scene.tempoOffset / scene.videoScale;
    if (!std::isfinite(origin) || std::fabs(origin) > 1e9)
        return;
    auto spans = [&](double step) {
        return std::isfinite(step) && step > 0.0 && step < 1e9 &&
               view.pixelOf(int64_t(step + origin)) - view.pixelOf(int64_t(origin)) >= 6;
    };
    double step = beat;
    bool barsOnly = false;
    if (!spans(beat)) {
        // Bars need two beats or more.
        if (scene.tempoBeat < 2 || !spans(beat * scene.tempoBeat))
            return;
        step = beat * scene.tempoBeat;
        barsOnly = true;
    }
    Brushes& brushes = *colorBrushList;
    Platform::Draw::StrokeStyle* dash = strokeStyleList->get(Resource::StrokeStyleList::Dashed);
    const int64_t first = int64_t((v0 - origin) / step), last = int64_t((v1 - origin) / step);
    for (int64_t i = first; i <= last; ++i) {
        const int x = int(view.pixelOf(int64_t(double(i) * step + origin)));
        // A bar line starts every bar; with 0 beats per bar there are none.
        const bool bar = barsOnly || (scene.tempoBeat > 0 && i % scene.tempoBeat == 0);
        drawLine(x, top + 1, x, bottom, brushes[bar ? Brushes::Border : Brushes::GuideLine], 1, dash);
    }
}

// ---------------------------------------------------------------- strips

void EditLayerObjectControl::restoreStrip()
{
    if (!stripSaved)
        return;
    stripSaved = false;
    strip.popImage();
}

void EditLayerObjectControl::drawPlayerCursor()
{
    if (!target || visibleRect.width <= 0 || visibleRect.height <= 0)
        return;
    const TimelineViewState& view = owner.view;
    const Edit::Scene& scene = view.scene();
    const int frame = scene.playFrame;
    const int v0 = scene.displayFrame;
    const int v1 = int(std::min<int64_t>(v0 + int64_t(rect.width) * 10000 / view.zoom() + 1, INT32_MAX));
    if (frame < v0 || frame > v1)
        return;
    const int x0 = int(view.pixelOf(frame)), x1 = int(view.pixelOf(int64_t(frame) + 1));
    const int left = std::clamp(x0, 0, rect.width - 1);
    const int w = std::min(x1 - x0 + 1, rect.width - left);
    stripPosition[0] = rect.x;
    stripPosition[1] = rect.y;
    strip.pushImage(stripPosition, *this, left, 0, std::max(w, 1), rect.height);
    stripSaved = true;
    Media::RenderTarget::DrawSection section(*this, visibleRect.x, visibleRect.y, visibleRect.x + visibleRect.width,
                                             visibleRect.y + visibleRect.height, true);
    originX = rect.x;
    originY = rect.y;
    if (x1 - x0 < 2)
        drawLine(x0, 1, x0, rect.height, (*colorBrushList)[Brushes::PlayerCursor], 1, nullptr);
    else
        fillRect(x0, 1, x1, rect.height, (*colorBrushList)[Brushes::PlayerCursor]);
}

void EditLayerObjectControl::drawDropMarker(int frame)
{
    restoreStrip();
    if (!target || visibleRect.width <= 0 || visibleRect.height <= 0)
        return;
    const TimelineViewState& view = owner.view;
    const int v0 = view.scene().displayFrame;
    const int v1 = int(std::min<int64_t>(v0 + int64_t(rect.width) * 10000 / view.zoom() + 1, INT32_MAX));
    if (frame < v0 || frame > v1)
        return;
    const int64_t l = view.pixelOf(frame), r = view.pixelOf(int64_t(frame) + 1);
    const int x = int(l + (r - l) / 2);
    if (x < 0 || x >= rect.width)
        return;
    stripPosition[0] = rect.x;
    stripPosition[1] = rect.y;
    strip.pushImage(stripPosition, *this, x, 0, 1, rect.height);
    stripSaved = true;
    Media::RenderTarget::DrawSection section(*this, visibleRect.x, visibleRect.y, visibleRect.x + visibleRect.width,
                                             visibleRect.y + visibleRect.height, true);
    originX = rect.x;
    originY = rect.y;
    drawLine(x, 1, x, rect.height, (*colorBrushList)[Brushes::GuideLine], 1, nullptr);
}

} // namespace Component
