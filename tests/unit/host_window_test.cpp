// The demo window made for real on SDL's offscreen driver, its event handler, and the
// 800 x 600 picture full screen scales onto the screen with black bars.
#include <gtest/gtest.h>

#include <SDL2/SDL.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <string>
#include <vector>

#include "gfx/gl.h"
#include "host/frame_target.h"
#include "host/gl_lookup.h"
#include "host/keys.h"
#include "host/main_loop.h"
#include "host/message_box.h"
#include "host/window.h"
#include "support/offscreen_gl.h"

namespace {

class DemoWindowTest : public ::testing::Test {
  protected:
    void SetUp() override {
        SDL_SetHint(SDL_HINT_VIDEODRIVER, "offscreen");
        setMessageBoxesEnabled(false);
        keys.fill(7); // creation clears them
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
    bool create(int fullScreen) {
        window.fullScreen = fullScreen;
        const bool made = createDemoWindow(window) == 1;
        EXPECT_TRUE(made) << "no demo window: " << lastWindowError();
        if (made) {
            pinGraphicsDrivers();
        }
        return made;
    }
    // A window event (kind) or, for SDL_KEYDOWN / SDL_KEYUP, a key event, sent to this
    // window or to another one.
    // 0: not the window's, 1: handled, 2: the window asks to be closed.
    int send(Uint32 type, int kindOrKey, int data1 = 0, int data2 = 0, bool other = false,
             bool repeat = false) {
        SDL_Event e{};
        e.type = type;
        const Uint32 id = SDL_GetWindowID(window.windowHandle) + (other ? 1000 : 0);
        if (type == SDL_WINDOWEVENT) {
            e.window = {type, 0, id, static_cast<Uint8>(kindOrKey), 0, 0, 0, data1, data2};
        } else {
            e.key.windowID = id;
            e.key.keysym.sym = kindOrKey;
            e.key.repeat = repeat ? 1 : 0;
        }
        return static_cast<int>(demoWindowProc(window, e));
    }

    KeyState keys{};
    DemoWindow window{};
};

std::vector<GLint> viewport() {
    std::vector<GLint> v(4);
    glGetIntegerv(GL_VIEWPORT, v.data());
    return v;
}

// gluPerspective(45, aspect, 1, 100) in the projection, the modelview matrix current.
void expectPerspective(double aspect) {
    GLfloat m[16];
    glGetFloatv(GL_PROJECTION_MATRIX, m);
    const float expected[5] = {static_cast<float>(1.0 / std::tan(M_PI / 8) / aspect), 2.4142135f,
                               -101.0f / 99.0f, -1.0f, -200.0f / 99.0f};
    const int at[5] = {0, 5, 10, 11, 14};
    for (int i = 0; i < 5; ++i) {
        EXPECT_NEAR(m[at[i]], expected[i], 1e-5) << "element " << at[i];
    }
    GLint mode = 0;
    glGetIntegerv(GL_MATRIX_MODE, &mode);
    EXPECT_EQ(mode, GL_MODELVIEW);
}

TEST_F(DemoWindowTest, FullScreenDrawsIntoTheDemoSizedPicture) {
    ASSERT_TRUE(create(1));
    ASSERT_EQ(window.fullScreen, 1);
    const FrameTarget* target = activeFrameTarget();
    ASSERT_NE(target, nullptr);
    EXPECT_EQ(target->width, 800);
    EXPECT_EQ(target->height, 600);
    // Whatever size the screen is, the view is the picture's.
    send(SDL_WINDOWEVENT, SDL_WINDOWEVENT_SIZE_CHANGED, 1024, 768);
    EXPECT_EQ(viewport(), (std::vector<GLint>{0, 0, 800, 600}));
    expectPerspective(800.0 / 600.0);
}

TEST_F(DemoWindowTest, ResizeSetsTheViewButNotForZeroHeightAndMinimiseHides) {
    ASSERT_TRUE(create(0));
    send(SDL_WINDOWEVENT, SDL_WINDOWEVENT_SIZE_CHANGED, 1000, 500);
    EXPECT_EQ(viewport(), (std::vector<GLint>{0, 0, 1000, 500}));
    expectPerspective(2.0);
    send(SDL_WINDOWEVENT, SDL_WINDOWEVENT_SIZE_CHANGED, 640, 0);
    EXPECT_EQ(viewport(), (std::vector<GLint>{0, 0, 640, 0}));
    expectPerspective(2.0); // kept, not infinite

    EXPECT_EQ(send(SDL_WINDOWEVENT, SDL_WINDOWEVENT_MINIMIZED), 1);
    EXPECT_EQ(window.visible, 0);
    glViewport(0, 0, 1, 1);
    EXPECT_EQ(send(SDL_WINDOWEVENT, SDL_WINDOWEVENT_RESTORED), 1);
    EXPECT_EQ(window.visible, 1);
    EXPECT_EQ(viewport(), (std::vector<GLint>{0, 0, 800, 600}));
    send(SDL_WINDOWEVENT, SDL_WINDOWEVENT_MINIMIZED);
    send(SDL_WINDOWEVENT, SDL_WINDOWEVENT_MAXIMIZED);
    EXPECT_EQ(window.visible, 1);
    // Another window's minimise is not this one's.
    EXPECT_EQ(send(SDL_WINDOWEVENT, SDL_WINDOWEVENT_MINIMIZED, 0, 0, true), 0);
    EXPECT_EQ(window.visible, 1);
}

TEST_F(DemoWindowTest, KeysAreLevelsPressesCountOnceAndClosingIsAskedFor) {
    ASSERT_TRUE(create(0));
    EXPECT_EQ(send(SDL_KEYDOWN, SDLK_RIGHT), 1);
    EXPECT_EQ(keys[vk::Right], kKeyDown | kKeyPressedUnseen);
    send(SDL_KEYUP, SDLK_RIGHT);
    EXPECT_EQ(keys[vk::Right], kKeyPressedUnseen); // the tap still counts for the next frame
    window.visible = 0; // minimised: a tap is for no frame, not even once restored
    send(SDL_KEYDOWN, SDLK_LEFT);
    send(SDL_KEYUP, SDLK_LEFT);
    EXPECT_EQ(keys[vk::Left], 0);
    window.visible = 1;
    EXPECT_EQ(send(SDL_KEYDOWN, SDLK_UP, 0, 0, true), 0); // another window's key
    EXPECT_EQ(keys[vk::Up], 0);
    // A held key's repeats are no new presses (Space toggles the pause once a press).
    send(SDL_KEYDOWN, SDLK_SPACE);
    forgetKeyPresses(keys);
    EXPECT_EQ(send(SDL_KEYDOWN, SDLK_SPACE, 0, 0, false, true), 1);
    EXPECT_EQ(keys[vk::Space], kKeyDown);
    send(SDL_KEYUP, SDLK_SPACE);

    SDL_FlushEvents(SDL_FIRSTEVENT, SDL_LASTEVENT);
    demoRunning = 1;
    // Closing is the caller's to act on (the main loop asks to quit).
    EXPECT_EQ(send(SDL_WINDOWEVENT, SDL_WINDOWEVENT_CLOSE), 2);
    EXPECT_EQ(demoRunning, 1);
    EXPECT_EQ(SDL_PeepEvents(nullptr, 0, SDL_PEEKEVENT, SDL_QUIT, SDL_QUIT), 0);
}

TEST(FitRect, KeepsTheAspectWithCentredBars) {
    const std::array<int, 6> cases[] = {{1920, 1080, 240, 0, 1440, 1080},
                                        {1280, 1024, 0, 32, 1280, 960},
                                        {1024, 768, 0, 0, 1024, 768},
                                        {800, 600, 0, 0, 800, 600},
                                        {2560, 1080, 560, 0, 1440, 1080},
                                        {1366, 768, 171, 0, 1024, 768},
                                        {0, 0, 0, 0, 0, 0},
                                        {100000, 1, 49999, 0, 1, 1}};
    for (const auto& c : cases) {
        const PixelBox r = fitRect(800, 600, c[0], c[1]);
        EXPECT_EQ((std::array<int, 4>{r.x, r.y, r.width, r.height}),
                  (std::array<int, 4>{c[2], c[3], c[4], c[5]}))
            << c[0] << " x " << c[1];
    }
}

// The picture scaled onto a wider screen: black bars left and right, the picture between.
TEST(FrameTarget, PresentScalesWithBlackBarsAndReadsTopRowFirst) {
    OffscreenGl gl(1000, 600);
    ASSERT_TRUE(gl.ok()) << gl.error();
    FrameTarget target;
    std::string error;
    ASSERT_TRUE(createFrameTarget(target, 800, 600, &error)) << error;
    bindFrameTarget(target);
    glViewport(0, 0, 800, 600);
    glClearColor(1, 0, 0, 1);
    glClear(GL_COLOR_BUFFER_BIT);
    glEnable(GL_SCISSOR_TEST);
    glScissor(0, 590, 800, 10); // the top ten rows in GL's bottom-up count
    glClearColor(0, 1, 0, 1);
    glClear(GL_COLOR_BUFFER_BIT);
    glDisable(GL_SCISSOR_TEST);
    const std::vector<uint8_t> rgb = readFrameTargetRgb(target);
    ASSERT_EQ(rgb.size(), 800u * 600u * 3u);
    EXPECT_EQ(rgb[1], 255);                       // row 0: green
    EXPECT_EQ(rgb[(9 * 800 + 799) * 3 + 1], 255); // row 9, last pixel: green
    EXPECT_EQ(rgb[(10 * 800) * 3], 255);          // row 10: red
    EXPECT_EQ(rgb[(599 * 800 + 799) * 3], 255);

    glClearColor(0.25f, 0.5f, 0.75f, 1);
    presentFrameTarget(target, 1000, 600);
    const std::vector<uint8_t> pixels = gl.readPixels();
    auto red = [&](int x, int y) { return pixels[(static_cast<size_t>(y) * 1000 + x) * 4]; };
    for (const int y : {300, 599}) {
        EXPECT_EQ((std::array<int, 6>{red(0, y), red(99, y), red(100, y), red(899, y), red(900, y),
                                      red(999, y)}),
                  (std::array<int, 6>{0, 0, 255, 255, 0, 0}))
            << "row " << y;
    }
    GLfloat clear[4];
    glGetFloatv(GL_COLOR_CLEAR_VALUE, clear);
    EXPECT_FLOAT_EQ(clear[1], 0.5f); // the frame's clear colour is left as it was
}

} // namespace

// The shader module's lookup: nothing without a context, and an ARB shader call only where
// its extension is listed as a whole name (GLX would hand out a stub for any name).
TEST(GlLookup, ArbShaderCallsNeedTheirExtensionListedAndAContext) {
    static int stub;
    const auto find = [](const char*) -> void* { return &stub; };
    const char* both = "GL_EXT_a GL_ARB_shader_objects GL_ARB_vertex_shader GL_EXT_b";
    const struct {
        const char* extensions;
        const char* name;
        bool found;
    } cases[] = {
        {both, "glCreateProgramObjectARB", true},
        {both, "glGetAttribLocationARB", true},
        {"GL_ARB_shader_objects", "glUniformMatrix4fvARB", true},
        {"GL_ARB_shader_objects", "glBindAttribLocationARB", false},
        {"GL_ARB_vertex_shader", "glGetActiveAttribARB", true},
        {"GL_ARB_vertex_shader", "glLinkProgramARB", false},
        {"GL_ARB_shader_objects_x GL_ARB_vertex_shaderX", "glLinkProgramARB", false},
        {"GL_ARB_shader_objects_x GL_ARB_vertex_shaderX", "glGetAttribLocationARB", false},
        {"XGL_ARB_shader_objects", "glUseProgramObjectARB", false},
        {"", "glUseProgramObjectARB", false},
        {nullptr, "glUseProgramObjectARB", false},
        {nullptr, "glGenFramebuffers", true}, // not an ARB shader call: passed on
    };
    for (const auto& c : cases) {
        EXPECT_EQ(lookUpEntryPoint(c.name, true, c.extensions, find) != nullptr, c.found)
            << c.name << " with '" << (c.extensions ? c.extensions : "(null)") << "'";
        EXPECT_EQ(lookUpEntryPoint(c.name, false, c.extensions, find), nullptr) << c.name;
    }
    // The real lookup without a current context.
    SDL_GL_MakeCurrent(nullptr, nullptr);
    EXPECT_EQ(lookUpGlEntryPoint("glCreateProgramObjectARB"), nullptr);
}
