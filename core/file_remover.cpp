#include "core/file_remover.h"

#include "core/text.h"
#include "platform/os/folder.h"

namespace System {

FileRemover::~FileRemover()
{
    if (path)
        Platform::Os::removeFile(toLocalPath(path)); // the result does not matter
}

} // namespace System
