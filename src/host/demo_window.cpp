#include "host/demo_window.h"

void fillDemoRecords(ApplicationInfo& app, const char* folder, KeyState& keys, DemoWindow& window) {
    app.instanceHandle = folder;
    app.windowClassName = kWindowClassName;
    keys.fill(0);
    window = DemoWindow{};
    window.keyState = &keys;
    window.appInfo = &app;
    window.title = kDemoTitle;
    window.width = kDemoWidth;
    window.height = kDemoHeight;
    window.colorBits = kDemoColorBits;
    window.fullScreen = 1;
}
