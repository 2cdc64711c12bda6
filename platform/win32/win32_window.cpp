// The window steps of the Win32 backend: the class and its window procedure, full screen (the
// desktop's own or a display mode) and the window sized by the monitor's scale, the toggle between
// them, pixel format and WGL context, message boxes.
#include <algorithm>

#include "platform/held_keys.h"
#include "platform/pacing.h"
#include "platform/platform.h"
#include "platform/queue.h"
#include "platform/toggle_keys.h"
#include "platform/win32/win32_internal.h"

namespace {

const char* const className = "OpenGL";

// While the window is dragged or sized, or its window menu is open, this timer of the system's
// modal loop gives the game its turns: the picture follows the drag and the game's timers keep
// their pace.
constexpr UINT_PTR modalLoopTimer = 0x5A17;

// Full screen is a borderless window over the monitor; the window has a frame that sizes and maximises.
constexpr DWORD fullStyle = WS_POPUP;
constexpr DWORD framedStyle = WS_OVERLAPPEDWINDOW;

struct Window {
    HINSTANCE instance = nullptr;
    HWND window = nullptr;
    HDC dc = nullptr;
    HGLRC context = nullptr;
    PIXELFORMATDESCRIPTOR request{};
    bool minimised = false;
    // The game's size (the window's at 100 %) and the colour depth of --mode-switch's display mode.
    int gameWidth = 800;
    int gameHeight = 600;
    int gameBits = 16;
    bool modeSwitchAsked = false;
    bool modeChanged = false;  // the display is in the game's mode
    bool fullscreen = false;
    bool cursorHidden = false;
    // The window's place, size and maximised state from before it went full screen, and the scale
    // they were in.
    WINDOWPLACEMENT placement{};
    UINT placementDpi = USER_DEFAULT_SCREEN_DPI;
    bool placed = false;
};

Window w;

// The keys the keyboard holds for the game, and the code each physical key (scan code with the
// extended flag) went down with, so that its key-up releases that code whatever NumLock or the
// modifiers say at release.
KeySource keyboard;
uintptr_t downWith[512];
ToggleKeys toggleKeys;

unsigned physicalKey(LPARAM lParam) { return static_cast<unsigned>(lParam >> 16) & 0x1FF; }

// Windows 10's calls for a window's own scale, looked up once: older systems have neither.
typedef UINT(WINAPI* DpiForWindowProc)(HWND);
typedef BOOL(WINAPI* AdjustForDpiProc)(RECT*, DWORD, BOOL, DWORD, UINT);
struct DpiCalls {
    bool looked = false;
    DpiForWindowProc dpiForWindow = nullptr;
    AdjustForDpiProc adjustForDpi = nullptr;
};
DpiCalls dpiCalls;

void lookUpDpiCalls() {
    if (dpiCalls.looked) return;
    dpiCalls.looked = true;
    HMODULE user = GetModuleHandleA("user32.dll");
    if (!user) return;
    dpiCalls.dpiForWindow = reinterpret_cast<DpiForWindowProc>(
        reinterpret_cast<void (*)()>(GetProcAddress(user, "GetDpiForWindow")));
    dpiCalls.adjustForDpi = reinterpret_cast<AdjustForDpiProc>(
        reinterpret_cast<void (*)()>(GetProcAddress(user, "AdjustWindowRectExForDpi")));
}

// Dots per inch of the window's monitor, 96 being 100 %; before Windows 10 the system's one scale.
UINT windowDpi(HWND window) {
    lookUpDpiCalls();
    if (dpiCalls.dpiForWindow)
        if (const UINT dpi = dpiCalls.dpiForWindow(window)) return dpi;
    HDC screen = GetDC(nullptr);
    const int dpi = screen ? GetDeviceCaps(screen, LOGPIXELSX) : 0;
    if (screen) ReleaseDC(nullptr, screen);
    return dpi > 0 ? static_cast<UINT>(dpi) : USER_DEFAULT_SCREEN_DPI;
}

// The outer rectangle of a client rectangle, with the window's styles, its frame drawn at dpi.
RECT outerRect(HWND window, RECT client, UINT dpi) {
    const DWORD style = static_cast<DWORD>(GetWindowLongA(window, GWL_STYLE));
    const DWORD exStyle = static_cast<DWORD>(GetWindowLongA(window, GWL_EXSTYLE));
    lookUpDpiCalls();
    if (!dpiCalls.adjustForDpi || !dpiCalls.adjustForDpi(&client, style, FALSE, exStyle, dpi))
        AdjustWindowRectEx(&client, style, FALSE, exStyle);
    return client;
}

// The monitor the window is mostly on; the primary one before there is a window, and in the
// game's display mode, which is the primary's.
MONITORINFO monitorOf(HWND window) {
    MONITORINFO info{};
    info.cbSize = sizeof info;
    HMONITOR monitor = window && !w.modeChanged ? MonitorFromWindow(window, MONITOR_DEFAULTTONEAREST)
                                                : MonitorFromPoint(POINT{0, 0}, MONITOR_DEFAULTTOPRIMARY);
    if (!GetMonitorInfoA(monitor, &info)) {
        SetRect(&info.rcMonitor, 0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN));
        info.rcWork = info.rcMonitor;
    }
    return info;
}

// The window --window opens, and the toggle's first window: a client area of the game's size times
// the monitor's scale, as Windows scales its own programs, smaller where the work area cannot hold
// it with its frame, 4:3 kept; the frame's corner at the work area's top-left.
void placeDefault() {
    const UINT dpi = windowDpi(w.window);
    const RECT work = monitorOf(w.window).rcWork;
    const RECT frame = outerRect(w.window, RECT{0, 0, 0, 0}, dpi);
    const double roomWidth = (work.right - work.left) - (frame.right - frame.left);
    const double roomHeight = (work.bottom - work.top) - (frame.bottom - frame.top);
    const double scale = std::min({dpi / double(USER_DEFAULT_SCREEN_DPI), roomWidth / w.gameWidth,
                                   roomHeight / w.gameHeight});
    const int width = std::max(static_cast<int>(w.gameWidth * scale), 1);
    const int height = std::max(static_cast<int>(w.gameHeight * scale), 1);
    const RECT outer = outerRect(w.window, RECT{0, 0, width, height}, dpi);
    SetWindowPos(w.window, nullptr, work.left, work.top, outer.right - outer.left, outer.bottom - outer.top,
                 SWP_NOZORDER | SWP_NOACTIVATE | SWP_NOOWNERZORDER);
}

// Borderless over the whole monitor.
void coverMonitor() {
    const RECT screen = monitorOf(w.window).rcMonitor;
    SetWindowPos(w.window, HWND_TOP, screen.left, screen.top, screen.right - screen.left, screen.bottom - screen.top,
                 SWP_NOOWNERZORDER | SWP_FRAMECHANGED);
}

// Full screen drops the maximised state with the frame: kept, the window would still count as
// maximised, and the placement's maximise on the way back would find nothing to do.
void setStyle(bool framed) {
    DWORD style = static_cast<DWORD>(GetWindowLongA(w.window, GWL_STYLE));
    style = framed ? (style & ~fullStyle) | framedStyle : (style & ~(framedStyle | WS_MAXIMIZE)) | fullStyle;
    SetWindowLongA(w.window, GWL_STYLE, static_cast<LONG>(style));
}

bool changeMode() {
    DEVMODEA mode{};
    mode.dmSize = sizeof mode;
    mode.dmPelsWidth = static_cast<DWORD>(w.gameWidth);
    mode.dmPelsHeight = static_cast<DWORD>(w.gameHeight);
    mode.dmBitsPerPel = static_cast<DWORD>(w.gameBits);
    mode.dmFields = DM_BITSPERPEL | DM_PELSWIDTH | DM_PELSHEIGHT;
    w.modeChanged = ChangeDisplaySettingsA(&mode, CDS_FULLSCREEN) == DISP_CHANGE_SUCCESSFUL;
    return w.modeChanged;
}

// A rectangle of the framed window at fromDpi as large at toDpi: its client area scaled, the frame
// drawn at the new scale, the top-left corner kept.
RECT rescaled(RECT outer, UINT fromDpi, UINT toDpi) {
    const RECT frame = outerRect(w.window, RECT{0, 0, 0, 0}, fromDpi);
    const int width = MulDiv((outer.right - outer.left) - (frame.right - frame.left), toDpi, fromDpi);
    const int height = MulDiv((outer.bottom - outer.top) - (frame.bottom - frame.top), toDpi, fromDpi);
    const RECT grown = outerRect(w.window, RECT{0, 0, std::max(width, 1), std::max(height, 1)}, toDpi);
    return RECT{outer.left, outer.top, outer.left + grown.right - grown.left, outer.top + grown.bottom - grown.top};
}

// The saved placement, at the scale the window comes back to: the monitor's scale may have changed
// while the game was full screen.
void restorePlacement() {
    WINDOWPLACEMENT placement = w.placement;
    const UINT dpi = windowDpi(w.window);
    if (dpi != w.placementDpi) placement.rcNormalPosition = rescaled(placement.rcNormalPosition, w.placementDpi, dpi);
    SetWindowPlacement(w.window, &placement);
}

// Window steps, defined with the others below.
void win32RestoreDisplayMode();
void win32ShowCursor(int show);

// To the window: the desktop's mode comes back if it was changed, then the window's own place and
// size from before, or the default window the first time. To full screen: the game's display mode
// where the player asked for it and the display grants it, else the desktop's own. The same window
// and context throughout; the size message that follows gives the game its new client area.
void toggleFullscreen() {
    if (!w.window || !w.context) return;
    if (w.fullscreen) {
        win32RestoreDisplayMode();
        w.fullscreen = false;
        setStyle(true);
        if (w.placed)
            restorePlacement();
        else
            placeDefault();
        SetWindowPos(w.window, nullptr, 0, 0, 0, 0,
                     SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOOWNERZORDER | SWP_FRAMECHANGED);
        win32ShowCursor(1);
    } else {
        w.placement.length = sizeof w.placement;
        w.placed = GetWindowPlacement(w.window, &w.placement) != 0;
        w.placementDpi = windowDpi(w.window);
        if (w.modeSwitchAsked) changeMode();
        w.fullscreen = true;
        setStyle(false);
        coverMonitor();
        win32ShowCursor(0);
    }
}

// Alt+Enter and F11 (platform/toggle_keys.h); the keypad's Enter is Return with the extended flag.
// True when the key event was the toggle's, which the game must not see.
bool toggleKey(WPARAM code, LPARAM lParam, bool down) {
    ToggleKey key = toggleOtherKey;
    if (code == VK_F11) key = toggleF11;
    if (code == VK_RETURN) key = (lParam & (1 << 24)) ? toggleKeypadEnter : toggleReturn;
    const bool alt = (lParam & (1 << 29)) != 0;
    const bool repeat = (lParam & (1 << 30)) != 0;
    const ToggleAction action = toggleKeyEvent(&toggleKeys, key, down, alt, repeat);
    if (action == toggleSwitch) toggleFullscreen();
    return action != toggleNotMine;
}

void postSize(int width, int height) {
    queuePost(msgSize, 0, sizeParam(width, height));
}

void postActivation(bool active) {
    queuePost(msgActivate, activationParam(active, w.minimised), 0);
}

void keyDown(WPARAM code, LPARAM lParam) {
    const unsigned key = physicalKey(lParam);
    uintptr_t vk = code & 0xFF;
    if (key) {
        if (downWith[key]) vk = downWith[key];  // a held key's repeat keeps its code
        downWith[key] = vk;
    }
    sourcePress(&keyboard, vk, queuePost);
}

// Any key-up releases what its key-down held, also a WM_SYSKEYUP (a key pressed alone, released with
// Alt held); the key-up of a key the keyboard did not hold goes out as a system key's.
void keyUp(WPARAM code, LPARAM lParam) {
    const unsigned key = physicalKey(lParam);
    uintptr_t vk = code & 0xFF;
    if (key && downWith[key]) {
        vk = downWith[key];
        downWith[key] = 0;
    }
    if (!sourceRelease(&keyboard, vk, queuePost)) queuePost(msgSysKeyUp, code & 0xFF, 0);
}

// Keys let go elsewhere send no key-up here.
void releaseKeyboard() {
    sourceReleaseAll(&keyboard, queuePost);
    for (uintptr_t& code : downWith) code = 0;
    toggleKeysReset(&toggleKeys);
}

}  // namespace

HWND win32GameWindow() { return w.window; }
HDC win32GameDC() { return w.dc; }

LRESULT CALLBACK win32WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_KEYDOWN:
        if (!toggleKey(wParam, lParam, true)) keyDown(wParam, lParam);
        return 0;
    case WM_KEYUP:
        if (!toggleKey(wParam, lParam, false)) keyUp(wParam, lParam);
        return 0;
    // Keys pressed with Alt held, Alt itself and F10 are system keys, which the game ignores; the
    // system still gets them, for Alt+F4 (a WM_CLOSE) and the window menu.
    case WM_SYSKEYDOWN:
        if (toggleKey(wParam, lParam, true)) return 0;
        queuePost(msgSysKeyDown, wParam & 0xFF, 0);
        break;
    case WM_SYSKEYUP:
        if (toggleKey(wParam, lParam, false)) return 0;
        keyUp(wParam, lParam);
        break;
    case WM_SYSCHAR:
        if (wParam == '\r') return 0;  // Alt+Enter's character: the system would beep at it
        break;
    // The keyboard gone elsewhere pauses play, whether or not a deactivation comes with it.
    case WM_KILLFOCUS:
        releaseKeyboard();
        postActivation(false);
        break;
    case WM_ACTIVATE:
        w.minimised = HIWORD(wParam) != 0 || IsIconic(window);
        postActivation(LOWORD(wParam) != WA_INACTIVE);
        return 0;
    case WM_SIZE:
        // Restoring from the taskbar sends no second activation: the size says the window is back.
        if (wParam == SIZE_MINIMIZED) {
            w.minimised = true;
            postActivation(false);
            return 0;
        }
        if (w.minimised) {
            w.minimised = false;
            postActivation(true);
        }
        postSize(LOWORD(lParam), HIWORD(lParam));
        return 0;
    case WM_DPICHANGED:
        // Moved to a monitor of another scale, or the scale changed: the system's rectangle keeps the
        // window's size as the player sees it. Full screen stays over its monitor.
        if (!w.fullscreen) {
            const RECT* suggested = reinterpret_cast<const RECT*>(lParam);
            SetWindowPos(window, nullptr, suggested->left, suggested->top, suggested->right - suggested->left,
                         suggested->bottom - suggested->top, SWP_NOZORDER | SWP_NOACTIVATE | SWP_NOOWNERZORDER);
        }
        return 0;
    case WM_GETMINMAXINFO: {
        // The least window still shows a picture: a quarter of the game's size at the window's scale.
        const UINT dpi = windowDpi(window);
        const RECT least = outerRect(window, RECT{0, 0, MulDiv(w.gameWidth, dpi, 4 * USER_DEFAULT_SCREEN_DPI),
                                                  MulDiv(w.gameHeight, dpi, 4 * USER_DEFAULT_SCREEN_DPI)},
                                     dpi);
        reinterpret_cast<MINMAXINFO*>(lParam)->ptMinTrackSize = {least.right - least.left, least.bottom - least.top};
        return 0;
    }
    case WM_CLOSE: queuePost(msgClose, 0, 0); return 0;  // the game ends its loop, then destroys the window
    case WM_SYSCOMMAND:
        // Neither the screen saver nor the monitor's power-down starts while the game runs; the low
        // four bits are the system's own.
        if ((wParam & 0xFFF0) == SC_SCREENSAVE || (wParam & 0xFFF0) == SC_MONITORPOWER) return 0;
        // Alt alone or F10 would enter the window menu's modal loop and stop the game until the
        // next key; Alt+Space still opens the menu.
        if ((wParam & 0xFFF0) == SC_KEYMENU && lParam == 0) return 0;
        break;
    // A drag and the window menu (Alt+Space) each run a modal loop of the system's; its timer hands
    // the thread back to the game meanwhile.
    case WM_ENTERSIZEMOVE:
    case WM_ENTERMENULOOP: SetTimer(window, modalLoopTimer, USER_TIMER_MINIMUM, nullptr); return 0;
    case WM_EXITSIZEMOVE:
    case WM_EXITMENULOOP: KillTimer(window, modalLoopTimer); return 0;
    case WM_TIMER:
        if (wParam != modalLoopTimer) break;
        win32ResumeGame();
        return 0;
    case WM_ERASEBKGND: return 1;  // every frame is drawn whole
    case WM_PAINT:
        // The game draws only when its picture changes, so it is told; the area counts as painted.
        ValidateRect(window, nullptr);
        queuePost(msgPaint, 0, 0);
        return 0;
    default: break;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

namespace {

int win32RegisterClass() {
    w.instance = GetModuleHandleA(nullptr);
    WNDCLASSA wc{};
    wc.style = CS_HREDRAW | CS_VREDRAW | CS_OWNDC;
    wc.lpfnWndProc = win32WindowProc;
    wc.hInstance = w.instance;
    // The program's own icon, from its resources; the stock one where it has none.
    wc.hIcon = LoadIconA(w.instance, "BRINVALE");
    if (!wc.hIcon) wc.hIcon = LoadIconA(nullptr, IDI_WINLOGO);
    wc.hCursor = LoadCursorA(nullptr, IDC_ARROW);
    wc.lpszClassName = className;
    return RegisterClassA(&wc) ? 1 : 0;
}

// Remembered for the toggle, which goes back to the mode each time it goes full screen.
int win32ChangeDisplayMode(int width, int height, int bits) {
    w.modeSwitchAsked = true;
    w.gameWidth = width;
    w.gameHeight = height;
    w.gameBits = bits;
    return changeMode() ? 1 : 0;
}

// A borderless window covers the monitor at its own resolution and the game draws at that
// resolution, so nothing about the display changes.
int win32CoverDesktop(int width, int height, int) {
    if (w.window) return 0;
    w.gameWidth = width;
    w.gameHeight = height;
    const RECT screen = monitorOf(nullptr).rcMonitor;
    return screen.right - screen.left >= width && screen.bottom - screen.top >= height ? 1 : 0;
}

void win32RestoreDisplayMode() {
    if (!w.modeChanged) return;
    ChangeDisplaySettingsA(nullptr, 0);
    w.modeChanged = false;
}

// ShowCursor counts; the game's pointer is shown or hidden however often either is asked.
void win32ShowCursor(int show) {
    if (w.cursorHidden == !show) return;
    w.cursorHidden = !show;
    ShowCursor(show ? TRUE : FALSE);
}

// Full screen is a borderless window over the monitor, in the changed mode or the desktop's own;
// windowed, a framed window sized once its monitor's scale is known.
int win32CreateWindow(const char* title, int width, int height, int fullscreen) {
    if (w.window) return 0;
    w.gameWidth = width;
    w.gameHeight = height;
    w.fullscreen = fullscreen != 0;
    const RECT outer = fullscreen ? monitorOf(nullptr).rcMonitor : RECT{0, 0, width, height};
    const DWORD style = fullscreen ? fullStyle : framedStyle;
    w.window = CreateWindowExA(WS_EX_APPWINDOW, className, title, style | WS_CLIPSIBLINGS | WS_CLIPCHILDREN,
                               outer.left, outer.top, outer.right - outer.left, outer.bottom - outer.top, nullptr,
                               nullptr, w.instance, nullptr);
    if (w.window && !fullscreen) placeDefault();
    return w.window ? 1 : 0;
}

int win32GetDeviceContext() {
    if (!w.window) return 0;
    w.dc = GetDC(w.window);
    return w.dc ? 1 : 0;
}

int win32ChoosePixelFormat(int bits, int depthBits) {
    if (!w.dc) return 0;
    PIXELFORMATDESCRIPTOR& pfd = w.request;
    pfd = PIXELFORMATDESCRIPTOR{};
    pfd.nSize = sizeof pfd;
    pfd.nVersion = 1;
    pfd.dwFlags = PFD_DRAW_TO_WINDOW | PFD_SUPPORT_OPENGL | PFD_DOUBLEBUFFER;
    pfd.iPixelType = PFD_TYPE_RGBA;
    pfd.cColorBits = static_cast<BYTE>(bits);
    pfd.cDepthBits = static_cast<BYTE>(depthBits);
    pfd.iLayerType = PFD_MAIN_PLANE;
    return ChoosePixelFormat(w.dc, &pfd);
}

int win32SetPixelFormat(int format) { return w.dc && SetPixelFormat(w.dc, format, &w.request) ? 1 : 0; }

int win32CreateContext() {
    if (!w.dc || w.context) return 0;
    w.context = wglCreateContext(w.dc);
    return w.context ? 1 : 0;
}

// Vertical sync paces presenting where the driver offers and honours it; elsewhere the backend
// waits for the refresh itself.
int win32MakeCurrent(int current) {
    if (!current) return wglMakeCurrent(nullptr, nullptr) ? 1 : 0;
    if (!w.dc || !w.context || !wglMakeCurrent(w.dc, w.context)) return 0;
    typedef BOOL(WINAPI * SwapIntervalProc)(int);
    // Some drivers answer an unknown name with a small number instead of null.
    const intptr_t found = reinterpret_cast<intptr_t>(wglGetProcAddress("wglSwapIntervalEXT"));
    const auto swapInterval = found >= -1 && found <= 3 ? nullptr : reinterpret_cast<SwapIntervalProc>(found);
    const int syncAccepted = swapInterval && swapInterval(1);
    const int refresh = GetDeviceCaps(w.dc, VREFRESH);  // 0 and 1 mean the hardware's default
    pacingStart(syncAccepted, refresh > 1 ? refresh : 0);
    return 1;
}

int win32DeleteContext() {
    if (!w.context) return 0;
    const BOOL deleted = wglDeleteContext(w.context);
    w.context = nullptr;
    return deleted ? 1 : 0;
}

int win32ReleaseDeviceContext() {
    if (!w.window || !w.dc) return 0;
    const int released = ReleaseDC(w.window, w.dc);
    w.dc = nullptr;
    return released ? 1 : 0;
}

// A full screen the toggle reached puts the desktop back as well, which creation did not know of.
int win32DestroyWindow() {
    if (!w.window) return 0;
    win32RestoreDisplayMode();
    win32ShowCursor(1);
    const BOOL destroyed = DestroyWindow(w.window);
    w.window = nullptr;
    w.placed = false;
    return destroyed ? 1 : 0;
}

int win32UnregisterClass() { return UnregisterClassA(className, w.instance) ? 1 : 0; }

// Creation set the viewport for the size the game asked for; the window shows at its own.
void win32ShowWindow() {
    if (!w.window) return;
    ShowWindow(w.window, SW_SHOW);
    SetForegroundWindow(w.window);
    SetFocus(w.window);
    RECT client{};
    if (GetClientRect(w.window, &client)) postSize(client.right - client.left, client.bottom - client.top);
}

// The primary monitor, where the window opens, in physical pixels (the manifest's DPI awareness).
void win32DisplaySize(int* width, int* height) {
    *width = GetSystemMetrics(SM_CXSCREEN);
    *height = GetSystemMetrics(SM_CYSCREEN);
}

}  // namespace

const WindowSteps win32WindowSteps = {
    win32RegisterClass,
    win32ChangeDisplayMode,
    win32RestoreDisplayMode,
    win32ShowCursor,
    win32CreateWindow,
    win32GetDeviceContext,
    win32ChoosePixelFormat,
    win32SetPixelFormat,
    win32CreateContext,
    win32MakeCurrent,
    win32DeleteContext,
    win32ReleaseDeviceContext,
    win32DestroyWindow,
    win32UnregisterClass,
    win32ShowWindow,
    win32CoverDesktop,
    win32DisplaySize,
    nullptr,
};

int win32ShowMessageBox(const char* text, const char* caption, unsigned style) {
    return MessageBoxA(nullptr, text, caption, style);
}
