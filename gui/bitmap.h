// Reference-counted bitmaps loaded from the library's bitmap resources.
#pragma once

#include "gui/geometry.h"
#include "gui/platform/raster/surface.h"

class CPaintContext;

class CResBitmap {
public:
    // Loads resource `resourceId`; a bitmap that cannot be loaded has size
    // 0 x 0 and draws nothing. Starts with one reference.
    explicit CResBitmap(int resourceId);
    // Adopts an image made at run time (tests, tools); resource id -1.
    explicit CResBitmap(tf::raster::Surface image);

    CResBitmap(const CResBitmap&) = delete;
    CResBitmap& operator=(const CResBitmap&) = delete;

    int getResourceId() const { return resourceId; }
    int getWidth() const { return image.width(); }
    int getHeight() const { return image.height(); }
    bool isLoaded() const { return !image.isEmpty(); }
    const tf::raster::Surface& getImage() const { return image; }

    // Opaque copy of a `dest`-sized piece of the image, taken at `offset`.
    void draw(CPaintContext* context, const CRect& dest, const CPoint& offset = CPoint());

    void retain() { ++refCount; }
    // Drops a reference; the last one deletes the bitmap.
    void release();
    int getRefCount() const { return refCount; }

private:
    ~CResBitmap() = default;

    int resourceId = -1;
    int refCount = 1;
    tf::raster::Surface image;
};

// Points `slot` at `bitmap`, retaining it and releasing the bitmap the slot
// held before; either may be null.
void assignBitmap(CResBitmap*& slot, CResBitmap* bitmap);
