// Frame export's PNG writer: 8-bit RGB, top row first, read back with libpng; bad sizes,
// buffers and paths refused with the reason.
#include <gtest/gtest.h>

#include <png.h>

#include <filesystem>
#include <string>
#include <vector>

#include "timeline/png_writer.h"

namespace {

class PngWriter : public ::testing::Test {
  protected:
    void SetUp() override {
        const auto* unit = ::testing::UnitTest::GetInstance();
        dir = std::filesystem::temp_directory_path() /
              ("quorlith-png-" + std::to_string(unit->random_seed()) + "-" +
               unit->current_test_info()->name());
        std::filesystem::create_directories(dir);
    }
    void TearDown() override { std::filesystem::remove_all(dir); }
    std::filesystem::path dir;
};

TEST_F(PngWriter, RgbTopRowFirstRoundTrips) {
    const int w = 7, h = 5; // odd width: rows are not 4-byte aligned
    std::vector<uint8_t> rgb(w * h * 3);
    for (int i = 0; i < w * h; ++i) {
        rgb[i * 3] = static_cast<uint8_t>(i % w * 30);
        rgb[i * 3 + 1] = static_cast<uint8_t>(i / w * 50);
        rgb[i * 3 + 2] = static_cast<uint8_t>(255 - i % w - i / w);
    }
    const std::string path = (dir / "a.png").string();
    std::string error;
    ASSERT_TRUE(writePngRgb(path, w, h, rgb.data(), &error)) << error;

    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    ASSERT_TRUE(png_image_begin_read_from_file(&image, path.c_str())) << image.message;
    EXPECT_EQ(image.width, 7u);
    EXPECT_EQ(image.height, 5u);
    EXPECT_EQ(image.format, static_cast<png_uint_32>(PNG_FORMAT_RGB)); // 8-bit, no alpha
    std::vector<uint8_t> back(PNG_IMAGE_SIZE(image));
    ASSERT_TRUE(png_image_finish_read(&image, nullptr, back.data(), 0, nullptr));
    EXPECT_EQ(back, rgb);
}

TEST_F(PngWriter, BadSizesBuffersAndPathsAreRefusedWithTheReason) {
    std::vector<uint8_t> rgb(12);
    const std::string path = (dir / "z.png").string();
    std::string error;
    EXPECT_FALSE(writePngRgb(path, 0, 4, rgb.data(), &error));
    EXPECT_NE(error.find("0 x 4"), std::string::npos) << error;
    EXPECT_FALSE(writePngRgb(path, 2, -1, rgb.data(), &error));
    EXPECT_FALSE(writePngRgb(path, 100000, 1, rgb.data(), &error));
    EXPECT_FALSE(writePngRgb(path, 2, 2, nullptr, &error));
    EXPECT_FALSE(std::filesystem::exists(path));
    EXPECT_FALSE(writePngRgb((dir / "missing" / "x.png").string(), 2, 2, rgb.data(), &error));
    EXPECT_NE(error.find("cannot open"), std::string::npos) << error;
    EXPECT_FALSE(writePngRgb(dir.string(), 2, 2, rgb.data(), nullptr)); // a folder
}

} // namespace
