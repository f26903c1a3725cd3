#include "app/entry.h"

#include <SDL2/SDL.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "app/options.h"
#include "audio/music.h"
#include "host/build_info.h"
#include "host/data_directory.h"
#include "host/demo_window.h"
#include "host/gl_lookup.h"
#include "host/main_loop.h"
#include "host/message_box.h"
#include "host/offscreen.h"
#include "host/start_dialog.h"
#include "host/window.h"
#include "offline/benchmark.h"
#include "offline/capture.h"
#include "offline/frame_export.h"
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

    fillDemoRecords(applicationInfo, programFolder(), keyState, demoWindow);
    const DataDirectoryChoice data =
        findDataDirectory(options.dataDirectory, applicationInfo.instanceHandle, isDirectory);
    if (!data.found) {
        std::fprintf(stderr, "%s\n", dataDirectoryMissingMessage(data).c_str());
    }
    setDataDirectory(data.directory);

    const bool sized = options.size.kind == FrameSizeRequest::Kind::Pixels;
    const int width = sized ? options.size.width : kDemoWidth;
    const int height = sized ? options.size.height : kDemoHeight;
    setOffscreenFrameSize(width, height, false);
    switch (options.mode) {
    case RunMode::Shots:
        return runFrameExport(options.shotMs, options.outDirectory);
    case RunMode::Bench:
        return runFrameBench(options.benchFromMs, options.benchToMs, options.benchFrames);
    case RunMode::Capture:
        return runCapture({options.captureFile, options.captureFps, options.captureFrom,
                           options.captureTo, width, height, ""});
    case RunMode::Benchmark:
        return runBenchmark(options.framesPerSection);
    default:
        break;
    }

    // Closing the start dialog must not ask the program to end.
    SDL_SetHint(SDL_HINT_QUIT_ON_LAST_WINDOW_CLOSE, "0");
    // Live play only: the offline modes above leave SDL and the GL driver loaded until the
    // process is gone (so the leak checker still knows the driver's own allocations).
    std::atexit(shutDownSdl);

    setClockSource(options.mute ? ClockSource::WallClock : ClockSource::Device);
    setPictureDelayMs(options.avOffsetMs);
    setLiveFrameSize(options.size);
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
    setGlProcLookup(lookUpGlEntryPoint);
    setShaderMessageBox(shaderMessageBox);
    setLoopPlay(options.loop);
    setEndProcessHook(reachDemoEnd);
    startDemo(demoWindow, keyState);
    if (options.hasStart) {
        setMusicPositionMs(options.startMs);
    }
    runMessageLoop(demoWindow);
}
