#include "timeline/composer.h"

#include <cstdlib>

#include "audio/music.h"
#include "gfx/gl.h"
#include "scenes/caption.h"
#include "shader/glsl_shaders.h"
#include "timeline/passes.h"
#include "timeline/schedule.h"
#include "timeline/startup.h"

namespace {
void exitNormally() {
    std::exit(0);
}
EndProcessHook endProcessHook = exitNormally;

constexpr int kTitleTexture = 15;
constexpr int kSpectrumBinForShader = 14;
constexpr float kCaptionIn = 1.0f;
constexpr float kCaptionOut = 5.0f;

// A scrolling background covers the whole square, opaque, and hides every background
// drawn before it: drawing starts at the last one whose window contains t.
void drawBackgrounds(float t) {
    const std::span<const BackgroundEntry> backgrounds = backgroundSchedule();
    std::size_t first = 0;
    for (std::size_t i = 0; i < backgrounds.size(); ++i) {
        if (backgrounds[i].scrolling && backgrounds[i].window.contains(t)) {
            first = i;
        }
    }
    for (const BackgroundEntry& background : backgrounds.subspan(first)) {
        if (!background.window.contains(t)) {
            continue;
        }
        if (background.scrolling) {
            drawScrollingBackground(background.textureIndex, t * kScrollRate);
        } else {
            drawPlainBackground(background.textureIndex);
        }
    }
}

// The post-process program (if any) in use, with its uniforms for demo time t.
void beginPostProcess(ShaderProgram* program, float t) {
    if (program == nullptr) {
        return;
    }
    program->beginUse();
    program->setUniformInt("texture", 0);
    program->setUniformFloat("slider", 0.0055f);
    program->setUniformFloat("slider2", SpectrumBuffer[kSpectrumBinForShader] * 3.0f + 0.5f);
    program->setUniformFloat("time", t);
}

void endPostProcess(ShaderProgram* program) {
    if (program != nullptr) {
        program->endUse();
    }
}

// The programs that draw the picture from the render target.
struct PicturePrograms {
    // The picture alone; null for the plain quad.
    ShaderProgram* picture = nullptr;
    // The picture multiplied by the overlays' product; null where there is none.
    ShaderProgram* withOverlays = nullptr;
    // Whether they read the far glow map.
    bool farGlowMap = false;
};

// The frame copied into the render target and, where the post-process's variants that read
// it can run, the far glow map drawn from it; then the programs to draw the picture with.
PicturePrograms capturePicture(float t) {
    copyToRenderTarget(frameGeometry().renderTarget);
    if (PostProcessProgram == nullptr) {
        return {};
    }
    const PostProcessVariants& variants = PostProcessVariantPrograms;
    if (variants.farGlowMap == nullptr || !farGlowMapAvailable()) {
        return {PostProcessProgram, nullptr, false};
    }
    beginPostProcess(variants.farGlowMap, t);
    drawFarGlowMap();
    endPostProcess(variants.farGlowMap);
    return {variants.picture, variants.pictureWithOverlays, true};
}

void beginPicture(ShaderProgram* program, const PicturePrograms& programs, float t) {
    beginPostProcess(program, t);
    if (program != nullptr && programs.farGlowMap) {
        program->setUniformInt("farGlow", 2);
        bindFarGlowMap(true);
    }
}

void endPicture(ShaderProgram* program, const PicturePrograms& programs) {
    if (program != nullptr && programs.farGlowMap) {
        bindFarGlowMap(false);
    }
    endPostProcess(program);
}

// The render target's quad through the picture's program, in each of the boxes.
void drawPicture(const PicturePrograms& programs, float t, const PixelBox* boxes, int count) {
    beginPicture(programs.picture, programs, t);
    for (int i = 0; i < count; ++i) {
        scissorTo(boxes[i]);
        drawRenderTargetQuad();
    }
    endPicture(programs.picture, programs);
}

// The picture and both screen overlays in one pass, where the overlays come right after it:
// the render target's picture multiplied by their product, by the second texture unit or by
// the program's own variant. Where the scene left depths an overlay fails against, those
// pixels get the picture alone in a second pass. Only the scene's own pixels can hold such
// depths: elsewhere the overlays pass everywhere. False, drawing nothing, where it cannot be
// done; the passes are then drawn one by one.
bool drawPictureWithOverlays(const PicturePrograms& programs, float t, bool depthFree) {
    const GLuint product = screenOverlayProduct(kScreenOverlayTexture, kOverlayTexture);
    if (product == 0 || (programs.picture != nullptr && programs.withOverlays == nullptr)) {
        return false;
    }
    const FrameGeometry& frame = frameGeometry();
    const PixelBox sceneDepths =
        depthFree ? PixelBox{}
                  : overlapOf(visibleSceneRows(frame, frame.renderTarget), betweenTheBars(frame));
    PixelBox around[4];
    const int count = boxesBetweenTheBarsAround(frame, sceneDepths, around);
    ShaderProgram* merged = programs.withOverlays;
    beginPicture(merged, programs, t);
    if (merged != nullptr) {
        merged->setUniformInt("overlay", 1);
    }
    for (int i = 0; i < count; ++i) {
        scissorTo(around[i]);
        drawRenderTargetAsOverlay(product, OverlayDepth::Everywhere);
    }
    if (!depthFree) {
        scissorTo(sceneDepths);
        drawRenderTargetAsOverlay(product, OverlayDepth::Passing);
    }
    endPicture(merged, programs);
    if (!depthFree) {
        beginPicture(programs.picture, programs, t);
        drawRenderTargetAsOverlay(0, OverlayDepth::Failing);
        endPicture(programs.picture, programs);
    }
    return true;
}
} // namespace

void setEndProcessHook(EndProcessHook hook) {
    endProcessHook = hook ? hook : exitNormally;
}

void drawFrameAt(float t) {
    const FrameGeometry& frame = frameGeometry();
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT | GL_STENCIL_BUFFER_BIT);
    setSceneViewport(frame.renderTarget);
    beginVisibleSceneRows(frame.renderTarget);
    drawBackgrounds(t);
    const SceneEntry* scene = sceneAt(t);
    if (scene != nullptr) {
        drawScene(*scene, t);
    }
    beginBetweenTheBars();
    // Over no scene the credits pass passes the depth test everywhere and covers its part of
    // the screen opaquely: the passes before it are only drawn around that part.
    PixelBox hidden;
    if (t > kCreditsAfter && scene == nullptr) {
        hidden = creditsCover(frame, kCreditsStart, t);
    }
    PixelBox boxes[4];
    const int count = boxesBetweenTheBarsAround(frame, hidden, boxes);
    // A fade at alpha 0 and the caption at alpha 0 leave the picture as it is: when nothing
    // else lies between them, the two overlays are drawn as one pass, with the post-process
    // where that can be done.
    bool between = t > kCreditsAfter || captionAlpha(kCaptionIn, kCaptionOut, t) != 0.0f;
    for (const FadeEntry& fade : fadeSchedule()) {
        between = between || fadeWindowAlpha(fade.start, fade.end, t) > 0.0f;
    }
    // Where nothing left a depth below the far value the overlays pass the depth test
    // everywhere: drawn without it, they read no depth (and write none that a later pass
    // would test against before the next clear).
    const bool depthFree = scene == nullptr || !scene->writesDepth;
    const PicturePrograms programs = capturePicture(t);
    if (between) {
        drawPicture(programs, t, boxes, count);
        for (int i = 0; i < count; ++i) {
            scissorTo(boxes[i]);
            drawMultiplyOverlay(kScreenOverlayTexture);
            for (const FadeEntry& fade : fadeSchedule()) {
                drawFadeWindow(fade.start, fade.end, t);
            }
            drawCaption(512, 256, 128.0f, 128.0f, kTitleTexture, kCaptionIn, kCaptionOut, t);
        }
        beginBetweenTheBars();
        if (t > kCreditsAfter) {
            drawCredits(kCreditsStart, t);
        }
        drawMultiplyOverlay(kOverlayTexture);
    } else if (!drawPictureWithOverlays(programs, t, depthFree)) {
        drawPicture(programs, t, boxes, count);
        if (depthFree) {
            glDisable(GL_DEPTH_TEST);
        }
        drawMultiplyOverlays(kScreenOverlayTexture, kOverlayTexture);
        glEnable(GL_DEPTH_TEST);
    }
    endBetweenTheBars();
    drawLetterbox();
}

void composeFrame() {
    updateDemoTime();
    const float t = demoTime();
    drawFrameAt(t);
    captureSpectrum();
    if (t > kDemoEndTime) {
        endProcessHook();
    }
}
