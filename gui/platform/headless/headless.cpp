#include "gui/platform/headless/headless.h"

#include <algorithm>
#include <cstring>
#include <deque>

#include "gui/platform/teardown.h"

namespace tf::platform {

struct Window {
    WindowClient* client = nullptr;
    void* parent = nullptr;
    raster::Surface screen;
    int presents = 0;
    bool destroyPending = false;
    bool destroyed = false;
    // destroyWindow came while a call of this binding was on the stack (a
    // callback closed the editor): the record lives until that call returns.
    bool disposed = false;
    int busy = 0;
    struct Event {
        enum Kind { paint, mouseDown } kind;
        CPoint where;
    };
    std::deque<Event> events;
};

}  // namespace tf::platform

namespace tf::headless {
namespace {

using platform::Window;

struct MouseState {
    unsigned buttons = 0;
    CPoint where;
};

// The simulated machine.
struct Machine {
    std::deque<MouseState> mouse;
    CPoint pointer;
    bool keys[256] = {};
    std::uint32_t clock = 0;
    std::uint32_t slept = 0;
    std::vector<Window*> windows;  // live windows, creation order
    Window* last = nullptr;
    std::deque<EditAction> edits;
    std::deque<int> menuChoices;
    std::vector<ShownMenu> menus;
    std::vector<ShownEditBox> editBoxes;
    int modalIdles = 0;
};

Machine& machine() {
    static Machine m;
    return m;
}

}  // namespace

void reset() {
    Machine& m = machine();
    m.mouse.clear();
    m.pointer = {};
    std::fill(std::begin(m.keys), std::end(m.keys), false);
    m.clock = 0;
    m.slept = 0;
    m.last = nullptr;
    m.edits.clear();
    m.menuChoices.clear();
    m.menus.clear();
    m.editBoxes.clear();
    m.modalIdles = 0;
}

void pushMouse(unsigned buttons, CPoint where) { machine().mouse.push_back({buttons, where}); }

void pushDrag(unsigned buttons, CPoint from, CPoint to, int steps) {
    pushMouse(buttons, from);
    for (int i = 1; i <= steps; ++i)
        pushMouse(buttons, {from.x + (to.x - from.x) * i / steps, from.y + (to.y - from.y) * i / steps});
    pushMouse(0, to);
}

void setPointer(CPoint where) { machine().pointer = where; }

void clearMouse() { machine().mouse.clear(); }

int pendingMouseStates() { return int(machine().mouse.size()); }

void setKeyDown(platform::Key key, bool down) { machine().keys[int(key) & 0xff] = down; }

void setClock(std::uint32_t ms) { machine().clock = ms; }
void advanceClock(std::uint32_t ms) { machine().clock += ms; }
std::uint32_t clock() { return machine().clock; }
std::uint32_t totalSlept() { return machine().slept; }

platform::Window* lastWindow() { return machine().last; }
const raster::Surface& screen(platform::Window* window) { return window->screen; }
int presentCount(platform::Window* window) { return window->presents; }
void* parentOf(platform::Window* window) { return window->parent; }

void queueMouseDown(platform::Window* window, CPoint where) {
    window->events.push_back({Window::Event::mouseDown, where});
}
void queuePaint(platform::Window* window) { window->events.push_back({Window::Event::paint, {}}); }
void destroyFromOutside(platform::Window* window) { window->destroyPending = true; }
int liveWindows() { return int(machine().windows.size()); }

void queueEdit(EditAction action) { machine().edits.push_back(std::move(action)); }
void queueMenuChoice(int index) { machine().menuChoices.push_back(index); }
const std::vector<ShownMenu>& menusShown() { return machine().menus; }
const std::vector<ShownEditBox>& editBoxesShown() { return machine().editBoxes; }
int modalIdleCalls() { return machine().modalIdles; }

}  // namespace tf::headless

namespace tf::platform {

using headless::machine;

namespace {

void freeWindow(Window* w) { delete w; }
// Marks a window in use for the length of a binding call that runs callbacks.
using InUse = BusyScope<Window, freeWindow>;

bool live(const Window* w) { return w && !w->disposed && !w->destroyed; }

}  // namespace

Window* createChildWindow(void* parent, int width, int height, WindowClient& client) {
    auto* w = new Window;
    w->client = &client;
    w->parent = parent;
    w->screen = raster::Surface(width, height);
    w->events.push_back({Window::Event::paint, {}});  // a new window is exposed once
    machine().windows.push_back(w);
    machine().last = w;
    return w;
}

void destroyWindow(Window* window) {
    if (!window) return;
    auto& ws = machine().windows;
    ws.erase(std::remove(ws.begin(), ws.end(), window), ws.end());
    if (machine().last == window) machine().last = nullptr;
    destroyOrDefer<Window>(window, nullptr, freeWindow);
}

void present(Window* window, const raster::Surface& surface, const CRect& area) {
    if (!live(window)) return;
    window->screen.copyFrom(surface, area, {area.left, area.top}, window->screen.bounds());
    ++window->presents;
}

int eventFileDescriptor(Window*) { return -1; }

void processEvents(Window* window) {
    if (!live(window)) return;
    InUse scope(window);
    if (window->destroyPending) {
        window->destroyed = true;
        window->events.clear();
        window->client->onWindowDestroyed();
        return;
    }
    while (!window->events.empty() && live(window)) {
        const Window::Event e = window->events.front();
        window->events.pop_front();
        if (e.kind == Window::Event::paint)
            window->client->onPaint();
        else
            window->client->onMouseDown(e.where);
    }
}

bool dispatchPendingPaint(Window* window) {
    if (!live(window)) return false;
    InUse scope(window);
    auto it = std::find_if(window->events.begin(), window->events.end(),
                           [](const Window::Event& e) { return e.kind == Window::Event::paint; });
    if (it == window->events.end()) return false;
    window->events.erase(it);
    window->client->onPaint();
    return true;
}

unsigned mouseButtons(Window*) {
    auto& m = machine();
    unsigned modifiers = 0;
    if (m.keys[int(Key::shift)]) modifiers |= kModifierShift;
    if (m.keys[int(Key::control)]) modifiers |= kModifierControl;
    if (m.keys[int(Key::alt)]) modifiers |= kModifierAlt;
    if (m.mouse.empty()) return modifiers;
    const headless::MouseState s = m.mouse.front();
    if (m.mouse.size() == 1) {  // the last state ends the gesture
        m.mouse.pop_front();
        m.pointer = s.where;
    }
    return s.buttons | modifiers;
}

CPoint mouseLocation(Window*) {
    auto& m = machine();
    if (!m.mouse.empty()) {
        m.pointer = m.mouse.front().where;
        m.mouse.pop_front();
        if (!m.mouse.empty()) m.pointer = m.mouse.front().where;
    }
    return m.pointer;
}

bool isKeyDown(Window*, Key key) { return machine().keys[int(key) & 0xff]; }

std::uint32_t tickCount() { return machine().clock; }

void sleepMilliseconds(unsigned milliseconds) {
    machine().clock += milliseconds;
    machine().slept += milliseconds;
}

void runEditBox(Window* window, const EditBox& box, char* text, std::size_t capacity,
                WindowClient& client) {
    if (!live(window)) return;
    InUse scope(window);
    auto& m = machine();
    m.editBoxes.push_back({box, text ? text : ""});
    ++m.modalIdles;
    client.onModalIdle();
    if (!live(window)) return;  // closed meanwhile: the text stays as it was
    headless::EditAction action;
    action.end = headless::EditEnd::focusLost;
    if (!m.edits.empty()) {
        action = m.edits.front();
        m.edits.pop_front();
    }
    if (action.typed && text && capacity > 0) {
        const std::size_t n = std::min(action.typed->size(), capacity - 1);
        std::memcpy(text, action.typed->data(), n);
        text[n] = '\0';
    }
    if (action.end == headless::EditEnd::clickAt)
        window->events.push_back({Window::Event::mouseDown, action.click});
}

int runPopupMenu(Window* window, const PopupMenu& menu, WindowClient& client) {
    if (!live(window)) return -1;
    InUse scope(window);
    auto& m = machine();
    headless::ShownMenu shown;
    shown.where = menu.where;
    for (int i = 0; i < menu.count; ++i)
        shown.entries.push_back({menu.entries[i].text ? menu.entries[i].text : "", menu.entries[i].flags});
    m.menus.push_back(std::move(shown));
    ++m.modalIdles;
    client.onModalIdle();
    if (!live(window)) return -1;
    int choice = -1;
    if (!m.menuChoices.empty()) {
        choice = m.menuChoices.front();
        m.menuChoices.pop_front();
    }
    // A user can only pick an entry that is there and choosable.
    if (choice < 0 || choice >= menu.count || (menu.entries[choice].flags & kMenuNotChoosable))
        return -1;
    return choice;
}

}  // namespace tf::platform
