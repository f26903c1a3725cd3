// PNG decoding for textures, without GL: the PngSuite against its reference decodes, gamma,
// corrupt and hostile files, resampling and mipmap levels.
#include <gtest/gtest.h>
#include <sys/resource.h>

#include <algorithm>
#include <bit>
#include <cmath>
#include <filesystem>
#include <string>
#include <vector>

#include "support/test_png.h"
#include "timeline/texture_loader.h"

namespace {

namespace fs = std::filesystem;

const std::string kSuiteDir = QUORLITH_TEST_DATA_DIR "/pngsuite";

std::string suitePath(const std::string& name) {
    return kSuiteDir + "/" + name + ".png";
}

// What the test needs from a suite file, read straight from its chunks.
struct SuiteFile {
    std::string name;
    int width = 0;
    int height = 0;
    int colorType = 0;
    bool hasTransparency = false;
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
    size_t at = 8;
    while (at + 12 <= bytes.size()) {
        const uint32_t length = bigEndian(&bytes[at]);
        const std::string type(bytes.begin() + at + 4, bytes.begin() + at + 8);
        const uint8_t* data = &bytes[at + 8];
        if (type == "IHDR") {
            file.width = static_cast<int>(bigEndian(data));
            file.height = static_cast<int>(bigEndian(data + 4));
            file.colorType = data[9];
        } else if (type == "gAMA") {
            file.gamma = bigEndian(data) / 100000.0;
        } else if (type == "tRNS") {
            file.hasTransparency = true;
        }
        at += 12 + length;
    }
    file.reference = readTestFile(kSuiteDir + "/ref/" + name + ".rgba");
    return file;
}

std::vector<std::string> suiteNames(bool corrupt) {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(kSuiteDir)) {
        const std::string stem = entry.path().stem().string();
        if (entry.path().extension() == ".png" && (stem[0] == 'x') == corrupt) {
            names.push_back(stem);
        }
    }
    std::sort(names.begin(), names.end());
    return names;
}

// The reference pixel a texel of a tw x th texture shows: the one under the texel's centre.
const uint8_t* referencePixel(const SuiteFile& file, int x, int y, int tw, int th) {
    const int sx = static_cast<int>(std::floor((x + 0.5) * file.width / tw));
    const int sy = static_cast<int>(std::floor((y + 0.5) * file.height / th));
    return &file.reference[(static_cast<size_t>(sy) * file.width + sx) * 4];
}

// Compares a decode with the reference passed through value -> f(value) on the colour
// channels; returns the number of channel values off by more than tolerance.
template <typename F>
int countMismatches(const SuiteFile& file, const DecodedImage& image, F transfer, int tolerance) {
    int mismatches = 0;
    for (int y = 0; y < image.height; ++y) {
        for (int x = 0; x < image.width; ++x) {
            const uint8_t* want = referencePixel(file, x, y, image.width, image.height);
            const uint8_t* got =
                &image.pixels[(static_cast<size_t>(y) * image.width + x) * image.channels];
            for (int c = 0; c < 4; ++c) {
                const int expected = c < 3 ? transfer(want[c]) : want[3];
                const int actual = c < image.channels ? got[c] : 255;
                if (std::abs(expected - actual) > tolerance) {
                    if (mismatches == 0) {
                        ADD_FAILURE() << file.name << " first mismatch at (" << x << ", " << y
                                      << ") channel " << c << ": " << actual << " != " << expected;
                    }
                    ++mismatches;
                }
            }
        }
    }
    return mismatches;
}

int unchanged(int value) {
    return value;
}

// The power law libpng applies: out = in ^ (1 / (fileGamma * screenGamma)).
auto powerLaw(double fileGamma, double screen) {
    const double exponent = 1.0 / (fileGamma * screen);
    return [exponent](int value) {
        return static_cast<int>(std::floor(255.0 * std::pow(value / 255.0, exponent) + 0.5));
    };
}

DecodedImage decodeSuite(const std::string& name) {
    DecodedImage image;
    EXPECT_TRUE(decodePngTexture(suitePath(name).c_str(), 1024, image)) << name;
    return image;
}

// Every valid suite file, under a VIEWING_GAMMA that cancels its own gAMA (files without one
// get the defaults, which cancel too): the decode is the reference itself, RGB or RGBA as the
// file says, resampled to power-of-two sides where needed.
TEST(PngSuiteDecode, MatchesReferenceWhenGammaCancels) {
    const std::vector<std::string> names = suiteNames(false);
    ASSERT_GE(names.size(), 150u);
    for (const std::string& name : names) {
        SCOPED_TRACE(name);
        const SuiteFile file = inspect(name);
        ASSERT_EQ(file.reference.size(), static_cast<size_t>(file.width) * file.height * 4);
        const std::string viewing = std::to_string(2.2 * file.gamma);
        ScopedEnvironment env("VIEWING_GAMMA", file.gamma > 0 ? viewing.c_str() : nullptr);

        const DecodedImage image = decodeSuite(name);
        const bool alpha = (file.colorType & 4) != 0 || file.hasTransparency;
        EXPECT_EQ(image.channels, alpha ? 4 : 3);
        EXPECT_EQ(image.width, static_cast<int>(std::bit_ceil(unsigned(file.width))));
        EXPECT_EQ(image.height, static_cast<int>(std::bit_ceil(unsigned(file.height))));
        ASSERT_EQ(image.pixels.size(),
                  static_cast<size_t>(image.width) * image.height * image.channels);
        EXPECT_EQ(countMismatches(file, image, unchanged, 0), 0);

        const std::vector<uint8_t> bytes = readTestFile(suitePath(name));
        DecodedImage fromMemory;
        ASSERT_TRUE(decodePngTextureFromMemory(bytes.data(), bytes.size(), 1024, fromMemory));
        EXPECT_EQ(fromMemory.pixels, image.pixels);
    }
}

// Screen gamma 2.2 against each file's own gAMA, and the 1/2.2 default where it has none.
TEST(PngSuiteDecode, DefaultGammaFollowsThePowerLaw) {
    ScopedEnvironment env("VIEWING_GAMMA", nullptr);
    struct Case {
        const char* name;
        int tolerance;
    };
    // 16-bit files are corrected before they are reduced, hence the wider tolerance.
    for (const Case& c : {Case{"g03n2c08", 1}, Case{"g25n2c08", 1}, Case{"g07n3p04", 1},
                          Case{"g05n0g16", 2}, Case{"basn2c08", 1}, Case{"basn6a08", 1}}) {
        SCOPED_TRACE(c.name);
        const SuiteFile file = inspect(c.name);
        ASSERT_GT(file.gamma, 0.0);
        EXPECT_EQ(
            countMismatches(file, decodeSuite(c.name), powerLaw(file.gamma, 2.2), c.tolerance), 0);
    }
    // No gAMA: 1/2.2 against 2.2 leaves every value as it is.
    for (const char* name : {"f00n2c08", "z09n2c08", "tm3n3p02"}) {
        SCOPED_TRACE(name);
        const SuiteFile file = inspect(name);
        ASSERT_EQ(file.gamma, 0.0);
        EXPECT_EQ(countMismatches(file, decodeSuite(name), unchanged, 0), 0);
    }
}

TEST(ViewingGamma, ScreenGammaReadFromTheEnvironmentEachTime) {
    ScopedEnvironment env("VIEWING_GAMMA", nullptr);
    EXPECT_DOUBLE_EQ(screenGamma(), 2.2);
    env.set("1.1");
    EXPECT_DOUBLE_EQ(screenGamma(), 2.0);
    env.set(" 2.2\n");
    EXPECT_DOUBLE_EQ(screenGamma(), 1.0);
    env.set("0.5");
    EXPECT_DOUBLE_EQ(screenGamma(), 4.4);
    for (const char* ignored : {"", "abc", "1.1x", "0", "-1", "nan", "inf", "1e-9", "1e9"}) {
        env.set(ignored);
        EXPECT_DOUBLE_EQ(screenGamma(), 2.2) << '"' << ignored << '"';
    }
}

// VIEWING_GAMMA=1.1 makes the screen gamma 2.0: a file without gAMA (1/2.2) is raised to the
// power 1.1, a file with gAMA 1.0 to the power 0.5.
TEST(ViewingGamma, PixelsChangeByThePowerLaw) {
    ScopedEnvironment env("VIEWING_GAMMA", "1.1");
    struct Case {
        const char* name;
        double fileGamma;
    };
    for (const Case& c : {Case{"f00n2c08", 1.0 / 2.2}, Case{"g10n2c08", 1.0}}) {
        SCOPED_TRACE(c.name);
        const SuiteFile file = inspect(c.name);
        const DecodedImage image = decodeSuite(c.name);
        EXPECT_EQ(countMismatches(file, image, powerLaw(c.fileGamma, 2.0), 1), 0);
        int changed = 0;
        for (size_t i = 0; i < image.pixels.size(); ++i) {
            changed += image.pixels[i] != file.reference[i / 3 * 4 + i % 3];
        }
        EXPECT_GT(changed, static_cast<int>(image.pixels.size()) / 5);
    }
}

bool decodes(const std::vector<uint8_t>& bytes) {
    DecodedImage image;
    return decodePngTextureFromMemory(bytes.data(), bytes.size(), 1024, image);
}

TEST(CorruptPng, EverySuiteCorruptFileIsRejected) {
    const std::vector<std::string> names = suiteNames(true);
    ASSERT_EQ(names.size(), 14u);
    for (const std::string& name : names) {
        DecodedImage image;
        EXPECT_FALSE(decodePngTexture(suitePath(name).c_str(), 1024, image)) << name;
        EXPECT_TRUE(image.pixels.empty()) << name;
        EXPECT_FALSE(decodes(readTestFile(suitePath(name)))) << name;
    }
}

// Every cut of a file short of its end, in the header, the image data or the trailer.
TEST(CorruptPng, TruncatedFilesAreRejected) {
    for (const char* name : {"basn6a08", "basi3p02", "basi6a16"}) {
        const std::vector<uint8_t> bytes = readTestFile(suitePath(name));
        ASSERT_TRUE(decodes(bytes)) << name;
        for (size_t length = 0; length < bytes.size(); ++length) {
            const std::vector<uint8_t> cut(bytes.begin(), bytes.begin() + length);
            ASSERT_FALSE(decodes(cut)) << name << " cut at " << length;
        }
    }
}

TEST(CorruptPng, GarbageAndMissingFilesAreRejected) {
    DecodedImage image;
    EXPECT_FALSE(decodePngTexture(nullptr, 1024, image));
    EXPECT_FALSE(decodePngTexture((kSuiteDir + "/no-such-file.png").c_str(), 1024, image));
    EXPECT_FALSE(decodePngTexture(kSuiteDir.c_str(), 1024, image)); // a directory
    EXPECT_FALSE(decodePngTextureFromMemory(nullptr, 0, 1024, image));

    uint32_t state = 12345;
    auto next = [&state] {
        return static_cast<uint8_t>((state = state * 1103515245 + 12345) >> 16);
    };
    std::vector<uint8_t> noise(4096);
    std::generate(noise.begin(), noise.end(), next);
    EXPECT_FALSE(decodes(noise));
    std::vector<uint8_t> signedNoise = pngSignature();
    signedNoise.insert(signedNoise.end(), noise.begin(), noise.end());
    EXPECT_FALSE(decodes(signedNoise));

    // A sound header followed by image data that is not a zlib stream, CRCs all correct.
    std::vector<uint8_t> badData = pngSignature();
    appendPngChunk(badData, "IHDR", pngHeader(8, 8, 8, PNG_COLOR_TYPE_RGB));
    appendPngChunk(badData, "IDAT", std::vector<uint8_t>(noise.begin(), noise.begin() + 200));
    appendPngChunk(badData, "IEND", {});
    EXPECT_FALSE(decodes(badData));

    // Good image data with one byte flipped: caught by the chunk CRC.
    std::vector<uint8_t> flipped = readTestFile(suitePath("basn2c08"));
    flipped[flipped.size() / 2] ^= 0x40;
    EXPECT_FALSE(decodes(flipped));
}

long peakResidentKilobytes() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

// Headers claiming huge images are refused from the header alone: the process never grows
// towards the gigabytes the pixels would take.
TEST(AbsurdSize, HugeHeadersFailWithoutAllocating) {
    struct Case {
        uint32_t width;
        uint32_t height;
    };
    const long before = peakResidentKilobytes();
    for (const Case& c : {Case{100000, 100000}, Case{20000, 16}, Case{16, 20000}, Case{9000, 9000},
                          Case{16384, 16384}}) {
        std::vector<uint8_t> bytes = pngSignature();
        appendPngChunk(bytes, "IHDR", pngHeader(c.width, c.height, 8, PNG_COLOR_TYPE_RGBA));
        // The start of a zlib stream of zero rows: enough to begin decoding.
        appendPngChunk(bytes, "IDAT", {0x78, 0x9C, 0xED, 0xC1, 0x01, 0x0D, 0x00, 0x00});
        appendPngChunk(bytes, "IEND", {});
        EXPECT_FALSE(decodes(bytes)) << c.width << " x " << c.height;
    }
    EXPECT_LT(peakResidentKilobytes() - before, 64 * 1024);
}

// An image of w x h RGB pixels whose red is the column and green the row.
TestPng coordinateImage(int width, int height) {
    TestPng png;
    png.width = width;
    png.height = height;
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            png.rows.insert(png.rows.end(),
                            {static_cast<uint8_t>(x), static_cast<uint8_t>(y), 200});
        }
    }
    return png;
}

void expectSampledFrom(const DecodedImage& image, const std::vector<int>& columns,
                       const std::vector<int>& rows) {
    ASSERT_EQ(image.width, static_cast<int>(columns.size()));
    ASSERT_EQ(image.height, static_cast<int>(rows.size()));
    ASSERT_EQ(image.channels, 3);
    for (int y = 0; y < image.height; ++y) {
        for (int x = 0; x < image.width; ++x) {
            const uint8_t* p = &image.pixels[(static_cast<size_t>(y) * image.width + x) * 3];
            EXPECT_EQ(p[0], columns[x]) << x << ", " << y;
            EXPECT_EQ(p[1], rows[y]) << x << ", " << y;
            EXPECT_EQ(p[2], 200);
        }
    }
}

TEST(Resample, NonPowerOfTwoSidesGrowToTheNextPowerByNearestPixel) {
    const std::vector<uint8_t> bytes = encodePng(coordinateImage(3, 5));
    DecodedImage image;
    ASSERT_TRUE(decodePngTextureFromMemory(bytes.data(), bytes.size(), 1024, image));
    expectSampledFrom(image, {0, 1, 1, 2}, {0, 0, 1, 2, 2, 3, 4, 4});
}

TEST(Resample, SidesStopAtTheLargestPowerOfTwoWithinTheMaximum) {
    const std::vector<uint8_t> bytes = encodePng(coordinateImage(5, 3));
    DecodedImage image;
    ASSERT_TRUE(decodePngTextureFromMemory(bytes.data(), bytes.size(), 6, image));
    expectSampledFrom(image, {0, 1, 3, 4}, {0, 1, 1, 2});

    const std::vector<uint8_t> wide = encodePng(coordinateImage(16, 2));
    ASSERT_TRUE(decodePngTextureFromMemory(wide.data(), wide.size(), 8, image));
    expectSampledFrom(image, {1, 3, 5, 7, 9, 11, 13, 15}, {0, 1});
}

TEST(Resample, TextureSides) {
    EXPECT_EQ(textureSide(1, 2048), 1);
    EXPECT_EQ(textureSide(2, 2048), 2);
    EXPECT_EQ(textureSide(3, 2048), 4);
    EXPECT_EQ(textureSide(640, 2048), 1024);
    EXPECT_EQ(textureSide(1024, 2048), 1024);
    EXPECT_EQ(textureSide(1025, 2048), 2048);
    EXPECT_EQ(textureSide(3000, 2048), 2048);
    EXPECT_EQ(textureSide(3000, 3000), 2048);
    EXPECT_EQ(textureSide(16384, 16384), 16384);
}

TEST(Mipmap, HalvingAveragesEachBlockRounded) {
    DecodedImage image;
    image.width = 4;
    image.height = 2;
    image.channels = 4;
    image.pixels = {0, 0, 0, 0, 1, 0, 255, 255, 10, 20, 30, 40, 11, 21, 31, 41,
                    0, 0, 0, 0, 0, 1, 255, 255, 10, 20, 30, 40, 11, 21, 31, 42};
    const DecodedImage level1 = halveImage(image);
    EXPECT_EQ(level1.width, 2);
    EXPECT_EQ(level1.height, 1);
    EXPECT_EQ(level1.channels, 4);
    // 1/4 rounds to 0, 510/4 = 127.5 to 128, 42/4 = 10.5 to 11, 163/4 = 40.75 to 41.
    EXPECT_EQ(level1.pixels, (std::vector<uint8_t>{0, 0, 128, 128, 11, 21, 31, 41}));
    const DecodedImage level2 = halveImage(level1);
    EXPECT_EQ(level2.width, 1);
    EXPECT_EQ(level2.height, 1);
    EXPECT_EQ(level2.pixels, (std::vector<uint8_t>{6, 11, 80, 85}));

    DecodedImage column;
    column.width = 1;
    column.height = 4;
    column.channels = 3;
    column.pixels = {0, 100, 255, 2, 101, 255, 7, 0, 0, 8, 0, 1};
    const DecodedImage half = halveImage(column);
    EXPECT_EQ(half.width, 1);
    EXPECT_EQ(half.height, 2);
    EXPECT_EQ(half.pixels, (std::vector<uint8_t>{1, 101, 255, 8, 0, 1}));
}

} // namespace
