#include "ui/window/bitmap_list.h"

#include "core/failure.h"
#include "media/image_service.h"
#include "platform/draw/resources.h"
#include "ui/window/resources/window_resources.h"

namespace Window {

const int BitmapList::resourceIds[Count] = {136, 138, 137, 133, 134, 141, 142, 149, 144, 145, 147,
                                            148, 152, 153, 150, 151, 154, 155, 156, 157, 159, 160};

BitmapList::BitmapList()
{
    Resources::registerPictures();
    for (int i = 0; i < Count; ++i)
        entries_[i].setGenerator([this, i](std::shared_ptr<Platform::Draw::Bitmap>& slot) {
            Media::ImageService* images = Media::ImageService::Get();
            if (!images)
                throw System::makeException("Window::BitmapList", "image service not created.", nullptr);
            slot = images->loadFromResource(resourceIds[i], target);
        });
}

BitmapList::~BitmapList() = default;

Platform::Draw::Bitmap* BitmapList::get(int index)
{
    return entries_[index].createResource();
}

} // namespace Window
