#pragma once
// The render service: the one way to ask for a rendered frame of the current
// scene, or its sound. It owns the video worker, the audio worker and the
// preview player.
// Made by the program's entry after the edit service.
#include "core/service.h"
#include "render/movie_player.h"
#include "render/render_audio_worker.h"
#include "render/render_video_worker.h"

namespace Render {

class RenderService : public System::Singleton<RenderService> {
public:
    RenderService();
    ~RenderService();
    RenderService(const RenderService&) = delete;
    RenderService& operator=(const RenderService&) = delete;

    RenderVideoWorker videoWorker;
    RenderAudioWorker audioWorker;
    MoviePlayer player{videoWorker, audioWorker};
};

// Gives an interface class the render service it was built with.
class RenderInstance {
public:
    RenderInstance() : renderService(RenderService::Get()) {}

protected:
    RenderService* renderService;
};

// Gives an interface class the preview player.
class MoviePlayerInstance {
public:
    MoviePlayerInstance() : moviePlayer(&RenderService::Get()->player) {}

protected:
    MoviePlayer* moviePlayer;
};

} // namespace Render
