#include "timeline/startup.h"

#include "audio/music.h"
#include "gfx/gl.h"
#include "gfx/gl_compat.h"
#include "gfx/textures.h"
#include "model/obj_model.h"
#include "scenes/sprite_cloud.h"
#include "scenes/toolkit.h"
#include "shader/glsl_shaders.h"
#include "timeline/composer.h"
#include "timeline/passes.h"
#include "timeline/texture_loader.h"

ShaderProgram* PostProcessProgram = nullptr;
PostProcessVariants PostProcessVariantPrograms;

namespace {
std::string dataDirectory = "data";

struct TextureFile {
    int slot;
    const char* file;
};

// Slots 16-19 and 21 stay empty. The title and the credits (15, 22) come from
// loadTextImages, at the scale the picture's size needs.
constexpr TextureFile kTextureFiles[] = {
    {0, "textures/water1.png"},     {1, "textures/scrollpic.png"}, {2, "textures/fire2.png"},
    {3, "textures/water2.png"},     {4, "textures/dust1.png"},     {5, "textures/twirl.png"},
    {6, "textures/env3.png"},       {7, "textures/env4.png"},      {8, "textures/bubble.png"},
    {9, "textures/org.png"},        {10, "textures/overlay.png"},  {11, "textures/overlay2.png"},
    {12, "textures/part1.png"},     {13, "textures/part2.png"},    {14, "textures/part3.png"},
    {15, "textures/text1.png"},     {20, "textures/env5.png"},     {22, "textures/credits.png"},
    {23, "textures/org2_mask.png"}, {24, "textures/org2.png"},
};

// The textures whose level 0 is read back while the demo runs: the white-keyed sprites' (the
// shadows, the sprite cloud) and the two overlays the composer multiplies together.
constexpr int kReadBackSlots[] = {kShadowTexture, kSpriteCloudTexture, kOverlayTexture,
                                  kScreenOverlayTexture};

bool readBackAtRunTime(int slot) {
    for (const int readBack : kReadBackSlots) {
        if (slot == readBack) {
            return true;
        }
    }
    return false;
}

constexpr const char* kModelFiles[kModelCount] = {
    "3d/manet2.obj",
    "3d/manet.obj",
    "3d/blob1.obj",
    "3d/sea1.obj",
};

ParticleCloud* particleCloud = nullptr;

// The title and the credits, drawn larger than 512 wide above 600 lines: their files at each
// scale ("text1.png", "text1_2x.png", "text1_4x.png").
struct TextImage {
    int slot;
    const char* stem;
};
constexpr TextImage kTextImages[] = {{15, "textures/text1"}, {22, "textures/credits"}};

bool texturesLoaded = false;
int textScale = 0; // of the images in their slots, 0 before any are loaded
bool textSmooth = false;

std::string textImagePath(const TextImage& image, int scale) {
    return dataPath(std::string(image.stem) +
                    (scale == 1 ? "" : "_" + std::to_string(scale) + "x") + ".png");
}

// The title's or the credits' image at `scale` into its slot (the 512-wide one where the
// larger file is missing), sampled texel for pixel or filtered (with its smaller levels where
// it is drawn smaller).
void loadTextImage(const TextImage& image, int scale, bool smooth) {
    GLuint& texture = TextureTable[image.slot];
    if (scale != textScale) {
        if (texture != 0) {
            glDeleteTextures(1, &texture);
        }
        texture = loadTexture(textImagePath(image, scale).c_str());
        if (texture == 0 && scale != 1) {
            texture = loadTexture(textImagePath(image, 1).c_str());
        }
    }
    if (texture != 0) {
        // Above 600 lines the image is at most twice as large as drawn: its own level,
        // filtered, is enough. Below, the 512-wide one may be drawn far smaller.
        const GLint minify = !smooth ? GL_NEAREST : scale > 1 ? GL_LINEAR : GL_LINEAR_MIPMAP_LINEAR;
        glBindTexture(GL_TEXTURE_2D, texture);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, minify);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, smooth ? GL_LINEAR : GL_NEAREST);
    }
}

// At 600 lines the 512-wide images, texel for pixel; at any other height the smallest scale
// at least as large as they are drawn, filtered. Only the images in use are kept.
// Filtered at every height but the demo's own.
bool smoothTextAt(int pictureHeight) {
    return pictureHeight != kLayoutHeight;
}

void loadTextImages(int pictureHeight) {
    const int scale = textScaleFor(pictureHeight);
    const bool smooth = smoothTextAt(pictureHeight);
    if (scale == textScale && smooth == textSmooth) {
        return;
    }
    for (const TextImage& image : kTextImages) {
        loadTextImage(image, scale, smooth);
    }
    glBindTexture(GL_TEXTURE_2D, 0);
    textScale = scale;
    textSmooth = smooth;
}

const TextImage* textImageIn(int slot) {
    for (const TextImage& image : kTextImages) {
        if (image.slot == slot) {
            return &image;
        }
    }
    return nullptr;
}
} // namespace

void setDataDirectory(const std::string& dir) {
    dataDirectory = dir.empty() ? "." : dir;
}

std::string dataPath(const std::string& relative) {
    return dataDirectory + "/" + relative;
}

void initializeGlState() {
    glShadeModel(GL_SMOOTH);
    glClearColor(0.0f, 0.0f, 0.0f, 0.0f);
    glClearDepth(1.0);
    glEnable(GL_DEPTH_TEST);
    glDepthFunc(GL_LEQUAL);
    setPerspectiveHint();
    prepareSphereMaps();
    createRenderTarget();
    prepareScreenPasses();
    forgetWhiteKeyedTextures();
}

void loadTextures() {
    // Slots of an earlier context name nothing in this one.
    textScale = 0;
    const int height = frameGeometry().picture.height;
    const int scale = textScaleFor(height);
    const bool smooth = smoothTextAt(height);
    for (const TextureFile& texture : kTextureFiles) {
        if (const TextImage* text = textImageIn(texture.slot)) {
            TextureTable[texture.slot] = 0;
            loadTextImage(*text, scale, smooth);
        } else {
            TextureTable[texture.slot] =
                loadTexture(dataPath(texture.file).c_str(), readBackAtRunTime(texture.slot));
        }
    }
    textScale = scale;
    textSmooth = smooth;
    texturesLoaded = true;
}

void applyFrameGeometry(const FrameGeometry& geometry) {
    setFrameGeometry(geometry);
    if (texturesLoaded) {
        loadTextImages(geometry.picture.height);
    }
}

void initializeDemo() {
    // The cloud is drawn by nothing, but its 1200 draws come first and so fix every
    // value of the point tables that follow.
    particleCloud = createParticleCloud(400, {5.0f, 5.0f, 5.0f}, {0.0f, 0.0f, 0.0f});
    for (int i = 0; i < kModelCount; ++i) {
        loadObjModel(ModelTable[i], dataPath(kModelFiles[i]).c_str());
    }
    fillPointTables();
    initializeGlState();
    loadTextures();
    // A track shorter than the demo still lets it reach its end.
    setMusicRunsAtLeastMs(static_cast<int>(kDemoEndTime * 1000.0f) + 1000);
    openMusic(dataPath("music/track.mp3"));
    enableSpectrum();
    const std::string vertexPath = dataPath("shaders/default.vert");
    const std::string fragmentPath = dataPath("shaders/blur.frag");
    PostProcessProgram = shaderLibrary().createProgram(vertexPath.c_str(), fragmentPath.c_str());
    PostProcessVariantPrograms = {};
    if (PostProcessProgram == nullptr) {
        return;
    }
    const auto variant = [&](const char* defines, std::initializer_list<const char*> uniforms) {
        return shaderLibrary().createVariant(vertexPath.c_str(), fragmentPath.c_str(), defines,
                                             uniforms);
    };
    const PostProcessVariants variants{
        variant("#define FAR_GLOW_MAP\n", {"texture"}),
        variant("#define FAR_GLOW_FROM_MAP\n", {"farGlow"}),
        variant("#define FAR_GLOW_FROM_MAP\n#define MULTIPLY_OVERLAY\n", {"farGlow", "overlay"})};
    if (variants.farGlowMap != nullptr && variants.picture != nullptr &&
        variants.pictureWithOverlays != nullptr) {
        PostProcessVariantPrograms = variants;
    }
}
