// Renders the test frame through the headless binding and writes what its
// window would show as a BMP file:
//   gui_x11_reference OUT.bmp [toggle knob text listIndex]
//   gui_x11_reference OUT.bmp demo
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>

#include "gui/platform/headless/headless.h"
#include "gui/platform/raster/bmp.h"
#include "tests/gui-x11/scene.h"

int main(int argc, char** argv) {
    const bool demo = argc == 3 && std::string(argv[2]) == "demo";
    if (argc != 2 && argc != 6 && !demo) {
        std::fprintf(stderr, "usage: %s OUT.bmp [toggle knob text listIndex]\n", argv[0]);
        return 2;
    }
    scene::State state;
    if (argc == 6) {
        state.toggle = std::strtof(argv[2], nullptr);
        state.knob = std::strtof(argv[3], nullptr);
        state.text = argv[4];
        state.listIndex = std::atoi(argv[5]);
    }
    tf::headless::reset();
    int parent = 0;
    bool ok = false;
    {
        scene::Editor editor(nullptr, state, demo ? scene::Layout::demo : scene::Layout::scene);
        editor.open(&parent);
        editor.idle();  // the window's first expose
        const auto bytes = tf::raster::encodeBmp(tf::headless::screen(editor.getFrame()->getWindow()));
        std::ofstream out(argv[1], std::ios::binary);
        out.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
        ok = bool(out);
        editor.close();
    }
    return ok ? 0 : 1;
}
