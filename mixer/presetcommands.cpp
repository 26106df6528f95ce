#include "presetcommands.h"

#include "librarylocker.h"
#include "presetfiledialogs.h"
#include "presetfilereader.h"
#include "presetfilewriter.h"
#include "presetreader.h"
#include "presetwriter.h"
#include "tarvixdevice.h"

#include <QBuffer>
#include <QCoreApplication>
#include <QErrorMessage>

namespace {

const char* const errorTitle = "TarvixMixer - Error";
const char* const presetFileName = "preset.tarvix";

// The captions and the filter are the window's texts, translated in its context.
QString translated(const char* text)
{
    return QCoreApplication::translate("TarvixMixer", text);
}

} // namespace

PresetCommands::PresetCommands(QWidget* window, TarvixControl* control,
                               TarvixDevice* const& currentDevice)
    : window(window), control(control), currentDevice(currentDevice),
      fileDialogs(PresetFileDialogs::qtDialogs())
{
}

void PresetCommands::setFileDialogs(PresetFileDialogs* dialogs)
{
    fileDialogs = dialogs;
}

// The device may have been unplugged while a dialog was open, and another made current.
bool PresetCommands::isSelected(const QString& deviceId) const
{
    return currentDevice && QString::fromUtf8(currentDevice->id) == deviceId;
}

void PresetCommands::store(const QString& deviceId)
{
    const QString fileName = fileDialogs->getSaveFileName(
        window, translated(QT_TRANSLATE_NOOP("TarvixMixer", "Store preset")),
        QString::fromLatin1(presetFileName),
        translated(QT_TRANSLATE_NOOP("TarvixMixer", "Tarvix preset file (*.tarvix)")));
    if (fileName.isEmpty())
        return;
    PresetFileWriter file(fileName);
    if (!file.open()) {
        showError(QStringLiteral("Failed to store presets: Failed to open file."));
        return;
    }
    QByteArray document;
    bool deviceRemoved = false;
    {
        LibraryLocker locker(control);
        if (isSelected(deviceId)) {
            QBuffer buffer(&document);
            buffer.open(QIODevice::WriteOnly);
            writePreset(&buffer, currentDevice);
        } else {
            deviceRemoved = true;
        }
    }
    if (deviceRemoved) {
        // An earlier preset under this name is worth more than an empty one.
        file.cancel();
        showError(QStringLiteral("Failed to store presets: The device was removed."));
    } else if (!file.commit(document)) {
        showError(QStringLiteral("Failed to store presets: Failed to write file."));
    }
}

bool PresetCommands::load(const QString& deviceId)
{
    const QString fileName = fileDialogs->getOpenFileName(
        window, translated(QT_TRANSLATE_NOOP("TarvixMixer", "Load preset")),
        QString::fromLatin1(presetFileName),
        translated(QT_TRANSLATE_NOOP("TarvixMixer", "Tarvix preset file (*.tarvix)")));
    if (fileName.isEmpty())
        return true;
    return loadFile(deviceId, fileName);
}

bool PresetCommands::loadFile(const QString& deviceId, const QString& fileName)
{
    QByteArray document;
    switch (PresetFileReader::read(fileName, &document)) {
    case PresetFileReader::Result::CannotOpen:
        showError(QStringLiteral("Failed to load presets: Failed to open file."));
        return false;
    case PresetFileReader::Result::TooLarge:
        showError(QStringLiteral("Failed to load presets: Invalid file format."));
        return true;
    case PresetFileReader::Result::Read:
        break;
    }
    QBuffer buffer(&document);
    buffer.open(QIODevice::ReadOnly);
    PresetReadResult result = PresetReadResult::DeviceRemoved;
    {
        LibraryLocker locker(control);
        // A card pulled out during the load is no longer a present device: the rest is dropped.
        const QByteArray id = deviceId.toUtf8();
        const auto isPresent = [this, &id] { return control->getDevice(id.constData()); };
        if (isSelected(deviceId))
            result = readPreset(&buffer, currentDevice, isPresent);
    }
    if (result == PresetReadResult::DeviceRemoved)
        showError(QStringLiteral("Failed to load presets: The device was removed."));
    else if (result == PresetReadResult::InvalidFile)
        showError(QStringLiteral("Failed to load presets: Invalid file format."));
    return true;
}

void PresetCommands::showError(const QString& message)
{
    // A new box each time: one box's "don't show again" never silences a later failure.
    auto* box = new QErrorMessage(window);
    box->setWindowTitle(QString::fromLatin1(errorTitle));
    box->showMessage(message);
}
