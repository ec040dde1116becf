#pragma once
// A small RIFF walker for tests and benchmarks: the leaf chunks of a WAV or
// AVI file in file order, LIST chunks entered (their type kept as the path).
#include <cstdint>
#include <string>
#include <vector>

namespace TestKit {

struct RiffChunk {
    std::string id;   // "fmt ", "data", "strh", "00dc", ...
    std::string path; // enclosing list types, e.g. "AVI /hdrl/strl"
    std::string data;
};

// Throws std::runtime_error when the bytes are not a well-formed RIFF file.
std::vector<RiffChunk> walkRiff(const std::string& bytes);

// The first chunk with this id, or nullptr.
const RiffChunk* findChunk(const std::vector<RiffChunk>& chunks, const std::string& id);

uint32_t readLe32(const std::string& bytes, size_t offset);
uint16_t readLe16(const std::string& bytes, size_t offset);

} // namespace TestKit
