#include "tests/support/riff.h"

#include <stdexcept>

namespace TestKit {

uint32_t readLe32(const std::string& b, size_t o)
{
    if (o + 4 > b.size())
        throw std::runtime_error("RIFF read past the end");
    return uint32_t(uint8_t(b[o])) | uint32_t(uint8_t(b[o + 1])) << 8 | uint32_t(uint8_t(b[o + 2])) << 16 |
           uint32_t(uint8_t(b[o + 3])) << 24;
}

uint16_t readLe16(const std::string& b, size_t o)
{
    if (o + 2 > b.size())
        throw std::runtime_error("RIFF read past the end");
    return uint16_t(uint8_t(b[o]) | uint8_t(b[o + 1]) << 8);
}

namespace {
void walk(const std::string& b, size_t at, size_t end, const std::string& path, std::vector<RiffChunk>& out)
{
    while (at + 8 <= end) {
        std::string id = b.substr(at, 4);
        size_t size = readLe32(b, at + 4);
        size_t body = at + 8;
        if (body + size > end)
            throw std::runtime_error("RIFF chunk " + id + " runs past its parent");
        if (id == "LIST" || id == "RIFF") {
            if (size < 4)
                throw std::runtime_error("RIFF list without a type");
            std::string type = b.substr(body, 4);
            walk(b, body + 4, body + size, path.empty() ? type : path + "/" + type, out);
        } else {
            out.push_back({id, path, b.substr(body, size)});
        }
        at = body + size + (size & 1);
    }
}
} // namespace

std::vector<RiffChunk> walkRiff(const std::string& bytes)
{
    if (bytes.size() < 12 || bytes.compare(0, 4, "RIFF") != 0)
        throw std::runtime_error("not a RIFF file");
    std::vector<RiffChunk> chunks;
    walk(bytes, 0, bytes.size(), "", chunks);
    return chunks;
}

const RiffChunk* findChunk(const std::vector<RiffChunk>& chunks, const std::string& id)
{
    for (const RiffChunk& c : chunks)
        if (c.id == id)
            return &c;
    return nullptr;
}

} // namespace TestKit
