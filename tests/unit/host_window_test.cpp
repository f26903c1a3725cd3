#include <gtest/gtest.h>

#include <SDL2/SDL.h>

#include <cmath>
#include <vector>

#include "gfx/gl.h"
#include "host/frame_target.h"
#include "host/main_loop.h"
#include "host/message_box.h"
#include "host/window.h"
#include "support/offscreen_gl.h"

namespace {

// The demo window made for real on SDL's offscreen driver.
class DemoWindowTest : public ::testing::Test {
  protected:
    void SetUp() override {
        SDL_SetHint(SDL_HINT_VIDEODRIVER, "offscreen");
        setMessageBoxesEnabled(false);
        keys.fill(7); // creation clears them
        window = DemoWindow{};
        window.keyState = &keys;
        window.title = kDemoTitle;
        window.width = kDemoWidth;
        window.height = kDemoHeight;
        window.colorBits = kDemoColorBits;
    }
    void TearDown() override {
        setActiveFrameTarget(nullptr);
        if (window.glContext != nullptr) {
            SDL_GL_DeleteContext(window.glContext);
        }
        if (window.windowHandle != nullptr) {
            SDL_DestroyWindow(window.windowHandle);
        }
        SDL_QuitSubSystem(SDL_INIT_VIDEO);
    }

    SDL_Event windowEvent(Uint8 kind, int data1 = 0, int data2 = 0) {
        SDL_Event event{};
        event.type = SDL_WINDOWEVENT;
        event.window.windowID = SDL_GetWindowID(window.windowHandle);
        event.window.event = kind;
        event.window.data1 = data1;
        event.window.data2 = data2;
        return event;
    }
    SDL_Event keyEvent(Uint32 type, SDL_Keycode key) {
        SDL_Event event{};
        event.type = type;
        event.key.windowID = SDL_GetWindowID(window.windowHandle);
        event.key.keysym.sym = key;
        return event;
    }
    bool create() {
        if (createDemoWindow(window) != 1) {
            ADD_FAILURE() << "no demo window: " << lastWindowError();
            return false;
        }
        return true;
    }

    KeyState keys{};
    DemoWindow window{};
};

std::vector<GLint> viewport() {
    std::vector<GLint> v(4);
    glGetIntegerv(GL_VIEWPORT, v.data());
    return v;
}

// The x scale gluPerspective(45, aspect, 1, 100) puts into the projection.
float perspectiveXScale(double aspect) {
    return static_cast<float>(1.0 / std::tan(22.5 * M_PI / 180.0) / aspect);
}

void expectPerspective(double aspect) {
    GLfloat m[16];
    glGetFloatv(GL_PROJECTION_MATRIX, m);
    EXPECT_NEAR(m[0], perspectiveXScale(aspect), 1e-5);
    EXPECT_NEAR(m[5], 2.4142135f, 1e-5);
    EXPECT_NEAR(m[10], -101.0f / 99.0f, 1e-5);
    EXPECT_NEAR(m[11], -1.0f, 1e-6);
    EXPECT_NEAR(m[14], -200.0f / 99.0f, 1e-5);
    GLint mode = 0;
    glGetIntegerv(GL_MATRIX_MODE, &mode);
    EXPECT_EQ(mode, GL_MODELVIEW);
}

TEST_F(DemoWindowTest, WindowedClientAreaContextAndView) {
    window.fullScreen = 0;
    ASSERT_TRUE(create());
    EXPECT_NE(window.windowHandle, nullptr);
    EXPECT_EQ(window.deviceContext, window.windowHandle);
    EXPECT_EQ(SDL_GL_GetCurrentContext(), window.glContext);
    int w = 0, h = 0;
    SDL_GetWindowSize(window.windowHandle, &w, &h);
    EXPECT_EQ(w, 800);
    EXPECT_EQ(h, 600);
    EXPECT_EQ(window.visible, 1);
    EXPECT_EQ(window.fullScreen, 0);
    for (int i = 0; i < kKeyCount; ++i) {
        ASSERT_EQ(keys[i], 0) << i;
    }
    EXPECT_EQ(activeFrameTarget(), nullptr);
    EXPECT_EQ(viewport(), (std::vector<GLint>{0, 0, 800, 600}));
    expectPerspective(800.0 / 600.0);
    // (The offscreen driver's surface is single-buffered; the depth buffer is real.)
    int depth = 0, profile = 0;
    SDL_GL_GetAttribute(SDL_GL_DEPTH_SIZE, &depth);
    SDL_GL_GetAttribute(SDL_GL_CONTEXT_PROFILE_MASK, &profile);
    EXPECT_GE(depth, 16);
    EXPECT_NE(profile, SDL_GL_CONTEXT_PROFILE_CORE);
    // Immediate mode works in this context.
    glBegin(GL_TRIANGLES);
    glEnd();
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}

TEST_F(DemoWindowTest, FullScreenDrawsIntoTheDemoSizedPicture) {
    window.fullScreen = 1;
    ASSERT_TRUE(create());
    ASSERT_EQ(window.fullScreen, 1);
    const FrameTarget* target = activeFrameTarget();
    ASSERT_NE(target, nullptr);
    EXPECT_EQ(target->width, 800);
    EXPECT_EQ(target->height, 600);
    // Whatever size the screen is, the view is the picture's.
    demoWindowProc(window, windowEvent(SDL_WINDOWEVENT_SIZE_CHANGED, 1024, 768));
    EXPECT_EQ(viewport(), (std::vector<GLint>{0, 0, 800, 600}));
    expectPerspective(800.0 / 600.0);

    // A frame drawn white into the picture covers the 4:3 screen.
    bindFrameTarget(*target);
    glClearColor(1, 1, 1, 1);
    glClear(GL_COLOR_BUFFER_BIT);
    presentFrame(window);
    int w = 0, h = 0;
    SDL_GL_GetDrawableSize(window.windowHandle, &w, &h);
    std::vector<unsigned char> corner(4);
    glReadBuffer(GL_BACK);
    glReadPixels(w - 1, h - 1, 1, 1, GL_RGBA, GL_UNSIGNED_BYTE, corner.data());
    EXPECT_EQ(corner[0], 255);
    EXPECT_EQ(corner[1], 255);
}

TEST_F(DemoWindowTest, MinimiseAndRestoreFollowVisible) {
    window.fullScreen = 0;
    ASSERT_TRUE(create());
    EXPECT_EQ(demoWindowProc(window, windowEvent(SDL_WINDOWEVENT_MINIMIZED)), 1);
    EXPECT_EQ(window.visible, 0);
    glViewport(0, 0, 1, 1);
    EXPECT_EQ(demoWindowProc(window, windowEvent(SDL_WINDOWEVENT_RESTORED)), 1);
    EXPECT_EQ(window.visible, 1);
    EXPECT_EQ(viewport(), (std::vector<GLint>{0, 0, 800, 600}));
    demoWindowProc(window, windowEvent(SDL_WINDOWEVENT_MINIMIZED));
    demoWindowProc(window, windowEvent(SDL_WINDOWEVENT_MAXIMIZED));
    EXPECT_EQ(window.visible, 1);
}

TEST_F(DemoWindowTest, ResizeSetsViewAndProjectionButNotForZeroHeight) {
    window.fullScreen = 0;
    ASSERT_TRUE(create());
    demoWindowProc(window, windowEvent(SDL_WINDOWEVENT_SIZE_CHANGED, 1000, 500));
    EXPECT_EQ(viewport(), (std::vector<GLint>{0, 0, 1000, 500}));
    expectPerspective(2.0);
    demoWindowProc(window, windowEvent(SDL_WINDOWEVENT_SIZE_CHANGED, 640, 0));
    EXPECT_EQ(viewport(), (std::vector<GLint>{0, 0, 640, 0}));
    expectPerspective(2.0); // kept, not infinite
    GLfloat m[16];
    glGetFloatv(GL_PROJECTION_MATRIX, m);
    for (const GLfloat value : m) {
        EXPECT_TRUE(std::isfinite(value));
    }
}

TEST_F(DemoWindowTest, KeysAreRecordedAsLevels) {
    window.fullScreen = 0;
    ASSERT_TRUE(create());
    EXPECT_EQ(demoWindowProc(window, keyEvent(SDL_KEYDOWN, SDLK_RIGHT)), 1);
    EXPECT_EQ(keys[vk::Right], 1);
    demoWindowProc(window, keyEvent(SDL_KEYDOWN, SDLK_ESCAPE));
    EXPECT_EQ(keys[vk::Escape], 1);
    demoWindowProc(window, keyEvent(SDL_KEYUP, SDLK_RIGHT));
    EXPECT_EQ(keys[vk::Right], 0);
    EXPECT_EQ(keys[vk::Escape], 1);
    SDL_Event alt = keyEvent(SDL_KEYDOWN, SDLK_F4);
    alt.key.keysym.mod = KMOD_LALT;
    demoWindowProc(window, alt);
    EXPECT_EQ(keys[115], 0);
}

TEST_F(DemoWindowTest, EventsOfOtherWindowsAreNotTheWindows) {
    window.fullScreen = 0;
    ASSERT_TRUE(create());
    SDL_Event minimise = windowEvent(SDL_WINDOWEVENT_MINIMIZED);
    minimise.window.windowID += 1000;
    EXPECT_EQ(demoWindowProc(window, minimise), 0);
    EXPECT_EQ(window.visible, 1);
    SDL_Event key = keyEvent(SDL_KEYDOWN, SDLK_UP);
    key.key.windowID += 1000;
    EXPECT_EQ(demoWindowProc(window, key), 0);
    EXPECT_EQ(keys[vk::Up], 0);
}

TEST_F(DemoWindowTest, ClosingPostsTheQuitMessage) {
    window.fullScreen = 0;
    ASSERT_TRUE(create());
    SDL_FlushEvents(SDL_FIRSTEVENT, SDL_LASTEVENT);
    demoRunning = 1;
    EXPECT_EQ(demoWindowProc(window, windowEvent(SDL_WINDOWEVENT_CLOSE)), 1);
    EXPECT_EQ(demoRunning, 0);
    EXPECT_EQ(SDL_PeepEvents(nullptr, 0, SDL_PEEKEVENT, SDL_QUIT, SDL_QUIT), 1);
}

TEST(FitRect, KeepsTheAspectWithCentredBars) {
    auto expectRect = [](ViewRect r, int x, int y, int w, int h) {
        EXPECT_EQ(r.x, x);
        EXPECT_EQ(r.y, y);
        EXPECT_EQ(r.width, w);
        EXPECT_EQ(r.height, h);
    };
    expectRect(fitRect(800, 600, 1920, 1080), 240, 0, 1440, 1080);
    expectRect(fitRect(800, 600, 1280, 1024), 0, 32, 1280, 960);
    expectRect(fitRect(800, 600, 1024, 768), 0, 0, 1024, 768);
    expectRect(fitRect(800, 600, 800, 600), 0, 0, 800, 600);
    expectRect(fitRect(800, 600, 2560, 1080), 560, 0, 1440, 1080);
    expectRect(fitRect(800, 600, 1366, 768), 171, 0, 1024, 768);
    expectRect(fitRect(800, 600, 0, 0), 0, 0, 0, 0);
    expectRect(fitRect(800, 600, 100000, 1), 49999, 0, 1, 1);
}

// The picture scaled onto a wider screen: black bars left and right, the picture between.
TEST(FrameTargetPresent, ScalesWithBlackBars) {
    OffscreenGl gl(1000, 600);
    ASSERT_TRUE(gl.ok()) << gl.error();
    FrameTarget target;
    std::string error;
    ASSERT_TRUE(createFrameTarget(target, 800, 600, &error)) << error;
    bindFrameTarget(target);
    glViewport(0, 0, 800, 600);
    glClearColor(1, 0, 0, 1);
    glClear(GL_COLOR_BUFFER_BIT);
    glClearColor(0.25f, 0.5f, 0.75f, 1);
    presentFrameTarget(target, 1000, 600);
    const std::vector<uint8_t> pixels = gl.readPixels();
    auto red = [&](int x, int y) { return pixels[(static_cast<size_t>(y) * 1000 + x) * 4]; };
    for (const int y : {0, 300, 599}) {
        EXPECT_EQ(red(0, y), 0);
        EXPECT_EQ(red(99, y), 0);
        EXPECT_EQ(red(100, y), 255);
        EXPECT_EQ(red(899, y), 255);
        EXPECT_EQ(red(900, y), 0);
        EXPECT_EQ(red(999, y), 0);
    }
    GLfloat clear[4];
    glGetFloatv(GL_COLOR_CLEAR_VALUE, clear);
    EXPECT_FLOAT_EQ(clear[1], 0.5f); // the frame's clear colour is left as it was
}

TEST(FrameTargetRead, RgbTopRowFirst) {
    OffscreenGl gl(64, 64);
    ASSERT_TRUE(gl.ok()) << gl.error();
    FrameTarget target;
    ASSERT_TRUE(createFrameTarget(target, 80, 60, nullptr));
    bindFrameTarget(target);
    glViewport(0, 0, 80, 60);
    glClearColor(0, 0, 1, 1);
    glClear(GL_COLOR_BUFFER_BIT);
    glEnable(GL_SCISSOR_TEST);
    glScissor(0, 50, 80, 10); // the top ten rows in GL's bottom-up count
    glClearColor(0, 1, 0, 1);
    glClear(GL_COLOR_BUFFER_BIT);
    glDisable(GL_SCISSOR_TEST);
    const std::vector<uint8_t> rgb = readFrameTargetRgb(target);
    ASSERT_EQ(rgb.size(), 80u * 60u * 3u);
    EXPECT_EQ(rgb[1], 255);                     // row 0: green
    EXPECT_EQ(rgb[(9 * 80 + 79) * 3 + 1], 255); // row 9, last pixel: green
    EXPECT_EQ(rgb[(10 * 80) * 3 + 2], 255);     // row 10: blue
    EXPECT_EQ(rgb[(59 * 80 + 79) * 3 + 2], 255);
}

} // namespace
