#pragma once
// Kinds of effects and of the media they work on.
#include <cstdint>

namespace Effect {

struct EffectType {
    enum : uint8_t {
        Input = 1,   // object source
        Output = 2,
        Filter = 3,
        Control = 4,
        // Menu entries only; never the type of an effect instance.
        ObjectAlias = 100,
        EffectAlias = 101,
        ObjectMenu = 200,
        FilterMenu = 201,
    };
};

struct MediaType {
    enum : uint8_t {
        Any = 0, // requests only
        Video = 1,
        Audio = 2,
        VideoAudio = 3,
        Camera = 4,      // effects that may stand inside a camera control object
        SceneChange = 5, // scene change and time control: objects that take no further effect
    };
};

// Whether something that carries `held` media satisfies a request for `requested`.
constexpr bool mediaCompatible(uint8_t held, uint8_t requested)
{
    if (requested == held || requested == MediaType::Any)
        return true;
    if ((held == MediaType::Video || held == MediaType::Audio) && requested == MediaType::VideoAudio)
        return true;
    return held == MediaType::VideoAudio && requested != MediaType::Camera;
}

} // namespace Effect
