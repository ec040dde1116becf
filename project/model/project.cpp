#include "project/model/project.h"

#include "core/file_name.h"
#include "project/model/scene.h"

#include <algorithm>
#include <limits>

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
    // One above the highest order in use; at the top of the range (a stored
    // order of 2147483647) it stays there, and equal orders go by id.
    long long order = 0;
    for (const auto& [otherId, scene] : scenes)
        order = std::max(order, static_cast<long long>(scene->displayOrder) + 1);
    order = std::min<long long>(order, std::numeric_limits<int>::max());
    auto scene = std::make_shared<Scene>(id, static_cast<int>(order));
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
    sourceName.clear();
}

void Project::setPath(const std::wstring& newPath)
{
    path = System::FileName::expand(newPath.c_str());
    sourceName.clear();
}

} // namespace Edit
