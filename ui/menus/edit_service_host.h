#pragma once
// The edit service's questions, dialogs and window state, answered by the
// dialogs and the window framework. The entry installs it before the edit service.
#include "project/edit/edit_host.h"

namespace Dialog {

class EditServiceHost final : public Edit::EditHost {
public:
    bool showConfirm(const wchar_t* text) override;
    bool showSceneDialog(const wchar_t* title, Edit::SceneSettings& settings, bool withName) override;
    bool inputString(const wchar_t* title, std::wstring& text) override;
    bool inputFrameLength(const wchar_t* title, int& frames, int maximum, int videoRate, int videoScale) override;
    bool inputNumber(const wchar_t* title, const wchar_t* label, double& value, double minimum,
                     double maximum) override;
    bool showAliasDialog(const std::wstring& subject, bool subjectIsKey, std::wstring& name,
                         std::wstring& label) override;
    bool showSaveFileDialog(std::wstring& path, const std::wstring& filter) override;
    void showApplicationException(const std::wstring& message) override;
    void setFooterMessage(const std::wstring& title, const std::wstring& detail, float progress) override;
    void setBusyCursor(bool busy) override;
    void setDeniedCursor() override;
    bool isControlKeyDown() override;
    bool isMousePending() override;
    int getKeyWatch(Window::WindowControl* control) override;
    void setKeyWatch(Window::WindowControl* control, int code) override;
};

} // namespace Dialog
