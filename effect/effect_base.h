#pragma once
// The base of every effect that can stand in an object's effect chain:
// object sources, outputs, filters, control and script effects. The renderer
// drives an object through the video and audio operations; the editing side
// uses the parameter items, the handles and the menu classification.
#include "core/ini_file.h"
#include "effect/effect_item.h"
#include "effect/effect_types.h"
#include "render/render_object.h"

#include <memory>

namespace Anchor { class AnchorEvent; }
namespace Component { class ItemControlPanel; }
namespace Edit {
class Object;
class UpdateSection;
}
namespace Media {
class AudioBlockBuffer;
class RenderBuffer;
class ResourceBuffer;
class WaveformBuffer;
}
namespace System { class File; }

namespace Effect {

class EffectDefine;
class EffectItemLayerRange;
class EffectBase;

// A name or label through the "Effect" table of the language file, when one is loaded.
const wchar_t* translatedEffectText(const wchar_t* text);

// What itemEvent receives.
struct ItemEvent {
    enum Code {
        ItemChanged = 1, // payload: the changed EffectItem*
        FileSet = 2,     // payload: the path as const wchar_t*
        CutFrom = 3,     // the object is a piece cut from another; payload: that const Edit::Object*
        StartMoved = 4,  // the start edge was dragged; payload: the start frame before, as const int*
        EndMoved = 5,    // the end edge was dragged; payload: the end frame before, as const int*
        SoundTrack = 6,  // the object plays one sound track; payload: the track index as const int*
        ToolTip = 100,   // a request for the effect's tool-tip text
    };
    int code = 0;
    Edit::UpdateSection* update = nullptr; // the open edit transaction (codes 1, 3 and 6)
    Edit::Object* object = nullptr;
    std::shared_ptr<EffectBase> effect;
    const void* payload = nullptr;
};

class EffectBase {
public:
    EffectBase(const wchar_t* name, uint8_t effectType, uint8_t mediaType, uint8_t objectMediaType,
               const wchar_t* category);
    virtual ~EffectBase();
    EffectBase(const EffectBase&) = delete;
    EffectBase& operator=(const EffectBase&) = delete;

    // Operations a class leaves out throw "not implement." naming the operation,
    // or do nothing, as noted.
    virtual std::unique_ptr<Media::ResourceBuffer> inputVideo(Render::RenderObject& object);
    virtual void preInputVideo(Render::RenderObject& object); // nothing
    virtual void outputVideo(Render::RenderObject& object, Media::RenderBuffer& target,
                             std::unique_ptr<Media::ResourceBuffer>& picture);
    virtual void createAnchor(Render::RenderObject& object, int width, int height); // nothing
    virtual Render::RenderObject::DrawState getOutputView(Render::RenderObject& object);
    // Consumes the picture even when it throws; an empty result ends the chain.
    virtual std::unique_ptr<Media::ResourceBuffer> filterVideo(Render::RenderObject& object,
                                                               std::unique_ptr<Media::ResourceBuffer> picture);
    virtual void controlVideo(Render::RenderObject& object); // nothing
    virtual std::unique_ptr<Media::AudioBlockBuffer> inputAudio(Render::RenderObject& object);
    virtual void preInputAudio(Render::RenderObject& object); // nothing
    virtual void outputAudio(Render::RenderObject& object, Media::AudioBlockBuffer& target,
                             std::unique_ptr<Media::AudioBlockBuffer>& block);
    virtual std::unique_ptr<Media::AudioBlockBuffer> filterAudio(Render::RenderObject& object,
                                                                 std::unique_ptr<Media::AudioBlockBuffer> block);
    virtual void controlAudio(Render::RenderObject& object); // nothing
    // The input to create when this output is placed alone; null by default.
    virtual EffectDefine* getDefaultInputEffect();
    // The name shown: translated when a language file is loaded.
    virtual const wchar_t* getName();
    // 0: whether the object carries audio; 1: audio streams of the opened file. 0 by default.
    virtual int getAudioInfo(int selector);
    virtual EffectItemLayerRange* getLayerRange();
    virtual std::shared_ptr<Media::WaveformBuffer> getWaveform(); // empty
    virtual double getWaveformPosition(Render::RenderObject& object);
    virtual bool anchorEvent(Anchor::AnchorEvent& event);
    // Whether the settings view must be refreshed; false by default.
    virtual bool itemEvent(ItemEvent& event);
    virtual bool isSupportedFile(const wchar_t* path); // false
    virtual void initializeDefault();                  // nothing
    virtual void updateItemState();                    // nothing
    // The settings window built the effect's panel: the effect may customise
    // the controls of its items (effect/item_control.h). Nothing by default.
    virtual void bindItemControl(Component::ItemControlPanel& panel);
    // A new default instance of the same class.
    virtual std::shared_ptr<EffectBase> create() = 0;
    // Builds the class's shared resource on this instance (the registry's prototype).
    virtual void createCommonResource(); // nothing
    // Takes over another instance's shared resource.
    virtual void shareResource(EffectBase& prototype); // nothing

    // ---- the effect section: the text form in project, alias and default files ----
    // Reads the flags and every item present. An item value the item rejects is
    // logged and skipped; so is a flag that is not an integer (read as clear).
    static void loadIniSectionParameter(EffectBase& effect, const System::IniFile::SectionRef& section);
    // Writes "effect.name", the flags that are set and one line per item.
    static void saveIniSectionParameter(const EffectBase& effect, System::File& file);
    // Reads a section of the older object file.
    static void loadTsoSectionParameter(EffectBase& effect, const System::IniFile::SectionRef& section);
    // The item an older parameter name maps to through effect.conf, or null.
    static EffectItem* findItem(const EffectBase& effect, const std::wstring& oldName);
    // Copies every item value from source; the flags are not copied.
    static void setItemData(EffectBase& effect, const EffectBase& source);

    const wchar_t* name;
    uint8_t effectType;
    uint8_t mediaType;
    uint8_t objectMediaType;
    const wchar_t* category;
    EffectItemList items;
    bool disable = false;
    bool hide = false;
    bool lock = false;
};

// Sizes every number item of the effect for an object of sectionCount
// sections (sectionCount + 1 section points).
void setEffectItemValueNum(EffectBase& effect, int sectionCount);

} // namespace Effect
