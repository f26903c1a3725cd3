#include "play/browser_keys.h"

namespace {

struct NamedKey {
    std::string_view name;
    int code;
};

constexpr NamedKey kNamedKeys[] = {
    {"Backspace", 8},
    {"Tab", 9},
    {"Enter", 13},
    {"NumpadEnter", 13},
    {"ShiftLeft", 16},
    {"ShiftRight", 16},
    {"ControlLeft", 17},
    {"ControlRight", 17},
    {"AltLeft", 18},
    {"AltRight", 18},
    {"Pause", 19},
    {"CapsLock", 20},
    {"Escape", 27},
    {"Space", 32},
    {"PageUp", 33},
    {"PageDown", 34},
    {"End", 35},
    {"Home", 36},
    {"ArrowLeft", 37},
    {"ArrowUp", 38},
    {"ArrowRight", 39},
    {"ArrowDown", 40},
    {"Insert", 45},
    {"Delete", 46},
    {"MetaLeft", 91},
    {"MetaRight", 92},
    {"ContextMenu", 93},
    {"NumpadMultiply", 106},
    {"NumpadAdd", 107},
    {"NumpadSubtract", 109},
    {"NumpadDecimal", 110},
    {"NumpadDivide", 111},
    {"NumLock", 144},
    {"ScrollLock", 145},
    {"Semicolon", 186},
    {"Equal", 187},
    {"Comma", 188},
    {"Minus", 189},
    {"Period", 190},
    {"Slash", 191},
    {"Backquote", 192},
    {"BracketLeft", 219},
    {"Backslash", 220},
    {"BracketRight", 221},
    {"Quote", 222},
};

// The number after `prefix` in `code` ("F12" -> 12), or -1.
int numberAfter(std::string_view code, std::string_view prefix) {
    if (code.size() <= prefix.size() || code.substr(0, prefix.size()) != prefix ||
        code.size() > prefix.size() + 2) {
        return -1;
    }
    int value = 0;
    for (const char c : code.substr(prefix.size())) {
        if (c < '0' || c > '9') {
            return -1;
        }
        value = value * 10 + (c - '0');
    }
    return value;
}

} // namespace

int browserKeyCode(std::string_view code) {
    if (code.size() == 4 && code.substr(0, 3) == "Key" && code[3] >= 'A' && code[3] <= 'Z') {
        return code[3];
    }
    if (code.size() == 6 && code.substr(0, 5) == "Digit" && code[5] >= '0' && code[5] <= '9') {
        return code[5];
    }
    if (const int f = numberAfter(code, "F"); f >= 1 && f <= 24) {
        return 111 + f;
    }
    if (code.size() == 7 && code.substr(0, 6) == "Numpad" && code[6] >= '0' && code[6] <= '9') {
        return 96 + (code[6] - '0');
    }
    for (const NamedKey& key : kNamedKeys) {
        if (key.name == code) {
            return key.code;
        }
    }
    return -1;
}
