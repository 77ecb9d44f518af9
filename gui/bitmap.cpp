#include "gui/bitmap.h"

#include "gui/context.h"
#include "gui/resources.h"

CResBitmap::CResBitmap(int id) : resourceId(id) { tf::gui::loadBitmapResource(id, image); }

CResBitmap::CResBitmap(tf::raster::Surface adopted) : image(std::move(adopted)) {}

void CResBitmap::draw(CPaintContext* context, const CRect& dest, const CPoint& offset) {
    if (context && isLoaded()) context->drawImage(image, dest, offset);
}

void CResBitmap::release() {
    if (--refCount <= 0) delete this;
}

void assignBitmap(CResBitmap*& slot, CResBitmap* bitmap) {
    if (bitmap) bitmap->retain();
    if (slot) slot->release();
    slot = bitmap;
}
