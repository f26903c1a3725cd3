// Frames at twice the demo's size through the real program: averaged down they match the
// 800 x 600 frames of the same instants (the same look), yet they hold detail the 800 x 600
// frame has not (drawn at the size, not magnified); a 16:9 frame keeps its pillars black.
#include <gtest/gtest.h>

#include <sys/wait.h>

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "support/frame_checks.h"
#include "support/scratch_dir.h"

namespace {

namespace fs = std::filesystem;

// A scratch folder of this test's own.
struct Scratch : ScratchDir {
    Scratch() : ScratchDir("quorlith-size") {}
};

struct Instant {
    const char* what;
    int ms;
    double leastDb; // averaged down against the 800 x 600 frame
    bool scene;     // counts towards the scenes' mean
};

// The title, the fade over its end, the opening backdrop, each scene, and the credits at
// instants whose scroll lands on whole pixels at both sizes (45 px a second from 289 s).
const Instant kInstants[] = {
    {"title", 3000, 30.0, false},         {"title fading", 6000, 30.0, false},
    {"opening fade", 8000, 37.0, false},  {"backdrop", 30000, 37.0, false},
    {"rising row", 100000, 37.0, true},   {"orbit", 140000, 37.0, true},
    {"fire helix", 160000, 37.0, true},   {"sprite cloud", 180000, 37.0, true},
    {"twin knots", 200000, 37.0, true},   {"mirror sphere", 230000, 37.0, true},
    {"swirling sea", 258000, 37.0, true}, {"helix tunnel", 280000, 37.0, true},
    {"credits", 298000, 30.0, false},     {"credits later", 307000, 30.0, false},
};

std::string shotList() {
    std::string list;
    for (const Instant& instant : kInstants) {
        list += (list.empty() ? "" : ",") + std::to_string(instant.ms / 1000.0);
    }
    return list;
}

// Renders every instant at `size` (empty: the demo's own) into `dir`.
void shoot(const fs::path& dir, const std::string& size, const std::string& times) {
    const std::string command = std::string("'") + QUORLITH_BINARY + "' --shot " + times +
                                " --out '" + dir.string() + "'" +
                                (size.empty() ? "" : " --size " + size) + " >/dev/null";
    const int raw = std::system(command.c_str());
    ASSERT_TRUE(WIFEXITED(raw) && WEXITSTATUS(raw) == 0) << command;
}

Frame load(const fs::path& dir, int ms) {
    Frame frame;
    EXPECT_TRUE(readPngFrame((dir / ("shot-" + std::to_string(ms) + ".png")).c_str(), frame));
    return frame;
}

// The frame magnified twice by bilinear interpolation (pixel centres kept), as a picture
// drawn at the small size and stretched would look.
Frame magnified(const Frame& small) {
    Frame big;
    big.width = small.width * 2;
    big.height = small.height * 2;
    big.rgba.resize(static_cast<std::size_t>(big.width) * big.height * 4);
    auto sample = [&](int x, int y, int c) {
        x = std::clamp(x, 0, small.width - 1);
        y = std::clamp(y, 0, small.height - 1);
        return static_cast<double>(small.at(x, y)[c]);
    };
    for (int y = 0; y < big.height; ++y) {
        const double sy = (y + 0.5) / 2.0 - 0.5;
        const int y0 = static_cast<int>(std::floor(sy));
        const double fy = sy - y0;
        for (int x = 0; x < big.width; ++x) {
            const double sx = (x + 0.5) / 2.0 - 0.5;
            const int x0 = static_cast<int>(std::floor(sx));
            const double fx = sx - x0;
            for (int c = 0; c < 4; ++c) {
                const double top = sample(x0, y0, c) * (1 - fx) + sample(x0 + 1, y0, c) * fx;
                const double bottom =
                    sample(x0, y0 + 1, c) * (1 - fx) + sample(x0 + 1, y0 + 1, c) * fx;
                big.rgba[(static_cast<std::size_t>(y) * big.width + x) * 4 + c] =
                    static_cast<uint8_t>(std::lround(top * (1 - fy) + bottom * fy));
            }
        }
    }
    return big;
}

// The mean squared Laplacian of the brightness: how much fine detail a frame holds.
double laplacianEnergy(const Frame& frame) {
    double sum = 0.0;
    for (int y = 1; y + 1 < frame.height; ++y) {
        for (int x = 1; x + 1 < frame.width; ++x) {
            const double l = 4.0 * frame.brightness(x, y) - frame.brightness(x - 1, y) -
                             frame.brightness(x + 1, y) - frame.brightness(x, y - 1) -
                             frame.brightness(x, y + 1);
            sum += l * l;
        }
    }
    return sum / (static_cast<double>(frame.width - 2) * (frame.height - 2));
}

TEST(FrameSize, TwiceTheSizeAveragedDownMatchesTheDemosOwnFrames) {
    Scratch s;
    const fs::path native = s.dir / "native";
    const fs::path twice = s.dir / "twice";
    const std::string times = shotList();
    shoot(native, "", times);
    shoot(twice, "1600x1200", times);
    double sceneSum = 0.0;
    int scenes = 0;
    for (const Instant& instant : kInstants) {
        SCOPED_TRACE(instant.what);
        const Frame small = load(native, instant.ms);
        const Frame big = load(twice, instant.ms);
        ASSERT_EQ(big.width, 1600);
        ASSERT_EQ(big.height, 1200);
        const double db = psnrDb(shrinkFrame(big, 2), small);
        std::printf("%-14s %6.2f dB\n", instant.what, db);
        EXPECT_GE(db, instant.leastDb);
        if (instant.scene) {
            sceneSum += db;
            ++scenes;
            // Drawn at the size: far more fine detail than the small frame stretched.
            const double drawn = laplacianEnergy(big);
            const double stretched = laplacianEnergy(magnified(small));
            std::printf("%-14s detail %.1fx the stretched frame's\n", instant.what,
                        drawn / stretched);
            EXPECT_GE(drawn, 3.0 * stretched);
        }
    }
    EXPECT_GE(sceneSum / scenes, 39.0);
}

// A 16:9 frame: the 4:3 picture in the middle at its full height, the pillars black, and the
// picture the 1440 x 1080 frame of the same instant.
TEST(FrameSize, AWideFrameHasThePictureBetweenBlackPillars) {
    Scratch s;
    shoot(s.dir / "wide", "1920x1080", "200,300");
    shoot(s.dir / "picture", "1440x1080", "200,300");
    for (const int ms : {200000, 300000}) {
        const Frame wide = load(s.dir / "wide", ms);
        const Frame picture = load(s.dir / "picture", ms);
        ASSERT_EQ(wide.width, 1920);
        ASSERT_EQ(wide.height, 1080);
        int lit = 0;
        Frame middle = picture;
        for (int y = 0; y < 1080; ++y) {
            for (int x = 0; x < 1920; ++x) {
                if (x < 240 || x >= 1680) {
                    lit += wide.brightness(x, y) != 0 ? 1 : 0;
                } else {
                    std::copy_n(wide.at(x, y), 4,
                                &middle.rgba[(static_cast<std::size_t>(y) * 1440 + x - 240) * 4]);
                }
            }
        }
        EXPECT_EQ(lit, 0) << ms;
        EXPECT_GE(psnrDb(middle, picture), 45.0) << ms;
    }
}

} // namespace
