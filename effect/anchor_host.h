#pragma once
// What the anchor effects ask of the subsystems above the effect framework:
// the edit settings of handles, the render setting that shows clipping
// objects, the settings window's section, the cursor, the window service's
// icons and the mouse cursor of a refused drag. The default does the least and
// logs; the edit service installs a host of its own at start-up, which passes
// the window's part on to the edit host of the interface.
#include "core/math.h"

#include <memory>

namespace Edit { class Object; }
namespace Render { class RenderObject; }

namespace Effect {

class AnchorHost {
public:
    // Section "Edit" of the main ini file.
    struct EditSettings {
        int anchorObjectMoveSnap = 1;      // dragged object handles snap
        int displayObjectMovePoint = 1;    // movement paths show sample points
        int displayObjectCenterAnchor = 0; // section handles stand at the object's centre
    };

    // Reads the edit settings and VisibleClippingObject (section
    // "Render.video") from the main ini file, when one is open.
    AnchorHost();
    virtual ~AnchorHost();
    AnchorHost(const AnchorHost&) = delete;
    AnchorHost& operator=(const AnchorHost&) = delete;

    // The installed host; a default one until a host is installed.
    static AnchorHost& get();
    // Installs a host (null: the default again). Main thread, before rendering.
    static void install(std::unique_ptr<AnchorHost> host);

    // Whether clipping objects are shown in the preview.
    virtual bool isVisibleClippingObject() const;
    // Flips that setting and logs "set visible clipping object enable=%d".
    virtual void toggleVisibleClippingObject();
    // The section point the settings window shows for the object being
    // rendered; the default is the section the render object's frame lies in.
    virtual int getCurrentSection(const Render::RenderObject& object) const;
    // The settings window shows the section of the object at that frame.
    virtual void showSectionAtFrame(int frame);
    virtual void setCursorFrame(int frame);
    // The frame button's icon while the clipping objects are shown or not;
    // null without a window.
    virtual const void* getClippingObjectIcon(bool visible) const;
    // A drag the effect refuses: the mouse cursor over the preview becomes
    // the "not allowed" shape until the router sets another.
    virtual void showDeniedCursor();

    EditSettings edit;

protected:
    bool visibleClippingObject = true;
};

} // namespace Effect
