#include "support/model_fixture.h"

#include <unistd.h>

#include <cmath>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <vector>

#include "gfx/gl.h"
#include "gfx/textures.h"
#include "model/obj_model.h"
#include "scenes/toolkit.h"

namespace {
constexpr double kPi = 3.14159265358979323846;
constexpr int kSceneTextureSlots[] = {6, 7, 8, 9, 14};

const char* const kModelFiles[kModelCount] = {"manet2.obj", "manet.obj", "blob1.obj", "sea1.obj"};

GLuint makeTexture(int size, bool blob, uint8_t grey) {
    std::vector<uint8_t> rgba(static_cast<size_t>(size) * size * 4);
    for (int y = 0; y < size; ++y) {
        for (int x = 0; x < size; ++x) {
            uint8_t* p = &rgba[(static_cast<size_t>(y) * size + x) * 4];
            const double dx = (x + 0.5) / size - 0.5;
            const double dy = (y + 0.5) / size - 0.5;
            const double r = std::sqrt(dx * dx + dy * dy) * 2.0;
            if (blob) { // white, alpha falling off from the centre
                p[0] = p[1] = p[2] = 255;
                p[3] = static_cast<uint8_t>(r < 1.0 ? 255.0 * (1.0 - r) : 0.0);
            } else { // an environment-like gradient
                p[0] = static_cast<uint8_t>(grey + (255 - grey) * x / (size - 1));
                p[1] = static_cast<uint8_t>(grey + (255 - grey) * y / (size - 1));
                p[2] = grey;
                p[3] = 255;
            }
        }
    }
    GLuint name = 0;
    glGenTextures(1, &name);
    glBindTexture(GL_TEXTURE_2D, name);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_REPEAT);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_REPEAT);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, size, size, 0, GL_RGBA, GL_UNSIGNED_BYTE, rgba.data());
    return name;
}
} // namespace

std::string sphereObjText(float radius, int rings, int segments) {
    std::ostringstream obj;
    obj << "# sphere made by the tests\n";
    // Vertex (i, j): ring i from 0 (north pole) to rings, segment j from 0 to segments - 1;
    // the poles are single vertices.
    auto vertexNumber = [&](int i, int j) {
        if (i == 0) {
            return 1;
        }
        if (i == rings) {
            return 2 + (rings - 1) * segments;
        }
        return 2 + (i - 1) * segments + (j % segments);
    };
    auto emit = [&](int i, int j) {
        const double theta = kPi * i / rings;
        const double phi = 2.0 * kPi * j / segments;
        const double nx = std::sin(theta) * std::cos(phi);
        const double ny = std::cos(theta);
        const double nz = std::sin(theta) * std::sin(phi);
        obj << "v " << radius * nx << ' ' << radius * ny << ' ' << radius * nz << '\n';
        obj << "vn " << nx << ' ' << ny << ' ' << nz << '\n';
        obj << "vt " << static_cast<double>(j) / segments << ' '
            << 1.0 - static_cast<double>(i) / rings << '\n';
    };
    emit(0, 0);
    for (int i = 1; i < rings; ++i) {
        for (int j = 0; j < segments; ++j) {
            emit(i, j);
        }
    }
    emit(rings, 0);
    auto ref = [&](int i, int j) {
        const int n = vertexNumber(i, j);
        std::ostringstream r;
        r << n << '/' << n << '/' << n;
        return r.str();
    };
    for (int i = 0; i < rings; ++i) {
        if (i == 0) {
            obj << "g north\n";
        } else if (i == rings / 2) {
            obj << "g south\n";
        }
        for (int j = 0; j < segments; ++j) {
            if (i == 0) {
                obj << "f " << ref(0, 0) << ' ' << ref(1, j + 1) << ' ' << ref(1, j) << '\n';
            } else if (i == rings - 1) {
                obj << "f " << ref(i, j) << ' ' << ref(i, j + 1) << ' ' << ref(rings, 0) << '\n';
            } else {
                obj << "f " << ref(i, j) << ' ' << ref(i, j + 1) << ' ' << ref(i + 1, j + 1) << ' '
                    << ref(i + 1, j) << '\n';
            }
        }
    }
    return obj.str();
}

std::string writeTempFile(const std::string& name, const std::string& text) {
    const std::filesystem::path dir =
        std::filesystem::temp_directory_path() / ("quorlith-test-" + std::to_string(::getpid()));
    std::filesystem::create_directories(dir);
    const std::filesystem::path path = dir / name;
    std::ofstream(path, std::ios::binary) << text;
    return path.string();
}

void setUpSceneGlState() {
    glViewport(0, 0, 512, 512);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    gluPerspective(45.0, 800.0 / 600.0, 1.0, 100.0);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glShadeModel(GL_SMOOTH);
    glClearDepth(1.0);
    glEnable(GL_DEPTH_TEST);
    glDepthFunc(GL_LEQUAL);
    glTexGeni(GL_S, GL_TEXTURE_GEN_MODE, GL_SPHERE_MAP);
    glTexGeni(GL_T, GL_TEXTURE_GEN_MODE, GL_SPHERE_MAP);
    glDisable(GL_BLEND);
    glDisable(GL_LIGHTING);
    glDisable(GL_TEXTURE_2D);
    glColor4f(1.0f, 1.0f, 1.0f, 1.0f);
}

void makeSceneTextures() {
    TextureTable[6] = makeTexture(64, false, 60);
    TextureTable[7] = makeTexture(64, false, 100);
    TextureTable[8] = makeTexture(32, true, 0);
    TextureTable[9] = makeTexture(16, false, 150);
    TextureTable[14] = makeTexture(32, true, 0);
}

void releaseSceneTextures() {
    for (int slot : kSceneTextureSlots) {
        glDeleteTextures(1, &TextureTable[slot]);
        TextureTable[slot] = 0;
    }
}

const char* loadSceneModels() {
    const std::filesystem::path dataSet = std::filesystem::path(QUORLITH_BUILD_DIR) / "data" / "3d";
    bool all = true;
    for (const char* file : kModelFiles) {
        all = all && std::filesystem::exists(dataSet / file);
    }
    if (all) {
        for (int i = 0; i < kModelCount; ++i) {
            loadObjModel(ModelTable[i], (dataSet / kModelFiles[i]).c_str());
        }
        return "data set";
    }
    const std::string sphere = writeTempFile("scene-sphere.obj", sphereObjText(150.0f, 12, 16));
    for (ObjModel& model : ModelTable) {
        loadObjModel(model, sphere.c_str());
    }
    return "generated spheres";
}

void releaseSceneModels() {
    for (ObjModel& model : ModelTable) {
        freeObjModel(model);
    }
}

void fillSceneTables() {
    resetDemoRand();
    destroyParticleCloud(createParticleCloud(400, {5, 5, 5}, {0, 0, 0}));
    fillPointTables();
}
