#pragma once
// The status footer and the window title: the footer's left and right texts
// are style.conf's [Format] templates FooterLeft and FooterRight with their
// {variables} (project and scene names, size, rates, current and total time
// and frame) expanded; the title is the project file's name. Follows scene
// changes, cursor moves and edits. Main thread only.
#include "core/service.h"

#include <string>

namespace Component {

class StatusComponent : public System::Singleton<StatusComponent> {
public:
    // Reads the templates and joins the scene, cursor and edit listeners.
    StatusComponent();
    ~StatusComponent();
    StatusComponent(const StatusComponent&) = delete;
    StatusComponent& operator=(const StatusComponent&) = delete;

    // The value of a variable; an unknown name logs a WARN line and gives "".
    std::wstring expandStatusVariable(const std::wstring& name) const;
    void updateSceneInfo();
    void updateTimes();
    void updateFooterText();
    void updateWindowTitle();

    // "%f" without trailing zeros or a trailing decimal point.
    static std::wstring formatDecimal(double value);
    // The title for a project path: the text after its last '/' or '\\', else the product name.
    static std::wstring titleOf(const std::wstring& path);

    std::wstring footerLeft, footerRight;     // the templates
    std::wstring leftText, rightText;         // as last handed to the footer
    int cursorFrame = -1, lastFrame = -1;
    std::wstring currentTime, totalTime, currentFrame, totalFrame, resolution, frameRate, samplingRate;
    std::wstring projectName, sceneName;
};

} // namespace Component
