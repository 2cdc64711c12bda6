// The window steps of the Win32 backend: the class and its window procedure, full screen (the
// desktop's own or a display mode), the window, pixel format and WGL context, message boxes.
#include "platform/held_keys.h"
#include "platform/pacing.h"
#include "platform/picture.h"
#include "platform/platform.h"
#include "platform/win32/win32_internal.h"

namespace {

const char* const className = "OpenGL";

struct Window {
    HINSTANCE instance = nullptr;
    HWND window = nullptr;
    HDC dc = nullptr;
    HGLRC context = nullptr;
    PIXELFORMATDESCRIPTOR request{};
    RECT desktop{};         // the monitor the desktop full screen covers
    bool probing = false;   // the desktop check's own window is being made or torn down
    bool minimised = false;
};

Window w;

// The keys the keyboard holds for the game, and the code each physical key (scan code with the
// extended flag) went down with, so that its key-up releases that code whatever NumLock or the
// modifiers say at release.
KeySource keyboard;
uintptr_t downWith[512];

unsigned physicalKey(LPARAM lParam) { return static_cast<unsigned>(lParam >> 16) & 0x1FF; }

// Extension entry points come from wglGetProcAddress; GL 1.1's own only from opengl32.dll.
void* glProc(const char* name) {
    void* found = reinterpret_cast<void*>(wglGetProcAddress(name));
    const intptr_t value = reinterpret_cast<intptr_t>(found);
    if (value >= -1 && value <= 3) {
        HMODULE gl = GetModuleHandleA("opengl32.dll");
        found = gl ? reinterpret_cast<void*>(GetProcAddress(gl, name)) : nullptr;
    }
    return found;
}

void postActivation(bool active) {
    win32Post(msgActivate, (w.minimised ? uintptr_t{1} << 16 : 0) | (active ? 1 : 0), 0);
}

void keyDown(WPARAM code, LPARAM lParam) {
    const unsigned key = physicalKey(lParam);
    uintptr_t vk = code & 0xFF;
    if (key) {
        if (downWith[key]) vk = downWith[key];  // a held key's repeat keeps its code
        downWith[key] = vk;
    }
    sourcePress(&keyboard, vk, win32Post);
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
    if (!sourceRelease(&keyboard, vk, win32Post)) win32Post(msgSysKeyUp, code & 0xFF, 0);
}

// Keys let go elsewhere send no key-up here.
void releaseKeyboard() {
    sourceReleaseAll(&keyboard, win32Post);
    for (uintptr_t& code : downWith) code = 0;
}

int makeProbeContext(HWND window, int width, int height, int bits) {
    HDC dc = GetDC(window);
    if (!dc) return 0;
    PIXELFORMATDESCRIPTOR pfd{};
    pfd.nSize = sizeof pfd;
    pfd.nVersion = 1;
    pfd.dwFlags = PFD_DRAW_TO_WINDOW | PFD_SUPPORT_OPENGL | PFD_DOUBLEBUFFER;
    pfd.iPixelType = PFD_TYPE_RGBA;
    pfd.cColorBits = 24;
    pfd.iLayerType = PFD_MAIN_PLANE;
    int offered = 0;
    const int format = ChoosePixelFormat(dc, &pfd);
    if (format && SetPixelFormat(dc, format, &pfd)) {
        if (HGLRC check = wglCreateContext(dc)) {
            if (wglMakeCurrent(dc, check)) {
                offered = pictureProbe(glProc, width, height, bits);
                wglMakeCurrent(nullptr, nullptr);
            }
            wglDeleteContext(check);
        }
    }
    ReleaseDC(window, dc);
    return offered;
}

}  // namespace

HWND win32GameWindow() { return w.window; }
HDC win32GameDC() { return w.dc; }

LRESULT CALLBACK win32WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (w.probing) return DefWindowProcA(window, message, wParam, lParam);
    switch (message) {
    case WM_KEYDOWN: keyDown(wParam, lParam); return 0;
    case WM_KEYUP: keyUp(wParam, lParam); return 0;
    // Keys pressed with Alt held, Alt itself and F10 are system keys, which the game ignores; the
    // system still gets them, for Alt+F4 (a WM_CLOSE) and the window menu.
    case WM_SYSKEYDOWN:
        win32Post(msgSysKeyDown, wParam & 0xFF, 0);
        break;
    case WM_SYSKEYUP:
        keyUp(wParam, lParam);
        break;
    case WM_KILLFOCUS: releaseKeyboard(); break;
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
        {
            // Scaled to fit, the game's picture keeps its own size whatever the window's.
            int width = LOWORD(lParam), height = HIWORD(lParam);
            pictureSize(width, height, &width, &height);
            win32Post(msgSize, 0, (static_cast<intptr_t>(height & 0xFFFF) << 16) | (width & 0xFFFF));
        }
        return 0;
    case WM_CLOSE: win32Post(msgClose, 0, 0); return 0;  // the game ends its loop, then destroys the window
    case WM_SYSCOMMAND:
        // Neither the screen saver nor the monitor's power-down starts while the game runs; the low
        // four bits are the system's own.
        if ((wParam & 0xFFF0) == SC_SCREENSAVE || (wParam & 0xFFF0) == SC_MONITORPOWER) return 0;
        // Alt alone or F10 would enter the window menu's modal loop and stop the game until the
        // next key; Alt+Space still opens the menu.
        if ((wParam & 0xFFF0) == SC_KEYMENU && lParam == 0) return 0;
        break;
    case WM_ERASEBKGND: return 1;  // every frame is drawn whole
    default: break;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

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

int win32ChangeDisplayMode(int width, int height, int bits) {
    DEVMODEA mode{};
    mode.dmSize = sizeof mode;
    mode.dmPelsWidth = static_cast<DWORD>(width);
    mode.dmPelsHeight = static_cast<DWORD>(height);
    mode.dmBitsPerPel = static_cast<DWORD>(bits);
    mode.dmFields = DM_BITSPERPEL | DM_PELSWIDTH | DM_PELSHEIGHT;
    return ChangeDisplaySettingsA(&mode, CDS_FULLSCREEN) == DISP_CHANGE_SUCCESSFUL ? 1 : 0;
}

// A borderless window covers the monitor at its own resolution and the game draws offscreen, so
// nothing about the display changes. That needs framebuffer objects, which only a context can tell;
// a pixel format is set once per window, so the check has a window of its own, made and dropped.
int win32CoverDesktop(int width, int height, int bits) {
    if (w.window) return 0;
    MONITORINFO monitor{};
    monitor.cbSize = sizeof monitor;
    if (!GetMonitorInfoA(MonitorFromPoint(POINT{0, 0}, MONITOR_DEFAULTTOPRIMARY), &monitor)) return 0;
    const RECT& screen = monitor.rcMonitor;
    if (screen.right - screen.left < width || screen.bottom - screen.top < height) return 0;
    w.probing = true;
    int offered = 0;
    if (HWND check = CreateWindowExA(0, className, "", WS_POPUP, 0, 0, 1, 1, nullptr, nullptr, w.instance, nullptr)) {
        offered = makeProbeContext(check, width, height, bits);
        DestroyWindow(check);
    }
    w.probing = false;
    if (!offered) return 0;
    w.desktop = screen;
    pictureChoose(width, height);
    return 1;
}

void win32RestoreDisplayMode() { ChangeDisplaySettingsA(nullptr, 0); }

void win32ShowCursor(int show) { ShowCursor(show ? TRUE : FALSE); }

// Full screen is a borderless window over the desktop or over the changed mode; windowed, a framed
// window whose client area is width x height, its outer corner at the screen's top-left.
int win32CreateWindow(const char* title, int width, int height, int fullscreen) {
    if (w.window) return 0;
    DWORD exStyle = WS_EX_APPWINDOW, style = WS_POPUP;
    RECT outer{0, 0, width, height};
    if (fullscreen && pictureChosen()) {
        outer = w.desktop;
    } else if (!fullscreen) {
        exStyle = WS_EX_APPWINDOW | WS_EX_WINDOWEDGE;
        style = WS_OVERLAPPEDWINDOW;
        AdjustWindowRectEx(&outer, style, FALSE, exStyle);
        OffsetRect(&outer, -outer.left, -outer.top);
    }
    w.window = CreateWindowExA(exStyle, className, title, style | WS_CLIPSIBLINGS | WS_CLIPCHILDREN, outer.left,
                               outer.top, outer.right - outer.left, outer.bottom - outer.top, nullptr, nullptr,
                               w.instance, nullptr);
    if (!w.window) pictureForget();
    return w.window ? 1 : 0;
}

int win32GetDeviceContext() {
    if (!w.window) return 0;
    w.dc = GetDC(w.window);
    return w.dc ? 1 : 0;
}

// On the desktop the request is also the offscreen picture's; the window keeps its depth buffer,
// since on a desktop of exactly the game's size the game draws straight into it.
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
    if (pictureChosen()) pictureFormat(bits, depthBits);
    return ChoosePixelFormat(w.dc, &pfd);
}

int win32SetPixelFormat(int format) { return w.dc && SetPixelFormat(w.dc, format, &w.request) ? 1 : 0; }

int win32CreateContext() {
    if (!w.dc || w.context) return 0;
    w.context = wglCreateContext(w.dc);
    return w.context ? 1 : 0;
}

// Vertical sync paces presenting where the driver offers and honours it; elsewhere the backend
// waits for the refresh itself. On the desktop the game's drawing goes to the picture from here on.
int win32MakeCurrent(int current) {
    if (!current) {
        if (w.context && wglGetCurrentContext() == w.context) pictureStop();
        return wglMakeCurrent(nullptr, nullptr) ? 1 : 0;
    }
    if (!w.dc || !w.context || !wglMakeCurrent(w.dc, w.context)) return 0;
    RECT client{};
    GetClientRect(w.window, &client);
    pictureStart(glProc, client.right - client.left, client.bottom - client.top);
    typedef BOOL(WINAPI * SwapIntervalProc)(int);
    const auto swapInterval = reinterpret_cast<SwapIntervalProc>(glProc("wglSwapIntervalEXT"));
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

int win32DestroyWindow() {
    if (!w.window) return 0;
    const BOOL destroyed = DestroyWindow(w.window);
    w.window = nullptr;
    pictureForget();
    return destroyed ? 1 : 0;
}

int win32UnregisterClass() { return UnregisterClassA(className, w.instance) ? 1 : 0; }

void win32ShowWindow() {
    if (!w.window) return;
    ShowWindow(w.window, SW_SHOW);
    SetForegroundWindow(w.window);
    SetFocus(w.window);
}

int win32ShowMessageBox(const char* text, const char* caption, unsigned style) {
    return MessageBoxA(nullptr, text, caption, style);
}

void win32SwapBuffers() {
    if (!w.dc) return;
    RECT client{};
    GetClientRect(w.window, &client);
    pictureToWindow(client.right - client.left, client.bottom - client.top);
    SwapBuffers(w.dc);
    pictureResume(client.right - client.left, client.bottom - client.top);
}
