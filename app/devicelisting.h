// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

struct TarvixDevice;

// One device as --list prints it.
struct ListedDevice
{
    QString id;
    QString name;
    QStringList features;
};

// What --list prints about the devices present, and how names and ids are made safe for a line
// of text. Plain functions of values, any thread; featuresOf() reads a device record, so its
// caller holds the library's lock.
namespace DeviceListing {

// What the device has, in this order: "output", "input" ("output-mute", "input-mute" for a
// direction that has its mute switch and no levels), and "phantom" and "loopback" for its
// switches interface.
QStringList featuresOf(const TarvixDevice& device);

// Backslash, tab, line breaks and other control characters written as C escapes ("\\", "\t",
// "\n", "\x1b"), so that a value stays within its line and its column.
QString escaped(const QString& text);

// One line per device: escaped id, tab, escaped name, tab, features joined by commas ("-" for
// none).
QString tabSeparated(const QList<ListedDevice>& devices);

// An array with one object per device: {"id", "name", "features": [...]}, ending in a newline.
QByteArray json(const QList<ListedDevice>& devices);

} // namespace DeviceListing
