#pragma once
// RIFF files as a tree that tests take apart, change and write back: the AVI
// and WAV fixtures that ffmpeg does not write (no index, absolute offsets,
// OpenDML pieces, chunks out of order, damaged sizes).
#include <cstdint>
#include <string>
#include <vector>

namespace IoTest {

struct RiffNode {
    std::string id;   // "RIFF", "LIST" or a chunk id
    std::string type; // the form or list type; empty for a chunk
    std::string data; // a chunk's bytes
    std::vector<RiffNode> children;

    bool isList() const { return !type.empty(); }
    // The first direct child chunk of that id or list of that type; null for none.
    RiffNode* find(const std::string& name);
    // The first node of that id or type anywhere below, depth first.
    RiffNode* findDeep(const std::string& name);
    void remove(const std::string& name); // every direct child of that id or type
};

// The top-level pieces of a file (one per RIFF).
std::vector<RiffNode> parseRiff(const std::string& bytes);
std::string writeRiff(const std::vector<RiffNode>& pieces);
std::string writeNode(const RiffNode& node);

RiffNode chunk(const std::string& id, const std::string& data);
RiffNode list(const std::string& id, const std::string& type, std::vector<RiffNode> children);

std::string le16(uint16_t v);
std::string le32(uint32_t v);
std::string le64(uint64_t v);
void putLe32(std::string& bytes, size_t at, uint32_t v);

} // namespace IoTest
