#pragma once
// Walking the chunks of a RIFF file (AVI, WAV). Positions and sizes are 64-bit:
// a size near 4 GiB cannot wrap a cursor. A file cut short, or written to a
// pipe with sizes that were never filled in, ends inside its last chunk: a
// chunk that runs past the end of the file is cut to it (and marked so); a
// chunk that leaves a parent ending before the file ends the walk of that parent.
#include <cstdint>

namespace System { class File; }

namespace Media {

constexpr uint32_t fourCC(const char (&s)[5])
{
    return uint32_t(uint8_t(s[0])) | uint32_t(uint8_t(s[1])) << 8 | uint32_t(uint8_t(s[2])) << 16 |
           uint32_t(uint8_t(s[3])) << 24;
}

// A chunk's data: its size, where it starts in the file, and the read
// position of a walk through it.
struct RiffChunk {
    uint64_t size = 0;
    uint64_t start = 0;
    uint64_t offset = 0;
    bool cut = false; // its stored size ran past the end of the file

    uint64_t end() const { return start + size; }
    bool inside() const { return start <= offset && offset < end(); }
    void rewind() { offset = start; }
};

class RiffFile {
public:
    explicit RiffFile(System::File& file);

    // Reads the file header: throws "invalid RIFF file." when the file does not
    // begin with "RIFF"; false when the form type differs. The body is cut to
    // the file.
    bool getRiffChunk(uint32_t formType, RiffChunk& body);
    // The next chunk of that id, or list of that type, from the parent's read
    // position on; the parent's position moves past every chunk looked at.
    bool findChunk(RiffChunk& parent, uint32_t fourcc, RiffChunk& found);
    // The next chunk of the parent (a list counts as a chunk whose data begin
    // with its type); false at the parent's end or at a chunk that leaves it.
    bool nextChunk(RiffChunk& parent, uint32_t& id, RiffChunk& chunk);

    // Reads size bytes at a position of the file.
    void read(uint64_t position, void* out, uint32_t size);

    System::File& file;
    uint64_t fileSize = 0;
};

} // namespace Media
