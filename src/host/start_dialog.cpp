#include "host/start_dialog.h"

#include <SDL2/SDL.h>
#include <SDL2/SDL_ttf.h>

#include <cmath>
#include <cstdio>

#include "host/main_loop.h"
#include "host/video_driver.h"
#include "host/wait_event.h"
#include "timeline/startup.h"

namespace {

// MulDiv(value, base, divisor), rounding halves away from zero, as dialog units map.
int mapUnits(int value, int base, int divisor) {
    return (2 * value * base + divisor) / (2 * divisor);
}

DialogRect mapRect(const DialogRect& units) {
    const int left = mapUnits(units.x, kDialogBaseX, 4);
    const int top = mapUnits(units.y, kDialogBaseY, 8);
    const int right = mapUnits(units.x + units.width, kDialogBaseX, 4);
    const int bottom = mapUnits(units.y + units.height, kDialogBaseY, 8);
    return {left, top, right - left, bottom - top};
}

const DialogControl kTabOrder[] = {DialogControl::FullScreen, DialogControl::Ok,
                                   DialogControl::Exit};

DialogOutcome activate(StartDialogState& state, DialogControl control) {
    switch (control) {
    case DialogControl::FullScreen:
        state.fullScreenChecked = !state.fullScreenChecked;
        return DialogOutcome::Open;
    case DialogControl::Ok:
        return DialogOutcome::Ok;
    case DialogControl::Exit:
        return DialogOutcome::Exit;
    case DialogControl::None:
        break;
    }
    return DialogOutcome::Open;
}

void moveFocus(StartDialogState& state, bool backwards) {
    const int count = 3;
    int index = -1;
    for (int i = 0; i < count; ++i) {
        if (kTabOrder[i] == state.focus) {
            index = i;
        }
    }
    if (index < 0) {
        index = backwards ? count - 1 : 0;
    } else {
        index = (index + (backwards ? count - 1 : 1)) % count;
    }
    state.focus = kTabOrder[index];
    state.pressed = DialogControl::None;
}

// ---- drawing ----------------------------------------------------------------------

constexpr SDL_Color kFace = {240, 240, 240, 255};
constexpr SDL_Color kCheckedFace = {204, 204, 204, 255};
constexpr SDL_Color kFrame = {112, 112, 112, 255};
constexpr SDL_Color kDefaultFrame = {0, 0, 0, 255};
constexpr SDL_Color kText = {0, 0, 0, 255};

const char* const kFontPaths[] = {
    "/usr/share/fonts/truetype/liberation2/LiberationSans-Regular.ttf",
    "/usr/share/fonts/truetype/liberation/LiberationSans-Regular.ttf",
};

struct DialogResources {
    SDL_Window* window = nullptr;
    SDL_Renderer* renderer = nullptr;
    SDL_Texture* picture = nullptr;
    int pictureWidth = 0;
    int pictureHeight = 0;
    TTF_Font* font = nullptr;
    bool ttfStarted = false;
    SDL_Texture* labels[3] = {};
    int labelWidth[3] = {};
    int labelHeight[3] = {};
};

void setColor(SDL_Renderer* renderer, SDL_Color color) {
    SDL_SetRenderDrawColor(renderer, color.r, color.g, color.b, color.a);
}

SDL_Rect toSdl(const DialogRect& rect) {
    return {rect.x, rect.y, rect.width, rect.height};
}

// An abstract yellow-green picture of the start picture's size, for when the data set
// holds none.
SDL_Surface* makeStandInPicture() {
    SDL_Surface* surface = SDL_CreateRGBSurfaceWithFormat(
        0, kStartPictureWidth, kStartPictureHeight, 24, SDL_PIXELFORMAT_RGB24);
    if (surface == nullptr) {
        return nullptr;
    }
    auto* pixels = static_cast<Uint8*>(surface->pixels);
    for (int y = 0; y < kStartPictureHeight; ++y) {
        Uint8* row = pixels + y * surface->pitch;
        for (int x = 0; x < kStartPictureWidth; ++x) {
            const double fx = x * 0.021;
            const double fy = y * 0.027;
            double v = std::sin(fx * 1.7 + std::sin(fy * 2.3) * 2.1) *
                       std::cos(fy * 1.9 + std::sin(fx * 1.3 + 0.7) * 1.8);
            v = v * v;
            row[x * 3 + 0] = static_cast<Uint8>(200.0 * v);
            row[x * 3 + 1] = static_cast<Uint8>(235.0 * v);
            row[x * 3 + 2] = static_cast<Uint8>(40.0 * v);
        }
    }
    return surface;
}

void loadPicture(DialogResources& res) {
    const std::string path = dataPath("start.bmp");
    SDL_Surface* surface = SDL_LoadBMP(path.c_str());
    if (surface == nullptr) {
        surface = makeStandInPicture();
    }
    if (surface == nullptr) {
        return;
    }
    res.pictureWidth = surface->w;
    res.pictureHeight = surface->h;
    res.picture = SDL_CreateTextureFromSurface(res.renderer, surface);
    SDL_FreeSurface(surface);
}

void loadLabels(DialogResources& res) {
    if (TTF_Init() != 0) {
        std::fprintf(stderr, "quorlith: no text in the start dialog (%s)\n", TTF_GetError());
        return;
    }
    res.ttfStarted = true;
    for (const char* path : kFontPaths) {
        res.font = TTF_OpenFontDPI(path, 8, 96, 96);
        if (res.font != nullptr) {
            break;
        }
    }
    if (res.font == nullptr) {
        std::fprintf(stderr,
                     "quorlith: no text in the start dialog: Liberation Sans not found (%s)\n",
                     kFontPaths[0]);
        return;
    }
    const char* const texts[3] = {"FullScreen", "OK", "Exit"};
    for (int i = 0; i < 3; ++i) {
        SDL_Surface* surface = TTF_RenderUTF8_Blended(res.font, texts[i], kText);
        if (surface == nullptr) {
            continue;
        }
        res.labelWidth[i] = surface->w;
        res.labelHeight[i] = surface->h;
        res.labels[i] = SDL_CreateTextureFromSurface(res.renderer, surface);
        SDL_FreeSurface(surface);
    }
}

void releaseResources(DialogResources& res) {
    for (SDL_Texture* label : res.labels) {
        if (label != nullptr) {
            SDL_DestroyTexture(label);
        }
    }
    if (res.font != nullptr) {
        TTF_CloseFont(res.font);
    }
    if (res.ttfStarted) {
        TTF_Quit();
    }
    if (res.picture != nullptr) {
        SDL_DestroyTexture(res.picture);
    }
    if (res.renderer != nullptr) {
        SDL_DestroyRenderer(res.renderer);
    }
    if (res.window != nullptr) {
        SDL_DestroyWindow(res.window);
    }
    res = DialogResources{};
}

void drawFocusRect(SDL_Renderer* renderer, const DialogRect& control) {
    const int left = control.x + 3;
    const int top = control.y + 3;
    const int right = control.x + control.width - 4;
    const int bottom = control.y + control.height - 4;
    setColor(renderer, kText);
    for (int x = left; x <= right; x += 2) {
        SDL_RenderDrawPoint(renderer, x, top);
        SDL_RenderDrawPoint(renderer, x, bottom);
    }
    for (int y = top; y <= bottom; y += 2) {
        SDL_RenderDrawPoint(renderer, left, y);
        SDL_RenderDrawPoint(renderer, right, y);
    }
}

void drawButton(const DialogResources& res, const DialogRect& rect, int label, bool sunken,
                bool checked, bool focused, bool isDefault) {
    SDL_Renderer* renderer = res.renderer;
    const SDL_Rect outer = toSdl(rect);
    setColor(renderer, checked || sunken ? kCheckedFace : kFace);
    SDL_RenderFillRect(renderer, &outer);
    setColor(renderer, isDefault ? kDefaultFrame : kFrame);
    SDL_RenderDrawRect(renderer, &outer);
    if (sunken || checked) {
        const SDL_Rect inner = {rect.x + 1, rect.y + 1, rect.width - 2, rect.height - 2};
        setColor(renderer, kFrame);
        SDL_RenderDrawRect(renderer, &inner);
    }
    if (res.labels[label] != nullptr) {
        const int shift = sunken ? 1 : 0;
        const SDL_Rect where = {rect.x + (rect.width - res.labelWidth[label]) / 2 + shift,
                                rect.y + (rect.height - res.labelHeight[label]) / 2 + shift,
                                res.labelWidth[label], res.labelHeight[label]};
        SDL_RenderCopy(renderer, res.labels[label], nullptr, &where);
    }
    if (focused) {
        drawFocusRect(renderer, rect);
    }
}

void drawDialog(const DialogResources& res, const StartDialogLayout& layout,
                const StartDialogState& state) {
    SDL_Renderer* renderer = res.renderer;
    setColor(renderer, kFace);
    SDL_RenderClear(renderer);

    // The picture control: a 1-pixel border, the picture centred at its real size.
    const SDL_Rect frame = toSdl(layout.picture);
    setColor(renderer, kDefaultFrame);
    SDL_RenderDrawRect(renderer, &frame);
    if (res.picture != nullptr) {
        const SDL_Rect inner = {frame.x + 1, frame.y + 1, frame.w - 2, frame.h - 2};
        const SDL_Rect where = {inner.x + (inner.w - res.pictureWidth) / 2,
                                inner.y + (inner.h - res.pictureHeight) / 2, res.pictureWidth,
                                res.pictureHeight};
        SDL_RenderSetClipRect(renderer, &inner);
        SDL_RenderCopy(renderer, res.picture, nullptr, &where);
        SDL_RenderSetClipRect(renderer, nullptr);
    }

    auto sunken = [&state](DialogControl control) {
        return state.pressed == control && (!state.pressedByMouse || state.pointerInside);
    };
    drawButton(res, layout.fullScreen, 0, sunken(DialogControl::FullScreen),
               state.fullScreenChecked, state.focus == DialogControl::FullScreen, false);
    drawButton(res, layout.ok, 1, sunken(DialogControl::Ok), false,
               state.focus == DialogControl::Ok, state.focus != DialogControl::Exit);
    drawButton(res, layout.exit, 2, sunken(DialogControl::Exit), false,
               state.focus == DialogControl::Exit, state.focus == DialogControl::Exit);
    SDL_RenderPresent(renderer);
}

DialogOutcome handleEvent(StartDialogState& state, const StartDialogLayout& layout, Uint32 windowId,
                          const SDL_Event& event) {
    switch (event.type) {
    case SDL_MOUSEBUTTONDOWN:
        if (event.button.windowID == windowId && event.button.button == SDL_BUTTON_LEFT) {
            return dialogMouseDown(state, layout, event.button.x, event.button.y);
        }
        break;
    case SDL_MOUSEMOTION:
        if (event.motion.windowID == windowId) {
            dialogMouseMove(state, layout, event.motion.x, event.motion.y);
        }
        break;
    case SDL_MOUSEBUTTONUP:
        if (event.button.windowID == windowId && event.button.button == SDL_BUTTON_LEFT) {
            return dialogMouseUp(state, layout, event.button.x, event.button.y);
        }
        break;
    case SDL_KEYDOWN:
        return dialogKeyDown(state, event.key.keysym.sym, event.key.keysym.mod,
                             event.key.repeat != 0);
    case SDL_KEYUP:
        return dialogKeyUp(state, event.key.keysym.sym);
    case SDL_QUIT:
        // A signal (Ctrl+C, a shutdown) asks the program to end; closing the dialog does
        // not arrive here.
        endProcess();
    default:
        break;
    }
    return DialogOutcome::Open;
}

} // namespace

StartDialogLayout startDialogLayout() {
    return {mapRect(kStartDialogUnits.client), mapRect(kStartDialogUnits.picture),
            mapRect(kStartDialogUnits.fullScreen), mapRect(kStartDialogUnits.ok),
            mapRect(kStartDialogUnits.exit)};
}

DialogControl controlAt(const StartDialogLayout& layout, int x, int y) {
    if (layout.fullScreen.contains(x, y)) {
        return DialogControl::FullScreen;
    }
    if (layout.ok.contains(x, y)) {
        return DialogControl::Ok;
    }
    if (layout.exit.contains(x, y)) {
        return DialogControl::Exit;
    }
    return DialogControl::None;
}

DialogOutcome dialogMouseDown(StartDialogState& state, const StartDialogLayout& layout, int x,
                              int y) {
    const DialogControl control = controlAt(layout, x, y);
    if (control != DialogControl::None) {
        state.focus = control;
        state.pressed = control;
        state.pressedByMouse = true;
        state.pointerInside = true;
    }
    return DialogOutcome::Open;
}

void dialogMouseMove(StartDialogState& state, const StartDialogLayout& layout, int x, int y) {
    if (state.pressed != DialogControl::None && state.pressedByMouse) {
        state.pointerInside = controlAt(layout, x, y) == state.pressed;
    }
}

DialogOutcome dialogMouseUp(StartDialogState& state, const StartDialogLayout& layout, int x,
                            int y) {
    if (state.pressed == DialogControl::None || !state.pressedByMouse) {
        return DialogOutcome::Open;
    }
    const DialogControl pressed = state.pressed;
    state.pressed = DialogControl::None;
    state.pressedByMouse = false;
    if (controlAt(layout, x, y) != pressed) {
        return DialogOutcome::Open;
    }
    return activate(state, pressed);
}

DialogOutcome dialogKeyDown(StartDialogState& state, SDL_Keycode key, Uint16 modifiers,
                            bool repeat) {
    switch (key) {
    case SDLK_TAB:
        moveFocus(state, (modifiers & KMOD_SHIFT) != 0);
        return DialogOutcome::Open;
    case SDLK_SPACE:
        if (!repeat && state.focus != DialogControl::None && state.pressed == DialogControl::None) {
            state.pressed = state.focus;
            state.pressedByMouse = false;
        }
        return DialogOutcome::Open;
    case SDLK_RETURN:
    case SDLK_KP_ENTER:
        if (repeat) {
            return DialogOutcome::Open;
        }
        return state.focus == DialogControl::Exit ? DialogOutcome::Exit : DialogOutcome::Ok;
    default:
        return DialogOutcome::Open;
    }
}

DialogOutcome dialogKeyUp(StartDialogState& state, SDL_Keycode key) {
    if (key != SDLK_SPACE || state.pressed == DialogControl::None || state.pressedByMouse) {
        return DialogOutcome::Open;
    }
    const DialogControl pressed = state.pressed;
    state.pressed = DialogControl::None;
    return activate(state, pressed);
}

void applyStartChoice(DemoWindow& window, bool fullScreenChecked) {
    if (!fullScreenChecked) {
        window.fullScreen = 0;
    }
    window.colorBits = kDemoColorBits;
    window.width = kDemoWidth;
    window.height = kDemoHeight;
}

bool runStartDialog(DemoWindow& window) {
    if (!startVideo(VideoUse::Live)) {
        std::fprintf(stderr,
                     "quorlith: the start dialog cannot be shown (%s); full screen stands\n",
                     SDL_GetError());
        return false;
    }
    const StartDialogLayout layout = startDialogLayout();
    DialogResources res;
    res.window =
        SDL_CreateWindow("", SDL_WINDOWPOS_CENTERED, SDL_WINDOWPOS_CENTERED, layout.client.width,
                         layout.client.height, SDL_WINDOW_SHOWN | SDL_WINDOW_ALWAYS_ON_TOP);
    if (res.window != nullptr) {
        // Plain software drawing into the window: no GL context for a small 2D window
        // (which would also make SDL re-create the window behind it).
        SDL_SetHint(SDL_HINT_FRAMEBUFFER_ACCELERATION, "0");
        res.renderer = SDL_CreateRenderer(res.window, -1, SDL_RENDERER_SOFTWARE);
    }
    if (res.renderer == nullptr) {
        std::fprintf(stderr,
                     "quorlith: the start dialog cannot be shown (%s); full screen stands\n",
                     SDL_GetError());
        releaseResources(res);
        SDL_QuitSubSystem(SDL_INIT_VIDEO);
        return false;
    }
    loadPicture(res);
    loadLabels(res);
    SDL_RaiseWindow(res.window);

    const Uint32 windowId = SDL_GetWindowID(res.window);
    StartDialogState state;
    DialogOutcome outcome = DialogOutcome::Open;
    drawDialog(res, layout, state);
    while (outcome == DialogOutcome::Open) {
        SDL_Event event;
        if (!waitForEvent(event)) {
            continue;
        }
        outcome = handleEvent(state, layout, windowId, event);
        if (outcome == DialogOutcome::Exit) {
            endProcess();
        }
        drawDialog(res, layout, state);
    }
    const bool checked = state.fullScreenChecked;
    releaseResources(res);
    SDL_QuitSubSystem(SDL_INIT_VIDEO);
    applyStartChoice(window, checked);
    return true;
}
