#pragma once
// The built-in AVI writer: the export range of the current scene as an
// uncompressed AVI file with one video stream and one stereo audio stream,
// in the video and audio types of its settings.
#include "io/export/output_file.h"
#include "io/output/avi_file_writer.h"
#include "io/output/output_plugin.h"

namespace Plugin {

class AviFileSave : public OutputPlugin {
public:
    AviFileSave();

    std::shared_ptr<OutputFile> createOutputFile() override;
    // The AVI settings dialog over "VideoType" and "AudioType".
    void showSetting() override;
    // "Video: " + VideoType + " / Audio: " + AudioType.
    std::wstring getSettingText() override;
    void attachConfig(const char* sectionName) override;

    // The pixel format of a "VideoType" and the tag and bits of an "AudioType";
    // any text but the offered ones (compared exactly) means the default.
    static Platform::Gpu::Format videoFormatOf(const std::wstring& videoType);
    static void audioFormatOf(const std::wstring& audioType, uint16_t& tag, uint16_t& bits);

    std::wstring videoType;
    std::wstring audioType;

private:
    WriterSettings settings_;
};

class AviFileSaveFile : public OutputFile {
public:
    AviFileSaveFile(const std::wstring& fileName, AviFileSave* writer);

    // Writes every frame of the range with its sound until the end or a
    // cancel; either way the file is complete. A frame that cannot be
    // rendered ends the file before it and throws "getVideo() failed.".
    bool save() override;

    AviFileSave* writer;
    // Bytes after which a RIFF piece closes (lowered by tests).
    int64_t pieceLimit = AviFileWriter::PieceLimit;
};

} // namespace Plugin
