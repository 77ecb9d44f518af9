// The frame window's OLE drop target. Over the window it offers to copy
// (with Ctrl) or move a file list or a text; a drop is handed to the frame,
// whose views decide. A drop no view takes reports no effect, so that the
// source of a "move" keeps its data.
#include "gui/platform/win32/window.h"  // windows.h first

#include <shellapi.h>

#include <string>
#include <vector>

namespace tf::platform {

namespace {

constexpr int kKindFiles = 0;
constexpr int kKindText = 1;
constexpr UINT kMaxFileName = 1024;

FORMATETC formatOf(CLIPFORMAT format) { return {format, nullptr, DVASPECT_CONTENT, -1, TYMED_HGLOBAL}; }

bool offers(IDataObject* data, CLIPFORMAT format) {
    FORMATETC f = formatOf(format);
    return data && data->QueryGetData(&f) == S_OK;
}

class DropTarget final : public IDropTarget {
public:
    explicit DropTarget(Window* window) : window_(window) {}

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** object) override {
        if (!object) return E_POINTER;
        if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IDropTarget)) {
            *object = static_cast<IDropTarget*>(this);
            AddRef();
            return S_OK;
        }
        *object = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return ULONG(InterlockedIncrement(&references_)); }
    ULONG STDMETHODCALLTYPE Release() override {
        const LONG left = InterlockedDecrement(&references_);
        if (left == 0) delete this;
        return ULONG(left);
    }

    HRESULT STDMETHODCALLTYPE DragEnter(IDataObject* data, DWORD keys, POINTL, DWORD* effect) override {
        usable_ = offers(data, CF_HDROP) || offers(data, CF_TEXT);
        if (effect) *effect = effectFor(keys);
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE DragOver(DWORD keys, POINTL, DWORD* effect) override {
        if (effect) *effect = effectFor(keys);
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE DragLeave() override {
        usable_ = false;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE Drop(IDataObject* data, DWORD keys, POINTL at, DWORD* effect) override {
        const bool taken = deliver(data, at);
        if (effect) *effect = taken ? effectFor(keys) : DROPEFFECT_NONE;
        usable_ = false;
        return S_OK;
    }

    // The window's record goes away; later calls find nothing to drop on.
    void detach() { window_ = nullptr; }

private:
    ~DropTarget() = default;

    DWORD effectFor(DWORD keys) const {
        if (!usable_) return DROPEFFECT_NONE;
        return (keys & MK_CONTROL) ? DROPEFFECT_COPY : DROPEFFECT_MOVE;
    }

    // Hands a file list (kind 0) or a text (kind 1) to the frame.
    bool deliver(IDataObject* data, POINTL at) {
        if (!data || !window_ || !win32::live(window_)) return false;
        POINT p{at.x, at.y};
        ScreenToClient(window_->handle, &p);
        const CPoint where(int(p.x), int(p.y));
        win32::BusyScope scope(window_);
        bool taken = false;
        STGMEDIUM medium{};
        FORMATETC files = formatOf(CF_HDROP), text = formatOf(CF_TEXT);
        if (data->GetData(&files, &medium) == S_OK) {
            if (auto drop = static_cast<HDROP>(GlobalLock(medium.hGlobal))) {
                const UINT count = DragQueryFileA(drop, 0xFFFFFFFF, nullptr, 0);
                std::vector<std::string> names;
                for (UINT i = 0; i < count; ++i) {
                    char name[kMaxFileName + 1] = {};
                    DragQueryFileA(drop, i, name, sizeof name);
                    names.emplace_back(name);
                }
                GlobalUnlock(medium.hGlobal);
                std::vector<void*> items;
                for (std::string& n : names) items.push_back(n.data());
                taken = window_->client->onDrop(items.data(), int(items.size()), kKindFiles, where);
            }
            ReleaseStgMedium(&medium);
        } else if (data->GetData(&text, &medium) == S_OK) {
            if (auto* chars = static_cast<char*>(GlobalLock(medium.hGlobal))) {
                std::string copy(chars, strnlen(chars, GlobalSize(medium.hGlobal)));
                GlobalUnlock(medium.hGlobal);
                void* item = copy.data();
                taken = window_->client->onDrop(&item, int(copy.size()), kKindText, where);
            }
            ReleaseStgMedium(&medium);
        }
        return taken && win32::live(window_);
    }

    Window* window_;
    LONG references_ = 1;
    bool usable_ = false;
};

}  // namespace

namespace win32 {

IDropTarget* createDropTarget(Window* window) { return new DropTarget(window); }

void detachDropTarget(IDropTarget* target) {
    if (target) static_cast<DropTarget*>(target)->detach();
}

}  // namespace win32

}  // namespace tf::platform
