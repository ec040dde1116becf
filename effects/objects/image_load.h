#pragma once
// 画像ファイル: the object source of a still image, or with "連番ファイル" of a
// numbered series of files (prefix, number, extension) of which each frame
// shows the file of its number, or of "表示番号".
#include "effect/effect_base.h"
#include "effect/effect_item_file.h"
#include "effect/effect_item_number.h"
#include "effect/effect_item_simple.h"
#include "render/cache/cache_service.h"

#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <unordered_map>

namespace Effect {

class ImageLoad : public EffectBase, public Cache::CacheInstance {
public:
    static constexpr const wchar_t* Name = L"画像ファイル";
    ImageLoad();
    std::shared_ptr<EffectBase> create() override { return std::make_shared<ImageLoad>(); }

    std::unique_ptr<Media::ResourceBuffer> inputVideo(Render::RenderObject& object) override;
    void preInputVideo(Render::RenderObject& object) override;
    const wchar_t* getName() override;
    bool itemEvent(ItemEvent& event) override;
    bool isSupportedFile(const wchar_t* path) override;
    void updateItemState() override;
    // The file control shows the information.
    void bindItemControl(Component::ItemControlPanel& panel) override;

    // The numbered files of the chosen file's folder: number -> its digits as
    // written. Scanned once per item event, then shared read-only.
    struct Series {
        int firstNumber = 0;
        int lastNumber = 0;
        std::wstring prefix, suffix;
        std::unordered_map<int, std::wstring> files;
    };
    // The series (scanned when out of date); never null.
    std::shared_ptr<const Series> getSeries();
    // The parts of a numbered file name: the prefix (at least one character,
    // no line end), the digits right before the extension, and the extension
    // with its dot (the last dot and at least one character after it).
    struct SeriesName {
        std::wstring_view prefix, digits, suffix;
    };
    // Whether the path is a numbered file name; splits it as the expression
    // "^(.+?)([0-9]+)(\.[^.]+)$" would, scanned in one pass (an expression
    // engine recurses per character, and paths come from project files).
    static bool splitSeriesName(std::wstring_view path, SeriesName& out);
    // The file a render object shows.
    std::wstring getFileName(Render::RenderObject& object);

    EffectItemFile file;
    EffectItemNumber number{items, L"表示番号", 0, 0, 10000, 1};
    EffectItemCheck sequence{items, L"連番ファイル", false};

private:
    void resetSeries();
    std::mutex seriesMutex_;
    std::shared_ptr<const Series> series_; // null: to be scanned
};

} // namespace Effect
