#include "gui/resources.h"

namespace tf::gui {

const BitmapResource* findBitmapResource(int id) {
    for (const BitmapResource& r : bitmapResourceTable())
        if (r.id == id) return &r;
    return nullptr;
}

}  // namespace tf::gui
