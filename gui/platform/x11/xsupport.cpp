#include "gui/platform/x11/xsupport.h"

#include <X11/Xutil.h>
#include <X11/keysym.h>
#include <poll.h>

#include <algorithm>
#include <atomic>
#include <bit>
#include <vector>

namespace tf::platform::x11 {

namespace {

// Xlib has one error handler per process; the trap in force on this thread
// (the user-interface thread) receives the errors of its display. Traps nest.
thread_local ErrorTrap* activeTrap = nullptr;
// The handler in place before the outermost trap, for errors of the host's
// displays, which may also arrive on the host's other threads.
std::atomic<XErrorHandler> hostHandler{nullptr};

constexpr int kChannelBits = 8;

int lowestBit(unsigned long mask) { return mask ? std::countr_zero(mask) : 0; }
int bitCount(unsigned long mask) { return std::popcount(mask); }

// The 8-bit value of the channel `mask` selects in a pixel.
std::uint8_t channelFrom(unsigned long mask, unsigned long pixel) {
    const int bits = bitCount(mask);
    if (bits == 0) return 0;
    const unsigned long v = (pixel & mask) >> lowestBit(mask);
    return std::uint8_t(bits >= kChannelBits ? v >> (bits - kChannelBits) : v << (kChannelBits - bits));
}

// An 8-bit channel value placed into `mask`, scaled to the mask's width.
unsigned long channelTo(unsigned long mask, std::uint8_t value) {
    const int bits = bitCount(mask);
    if (bits == 0) return 0;
    unsigned long v = value;
    v = bits <= kChannelBits ? v >> (kChannelBits - bits) : v << (bits - kChannelBits);
    return (v << lowestBit(mask)) & mask;
}

}  // namespace

ErrorTrap::ErrorTrap(Display* display, bool sync)
    : display_(display), sync_(sync), previous_(XSetErrorHandler(&ErrorTrap::onError)),
      outer_(activeTrap) {
    if (!outer_) hostHandler.store(previous_);
    activeTrap = this;
}

ErrorTrap::~ErrorTrap() {
    if (sync_) XSync(display_, False);
    activeTrap = outer_;
    XSetErrorHandler(previous_);
}

bool ErrorTrap::failed() {
    XSync(display_, False);
    return failed_;
}

int ErrorTrap::onError(Display* display, XErrorEvent* error) {
    for (ErrorTrap* t = activeTrap; t; t = t->outer_) {
        if (t->display_ == display) {
            t->failed_ = true;
            return 0;
        }
    }
    // Not ours: the handler the host (or Xlib) had before the outermost trap.
    const XErrorHandler host = hostHandler.load();
    return host ? host(display, error) : 0;
}

PixelLayout::PixelLayout(Display* display, Visual* visual, int depth)
    : visual_(visual), depth_(depth), redMask_(visual->red_mask), greenMask_(visual->green_mask),
      blueMask_(visual->blue_mask) {
    constexpr unsigned long kRed = 0xff0000, kGreen = 0x00ff00, kBlue = 0x0000ff;
    constexpr int kPlainDepth = 24;
    const unsigned long depthBits =
        depth >= int(sizeof(unsigned long) * 8) ? ~0ul : (1ul << depth) - 1;
    opaque_ = depthBits & ~(redMask_ | greenMask_ | blueMask_);
    direct_ = depth == kPlainDepth && redMask_ == kRed && greenMask_ == kGreen &&
              blueMask_ == kBlue && ImageByteOrder(display) == LSBFirst &&
              std::endian::native == std::endian::little;
}

unsigned long PixelLayout::convert(raster::Pixel p) const {
    return channelTo(redMask_, raster::redOf(p)) | channelTo(greenMask_, raster::greenOf(p)) |
           channelTo(blueMask_, raster::blueOf(p)) | opaque_;
}

void PixelLayout::put(Display* display, Drawable drawable, GC gc, const raster::Surface& surface,
                      const CRect& area) const {
    const CRect a = area.intersect(surface.bounds());
    if (a.isEmpty() || !visual_) return;
    constexpr int kPad = 32;
    if (direct_) {
        // The surface's rows as they stand; the image only borrows them.
        XImage* image = XCreateImage(display, visual_, unsigned(depth_), ZPixmap, 0,
                                     reinterpret_cast<char*>(const_cast<raster::Pixel*>(surface.data())),
                                     unsigned(surface.width()), unsigned(surface.height()), kPad,
                                     int(surface.stride() * sizeof(raster::Pixel)));
        if (!image) return;
        XPutImage(display, drawable, gc, image, a.left, a.top, a.left, a.top, unsigned(a.width()),
                  unsigned(a.height()));
        image->data = nullptr;
        XDestroyImage(image);
        return;
    }
    // Any other visual: convert the area into an image of its own.
    XImage* image = XCreateImage(display, visual_, unsigned(depth_), ZPixmap, 0, nullptr,
                                 unsigned(a.width()), unsigned(a.height()), kPad, 0);
    if (!image) return;
    std::vector<char> bytes(std::size_t(image->bytes_per_line) * std::size_t(a.height()));
    image->data = bytes.data();
    for (int y = 0; y < a.height(); ++y) {
        const raster::Pixel* src = surface.row(a.top + y) + a.left;
        for (int x = 0; x < a.width(); ++x) XPutPixel(image, x, y, convert(src[x]));
    }
    XPutImage(display, drawable, gc, image, 0, 0, a.left, a.top, unsigned(a.width()),
              unsigned(a.height()));
    image->data = nullptr;
    XDestroyImage(image);
}

PolledKeys::PolledKeys(Display* display) {
    auto codes = [display](KeyCode (&out)[kSlots], KeySym first, KeySym second) {
        out[0] = XKeysymToKeycode(display, first);
        out[1] = XKeysymToKeycode(display, second);
    };
    codes(shift, XK_Shift_L, XK_Shift_R);
    codes(control, XK_Control_L, XK_Control_R);
    codes(alt, XK_Alt_L, XK_Alt_R);
    codes(tab, XK_Tab, XK_ISO_Left_Tab);
}

bool anyDown(const char keys[kKeymapBytes], const KeyCode (&codes)[PolledKeys::kSlots]) {
    constexpr int kBitsPerByte = 8;
    for (KeyCode c : codes) {
        if (c != 0 && (static_cast<unsigned char>(keys[c / kBitsPerByte]) >> (c % kBitsPerByte)) & 1u)
            return true;
    }
    return false;
}

raster::Surface readPixels(Display* display, Drawable drawable, const CRect& area) {
    raster::Surface out(std::max(area.width(), 0), std::max(area.height(), 0));
    if (area.isEmpty()) return out;
    ErrorTrap trap(display, false);  // a drawable that is gone gives black
    XImage* image = XGetImage(display, drawable, area.left, area.top, unsigned(area.width()),
                              unsigned(area.height()), AllPlanes, ZPixmap);
    if (!image) return out;
    for (int y = 0; y < area.height(); ++y)
        for (int x = 0; x < area.width(); ++x) {
            const unsigned long p = XGetPixel(image, x, y);
            out.row(y)[x] = raster::pixelOf(CColorRGB{channelFrom(image->red_mask, p), channelFrom(image->green_mask, p),
                                                      channelFrom(image->blue_mask, p), 0});
        }
    XDestroyImage(image);
    return out;
}

void waitForInput(Display* display, int milliseconds) {
    XFlush(display);
    if (XPending(display)) return;
    pollfd fd{ConnectionNumber(display), POLLIN, 0};
    poll(&fd, 1, milliseconds);
}

}  // namespace tf::platform::x11
