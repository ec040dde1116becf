#include "ui/window/shortcut_manager.h"

#include "core/file.h"
#include "core/file_name.h"
#include "core/ini_file.h"
#include "core/log.h"
#include "core/setting_service.h"
#include "core/text.h"
#include "platform/ui/message.h"
#include "platform/ui/surface.h"
#include "ui/window/base_menu.h"
#include "ui/window/window_mouse.h"

#include <deque>
#include <exception>
#include <string>

namespace Window {

namespace {
const wchar_t* const ShortcutFile = L"%AppData%/keyboard.ini";

Shortcut::KeyNameTable builtInNames()
{
    Shortcut::KeyNameTable table;
    static const wchar_t* const letters[] = {L"A", L"B", L"C", L"D", L"E", L"F", L"G", L"H", L"I", L"J", L"K", L"L", L"M",
                                             L"N", L"O", L"P", L"Q", L"R", L"S", L"T", L"U", L"V", L"W", L"X", L"Y", L"Z"};
    static const wchar_t* const digits[] = {L"0", L"1", L"2", L"3", L"4", L"5", L"6", L"7", L"8", L"9"};
    static const wchar_t* const pad[] = {L"0 (NumPad)", L"1 (NumPad)", L"2 (NumPad)", L"3 (NumPad)", L"4 (NumPad)",
                                         L"5 (NumPad)", L"6 (NumPad)", L"7 (NumPad)", L"8 (NumPad)", L"9 (NumPad)"};
    static const wchar_t* const functions[] = {L"F1", L"F2", L"F3", L"F4",  L"F5",  L"F6",
                                               L"F7", L"F8", L"F9", L"F10", L"F11", L"F12"};
    table[0] = L"";
    for (int i = 0; i < 26; ++i)
        table[65 + i] = letters[i];
    for (int i = 0; i < 10; ++i) {
        table[48 + i] = digits[i];
        table[96 + i] = pad[i];
    }
    for (int i = 0; i < 12; ++i)
        table[112 + i] = functions[i];
    const std::pair<int, const wchar_t*> named[] = {
        {8, L"BackSpace"}, {9, L"Tab"},     {13, L"Enter"},    {32, L"Space"},    {45, L"Insert"},
        {46, L"Delete"},   {36, L"Home"},   {35, L"End"},      {33, L"PageUp"},   {34, L"PageDown"},
        {37, L"←"},        {38, L"↑"},      {39, L"→"},        {40, L"↓"},        {111, L"/ (NumPad)"},
        {106, L"* (NumPad)"}, {109, L"- (NumPad)"}, {107, L"+ (NumPad)"}, {110, L". (NumPad)"}};
    for (const auto& [code, name] : named)
        table[code] = name;
    return table;
}

// Names read from system.conf live as long as the program.
std::deque<std::wstring>& addedNames()
{
    static std::deque<std::wstring> names;
    return names;
}
} // namespace

// ---- Shortcut ----

Shortcut::KeyNameTable& Shortcut::keyNameTable()
{
    static KeyNameTable table = builtInNames();
    return table;
}

std::wstring Shortcut::getCodeName(int code)
{
    if (code == 0)
        return L"";
    const KeyNameTable& table = keyNameTable();
    auto it = table.find(code & 0xFFF);
    if (it == table.end()) {
        System::Log::warn("Window::Shortcut::getCodeName", "invalid shortcut key code. %08x", unsigned(code));
        return L"";
    }
    std::wstring name;
    if (code & Ctrl)
        name += L"Ctrl+";
    if (code & Shift)
        name += L"Shift+";
    if (code & Alt)
        name += L"Alt+";
    return name + it->second;
}

// ---- ShortcutManager ----

size_t ShortcutManager::NameHash::operator()(const std::wstring& name) const
{
    uint64_t hash = 14695981039346656037ull;
    auto add = [&hash](uint16_t unit) {
        for (int shift = 0; shift < 16; shift += 8) {
            hash ^= uint8_t(unit >> shift);
            hash *= 1099511628211ull;
        }
    };
    for (wchar_t c : name) {
        const uint32_t cp = uint32_t(c);
        if (cp >= 0x10000) {
            add(uint16_t(0xD800 + ((cp - 0x10000) >> 10)));
            add(uint16_t(0xDC00 + ((cp - 0x10000) & 0x3FF)));
        } else {
            add(uint16_t(cp));
        }
    }
    return size_t(hash);
}

ShortcutManager::ShortcutManager()
{
    addKeyNames();
    loadShortcutFile();
}

ShortcutManager::~ShortcutManager() = default;

void ShortcutManager::addKeyNames()
{
    Setting::SettingService* settings = Setting::SettingService::Get();
    if (!settings)
        return;
    System::IniFile::SectionRef section = settings->system.file.getSection("KeyCode");
    for (const System::IniFile::Entry& entry : section.section()) {
        try {
            System::IniFile::VALUE key;
            key.text = entry.key;
            const int number = key.toInt();
            std::wstring name = System::utf8ToWide(entry.value.text);
            if (name.empty())
                continue;
            addedNames().push_back(std::move(name));
            Shortcut::keyNameTable()[number & 0xFFF] = addedNames().back().c_str();
        } catch (const std::exception&) {
            // A key that is not a number names nothing.
        }
    }
}

void ShortcutManager::loadShortcutFile()
{
    savedCodes.clear();
    const std::wstring path = System::FileName::expand(ShortcutFile);
    System::IniFile ini;
    try {
        ini.loadFile(path.c_str(), false);
        for (int n = 0;; ++n) {
            System::IniFile::SectionRef section = ini.getNumberedSection("shortcut", n);
            if (!section.exists())
                break;
            const std::wstring name = section.getValue("name").toString();
            const int code = section.getValue("code").toInt();
            savedCodes.emplace(name, code);
        }
    } catch (const std::exception&) {
        // The pairs read so far stand.
    }
}

void ShortcutManager::saveShortcutFile()
{
    const std::wstring path = System::FileName::expand(ShortcutFile);
    System::Log::verbose("System::IniFile::Save::Save", L"saveFile : %s", path.c_str());
    try {
        std::string text;
        int n = 0;
        for (const Shortcut& s : shortcuts) {
            if (s.code == s.defaultCode)
                continue;
            text += "[shortcut." + std::to_string(n++) + "]\r\n";
            text += "name=" + System::wideToUtf8(s.name) + "\r\n";
            text += "code=" + std::to_string(s.code) + "\r\n";
        }
        System::File file;
        file.open(path.c_str(), System::File::ModeWrite);
        if (!text.empty())
            file.write(text.data(), int(text.size()));
        file.close();
    } catch (const std::exception&) {
        // The save is abandoned; the reason is in the log.
    }
}

void ShortcutManager::registerShortcut(const wchar_t* name, int defaultCode, std::function<void()> handler,
                                       Platform::Ui::MenuHandle menu, int commandId)
{
    Shortcut shortcut;
    shortcut.name = name ? name : L"";
    shortcut.defaultCode = defaultCode;
    shortcut.handler = std::move(handler);
    shortcut.menu = menu;
    shortcut.commandId = commandId;
    auto saved = savedCodes.find(shortcut.name);
    if (saved != savedCodes.end()) {
        shortcut.code = saved->second;
        if (shortcut.code != 0)
            if (Shortcut* holder = findByCode(shortcut.code))
                holder->code = 0; // the user's key moves to the shortcut that saved it
    } else {
        shortcut.code = findByCode(defaultCode) ? 0 : defaultCode;
    }
    if (menu)
        BaseMenu::setShortcutText(menu, commandId, Shortcut::getCodeName(shortcut.code));
    shortcuts.push_back(std::move(shortcut));
}

Shortcut* ShortcutManager::findByCode(int code)
{
    if (code == 0)
        return nullptr;
    for (Shortcut& s : shortcuts)
        if (s.code == code)
            return &s;
    return nullptr;
}

int ShortcutManager::currentCode(int virtualKey)
{
    int code = virtualKey & 0xFFF;
    if (Platform::Ui::isKeyDown(Platform::Ui::Key::Control))
        code |= Shortcut::Ctrl;
    if (Platform::Ui::isKeyDown(Platform::Ui::Key::Shift))
        code |= Shortcut::Shift;
    if (Platform::Ui::isKeyDown(Platform::Ui::Key::Menu))
        code |= Shortcut::Alt;
    return code;
}

bool ShortcutManager::procShortcutKey(int virtualKey)
{
    const int code = currentCode(virtualKey);
    Shortcut* found = findByCode(code);
    if (!found)
        found = findByCode(code & 0x1FFF);
    if (!found)
        return false;
    if (WindowMouseService* mouse = WindowMouseService::Get())
        mouse->cancelPress();
    if (isRecording && isRecording())
        return false;
    // Copies: the command may change the list.
    if (found->menu) {
        const int id = found->commandId;
        if (runCommand)
            runCommand(id);
    } else {
        std::function<void()> handler = found->handler;
        if (handler)
            handler();
    }
    return true;
}

int ShortcutManager::getCommandCode(int virtualKey)
{
    const Shortcut* found = findByCode(currentCode(virtualKey));
    return found ? found->defaultCode : 0;
}

void ShortcutManager::removeShortcuts(const std::function<bool(const Shortcut&)>& predicate)
{
    std::erase_if(shortcuts, predicate);
}

} // namespace Window
