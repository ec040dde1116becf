#pragma once
// The tooltip's window: a frameless window above all others that shows a text
// (lines break only at line breaks) at a screen point. Requires the
// application object. Main thread only.
#include <memory>
#include <string>

namespace Platform::Ui {

class TipWindow {
public:
    TipWindow();
    ~TipWindow();
    TipWindow(const TipWindow&) = delete;
    TipWindow& operator=(const TipWindow&) = delete;

    void setText(const std::wstring& text);
    // Places the window's top-left corner, screen pixels.
    void moveTo(int x, int y);
    void show();
    void hide();
    bool isVisible() const;
    // The window's size for its text.
    int width() const;
    int height() const;
    int x() const;
    int y() const;

    struct Impl;

private:
    std::unique_ptr<Impl> impl_;
};

} // namespace Platform::Ui
