#pragma once
// The built-in still-image reader: PNG, JPEG, BMP and GIF pictures as one-frame
// video files (8-bit RGBA). A picture is decoded again on every read; the
// image cache keeps the result.
#include "io/input/input_file.h"
#include "io/input/input_plugin.h"

#include <string>

namespace Plugin {

class ImageFileReader : public InputPlugin {
public:
    ImageFileReader();
    // Null when the decoder gives no picture; the decoder's failures pass out.
    std::shared_ptr<InputFile> openFile(const std::wstring& path, int track) override;

    class InputImageFile : public InputFile {
    public:
        explicit InputImageFile(std::wstring path) : path(std::move(path)) {}
        // The picture, whatever the frame.
        std::shared_ptr<Media::ImageBuffer> readVideo(int frame) override;

        std::wstring path;
    };
};

} // namespace Plugin
