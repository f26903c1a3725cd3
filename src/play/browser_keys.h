// A browser's key names as the virtual-key codes of the key flags: the web host hands in
// KeyboardEvent.code (the key's place, whatever the layout) and gets a code or -1.
#pragma once

#include <string_view>

int browserKeyCode(std::string_view code);
