#pragma once
// A perspective camera: where it stands, where it looks, its up direction,
// roll and focal distance. The scene's free camera of the preview uses it, and
// so does the camera control effect.
#include <string>
#include <string_view>

namespace Edit {

struct CameraState {
    struct Vector {
        float x, y, z, w;
    };
    Vector position{0.0f, 0.0f, -1024.0f, 1.0f};
    Vector target{0.0f, 0.0f, 0.0f, 1.0f};
    Vector up{0.0f, 1.0f, 0.0f, 0.0f};
    float tilt = 0.0f;             // degrees
    float focalDistance = 1024.0f; // pixels
};

// Position x, y, z and target x, y, z as "%f" joined by ","; the empty text
// while both are at their defaults.
std::string formatDisplayCamera(const CameraState& camera);
// Reads the six numbers of formatDisplayCamera in order. Text of another count
// of parts changes nothing; a part that is not a finite number ends the reading
// there, the values before it staying assigned.
void parseDisplayCamera(CameraState& camera, std::string_view text);

} // namespace Edit
