#include <gtest/gtest.h>

#include "host/start_dialog.h"

namespace {

void expectRect(const DialogRect& r, int x, int y, int w, int h) {
    EXPECT_EQ(r.x, x);
    EXPECT_EQ(r.y, y);
    EXPECT_EQ(r.width, w);
    EXPECT_EQ(r.height, h);
}

int centreX(const DialogRect& r) {
    return r.x + r.width / 2;
}
int centreY(const DialogRect& r) {
    return r.y + r.height / 2;
}

TEST(StartDialogLayout, PixelsOfTheDialogUnits) {
    const StartDialogLayout layout = startDialogLayout();
    expectRect(layout.client, 0, 0, 572, 248);
    expectRect(layout.picture, 0, 0, 488, 246);
    expectRect(layout.fullScreen, 488, 0, 83, 26);
    expectRect(layout.ok, 488, 28, 83, 88);
    expectRect(layout.exit, 488, 118, 83, 128);
}

TEST(StartDialogLayout, ThePictureShowsWholeInsideItsBorder) {
    const StartDialogLayout layout = startDialogLayout();
    EXPECT_GE(layout.picture.width - 2, kStartPictureWidth);
    EXPECT_GE(layout.picture.height - 2, kStartPictureHeight);
    // The buttons are stacked right of the picture, inside the dialog, in order.
    for (const DialogRect* button : {&layout.fullScreen, &layout.ok, &layout.exit}) {
        EXPECT_EQ(button->x, layout.picture.x + layout.picture.width);
        EXPECT_LE(button->x + button->width, layout.client.width);
    }
    EXPECT_LT(layout.fullScreen.y + layout.fullScreen.height, layout.ok.y);
    EXPECT_LT(layout.ok.y + layout.ok.height, layout.exit.y);
    EXPECT_LE(layout.exit.y + layout.exit.height, layout.client.height);
}

TEST(StartDialogModel, StartsUncheckedWithoutFocus) {
    const StartDialogState state;
    EXPECT_FALSE(state.fullScreenChecked);
    EXPECT_EQ(state.focus, DialogControl::None);
}

class DialogMouse : public ::testing::Test {
  protected:
    DialogOutcome click(const DialogRect& r) {
        dialogMouseDown(state, layout, centreX(r), centreY(r));
        return dialogMouseUp(state, layout, centreX(r), centreY(r));
    }
    StartDialogLayout layout = startDialogLayout();
    StartDialogState state;
};

TEST_F(DialogMouse, FullScreenTogglesOnEachClick) {
    EXPECT_EQ(click(layout.fullScreen), DialogOutcome::Open);
    EXPECT_TRUE(state.fullScreenChecked);
    EXPECT_EQ(state.focus, DialogControl::FullScreen);
    EXPECT_EQ(click(layout.fullScreen), DialogOutcome::Open);
    EXPECT_FALSE(state.fullScreenChecked);
}

TEST_F(DialogMouse, OkAndExitEndTheDialog) {
    EXPECT_EQ(click(layout.ok), DialogOutcome::Ok);
    EXPECT_EQ(click(layout.exit), DialogOutcome::Exit);
}

TEST_F(DialogMouse, ReleasedOutsideThePressedButtonDoesNothing) {
    dialogMouseDown(state, layout, centreX(layout.exit), centreY(layout.exit));
    dialogMouseMove(state, layout, centreX(layout.ok), centreY(layout.ok));
    EXPECT_FALSE(state.pointerInside);
    EXPECT_EQ(dialogMouseUp(state, layout, centreX(layout.ok), centreY(layout.ok)),
              DialogOutcome::Open);
    dialogMouseDown(state, layout, centreX(layout.fullScreen), centreY(layout.fullScreen));
    EXPECT_EQ(dialogMouseUp(state, layout, 10, 10), DialogOutcome::Open);
    EXPECT_FALSE(state.fullScreenChecked);
    // The picture is no control.
    EXPECT_EQ(click(layout.picture), DialogOutcome::Open);
    EXPECT_EQ(controlAt(layout, 100, 100), DialogControl::None);
    EXPECT_EQ(controlAt(layout, 500, 27), DialogControl::None); // the gap between two buttons
}

TEST(DialogKeys, TabCyclesSpacePressesOnRelease) {
    StartDialogState state;
    dialogKeyDown(state, SDLK_TAB, KMOD_NONE, false);
    EXPECT_EQ(state.focus, DialogControl::FullScreen);
    EXPECT_EQ(dialogKeyDown(state, SDLK_SPACE, KMOD_NONE, false), DialogOutcome::Open);
    EXPECT_FALSE(state.fullScreenChecked);
    dialogKeyDown(state, SDLK_SPACE, KMOD_NONE, true); // auto-repeat
    EXPECT_EQ(dialogKeyUp(state, SDLK_SPACE), DialogOutcome::Open);
    EXPECT_TRUE(state.fullScreenChecked);
    dialogKeyDown(state, SDLK_TAB, KMOD_NONE, false);
    EXPECT_EQ(state.focus, DialogControl::Ok);
    dialogKeyDown(state, SDLK_TAB, KMOD_NONE, false);
    EXPECT_EQ(state.focus, DialogControl::Exit);
    dialogKeyDown(state, SDLK_TAB, KMOD_NONE, false);
    EXPECT_EQ(state.focus, DialogControl::FullScreen);
    dialogKeyDown(state, SDLK_TAB, KMOD_LSHIFT, false);
    EXPECT_EQ(state.focus, DialogControl::Exit);
    dialogKeyDown(state, SDLK_SPACE, KMOD_NONE, false);
    EXPECT_EQ(dialogKeyUp(state, SDLK_SPACE), DialogOutcome::Exit);
}

TEST(DialogKeys, ShiftTabFromNoFocusGoesToTheLastControl) {
    StartDialogState state;
    dialogKeyDown(state, SDLK_TAB, KMOD_RSHIFT, false);
    EXPECT_EQ(state.focus, DialogControl::Exit);
}

TEST(DialogKeys, SpaceWithoutFocusDoesNothing) {
    StartDialogState state;
    dialogKeyDown(state, SDLK_SPACE, KMOD_NONE, false);
    EXPECT_EQ(dialogKeyUp(state, SDLK_SPACE), DialogOutcome::Open);
    EXPECT_FALSE(state.fullScreenChecked);
}

TEST(DialogKeys, EnterIsOkUnlessExitHasTheFocus) {
    StartDialogState state;
    EXPECT_EQ(dialogKeyDown(state, SDLK_RETURN, KMOD_NONE, false), DialogOutcome::Ok);
    state.focus = DialogControl::FullScreen;
    EXPECT_EQ(dialogKeyDown(state, SDLK_KP_ENTER, KMOD_NONE, false), DialogOutcome::Ok);
    state.focus = DialogControl::Exit;
    EXPECT_EQ(dialogKeyDown(state, SDLK_RETURN, KMOD_NONE, false), DialogOutcome::Exit);
}

TEST(DialogKeys, EscAndOtherKeysLeaveItOpen) {
    StartDialogState state;
    state.focus = DialogControl::Ok;
    for (const SDL_Keycode key : {SDLK_ESCAPE, SDLK_F4, SDLK_a, SDLK_LEFT}) {
        EXPECT_EQ(dialogKeyDown(state, key, KMOD_NONE, false), DialogOutcome::Open);
        EXPECT_EQ(dialogKeyUp(state, key), DialogOutcome::Open);
    }
    EXPECT_EQ(dialogKeyDown(state, SDLK_F4, KMOD_LALT, false), DialogOutcome::Open);
}

TEST(StartChoice, OkSetsTheWindowRecord) {
    DemoWindow window{};
    window.fullScreen = 1;
    window.width = 1;
    window.height = 2;
    window.colorBits = 16;
    applyStartChoice(window, false);
    EXPECT_EQ(window.fullScreen, 0);
    EXPECT_EQ(window.width, 800);
    EXPECT_EQ(window.height, 600);
    EXPECT_EQ(window.colorBits, 32);

    window.fullScreen = 1;
    applyStartChoice(window, true);
    EXPECT_EQ(window.fullScreen, 1);
}

TEST(StartChoice, DefaultsBeforeTheDialogAreFullScreen) {
    ApplicationInfo app{};
    KeyState keys;
    keys.fill(1);
    DemoWindow window{};
    window.visible = 1;
    fillDemoRecords(app, "/opt/q/", keys, window);
    EXPECT_STREQ(app.windowClassName, "OpenGL");
    EXPECT_STREQ(app.instanceHandle, "/opt/q/");
    EXPECT_EQ(keys[vk::Escape], 0);
    EXPECT_EQ(window.keyState, &keys);
    EXPECT_EQ(window.appInfo, &app);
    EXPECT_STREQ(window.title, "Quorlith Engine");
    EXPECT_EQ(window.width, 800);
    EXPECT_EQ(window.height, 600);
    EXPECT_EQ(window.colorBits, 32);
    EXPECT_EQ(window.fullScreen, 1);
    EXPECT_EQ(window.visible, 0);
    EXPECT_EQ(window.windowHandle, nullptr);
}

} // namespace
