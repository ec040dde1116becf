#pragma once
// The built-in PNG and JPEG writers: one still picture, the current scene's
// frame at its cursor, encoded by the imaging component.
#include "io/export/output_file.h"
#include "io/output/output_plugin.h"

namespace Plugin {

class PngFileSave : public OutputPlugin {
public:
    PngFileSave();

    std::shared_ptr<OutputFile> createOutputFile() override;
    // A popup menu of the two radio items: with or without transparency.
    void showSetting() override;
    std::wstring getSettingText() override;
    void attachConfig(const char* sectionName) override;

    int transparent = 1; // non-zero: with transparency

private:
    WriterSettings settings_;
};

class JpgFileSave : public OutputPlugin {
public:
    JpgFileSave();

    std::shared_ptr<OutputFile> createOutputFile() override;
    // One integer row "JPEG品質" from 1 to 100.
    void showSetting() override;
    // "JPEG品質" + ":" + the quality.
    std::wstring getSettingText() override;
    void attachConfig(const char* sectionName) override;

    int quality = 90;

private:
    WriterSettings settings_;
};

// The job of both: the cursor frame in the writer's pixel format, encoded.
class ImageFileSaveFile : public OutputFile {
public:
    // PNG with or without alpha, or JPEG of quality / 100 as "ImageQuality".
    ImageFileSaveFile(const std::wstring& fileName, bool jpeg, bool transparent, int quality);

    // False without a frame (nothing is written); encoding errors throw.
    bool save() override;

    bool jpeg;
    bool transparent; // PNG only
    int quality;      // JPEG only
};

using PngFileSaveFile = ImageFileSaveFile;
using JpgFileSaveFile = ImageFileSaveFile;

} // namespace Plugin
