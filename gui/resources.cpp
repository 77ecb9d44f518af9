#include "gui/resources.h"

#include "gui/platform/raster/bmp.h"

namespace tf::gui {

bool loadBitmapResource(int id, raster::Surface& image) {
    const BitmapResource* r = findBitmapResource(id);
    return r && raster::decodeBmp(r->data, r->size, image);
}

const BitmapResource* findBitmapResource(int id) {
    for (const BitmapResource& r : bitmapResourceTable())
        if (r.id == id) return &r;
    return nullptr;
}

}  // namespace tf::gui
