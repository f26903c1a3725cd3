#include "app/options.h"

#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <optional>

#include "offline/ffmpeg_process.h"

namespace {

std::optional<double> parseSeconds(const std::string& text) {
    if (text.empty()) {
        return std::nullopt;
    }
    char* end = nullptr;
    errno = 0;
    const double value = std::strtod(text.c_str(), &end);
    if (errno != 0 || end != text.c_str() + text.size() || !std::isfinite(value) || value < 0.0 ||
        value > kMaxSeconds) {
        return std::nullopt;
    }
    return value;
}

std::optional<int> parseCount(const std::string& text, long most = kMaxBenchFrames) {
    if (text.empty() || text[0] == '-' || text[0] == '+') {
        return std::nullopt;
    }
    char* end = nullptr;
    errno = 0;
    const long value = std::strtol(text.c_str(), &end, 10);
    if (errno != 0 || end != text.c_str() + text.size() || value < 1 || value > most) {
        return std::nullopt;
    }
    return static_cast<int>(value);
}

std::optional<int> parseOffsetMs(const std::string& text) {
    char* end = nullptr;
    errno = 0;
    const long value = std::strtol(text.c_str(), &end, 10);
    if (text.empty() || errno != 0 || end != text.c_str() + text.size() || value < -2000 ||
        value > 2000) {
        return std::nullopt;
    }
    return static_cast<int>(value);
}

std::vector<std::string> splitCommas(const std::string& text) {
    std::vector<std::string> parts;
    std::string::size_type start = 0;
    for (;;) {
        const std::string::size_type comma = text.find(',', start);
        parts.push_back(text.substr(start, comma - start));
        if (comma == std::string::npos) {
            return parts;
        }
        start = comma + 1;
    }
}

std::string secondsError(const std::string& option, const std::string& value) {
    return option + ": '" + value + "' is not a time in seconds (a number from 0 to 86400)";
}

ParsedOptions fail(std::string message) {
    ParsedOptions result;
    result.error = std::move(message);
    return result;
}

} // namespace

bool parseFrameSize(const std::string& text, FrameSizeRequest& size, std::string& error) {
    const struct {
        const char* name;
        int height;
    } named[] = {{"1080p", 1080}, {"1440p", 1440}, {"2160p", 2160}};
    for (const auto& entry : named) {
        if (text == entry.name) {
            size = {FrameSizeRequest::Kind::Pixels, entry.height * 4 / 3, entry.height};
            return true;
        }
    }
    if (text == "native") {
        size = {FrameSizeRequest::Kind::Native, 0, 0};
        return true;
    }
    const std::string::size_type x = text.find('x');
    const std::optional<int> width =
        x == std::string::npos ? std::nullopt : parseCount(text.substr(0, x), kLargestOutputSide);
    const std::optional<int> height =
        x == std::string::npos ? std::nullopt : parseCount(text.substr(x + 1), kLargestOutputSide);
    if (!width || !height) {
        error = "--size: '" + text +
                "' is not WxH in pixels (up to 16384 each), native, 1080p, 1440p or 2160p";
        return false;
    }
    if (*width < kSmallestOutputWidth || *height < kSmallestOutputHeight) {
        error = "--size: '" + text + "' is smaller than the smallest size, " +
                std::to_string(kSmallestOutputWidth) + "x" + std::to_string(kSmallestOutputHeight);
        return false;
    }
    size = {FrameSizeRequest::Kind::Pixels, *width, *height};
    return true;
}

int secondsToPositionMs(double seconds) {
    return static_cast<int>(std::llround(seconds * 1000.0));
}

ParsedOptions parseOptions(const std::vector<std::string>& args) {
    Options options;
    bool shotsGiven = false;
    bool benchGiven = false;
    bool framesGiven = false;
    bool outGiven = false;
    bool captureGiven = false;
    bool captureTimingGiven = false; // --fps, --from or --to
    bool benchmarkGiven = false;
    bool perSectionGiven = false;

    for (std::size_t i = 0; i < args.size(); ++i) {
        std::string name = args[i];
        std::optional<std::string> inlineValue;
        if (name.rfind("--", 0) == 0) {
            const std::string::size_type eq = name.find('=');
            if (eq != std::string::npos) {
                inlineValue = name.substr(eq + 1);
                name = name.substr(0, eq);
            }
        }
        const bool takesValue = name == "--data" || name == "--start" || name == "--shot" ||
                                name == "--out" || name == "--bench" || name == "--frames" ||
                                name == "--capture" || name == "--fps" || name == "--from" ||
                                name == "--to" || name == "--frames-per-section" ||
                                name == "--av-offset" || name == "--size";
        const bool isFlag = name == "--windowed" || name == "--fullscreen" || name == "--mute" ||
                            name == "--help" || name == "-h" || name == "--benchmark" ||
                            name == "--version" || name == "--loop";
        if (!takesValue && !isFlag) {
            return fail("unknown option '" + args[i] + "'");
        }
        if (isFlag && inlineValue) {
            return fail(name + " takes no value");
        }
        std::string value;
        if (takesValue) {
            if (inlineValue) {
                value = *inlineValue;
            } else if (i + 1 < args.size()) {
                value = args[++i];
            } else {
                return fail(name + " needs a value");
            }
        }

        if (name == "--help" || name == "-h") {
            options.mode = RunMode::Help;
        } else if (name == "--version") {
            if (options.mode != RunMode::Help) {
                options.mode = RunMode::Version;
            }
        } else if (name == "--windowed" || name == "--fullscreen") {
            const DisplayChoice choice =
                name == "--windowed" ? DisplayChoice::Windowed : DisplayChoice::FullScreen;
            if (options.display != DisplayChoice::Ask && options.display != choice) {
                return fail("--windowed and --fullscreen exclude each other");
            }
            options.display = choice;
        } else if (name == "--mute") {
            options.mute = true;
        } else if (name == "--loop") {
            options.loop = true;
        } else if (name == "--data") {
            if (value.empty()) {
                return fail("--data needs a folder");
            }
            options.dataDirectory = value;
        } else if (name == "--start") {
            const std::optional<double> seconds = parseSeconds(value);
            if (!seconds) {
                return fail(secondsError("--start", value));
            }
            options.hasStart = true;
            options.startMs = secondsToPositionMs(*seconds);
        } else if (name == "--av-offset") {
            const std::optional<int> ms = parseOffsetMs(value);
            if (!ms) {
                return fail("--av-offset: '" + value +
                            "' is not a whole number of milliseconds from -2000 to 2000");
            }
            options.hasAvOffset = true;
            options.avOffsetMs = *ms;
        } else if (name == "--shot") {
            for (const std::string& part : splitCommas(value)) {
                const std::optional<double> seconds = parseSeconds(part);
                if (!seconds) {
                    return fail(secondsError("--shot", part));
                }
                options.shotMs.push_back(secondsToPositionMs(*seconds));
            }
            shotsGiven = true;
        } else if (name == "--out") {
            if (value.empty()) {
                return fail("--out needs a folder");
            }
            options.outDirectory = value;
            outGiven = true;
        } else if (name == "--bench") {
            const std::vector<std::string> parts = splitCommas(value);
            if (parts.size() != 2) {
                return fail("--bench: '" + value + "' is not two times T0,T1 in seconds");
            }
            const std::optional<double> from = parseSeconds(parts[0]);
            const std::optional<double> to = parseSeconds(parts[1]);
            if (!from || !to) {
                return fail(secondsError("--bench", !from ? parts[0] : parts[1]));
            }
            options.benchFromMs = secondsToPositionMs(*from);
            options.benchToMs = secondsToPositionMs(*to);
            if (options.benchFromMs > options.benchToMs) {
                return fail("--bench: the first time must not be after the second");
            }
            if (options.benchToMs >= 325000) {
                return fail("--bench: the times must lie before the end of the demo (325 s)");
            }
            benchGiven = true;
        } else if (name == "--frames") {
            const std::optional<int> frames = parseCount(value);
            if (!frames) {
                return fail("--frames: '" + value + "' is not a frame count from 1 to 100000");
            }
            options.benchFrames = *frames;
            framesGiven = true;
        } else if (name == "--capture") {
            Container container;
            if (!containerForPath(value, container)) {
                return fail("--capture: '" + value +
                            "' must end in .mp4 (to share) or .mkv (lossless master)");
            }
            options.captureFile = value;
            captureGiven = true;
        } else if (name == "--fps") {
            const std::optional<int> fps = parseCount(value, kMaxCaptureFps);
            if (!fps) {
                return fail("--fps: '" + value + "' is not a whole number from 1 to 240");
            }
            options.captureFps = *fps;
            captureTimingGiven = true;
        } else if (name == "--from" || name == "--to") {
            const std::optional<double> seconds = parseSeconds(value);
            if (!seconds || *seconds > kDemoSeconds) {
                return fail(name + ": '" + value + "' is not a time from 0 to 325 seconds");
            }
            (name == "--from" ? options.captureFrom : options.captureTo) = *seconds;
            captureTimingGiven = true;
        } else if (name == "--size") {
            std::string error;
            if (!parseFrameSize(value, options.size, error)) {
                return fail(error);
            }
        } else if (name == "--benchmark") {
            benchmarkGiven = true;
        } else if (name == "--frames-per-section") {
            const std::optional<int> frames = parseCount(value);
            if (!frames) {
                return fail("--frames-per-section: '" + value +
                            "' is not a frame count from 1 to 100000");
            }
            options.framesPerSection = *frames;
            perSectionGiven = true;
        }
    }

    if (options.mode == RunMode::Help || options.mode == RunMode::Version) {
        ParsedOptions result;
        result.ok = true;
        result.options = options;
        return result;
    }
    if (shotsGiven + benchGiven + captureGiven + benchmarkGiven > 1) {
        return fail("--shot, --bench, --capture and --benchmark exclude each other");
    }
    if (captureTimingGiven && !captureGiven) {
        return fail("--fps, --from and --to only go with --capture");
    }
    if (captureGiven && options.captureFrom >= options.captureTo) {
        return fail("--capture: --from must come before --to");
    }
    if (perSectionGiven && !benchmarkGiven) {
        return fail("--frames-per-section only goes with --benchmark");
    }
    if (shotsGiven && !outGiven) {
        return fail("--shot needs --out DIR (the folder the pictures go to)");
    }
    if (outGiven && !shotsGiven) {
        return fail("--out only goes with --shot");
    }
    if (framesGiven && !benchGiven) {
        return fail("--frames only goes with --bench");
    }
    if (shotsGiven || benchGiven || captureGiven || benchmarkGiven) {
        const std::string mode = shotsGiven     ? "--shot"
                                 : benchGiven   ? "--bench"
                                 : captureGiven ? "--capture"
                                                : "--benchmark";
        if (options.display != DisplayChoice::Ask) {
            return fail(mode + " renders offscreen: --windowed and --fullscreen do not apply");
        }
        if (options.hasStart) {
            return fail(mode + " gives its own times: --start does not apply");
        }
        if (options.hasAvOffset) {
            return fail(mode + " plays no sound: --av-offset does not apply");
        }
        if (options.loop) {
            return fail(mode + " renders the times it is given: --loop does not apply");
        }
        if (options.size.kind == FrameSizeRequest::Kind::Native) {
            return fail(mode + " has no screen to take the size of: give --size WxH");
        }
        Container container = Container::Mkv;
        if (captureGiven && containerForPath(options.captureFile, container) &&
            container == Container::Mp4 && options.size.kind == FrameSizeRequest::Kind::Pixels &&
            (options.size.width % 2 != 0 || options.size.height % 2 != 0)) {
            return fail("--capture: an .mp4 needs an even width and height (4:2:0 video), not " +
                        std::to_string(options.size.width) + "x" +
                        std::to_string(options.size.height) + "; .mkv takes any size");
        }
        options.mode = shotsGiven     ? RunMode::Shots
                       : benchGiven   ? RunMode::Bench
                       : captureGiven ? RunMode::Capture
                                      : RunMode::Benchmark;
        if (benchGiven && !framesGiven) {
            options.benchFrames = kDefaultBenchFrames;
        }
    }
    ParsedOptions result;
    result.ok = true;
    result.options = options;
    return result;
}

std::string usageText(const std::string& program) {
    return "Usage: " + program +
           " [options]\n"
           "Quorlith Engine: a self-running, music-synchronised real-time 3D demo.\n"
           "Without options the start dialog asks whether to run full screen.\n"
           "\n"
           "  --windowed          run in a window (800 x 600 unless --size says otherwise),\n"
           "                      without the start dialog\n"
           "  --fullscreen        run full screen, without the start dialog\n"
           "  --data DIR          the data folder (default: data/ beside the program, then\n"
           "                      ../share/quorlith/data from the program's folder, then\n"
           "                      data/ in the working directory)\n"
           "  --start SECONDS     start the demo at this time\n"
           "  --mute              no sound; the demo follows a silent clock\n"
           "  --loop              start again at 0 s instead of ending at 325 s (Esc and F1\n"
           "                      still end)\n"
           "  --size WxH          draw at W x H pixels: the 4:3 picture at the largest size\n"
           "                      that fits, black around it; also native (the desktop's\n"
           "                      own size full screen, the largest 4:3 window that fits\n"
           "                      it), 1080p, 1440p, 2160p (1440x1080, 1920x1440,\n"
           "                      2880x2160); for the window, full screen and every\n"
           "                      offscreen mode (default 800x600)\n"
           "  --av-offset MS      show the picture MS milliseconds later than the sound is\n"
           "                      heard (negative: earlier), -2000 to 2000, for outputs\n"
           "                      with their own delay (default 0)\n"
           "  --shot T[,T...]     render the frame at each demo time T (seconds) offscreen,\n"
           "  --out DIR           without window or sound, into DIR/shot-<milliseconds>.png;\n"
           "                      a time past the end (325 s) is reported and skipped, and\n"
           "                      the exit status is then 1\n"
           "  --bench T0,T1       render frames evenly spaced from T0 to T1 (seconds) offscreen\n"
           "  --frames N          and print their median and mean frame time (default 100)\n"
           "  --capture FILE      render every frame offscreen into a video with the music,\n"
           "                      through the ffmpeg program: FILE.mp4 (H.264 + AAC, to\n"
           "                      share) or FILE.mkv (lossless H.264 + FLAC, to edit)\n"
           "  --fps N             frames per second of the capture, 1 to 240 (default 60)\n"
           "  --from S, --to S    the stretch of the demo to capture (default 0 to 325)\n"
           "  --benchmark         time frames in every section of the demo offscreen and\n"
           "                      print a table; --frames-per-section N timed frames in\n"
           "                      each (default 120)\n"
           "  --help              show this text\n"
           "  --version           print the name and version\n"
           "\n"
           "Keys while running: Esc or F1 quit, Space pauses and resumes, Left/Right seek\n"
           "0.5 s, Up/Down seek 5 s.\n";
}
