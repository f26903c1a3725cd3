#include <gtest/gtest.h>

#include <png.h>

#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "timeline/png_writer.h"

namespace {

struct Decoded {
    png_uint_32 width = 0;
    png_uint_32 height = 0;
    int depth = 0;
    int colorType = 0;
    std::vector<uint8_t> rgb;
};

Decoded readBack(const std::string& path) {
    Decoded out;
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_file(&image, path.c_str())) {
        ADD_FAILURE() << image.message;
        return out;
    }
    out.width = image.width;
    out.height = image.height;
    image.format = PNG_FORMAT_RGB;
    out.rgb.resize(PNG_IMAGE_SIZE(image));
    EXPECT_TRUE(png_image_finish_read(&image, nullptr, out.rgb.data(), 0, nullptr));
    // The header as written.
    std::FILE* file = std::fopen(path.c_str(), "rb");
    unsigned char header[26];
    EXPECT_EQ(std::fread(header, 1, sizeof header, file), sizeof header);
    std::fclose(file);
    out.depth = header[24];
    out.colorType = header[25];
    return out;
}

class PngWriter : public ::testing::Test {
  protected:
    void SetUp() override {
        dir = std::filesystem::temp_directory_path() /
              ("quorlith-png-" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) +
               "-" + ::testing::UnitTest::GetInstance()->current_test_info()->name());
        std::filesystem::create_directories(dir);
    }
    void TearDown() override { std::filesystem::remove_all(dir); }
    std::filesystem::path dir;
};

TEST_F(PngWriter, RgbTopRowFirstRoundTrips) {
    const int w = 7, h = 5; // odd width: rows are not 4-byte aligned
    std::vector<uint8_t> rgb(w * h * 3);
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            uint8_t* p = &rgb[(y * w + x) * 3];
            p[0] = static_cast<uint8_t>(x * 30);
            p[1] = static_cast<uint8_t>(y * 50);
            p[2] = static_cast<uint8_t>(255 - x - y);
        }
    }
    const std::string path = (dir / "a.png").string();
    std::string error;
    ASSERT_TRUE(writePngRgb(path, w, h, rgb.data(), &error)) << error;
    const Decoded back = readBack(path);
    EXPECT_EQ(back.width, 7u);
    EXPECT_EQ(back.height, 5u);
    EXPECT_EQ(back.depth, 8);
    EXPECT_EQ(back.colorType, PNG_COLOR_TYPE_RGB);
    EXPECT_EQ(back.rgb, rgb);
}

TEST_F(PngWriter, BadSizesAndBuffersAreRefused) {
    std::vector<uint8_t> rgb(12);
    std::string error;
    EXPECT_FALSE(writePngRgb((dir / "z.png").string(), 0, 4, rgb.data(), &error));
    EXPECT_NE(error.find("0 x 4"), std::string::npos) << error;
    EXPECT_FALSE(writePngRgb((dir / "z.png").string(), 2, -1, rgb.data(), &error));
    EXPECT_FALSE(writePngRgb((dir / "z.png").string(), 100000, 1, rgb.data(), &error));
    EXPECT_FALSE(writePngRgb((dir / "z.png").string(), 2, 2, nullptr, &error));
    EXPECT_FALSE(std::filesystem::exists(dir / "z.png"));
}

TEST_F(PngWriter, AnUnwritablePathGivesTheReason) {
    std::vector<uint8_t> rgb(12);
    std::string error;
    EXPECT_FALSE(writePngRgb((dir / "missing" / "x.png").string(), 2, 2, rgb.data(), &error));
    EXPECT_NE(error.find("cannot open"), std::string::npos) << error;
    EXPECT_FALSE(writePngRgb(dir.string(), 2, 2, rgb.data(), nullptr)); // a folder
}

} // namespace
