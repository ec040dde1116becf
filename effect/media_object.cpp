#include "effect/media_object.h"

#include "core/file_name.h"
#include "io/input/input_file.h"
#include "io/input/input_service.h"
#include "media/svg_document.h"

#include <memory>
#include <string>

namespace Effect {

namespace {

bool isTextFile(const wchar_t* path)
{
    return System::FileName::getExtension(path) == L"txt";
}

} // namespace

bool isMediaObjectFile(const wchar_t* path)
{
    if (!path)
        return false;
    if (isTextFile(path) || Media::SvgDocument::isSvgFile(path))
        return true;
    const Plugin::InputService* input = Plugin::InputService::Get();
    if (!input)
        return false;
    const std::wstring extension = System::FileName::getExtension(path);
    return input->videoExtMap.contains(extension) || input->audioExtMap.contains(extension);
}

const wchar_t* getMediaObjectName(const wchar_t* path)
{
    if (!path || !*path)
        return nullptr;
    if (isTextFile(path))
        return L"テキスト";
    if (Media::SvgDocument::isSvgFile(path) && Media::SvgDocument::checkFile(path))
        return L"図形";
    Plugin::InputService* input = Plugin::InputService::Get();
    if (!input)
        return nullptr;
    const std::shared_ptr<Plugin::InputFile> file = input->getAnyInputFile(path);
    if (!file)
        return nullptr;
    if (file->flags & Plugin::InputFile::FlagVideo)
        return file->frameCount > 1 ? L"動画ファイル" : L"画像ファイル";
    if (file->flags & Plugin::InputFile::FlagAudio)
        return L"音声ファイル";
    return nullptr;
}

} // namespace Effect
