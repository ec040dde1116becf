#include "ui/menus/dialogs/alias_dialog.h"

#include "core/log.h"
#include "core/translate_service.h"
#include "effect/effect_service.h"
#include "project/files/alias_file.h"
#include "platform/ui/dialog_window.h"
#include "platform/ui/person.h"
#include "ui/menus/dialog.h"
#include "ui/menus/dialogs/dialog_item.h"
#include "ui/menus/modal_point.h"

namespace Dialog {

namespace {

// Refused names in a row before a stand-in that keeps answering them counts as Cancel.
constexpr int RefusalLimit = 100;

std::wstring translated(const std::wstring& text)
{
    return translateDialog(text);
}

// An answerer stands in while no test driver works the real dialog.
bool answered()
{
    Platform::Ui::ModalPoint point;
    point.kind = Platform::Ui::ModalKind::Dialog;
    point.name = "AliasDialog";
    return !Platform::Ui::hasDialogDriver() && !Platform::Ui::personAnswers(point);
}

} // namespace

AliasDialog::AliasDialog() : DialogTemplate(L"", "AliasDialog") {}

std::wstring AliasDialog::caption() const
{
    return translated(L"エイリアスを作成") + L" - " + (subjectIsKey ? translated(subject) : subject);
}

bool AliasDialog::show()
{
    stopPlayback();
    labels.clear();
    if (Effect::EffectService* effects = Effect::EffectService::Get()) {
        for (const wchar_t* text : effects->getEffectLabelList())
            labels.emplace_back(text);
    }
    System::Log::info("Dialog::AliasDialog::show", L"%s", caption().c_str());
    error.clear();
    for (int attempt = 0; attempt < RefusalLimit; ++attempt) {
        if (answered()) {
            if (!askPerson(*this, "AliasDialog", caption()))
                return false;
        } else {
            DialogTemplate::caption = caption();
            items.clear();
            auto* nameRow = addItem<DialogItemNameText>(L"エイリアス名", name);
            auto* labelRow = addItem<DialogItemNameComboBox>(L"ラベル", label, labels);
            if (!create(0))
                return false;
            name = nameRow->value;
            label = labelRow->value;
        }
        if (Edit::AliasFile::isValidName(name)) {
            error.clear();
            return true;
        }
        // The name becomes a file name in the alias folder.
        error = L"エイリアス名が不正です";
        System::Log::warn("Dialog::AliasDialog::show", L"invalid alias name [%s]", name.c_str());
    }
    return false;
}

void AliasDialog::setAnswerer(Answerer answerer)
{
    setDialogAnswerer<AliasDialog>("AliasDialog", std::move(answerer));
}

} // namespace Dialog
