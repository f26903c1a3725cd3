// assetgen: writes the demo's whole data set (textures, models, start picture, music) into a
// data directory. Every byte is a function of this program alone: fixed seeds, no clock.
//
//   assetgen DATA_DIR [--only textures|models|picture|music] [--contact-sheet FILE.png]
//   assetgen --icons DIR      the program's icon as DIR/<size>x<size>/apps/quorlith.png
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>
#include <thread>

#include "image_io.h"
#include "models.h"
#include "music.h"
#include "preview.h"
#include "text_render.h"
#include "textures.h"

namespace fs = std::filesystem;
using namespace assetgen;

namespace {

constexpr int kStartWidth = 484;
constexpr int kStartHeight = 240;

bool makeDir(const fs::path& dir) {
    std::error_code ec;
    fs::create_directories(dir, ec);
    if (ec) {
        std::fprintf(stderr, "assetgen: cannot create %s: %s\n", dir.string().c_str(),
                     ec.message().c_str());
        return false;
    }
    return true;
}

bool writeText(const fs::path& path, const std::string& text) {
    return writeFile(path.string(), std::vector<uint8_t>(text.begin(), text.end()));
}

bool writeTextures(const fs::path& dataDir, const std::string& sheet) {
    if (!makeDir(dataDir / "textures")) {
        return false;
    }
    TextRenderer text;
    std::vector<NamedImage> images = makeTextures(text);
    bool ok = true;
    for (const NamedImage& image : images) {
        if (image.image.width == 0) {
            std::fprintf(stderr, "assetgen: could not make %s (is fonts-liberation2 installed?)\n",
                         image.name.c_str());
            ok = false;
            continue;
        }
        ok = writeFile((dataDir / "textures" / image.name).string(), encodePng(image.image)) && ok;
    }
    if (ok && !sheet.empty()) {
        PngImage picture;
        picture.width = kStartWidth;
        picture.height = kStartHeight;
        picture.pixels = makeStartPicture(picture.width, picture.height);
        images.push_back({"start.bmp", picture});
        ok = writeFile(sheet, encodePng(contactSheet(images, makeModelMeshes())));
    }
    return ok;
}

bool writeModels(const fs::path& dataDir) {
    if (!makeDir(dataDir / "3d")) {
        return false;
    }
    bool ok = true;
    for (const NamedModel& model : makeModels()) {
        ok = writeText(dataDir / "3d" / model.name, model.text) && ok;
    }
    return ok;
}

bool writePicture(const fs::path& dataDir) {
    if (!makeDir(dataDir)) {
        return false;
    }
    return writeBmp24((dataDir / "start.bmp").string(), kStartWidth, kStartHeight,
                      makeStartPicture(kStartWidth, kStartHeight));
}

bool writeMusic(const fs::path& dataDir) {
    if (!makeDir(dataDir / "music")) {
        return false;
    }
    std::vector<uint8_t> mp3;
    std::string error;
    if (!encodeMp3(renderTrack(), mp3, error)) {
        std::fprintf(stderr, "assetgen: %s\n", error.c_str());
        return false;
    }
    return writeFile((dataDir / "music" / "track.mp3").string(), mp3);
}

bool writeIcons(const fs::path& dir) {
    const std::vector<uint8_t> picture = makeStartPicture(kStartWidth, kStartHeight);
    bool ok = true;
    for (const int size : {48, 128}) {
        const fs::path apps = dir / (std::to_string(size) + "x" + std::to_string(size)) / "apps";
        PngImage icon;
        icon.width = size;
        icon.height = size;
        icon.pixels = makeIcon(picture, kStartWidth, kStartHeight, size);
        ok = makeDir(apps) && writeFile((apps / "quorlith.png").string(), encodePng(icon)) && ok;
    }
    return ok;
}

int usage() {
    std::fprintf(stderr, "usage: assetgen DATA_DIR [--only textures|models|picture|music] "
                         "[--contact-sheet FILE.png]\n"
                         "       assetgen --icons DIR\n");
    return 2;
}

} // namespace

int main(int argc, char** argv) {
    fs::path dataDir;
    std::string only;
    std::string sheet;
    if (argc == 3 && std::strcmp(argv[1], "--icons") == 0) {
        return writeIcons(argv[2]) ? 0 : 1;
    }
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--only") == 0 && i + 1 < argc) {
            only = argv[++i];
        } else if (std::strcmp(argv[i], "--contact-sheet") == 0 && i + 1 < argc) {
            sheet = argv[++i];
        } else if (argv[i][0] == '-' || !dataDir.empty()) {
            return usage();
        } else {
            dataDir = argv[i];
        }
    }
    if (dataDir.empty()) {
        return usage();
    }
    if (!only.empty() && only != "textures" && only != "models" && only != "picture" &&
        only != "music") {
        return usage();
    }
    auto wanted = [&](const char* part) { return only.empty() || only == part; };

    for (const char* sub : {"", "textures", "3d", "music"}) {
        if (!makeDir(dataDir / sub)) {
            return 1;
        }
    }

    // The music is the longest job; it runs beside the rest. The two threads write
    // different files and share nothing, so the output does not depend on their timing.
    bool musicOk = true;
    std::thread music;
    if (wanted("music")) {
        music = std::thread([&] { musicOk = writeMusic(dataDir); });
    }
    bool ok = true;
    if (wanted("textures")) {
        ok = writeTextures(dataDir, sheet) && ok;
    }
    if (wanted("models")) {
        ok = writeModels(dataDir) && ok;
    }
    if (wanted("picture")) {
        ok = writePicture(dataDir) && ok;
    }
    if (music.joinable()) {
        music.join();
    }
    return ok && musicOk ? 0 : 1;
}
