// The scene and layer sections of the project file.
#include "core/failure.h"
#include "core/text.h"
#include "project/files/project_file_lines.h"
#include "project/model/layer.h"
#include "project/model/scene.h"

#include <cmath>

namespace Edit {

using namespace ProjectFileLines;

void Scene::saveSceneIniFile(System::File& file, int index) const
{
    writeSection(file, "scene." + std::to_string(index));
    writeInt(file, "scene", id);
    if (!name.empty())
        writeValue(file, "name", System::wideToUtf8(name));
    writeInt(file, "video.width", width);
    writeInt(file, "video.height", height);
    writeInt(file, "video.rate", videoRate);
    writeInt(file, "video.scale", videoScale);
    writeInt(file, "audio.rate", audioRate);
    writeInt(file, "cursor.frame", cursorFrame);
    writeInt(file, "display.frame", displayFrame);
    writeInt(file, "display.layer", displayLayer);
    writeInt(file, "display.zoom", displayZoom.zoom);
    writeInt(file, "display.order", displayOrder);
    writeValue(file, "display.camera", formatDisplayCamera(displayCamera));
    writeValue(file, "display.grid.x", System::wideToUtf8(intListToString(gridX)));
    writeValue(file, "display.grid.y", System::wideToUtf8(intListToString(gridY)));
    writeInt(file, "display.grid.width", gridWidth);
    writeInt(file, "display.grid.height", gridHeight);
    writeFloat(file, "display.grid.step", gridStep);
    writeFloat(file, "display.grid.range", gridRange);
    writeFloat(file, "display.tempo.bpm", tempoBpm);
    writeInt(file, "display.tempo.beat", tempoBeat);
    writeFloat(file, "display.tempo.offset", tempoOffset);
}

void Scene::loadSceneIniFile(const System::IniFile::SectionRef& section)
{
    constexpr const char* Place = "Edit::Scene::loadSceneIniFile";
    const int w = section.getValue("video.width").toInt();
    const int h = section.getValue("video.height").toInt();
    const int rate = section.getValue("video.rate").toInt();
    const int scale = section.getValue("video.scale").toInt();
    // Files from before the setting existed were made at 48 kHz.
    const int audio = section.findValue("audio.rate").toInt(48000);
    checkSceneFormat(Place, w, h, rate, scale, audio);
    const float bpm = section.findValue("display.tempo.bpm").toFloat(tempoBpm);
    const float offset = section.findValue("display.tempo.offset").toFloat(tempoOffset);
    const float step = section.findValue("display.grid.step").toFloat(gridStep);
    const float range = section.findValue("display.grid.range").toFloat(gridRange);
    // The timeline divides by the tempo and steps by the grid.
    if (!(bpm > 0) || !std::isfinite(bpm) || !std::isfinite(offset) || !std::isfinite(step) || !std::isfinite(range))
        throw System::makeFormatException(Place, "invalid scene setting.",
                                          L"tempo.bpm=%f tempo.offset=%f grid.step=%f grid.range=%f", bpm, offset,
                                          step, range);

    name = section.findValue("name").toString(L"");
    if (name.empty())
        name = getDefaultName(id);
    width = w;
    height = h;
    videoRate = rate;
    videoScale = scale;
    audioRate = audio;
    cursorFrame = section.findValue("cursor.frame").toInt(0);
    displayFrame = section.findValue("display.frame").toInt(0);
    displayLayer = section.findValue("display.layer").toInt(0);
    displayZoom = FrameZoom(section.findValue("display.zoom").toInt(displayZoom.zoom));
    displayOrder = section.findValue("display.order").toInt(id);
    parseDisplayCamera(displayCamera, section.findValue("display.camera").text);
    // A list written empty reads back empty; only a missing key keeps the default.
    if (const System::IniFile::VALUE* v = section.section().find("display.grid.x"))
        stringToIntList(gridX, v->toString(L""));
    if (const System::IniFile::VALUE* v = section.section().find("display.grid.y"))
        stringToIntList(gridY, v->toString(L""));
    gridWidth = section.findValue("display.grid.width").toInt(gridWidth);
    gridHeight = section.findValue("display.grid.height").toInt(gridHeight);
    gridStep = step;
    gridRange = range;
    tempoBpm = bpm;
    tempoBeat = section.findValue("display.tempo.beat").toInt(tempoBeat);
    tempoOffset = offset;
}

void Layer::saveLayerIniFile(System::File& file, int sectionIndex, int sceneId) const
{
    writeSection(file, "layer." + std::to_string(sectionIndex));
    writeInt(file, "layer", index);
    if (sceneId != 0)
        writeInt(file, "scene", sceneId);
    if (!name.empty())
        writeValue(file, "name", System::wideToUtf8(name));
    if (lock)
        writeValue(file, "lock", "1");
    if (hide)
        writeValue(file, "hide", "1");
}

void Layer::loadLayerIniFile(const System::IniFile::SectionRef& section)
{
    name = section.findValue("name").toString(L"");
    lock = section.findValue("lock").toInt(0) != 0;
    hide = section.findValue("hide").toInt(0) != 0;
}

} // namespace Edit
