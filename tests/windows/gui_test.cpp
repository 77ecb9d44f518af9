// The Win32 binding with the toolkit's demo frame in a child window of a
// stand-in host window, under Wine: what it shows equals the headless
// rendering, and a click, a held button, typing, a popup choice, closing and
// reopening work with input synthesized through SendInput; the window
// class's name and its sharing; the bitmaps from the module's resources.
#include <gtest/gtest.h>
#include <windows.h>
#include <shlobj.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "gui/bitmap.h"
#include "gui/platform/win32/module.h"
#include "resources/bitmaps.h"
#include "tests/gui-x11/scene.h"
#include "tests/gui/window_checks.h"
#include "tests/windows/gui_session.h"

namespace raster = tf::raster;
using wintest::Session;

namespace {

constexpr int kMargin = 40;  // host window around the editor
const CRect kAll = guidemo::kFrameSize;

using Effect = guitest::RecordingHost;

std::string artefact(const std::string& name) { return std::string(TF_WIN32_ARTEFACT_DIR) + "/" + name; }

void save(const raster::Surface& image, const std::string& name) { guitest::writeBmpFile(image, artefact(name)); }

// The demo frame rendered through the headless binding, by its own program.
raster::Surface reference() {
    const std::string path = artefact("gui-win32-demo-reference.bmp");
    std::string command = std::string("\"") + TF_WIN32_REFERENCE + "\" \"" + path + "\" demo";
    STARTUPINFOA si{};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi{};
    if (!CreateProcessA(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi)) return {};
    WaitForSingleObject(pi.hProcess, INFINITE);
    DWORD code = 1;
    GetExitCodeProcess(pi.hProcess, &code);
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
    return code == 0 ? guitest::readBmpFile(path) : raster::Surface();
}

CPoint centreOf(const CViewBase* v) {
    const CRect& r = v->getViewRect();
    return {(r.left + r.right) / 2, (r.top + r.bottom) / 2};
}

class DemoFrame : public ::testing::Test {
protected:
    // One host window for the suite (Wine takes a while to make and end a
    // top-level window); made again after a test destroyed it.
    static void SetUpTestSuite() { shared = new Session(kAll.width() + kMargin, kAll.height() + kMargin); }
    static void TearDownTestSuite() {
        delete shared;
        shared = nullptr;
    }
    void SetUp() override {
        if (!shared->ok()) {
            delete shared;
            shared = new Session(kAll.width() + kMargin, kAll.height() + kMargin);
        }
        ASSERT_TRUE(session.ok());
        openEditor();
    }
    void TearDown() override {
        editor.onIdle = nullptr;
        editor.close();
        Session::pumpMessages();
        EXPECT_EQ(session.childWindow(), nullptr);
    }
    void openEditor() {
        editor.open(session.parent());
        ASSERT_TRUE(editor.getFrame()->isOpen());
        ASSERT_TRUE(until([&] { return !editor.getFrame()->isFirstPaintPending(); }));
        child = session.childWindow();
        ASSERT_NE(child, nullptr);
    }
    // Runs the host's loop (messages, then the editor's idle) until `done`.
    bool until(const std::function<bool()>& done) {
        return guitest::waitFor(done, [&] {
            Session::pumpMessages();
            editor.idle();
        });
    }
    // The user's script, run at each editor idle (numbered from 1 for it).
    void script(std::function<void(int)> s) {
        const int start = editor.idles;
        editor.onIdle = [start, s](int n) {
            if (n - start > 600) {  // a loop that does not end: let it go
                ADD_FAILURE() << "the gesture did not end";
                Session::release();
                Session::tap(VK_ESCAPE);
                return;
            }
            s(n - start);
        };
    }
    std::vector<float> changesOf(int tag) const {
        std::vector<float> out;
        for (const auto& c : editor.listener.changes)
            if (c.tag == tag) out.push_back(c.value);
        return out;
    }
    raster::Surface shown(const CRect& r = kAll) { return Session::grab(child, r); }

    // A click on `view`, handled before the button goes up again.
    void click(const CViewBase* view) {
        Session::moveTo(centreOf(view), child);
        Session::press();
        const std::size_t before = editor.listener.changes.size();
        until([&] { return editor.listener.changes.size() > before; });
        Session::release();
        until([] { return !(GetAsyncKeyState(VK_LBUTTON) & 0x8000); });
    }
    // Opens the text field's edit box and runs `s` at its modal idles.
    void edit(std::function<void(int)> s) {
        script(std::move(s));
        Session::click(centreOf(editor.demo.field), child);
    }

    static inline Session* shared = nullptr;
    Session& session = *shared;
    Effect effect;
    scene::Editor editor{&effect, scene::State(), scene::Layout::demo};
    HWND child = nullptr;
};

TEST_F(DemoFrame, ShowsWhatTheHeadlessBindingRenders) {
    const raster::Surface expected = reference();
    ASSERT_EQ(expected.width(), kAll.width());
    const raster::Surface window = shown();
    EXPECT_EQ(guitest::differingPixels(window, expected), 0);
    save(window, "gui-win32-demo.bmp");
    save(Session::grab(session.parent(), CRect(0, 0, kAll.width() + kMargin, kAll.height() + kMargin)),
         "gui-win32-host.bmp");
}

// The same frame as the Linux build draws it: every pixel but the text's
// equal, and each text in the same place (GDI and FreeType draw glyphs a
// little differently).
TEST_F(DemoFrame, LooksAsOnLinux) {
    const raster::Surface linux = guitest::readBmpFile(TF_LINUX_DEMO);
    const raster::Surface window = shown();
    ASSERT_EQ(linux.width(), window.width());
    const CRect texts[] = {guidemo::kDisplayRect, guidemo::kFieldRect, guidemo::kListRect,
                           CRect(10, 108, 230, 132), CRect(150, 64, 230, 74)};  // the background's
    auto inText = [&](int x, int y) {
        for (const CRect& t : texts)
            if (t.contains({x, y})) return true;
        return false;
    };
    long outside = 0;
    for (int y = 0; y < window.height(); ++y)
        for (int x = 0; x < window.width(); ++x) outside += !inText(x, y) && window.pixel(x, y) != linux.pixel(x, y);
    EXPECT_EQ(outside, 0);
    // The ink of each text: pixels unlike the box's corner.
    auto ink = [](const raster::Surface& s, const CRect& box) {
        const raster::Pixel back = s.pixel(box.left + 1, box.top + 1);
        CRect r(box.right, box.bottom, box.left, box.top);
        for (int y = box.top + 1; y < box.bottom - 1; ++y)
            for (int x = box.left + 1; x < box.right - 1; ++x)
                if (s.pixel(x, y) != back) r = CRect(std::min(r.left, x), std::min(r.top, y),
                                                     std::max(r.right, x + 1), std::max(r.bottom, y + 1));
        return r;
    };
    constexpr int kSlack = 2;
    for (const CRect& t : texts) {
        const CRect a = ink(window, t), b = ink(linux, t);
        ASSERT_FALSE(a.isEmpty());
        EXPECT_NEAR(a.left, b.left, kSlack) << t.left << "," << t.top;
        EXPECT_NEAR(a.right, b.right, kSlack) << t.left << "," << t.top;
        EXPECT_NEAR(a.top, b.top, kSlack) << t.left << "," << t.top;
        EXPECT_NEAR(a.bottom, b.bottom, kSlack) << t.left << "," << t.top;
    }
}

TEST_F(DemoFrame, TheWindowClassIsNamedAfterTheModule) {
    char expected[32];
    std::snprintf(expected, sizeof expected, "Plugin%08x",
                  unsigned(reinterpret_cast<std::uintptr_t>(tf::platform::win32::moduleHandle())));
    const std::string name = Session::className(child);
    EXPECT_EQ(name, expected);
    ASSERT_EQ(name.size(), 14u);
    EXPECT_EQ(name.find_first_not_of("0123456789abcdef", 6), std::string::npos);
    EXPECT_EQ(tf::platform::win32::moduleHandle(), GetModuleHandleA(nullptr));  // a program's own
}

TEST_F(DemoFrame, TwoFramesShareTheClassUntilBothAreGone) {
    const std::string name = Session::className(child);
    WNDCLASSA wc{};
    auto registered = [&] { return GetClassInfoA(tf::platform::win32::moduleHandle(), name.c_str(), &wc) != 0; };
    Session other(kAll.width(), kAll.height());
    Effect otherEffect;
    scene::Editor second(&otherEffect, scene::State(), scene::Layout::demo);
    second.open(other.parent());
    EXPECT_EQ(Session::className(other.childWindow()), name);
    editor.close();
    EXPECT_TRUE(registered());
    second.close();
    EXPECT_FALSE(registered());
    openEditor();
    EXPECT_TRUE(registered());
}

TEST_F(DemoFrame, AClickTogglesTheButtonAndAHeldButtonEndsOff) {
    CToggleButton* toggle = editor.demo.toggle;
    const raster::Surface off = shown(toggle->getViewRect());
    click(toggle);
    click(toggle);
    EXPECT_EQ(changesOf(guidemo::kToggleTag), (std::vector<float>{1.0f, 0.0f}));
    EXPECT_EQ(guitest::differingPixels(shown(toggle->getViewRect()), off), 0);
    EXPECT_TRUE(effect.edits.empty());  // a toggle brackets nothing

    // Held: on; released: off, and the gesture is one edit.
    CMomentaryButton* button = editor.demo.momentary;
    float held = -1.0f;
    script([&](int) {
        if (held < 0.0f && button->getValue() == 1.0f && effect.hostIdles > 0) {  // the host stays alive
            held = 1.0f;
            Session::release();
        }
    });
    Session::moveTo(centreOf(button), child);
    Session::press();
    ASSERT_TRUE(until([&] { return effect.edits.size() == 2; }));
    EXPECT_EQ(held, 1.0f);
    EXPECT_EQ(button->getValue(), 0.0f);
    EXPECT_EQ(effect.edits, (std::vector<std::string>{"b4", "e4"}));
    EXPECT_GT(effect.hostIdles, 0);
}

TEST_F(DemoFrame, AKnobDragFollowsThePointerInsideOneEdit) {
    CFilmstripKnob* knob = editor.demo.knob;
    const CRect k = knob->getViewRect();
    const int cx = (k.left + k.right) / 2, cy = (k.top + k.bottom) / 2;
    script([&](int n) {
        if (n == 2) Session::moveTo({cx, k.top + 2}, child);
        if (n == 4) Session::moveTo({k.right - 4, cy - 6}, child);
        if (n >= 6) Session::release();
    });
    Session::moveTo({k.left + 2, cy}, child);
    Session::press();
    ASSERT_TRUE(until([&] { return effect.edits.size() == 2; }));
    const std::vector<float> v = changesOf(guidemo::kKnobTag);
    ASSERT_GE(v.size(), 3u);
    EXPECT_EQ(v.front(), knob->valueFromPoint({2, k.height() / 2}));  // jumps to the pressed angle
    EXPECT_EQ(v.back(), knob->valueFromPoint({k.width() - 4, k.height() / 2 - 6}));
    EXPECT_EQ(effect.edits, (std::vector<std::string>{"b0", "e0"}));
}

TEST_F(DemoFrame, TypingIntoTheTextFieldAppliesOnReturn) {
    CTextField* field = editor.demo.field;
    bool sawBox = false;
    edit([&](int n) {
        if (n == 2) sawBox = Session::editWindow(child) != nullptr;
        if (n == 3) Session::type("123");
        if (n == 6) Session::tap(VK_RETURN);
    });
    ASSERT_TRUE(until([&] { return std::string(field->getText()) == "123"; }));
    EXPECT_TRUE(sawBox);
    EXPECT_EQ(Session::editWindow(child), nullptr);
    EXPECT_EQ(changesOf(guidemo::kFieldTag).size(), 1u);
    EXPECT_EQ(editor.getFrame()->getFocusView(), nullptr);
}

TEST_F(DemoFrame, EscapeLeavesTheTextAsItWas) {
    CTextField* field = editor.demo.field;
    edit([&](int n) {
        if (n == 3) Session::type("9");
        if (n == 6) Session::tap(VK_ESCAPE);
    });
    ASSERT_TRUE(until([&] { return editor.idles > 10 && Session::editWindow(child) == nullptr; }));
    EXPECT_STREQ(field->getText(), "42");
    EXPECT_TRUE(changesOf(guidemo::kFieldTag).empty());
}

TEST_F(DemoFrame, AClickElsewhereAppliesTheEditAndThenReachesItsView) {
    edit([&](int n) {
        if (n == 3) Session::type("77");
        if (n == 6) Session::click(centreOf(editor.demo.toggle), child);
    });
    ASSERT_TRUE(until([&] { return !changesOf(guidemo::kToggleTag).empty(); }));
    EXPECT_STREQ(editor.demo.field->getText(), "77");
    EXPECT_EQ(changesOf(guidemo::kFieldTag).size(), 1u);
    EXPECT_EQ(changesOf(guidemo::kToggleTag), std::vector<float>{1.0f});
    EXPECT_EQ(Session::editWindow(child), nullptr);
}

TEST_F(DemoFrame, APopupChoiceSetsTheList) {
    CPopupList* list = editor.demo.list;
    bool clicked = false;
    script([&](int) {
        HWND menu = Session::menuWindow();
        if (!menu || clicked) return;
        HMENU handle = reinterpret_cast<HMENU>(SendMessageA(menu, MN_GETHMENU, 0, 0));
        RECT item{};
        if (handle && GetMenuItemRect(nullptr, handle, 2, &item)) {
            clicked = true;
            Session::click({(item.left + item.right) / 2, (item.top + item.bottom) / 2}, nullptr);
        }
    });
    Session::click(centreOf(list), child);
    ASSERT_TRUE(until([&] { return list->getCurrent() == 2; }));
    EXPECT_EQ(changesOf(guidemo::kListTag), std::vector<float>{2.0f});
    ASSERT_TRUE(until([] { return Session::menuWindow() == nullptr; }));
}

TEST_F(DemoFrame, AClickOutsideTheMenuChoosesNothingAndReachesNothing) {
    bool clicked = false;
    script([&](int) {
        if (!clicked && Session::menuWindow()) {
            clicked = true;
            Session::click(centreOf(editor.demo.toggle), child);  // on a control, under the menu
        }
    });
    Session::click(centreOf(editor.demo.list), child);
    ASSERT_TRUE(until([&] { return clicked && Session::menuWindow() == nullptr; }));
    for (int i = 0; i < 10; ++i) {
        Session::pumpMessages();
        editor.idle();
    }
    EXPECT_EQ(editor.demo.list->getCurrent(), 0);
    EXPECT_TRUE(editor.listener.changes.empty());
    EXPECT_EQ(editor.demo.toggle->getValue(), 0.0f);
}

TEST_F(DemoFrame, ClosingAndReopeningLeavesNoWindowBehind) {
    const raster::Surface expected = reference();
    for (int i = 0; i < 2; ++i) {
        const HWND before = child;
        editor.close();
        EXPECT_FALSE(IsWindow(before));
        EXPECT_EQ(session.childWindow(), nullptr);
        openEditor();
    }
    EXPECT_EQ(guitest::differingPixels(shown(), expected), 0);
}

TEST_F(DemoFrame, AHostClosingItsWindowFirstOnlyClosesTheFrame) {
    session.destroyParent();
    EXPECT_FALSE(editor.getFrame()->isOpen());
    editor.idle();  // nothing left to do, nothing fails
}

// A drag source's data: a file list, a text, or neither.
class DragData final : public IDataObject {
public:
    explicit DragData(CLIPFORMAT format) : format_(format) {}
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** object) override {
        if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IDataObject)) {
            *object = this;
            return S_OK;
        }
        *object = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return 2; }  // lives on the test's stack
    ULONG STDMETHODCALLTYPE Release() override { return 1; }
    HRESULT STDMETHODCALLTYPE QueryGetData(FORMATETC* f) override {
        return f && format_ && f->cfFormat == format_ ? S_OK : DV_E_FORMATETC;
    }
    HRESULT STDMETHODCALLTYPE GetData(FORMATETC* f, STGMEDIUM* medium) override {
        if (QueryGetData(f) != S_OK) return DV_E_FORMATETC;
        ++reads;
        const char text[] = "C:\\voice.wav\0";  // one name, then the list's end
        const std::size_t header = format_ == CF_HDROP ? sizeof(DROPFILES) : 0;
        HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, header + sizeof text);
        auto* bytes = static_cast<char*>(GlobalLock(memory));
        if (header) reinterpret_cast<DROPFILES*>(bytes)->pFiles = DWORD(header);
        std::memcpy(bytes + header, text, sizeof text);
        GlobalUnlock(memory);
        medium->tymed = TYMED_HGLOBAL;
        medium->hGlobal = memory;
        medium->pUnkForRelease = nullptr;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetDataHere(FORMATETC*, STGMEDIUM*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetCanonicalFormatEtc(FORMATETC*, FORMATETC*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE SetData(FORMATETC*, STGMEDIUM*, BOOL) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE EnumFormatEtc(DWORD, IEnumFORMATETC**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE DAdvise(FORMATETC*, DWORD, IAdviseSink*, DWORD*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE DUnadvise(DWORD) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE EnumDAdvise(IEnumSTATDATA**) override { return E_NOTIMPL; }
    int reads = 0;

private:
    CLIPFORMAT format_;
};

// Files and text may be dragged over the frame (copy with Ctrl, else move),
// but no view takes a drop, so a drop reports no effect: the source of a
// move keeps its data.
TEST_F(DemoFrame, TheDropTargetOffersAndRefusesEveryDrop) {
    auto* target = static_cast<IDropTarget*>(GetPropA(child, "OleDropTargetInterface"));
    ASSERT_NE(target, nullptr);
    POINT at{20, 20};
    ClientToScreen(child, &at);
    const POINTL where{at.x, at.y};
    for (CLIPFORMAT format : {CLIPFORMAT(CF_HDROP), CLIPFORMAT(CF_TEXT), CLIPFORMAT(0)}) {
        DragData data(format);
        const DWORD offered = format ? DROPEFFECT_MOVE : DROPEFFECT_NONE;
        DWORD allowed = DROPEFFECT_COPY | DROPEFFECT_MOVE;
        EXPECT_EQ(target->DragEnter(&data, 0, where, &allowed), S_OK);
        EXPECT_EQ(allowed, offered);
        allowed = DROPEFFECT_COPY | DROPEFFECT_MOVE;
        target->DragOver(MK_CONTROL, where, &allowed);
        EXPECT_EQ(allowed, format ? DROPEFFECT_COPY : DROPEFFECT_NONE);
        allowed = DROPEFFECT_COPY | DROPEFFECT_MOVE;
        EXPECT_EQ(target->Drop(&data, 0, where, &allowed), S_OK);
        EXPECT_EQ(allowed, DROPEFFECT_NONE);
        EXPECT_EQ(data.reads, format ? 1 : 0);  // the frame was offered the data
    }
    EXPECT_TRUE(editor.listener.changes.empty());
}

// The plug-in's bitmaps, compiled into this program's resources as into the
// DLL's, read back as the generator drew them.
TEST(Resources, TheBitmapsComeFromTheModuleAsDrawn) {
    for (const tf::art::BitmapSize& b : tf::art::kBitmapSizes) {
        CResBitmap* bitmap = new CResBitmap(b.id);
        EXPECT_EQ(bitmap->getWidth(), b.width) << b.id;
        EXPECT_EQ(bitmap->getHeight(), b.height) << b.id;
        const raster::Surface drawn = guitest::readBmpFile(std::string(TF_WIN32_ARTWORK_DIR) + "/" + std::to_string(b.id) + ".bmp");
        EXPECT_EQ(guitest::differingPixels(bitmap->getImage(), drawn), 0) << b.id;
        bitmap->release();
    }
    CResBitmap* missing = new CResBitmap(tf::art::kLastBitmap + 1);
    EXPECT_FALSE(missing->isLoaded());
    missing->release();
}

}  // namespace
