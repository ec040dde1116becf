#pragma once
// The "no person here" seam: every modal point of the program (a message box,
// a dialog, a popup menu, a file box) asks here whether a person answers it.
// Nobody does when there is no display, or when a test installed an answerer
// for the point: the answerer (or, without one, the point's default answer)
// decides at once and the window is not shown.
//
// Answerers are installed per kind of point; one installed with a name
// answers only points of that name and is asked before the kind's general one.
// Answers are ints whose meaning the kind fixes: a box's BoxAnswer, 1 (OK) or
// 0 (Cancel) for a dialog or a file box, a command id (0 none) for a popup menu.
#include <functional>
#include <string>
#include <typeinfo>

namespace Platform::Ui {

struct NativeMenu;

enum class ModalKind { MessageBox, Dialog, PopupMenu, FileBox };

struct ModalPoint {
    ModalKind kind = ModalKind::MessageBox;
    std::string name;     // the object name of the box or dialog
    std::wstring caption; // title
    std::wstring text;    // a box's text
    int defaultAnswer = 0;
    NativeMenu* menu = nullptr; // a popup menu (its items through menu.h)
    int x = 0, y = 0;           // where a popup menu opens, screen pixels
    // The object behind the point (a dialog's values, a file box's path),
    // for answerers that fill it in.
    void* subject = nullptr;
    const std::type_info* subjectType = nullptr;

    template <class T>
    void setSubject(T* object)
    {
        subject = const_cast<void*>(static_cast<const void*>(object));
        subjectType = &typeid(T);
    }
    template <class T>
    T* subjectAs() const
    {
        return subjectType && *subjectType == typeid(T) ? static_cast<T*>(subject) : nullptr;
    }
};

using Answerer = std::function<int(ModalPoint& point)>;

// Installs the answerer (an empty one removes it). Thread-safe.
void setAnswerer(ModalKind kind, Answerer answerer, const std::string& name = {});
// Removes every answerer.
void clearAnswerers();
// Whether a person answers the point: a display is used and no answerer stands for it.
bool personAnswers(const ModalPoint& point);
// The answer without a person: the point's answerer, or its default answer.
int answerWithoutPerson(ModalPoint& point);

} // namespace Platform::Ui
