#pragma once

#include <QImage>

// The window's images: the logo and the preset buttons' icons, from the resources. Each is a PNG
// with a twin twice its size, NAME@2x.png, read instead on a screen with more than one device
// pixel to a point, so that each image is decoded once.
struct WindowImages
{
    QImage logo;
    QImage loadIcon;
    QImage storeIcon;

    // Reads them for a screen of `devicePixelRatio`. Makes no pixmap, so it may run on a thread
    // other than the GUI thread; the resources must be registered first.
    static WindowImages read(qreal devicePixelRatio);
};
