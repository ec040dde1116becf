#include "project/model/project.h"

#include "core/file_name.h"
#include "project/model/scene.h"

#include <algorithm>

namespace Edit {

Project::Project() = default;

Project::~Project()
{
    for (auto& [id, scene] : scenes)
        scene->clearLayer();
}

std::shared_ptr<Scene> Project::getScene(int id)
{
    auto it = scenes.find(id);
    if (it != scenes.end())
        return it->second;
    int order = 0;
    for (const auto& [otherId, scene] : scenes)
        order = std::max(order, scene->displayOrder + 1);
    auto scene = std::make_shared<Scene>(id, order);
    scenes.emplace(id, scene);
    return scene;
}

int Project::getFreeSceneId() const
{
    int id = 1;
    while (scenes.count(id))
        ++id;
    return id;
}

std::vector<std::shared_ptr<Scene>> Project::getSceneList() const
{
    std::vector<std::shared_ptr<Scene>> list;
    list.reserve(scenes.size());
    for (const auto& [id, scene] : scenes)
        list.push_back(scene);
    // Equal display orders (possible in files) fall back to the id, so the order is the same every time.
    std::sort(list.begin(), list.end(), [](const auto& a, const auto& b) {
        return a->displayOrder != b->displayOrder ? a->displayOrder < b->displayOrder : a->id < b->id;
    });
    return list;
}

void Project::deleteScene(int id)
{
    if (id == 0 || id == currentSceneId)
        return;
    auto it = scenes.find(id);
    if (it == scenes.end())
        return;
    it->second->clearLayer();
    scenes.erase(it);
}

void Project::clear()
{
    for (auto& [id, scene] : scenes)
        scene->clearLayer();
    scenes.clear();
    currentSceneId = 0;
    path.clear();
}

void Project::setPath(const std::wstring& newPath)
{
    path = System::FileName::expand(newPath.c_str());
}

} // namespace Edit
