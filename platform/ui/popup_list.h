#pragma once
// The drop-down list's window: a pop-up list of text entries that closes on a
// click outside it (that click goes nowhere else). Its keys, pointer moves,
// presses, wheel turns and its closing from outside (KillFocus) go first to
// the owner's handler as messages (KeyDown with the key, MouseMove and
// LButtonDown with the screen point and the Control key state, MouseWheel);
// what the handler answers false for gets the standard list handling
// (arrow keys move the selection). Requires the application object. Main thread only.
#include "platform/ui/message.h"

#include <functional>
#include <memory>
#include <string>

namespace Platform::Ui {

class PopupList {
public:
    using Handler = std::function<bool(Message& message)>;

    PopupList();
    ~PopupList();
    PopupList(const PopupList&) = delete;
    PopupList& operator=(const PopupList&) = delete;

    void setHandler(Handler handler);
    void setFont(const std::wstring& family, int pixelSize);
    // The height of every entry in pixels.
    void setItemHeight(int height);
    int itemHeight() const;

    // The new entry's index.
    int addString(const std::wstring& text);
    void resetContent();
    int count() const;
    std::wstring text(int index) const;
    // -1 when nothing is selected.
    int currentIndex() const;
    void setCurrentIndex(int index);
    int topIndex() const;
    void setTopIndex(int index);
    // The entry under a screen point, or -1.
    int itemFromPoint(int screenX, int screenY) const;

    // Screen pixels, the border included.
    void place(int x, int y, int width, int height);
    void show();
    void hide();
    bool isVisible() const;
    int x() const;
    int y() const;
    int width() const;
    int height() const;

    struct Impl;

private:
    std::unique_ptr<Impl> impl_;
};

} // namespace Platform::Ui
