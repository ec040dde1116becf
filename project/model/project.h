#pragma once
// The open project: its scenes by id, the scene being edited and the file it
// belongs to.
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace Edit {

class Scene;

class Project {
public:
    Project();
    ~Project();
    Project(const Project&) = delete;
    Project& operator=(const Project&) = delete;

    // The scene with the id, created on demand behind the others in display order.
    std::shared_ptr<Scene> getScene(int id);
    // The smallest id from 1 upward that no scene uses.
    int getFreeSceneId() const;
    // Every scene by display order.
    std::vector<std::shared_ptr<Scene>> getSceneList() const;
    // Removes a scene other than scene 0 and the current one; its objects are no longer placed.
    void deleteScene(int id);
    // No scenes, scene 0 current, no path.
    void clear();
    // Sets the path with its path variables expanded.
    void setPath(const std::wstring& path);

    // ---- project file ----
    // Writes the whole project to the path through a replacement file: the old
    // file stays whole until the new one is complete.
    void saveProjectFile(const wchar_t* path) const;
    // Reads a project file into this cleared project. A missing file, scene or
    // layer data that is unusable throw; an object that cannot be read is
    // dropped and logged, the others load. Returns the number of objects
    // dropped (the user has then been told once).
    int loadProjectFile(const wchar_t* path);
    // The same for the text of a project file already in memory (name for messages).
    int loadProjectText(std::string_view text, const wchar_t* name);
    // After opening the file from another place than its stored path: moves the
    // missing files under the stored project folder to the same place under
    // newPath's folder, when confirm (a box by default) agrees. Whether anything changed.
    bool updateEffectItemFilePath(const std::wstring& newPath, const std::function<bool()>& confirm = nullptr);

    std::wstring path;
    // Set on a project read from a file that did not become its path (an
    // opened backup): that file's name, which the window's title shows.
    // Cleared with the project and when a path is set.
    std::wstring sourceName;
    int currentSceneId = 0;
    std::unordered_map<int, std::shared_ptr<Scene>> scenes;
};

} // namespace Edit
