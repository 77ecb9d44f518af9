#include "plugin/clap/editor.h"

#include <cstring>

#include "editor/layout.h"
#include "plugin/clap/plugin.h"

namespace tfclap {

namespace {

// The window system this module's toolkit binding speaks. On X11 the editor's
// display connection needs watching; a Win32 window gets its messages from
// the host's message loop.
#if defined(_WIN32)
constexpr const char* kNativeApi = kWindowApiWin32;
constexpr bool kWatchesConnection = false;
#else
constexpr const char* kNativeApi = kWindowApiX11;
constexpr bool kWatchesConnection = true;
#endif

constexpr auto kWidth = static_cast<std::uint32_t>(layout::kFrame.width());
constexpr auto kHeight = static_cast<std::uint32_t>(layout::kFrame.height());

void* parentHandle(const clap_window& window) {
    if (kWatchesConnection) return reinterpret_cast<void*>(static_cast<std::uintptr_t>(window.x11));
    return window.win32;
}

TalkforgePlugin& pluginOf(const clap_plugin* p) { return *TalkforgePlugin::of(p); }
ClapEditor* editorOf(const clap_plugin* p) { return pluginOf(p).editor(); }

}  // namespace

ClapEditor::ClapEditor(TalkforgePlugin& owner) : plugin(owner), view(*this) {}

ClapEditor::~ClapEditor() { closeWindow(); }

bool ClapEditor::apiSupported(const char* api, bool floating) {
    return !floating && api && std::strcmp(api, kNativeApi) == 0;
}

bool ClapEditor::hostRunsEditors(const TalkforgePlugin& plugin) {
    const clap_host_timer_support* timers = plugin.timerSupport();
    if (!timers || !timers->register_timer || !timers->unregister_timer) return false;
    if (!kWatchesConnection) return true;
    const clap_host_posix_fd_support* fds = plugin.fileDescriptorSupport();
    return fds && fds->register_fd && fds->unregister_fd;
}

bool ClapEditor::create(const char* api, bool floating) {
    if (created || !apiSupported(api, floating) || !hostRunsEditors(plugin)) return false;
    created = true;
    shown = true;
    return true;
}

void ClapEditor::destroy() {
    closeWindow();
    created = false;
}

bool ClapEditor::setParent(const clap_window& window) {
    if (!created || !window.api || std::strcmp(window.api, kNativeApi) != 0) return false;
    closeWindow();
    if (!view.open(parentHandle(window))) return false;
    const clap_host* host = plugin.host();
    bool ok = plugin.timerSupport()->register_timer(host, kTimerMs, &timer);
    if (!ok) timer = kInvalidId;
    if (ok && kWatchesConnection) {
        const int connection = view.eventFileDescriptor();
        ok = connection >= 0 && plugin.fileDescriptorSupport()->register_fd(host, connection, kFdRead);
        if (ok) fd = connection;
    }
    if (!ok) closeWindow();
    return ok;
}

void ClapEditor::closeWindow() {
    const clap_host* host = plugin.host();
    if (timer != kInvalidId) plugin.timerSupport()->unregister_timer(host, timer);
    timer = kInvalidId;
    if (fd >= 0) plugin.fileDescriptorSupport()->unregister_fd(host, fd);
    fd = -1;
    view.close();
}

bool ClapEditor::show() {
    shown = true;
    return created;
}

bool ClapEditor::hide() {
    shown = false;
    return created;
}

void ClapEditor::onTimer(clap_id id) {
    if (id == timer && shown) view.idle();
}

void ClapEditor::onFileDescriptor(int descriptor, std::uint32_t) {
    // Every pending event is handled, so that the descriptor falls quiet.
    if (descriptor == fd) view.idle();
}

void ClapEditor::parameterChanged(std::int32_t index) { view.setParameter(index, 0.0f); }

float ClapEditor::getParameter(std::int32_t index) { return plugin.vocoder().getParameter(index); }

void ClapEditor::setParameter(std::int32_t index, float value) { plugin.editParameter(index, value, false); }

void ClapEditor::setParameterAutomated(std::int32_t index, float value) { plugin.editParameter(index, value, true); }

void ClapEditor::beginEdit(std::int32_t index) { plugin.editGesture(index, true); }

void ClapEditor::endEdit(std::int32_t index) { plugin.editGesture(index, false); }

void ClapEditor::attachLevelMeters(LevelMeterRecord* record) { plugin.vocoder().attachLevelMeters(record); }

BandMeterRecord& ClapEditor::bandMeters() { return plugin.vocoder().bandMeters(); }

const void* editorExtension(std::string_view id) {
    static const clap_plugin_gui gui = {
        [](const clap_plugin*, const char* api, bool floating) { return ClapEditor::apiSupported(api, floating); },
        [](const clap_plugin*, const char** api, bool* floating) {
            if (!api || !floating) return false;
            *api = kNativeApi;
            *floating = false;
            return true;
        },
        [](const clap_plugin* p, const char* api, bool floating) {
            ClapEditor* e = pluginOf(p).makeEditor();
            return e && e->create(api, floating);
        },
        [](const clap_plugin* p) {
            if (ClapEditor* e = editorOf(p)) e->destroy();
        },
        [](const clap_plugin*, double) { return false; },  // sizes are physical pixels: nothing to scale
        [](const clap_plugin*, std::uint32_t* width, std::uint32_t* height) {
            if (!width || !height) return false;
            *width = kWidth;
            *height = kHeight;
            return true;
        },
        [](const clap_plugin*) { return false; },
        [](const clap_plugin*, clap_gui_resize_hints* hints) {
            if (!hints) return false;
            *hints = {};  // fixed: no direction, no ratio
            return true;
        },
        [](const clap_plugin*, std::uint32_t* width, std::uint32_t* height) {
            if (!width || !height) return false;
            *width = kWidth;
            *height = kHeight;
            return true;
        },
        [](const clap_plugin*, std::uint32_t width, std::uint32_t height) { return width == kWidth && height == kHeight; },
        [](const clap_plugin* p, const clap_window* window) {
            ClapEditor* e = editorOf(p);
            return e && window && e->setParent(*window);
        },
        [](const clap_plugin*, const clap_window*) { return false; },  // embedded only
        [](const clap_plugin*, const char*) {},
        [](const clap_plugin* p) {
            ClapEditor* e = editorOf(p);
            return e && e->show();
        },
        [](const clap_plugin* p) {
            ClapEditor* e = editorOf(p);
            return e && e->hide();
        },
    };
    static const clap_plugin_timer_support timers = {[](const clap_plugin* p, clap_id timer) {
        if (ClapEditor* e = editorOf(p)) e->onTimer(timer);
    }};
    static const clap_plugin_posix_fd_support fds = {[](const clap_plugin* p, int fd, std::uint32_t flags) {
        if (ClapEditor* e = editorOf(p)) e->onFileDescriptor(fd, flags);
    }};

    if (id == kExtGui) return &gui;
    if (id == kExtTimerSupport) return &timers;
    if (kWatchesConnection && id == kExtPosixFdSupport) return &fds;
    return nullptr;
}

}  // namespace tfclap
