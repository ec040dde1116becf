#pragma once
// The process-wide owner of 2D drawing: the font registry and the lock that
// serialises drawing into pictures on render workers.
#include "core/service.h"
#include "media/font_manager.h"

#include <mutex>

namespace Media {

class Direct2DService : public System::Singleton<Direct2DService>, public FontManager {
public:
    Direct2DService();
    ~Direct2DService();

    // Held from setting a picture as the drawing target until it is cleared.
    std::recursive_mutex drawLock;
};

// Gives an object the Direct2D service it was built with.
class Direct2DInstance {
public:
    Direct2DInstance() : Direct2D(Direct2DService::Get()) {}

protected:
    Direct2DService* Direct2D;
};

} // namespace Media
