#include "io/input/riff_file.h"

#include "core/failure.h"
#include "core/file.h"

#include <algorithm>

namespace Media {

RiffFile::RiffFile(System::File& file) : file(file), fileSize(file.getSize()) {}

void RiffFile::read(uint64_t position, void* out, uint32_t size)
{
    file.seek(int64_t(position));
    file.readBlock(out, int(size));
}

bool RiffFile::getRiffChunk(uint32_t formType, RiffChunk& body)
{
    uint32_t header[3] = {};
    if (fileSize < 12)
        throw System::makeException("Media::RiffFile::getRiffChunk", "invalid RIFF file.", nullptr);
    read(0, header, 12);
    if (header[0] != fourCC("RIFF"))
        throw System::makeException("Media::RiffFile::getRiffChunk", "invalid RIFF file.", nullptr);
    if (header[2] != formType)
        return false;
    const uint64_t size = header[1] >= 4 ? header[1] - 4 : 0;
    body.start = body.offset = 12;
    body.size = std::min(size, fileSize - 12);
    return true;
}

bool RiffFile::nextChunk(RiffChunk& parent, uint32_t& id, RiffChunk& chunk)
{
    const uint64_t end = std::min(parent.end(), fileSize);
    if (!parent.inside() || parent.offset + 8 > end) {
        parent.offset = parent.end();
        return false;
    }
    uint32_t header[2];
    read(parent.offset, header, 8);
    const uint64_t start = parent.offset + 8;
    id = header[0];
    chunk.start = chunk.offset = start;
    chunk.size = header[1];
    chunk.cut = false;
    if (start + header[1] > end) {
        // A chunk that leaves a parent ending inside the file: nothing after it
        // can be trusted.
        if (parent.end() < fileSize) {
            parent.offset = parent.end();
            return false;
        }
        // The file ends inside the chunk: what is there is read.
        chunk.size = end - start;
        chunk.cut = true;
        parent.offset = parent.end();
        return true;
    }
    parent.offset = start + header[1] + (header[1] & 1);
    return true;
}

bool RiffFile::findChunk(RiffChunk& parent, uint32_t fourcc, RiffChunk& found)
{
    uint32_t id = 0;
    RiffChunk chunk;
    while (nextChunk(parent, id, chunk)) {
        if (id == fourcc) {
            found = chunk;
            return true;
        }
        if (id == fourCC("LIST") && chunk.size >= 4) {
            uint32_t type = 0;
            read(chunk.start, &type, 4);
            if (type == fourcc) {
                found.size = chunk.size - 4;
                found.start = found.offset = chunk.start + 4;
                return true;
            }
        }
    }
    return false;
}

} // namespace Media
