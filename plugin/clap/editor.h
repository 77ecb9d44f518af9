// The editor through the GUI extension: the toolkit's 640 x 385 panel
// embedded in the host's window (X11 or Win32), with no thread of its own.
// The host's timer runs the editor's idle (meters, redraws); on X11 the
// host also watches the editor's display connection and calls back when
// events arrive, on Windows its message loop delivers them.
#pragma once

#include <cstdint>
#include <string_view>

#include "editor/avoceditor.h"
#include "editor/controller.h"
#include "plugin/clap/abi.h"

namespace tfclap {

class TalkforgePlugin;

class ClapEditor final : public EditorController {
public:
    explicit ClapEditor(TalkforgePlugin& plugin);
    ~ClapEditor();

    // The plug-in holds a new value of parameter `index`. Any thread.
    void parameterChanged(std::int32_t index);

    // ---- The GUI extension (main thread) ----
    // Whether the editor can be embedded with `api`: with the window system
    // of this build. Scanners ask with hosts that offer nothing.
    static bool apiSupported(const char* api, bool floating);
    // Whether the plug-in's host offers the run loop the editor needs: timers,
    // and on X11 the watching of the display connection.
    static bool hostRunsEditors(const TalkforgePlugin& plugin);
    bool create(const char* api, bool floating);
    void destroy();
    bool setParent(const clap_window& window);
    bool show();
    bool hide();

    // ---- The host's run loop (main thread) ----
    void onTimer(clap_id id);
    void onFileDescriptor(int fd, std::uint32_t flags);

    // ---- EditorController (main thread) ----
    float getParameter(std::int32_t index) override;
    void setParameter(std::int32_t index, float value) override;
    void setParameterAutomated(std::int32_t index, float value) override;
    void beginEdit(std::int32_t index) override;
    void endEdit(std::int32_t index) override;
    void attachLevelMeters(LevelMeterRecord* record) override;
    BandMeterRecord& bandMeters() override;

    static constexpr std::uint32_t kTimerMs = 20;

private:
    void closeWindow();

    TalkforgePlugin& plugin;
    AVocEditor view;
    bool created = false;
    bool shown = false;
    clap_id timer = kInvalidId;
    int fd = -1;
};

// The plug-in's tables of the GUI extension and of the run-loop extensions
// that drive it, or null for another id.
const void* editorExtension(std::string_view id);

}  // namespace tfclap
