// talkforge: renders audio files offline through the Talkforge plug-in, or plays it live.
#include <cstdio>
#include <exception>

#include "host/version.h"
#include "tools/cli_args.h"
#include "tools/commands.h"
#include "tools/error.h"

int main(int argc, char** argv) {
    try {
        const CommandLine cl = parseCommandLine(argc, argv);
        if (cl.command == "help") {
            std::fputs(kUsage, stdout);
            return 0;
        }
        if (cl.command == "version") {
            std::printf("talkforge %s\n", kTalkforgeVersion);
            return 0;
        }
        if (cl.command == "render") return runRender(cl);
        if (cl.command == "params") return runParams(cl);
        if (cl.command == "presets") return runPresets(cl);
        if (cl.command == "screenshot") return runScreenshot(cl);
        if (cl.command == "live") return runLive(cl);
        return runDemo(cl);
    } catch (const ToolError& e) {
        std::fprintf(stderr, "talkforge: %s\n", e.what());
    } catch (const std::exception& e) {
        std::fprintf(stderr, "talkforge: unexpected failure: %s\n", e.what());
    }
    return 1;
}
