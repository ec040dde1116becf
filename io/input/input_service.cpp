#include "io/input/input_service.h"

#include "core/failure.h"
#include "core/file_name.h"
#include "core/ini_file.h"
#include "core/log.h"
#include "core/module_trust_list.h"
#include "core/report.h"
#include "core/text.h"
#include "io/input/avi_file_reader.h"
#include "io/input/image_file_reader.h"
#include "io/input/input_file.h"
#include "io/input/input_plugin.h"
#include "io/input/wave_file_reader.h"
#include "io/plugin/external_input_plugin.h"
#include "io/plugin/plugin_module.h"

#include <algorithm>
#include <cxxabi.h>
#include <exception>

namespace Plugin {

namespace {
constexpr const char* OpenPlace = "Plugin::InputService::openFile";
constexpr unsigned TrackMax = 50;

// "Label (*.a;*.b)" NUL "*.a;*.b" NUL NUL over the keys of a map.
std::wstring makeFilter(const wchar_t* label, const InputService::ExtensionMap& map)
{
    std::wstring patterns;
    for (const auto& [extension, readers] : map)
        patterns += (patterns.empty() ? L"*." : L";*.") + extension;
    std::wstring filter = std::wstring(label) + L" (" + patterns + L")";
    filter.push_back(L'\0');
    filter += patterns;
    filter.push_back(L'\0');
    return filter;
}
} // namespace

InputService::InputService() : trustList(ModuleTrustList::Get())
{
    if (System::Config::iniFile) {
        section.load(*System::Config::iniFile);
        saver_ = std::make_unique<System::Config::SectionSaver>(&section);
    } else {
        fileHandleMaxValue_.reset();
    }
    {
        std::lock_guard lock(fileCache.mutex);
        fileCache.limit = fileHandleMax;
        trimFileHandleCache();
    }
    registerPlugin<ImageFileReader>();
    registerPlugin<AviFileReader>();
    registerPlugin<WaveFileReader>();
    for (const std::wstring& module : findTrustedModules(trustList, L"vmi2"))
        registerPlugin(module);
    updateExtTypeList();
}

InputService::~InputService()
{
    clearFileCache();
}

std::string InputService::typeName(const std::type_info& type)
{
    int status = 0;
    char* demangled = abi::__cxa_demangle(type.name(), nullptr, nullptr, &status);
    std::string name = status == 0 && demangled ? demangled : type.name();
    std::free(demangled);
    return name;
}

void InputService::registerPlugin(const char* typeName, const std::function<std::shared_ptr<InputPlugin>()>& create)
{
    try {
        std::shared_ptr<InputPlugin> reader = create();
        System::Log::info("Plugin::InputService::registerPlugin", L"register input plugin [%s]", reader->name.c_str());
        readers.push_back(reader);
        reader->attachConfig(registrationCount++);
    } catch (const std::exception& e) {
        System::Report::showError("failed to register input plugin. [%s]\n\n%s", typeName, e.what());
    }
}

void InputService::registerPlugin(const std::wstring& modulePath)
{
    registerPlugin(typeName(typeid(ExternalInputPlugin)).c_str(),
                   [&] { return std::make_shared<ExternalInputPlugin>(modulePath); });
}

std::wstring InputService::MakeMultiTrackFileName(const std::wstring& path, unsigned track)
{
    if (track == 0)
        return path;
    if (track > TrackMax)
        throw System::makeException("Plugin::InputService::MakeMultiTrackFileName", "invalid track index", nullptr);
    return std::wstring{L':', wchar_t(L'0' + track)} + path;
}

void InputService::updateExtTypeList()
{
    videoExtMap.clear();
    audioExtMap.clear();
    imageExtMap.clear();
    // Readers of equal priority keep their registration order.
    std::stable_sort(readers.begin(), readers.end(),
                     [](const auto& a, const auto& b) { return a->priority < b->priority; });
    constexpr const char* place = "Plugin::InputService::updateExtTypeList";
    for (const auto& reader : readers) {
        for (const std::wstring& extension : reader->getExtList()) {
            if (reader->capability & InputPlugin::CapabilityVideo) {
                videoExtMap[extension].push_back(reader);
                System::Log::info(place, L"[Video] %s -> [%s]", extension.c_str(), reader->name.c_str());
            }
            if (reader->capability & InputPlugin::CapabilityAudio) {
                audioExtMap[extension].push_back(reader);
                System::Log::info(place, L"[Audio] %s -> [%s]", extension.c_str(), reader->name.c_str());
            }
            if (reader->capability & InputPlugin::CapabilityImage) {
                imageExtMap[extension].push_back(reader);
                System::Log::info(place, L"[Image] %s -> [%s]", extension.c_str(), reader->name.c_str());
            }
        }
    }
    videoFilter = makeFilter(L"VideoFile", videoExtMap);
    audioFilter = makeFilter(L"AudioFile", audioExtMap);
    imageFilter = makeFilter(L"ImageFile", imageExtMap);
}

std::shared_ptr<InputFile> InputService::openFile(const std::wstring& name, int type)
{
    unsigned track = 0;
    std::wstring path = name;
    if (!name.empty() && name[0] == L':') {
        track = name.size() > 1 ? unsigned(name[1]) - unsigned(L'0') : ~0u;
        if (track > TrackMax)
            throw System::makeFormatException(OpenPlace, "invalid track index.", L"%s", name.c_str());
        path = name.substr(2);
    }
    System::Log::info(OpenPlace, L"open media file [%s]:%d", path.c_str(), int(track));

    const ExtensionMap& map = type == TypeVideo ? videoExtMap : audioExtMap;
    auto entry = map.find(System::FileName::getExtension(path.c_str()));
    if (entry == map.end())
        throw System::makeFormatException(OpenPlace, "not supported file.", L"%s", path.c_str());
    std::shared_ptr<InputFile> file;
    for (const auto& reader : entry->second) {
        // An exception from a reader ends the attempt.
        file = reader->openFile(path, int(track));
        if (file) {
            file->reader = reader.get();
            break;
        }
    }
    if (!file)
        throw System::makeFormatException(OpenPlace, "can not open file.", L"%s", path.c_str());
    if (type == TypeVideo && !(file->flags & InputFile::FlagVideo))
        throw System::makeFormatException(OpenPlace, "file is no video.", L"%s", path.c_str());
    if (type != TypeVideo && !(file->flags & InputFile::FlagAudio))
        throw System::makeFormatException(OpenPlace, "file is no audio.", L"%s", path.c_str());
    return file;
}

std::shared_ptr<InputFile> InputService::getInputFile(const std::wstring& name, int type)
{
    if (name.empty())
        return nullptr;
    std::shared_ptr<InputFile> file;
    std::list<FileCache::Entry> dropped; // released after the mutex
    {
        std::lock_guard lock(fileCache.mutex);
        auto hit = fileCache.map.find(name);
        if (hit != fileCache.map.end()) {
            fileCache.entries.splice(fileCache.entries.begin(), fileCache.entries, hit->second);
            file = hit->second->file;
        } else {
            // Opens run under the mutex: the same file is never opened twice at once.
            try {
                file = openFile(name, type);
            } catch (const std::exception&) {
                return nullptr; // the failure's report has logged it
            }
            if (file->frameCount > 1 || (file->flags & InputFile::FlagAudio)) {
                fileCache.entries.push_front({1, file, name});
                fileCache.map[name] = fileCache.entries.begin();
                fileCache.costSum += 1;
                evict(dropped);
            }
        }
    }
    if (type == TypeVideo && (file->flags & InputFile::FlagVideo))
        return file;
    if (type == TypeAudio && (file->flags & InputFile::FlagAudio))
        return file;
    return nullptr;
}

std::shared_ptr<InputFile> InputService::getAnyInputFile(const std::wstring& name)
{
    if (auto file = getInputFile(name, TypeVideo))
        return file;
    return getInputFile(name, TypeAudio);
}

void InputService::evict(std::list<FileCache::Entry>& dropped)
{
    while (fileCache.costSum > fileCache.limit && !fileCache.entries.empty()) {
        fileCache.costSum -= fileCache.entries.back().cost;
        fileCache.map.erase(fileCache.entries.back().name);
        dropped.splice(dropped.end(), fileCache.entries, std::prev(fileCache.entries.end()));
    }
}

void InputService::trimFileHandleCache()
{
    std::list<FileCache::Entry> dropped;
    evict(dropped);
}

void InputService::clearFileCache()
{
    std::list<FileCache::Entry> dropped;
    {
        std::lock_guard lock(fileCache.mutex);
        fileCache.map.clear();
        dropped.swap(fileCache.entries);
        fileCache.costSum = 0;
    }
    // Skips 0, the stamp of information never read.
    if (++mediaInfoGeneration == 0)
        ++mediaInfoGeneration;
}

} // namespace Plugin
