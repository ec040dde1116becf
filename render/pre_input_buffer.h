#pragma once
// The base of an input rendered ahead of the object that uses it (a frame or
// the sound of another scene), held by shared pointer until its last user.
namespace Render {

class PreInputBuffer {
public:
    PreInputBuffer() = default;
    virtual ~PreInputBuffer();
    PreInputBuffer(const PreInputBuffer&) = delete;
    PreInputBuffer& operator=(const PreInputBuffer&) = delete;
};

} // namespace Render
