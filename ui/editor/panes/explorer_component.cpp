#include "ui/editor/panes/explorer_component.h"

#include "core/event_service.h"
#include "core/file.h"
#include "core/file_name.h"
#include "core/ini_file.h"
#include "core/log.h"
#include "core/setting_service.h"
#include "core/text.h"
#include "media/font_manager.h"
#include "platform/ui/surface.h"
#include "ui/menus/dialog.h"
#include "ui/menus/dialogs/input_dialog.h"
#include "ui/window/base_menu.h"
#include "ui/window/color_brush_list.h"
#include "ui/window/list_box.h"
#include "ui/window/tool_tips.h"

#include <algorithm>

namespace Component {

namespace {
constexpr const wchar_t* BookmarkFile = L"%AppData%/explorer.ini";

// The triangle of the parent button: pointing up over a bar.
const float upFrame[] = {0.5f, 0.25f, 0.25f, 0.6f, 0.75f, 0.6f};
const float bar[] = {0.25f, 0.68f, 0.75f, 0.75f};
const Control::IconSet ParentIcon{upFrame, bar, nullptr};
const float starPoints[] = {0.5f, 0.2f, 0.22f, 0.8f, 0.78f, 0.8f};
const Control::IconSet BookmarkIcon{starPoints, nullptr, nullptr};

std::wstring expanded(const std::wstring& path)
{
    std::wstring copy = path;
    System::FileName::expandVariable(copy);
    return copy;
}
} // namespace

std::vector<ExplorerComponent*>& explorerPanes()
{
    static std::vector<ExplorerComponent*> panes;
    return panes;
}

ExplorerPanes::ExplorerPanes()
{
    Setting::SettingService* settings = Setting::SettingService::Get();
    const int count = settings ? std::clamp(settings->layout.get("ExplorerWindowNum").toInt(1), 0, 16) : 1;
    for (int i = 0; i < count; ++i)
        panes.push_back(std::make_unique<ExplorerComponent>(i));
}

ExplorerPanes::~ExplorerPanes()
{
    while (!panes.empty())
        panes.pop_back();
}

ExplorerComponent::ExplorerComponent(int n)
    : WindowClientRenderTarget(nullptr, ("Window.explorer:" + std::to_string(n + 1)).c_str(),
                               {0, 0, 0.2f, 0.7f, AreaLeft, n == 0}),
      instance(n), titleText(L"メディアエクスプローラー:" + std::to_wstring(n + 1)),
      windowId("Window.explorer:" + std::to_string(n + 1)), container(0, 0, priority, &clientRect, &clientRect),
      backButton(container, &Control::Icons::Left), forwardButton(container, &Control::Icons::Right),
      parentButton(container, &ParentIcon),
      pathRow(container, 3 * Setting::Layout::ExplorerHeaderHeight, 0, 0, Setting::Layout::ExplorerHeaderHeight),
      pathField(&pathRow, 0, -Setting::Layout::ExplorerHeaderHeight),
      bookmarkButton(pathRow, -Setting::Layout::ExplorerHeaderHeight, Setting::Layout::ExplorerHeaderHeight,
                     &BookmarkIcon, false),
      explorer(container, windowId)
{
    title = titleText.c_str();
    acceptContextMenu = true;
    const int H = Setting::Layout::ExplorerHeaderHeight;
    for (auto [button, index] : {std::pair{&backButton, 0}, {&forwardButton, 1}, {&parentButton, 2}}) {
        button->placeX = index * H, button->placeY = 0, button->placeWidth = H, button->placeHeight = H;
    }
    for (Control::IconButtonControl* button : {&backButton, &forwardButton, &parentButton, &bookmarkButton}) {
        button->foreground = Control::brushOf(*button, Window::ColorBrushList::Text);
        button->background = Control::brushOf(*button, Window::ColorBrushList::Background);
    }
    backButton.toolTip = L"前に戻る";
    forwardButton.toolTip = L"次に移動";
    parentButton.toolTip = L"親のフォルダに移動";
    bookmarkButton.toolTip = L"ブックマークを表示";
    backButton.onClick = [this](Control::ButtonControl&) { navigate(-1); };
    forwardButton.onClick = [this](Control::ButtonControl&) { navigate(1); };
    parentButton.onClick = [this](Control::ButtonControl&) {
        std::wstring path = currentPath();
        while (path.size() > 1 && path.back() == L'/')
            path.pop_back();
        const size_t slash = path.find_last_of(L'/');
        if (explorer.browser && slash != std::wstring::npos)
            explorer.browseToPath(slash == 0 ? L"/" : path.substr(0, slash));
    };
    bookmarkButton.onClick = [this](Control::ButtonControl&) { showBookmarkList(); };
    pathField.charFilter = L"[^\\x00-\\x1f]";
    pathField.keyHook = [this](int key) {
        if (key != 13)
            return false;
        explorer.browseToPath(pathField.text);
        return true;
    };
    explorer.defaultColumns = {L"{B725F130-47EF-101A-A5F1-02608C9EEBAC} 10", L"{B725F130-47EF-101A-A5F1-02608C9EEBAC} 12",
                               L"{B725F130-47EF-101A-A5F1-02608C9EEBAC} 14"};
    explorer.onNavigate = [this](Control::ExplorerControl&) {
        const std::wstring path = currentPath();
        if (!historyMove && (historyIndex < 0 || history[size_t(historyIndex)] != path)) {
            history.resize(size_t(historyIndex + 1));
            history.push_back(path);
            historyIndex = int(history.size()) - 1;
        }
        historyMove = false;
        updatePathText();
    };
    if (Event::EventService* events = Event::EventService::Get())
        events->bookmarkChanged.push_back([this] {
            for (ExplorerComponent* pane : explorerPanes())
                if (pane == this)
                    updatePathText();
        });
    if (instance == 0)
        loadBookmarks();
    explorerPanes().push_back(this);
}

ExplorerComponent::~ExplorerComponent()
{
    std::erase(explorerPanes(), this);
    if (instance == 0)
        saveBookmarks();
}

std::wstring ExplorerComponent::currentPath() const
{
    return explorer.folderPath;
}

void ExplorerComponent::navigate(int step)
{
    const int target = historyIndex + step;
    if (target < 0 || target >= int(history.size()) || !explorer.browser)
        return;
    historyIndex = target;
    historyMove = true;
    explorer.browseToPath(history[size_t(target)]);
}

std::wstring ExplorerComponent::getBookmarkName() const
{
    const std::wstring path = currentPath();
    for (const Bookmark& bookmark : bookmarkList)
        if (bookmark.path == path)
            return bookmark.name;
    return path;
}

void ExplorerComponent::updatePathText()
{
    pathField.text = getBookmarkName();
    pathField.updateTextLayout();
    pathField.updateScroll();
    pathField.procPaint();
}

void ExplorerComponent::addBookmark(const std::wstring& path)
{
    const std::wstring full = expanded(path);
    const size_t slash = full.find_last_of(L"/\\");
    std::wstring name = slash == std::wstring::npos ? full : full.substr(slash + 1);
    if (const size_t dot = name.rfind(L'.'); dot != std::wstring::npos)
        name.resize(dot);
    if (!System::File::exists(full.c_str())) {
        Dialog::showError(L"このフォルダはブックマークに追加できません");
        return;
    }
    Dialog::InputStringDialog dialog;
    dialog.title = L"ブックマークの追加";
    dialog.text = name;
    if (!dialog.show() || dialog.text.empty())
        return;
    const std::wstring chosen = dialog.text;
    removeBookmarkIf([&chosen](const Bookmark& b) { return b.name == chosen; });
    bookmarkList.push_back({chosen, path});
    if (Event::EventService* events = Event::EventService::Get())
        events->bookmarkChanged();
}

void ExplorerComponent::removeBookmarkIf(const std::function<bool(const Bookmark&)>& predicate)
{
    std::erase_if(bookmarkList, predicate);
}

void ExplorerComponent::showBookmarkList()
{
    if (bookmarkList.empty()) {
        int x = 0, y = 0;
        Platform::Ui::getCursorPos(x, y);
        Window::ToolTips::get().show({x, y + Window::ToolTips::CursorHeight}, L"ブックマークを追加すると表示されます",
                                     3000);
        return;
    }
    std::sort(bookmarkList.begin(), bookmarkList.end(),
              [](const Bookmark& a, const Bookmark& b) { return Media::compareStringLocale(a.name, b.name) < 0; });
    Window::ListBox::initialize();
    const std::wstring path = currentPath();
    int preselected = -1;
    for (size_t i = 0; i < bookmarkList.size(); ++i)
        if (bookmarkList[i].path == path)
            preselected = int(i);
    for (size_t i = 0; i < bookmarkList.size(); ++i) {
        const std::wstring target = bookmarkList[i].path;
        Window::ListBox::addItem(bookmarkList[i].name, [this, target] { explorer.browseToPath(target); },
                                 int(i) == preselected);
    }
    Window::ListBox::show(pathRow.rect.x, pathRow.rect.y, pathRow.rect.width, pathRow.rect.height, this);
}

std::wstring ExplorerComponent::bookmarkFilePath()
{
    return expanded(BookmarkFile);
}

void ExplorerComponent::loadBookmarks()
{
    bookmarkList.clear();
    System::IniFile ini;
    try {
        ini.loadFile(bookmarkFilePath().c_str(), false);
        for (int i = 0;; ++i) {
            System::IniFile::SectionRef section = ini.getNumberedSection("bookmark", i);
            if (!section.exists())
                break;
            const std::wstring name = section.getValue("name").toString();
            const std::wstring path = section.getValue("path").toString();
            if (name.empty() || path.empty())
                break;
            bookmarkList.push_back({name, path});
        }
    } catch (const std::exception&) {
        // What was read before the fault stays.
    }
}

void ExplorerComponent::saveBookmarks()
{
    const std::wstring path = bookmarkFilePath();
    System::Log::verbose("System::IniFile::Save::Save", L"saveFile : %ls", path.c_str());
    try {
        System::File file;
        file.open(path.c_str(), System::File::ModeWrite);
        for (size_t i = 0; i < bookmarkList.size(); ++i) {
            const std::string header = "[bookmark." + std::to_string(i) + "]\r\n";
            file.write(header.data(), int(header.size()));
            System::IniFile::writeKeyValue(file, "name", bookmarkList[i].name.c_str());
            System::IniFile::writeKeyValue(file, "path", bookmarkList[i].path.c_str());
        }
        file.close();
    } catch (const std::exception& e) {
        System::Log::error("Component::ExplorerComponent::saveBookmarks", "bookmarks not saved. %s", e.what());
    }
}

void ExplorerComponent::procContextMenu(int, int)
{
    const std::wstring path = currentPath();
    const bool marked = std::any_of(bookmarkList.begin(), bookmarkList.end(),
                                    [&path](const Bookmark& b) { return b.path == path; });
    Window::PopupMenu menu;
    menu.insertItem(L"ブックマークに追加", [this, path] { addBookmark(path); }).setEnable(!marked);
    menu.insertItem(L"ブックマークから削除", [path] {
            removeBookmarkIf([&path](const Bookmark& b) { return b.path == path; });
            if (Event::EventService* events = Event::EventService::Get())
                events->bookmarkChanged();
        })
        .setEnable(marked);
    menu.insertSeparator();
    Window::BaseMenu data = menu.insertSubMenu(L"アプリケーションデータ");
    static const std::pair<const wchar_t*, const wchar_t*> folders[] = {
        {L"アプリケーションデータフォルダ", L"%AppData%/"}, {L"スクリプトフォルダ", L"%Script%/"},
        {L"プラグインフォルダ", L"%Plugin%/"},             {L"図形ファイルフォルダ", L"%Figure%/"},
        {L"遷移画像ファイルフォルダ", L"%Transition%/"},   {L"エイリアスファイルフォルダ", L"%Alias%/"},
        {L"初期値・プリセットフォルダ", L"%Default%/"},   {L"バックアップファイルフォルダ", L"%Backup%/"},
        {L"ログファイルフォルダ", L"%Log%/"},             {L"言語ファイルフォルダ", L"%Language%/"}};
    for (const auto& [text, folder] : folders) {
        const std::wstring target = folder;
        data.insertItem(text, [this, target] { explorer.browseToPath(expanded(target)); });
    }
    menu.insertSeparator();
    procWindowMenu(menu);
    menu.show();
}

void ExplorerComponent::procPaint()
{
    if (!isVisible() || clientRect.width <= 0 || clientRect.height <= 0 || !target)
        return;
    DrawSection section(*this, clientRect.x, clientRect.y, clientRect.x + clientRect.width,
                        clientRect.y + clientRect.height, true);
    container.paint();
    pathField.procPaint();
    bookmarkButton.procPaint();
}

void ExplorerComponent::procMove()
{
    container.updateLayout();
    pathField.updateRect();
    pathField.procMove();
    bookmarkButton.updateRect();
}

} // namespace Component
