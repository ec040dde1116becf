#include "render/render_service.h"

namespace Render {

RenderService::RenderService() = default;

RenderService::~RenderService() = default;

} // namespace Render
