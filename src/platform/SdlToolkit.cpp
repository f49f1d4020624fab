// SPDX-License-Identifier: GPL-3.0-or-later
// SdlToolkit: SDL windows, drawing of the forms, event translation and the blocking wait.
//
// Index:
//   - font lookup
//   - set-up and windows
//   - drawing
//   - events and waiting
//   - message boxes
//   - keyboard and joystick
#include "platform/SdlToolkit.h"

#include <SDL_syswm.h>
#ifndef _WIN32
#include <fontconfig/fontconfig.h>
#include <poll.h>
#endif

#include <algorithm>
#include <climits>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <utility>

#include "container/Error.h"
#include "platform/Keys.h"
#include "platform/LegacyTitle.h"
#include "platform/SdlWindowPresenter.h"
#include "settings/Paths.h"

namespace vl::platform {

namespace {
constexpr int kFontPointSize = 10; // fills a 13-pixel list row
constexpr Uint32 kFormColour = 0xF0F0F0, kListColour = 0xFFFFFF, kFrameColour = 0x7A7A7A,
                 kSelectionColour = 0x0078D7;

void Fill(SDL_Surface* s, int x, int y, int w, int h, Uint32 rgb) {
    SDL_Rect r{x, y, w, h};
    SDL_FillRect(s, &r, SDL_MapRGB(s->format, (rgb >> 16) & 0xFF, (rgb >> 8) & 0xFF, rgb & 0xFF));
}
#ifdef _WIN32
// X11's older title and its error handler: nothing of the kind on Windows.
void SetLegacyWindowName(SDL_Window* /*window*/, const std::string& /*utf8*/) {}
void InstallXErrorFilter() {}
void RemoveXErrorFilter() {}
#else
// X11 keeps two titles: _NET_WM_NAME in UTF-8, which SDL sets right, and the older
// WM_NAME, whose bytes are read by their type (Latin-1 for STRING), but which SDL fills
// with UTF-8 or locale bytes, so that window managers and tools reading it see
// "HlavnÃ\u00ad menu" or "Pr?vodce zvuky". We set WM_NAME ourselves, as Latin-1 or compound
// text (EncodeLegacyTitle). Xlib is reached through SDL's loader: SDL has loaded it already
// and the program does not link it itself.
void SetLegacyWindowName(SDL_Window* window, const std::string& utf8) {
    SDL_SysWMinfo info;
    SDL_VERSION(&info.version);
    if (!SDL_GetWindowWMInfo(window, &info) || info.subsystem != SDL_SYSWM_X11) return;
    void* xlib = SDL_LoadObject("libX11.so.6");
    if (!xlib) return;
    using ChangeProperty =
        int (*)(Display*, ::Window, Atom, Atom, int, int, const unsigned char*, int);
    using InternAtom = Atom (*)(Display*, const char*, int);
    using Flush = int (*)(Display*);
    auto change = reinterpret_cast<ChangeProperty>(SDL_LoadFunction(xlib, "XChangeProperty"));
    auto intern = reinterpret_cast<InternAtom>(SDL_LoadFunction(xlib, "XInternAtom"));
    auto flush = reinterpret_cast<Flush>(SDL_LoadFunction(xlib, "XFlush"));
    if (change && intern && flush) {
        const LegacyTitle title = EncodeLegacyTitle(utf8);
        Display* display = info.info.x11.display;
        constexpr Atom kWmName = 39, kString = 31; // predefined atoms XA_WM_NAME, XA_STRING
        const Atom type = title.compound ? intern(display, "COMPOUND_TEXT", 0) : kString;
        change(display, info.info.x11.window, kWmName, type, 8, 0 /* PropModeReplace */,
               reinterpret_cast<const unsigned char*>(title.bytes.data()),
               static_cast<int>(title.bytes.size()));
        flush(display);
    }
    SDL_UnloadObject(xlib); // SDL holds its own reference
}

// FIXME: works around SDL 2.26's event wait. SDL wakes the wait by sending a message to our
// newest window over a second connection of its own, and it sends one whenever it queues
// an event during the wait. The last one, sent just before the program ends, can reach the
// server after the main connection has destroyed our windows; the server answers BadWindow
// on that second connection, SDL reads the answer only when it closes it, and Xlib's
// default answer to an error ends the process with exit code 1. That error is harmless —
// the wait it was meant to end is over — so it is dropped; every other error goes to the
// handler that was there before. The filter must be in place before SDL starts its video:
// SDL chains to the handler it found, and puts that one back just before it closes the
// second connection. Xlib keeps one handler for the whole process, hence the one static.
using XErrorHandlerFn = int (*)(Display*, XErrorEvent*);
using SetXErrorHandlerFn = XErrorHandlerFn (*)(XErrorHandlerFn);
XErrorHandlerFn gPreviousXErrorHandler = nullptr;

int DropStaleWakeupError(Display* display, XErrorEvent* error) {
    constexpr unsigned char kBadWindow = 3, kSendEvent = 25; // Xproto's codes
    if (error->error_code == kBadWindow && error->request_code == kSendEvent) return 0;
    return gPreviousXErrorHandler ? gPreviousXErrorHandler(display, error) : 0;
}

// Xlib's XSetErrorHandler, or null where there is no Xlib. Xlib stays loaded: SDL links it.
SetXErrorHandlerFn XlibSetErrorHandler() {
    void* xlib = SDL_LoadObject("libX11.so.6");
    if (!xlib) {
        SDL_ClearError(); // no Xlib is no failure: another video system is in use
        return nullptr;
    }
    return reinterpret_cast<SetXErrorHandlerFn>(SDL_LoadFunction(xlib, "XSetErrorHandler"));
}

void InstallXErrorFilter() {
    if (gPreviousXErrorHandler) return;
    if (const SetXErrorHandlerFn set = XlibSetErrorHandler())
        gPreviousXErrorHandler = set(DropStaleWakeupError);
}

void RemoveXErrorFilter() {
    if (!gPreviousXErrorHandler) return;
    if (const SetXErrorHandlerFn set = XlibSetErrorHandler()) set(gPreviousXErrorHandler);
    gPreviousXErrorHandler = nullptr;
}
#endif

} // namespace

// ---- font lookup ----------------------------------------------------------------------

std::string FindSansSerifFont() {
#ifdef _WIN32
    // The release carries its font beside the program: Windows has no fontconfig.
    std::string path;
    if (char* base = SDL_GetBasePath()) {
        path = std::string(base) + kBundledFont;
        SDL_free(base);
    }
    return path;
#else
    std::string path;
    FcConfig* config = FcInitLoadConfigAndFonts();
    if (!config) return path;
    FcPattern* pattern = FcNameParse(reinterpret_cast<const FcChar8*>("sans-serif"));
    if (pattern) {
        FcConfigSubstitute(config, pattern, FcMatchPattern);
        FcDefaultSubstitute(pattern);
        FcResult result = FcResultNoMatch;
        if (FcPattern* match = FcFontMatch(config, pattern, &result)) {
            FcChar8* file = nullptr;
            if (FcPatternGetString(match, FC_FILE, 0, &file) == FcResultMatch && file)
                path = reinterpret_cast<const char*>(file);
            FcPatternDestroy(match);
        }
        FcPatternDestroy(pattern);
    }
    FcConfigDestroy(config);
    return path;
#endif
}

// ---- set-up and windows ---------------------------------------------------------------

SdlToolkit::SdlToolkit(IClock& clock) : Toolkit(clock) {
    // Our forms close themselves: the last window's close button must not quit SDL.
    SDL_SetHint(SDL_HINT_QUIT_ON_LAST_WINDOW_CLOSE, "0");
    // Window surfaces stay plain memory: an accelerated one would make SDL re-create each
    // window for OpenGL on its first paint, dropping the title we set (see above).
    SDL_SetHint(SDL_HINT_FRAMEBUFFER_ACCELERATION, "0");
    // Without WAYLAND_DISPLAY and XDG_RUNTIME_DIR no Wayland display can be reached, and
    // libwayland says so on standard error when SDL tries it anyway: leave it out then.
#ifndef _WIN32
    if (SDL_getenv("SDL_VIDEODRIVER") == nullptr && SDL_getenv("WAYLAND_DISPLAY") == nullptr &&
        SDL_getenv("XDG_RUNTIME_DIR") == nullptr)
        SDL_SetHint(SDL_HINT_VIDEODRIVER, "x11,offscreen,dummy");
#endif
    InstallXErrorFilter();
    if (SDL_InitSubSystem(SDL_INIT_VIDEO) != 0) {
        RemoveXErrorFilter();
        throw Error(std::string("Video cannot be initialized: ") + SDL_GetError());
    }
    // With no display to reach, SDL falls back to its windowless drivers on its own; the
    // program would then run with nobody able to see or focus it. Only an explicit choice
    // (SDL_VIDEODRIVER) may select one of them.
    if (const char* driver = SDL_GetCurrentVideoDriver();
        driver != nullptr && SDL_getenv("SDL_VIDEODRIVER") == nullptr &&
        (SDL_strcasecmp(driver, "offscreen") == 0 || SDL_strcasecmp(driver, "dummy") == 0)) {
        SDL_QuitSubSystem(SDL_INIT_VIDEO);
        RemoveXErrorFilter();
        throw Error("Video cannot be initialized: no display is available (is DISPLAY set?)");
    }
    SDL_InitSubSystem(SDL_INIT_JOYSTICK); // no joystick support is no failure
    // Game controllers come as events, those present at start too (SDL_CONTROLLERDEVICEADDED).
    SDL_InitSubSystem(SDL_INIT_GAMECONTROLLER);
    if (TTF_Init() == 0) {
        fontPath_ = FindSansSerifFont();
        if (!fontPath_.empty()) font_ = TTF_OpenFont(fontPath_.c_str(), kFontPointSize);
    }
    SDL_StartTextInput();
}

SdlToolkit::~SdlToolkit() {
    for (SDL_Joystick* j : joysticks_)
        if (j) SDL_JoystickClose(j);
    for (const auto& [id, pad] : pads_) SDL_GameControllerClose(pad);
    for (Window& w : windows_)
        if (w.sdl) SDL_DestroyWindow(w.sdl);
    if (font_) TTF_CloseFont(font_);
    if (TTF_WasInit()) TTF_Quit();
    SDL_QuitSubSystem(SDL_INIT_JOYSTICK);
    SDL_QuitSubSystem(SDL_INIT_VIDEO);
    RemoveXErrorFilter();
}

SdlToolkit::Window* SdlToolkit::Find(uint32_t windowId) {
    for (Window& w : windows_)
        if (w.sdl && SDL_GetWindowID(w.sdl) == windowId) return &w;
    return nullptr;
}

SdlToolkit::Window* SdlToolkit::Find(const Form& form) {
    for (Window& w : windows_)
        if (w.form == &form) return &w;
    return nullptr;
}

const SdlToolkit::Window* SdlToolkit::Find(const Form& form) const {
    for (const Window& w : windows_)
        if (w.form == &form) return &w;
    return nullptr;
}

std::unique_ptr<IPresenter> SdlToolkit::CreatePresenter(Form& form) {
    const Window* w = Find(form);
    return std::make_unique<SdlWindowPresenter>(form, w ? w->sdl : nullptr,
                                                w ? w->paints : nullptr);
}

SDL_Window* SdlToolkit::WindowOf(const Form& form) const {
    const Window* w = Find(form);
    return w ? w->sdl : nullptr;
}

namespace {
#ifdef _WIN32
int WindowSystemSocket(SDL_Window* /*window*/) {
    return -1;
}
#else
// The X connection's socket of a window on X11, or -1.
int WindowSystemSocket(SDL_Window* window) {
    SDL_SysWMinfo info;
    SDL_VERSION(&info.version);
    if (!SDL_GetWindowWMInfo(window, &info) || info.subsystem != SDL_SYSWM_X11) return -1;
    return ConnectionNumber(info.info.x11.display); // a field of the display: no call
}
#endif
} // namespace

void SdlToolkit::BackendCreateWindow(Form& form) {
    Window w;
    w.form = &form;
    w.sdl = SDL_CreateWindow(form.Caption().c_str(), form.Left(), form.Top(), form.ClientWidth(),
                             form.ClientHeight(), SDL_WINDOW_HIDDEN);
    if (!w.sdl) throw Error(std::string("Window cannot be created: ") + SDL_GetError());
    SetLegacyWindowName(w.sdl, form.Caption());
    windows_.push_back(w);
    if (windowSystemSocket_ < 0) windowSystemSocket_ = WindowSystemSocket(w.sdl);
    if (iconSize_ > 0) SetApplicationIcon(iconSize_, iconPixels_);
}

void SdlToolkit::SetApplicationIcon(int size, std::span<const uint8_t> rgba) {
    if (size <= 0 || rgba.size() != static_cast<size_t>(size) * size * 4) return;
    if (rgba.data() != iconPixels_.data()) iconPixels_.assign(rgba.begin(), rgba.end());
    iconSize_ = size;
    // SDL copies the pixels into each window's icon property; the surface only borrows them.
    struct Free {
        void operator()(SDL_Surface* s) const { SDL_FreeSurface(s); }
    };
    const std::unique_ptr<SDL_Surface, Free> icon(SDL_CreateRGBSurfaceWithFormatFrom(
        iconPixels_.data(), size, size, 32, size * 4, SDL_PIXELFORMAT_RGBA32));
    if (!icon) return;
    for (const Window& w : windows_)
        if (w.sdl) SDL_SetWindowIcon(w.sdl, icon.get());
}

void SdlToolkit::BackendShowWindow(Form& form, bool show) {
    Window* w = Find(form);
    if (!w) return;
    if (show) {
        SDL_ShowWindow(w->sdl);
        SetLegacyWindowName(w->sdl, form.Caption()); // SDL writes its own on mapping
        SDL_RaiseWindow(w->sdl);
        w->dirty = true;
    } else {
        SDL_HideWindow(w->sdl);
    }
}

void SdlToolkit::BackendActivateWindow(Form& form) {
    // Only while the application has the foreground: activating one of our own windows
    // must not take the focus from another program.
    Window* w = Find(form);
    if (!w || !form.Visible() || !foreground_) return;
    SDL_RaiseWindow(w->sdl);
    SDL_SetWindowInputFocus(w->sdl); // SDL skips a window that is not mapped yet
}

void SdlToolkit::BackendInvalidate(Form& form) {
    if (Window* w = Find(form)) w->dirty = true;
}

// ---- drawing --------------------------------------------------------------------------

void SdlToolkit::BackendPaint() {
    for (Window& w : windows_)
        if (w.dirty && w.form->Visible()) Paint(w);
}

void SdlToolkit::Paint(Window& w) {
    w.dirty = false;
    SDL_Surface* s = SDL_GetWindowSurface(w.sdl);
    if (!s) return;
    ++*w.paints;
    // A form with a display (the match window) presents its own frames over this plain
    // background; an expose costs it at most one frame's time.
    Fill(s, 0, 0, s->w, s->h, kFormColour);
    for (const auto& lb : w.form->ListBoxes()) {
        Fill(s, lb->Left(), lb->Top(), lb->Width(), lb->Height(), kFrameColour);
        Fill(s, lb->Left() + 1, lb->Top() + 1, lb->Width() - 2, lb->Height() - 2, kListColour);
        const int rows = lb->VisibleRows();
        for (int r = 0; r < rows; ++r) {
            const int i = lb->TopIndex() + r;
            if (i >= lb->Count()) break;
            const int y = lb->Top() + 2 + r * lb->ItemHeight;
            const bool selected = i == lb->ItemIndex();
            if (selected)
                Fill(s, lb->Left() + 2, y, lb->Width() - 4, lb->ItemHeight, kSelectionColour);
            if (!font_) continue;
            const SDL_Color colour =
                selected ? SDL_Color{255, 255, 255, 255} : SDL_Color{0, 0, 0, 255};
            const std::string& text = lb->Items()[static_cast<size_t>(i)];
            if (SDL_Surface* t = TTF_RenderUTF8_Blended(font_, text.c_str(), colour)) {
                SDL_Rect clip{lb->Left() + 2, y, lb->Width() - 4, lb->ItemHeight};
                SDL_SetClipRect(s, &clip);
                SDL_Rect dst{lb->Left() + 4, y + (lb->ItemHeight - t->h) / 2, t->w, t->h};
                SDL_BlitSurface(t, nullptr, s, &dst);
                SDL_SetClipRect(s, nullptr);
                SDL_FreeSurface(t);
            }
        }
    }
    SDL_UpdateWindowSurface(w.sdl);
}

// ---- events and waiting ---------------------------------------------------------------

void SdlToolkit::BackendPoll() {
    // A wait that just timed out took everything there was before it slept and nothing
    // came since: asking again at once would cost a pump's system calls (the window
    // system's socket, the device monitors) every frame for nothing. What comes in between
    // is taken by the next wait on entry.
    if (std::exchange(waitTimedOut_, false)) return;
    SDL_Event e;
    while (SDL_PollEvent(&e)) TranslateEvent(e);
    RefreshKeyTables();
    // Focus that left one of our windows without going to another is the application
    // losing the foreground.
    const bool ours = SDL_GetKeyboardFocus() != nullptr;
    if (focusLostPending_ && !ours) {
        ToolkitEvent ev;
        ev.kind = ToolkitEvent::Kind::AppDeactivate;
        Post(ev);
        foreground_ = false;
        acquired_ = false;
    }
    focusLostPending_ = false;
}

void SdlToolkit::TranslateEvent(const SDL_Event& e) {
    ToolkitEvent ev;
    switch (e.type) {
    case SDL_QUIT: // the system asks the program to end: as the main form's close
        if (MainForm()) {
            ev.kind = ToolkitEvent::Kind::Close;
            ev.form = MainForm();
            Post(ev);
        }
        return;
    case SDL_WINDOWEVENT: {
        Window* w = Find(e.window.windowID);
        if (!w) return;
        switch (e.window.event) {
        case SDL_WINDOWEVENT_CLOSE:
            ev.kind = ToolkitEvent::Kind::Close;
            ev.form = w->form;
            Post(ev);
            break;
        case SDL_WINDOWEVENT_FOCUS_GAINED:
            focusLostPending_ = false;
            if (!foreground_ || !IsActive()) {
                foreground_ = true;
                ToolkitEvent a;
                a.kind = ToolkitEvent::Kind::AppActivate;
                Post(a);
            }
            ev.kind = ToolkitEvent::Kind::FormFocus;
            ev.form = w->form;
            Post(ev);
            break;
        case SDL_WINDOWEVENT_FOCUS_LOST:
            focusLostPending_ = true;
            break;
        case SDL_WINDOWEVENT_EXPOSED:
        case SDL_WINDOWEVENT_SIZE_CHANGED:
        case SDL_WINDOWEVENT_SHOWN:
            w->dirty = true;
            break;
        default:
            break;
        }
        return;
    }
    case SDL_KEYDOWN:
    case SDL_KEYUP: {
        const SDL_Scancode code = e.key.keysym.scancode;
        if (e.type == SDL_KEYDOWN && e.key.repeat == 0)
            LatchKeyDown(SdlScancodeToSet1(code), SdlScancodeToVirtualKey(code),
                         SdlScancodeToSidedVirtualKey(code));
        const uint8_t vk = SdlScancodeToVirtualKey(code);
        if (vk == 0) return;
        ev.kind = e.type == SDL_KEYDOWN ? ToolkitEvent::Kind::KeyDown : ToolkitEvent::Kind::KeyUp;
        ev.vk = vk;
        // Printable characters come as text input; the control characters a key makes
        // come with its key-down.
        if (e.type == SDL_KEYDOWN && (vk == kVkReturn || vk == kVkBack || vk == kVkEscape))
            ev.ch = *CharForVirtualKey(vk, false);
        Post(ev);
        return;
    }
    case SDL_CONTROLLERDEVICEADDED: {
        SDL_GameController* pad = SDL_GameControllerOpen(e.cdevice.which);
        if (!pad) return;
        const int id = SDL_JoystickInstanceID(SDL_GameControllerGetJoystick(pad));
        if (pads_.contains(id)) {
            SDL_GameControllerClose(pad); // told twice: it is open already
            return;
        }
        pads_[id] = pad;
        PadPlugged(id);
        return;
    }
    case SDL_CONTROLLERDEVICEREMOVED:
        if (const auto it = pads_.find(e.cdevice.which); it != pads_.end()) {
            SDL_GameControllerClose(it->second);
            pads_.erase(it);
            PadUnplugged(e.cdevice.which);
        }
        return;
    case SDL_CONTROLLERBUTTONDOWN:
    case SDL_CONTROLLERBUTTONUP:
        PadButton(e.cbutton.which, e.cbutton.button, e.type == SDL_CONTROLLERBUTTONDOWN);
        return;
    case SDL_CONTROLLERAXISMOTION:
        PadAxis(e.caxis.which, e.caxis.axis, e.caxis.value);
        return;
    case SDL_TEXTINPUT:
        for (const char32_t c : DecodeUtf8(e.text.text)) {
            ToolkitEvent t;
            t.kind = ToolkitEvent::Kind::Char;
            t.ch = c;
            Post(t);
        }
        return;
    case SDL_MOUSEBUTTONDOWN: {
        if (e.button.button != SDL_BUTTON_LEFT) return;
        Window* w = Find(e.button.windowID);
        if (!w) return;
        ev.kind = ToolkitEvent::Kind::MouseDown;
        ev.form = w->form;
        ev.x = e.button.x;
        ev.y = e.button.y;
        ev.dbl = e.button.clicks >= 2;
        Post(ev);
        return;
    }
    default:
        return;
    }
}

bool SdlToolkit::BackendWait(uint32_t timeoutMs) {
    if (timeoutMs == 0) return true;
    if (windowSystemSocket_ >= 0 && SDL_NumJoysticks() > 0) {
        PadWait(timeoutMs);
        return true;
    }
    if (timeoutMs == kIdleForever)
        SDL_WaitEvent(nullptr);
    else
        waitTimedOut_ = SDL_WaitEventTimeout(
                            nullptr, static_cast<int>(std::min<uint32_t>(timeoutMs, INT_MAX))) == 0;
    return true;
}

void SdlToolkit::PadWait(uint32_t timeoutMs) {
    // With a joystick plugged in, SDL's own wait does not sleep on the window system: it
    // pumps every millisecond (a joystick's input is read by pumping), a thousand wake-ups
    // a second. Here the X connection is slept on, and the pads are pumped once a frame.
    // An event pushed by another thread (BackendWake) is taken at the next slice.
    // FIXME: Windows and Wayland keep SDL's millisecond polling while a pad is plugged in.
    waitTimedOut_ = false; // the pads are read by the next poll's pump
    SDL_PumpEvents();      // also sends what is queued for the X server
    if (SDL_PeepEvents(nullptr, 0, SDL_PEEKEVENT, SDL_FIRSTEVENT, SDL_LASTEVENT) > 0) return;
#ifdef _WIN32
    SDL_Delay(std::min<uint32_t>(timeoutMs, kPadPollMs)); // not reached: no X connection
#else
    pollfd x{windowSystemSocket_, POLLIN, 0};
    ::poll(&x, 1, static_cast<int>(std::min<uint32_t>(timeoutMs, kPadPollMs)));
#endif
}

void SdlToolkit::BackendWake() {
    SDL_Event e{};
    e.type = SDL_USEREVENT; // SDL_PushEvent may be called from any thread
    SDL_PushEvent(&e);
}

// ---- message boxes --------------------------------------------------------------------

void SdlToolkit::BackendMessageBox(std::string_view caption, std::string_view text,
                                   MessageIcon icon) {
    const std::string c(caption), t(text);
    Uint32 flags = SDL_MESSAGEBOX_INFORMATION;
    if (icon == MessageIcon::Error) flags = SDL_MESSAGEBOX_ERROR;
    if (icon == MessageIcon::Warning) flags = SDL_MESSAGEBOX_WARNING;
    SDL_Window* parent = nullptr;
    if (ActiveForm())
        if (const Window* w = Find(*ActiveForm())) parent = w->sdl;
    // Also on standard error, on one line: for a user whose screen reader does not read the
    // box, and for a bug report.
    std::string line = c + ": " + t;
    std::replace(line.begin(), line.end(), '\n', ' ');
    std::fprintf(stderr, "%s\n", line.c_str());
#ifdef _WIN32
    // A windowed program's standard error goes nowhere: the line is kept in the user's
    // log, %LOCALAPPDATA%\Vlnedla\vlnedla.log.
    if (const std::filesystem::path dir = settings::DataHome(); !dir.empty()) {
        std::error_code ec;
        std::filesystem::create_directories(dir, ec);
        std::ofstream(dir / "vlnedla.log", std::ios::app) << line << "\n";
    }
#endif
    SDL_ShowSimpleMessageBox(flags, c.c_str(), t.c_str(), parent);
}

// ---- keyboard and joystick ------------------------------------------------------------

void SdlToolkit::RefreshKeyTables() {
    int n = 0;
    const Uint8* state = SDL_GetKeyboardState(&n);
    scanCodes_.fill(0);
    virtualKeys_.fill(0);
    for (int sc = 0; sc < n; ++sc) {
        if (!state[sc]) continue;
        const auto code = static_cast<SDL_Scancode>(sc);
        if (const uint8_t s = SdlScancodeToSet1(code)) scanCodes_[s] = 0x80;
        if (const uint8_t v = SdlScancodeToVirtualKey(code)) virtualKeys_[v] = 0x80;
        if (const uint8_t v = SdlScancodeToSidedVirtualKey(code)) virtualKeys_[v] = 0x80;
    }
}

bool SdlToolkit::ReadScanCodes(KeyTable& out) {
    if (!acquired_) return false;
    RefreshKeyTables();
    out = WithLatchedKeys(scanCodes_, latchedScan_);
    return true;
}

void SdlToolkit::ReadVirtualKeys(KeyTable& out) {
    RefreshKeyTables();
    out = WithLatchedKeys(virtualKeys_, latchedVirtual_);
}

bool SdlToolkit::IsForeground(const Form& form) const {
    const Window* w = Find(form);
    return w && form.Visible() && SDL_GetKeyboardFocus() == w->sdl;
}

// A joystick with a game controller's mapping is a pad (above); the others keep their place.
int SdlToolkit::PlainJoystick(int id) {
    if (!SDL_WasInit(SDL_INIT_JOYSTICK)) return -1;
    for (int index = 0, n = SDL_NumJoysticks(); index < n; ++index)
        if (!SDL_IsGameController(index) && id-- == 0) return index;
    return -1;
}

int SdlToolkit::JoystickCount() {
    int count = 0;
    while (PlainJoystick(count) >= 0) ++count;
    return count;
}

bool SdlToolkit::ReadJoystick(int id, JoystickState& out) {
    const int index = PlainJoystick(id);
    if (index < 0) return false;
    if (joysticks_.size() <= static_cast<size_t>(index))
        joysticks_.resize(static_cast<size_t>(index) + 1);
    SDL_Joystick*& j = joysticks_[static_cast<size_t>(index)];
    if (!j) j = SDL_JoystickOpen(index);
    if (!j || !SDL_JoystickGetAttached(j)) return false;
    SDL_JoystickUpdate();
    out = JoystickState{};
    const int axes = SDL_JoystickNumAxes(j);
    if (axes > 0) out.x = SDL_JoystickGetAxis(j, 0);
    if (axes > 1) out.y = SDL_JoystickGetAxis(j, 1);
    if (axes > 2) out.z = SDL_JoystickGetAxis(j, 2);
    const int buttons = std::min(SDL_JoystickNumButtons(j), 32);
    for (int b = 0; b < buttons; ++b)
        out.buttons[static_cast<size_t>(b)] = SDL_JoystickGetButton(j, b) != 0;
    return true;
}

} // namespace vl::platform
