#pragma once
// Deletes a half-written file when saving stops early: the owner stores the path
// before writing and sets it to null once the file is complete.
namespace System {

struct FileRemover {
    const wchar_t* path = nullptr;
    ~FileRemover();
};

} // namespace System
