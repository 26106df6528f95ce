// SPDX-License-Identifier: GPL-3.0-or-later
#include "presettransfer.h"

#include "librarylocker.h"
#include "presetfilereader.h"
#include "presetfilewriter.h"
#include "presetreader.h"
#include "presetwriter.h"
#include "tarvixdevice.h"

#include <QBuffer>

namespace PresetTransfer {
namespace {

QString reason(Outcome outcome)
{
    switch (outcome) {
    case Outcome::CannotOpenFile:
        return QStringLiteral("Failed to open file.");
    case Outcome::InvalidFileFormat:
        return QStringLiteral("Invalid file format.");
    case Outcome::DeviceRemoved:
        return QStringLiteral("The device was removed.");
    case Outcome::CannotWriteFile:
        return QStringLiteral("Failed to write file.");
    case Outcome::Done:
        break;
    }
    return QString();
}

QString failure(const char* prefix, Outcome outcome)
{
    return outcome == Outcome::Done ? QString() : QLatin1String(prefix) + reason(outcome);
}

Outcome readFile(const QString& fileName, QByteArray* document)
{
    switch (PresetFileReader::read(fileName, document)) {
    case PresetFileReader::Result::CannotOpen:
        return Outcome::CannotOpenFile;
    case PresetFileReader::Result::TooLarge:
        return Outcome::InvalidFileFormat;
    case PresetFileReader::Result::Read:
        break;
    }
    return Outcome::Done;
}

Outcome outcomeOf(PresetReadResult result)
{
    switch (result) {
    case PresetReadResult::Applied:
        break;
    case PresetReadResult::InvalidFile:
        return Outcome::InvalidFileFormat;
    case PresetReadResult::DeviceRemoved:
        return Outcome::DeviceRemoved;
    }
    return Outcome::Done;
}

// Reads the whole file into memory, then hands it to `apply`: the file system is done with
// before the device is touched.
Outcome readAndApply(const QString& fileName, const std::function<Outcome(QIODevice*)>& apply)
{
    QByteArray document;
    const Outcome read = readFile(fileName, &document);
    if (read != Outcome::Done)
        return read;
    QBuffer buffer(&document);
    buffer.open(QIODevice::ReadOnly);
    return apply(&buffer);
}

} // namespace

Outcome store(TarvixControl& control, const DeviceLookup& device, const QString& fileName)
{
    PresetFileWriter file(fileName);
    if (!file.open())
        return Outcome::CannotOpenFile;
    QByteArray document;
    {
        LibraryLocker locker(&control);
        TarvixDevice* found = device();
        // An earlier preset under this name is worth more than an empty one: the writer's
        // destructor leaves it as it was.
        if (!found)
            return Outcome::DeviceRemoved;
        QBuffer buffer(&document);
        buffer.open(QIODevice::WriteOnly);
        writePreset(&buffer, found);
        // A card pulled out while it was read gave no true state: keep the earlier file.
        if (!control.getDevice(found->id))
            return Outcome::DeviceRemoved;
    }
    return file.commit(document) ? Outcome::Done : Outcome::CannotWriteFile;
}

Outcome load(TarvixControl& control, const DeviceLookup& device, const QString& fileName)
{
    return readAndApply(fileName, [&](QIODevice* file) {
        LibraryLocker locker(&control);
        TarvixDevice* found = device();
        if (!found)
            return Outcome::DeviceRemoved;
        // A card pulled out during the load is no longer a device the library has: the rest of
        // the preset is dropped.
        const QByteArray id(found->id);
        const auto isPresent = [&] {
            return device() == found && control.getDevice(id.constData());
        };
        return outcomeOf(readPreset(file, found, isPresent));
    });
}

Outcome check(const QString& fileName)
{
    return readAndApply(fileName,
                        [](QIODevice* file) { return outcomeOf(readPreset(file, nullptr)); });
}

QString storeFailure(Outcome outcome)
{
    return failure("Failed to store presets: ", outcome);
}

QString loadFailure(Outcome outcome)
{
    return failure("Failed to load presets: ", outcome);
}

} // namespace PresetTransfer
