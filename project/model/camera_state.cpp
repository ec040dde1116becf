#include "project/model/camera_state.h"

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <vector>

namespace Edit {

std::string formatDisplayCamera(const CameraState& camera)
{
    const CameraState::Vector& p = camera.position;
    const CameraState::Vector& t = camera.target;
    if (p.x == 0.0f && p.y == 0.0f && p.z == -1024.0f && t.x == 0.0f && t.y == 0.0f && t.z == 0.0f)
        return {};
    char text[512];
    std::snprintf(text, sizeof text, "%f,%f,%f,%f,%f,%f", p.x, p.y, p.z, t.x, t.y, t.z);
    return text;
}

void parseDisplayCamera(CameraState& camera, std::string_view text)
{
    std::vector<std::string> parts(1);
    for (char c : text) {
        if (c == ',')
            parts.emplace_back();
        else
            parts.back().push_back(c);
    }
    if (parts.size() != 6)
        return;
    float* targets[6] = {&camera.position.x, &camera.position.y, &camera.position.z,
                         &camera.target.x,   &camera.target.y,   &camera.target.z};
    for (size_t i = 0; i < 6; ++i) {
        const char* begin = parts[i].c_str();
        char* end = nullptr;
        errno = 0;
        const float v = std::strtof(begin, &end);
        // A camera at an infinite or undefined place would make every view matrix NaN.
        if (end == begin || errno == ERANGE || !std::isfinite(v))
            return;
        *targets[i] = v;
    }
}

} // namespace Edit
