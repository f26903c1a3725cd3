// PNG decoding for textures, without GL: the PngSuite against its reference decodes, gamma,
// corrupt and hostile files, the largest side and mipmap levels.
#include <gtest/gtest.h>
#include <sys/resource.h>

#include <bit>
#include <cmath>
#include <filesystem>
#include <string>
#include <vector>

#include "support/test_png.h"
#include "timeline/png_decode.h"

namespace {

const std::string kSuiteDir = QUORLITH_TEST_DATA_DIR "/pngsuite";

std::string suitePath(const std::string& name) {
    return kSuiteDir + "/" + name + ".png";
}

// What the test needs from a suite file, read straight from its chunks.
struct SuiteFile {
    std::string name;
    int width = 0;
    int height = 0;
    bool hasAlpha = false;          // an alpha channel or a tRNS chunk
    double gamma = 0.0;             // 0: no gAMA chunk
    std::vector<uint8_t> reference; // RGBA, rows top first
};

uint32_t bigEndian(const uint8_t* p) {
    return uint32_t{p[0]} << 24 | uint32_t{p[1]} << 16 | uint32_t{p[2]} << 8 | p[3];
}

SuiteFile inspect(const std::string& name) {
    SuiteFile file;
    file.name = name;
    const std::vector<uint8_t> bytes = readTestFile(suitePath(name));
    for (size_t at = 8; at + 12 <= bytes.size(); at += 12 + bigEndian(&bytes[at])) {
        const std::string type(bytes.begin() + at + 4, bytes.begin() + at + 8);
        const uint8_t* data = &bytes[at + 8];
        if (type == "IHDR") {
            file.width = static_cast<int>(bigEndian(data));
            file.height = static_cast<int>(bigEndian(data + 4));
            file.hasAlpha = file.hasAlpha || (data[9] & 4) != 0;
        }
        file.gamma = type == "gAMA" ? bigEndian(data) / 100000.0 : file.gamma;
        file.hasAlpha = file.hasAlpha || type == "tRNS";
    }
    file.reference = readTestFile(kSuiteDir + "/ref/" + name + ".rgba");
    return file;
}

// Compares a decode with the reference passed through the power law libpng applies to the
// colour channels, out = in ^ (1 / (fileGamma * screenGamma)), sampling the reference under
// each texel's centre; returns the number of channel values off by more than tolerance.
int countMismatches(const SuiteFile& file, const DecodedImage& image, double exponent,
                    int tolerance) {
    int mismatches = 0;
    for (int y = 0; y < image.height; ++y) {
        for (int x = 0; x < image.width; ++x) {
            const int sx = static_cast<int>(std::floor((x + 0.5) * file.width / image.width));
            const int sy = static_cast<int>(std::floor((y + 0.5) * file.height / image.height));
            const uint8_t* want = &file.reference[(static_cast<size_t>(sy) * file.width + sx) * 4];
            const uint8_t* got =
                &image.pixels[(static_cast<size_t>(y) * image.width + x) * image.channels];
            for (int c = 0; c < 4; ++c) {
                const int expected =
                    c == 3 ? want[3]
                           : static_cast<int>(
                                 std::floor(255.0 * std::pow(want[c] / 255.0, exponent) + 0.5));
                const int actual = c < image.channels ? got[c] : 255;
                if (std::abs(expected - actual) > tolerance && mismatches++ == 0) {
                    ADD_FAILURE() << file.name << " first mismatch at (" << x << ", " << y
                                  << ") channel " << c << ": " << actual << " != " << expected;
                }
            }
        }
    }
    return mismatches;
}

DecodedImage decodeSuite(const std::string& name) {
    DecodedImage image;
    EXPECT_TRUE(decodePngTexture(suitePath(name).c_str(), 1024, image)) << name;
    return image;
}

bool decodes(const std::vector<uint8_t>& bytes) {
    DecodedImage image;
    return decodePngTextureFromMemory(bytes.data(), bytes.size(), 1024, image);
}

// Every valid suite file (every colour type and depth, interlaced, palettes with
// transparency, odd sizes), under a VIEWING_GAMMA that cancels its own gAMA (files without one
// get the defaults, which cancel too): the decode is the reference itself, RGB or RGBA as the
// file says, resampled to power-of-two sides where needed.
TEST(PngSuiteDecode, MatchesReferenceWhenGammaCancels) {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(kSuiteDir)) {
        const std::string stem = entry.path().stem().string();
        if (entry.path().extension() == ".png" && stem[0] != 'x') {
            names.push_back(stem);
        }
    }
    ASSERT_GE(names.size(), 150u);
    for (const std::string& name : names) {
        SCOPED_TRACE(name);
        const SuiteFile file = inspect(name);
        ASSERT_EQ(file.reference.size(), static_cast<size_t>(file.width) * file.height * 4);
        const std::string viewing = std::to_string(2.2 * file.gamma);
        const ScopedViewingGamma env(file.gamma > 0 ? viewing.c_str() : nullptr);
        const DecodedImage image = decodeSuite(name);
        EXPECT_EQ(image.channels, file.hasAlpha ? 4 : 3);
        EXPECT_EQ(image.width, static_cast<int>(std::bit_ceil(unsigned(file.width))));
        EXPECT_EQ(image.height, static_cast<int>(std::bit_ceil(unsigned(file.height))));
        ASSERT_EQ(image.pixels.size(),
                  static_cast<size_t>(image.width) * image.height * image.channels);
        EXPECT_EQ(countMismatches(file, image, 1.0, 0), 0);
    }
}

TEST(ViewingGamma, OnlyAPositiveNumberChangesTheScreenGamma) {
    struct Case {
        const char* viewing;
        double screen;
    };
    for (const Case& c :
         {Case{nullptr, 2.2}, Case{"1.1", 2.0}, Case{" 2.2\n", 1.0}, Case{"0.5", 4.4},
          Case{"", 2.2}, Case{"abc", 2.2}, Case{"1.1x", 2.2}, Case{"0", 2.2}, Case{"-1", 2.2},
          Case{"nan", 2.2}, Case{"inf", 2.2}, Case{"1e-9", 2.2}, Case{"1e9", 2.2}}) {
        EXPECT_DOUBLE_EQ(screenGammaFor(c.viewing), c.screen) << (c.viewing ? c.viewing : "unset");
    }
}

// Every cut of a file short of its end, in the header, the image data or the trailer.
TEST(CorruptPng, TruncatedFilesAreRejected) {
    for (const char* name : {"basn6a08", "basi3p02", "basi6a16"}) {
        const std::vector<uint8_t> bytes = readTestFile(suitePath(name));
        ASSERT_TRUE(decodes(bytes)) << name;
        for (size_t length = 0; length < bytes.size(); ++length) {
            ASSERT_FALSE(decodes({bytes.begin(), bytes.begin() + length}))
                << name << " cut at " << length;
        }
    }
}

long peakResidentKilobytes() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

// Headers claiming huge images are refused from the header alone: the process never grows
// towards the gigabytes the pixels would take.
TEST(AbsurdSize, HugeHeadersFailWithoutAllocating) {
    const long before = peakResidentKilobytes();
    for (const auto& [width, height] : {std::pair{100000u, 100000u}, std::pair{20000u, 16u},
                                        std::pair{16u, 20000u}, std::pair{16384u, 16384u}}) {
        std::vector<uint8_t> bytes = pngStart(width, height, 8, PNG_COLOR_TYPE_RGBA);
        // The start of a zlib stream of zero rows: enough to begin decoding.
        appendPngChunk(bytes, "IDAT", {0x78, 0x9C, 0xED, 0xC1, 0x01, 0x0D, 0x00, 0x00});
        appendPngChunk(bytes, "IEND", {});
        EXPECT_FALSE(decodes(bytes)) << width << " x " << height;
    }
    EXPECT_LT(peakResidentKilobytes() - before, 64 * 1024);
}

// Sides stop at the largest power of two within the maximum (5 x 3 at most 6: 4 x 4), each
// texel sampled from under its centre: red is the source column, green the source row.
TEST(Resample, SidesStopAtTheLargestPowerOfTwoWithinTheMaximum) {
    std::vector<uint8_t> rgb;
    for (int y = 0; y < 3; ++y) {
        for (int x = 0; x < 5; ++x) {
            rgb.insert(rgb.end(), {static_cast<uint8_t>(x), static_cast<uint8_t>(y), 200});
        }
    }
    const std::vector<uint8_t> bytes = encodeRgbPng(5, 3, rgb);
    DecodedImage image;
    ASSERT_TRUE(decodePngTextureFromMemory(bytes.data(), bytes.size(), 6, image));
    std::vector<uint8_t> expected;
    for (const uint8_t row : {0, 1, 1, 2}) {
        for (const uint8_t column : {0, 1, 3, 4}) {
            expected.insert(expected.end(), {column, row, 200});
        }
    }
    EXPECT_EQ(image.width, 4);
    EXPECT_EQ(image.channels, 3);
    EXPECT_EQ(image.pixels, expected);
}

// Each texel of the next level is its block's mean, halves rounded up: 1/4 to 0, 510/4 to 128,
// 42/4 to 11, 163/4 to 41.
TEST(Mipmap, HalvingAveragesEachBlockRounded) {
    DecodedImage image{4, 2, 4, {0, 0, 0, 0, 1, 0, 255, 255, 10, 20, 30, 40, 11, 21, 31, 41,
                                 0, 0, 0, 0, 0, 1, 255, 255, 10, 20, 30, 40, 11, 21, 31, 42}};
    const DecodedImage level1 = halveImage(image);
    EXPECT_EQ(level1.width, 2);
    EXPECT_EQ(level1.height, 1);
    EXPECT_EQ(level1.pixels, (std::vector<uint8_t>{0, 0, 128, 128, 11, 21, 31, 41}));
    const DecodedImage level2 = halveImage(level1);
    EXPECT_EQ(level2.width, 1);
    EXPECT_EQ(level2.pixels, (std::vector<uint8_t>{6, 11, 80, 85}));
}

} // namespace
