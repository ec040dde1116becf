#pragma once
// The input service: turns a media file name into an opened file through its
// readers (the built-in still-image, AVI and WAV readers and the input plug-in
// modules of "%Plugin%"), chooses the readers of a file by its extension in
// the order of their priorities, builds the file-dialog filters, and keeps the
// files it opened in a small least-recently-used cache so that every user of a
// file shares one open handle.
//
// A name may carry a track prefix: ':' and the character '0' + track (tracks
// 1 to 50) before the path.
#include "core/config.h"
#include "core/service.h"

#include <atomic>
#include <cstdint>
#include <functional>
#include <list>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <typeinfo>
#include <unordered_map>
#include <vector>

namespace Plugin {

class InputFile;
class InputPlugin;
class ModuleTrustList;

class InputService : public System::Singleton<InputService> {
public:
    // Kinds of media asked for.
    static constexpr int TypeVideo = 1;
    static constexpr int TypeAudio = 2;

    InputService();
    ~InputService();
    InputService(const InputService&) = delete;
    InputService& operator=(const InputService&) = delete;

    // The cached or newly opened file of a name, null when the name is empty,
    // the file cannot be opened (the failure is logged) or lacks that kind of
    // media. Any thread.
    std::shared_ptr<InputFile> getInputFile(const std::wstring& name, int type);
    // The file for video, else for audio.
    std::shared_ptr<InputFile> getAnyInputFile(const std::wstring& name);
    // Opens the file through the readers of its extension; throws on failure.
    std::shared_ptr<InputFile> openFile(const std::wstring& name, int type);

    // Drops every cached file (files still held elsewhere stay open) and moves
    // the media generation on.
    void clearFileCache();
    // The media generation: the media sources read their file information
    // again when it differs from the stamp they read it at (never 0).
    static inline std::atomic<int> mediaInfoGeneration{1};
    // Evicts the least recently used files until the cache is within its
    // limit. The caller holds fileCache.mutex (set fileCache.limit under it first).
    void trimFileHandleCache();
    // Rebuilds the priority order, the extension maps and the filters.
    void updateExtTypeList();

    // Registers a reader made by create; a failure is reported to the user
    // with typeName and the reader is left out.
    void registerPlugin(const char* typeName, const std::function<std::shared_ptr<InputPlugin>()>& create);
    template <class Reader>
    void registerPlugin()
    {
        registerPlugin(typeName(typeid(Reader)).c_str(), [] { return std::make_shared<Reader>(); });
    }
    // Registers the input plug-in module at the path.
    void registerPlugin(const std::wstring& modulePath);

    // The name of a track of a file: the path for track 0, else ':' and the
    // character '0' + track before it. A track above 50 throws "invalid track index".
    static std::wstring MakeMultiTrackFileName(const std::wstring& path, unsigned track);

    using ReaderList = std::vector<std::shared_ptr<InputPlugin>>;
    using ExtensionMap = std::map<std::wstring, ReaderList>; // lower-case extension without dot

    ModuleTrustList* trustList = nullptr;
    System::Config::Section section{"Input"};
    int fileHandleMax = 20;
    int registrationCount = 0;
    ReaderList readers; // in priority order after updateExtTypeList
    ExtensionMap videoExtMap;
    ExtensionMap audioExtMap;
    ExtensionMap imageExtMap;
    std::wstring videoFilter; // "VideoFile (*.avi;...)" NUL "*.avi;..." NUL NUL
    std::wstring audioFilter;
    std::wstring imageFilter;

    struct FileCache {
        struct Entry {
            int cost = 1;
            std::shared_ptr<InputFile> file;
            std::wstring name; // as requested, track prefix included
        };
        std::list<Entry> entries; // most recently used first
        std::unordered_map<std::wstring, std::list<Entry>::iterator> map;
        int limit = 0;
        int costSum = 0;
        std::mutex mutex;
    } fileCache;

private:
    static std::string typeName(const std::type_info& type);
    // Moves the least recently used entries over the limit to dropped (mutex held).
    void evict(std::list<FileCache::Entry>& dropped);

    System::Config::Int fileHandleMaxValue_{section, "FileHandleMax", &fileHandleMax, 20};
    std::unique_ptr<System::Config::SectionSaver> saver_;
};

} // namespace Plugin
