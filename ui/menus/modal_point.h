#pragma once
// The dialogs' side of the no-person seam (platform/ui/person.h): a dialog
// asks as a modal point named by its class, with itself as the subject that
// an answerer fills in; answerers are installed per dialog class. Until a
// dialog has its window, nobody but an answerer answers it (Cancel).
#include "platform/ui/person.h"

#include <functional>
#include <string>

namespace Dialog {

template <class D>
bool askPerson(D& dialog, const char* name, const std::wstring& caption)
{
    Platform::Ui::ModalPoint point;
    point.kind = Platform::Ui::ModalKind::Dialog;
    point.name = name;
    point.caption = caption;
    point.defaultAnswer = 0;
    point.setSubject(&dialog);
    return Platform::Ui::answerWithoutPerson(point) != 0;
}

template <class D>
void setDialogAnswerer(const char* name, std::function<bool(D&)> answerer)
{
    if (!answerer) {
        Platform::Ui::setAnswerer(Platform::Ui::ModalKind::Dialog, nullptr, name);
        return;
    }
    Platform::Ui::setAnswerer(
        Platform::Ui::ModalKind::Dialog,
        [answerer = std::move(answerer)](Platform::Ui::ModalPoint& point) {
            D* dialog = point.subjectAs<D>();
            return dialog && answerer(*dialog) ? 1 : 0;
        },
        name);
}

} // namespace Dialog
