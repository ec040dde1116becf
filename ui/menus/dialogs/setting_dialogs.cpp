#include "ui/menus/dialogs/setting_dialogs.h"

#include "core/log.h"
#include "core/logger_service.h"
#include "core/setting_service.h"
#include "core/translate_service.h"
#include "io/input/input_service.h"
#include "media/direct3d_service.h"
#include "media/yuv_format.h"
#include "project/edit/edit_service.h"
#include "project/model/scene.h"
#include "render/cache/audio_cache.h"
#include "render/cache/cache_service.h"
#include "render/cache/image_cache.h"
#include "render/cache/waveform_cache.h"
#include "render/render_service.h"
#include "ui/menus/dialogs/dialog_item.h"

#include <algorithm>
#include <mutex>

namespace Dialog {

namespace {

// A list row's choice, or the old value when nothing was chosen (a stored
// value outside the list shows no selection and must not become -1).
int chosen(const DialogItemListBox& row, int old)
{
    return row.index >= 0 && row.index < int(row.choices.size()) ? row.index : old;
}

DialogItemListBox* addLevelRow(DialogTemplate& dialog, const wchar_t* label, int level)
{
    auto* row = dialog.addItem<DialogItemListBox>(label, level);
    for (const wchar_t* name : {L"NONE", L"VERBOSE", L"INFO", L"WARN", L"ERROR"})
        row->addString(name);
    return row;
}

} // namespace

// ---- log ----

LogSettingDialog::LogSettingDialog() : DialogTemplate(L"ログの設定", "LogSettingDialog") {}

bool LogSettingDialog::show()
{
    Logger::LoggerService* logger = Logger::LoggerService::Get();
    if (!logger)
        return false;
    items.clear();
    auto* view = addLevelRow(*this, L"ログウィンドウの表示対象レベル", logger->viewLogLevel);
    auto* file = addLevelRow(*this, L"ログファイルの記録対象レベル", logger->fileLogLevel);
    auto* debugger = addLevelRow(*this, L"OutputDebugStringの出力対象レベル", logger->debuggerLogLevel);
    auto* lines = addItem<DialogItemInteger>(L"ログウィンドウの最大行数", logger->maxViewLine, 1, 10000);
    auto* files = addItem<DialogItemInteger>(L"ログファイルの最大ファイル数", logger->maxFileNum, 1, 100);
    if (!create(0))
        return false;
    {
        // The logger reads its settings under this lock on every line.
        std::lock_guard lock(logger->mutex);
        logger->viewLogLevel = chosen(*view, logger->viewLogLevel);
        logger->fileLogLevel = chosen(*file, logger->fileLogLevel);
        logger->debuggerLogLevel = chosen(*debugger, logger->debuggerLogLevel);
        logger->maxViewLine = lines->value;
        logger->maxFileNum = files->value;
    }
    System::Log::info("Dialog::LogSettingDialog::show", L"log levels %d %d %d, %d lines, %d files",
                      logger->viewLogLevel, logger->fileLogLevel, logger->debuggerLogLevel, logger->maxViewLine,
                      logger->maxFileNum);
    return true;
}

// ---- caches ----

CacheSizeDialog::CacheSizeDialog() : DialogTemplate(L"キャッシュサイズの設定", "CacheSizeDialog") {}

bool CacheSizeDialog::show()
{
    Cache::CacheService* caches = Cache::CacheService::Get();
    Plugin::InputService* input = Plugin::InputService::Get();
    if (!caches || !input)
        return false;
    Render::RenderService* render = Render::RenderService::Get();
    Render::MoviePlayer* player = render ? &render->player : nullptr;
    const Setting::SettingService* settings = Setting::SettingService::Get();
    const int memory = settings && settings->system.installedMemory > 0 ? settings->system.installedMemory : 16384;

    items.clear();
    auto* image = addItem<DialogItemInteger>(L"画像キャッシュサイズ [MB]", caches->imageCache->imageCacheSize, 100,
                                             memory);
    auto* audio = addItem<DialogItemInteger>(L"音声キャッシュサイズ [MB]", caches->audioCache->audioCacheSize, 10,
                                             memory);
    auto* waveform = addItem<DialogItemInteger>(L"音声波形キャッシュサイズ [MB]",
                                                caches->waveformCache->waveformCacheSize, 10, memory);
    auto* handles = addItem<DialogItemInteger>(L"ファイルハンドルキャッシュ数", input->fileHandleMax, 5, 200);
    auto* buffer = addItem<DialogItemInteger>(L"プレビュー再生のバッファリング時間 [ms]",
                                              player ? player->bufferTime : 500, 100, 30000);
    if (!create(0))
        return false;

    // Each cache stores its size and evicts under its own lock.
    caches->imageCache->setCacheSize(image->value);
    caches->audioCache->setCacheSize(audio->value);
    caches->waveformCache->setCacheSize(waveform->value);
    {
        std::lock_guard lock(input->fileCache.mutex);
        input->fileHandleMax = handles->value;
        input->fileCache.limit = handles->value;
        input->trimFileHandleCache();
    }
    if (player)
        player->bufferTime = buffer->value;
    System::Log::info("Dialog::CacheSizeDialog::show", L"cache %d/%d/%d MB, %d files, %d ms", image->value,
                      audio->value, waveform->value, handles->value, buffer->value);
    return true;
}

// ---- display and colour ----

DislpayColorSettingDialog::DislpayColorSettingDialog() : DialogTemplate(L"画面・色の設定", "DislpayColorSettingDialog")
{
}

bool DislpayColorSettingDialog::show()
{
    Media::Direct3DService* direct3d = Media::Direct3DService::Get();
    if (!direct3d)
        return false;
    items.clear();
    auto* dpi = addItem<DialogItemListBox>(L"高DPI表示", direct3d->HighDpiMode);
    dpi->addString(L"固定サイズ表示");
    dpi->addString(L"拡大サイズ表示");
    addItem<DialogItemStatic>(L"アプリケーションの再起動後に反映されます");
    auto* space =
        addItem<DialogItemListBox>(L"YUV色空間", Media::YUVformat::findColorSpace(direct3d->OutputYUVColorSpace));
    space->addString(L"自動");
    for (const Media::YUVformat::Entry& entry : Media::YUVformat::rgbToYuvTable())
        space->addString(entry.name);
    auto* range = addItem<DialogItemListBox>(L"YUVレンジ", direct3d->OutputYUVColorRange);
    range->addString(L"Limited");
    range->addString(L"Full");
    addItem<DialogItemStatic>(L"ファイル出力時にYUVが利用される場合の設定です");
    if (!create(0))
        return false;

    direct3d->HighDpiMode = chosen(*dpi, direct3d->HighDpiMode);
    if (space->index >= 0 && space->index < int(space->choices.size()))
        direct3d->OutputYUVColorSpace = space->index == 0 ? std::wstring() : space->choices[size_t(space->index)];
    direct3d->OutputYUVColorRange = chosen(*range, direct3d->OutputYUVColorRange);
    System::Log::info("Dialog::DislpayColorSettingDialog::show", L"dpi %d, yuv [%s] range %d",
                      direct3d->HighDpiMode, direct3d->OutputYUVColorSpace.c_str(), direct3d->OutputYUVColorRange);
    // The views redraw at the cursor frame.
    Edit::EditService* edit = Edit::EditService::Get();
    if (edit && edit->currentScene)
        edit->setCursorFrame(edit->currentScene->cursorFrame);
    return true;
}

// ---- common operation ----

GeneralSettingDialog::GeneralSettingDialog() : DialogTemplate(L"共通操作の設定", "GeneralSettingDialog") {}

bool GeneralSettingDialog::show()
{
    Edit::EditService* edit = Edit::EditService::Get();
    if (!edit)
        return false;
    items.clear();
    auto* mode = addItem<DialogItemListBox>(L"フレーム移動時の範囲選択", edit->moveFrameSelectRangeMode);
    mode->addString(L"しない");
    mode->addString(L"Shiftキーを押しながらフレーム移動した時");
    auto* a = addItem<DialogItemMoveFrameText>(L"カスタムフレーム移動A", edit->customMoveFrameA);
    auto* b = addItem<DialogItemMoveFrameText>(L"カスタムフレーム移動B", edit->customMoveFrameB);
    auto* c = addItem<DialogItemMoveFrameText>(L"カスタムフレーム移動C", edit->customMoveFrameC);
    auto* d = addItem<DialogItemMoveFrameText>(L"カスタムフレーム移動D", edit->customMoveFrameD);
    addItem<DialogItemStatic>(L"移動量は秒数もしくはフレーム数(\"5f\")で指定出来ます");
    if (!create(0))
        return false;
    edit->moveFrameSelectRangeMode = chosen(*mode, edit->moveFrameSelectRangeMode);
    edit->customMoveFrameA = a->value;
    edit->customMoveFrameB = b->value;
    edit->customMoveFrameC = c->value;
    edit->customMoveFrameD = d->value;
    System::Log::info("Dialog::GeneralSettingDialog::show", L"range mode %d, moves [%s] [%s] [%s] [%s]",
                      edit->moveFrameSelectRangeMode, a->value.c_str(), b->value.c_str(), c->value.c_str(),
                      d->value.c_str());
    return true;
}

// ---- language ----

LanguageDialog::LanguageDialog() : DialogTemplate(L"言語の設定", "LanguageDialog") {}

bool LanguageDialog::show()
{
    Translate::TranslateService* translate = Translate::TranslateService::Get();
    if (!translate)
        return false;
    items.clear();
    auto* row = addItem<DialogItemListBox>(L"言語", 0);
    for (const std::wstring& name : translate->getLanguageList())
        row->addString(name);
    row->selectString(translate->language);
    buttonMode = 1;
    if (!create(0))
        return false;
    translate->language =
        row->index >= 1 && row->index < int(row->choices.size()) ? row->choices[size_t(row->index)] : std::wstring();
    System::Log::info("Dialog::LanguageDialog::show", L"language [%s]", translate->language.c_str());
    translate->reloadLanguage();
    return true;
}

} // namespace Dialog
