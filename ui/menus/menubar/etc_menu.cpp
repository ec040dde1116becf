#include "ui/menus/menubar/etc_menu.h"

#include "core/file_name.h"
#include "effect/effect_service.h"
#include "io/input/input_plugin.h"
#include "io/input/input_service.h"
#include "io/output/output_plugin.h"
#include "io/output/output_service.h"
#include "platform/ui/application.h"
#include "ui/menus/dialog.h"
#include "ui/menus/dialogs/list_view_dialog.h"
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
// A list of two columns, 550 and 150 pixels; rows of another cell count are left out.
void showList(const wchar_t* caption, const wchar_t* first, std::vector<std::vector<std::wstring>> rows)
{
    Dialog::ListViewDialog dialog(caption);
    dialog.columns = {{first, 550}, {L"種別", 150}};
    dialog.size = 700;
    for (auto& row : rows)
        if (row.size() == dialog.columns.size())
            dialog.rows.push_back(std::move(row));
    dialog.show();
}
} // namespace

std::vector<std::vector<std::wstring>> EtcMenu::pluginRows()
{
    // Readers before writers, each in its service's order; built-in ones carry no text.
    std::vector<std::vector<std::wstring>> rows;
    if (const Plugin::InputService* input = Plugin::InputService::Get())
        for (const auto& reader : input->readers)
            if (reader && !reader->information.empty())
                rows.push_back({reader->information, Dialog::translateDialog(L"入力プラグイン")});
    if (const Plugin::OutputService* output = Plugin::OutputService::Get())
        for (const auto& writer : output->writers)
            if (writer && !writer->information.empty())
                rows.push_back({writer->information, Dialog::translateDialog(L"出力プラグイン")});
    return rows;
}

std::vector<std::vector<std::wstring>> EtcMenu::scriptRows()
{
    std::vector<std::vector<std::wstring>> rows;
    if (Effect::EffectService* effects = Effect::EffectService::Get())
        rows = effects->getScriptInformationList();
    for (auto& row : rows)
        if (row.size() == 2)
            row[1] = Dialog::translateDialog(row[1]);
    return rows;
}

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
    m.insertItem(L"プラグイン情報", [] { showList(L"プラグイン情報", L"プラグイン", pluginRows()); });
    m.insertItem(L"スクリプト情報", [] { showList(L"スクリプト情報", L"スクリプト情報", scriptRows()); });
    m.insertSeparator();
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
