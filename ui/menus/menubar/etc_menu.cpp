#include "ui/menus/menubar/etc_menu.h"

#include "core/file_name.h"
#include "platform/ui/application.h"
#include "ui/menus/dialog.h"
#include "ui/window/window_menu.h"

namespace Menu {

namespace {
constexpr const wchar_t* Author = L"Velmora Works";

// The address, each character XOR 0x5A, so it is not a plain string of the program.
constexpr char ScrambledAddress[] = {0x32, 0x2e, 0x2e, 0x2a, 0x29, 0x60, 0x75, 0x75, 0x2c, 0x3f, 0x36, 0x37, 0x35,
                                     0x28, 0x3b, 0x74, 0x3f, 0x22, 0x3b, 0x37, 0x2a, 0x36, 0x3f, 0x75, 0x2e,
                                     0x3f, 0x29, 0x29, 0x3f, 0x36, 0x68, 0x75};

struct Folder {
    const wchar_t* text;
    const wchar_t* variable;
};
constexpr Folder Folders[] = {
    {L"アプリケーションデータフォルダ", L"%AppData%/"},
    {L"スクリプトフォルダ", L"%Script%/"},
    {L"プラグインフォルダ", L"%Plugin%/"},
    {L"図形ファイルフォルダ", L"%Figure%/"},
    {L"遷移画像ファイルフォルダ", L"%Transition%/"},
    {L"エイリアスファイルフォルダ", L"%Alias%/"},
    {L"初期値・プリセットフォルダ", L"%Default%/"},
    {L"バックアップファイルフォルダ", L"%Backup%/"},
    {L"ログファイルフォルダ", L"%Log%/"},
    {L"言語ファイルフォルダ", L"%Language%/"},
};
} // namespace

void EtcMenu::openFolder(const wchar_t* variable)
{
    Platform::Ui::openWithDesktop(System::FileName::expand(variable));
}

std::wstring EtcMenu::webPageAddress()
{
    std::wstring address;
    for (char c : ScrambledAddress)
        address += wchar_t(c ^ 0x5A);
    return address;
}

std::wstring EtcMenu::versionText()
{
    return std::wstring(Dialog::ProductTitle) + L"  version " + Dialog::programVersion() + L"  By " + Author;
}

void EtcMenu::showVersion()
{
    Dialog::stopPlayback();
    Platform::Ui::MessageBox box;
    box.caption = Dialog::ProductTitle;
    box.text = versionText();
    box.icon = Platform::Ui::BoxIcon::Information;
    box.buttons = Platform::Ui::BoxButtons::Ok;
    Platform::Ui::showMessageBox(box);
}

void EtcMenu::initialize()
{
    Window::WindowMenu& m = *menu;
    Window::BaseMenu data(m, L"アプリケーションデータ");
    for (const Folder& folder : Folders) {
        const wchar_t* variable = folder.variable;
        data.insertItem(folder.text, [variable] { openFolder(variable); });
    }
    Window::BaseMenu web(m, L"ウェブサイト");
    web.insertItem(L"Velmora Tessel2 Web", [] { Platform::Ui::openWithDesktop(webPageAddress()); });
    m.insertSeparator();
    m.insertItem(L"バージョン情報", showVersion);
}

} // namespace Menu
