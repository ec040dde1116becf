#include "platform/ui/surface_qt.h"

#include <unordered_map>

namespace Platform::Ui {

namespace {
std::unordered_map<int, bool>& keyTable()
{
    static std::unordered_map<int, bool> table;
    return table;
}
} // namespace

// Qt key to virtual key: letters and digits as themselves, the keypad by the
// keypad modifier, punctuation by the US key that carries it.
int virtualKeyOf(int key, Qt::KeyboardModifiers modifiers)
{
    const bool keypad = modifiers & Qt::KeypadModifier;
    if (key >= Qt::Key_A && key <= Qt::Key_Z)
        return key;
    if (key >= Qt::Key_0 && key <= Qt::Key_9)
        return keypad ? Key::Numpad0 + (key - Qt::Key_0) : key;
    if (key >= Qt::Key_F1 && key <= Qt::Key_F24)
        return Key::F1 + (key - Qt::Key_F1);
    switch (key) {
    case Qt::Key_Backspace: return Key::Back;
    case Qt::Key_Tab:
    case Qt::Key_Backtab: return Key::Tab;
    case Qt::Key_Return:
    case Qt::Key_Enter: return Key::Return;
    case Qt::Key_Shift: return Key::Shift;
    case Qt::Key_Control: return Key::Control;
    case Qt::Key_Alt:
    case Qt::Key_AltGr: return Key::Menu;
    case Qt::Key_Pause: return Key::Pause;
    case Qt::Key_CapsLock: return Key::Capital;
    case Qt::Key_Escape: return Key::Escape;
    case Qt::Key_Space: return Key::Space;
    case Qt::Key_PageUp: return Key::Prior;
    case Qt::Key_PageDown: return Key::Next;
    case Qt::Key_End: return Key::End;
    case Qt::Key_Home: return Key::Home;
    case Qt::Key_Left: return Key::Left;
    case Qt::Key_Up: return Key::Up;
    case Qt::Key_Right: return Key::Right;
    case Qt::Key_Down: return Key::Down;
    case Qt::Key_Print: return 0x2C;
    case Qt::Key_Insert: return Key::Insert;
    case Qt::Key_Delete: return Key::Delete;
    case Qt::Key_Help: return 0x2F;
    case Qt::Key_Meta: return 0x5B;
    case Qt::Key_Menu: return 0x5D;
    case Qt::Key_NumLock: return 0x90;
    case Qt::Key_ScrollLock: return 0x91;
    case Qt::Key_Asterisk: return keypad ? Key::Multiply : '8';
    case Qt::Key_Plus: return keypad ? Key::Add : Key::OemPlus;
    case Qt::Key_Minus: return keypad ? Key::Subtract : Key::OemMinus;
    case Qt::Key_Period: return keypad ? Key::Decimal : Key::OemPeriod;
    case Qt::Key_Slash: return keypad ? Key::Divide : Key::Oem2;
    case Qt::Key_Comma: return keypad ? 0x6C : Key::OemComma;
    case Qt::Key_Semicolon:
    case Qt::Key_Colon: return Key::Oem1;
    case Qt::Key_Equal: return Key::OemPlus;
    case Qt::Key_Less: return Key::OemComma;
    case Qt::Key_Underscore: return Key::OemMinus;
    case Qt::Key_Greater: return Key::OemPeriod;
    case Qt::Key_Question: return Key::Oem2;
    case Qt::Key_QuoteLeft:
    case Qt::Key_AsciiTilde: return Key::Oem3;
    case Qt::Key_BracketLeft:
    case Qt::Key_BraceLeft: return Key::Oem4;
    case Qt::Key_Backslash:
    case Qt::Key_Bar: return Key::Oem5;
    case Qt::Key_BracketRight:
    case Qt::Key_BraceRight: return Key::Oem6;
    case Qt::Key_Apostrophe:
    case Qt::Key_QuoteDbl: return Key::Oem7;
    case Qt::Key_Exclam: return '1';
    case Qt::Key_At: return '2';
    case Qt::Key_NumberSign: return '3';
    case Qt::Key_Dollar: return '4';
    case Qt::Key_Percent: return '5';
    case Qt::Key_AsciiCircum: return '6';
    case Qt::Key_Ampersand: return '7';
    case Qt::Key_ParenLeft: return '9';
    case Qt::Key_ParenRight: return '0';
    default: return 0;
    }
}

void noteModifiers(Qt::KeyboardModifiers modifiers)
{
    auto& table = keyTable();
    table[Key::Shift] = modifiers & Qt::ShiftModifier;
    table[Key::Control] = modifiers & Qt::ControlModifier;
    table[Key::Menu] = modifiers & Qt::AltModifier;
}

// ---- the key states ----

bool isKeyDown(int virtualKey)
{
    auto& table = keyTable();
    auto it = table.find(virtualKey);
    return it != table.end() && it->second;
}

void setKeyDown(int virtualKey, bool down)
{
    keyTable()[virtualKey] = down;
}

} // namespace Platform::Ui
