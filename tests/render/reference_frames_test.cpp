// Whole 800 x 600 frames at two dozen instants across the timeline, composed in-process on the
// real data set, against reference frames recorded from an earlier build of the demo by
// tests/render/record_reference_frames.sh. Without the post-process program (the plain quad)
// every pixel stays within 2 levels per channel; with it, the frame stays within 38 dB PSNR and
// its glow as strong as the reference's.
// References and frames are compared shrunk 4 times (rounded 4 x 4 means) to keep the files
// small: a pixel within 2 levels keeps its block's mean within 2 levels.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "audio/music.h"
#include "gfx/gl.h"
#include "host/frame_target.h"
#include "scenes/toolkit.h"
#include "shader/glsl_shaders.h"
#include "support/frame_checks.h"
#include "support/offscreen_gl.h"
#include "timeline/composer.h"
#include "timeline/passes.h"
#include "timeline/startup.h"

namespace {

namespace fs = std::filesystem;

const std::string kReferenceDir = std::string(QUORLITH_TEST_DATA_DIR) + "/reference_frames";
constexpr int kShrink = 4;
constexpr int kPlainTolerance = 2;
constexpr double kMinPsnrDb = 38.0;

// The instants of the reference files of one kind, <kind>-<milliseconds>.png: "pp" with the
// post-process program, "plain" without.
std::vector<int> referenceInstantsMs(const std::string& kind) {
    std::vector<int> instants;
    for (const fs::directory_entry& entry : fs::directory_iterator(kReferenceDir)) {
        const std::string name = entry.path().filename().string();
        if (name.rfind(kind + "-", 0) == 0 && entry.path().extension() == ".png") {
            instants.push_back(std::stoi(name.substr(kind.size() + 1)));
        }
    }
    std::sort(instants.begin(), instants.end());
    return instants;
}

// Mean over pixels and colour channels of (to - from).
double meanIncrease(const Frame& from, const Frame& to) {
    double sum = 0.0;
    for (std::size_t i = 0; i < from.rgba.size() && i < to.rgba.size(); ++i) {
        if (i % 4 != 3) {
            sum += static_cast<int>(to.rgba[i]) - static_cast<int>(from.rgba[i]);
        }
    }
    return sum / (static_cast<double>(from.rgba.size()) * 3.0 / 4.0);
}

class ReferenceFrames : public ::testing::Test {
  protected:
    static void SetUpTestSuite() {
        gl = new OffscreenGl();
        ASSERT_TRUE(gl->ok()) << gl->error();
        // Into an offscreen picture like frame export's, whose pixels the references are.
        std::string reason;
        ASSERT_TRUE(createFrameTarget(target, 800, 600, &reason)) << reason;
        bindFrameTarget(target);
        OffscreenGl::startDemoHere(std::string(QUORLITH_BUILD_DIR) + "/data");
        postProcess = PostProcessProgram;
    }
    static void TearDownTestSuite() {
        PostProcessProgram = postProcess;
        delete gl;
        gl = nullptr;
    }

    // The frame at ms as frame export draws it: the spectrum comes from one frame earlier.
    static Frame shrunkFrameAt(int ms, bool withPostProcess) {
        PostProcessProgram = withPostProcess ? postProcess : nullptr;
        setMusicPositionMs(std::max(ms - 17, 0));
        captureSpectrum();
        setMusicPositionMs(ms);
        updateDemoTime();
        drawFrameAt(demoTime());
        glFinish();
        PostProcessProgram = postProcess;
        const std::vector<uint8_t> rgb = readFrameTargetRgb(target);
        Frame frame{target.width, target.height, {}};
        frame.rgba.reserve(rgb.size() / 3 * 4);
        for (std::size_t i = 0; i < rgb.size(); i += 3) {
            frame.rgba.insert(frame.rgba.end(), {rgb[i], rgb[i + 1], rgb[i + 2], 255});
        }
        return shrinkFrame(frame, kShrink);
    }

    static Frame reference(const char* kind, int ms) {
        Frame frame;
        const std::string path = kReferenceDir + "/" + kind + "-" + std::to_string(ms) + ".png";
        EXPECT_TRUE(readPngFrame(path.c_str(), frame)) << path;
        return frame;
    }

    static void compareWithReferences() {
        const std::vector<int> instants = referenceInstantsMs("plain");
        EXPECT_GE(instants.size(), 24u) << "references in " << kReferenceDir;
        for (const int ms : instants) {
            const Frame plain = shrunkFrameAt(ms, false);
            const Frame plainReference = reference("plain", ms);
            const int worst = maxChannelDifference(plain, plainReference);
            EXPECT_TRUE(worst >= 0 && worst <= kPlainTolerance) << ms << " ms: " << worst;

            const Frame soft = shrunkFrameAt(ms, true);
            const Frame softReference = reference("pp", ms);
            EXPECT_GE(psnrDb(soft, softReference), kMinPsnrDb) << ms << " ms";
            // The glow follows the music: what the post-process adds, on average, stays
            // within 15 % (PSNR alone barely notices a glow from the wrong spectrum bin).
            const double glow = meanIncrease(plain, soft);
            const double glowReference = meanIncrease(plainReference, softReference);
            EXPECT_NEAR(glow, glowReference, 0.15 * glowReference + 0.1) << ms << " ms";
        }
    }

    static OffscreenGl* gl;
    static FrameTarget target;
    static ShaderProgram* postProcess;
};

OffscreenGl* ReferenceFrames::gl = nullptr;
FrameTarget ReferenceFrames::target;
ShaderProgram* ReferenceFrames::postProcess = nullptr;

// A GL lookup that does not know the multitexture calls.
void* lookupWithoutMultitexture(const char* name) {
    const std::string asked = name;
    return asked == "glActiveTexture" || asked == "glMultiTexCoord2f" ? nullptr
                                                                      : OffscreenGl::lookup(name);
}

TEST_F(ReferenceFrames, MatchTheRecordedFrames) {
    ASSERT_NE(postProcess, nullptr);
    // The shipped shader offers every variant, so these frames take the fastest path.
    const PostProcessVariants& variants = PostProcessVariantPrograms;
    EXPECT_TRUE(variants.farGlowMap && variants.picture && variants.pictureWithOverlays);
    compareWithReferences();
}

// The same pictures where the faster paths find nothing they need and fall back.
TEST_F(ReferenceFrames, MatchTheRecordedFramesWithoutMultitexture) {
    setGlProcLookup(lookupWithoutMultitexture);
    prepareScreenPasses();
    compareWithReferences();
    setGlProcLookup(OffscreenGl::lookup);
    prepareScreenPasses();
}

} // namespace
