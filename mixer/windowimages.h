// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QColor>
#include <QImage>

// The window's images: the logo and the preset buttons' icons, from the resources. Each is a PNG
// with a twin twice its size, NAME@2x.png, read instead on a screen with more than one device
// pixel to a point, so that each image is decoded once. The logo has a variant for dark palettes,
// Tarvix-dark.png. Nothing here makes a pixmap, so it may run on a thread other than the GUI
// thread; the resources must be registered first.
struct WindowImages
{
    QImage logo;
    QImage loadIcon;
    QImage storeIcon;

    // Reads them for a screen of `devicePixelRatio` and a window of `windowColour`.
    static WindowImages read(qreal devicePixelRatio, const QColor& windowColour);

    // The logo alone: the variant for dark palettes where `windowColour` is one against which
    // white stands out more than black does.
    static QImage readLogo(qreal devicePixelRatio, const QColor& windowColour);
};
