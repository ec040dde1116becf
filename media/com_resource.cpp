#include "media/com_resource.h"

#include "core/failure.h"
#include "platform/draw/font.h"
#include "platform/draw/resources.h"
#include "platform/draw/text.h"

namespace Media {

void throwResourceGeneratorNotSet(const char* place)
{
    throw System::makeException(place, "resource generator not set.", nullptr);
}

#define VELMORA_RESOURCE_PLACE(type)                                                                                   \
    template <>                                                                                                        \
    const char* comResourcePlace<type>()                                                                               \
    {                                                                                                                  \
        return "Media::ComResource<class " #type ">::createResource";                                                  \
    }

VELMORA_RESOURCE_PLACE(Platform::Draw::StrokeStyle)
VELMORA_RESOURCE_PLACE(Platform::Draw::SolidColorBrush)
VELMORA_RESOURCE_PLACE(Platform::Draw::LinearGradientBrush)
VELMORA_RESOURCE_PLACE(Platform::Draw::Bitmap)
VELMORA_RESOURCE_PLACE(Platform::Draw::PathGeometry)
VELMORA_RESOURCE_PLACE(Platform::Draw::TransformedGeometry)
VELMORA_RESOURCE_PLACE(Platform::Draw::TextFormat)
VELMORA_RESOURCE_PLACE(Platform::Draw::TextLayout)
VELMORA_RESOURCE_PLACE(Platform::Draw::FontFace)

#undef VELMORA_RESOURCE_PLACE

} // namespace Media
