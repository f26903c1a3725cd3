#include "host/entry.h"

#include <SDL2/SDL.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "audio/music.h"
#include "host/build_info.h"
#include "host/data_directory.h"
#include "host/demo_window.h"
#include "host/frame_export.h"
#include "host/main_loop.h"
#include "host/message_box.h"
#include "host/options.h"
#include "host/start_dialog.h"
#include "host/window.h"
#include "shader/glsl_shaders.h"
#include "timeline/composer.h"
#include "timeline/startup.h"

namespace {

ApplicationInfo applicationInfo;
KeyState keyState;
DemoWindow demoWindow;

// Runs after the static clean-ups of everything the start-up made (they register later),
// so the shader library frees its programs while the GL context is still current.
void shutDownSdl() {
    SDL_Quit();
}

bool isDirectory(const std::string& path) {
    std::error_code ignored;
    return std::filesystem::is_directory(path, ignored);
}

void* lookUpGl(const char* name) {
    return SDL_GL_GetProcAddress(name);
}
void shaderMessageBox(const char* text) {
    showErrorBox(text);
}

std::string findProgramFolder() {
    if (char* base = SDL_GetBasePath()) {
        std::string folder = base;
        SDL_free(base);
        return folder;
    }
    std::error_code failure;
    const std::filesystem::path exe = std::filesystem::read_symlink("/proc/self/exe", failure);
    if (failure) {
        return "";
    }
    return exe.parent_path().string() + "/";
}

} // namespace

const char* programFolder() {
    static const std::string folder = findProgramFolder();
    return folder.c_str();
}

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

int runQuorlith(int argc, char** argv) {
    const std::string program = argc > 0 && argv[0] != nullptr
                                    ? std::filesystem::path(argv[0]).filename().string()
                                    : std::string("quorlith");
    const ParsedOptions parsed = parseOptions(std::vector<std::string>(argv + 1, argv + argc));
    if (!parsed.ok) {
        std::fprintf(stderr, "%s: %s\nTry '%s --help' for the options.\n", program.c_str(),
                     parsed.error.c_str(), program.c_str());
        return 2;
    }
    const Options& options = parsed.options;
    if (options.mode == RunMode::Help) {
        std::fputs(usageText(program).c_str(), stdout);
        return 0;
    }
    if (options.mode == RunMode::Version) {
        std::printf("%s %s\n", kProgramName, kProgramVersion);
        return 0;
    }

    // Closing the start dialog must not ask the program to end.
    SDL_SetHint(SDL_HINT_QUIT_ON_LAST_WINDOW_CLOSE, "0");
    std::atexit(shutDownSdl);

    fillDemoRecords(applicationInfo, programFolder(), keyState, demoWindow);
    const DataDirectoryChoice data =
        findDataDirectory(options.dataDirectory, applicationInfo.instanceHandle, isDirectory);
    if (!data.found) {
        std::fprintf(stderr, "%s\n", dataDirectoryMissingMessage(data).c_str());
    }
    setDataDirectory(data.directory);

    if (options.mode == RunMode::Shots) {
        return runFrameExport(options);
    }
    if (options.mode == RunMode::Bench) {
        return runFrameBench(options);
    }

    setClockSource(options.mute ? ClockSource::WallClock : ClockSource::Device);
    switch (options.display) {
    case DisplayChoice::Ask:
        runStartDialog(demoWindow);
        break;
    case DisplayChoice::Windowed:
        applyStartChoice(demoWindow, false);
        break;
    case DisplayChoice::FullScreen:
        applyStartChoice(demoWindow, true);
        break;
    }

    if (registerDemoClass(applicationInfo) == 0) {
        showErrorBox("Error Registering Window Class!");
        return -1;
    }
    demoRunning = 1;
    fullScreenPreference = demoWindow.fullScreen;

    // F1 ends the program like Esc (its message ends the process in the loop), so the
    // window is made once.
    demoWindow.fullScreen = fullScreenPreference;
    if (createDemoWindow(demoWindow) != 1) {
        showErrorBox("Error Creating OpenGL Window", lastWindowError());
        demoRunning = 0;
        unregisterDemoClass(applicationInfo);
        return 0;
    }
    setGlProcLookup(lookUpGl);
    setShaderMessageBox(shaderMessageBox);
    setEndProcessHook(endProcess);
    startDemo(demoWindow, keyState);
    if (options.hasStart) {
        setMusicPositionMs(options.startMs);
    }
    runMessageLoop(demoWindow);
}
