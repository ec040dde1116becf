#include "project/files/file_path_rebase.h"

#include "core/file.h"
#include "core/file_name.h"
#include "core/log.h"
#include "core/text.h"
#include "core/translate_service.h"
#include "effect/effect_base.h"
#include "platform/ui/application.h"
#include "project/model/object.h"
#include "project/model/project.h"
#include "project/model/scene.h"

#include <functional>

namespace Edit {

namespace {

// The form paths are compared in: ASCII lower case, "/" for "\".
std::wstring comparable(std::wstring_view path)
{
    std::wstring out = System::toLowerAscii(path);
    for (wchar_t& c : out) {
        if (c == L'\\')
            c = L'/';
    }
    return out;
}

std::wstring folderOf(const std::wstring& path)
{
    return System::FileName::expand(System::FileName::getDirectory(path).c_str());
}

} // namespace

FilePathRebase findFilePathRebase(const Project& project, const std::wstring& newPath)
{
    FilePathRebase rebase;
    const std::wstring storedFolder = folderOf(project.path);
    if (storedFolder.empty())
        return rebase;
    const std::wstring oldFolder = comparable(storedFolder) + L'/';
    std::wstring newFolder = folderOf(newPath) + L'/';
    for (wchar_t& c : newFolder) {
        if (c == L'\\')
            c = L'/';
    }
    for (const auto& scene : project.getSceneList()) {
        const int layers = std::min(scene->lastLayer + 1, scene->layerCount());
        for (int i = 0; i < layers; ++i) {
            for (const auto& object : scene->getLayer(i).objects) {
                for (const auto& effect : object->effects) {
                    for (size_t k = 0; k < effect->items.size(); ++k) {
                        const wchar_t* path = effect->items[k]->getFilePath();
                        if (!path || !*path)
                            continue;
                        const std::wstring_view text(path);
                        if (text.size() < oldFolder.size() ||
                            comparable(text.substr(0, oldFolder.size())) != oldFolder || System::File::exists(path))
                            continue;
                        // Exactly the matched folder is replaced; the rest keeps its text, with "/".
                        std::wstring rebased = newFolder + std::wstring(text.substr(oldFolder.size()));
                        for (size_t c = newFolder.size(); c < rebased.size(); ++c) {
                            if (rebased[c] == L'\\')
                                rebased[c] = L'/';
                        }
                        rebase.changes.push_back({effect, k, std::wstring(text), std::move(rebased)});
                    }
                }
            }
        }
    }
    return rebase;
}

void applyFilePathRebase(const FilePathRebase& rebase)
{
    for (const FilePathRebase::Change& change : rebase.changes) {
        if (change.item >= change.effect->items.size())
            continue;
        Effect::EffectItem& item = *change.effect->items[change.item];
        const wchar_t* current = item.getFilePath();
        if (!current || change.from != current)
            continue;
        item.setFilePath(change.to.c_str());
        System::Log::info("Edit::Project::updateEffectItemFilePath", L"update file path [%s] -> [%s]",
                          change.from.c_str(), change.to.c_str());
    }
}

std::wstring filePathRebaseQuestion()
{
    const wchar_t* text = L"プロジェクトファイルのパスが変更されています。\n\n以前のプロジェクトパスの配下の指定ファイルが存在"
                          L"しない場合は\n現在のプロジェクトパスの配下に変更しますか？";
    const Translate::TranslateService* service = Translate::TranslateService::Get();
    return Translate::TranslateService::enabled && service ? service->message.translate(text) : text;
}

bool confirmFilePathRebase()
{
    Platform::Ui::MessageBox box;
    box.text = filePathRebaseQuestion();
    box.caption = L"Velmora Tessel2";
    box.icon = Platform::Ui::BoxIcon::Warning;
    box.buttons = Platform::Ui::BoxButtons::OkCancel;
    box.defaultAnswer = Platform::Ui::BoxAnswer::Ok;
    return Platform::Ui::showMessageBox(box) == Platform::Ui::BoxAnswer::Ok;
}

bool Project::updateEffectItemFilePath(const std::wstring& newPath, const std::function<bool()>& confirm)
{
    const FilePathRebase rebase = findFilePathRebase(*this, newPath);
    if (rebase.changes.empty() || !(confirm ? confirm() : confirmFilePathRebase()))
        return false;
    applyFilePathRebase(rebase);
    return true;
}

} // namespace Edit
