// Checks the generated data set as the demo will meet it: every PNG through libpng, every OBJ
// against the subset the loader reads, the track through libmpg123, the start picture through
// SDL, and a second run of the generator for identical bytes.
#include <gtest/gtest.h>

#include <SDL.h>
#include <algorithm>
#include <array>
#include <cmath>
#include <csetjmp>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <mpg123.h>
#include <png.h>
#include <set>
#include <sstream>
#include <string>
#include <unistd.h>
#include <vector>

namespace fs = std::filesystem;

namespace {

const std::string kDataDir = QUORLITH_BUILD_DIR "/data";
const std::string kGenerator = QUORLITH_BUILD_DIR "/tools/assetgen/assetgen";

// --- PNG -------------------------------------------------------------------------------------

struct Png {
    int width = 0;
    int height = 0;
    int colorType = -1;
    int bitDepth = 0;
    bool hasGamma = false;
    double gamma = 0.0;
    std::vector<png_color> palette;
    std::vector<std::vector<uint8_t>> rows;
    std::string error;

    int channels() const {
        switch (colorType) {
        case PNG_COLOR_TYPE_GRAY:
        case PNG_COLOR_TYPE_PALETTE:
            return 1;
        case PNG_COLOR_TYPE_GRAY_ALPHA:
            return 2;
        case PNG_COLOR_TYPE_RGB:
            return 3;
        default:
            return 4;
        }
    }
    // The pixel as RGBA 0..255, whatever the colour type.
    std::array<int, 4> rgba(int x, int y) const {
        const uint8_t* p = rows[y].data() + static_cast<size_t>(x) * channels();
        switch (colorType) {
        case PNG_COLOR_TYPE_GRAY:
            return {p[0], p[0], p[0], 255};
        case PNG_COLOR_TYPE_GRAY_ALPHA:
            return {p[0], p[0], p[0], p[1]};
        case PNG_COLOR_TYPE_PALETTE: {
            const png_color& c = palette.at(p[0]);
            return {c.red, c.green, c.blue, 255};
        }
        case PNG_COLOR_TYPE_RGB:
            return {p[0], p[1], p[2], 255};
        default:
            return {p[0], p[1], p[2], p[3]};
        }
    }
    int brightness(int x, int y) const {
        auto c = rgba(x, y);
        return (c[0] + c[1] + c[2]) / 3;
    }
};

Png readPng(const std::string& path) {
    Png out;
    FILE* file = std::fopen(path.c_str(), "rb");
    if (file == nullptr) {
        out.error = "cannot open " + path;
        return out;
    }
    png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_read_struct(&png, &info, nullptr);
        std::fclose(file);
        out.error = "libpng rejected " + path;
        out.rows.clear();
        return out;
    }
    png_init_io(png, file);
    png_read_info(png, info);
    png_uint_32 w = 0;
    png_uint_32 h = 0;
    int interlace = 0;
    png_get_IHDR(png, info, &w, &h, &out.bitDepth, &out.colorType, &interlace, nullptr, nullptr);
    out.width = static_cast<int>(w);
    out.height = static_cast<int>(h);
    out.hasGamma = png_get_gAMA(png, info, &out.gamma) != 0;
    png_colorp palette = nullptr;
    int paletteSize = 0;
    if (png_get_PLTE(png, info, &palette, &paletteSize) != 0) {
        out.palette.assign(palette, palette + paletteSize);
    }
    out.rows.assign(h, std::vector<uint8_t>(png_get_rowbytes(png, info)));
    std::vector<png_bytep> pointers;
    for (auto& row : out.rows) {
        pointers.push_back(row.data());
    }
    png_read_image(png, pointers.data());
    png_read_end(png, nullptr);
    png_destroy_read_struct(&png, &info, nullptr);
    std::fclose(file);
    return out;
}

struct TextureLayout {
    const char* name;
    int width;
    int height;
    int colorType;
};

// The twenty textures in table order, with the layout each file is written in.
const TextureLayout kTextures[] = {
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
};

Png texture(const std::string& name) {
    return readPng(kDataDir + "/textures/" + name + ".png");
}

bool isPowerOfTwo(int v) {
    return v > 0 && (v & (v - 1)) == 0;
}

TEST(GeneratedTextures, EveryFileDecodesAtItsSizeAndLayout) {
    int grey = 0, palette = 0, gamma = 0, alpha = 0, rgb = 0, oddSize = 0;
    for (const TextureLayout& layout : kTextures) {
        SCOPED_TRACE(layout.name);
        Png png = texture(layout.name);
        ASSERT_TRUE(png.error.empty()) << png.error;
        EXPECT_EQ(png.width, layout.width);
        EXPECT_EQ(png.height, layout.height);
        EXPECT_EQ(png.colorType, layout.colorType);
        EXPECT_EQ(png.bitDepth, 8);
        ASSERT_EQ(png.rows.size(), static_cast<size_t>(layout.height));
        grey += png.colorType == PNG_COLOR_TYPE_GRAY || png.colorType == PNG_COLOR_TYPE_GRAY_ALPHA;
        palette += png.colorType == PNG_COLOR_TYPE_PALETTE;
        alpha += (png.colorType & PNG_COLOR_MASK_ALPHA) != 0;
        rgb += png.colorType == PNG_COLOR_TYPE_RGB;
        oddSize += !isPowerOfTwo(png.width) || !isPowerOfTwo(png.height);
        if (png.hasGamma) {
            ++gamma;
            // The file's gamma is the one a loader assumes anyway, so it changes nothing.
            EXPECT_NEAR(png.gamma, 1.0 / 2.2, 1e-4);
        }
        if (png.colorType == PNG_COLOR_TYPE_PALETTE) {
            EXPECT_FALSE(png.palette.empty());
            for (const auto& row : png.rows) {
                for (uint8_t index : row) {
                    ASSERT_LT(index, png.palette.size());
                }
            }
        }
    }
    // The loader's whole range of inputs is exercised.
    EXPECT_GE(grey, 1);
    EXPECT_GE(palette, 1);
    EXPECT_GE(gamma, 1);
    EXPECT_GE(alpha, 1);
    EXPECT_GE(rgb, 1);
    EXPECT_GE(oddSize, 1);
}

// Sprites are drawn as squares: an additive sprite must fade out before its edge, a multiplied
// one must be white there, or the square shows.
TEST(GeneratedTextures, SpritesHaveInvisibleEdges) {
    for (const char* name : {"fire2", "bubble", "part1", "part2", "part3", "org2", "dust1"}) {
        SCOPED_TRACE(name);
        Png png = texture(name);
        ASSERT_TRUE(png.error.empty());
        for (int i = 0; i < png.width; ++i) {
            for (auto [x, y] : {std::pair{i, 0}, std::pair{i, png.height - 1}, std::pair{0, i},
                                std::pair{png.width - 1, i}}) {
                auto c = png.rgba(x, y);
                EXPECT_LE(c[3], 8) << x << "," << y;
            }
        }
        int body = 0;
        for (int y = 0; y < png.height; ++y) {
            for (int x = 0; x < png.width; ++x) {
                body = std::max(body, png.rgba(x, y)[3]);
            }
        }
        EXPECT_GT(body, 100) << "the sprite has no body";
    }
    for (const char* name : {"org", "org2_mask"}) {
        SCOPED_TRACE(name);
        Png png = texture(name);
        ASSERT_TRUE(png.error.empty());
        for (int i = 0; i < png.width; ++i) {
            EXPECT_GE(png.brightness(i, 0), 245);
            EXPECT_GE(png.brightness(i, png.height - 1), 245);
            EXPECT_GE(png.brightness(0, i), 245);
            EXPECT_GE(png.brightness(png.width - 1, i), 245);
        }
        EXPECT_LT(png.brightness(png.width / 2, png.height / 2), 120) << "nothing to darken with";
    }
}

// The mask darkens exactly where the colour image then adds its light.
TEST(GeneratedTextures, CreatureMaskIsTheSilhouetteOfItsColourImage) {
    Png colour = texture("org2");
    Png mask = texture("org2_mask");
    ASSERT_TRUE(colour.error.empty() && mask.error.empty());
    ASSERT_EQ(colour.width, mask.width);
    ASSERT_EQ(colour.height, mask.height);
    int opaque = 0;
    for (int y = 0; y < colour.height; ++y) {
        for (int x = 0; x < colour.width; ++x) {
            auto c = colour.rgba(x, y);
            int m = mask.brightness(x, y);
            if (c[3] > 200) {
                ++opaque;
                EXPECT_LT(m, 90) << x << "," << y;
            } else if (c[3] == 0) {
                EXPECT_GT(m, 240) << x << "," << y;
                EXPECT_EQ(c[0] + c[1] + c[2], 0) << "colour outside the shape adds light";
            }
        }
    }
    EXPECT_GT(opaque, colour.width * colour.height / 10);
}

// The opening backdrop scrolls with a repeating wrap: its last row must run on into its first
// as smoothly as any two neighbouring rows.
TEST(GeneratedTextures, ScrollingBackdropTilesTopToBottom) {
    Png png = texture("scrollpic");
    ASSERT_TRUE(png.error.empty());
    auto rowDistance = [&](int a, int b) {
        double sum = 0;
        for (int x = 0; x < png.width; ++x) {
            auto p = png.rgba(x, a);
            auto q = png.rgba(x, b);
            sum += std::abs(p[0] - q[0]) + std::abs(p[1] - q[1]) + std::abs(p[2] - q[2]);
        }
        return sum / png.width;
    };
    double typical = 0;
    for (int y = 1; y < png.height; ++y) {
        typical = std::max(typical, rowDistance(y - 1, y));
    }
    EXPECT_LE(rowDistance(png.height - 1, 0), typical);
    // And not a flat colour either.
    EXPECT_GT(typical, 2.0);
}

TEST(GeneratedTextures, TitleAndCreditsAreLightOnBlack) {
    for (const char* name : {"text1", "credits"}) {
        SCOPED_TRACE(name);
        Png png = texture(name);
        ASSERT_TRUE(png.error.empty());
        long bright = 0;
        long dark = 0;
        for (int y = 0; y < png.height; ++y) {
            for (int x = 0; x < png.width; ++x) {
                int b = png.brightness(x, y);
                bright += b > 200;
                dark += b < 16;
            }
        }
        long total = static_cast<long>(png.width) * png.height;
        EXPECT_GT(bright, total / 200) << "no lettering";
        EXPECT_GT(dark, total * 6 / 10) << "the background is not black";
        EXPECT_LT(png.brightness(0, 0) + png.brightness(png.width - 1, png.height - 1), 10);
    }
}

TEST(GeneratedTextures, OverlaysOnlyDarken) {
    Png vignette = texture("overlay");
    ASSERT_TRUE(vignette.error.empty());
    EXPECT_GE(vignette.brightness(256, 256), 250);
    int corner = vignette.brightness(0, 0);
    EXPECT_LT(corner, 200);
    EXPECT_GT(corner, 60) << "a vignette, not a black-out";
    Png grain = texture("overlay2");
    ASSERT_TRUE(grain.error.empty());
    int lo = 255;
    int hi = 0;
    for (int y = 0; y < grain.height; ++y) {
        for (int x = 0; x < grain.width; ++x) {
            lo = std::min(lo, grain.brightness(x, y));
            hi = std::max(hi, grain.brightness(x, y));
        }
    }
    EXPECT_GE(lo, 200) << "a subtle texture keeps the picture";
    EXPECT_GT(hi - lo, 8) << "but it is a texture";
}

// --- OBJ -------------------------------------------------------------------------------------

struct ObjCheck {
    size_t vertices = 0;
    size_t normals = 0;
    size_t texCoords = 0;
    size_t triangles = 0;
    std::set<std::string> forms;
    std::set<std::string> groups;
    std::vector<std::array<double, 3>> positions;
    std::vector<std::array<double, 3>> normalList;
    std::vector<bool> referenced;
    std::vector<std::string> problems;
};

// Reads an OBJ file and lists every way it strays from the subset the demo's loader reads.
ObjCheck checkObj(const std::string& path) {
    ObjCheck out;
    std::ifstream in(path);
    if (!in) {
        out.problems.push_back("cannot open " + path);
        return out;
    }
    std::vector<std::vector<std::string>> faces;
    std::string line;
    int number = 0;
    auto problem = [&](const std::string& what) {
        if (out.problems.size() < 20) {
            out.problems.push_back("line " + std::to_string(number) + ": " + what);
        }
    };
    auto readNumbers = [&](std::istringstream& words, int count, std::array<double, 3>& values) {
        for (int i = 0; i < count; ++i) {
            if (!(words >> values[i]) || !std::isfinite(values[i])) {
                problem("expected " + std::to_string(count) + " numbers");
                return;
            }
        }
        std::string extra;
        if (words >> extra) {
            problem("extra value " + extra);
        }
    };
    while (std::getline(in, line)) {
        ++number;
        if (line.size() >= 127) {
            problem("longer than the loader's 127-character buffer");
        }
        std::istringstream words(line);
        std::string keyword;
        if (!(words >> keyword) || keyword[0] == '#') {
            continue;
        }
        std::array<double, 3> values{};
        if (keyword == "v") {
            readNumbers(words, 3, values);
            out.positions.push_back(values);
        } else if (keyword == "vn") {
            readNumbers(words, 3, values);
            out.normalList.push_back(values);
            double len =
                std::sqrt(values[0] * values[0] + values[1] * values[1] + values[2] * values[2]);
            if (std::fabs(len - 1.0) > 0.01) {
                problem("normal of length " + std::to_string(len));
            }
        } else if (keyword == "vt") {
            readNumbers(words, 2, values);
            ++out.texCoords;
        } else if (keyword == "g") {
            std::string name;
            std::string extra;
            if (!(words >> name) || (words >> extra)) {
                problem("a group line names one group");
            }
            out.groups.insert(name);
        } else if (keyword == "f") {
            std::vector<std::string> refs;
            std::string ref;
            while (words >> ref) {
                refs.push_back(ref);
            }
            faces.push_back(refs);
        } else {
            problem("keyword outside the subset: " + keyword);
        }
    }
    out.vertices = out.positions.size();
    out.normals = out.normalList.size();
    out.referenced.assign(out.vertices + 1, false);
    if (out.normals != out.vertices) {
        out.problems.push_back("one normal per vertex expected");
    }
    for (const auto& refs : faces) {
        if (refs.size() < 3) {
            out.problems.push_back("face with fewer than three corners");
            continue;
        }
        out.triangles += refs.size() - 2;
        std::string faceForm;
        for (const std::string& ref : refs) {
            int v = 0, t = 0, n = 0;
            char tail = 0;
            std::string form;
            if (std::sscanf(ref.c_str(), "%d//%d%c", &v, &n, &tail) == 2) {
                form = "v//vn";
            } else if (std::sscanf(ref.c_str(), "%d/%d/%d%c", &v, &t, &n, &tail) == 3) {
                form = "v/vt/vn";
            } else if (std::sscanf(ref.c_str(), "%d/%d%c", &v, &t, &tail) == 2) {
                form = "v/vt";
            } else if (std::sscanf(ref.c_str(), "%d%c", &v, &tail) == 1) {
                form = "v";
            } else {
                out.problems.push_back("unreadable reference " + ref);
                continue;
            }
            if (!faceForm.empty() && form != faceForm) {
                out.problems.push_back("one face mixes reference forms");
            }
            faceForm = form;
            if (v < 1 || static_cast<size_t>(v) > out.vertices) {
                out.problems.push_back("vertex reference out of range: " + ref);
                continue;
            }
            out.referenced[v] = true;
            bool hasTex = form == "v/vt" || form == "v/vt/vn";
            bool hasNormal = form == "v//vn" || form == "v/vt/vn";
            if (hasTex && (t < 1 || static_cast<size_t>(t) > out.texCoords)) {
                out.problems.push_back("texture reference out of range: " + ref);
            }
            // Normals are matched to vertices by order, so a normal reference must agree.
            if (hasNormal && n != v) {
                out.problems.push_back("normal reference differs from vertex: " + ref);
            }
            // The loader reads texture numbers whenever the file has texture coordinates.
            if (!hasTex && out.texCoords > 0) {
                out.problems.push_back("face without texture reference in a textured file");
            }
        }
        out.forms.insert(faceForm);
    }
    for (size_t v = 1; v <= out.vertices; ++v) {
        if (!out.referenced[v]) {
            out.problems.push_back("vertex " + std::to_string(v) + " is used by no face");
            break;
        }
    }
    return out;
}

struct Extent {
    double size[3];
    double centre[3];
};

Extent extentOf(const ObjCheck& obj) {
    double lo[3] = {1e30, 1e30, 1e30};
    double hi[3] = {-1e30, -1e30, -1e30};
    for (const auto& p : obj.positions) {
        for (int i = 0; i < 3; ++i) {
            lo[i] = std::min(lo[i], p[i]);
            hi[i] = std::max(hi[i], p[i]);
        }
    }
    Extent e{};
    for (int i = 0; i < 3; ++i) {
        e.size[i] = hi[i] - lo[i];
        e.centre[i] = (hi[i] + lo[i]) / 2;
    }
    return e;
}

// Mean of the normal's component along the direction from the model's centre: positive when
// the normals face out (a mirror shader needs that).
double outwardness(const ObjCheck& obj) {
    Extent e = extentOf(obj);
    double sum = 0;
    for (size_t i = 0; i < obj.positions.size() && i < obj.normalList.size(); ++i) {
        double d[3];
        double len = 0;
        for (int k = 0; k < 3; ++k) {
            d[k] = obj.positions[i][k] - e.centre[k];
            len += d[k] * d[k];
        }
        len = std::sqrt(len);
        if (len > 0) {
            sum += (d[0] * obj.normalList[i][0] + d[1] * obj.normalList[i][1] +
                    d[2] * obj.normalList[i][2]) /
                   len;
        }
    }
    return sum / std::max<size_t>(1, obj.positions.size());
}

TEST(GeneratedModels, EveryModelKeepsToTheSubset) {
    std::set<std::string> allForms;
    for (const char* name : {"manet2", "manet", "blob1", "sea1"}) {
        SCOPED_TRACE(name);
        ObjCheck obj = checkObj(kDataDir + "/3d/" + name + ".obj");
        for (const std::string& p : obj.problems) {
            ADD_FAILURE() << p;
        }
        EXPECT_GT(obj.vertices, 500u);
        EXPECT_GT(obj.triangles, 1000u);
        EXPECT_LT(obj.triangles, 20000u);
        EXPECT_FALSE(obj.groups.empty());
        EXPECT_EQ(obj.forms.size(), 1u) << "one reference form a file";
        allForms.insert(obj.forms.begin(), obj.forms.end());
    }
    EXPECT_GE(allForms.size(), 2u) << "the loader's face forms are exercised";
}

// The scenes scale every model by 0.01 and place them for these sizes.
TEST(GeneratedModels, SizedForTheirScenes) {
    ObjCheck figure = checkObj(kDataDir + "/3d/manet2.obj");
    Extent e = extentOf(figure);
    EXPECT_GE(e.size[1], 200);
    EXPECT_LE(e.size[1], 400);
    EXPECT_LT(e.size[0], 170) << "six copies stand 180 units apart";
    EXPECT_LT(e.size[2], 170);
    EXPECT_GT(outwardness(figure), 0.25);

    ObjCheck knot = checkObj(kDataDir + "/3d/manet.obj");
    e = extentOf(knot);
    EXPECT_GE(e.size[1], 200);
    EXPECT_LE(e.size[1], 400);
    EXPECT_LT(std::fabs(e.centre[1]), 40) << "the camera circles the origin";

    ObjCheck blob = checkObj(kDataDir + "/3d/blob1.obj");
    e = extentOf(blob);
    for (double s : e.size) {
        EXPECT_GE(s, 300);
        EXPECT_LE(s, 520);
    }
    EXPECT_GT(outwardness(blob), 0.25);

    ObjCheck sea = checkObj(kDataDir + "/3d/sea1.obj");
    e = extentOf(sea);
    EXPECT_GE(e.size[0], 900);
    EXPECT_LE(e.size[0], 1100);
    EXPECT_GE(e.size[2], 900);
    EXPECT_LE(e.size[2], 1100);
    double up = 0;
    for (const auto& n : sea.normalList) {
        up += n[1];
    }
    EXPECT_GT(up / sea.normalList.size(), 0.5) << "the sea's normals face the sky";
}

// --- start picture ---------------------------------------------------------------------------

TEST(GeneratedPicture, StartPictureLoadsAsA24BitBitmap) {
    SDL_Surface* surface = SDL_LoadBMP((kDataDir + "/start.bmp").c_str());
    ASSERT_NE(surface, nullptr) << SDL_GetError();
    EXPECT_EQ(surface->w, 484);
    EXPECT_EQ(surface->h, 240);
    EXPECT_EQ(surface->format->BitsPerPixel, 24);
    SDL_Surface* rgb = SDL_ConvertSurfaceFormat(surface, SDL_PIXELFORMAT_RGB24, 0);
    SDL_FreeSurface(surface);
    ASSERT_NE(rgb, nullptr);
    long black = 0;
    long bright = 0;
    long yellowGreen = 0;
    for (int y = 0; y < rgb->h; ++y) {
        const uint8_t* row = static_cast<const uint8_t*>(rgb->pixels) + y * rgb->pitch;
        for (int x = 0; x < rgb->w; ++x) {
            int r = row[x * 3];
            int g = row[x * 3 + 1];
            int b = row[x * 3 + 2];
            black += r + g + b < 30;
            if (r + g + b > 200) {
                ++bright;
                yellowGreen += g >= r && g > b + 40;
            }
        }
    }
    SDL_FreeSurface(rgb);
    const long total = 484L * 240;
    EXPECT_GT(black, total / 5) << "organic shapes on black";
    EXPECT_GT(bright, total / 50);
    EXPECT_GT(yellowGreen, bright * 8 / 10) << "in yellow-green";
}

// --- music -----------------------------------------------------------------------------------

struct Track {
    long rate = 0;
    int channels = 0;
    std::vector<float> samples; // interleaved
    mpg123_frameinfo info{};
    std::string error;
    double seconds() const {
        return channels > 0 ? static_cast<double>(samples.size()) / channels / rate : 0.0;
    }
};

Track decodeTrack(const std::string& path) {
    Track track;
    mpg123_init();
    int err = 0;
    mpg123_handle* mh = mpg123_new(nullptr, &err);
    if (mh == nullptr) {
        track.error = "mpg123_new failed";
        return track;
    }
    mpg123_format_none(mh);
    mpg123_format(mh, 44100, MPG123_STEREO, MPG123_ENC_FLOAT_32);
    if (mpg123_open(mh, path.c_str()) != MPG123_OK) {
        track.error = std::string("mpg123_open: ") + mpg123_strerror(mh);
        mpg123_delete(mh);
        return track;
    }
    int encoding = 0;
    mpg123_getformat(mh, &track.rate, &track.channels, &encoding);
    std::vector<unsigned char> buffer(65536);
    size_t done = 0;
    int result = MPG123_OK;
    while ((result = mpg123_read(mh, buffer.data(), buffer.size(), &done)) == MPG123_OK ||
           result == MPG123_NEW_FORMAT) {
        const float* f = reinterpret_cast<const float*>(buffer.data());
        track.samples.insert(track.samples.end(), f, f + done / sizeof(float));
    }
    if (result != MPG123_DONE) {
        track.error = std::string("mpg123_read: ") + mpg123_strerror(mh);
    }
    const float* f = reinterpret_cast<const float*>(buffer.data());
    track.samples.insert(track.samples.end(), f, f + done / sizeof(float));
    mpg123_info(mh, &track.info);
    mpg123_close(mh);
    mpg123_delete(mh);
    return track;
}

class GeneratedTrack : public ::testing::Test {
  protected:
    static void SetUpTestSuite() { track_ = new Track(decodeTrack(kDataDir + "/music/track.mp3")); }
    static void TearDownTestSuite() {
        delete track_;
        track_ = nullptr;
    }
    // RMS in dB of both channels over [from, to) seconds.
    static double rmsDb(double from, double to) {
        size_t a = static_cast<size_t>(from * track_->rate) * 2;
        size_t b = std::min(track_->samples.size(), static_cast<size_t>(to * track_->rate) * 2);
        double sum = 0;
        for (size_t i = a; i < b; ++i) {
            sum += static_cast<double>(track_->samples[i]) * track_->samples[i];
        }
        return 10.0 * std::log10(sum / std::max<size_t>(1, b - a) + 1e-20);
    }
    // Magnitude of bin 14 of a Hann-windowed 1024-point transform of the mono mix at t.
    static double bin14(double t) {
        size_t start = static_cast<size_t>(t * track_->rate);
        double re = 0;
        double im = 0;
        for (int i = 0; i < 1024; ++i) {
            size_t k = (start + i) * 2;
            double x = 0.5 * (track_->samples[k] + track_->samples[k + 1]);
            double w = 0.5 - 0.5 * std::cos(2 * M_PI * i / 1024.0);
            re += x * w * std::cos(2 * M_PI * 14 * i / 1024.0);
            im += x * w * std::sin(2 * M_PI * 14 * i / 1024.0);
        }
        return std::sqrt(re * re + im * im);
    }
    static Track* track_;
};

Track* GeneratedTrack::track_ = nullptr;

TEST_F(GeneratedTrack, DecodesAsLongCdQualityStereo) {
    ASSERT_TRUE(track_->error.empty()) << track_->error;
    EXPECT_EQ(track_->rate, 44100);
    EXPECT_EQ(track_->channels, 2);
    EXPECT_GE(track_->seconds(), 330.0);
    EXPECT_EQ(track_->info.layer, 3);
    EXPECT_EQ(track_->info.vbr, MPG123_CBR);
    // No ID3 tag at either end: the file starts with a frame and ends with one.
    std::ifstream in(kDataDir + "/music/track.mp3", std::ios::binary);
    std::vector<char> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    ASSERT_GT(bytes.size(), 128u);
    EXPECT_EQ(static_cast<unsigned char>(bytes[0]), 0xFF);
    EXPECT_EQ(static_cast<unsigned char>(bytes[1]) & 0xE0, 0xE0);
    EXPECT_NE(std::string(bytes.end() - 128, bytes.end() - 125), "TAG");
}

TEST_F(GeneratedTrack, NeverReachesFullScale) {
    ASSERT_FALSE(track_->samples.empty());
    float peak = 0;
    for (float s : track_->samples) {
        peak = std::max(peak, std::fabs(s));
    }
    EXPECT_LT(peak, 1.0f);
    EXPECT_LE(20.0 * std::log10(peak), -1.0) << "peak " << peak;
    EXPECT_GT(20.0 * std::log10(peak), -6.0) << "the track is needlessly quiet";
}

// Each cut of the demo is a change of section: the loudness either side differs clearly.
TEST_F(GeneratedTrack, LoudnessChangesAtEveryCut) {
    ASSERT_GE(track_->seconds(), 303.0);
    for (double cut : {7.0, 78.0, 128.0, 150.0, 170.0, 192.0, 215.0, 248.0, 268.0, 290.0, 300.0}) {
        double before = rmsDb(cut - 2.75, cut - 0.25);
        double after = rmsDb(cut + 0.25, cut + 2.75);
        EXPECT_GE(std::fabs(after - before), 3.0)
            << "at " << cut << " s: " << before << " dB then " << after << " dB";
    }
    // Between cuts a section holds its level: the same check mid-section finds no jump.
    for (double mid : {100.0, 160.0, 230.0, 280.0}) {
        EXPECT_LT(std::fabs(rmsDb(mid - 2.75, mid - 0.25) - rmsDb(mid + 0.25, mid + 2.75)), 2.0)
            << "at " << mid << " s";
    }
}

// The post-process follows the spectrum near 600 Hz: in the driving sections that band must
// pulse with the beat (120 a minute, on every half second).
TEST_F(GeneratedTrack, BeatShowsAround600Hz) {
    ASSERT_GE(track_->seconds(), 290.0);
    for (auto [from, to] : {std::pair{78.0, 128.0}, std::pair{150.0, 170.0},
                            std::pair{192.0, 215.0}, std::pair{248.0, 268.0}}) {
        double on = 0;
        double off = 0;
        for (double t = from + 1.0; t + 1.0 < to; t += 0.5) {
            on += bin14(t - 0.004);
            off += bin14(t + 0.246);
        }
        EXPECT_GT(on, 1.6 * off) << "section " << from << "-" << to;
    }
}

// --- the generator itself --------------------------------------------------------------------

uint64_t fnv1a(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    uint64_t h = 1469598103934665603ULL;
    char c;
    while (in.get(c)) {
        h = (h ^ static_cast<unsigned char>(c)) * 1099511628211ULL;
    }
    return h;
}

TEST(AssetGenerator, RejectsBadArgumentsAndUnwritablePlaces) {
    EXPECT_NE(std::system((kGenerator + " > /dev/null 2>&1").c_str()), 0);
    EXPECT_NE(std::system((kGenerator + " /tmp/x --only nothing > /dev/null 2>&1").c_str()), 0);
    EXPECT_NE(std::system((kGenerator + " /proc/no/such/place > /dev/null 2>&1").c_str()), 0);
}

// A second run writes exactly the same bytes as the build did.
TEST(AssetGenerator, RepeatsItselfByteForByte) {
    fs::path dir = fs::temp_directory_path() / ("quorlith_assets_" + std::to_string(getpid()));
    fs::remove_all(dir);
    int status = std::system((kGenerator + " " + dir.string()).c_str());
    ASSERT_EQ(status, 0);
    size_t files = 0;
    for (const auto& entry : fs::recursive_directory_iterator(dir)) {
        if (!entry.is_regular_file()) {
            continue;
        }
        ++files;
        fs::path relative = fs::relative(entry.path(), dir);
        SCOPED_TRACE(relative.string());
        fs::path built = fs::path(kDataDir) / relative;
        ASSERT_TRUE(fs::exists(built));
        EXPECT_EQ(fs::file_size(entry.path()), fs::file_size(built));
        EXPECT_EQ(fnv1a(entry.path().string()), fnv1a(built.string()));
    }
    EXPECT_EQ(files, 20u + 4u + 1u + 1u) << "textures, models, start picture, track";
    fs::remove_all(dir);
}

} // namespace
