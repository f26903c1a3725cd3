// The start dialog's mouse and keyboard handling beyond plain clicks (which the end-to-end
// test makes on the real dialog).
#include <gtest/gtest.h>

#include "host/start_dialog.h"

namespace {

class DialogMouse : public ::testing::Test {
  protected:
    DialogOutcome press(const DialogRect& down, const DialogRect& up) {
        dialogMouseDown(state, layout, down.x + down.width / 2, down.y + down.height / 2);
        return dialogMouseUp(state, layout, up.x + up.width / 2, up.y + up.height / 2);
    }
    DialogOutcome click(const DialogRect& r) { return press(r, r); }
    StartDialogLayout layout = startDialogLayout();
    StartDialogState state;
};

TEST_F(DialogMouse, ReleasedOutsideThePressedButtonDoesNothing) {
    dialogMouseDown(state, layout, 500, 150); // inside "Exit"
    dialogMouseMove(state, layout, 500, 50);  // over "OK"
    EXPECT_FALSE(state.pointerInside);
    EXPECT_EQ(dialogMouseUp(state, layout, 500, 50), DialogOutcome::Open);
    EXPECT_EQ(press(layout.fullScreen, layout.picture), DialogOutcome::Open);
    EXPECT_FALSE(state.fullScreenChecked);
    // The picture and the gap between two buttons are no control.
    EXPECT_EQ(click(layout.picture), DialogOutcome::Open);
    EXPECT_EQ(controlAt(layout, 100, 100), DialogControl::None);
    EXPECT_EQ(controlAt(layout, 500, 27), DialogControl::None);
}

DialogOutcome key(StartDialogState& state, SDL_Keycode k, Uint16 mod = KMOD_NONE) {
    const DialogOutcome down = dialogKeyDown(state, k, mod, false);
    return down != DialogOutcome::Open ? down : dialogKeyUp(state, k);
}

TEST(DialogKeys, TabCyclesTheFocusAndSpacePressesOnRelease) {
    StartDialogState state;
    EXPECT_EQ(key(state, SDLK_SPACE), DialogOutcome::Open); // no focus: nothing
    EXPECT_FALSE(state.fullScreenChecked);
    key(state, SDLK_TAB);
    EXPECT_EQ(state.focus, DialogControl::FullScreen);
    EXPECT_EQ(dialogKeyDown(state, SDLK_SPACE, KMOD_NONE, false), DialogOutcome::Open);
    EXPECT_FALSE(state.fullScreenChecked);
    dialogKeyDown(state, SDLK_SPACE, KMOD_NONE, true); // auto-repeat
    EXPECT_EQ(dialogKeyUp(state, SDLK_SPACE), DialogOutcome::Open);
    EXPECT_TRUE(state.fullScreenChecked);
    for (const DialogControl next :
         {DialogControl::Ok, DialogControl::Exit, DialogControl::FullScreen}) {
        key(state, SDLK_TAB);
        EXPECT_EQ(state.focus, next);
    }
    key(state, SDLK_TAB, KMOD_LSHIFT);
    EXPECT_EQ(state.focus, DialogControl::Exit);
    EXPECT_EQ(key(state, SDLK_SPACE), DialogOutcome::Exit);

    StartDialogState fresh; // Shift+Tab from no focus goes to the last control
    key(fresh, SDLK_TAB, KMOD_RSHIFT);
    EXPECT_EQ(fresh.focus, DialogControl::Exit);
}

TEST(DialogKeys, EnterIsOkUnlessExitHasTheFocusAndEscLeavesItOpen) {
    StartDialogState state;
    EXPECT_EQ(dialogKeyDown(state, SDLK_RETURN, KMOD_NONE, false), DialogOutcome::Ok);
    state.focus = DialogControl::FullScreen;
    EXPECT_EQ(dialogKeyDown(state, SDLK_KP_ENTER, KMOD_NONE, false), DialogOutcome::Ok);
    state.focus = DialogControl::Exit;
    EXPECT_EQ(dialogKeyDown(state, SDLK_RETURN, KMOD_NONE, false), DialogOutcome::Exit);
    state.focus = DialogControl::Ok;
    for (const SDL_Keycode k : {SDLK_ESCAPE, SDLK_F4, SDLK_a, SDLK_LEFT}) {
        EXPECT_EQ(key(state, k), DialogOutcome::Open) << k;
    }
    EXPECT_EQ(key(state, SDLK_F4, KMOD_LALT), DialogOutcome::Open);
}

} // namespace
