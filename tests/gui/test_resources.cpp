// The compiled bitmap table of the toolkit tests: one small image, so that
// loading by resource id is exercised; everything else is generated.
#include "gui/resources.h"

#include "test_resources.h"

namespace {

// A 4 x 2 24-bit BMP, bottom-up: left half red, right half blue, each row
// 12 bytes (no padding needed).
constexpr std::uint8_t kStripesBmp[] = {
    'B', 'M', 78, 0, 0, 0, 0, 0, 0, 0, 54, 0, 0, 0,                      // file header
    40, 0, 0, 0, 4, 0, 0, 0, 2, 0, 0, 0, 1, 0, 24, 0, 0, 0, 0, 0,        // info header
    24, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0,
    0, 0, 255, 0, 0, 255, 255, 0, 0, 255, 0, 0,                         // bottom row (B, G, R)
    0, 0, 255, 0, 0, 255, 255, 0, 0, 255, 0, 0,                         // top row
};

constexpr tf::gui::BitmapResource kTable[] = {
    {guitest::kResourceStripes, kStripesBmp, sizeof kStripesBmp},
};

}  // namespace

namespace tf::gui {
std::span<const BitmapResource> bitmapResourceTable() { return kTable; }
}  // namespace tf::gui

