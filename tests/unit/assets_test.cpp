// Checks the generated data set as the demo will meet it: every PNG through libpng, every OBJ
// against the subset the loader reads, the track through libmpg123, the start picture through
// SDL, and a second run of the generator for identical content.
#include <gtest/gtest.h>

#include <SDL.h>
#include <algorithm>
#include <array>
#include <climits>
#include <cmath>
#include <csetjmp>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <mpg123.h>
#include <numbers>
#include <png.h>
#include <sstream>
#include <string>
#include <unistd.h>
#include <vector>

#include "model/obj_model.h"

namespace fs = std::filesystem;

namespace {

const std::string kDataDir = QUORLITH_BUILD_DIR "/data";
const std::string kGenerator = QUORLITH_BUILD_DIR "/tools/assetgen/assetgen";

// --- PNG -------------------------------------------------------------------------------------

struct Png {
    int width = 0;
    int height = 0;
    int colorType = -1;
    double gamma = 0.0; // 0 without a gAMA chunk
    std::string stored; // size, depth, type, gamma, palette, transparency, rows as stored
    int channels = 0;
    std::vector<uint8_t> pixels; // the rows as stored, top first, channels bytes a pixel
};

// Reads a PNG with libpng as it is stored. A file that does not decode, or not at 8 bits a
// channel, is a failure and reads as empty.
Png readPng(const std::string& path) {
    Png out;
    FILE* file = std::fopen(path.c_str(), "rb");
    png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    if (file == nullptr || setjmp(png_jmpbuf(png))) {
        ADD_FAILURE() << "libpng cannot read " << path;
        png_destroy_read_struct(&png, &info, nullptr);
        if (file != nullptr) {
            std::fclose(file);
        }
        return Png{};
    }
    png_init_io(png, file);
    png_read_png(png, info, PNG_TRANSFORM_IDENTITY, nullptr);
    out.width = static_cast<int>(png_get_image_width(png, info));
    out.height = static_cast<int>(png_get_image_height(png, info));
    out.colorType = png_get_color_type(png, info);
    png_get_gAMA(png, info, &out.gamma);
    png_colorp palette = nullptr;
    int paletteSize = 0;
    png_get_PLTE(png, info, &palette, &paletteSize);
    png_bytep alpha = nullptr;
    png_color_16p key = nullptr;
    int alphaSize = 0;
    const bool transparency = png_get_tRNS(png, info, &alpha, &alphaSize, &key) != 0;
    std::ostringstream stored;
    stored << out.width << 'x' << out.height << ' ' << int{png_get_bit_depth(png, info)} << ' '
           << out.colorType << ' ' << out.gamma << ' '
           << std::string(reinterpret_cast<char*>(palette), palette ? paletteSize * 3 : 0);
    if (transparency) {
        stored << " tRNS " << std::string(reinterpret_cast<char*>(alpha), alpha ? alphaSize : 0)
               << key->red << ',' << key->green << ',' << key->blue << ',' << key->gray;
    }
    EXPECT_EQ(png_get_bit_depth(png, info), 8) << path;
    png_bytepp rows = png_get_rows(png, info);
    out.channels = png_get_channels(png, info);
    for (int y = 0; y < out.height; ++y) {
        stored << std::string(reinterpret_cast<char*>(rows[y]), png_get_rowbytes(png, info));
        out.pixels.insert(out.pixels.end(), rows[y],
                          rows[y] + static_cast<size_t>(out.width) * out.channels);
    }
    out.stored = stored.str();
    png_destroy_read_struct(&png, &info, nullptr);
    std::fclose(file);
    return out;
}

Png texture(const std::string& name) {
    return readPng(kDataDir + "/textures/" + name + ".png");
}

// The textures in table order, with the layout each file is written in: RGB, RGBA,
// greyscale, palette, and sizes that are no power of two. The last four are the title and the
// credits again at two and four times the size, for large screens.
const struct {
    const char* name;
    int width, height, colorType;
} kTextures[] = {
    {"water1", 512, 512, PNG_COLOR_TYPE_RGB},       {"scrollpic", 512, 1024, PNG_COLOR_TYPE_RGB},
    {"fire2", 128, 128, PNG_COLOR_TYPE_RGBA},       {"water2", 512, 512, PNG_COLOR_TYPE_RGB},
    {"dust1", 128, 128, PNG_COLOR_TYPE_GRAY_ALPHA}, {"twirl", 256, 256, PNG_COLOR_TYPE_PALETTE},
    {"env3", 256, 256, PNG_COLOR_TYPE_RGB},         {"env4", 256, 256, PNG_COLOR_TYPE_RGB},
    {"bubble", 96, 96, PNG_COLOR_TYPE_RGBA},        {"org", 128, 128, PNG_COLOR_TYPE_RGB},
    {"overlay", 512, 512, PNG_COLOR_TYPE_GRAY},     {"overlay2", 512, 512, PNG_COLOR_TYPE_RGB},
    {"part1", 64, 64, PNG_COLOR_TYPE_RGBA},         {"part2", 64, 64, PNG_COLOR_TYPE_RGBA},
    {"part3", 64, 64, PNG_COLOR_TYPE_RGBA},         {"text1", 512, 256, PNG_COLOR_TYPE_RGB},
    {"env5", 256, 256, PNG_COLOR_TYPE_RGB},         {"credits", 512, 1024, PNG_COLOR_TYPE_GRAY},
    {"org2_mask", 128, 128, PNG_COLOR_TYPE_RGB},    {"org2", 128, 128, PNG_COLOR_TYPE_RGBA},
    {"text1_2x", 1024, 512, PNG_COLOR_TYPE_RGB},    {"credits_2x", 1024, 2048, PNG_COLOR_TYPE_GRAY},
    {"text1_4x", 2048, 1024, PNG_COLOR_TYPE_RGB},   {"credits_4x", 2048, 4096, PNG_COLOR_TYPE_GRAY},
};

TEST(GeneratedTextures, EveryFileDecodesAtItsSizeAndLayout) {
    int gamma = 0;
    for (const auto& layout : kTextures) {
        SCOPED_TRACE(layout.name);
        const Png png = texture(layout.name);
        EXPECT_EQ(png.width, layout.width);
        EXPECT_EQ(png.height, layout.height);
        EXPECT_EQ(png.colorType, layout.colorType);
        if (png.gamma > 0) {
            ++gamma;
            // The file's gamma is the one a loader assumes anyway, so it changes nothing.
            EXPECT_NEAR(png.gamma, 1.0 / 2.2, 1e-4);
        }
    }
    EXPECT_GE(gamma, 1) << "the loader meets a gAMA chunk";
}

// One channel of one pixel of a decoded PNG.
double sample(const Png& png, int x, int y, int channel) {
    return png.pixels[(static_cast<size_t>(y) * png.width + x) * png.channels + channel];
}

// Peak signal-to-noise ratio, in dB, of large averaged down k x k against base (the same
// layout, k times the size).
double averagedDownPsnr(const Png& base, const Png& large, int k) {
    double squares = 0.0;
    for (int y = 0; y < base.height; ++y) {
        for (int x = 0; x < base.width; ++x) {
            for (int c = 0; c < base.channels; ++c) {
                double sum = 0.0;
                for (int dy = 0; dy < k; ++dy) {
                    for (int dx = 0; dx < k; ++dx) {
                        sum += sample(large, x * k + dx, y * k + dy, c);
                    }
                }
                const double error = sum / (k * k) - sample(base, x, y, c);
                squares += error * error;
            }
        }
    }
    const double mean = squares / (static_cast<double>(base.width) * base.height * base.channels);
    return 10.0 * std::log10(255.0 * 255.0 / mean);
}

// Sum of the squared steps between neighbouring pixels (across and down) of png, counting only
// the pairs that lie in one block of k x k pixels (all of them when k is 1).
double stepEnergy(const Png& png, int k) {
    auto inBlock = [k](int next) { return k == 1 || next % k != 0; };
    double energy = 0.0;
    for (int y = 0; y < png.height; ++y) {
        for (int x = 0; x < png.width; ++x) {
            for (int c = 0; c < png.channels; ++c) {
                const double here = sample(png, x, y, c);
                if (x + 1 < png.width && inBlock(x + 1)) {
                    energy += std::pow(sample(png, x + 1, y, c) - here, 2);
                }
                if (y + 1 < png.height && inBlock(y + 1)) {
                    energy += std::pow(sample(png, x, y + 1, c) - here, 2);
                }
            }
        }
    }
    return energy;
}

// The title and the credits at two and four times the size are the same pictures drawn again,
// not magnified. Averaged down they give back the base picture: a larger picture laid out
// anew, with its text hinted for its own size, shifted by one of its pixels, or with its halo
// or rule left at the base size, falls below 40 dB (the pictures as made reach 46 dB and
// more). And drawn large, an edge of the base picture is still a step of about one pixel, so
// the steps between neighbours inside the k x k blocks add up to about k - 1 times the steps
// of the base picture; a magnified one has none there (pixels repeated) or only soft ones
// (interpolated), under half of that.
TEST(GeneratedTextures, LargerTextPicturesAreTheBaseOnesDrawnLarger) {
    const struct {
        const char* base;
        const char* large;
        int k;
    } kLarger[] = {
        {"text1", "text1_2x", 2},
        {"text1", "text1_4x", 4},
        {"credits", "credits_2x", 2},
        {"credits", "credits_4x", 4},
    };
    for (const auto& larger : kLarger) {
        SCOPED_TRACE(larger.large);
        const Png base = texture(larger.base);
        const Png large = texture(larger.large);
        ASSERT_EQ(large.width, base.width * larger.k);
        ASSERT_EQ(large.height, base.height * larger.k);
        ASSERT_EQ(large.colorType, base.colorType);
        ASSERT_EQ(large.channels, base.channels);
        EXPECT_GT(averagedDownPsnr(base, large, larger.k), 40.0);
        EXPECT_GT(stepEnergy(large, larger.k) / stepEnergy(base, 1), (larger.k - 1) / 2.0);
    }
}

// --- OBJ -------------------------------------------------------------------------------------

// Each model loads whole into the demo's own loader: every face of the file becomes its
// triangles (a face the loader cannot read is dropped), with one normal per vertex.
TEST(GeneratedModels, LoadWholeIntoTheDemosLoader) {
    for (const char* name : {"manet2", "manet", "blob1", "sea1"}) {
        SCOPED_TRACE(name);
        const std::string path = kDataDir + "/3d/" + name + ".obj";
        std::ifstream in(path);
        uint32_t vertices = 0, normals = 0, triangles = 0;
        for (std::string line, word; std::getline(in, line);) {
            std::istringstream words(line);
            words >> word;
            vertices += word == "v";
            normals += word == "vn";
            for (int corners = 0; line[0] == 'f' && words >> word; ++corners) {
                triangles += corners >= 2;
            }
        }
        ObjModel model{};
        ASSERT_EQ(loadObjModel(model, path.c_str()), 1);
        EXPECT_EQ(model.vertexCount, vertices);
        EXPECT_EQ(model.normalCount, vertices);
        EXPECT_EQ(normals, vertices);
        EXPECT_EQ(model.triangleCount, triangles);
        EXPECT_GT(triangles, 1000u);
        EXPECT_LT(triangles, 20000u);
        freeObjModel(model);
    }
}

// --- start picture ---------------------------------------------------------------------------

TEST(GeneratedPicture, StartPictureIsA24BitYellowGreenOnBlackBitmap) {
    SDL_Surface* surface = SDL_LoadBMP((kDataDir + "/start.bmp").c_str());
    ASSERT_NE(surface, nullptr) << SDL_GetError();
    EXPECT_EQ(surface->w, 484);
    EXPECT_EQ(surface->h, 240);
    EXPECT_EQ(surface->format->BitsPerPixel, 24);
    SDL_Surface* rgb = SDL_ConvertSurfaceFormat(surface, SDL_PIXELFORMAT_RGB24, 0);
    SDL_FreeSurface(surface);
    ASSERT_NE(rgb, nullptr);
    long black = 0, bright = 0, yellowGreen = 0;
    for (int y = 0; y < rgb->h; ++y) {
        for (int x = 0; x < rgb->w; ++x) {
            const uint8_t* p = static_cast<const uint8_t*>(rgb->pixels) + y * rgb->pitch + x * 3;
            const int sum = p[0] + p[1] + p[2];
            black += sum < 30;
            bright += sum > 200;
            yellowGreen += sum > 200 && p[1] >= p[0] && p[1] > p[2] + 40;
        }
    }
    SDL_FreeSurface(rgb);
    EXPECT_GT(black, 484L * 240 / 5) << "organic shapes on black";
    EXPECT_GT(bright, 484L * 240 / 50);
    EXPECT_GT(yellowGreen, bright * 8 / 10) << "in yellow-green";
}

// --- music -----------------------------------------------------------------------------------

struct Track {
    mpg123_frameinfo info{};
    std::vector<float> samples; // interleaved stereo at 44.1 kHz
    std::string error;
    double seconds() const { return samples.size() / 2 / 44100.0; }
};

Track decodeTrack(const std::string& path) {
    Track t;
    mpg123_init();
    mpg123_handle* mh = mpg123_new(nullptr, nullptr);
    mpg123_format_none(mh);
    mpg123_format(mh, 44100, MPG123_STEREO, MPG123_ENC_FLOAT_32);
    int result = mpg123_open(mh, path.c_str());
    float buffer[16384];
    while (result == MPG123_OK || result == MPG123_NEW_FORMAT) {
        size_t done = 0;
        result = mpg123_read(mh, buffer, sizeof buffer, &done);
        t.samples.insert(t.samples.end(), buffer, buffer + done / sizeof(float));
    }
    if (result != MPG123_DONE) {
        t.error = mpg123_strerror(mh);
    }
    mpg123_info(mh, &t.info); // the stream's own rate and mode
    mpg123_delete(mh);
    return t;
}

const Track& generatedTrack() {
    static const Track track = decodeTrack(kDataDir + "/music/track.mp3");
    return track;
}

// Magnitude of bin k (43 Hz apart) of a Hann-windowed 1024-point transform of the mono mix at t.
double binAt(double t, int k) {
    const auto& s = generatedTrack().samples;
    const size_t start = static_cast<size_t>(t * 44100);
    double re = 0, im = 0;
    for (int i = 0; i < 1024; ++i) {
        const double phase = 2 * std::numbers::pi * i / 1024.0;
        const double x =
            0.5 * (s[2 * (start + i)] + s[2 * (start + i) + 1]) * (0.5 - 0.5 * std::cos(phase));
        re += x * std::cos(k * phase);
        im += x * std::sin(k * phase);
    }
    return std::hypot(re, im);
}

TEST(GeneratedTrack, DecodesAsLongCdQualityStereoBelowFullScale) {
    const Track& track = generatedTrack();
    ASSERT_TRUE(track.error.empty()) << track.error;
    EXPECT_EQ(track.info.rate, 44100);
    EXPECT_NE(track.info.mode, MPG123_M_MONO);
    EXPECT_GE(track.seconds(), 330.0);
    float peak = 0;
    for (float s : track.samples) {
        peak = std::max(peak, std::fabs(s));
    }
    EXPECT_LE(20.0 * std::log10(peak), -1.0) << "peak " << peak; // well below full scale
    EXPECT_GT(20.0 * std::log10(peak), -6.0) << "the track is needlessly quiet";
}

// The post-process follows spectrum bin 14 (603 Hz): in the driving sections that bin must
// pulse with the beat (120 a minute, on every half second), and stand out from the bins below.
TEST(GeneratedTrack, BeatShowsAround600Hz) {
    ASSERT_GE(generatedTrack().seconds(), 290.0);
    for (auto [from, to] : {std::pair{78.0, 128.0}, std::pair{150.0, 170.0},
                            std::pair{192.0, 215.0}, std::pair{248.0, 268.0}}) {
        double on = 0, off = 0, below = 0;
        for (double t = from + 1.0; t + 1.0 < to; t += 0.5) {
            on += binAt(t - 0.004, 14);
            off += binAt(t + 0.246, 14);
            below += binAt(t - 0.004, 11); // 474 Hz
        }
        EXPECT_GT(on, 2.0 * off) << "section " << from << "-" << to;
        EXPECT_GT(on, 2.0 * below) << "the beat misses bin 14 in " << from << "-" << to;
    }
}

// --- the generator itself --------------------------------------------------------------------

// What a file of the data set holds, as its reader sees it: for a PNG what readPng stores, for
// the bitmap its pixels, for the track its decoded samples, for a model its text.
std::string contentOf(const fs::path& path) {
    std::ostringstream out;
    const std::string ext = path.extension().string();
    if (ext == ".png") {
        out << readPng(path.string()).stored;
    } else if (ext == ".bmp") {
        SDL_Surface* bmp = SDL_LoadBMP(path.c_str());
        SDL_Surface* rgb = bmp ? SDL_ConvertSurfaceFormat(bmp, SDL_PIXELFORMAT_RGB24, 0) : nullptr;
        for (int y = 0; rgb != nullptr && y < rgb->h; ++y) {
            out << std::string(static_cast<char*>(rgb->pixels) + y * rgb->pitch, rgb->w * 3);
        }
        out << (bmp ? bmp->format->BitsPerPixel : 0);
        SDL_FreeSurface(rgb);
        SDL_FreeSurface(bmp);
    } else if (ext == ".mp3") {
        const Track track = decodeTrack(path.string());
        out << track.error << track.info.rate << ' ' << track.info.mode << ' '
            << std::string(reinterpret_cast<const char*>(track.samples.data()),
                           track.samples.size() * sizeof(float));
    } else {
        out << std::ifstream(path, std::ios::binary).rdbuf();
    }
    return out.str();
}

TEST(AssetGenerator, RejectsBadArgumentsAndUnwritablePlaces) {
    for (const char* args : {"", " /tmp/x --only nothing", " /proc/no/such/place"}) {
        EXPECT_NE(std::system((kGenerator + args + " > /dev/null 2>&1").c_str()), 0) << args;
    }
}

// A second run makes the same data set as the build did (or as the one QUORLITH_SAME_DATA
// names), file for file, in content: compressed bytes may differ between zlib builds.
TEST(AssetGenerator, RepeatsItsContent) {
    const char* other = std::getenv("QUORLITH_SAME_DATA");
    const fs::path reference = other != nullptr ? other : kDataDir;
    const fs::path dir =
        fs::temp_directory_path() / ("quorlith_assets_" + std::to_string(getpid()));
    fs::remove_all(dir);
    ASSERT_EQ(std::system((kGenerator + " " + dir.string()).c_str()), 0);
    size_t files = 0;
    for (const auto& entry : fs::recursive_directory_iterator(dir)) {
        if (entry.is_regular_file()) {
            ++files;
            const fs::path built = reference / fs::relative(entry.path(), dir);
            SCOPED_TRACE(built.string());
            ASSERT_TRUE(fs::exists(built));
            const std::string content = contentOf(entry.path());
            EXPECT_GT(content.size(), 1000u);
            EXPECT_TRUE(content == contentOf(built));
        }
    }
    EXPECT_EQ(files, 24u + 4u + 1u + 1u) << "textures, models, start picture, track";
    fs::remove_all(dir);
}

} // namespace
