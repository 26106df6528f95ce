// SPDX-License-Identifier: GPL-3.0-or-later
#include "windowlesscommands.h"

#include "commandline.h"
#include "devicelisting.h"
#include "hostsystem.h"
#include "librarylocker.h"
#include "presettransfer.h"
#include "restoreonplug.h"
#include "tarvixdevice.h"
#include "terminationsignals.h"

#include <QCoreApplication>

#include <cstdio>
#include <memory>

namespace {

constexpr int Succeeded = 0;
constexpr int Failed = 1;

void print(std::FILE* stream, const QByteArray& text)
{
    std::fwrite(text.constData(), 1, static_cast<std::size_t>(text.size()), stream);
    std::fflush(stream);
}

// "tarvixmixer: <message>" on a line of its own.
void printError(const QString& message)
{
    const QString line = QCoreApplication::applicationName() + QStringLiteral(": ") + message;
    print(stderr, (line + u'\n').toLocal8Bit());
}

// "tarvixmixer: <subject>: <message>", the subject being a file or a device.
void complain(const QString& subject, const QString& message)
{
    printError(DeviceListing::escaped(subject) + QStringLiteral(": ") + message);
}

QString shown(const QByteArray& id)
{
    return QString::fromUtf8(id);
}

// Names the device that a failure is about, or the file when the file is at fault.
QString subjectOf(PresetTransfer::Outcome outcome, const QByteArray& id, const QString& fileName)
{
    return outcome == PresetTransfer::Outcome::DeviceRemoved ? shown(id) : fileName;
}

QString namesOf(const QList<QByteArray>& ids)
{
    QStringList names;
    for (const QByteArray& id : ids)
        names.append(DeviceListing::escaped(shown(id)));
    return names.join(QStringLiteral(", "));
}

// The device the command is for: the one named, or the only one present; null after a
// complaint.
QByteArray chosenDevice(const CommandLine& commandLine, const QList<QByteArray>& present)
{
    if (!commandLine.deviceId().isNull()) {
        const QByteArray wanted = commandLine.deviceId().toUtf8();
        if (present.contains(wanted))
            return wanted;
        complain(commandLine.deviceId(),
                 present.isEmpty()
                     ? QStringLiteral("No such device; no device is present.")
                     : QStringLiteral("No such device; present: %1.").arg(namesOf(present)));
    } else if (present.isEmpty()) {
        printError(QStringLiteral("No device is present."));
    } else if (present.size() > 1) {
        printError(QStringLiteral("Several devices are present; choose one with --device: %1.")
                       .arg(namesOf(present)));
    } else {
        return present.constFirst();
    }
    return QByteArray();
}

int list(TarvixControl& control, const QList<QByteArray>& present, bool json)
{
    QList<ListedDevice> devices;
    {
        LibraryLocker locker(&control);
        for (const QByteArray& id : present) {
            // Unplugged since it was reported: not listed.
            if (const TarvixDevice* device = control.getDevice(id.constData()))
                devices.append({shown(id), QString::fromUtf8(device->name),
                                DeviceListing::featuresOf(*device)});
        }
    }
    print(stdout,
          json ? DeviceListing::json(devices) : DeviceListing::tabSeparated(devices).toUtf8());
    return Succeeded;
}

// Per device a line "device<TAB>ID<TAB>NAME", then the library's explanation of its controls.
int explain(TarvixControl& control, const QList<QByteArray>& ids)
{
    QByteArray text;
    {
        LibraryLocker locker(&control);
        for (const QByteArray& id : ids) {
            const TarvixDevice* device = control.getDevice(id.constData());
            if (!device)
                continue;
            text += "device\t" + DeviceListing::escaped(shown(id)).toUtf8() + '\t' +
                    DeviceListing::escaped(QString::fromUtf8(device->name)).toUtf8() + '\n';
            text += device->explanation
                        ? QByteArray(device->explanation)
                        : QByteArray("-\t-\tthis device library names no controls\n");
        }
    }
    print(stdout, text);
    return Succeeded;
}

int transfer(TarvixControl& control, const CommandLine& commandLine, const QByteArray& id)
{
    const bool store = commandLine.action() == CommandLine::Action::Store;
    const auto device = [&control, &id] { return control.getDevice(id.constData()); };
    const QString fileName = commandLine.presetFile();
    const PresetTransfer::Outcome outcome = store ? PresetTransfer::store(control, device, fileName)
                                                  : PresetTransfer::load(control, device, fileName);
    if (outcome == PresetTransfer::Outcome::Done)
        return Succeeded;
    complain(subjectOf(outcome, id, fileName),
             store ? PresetTransfer::storeFailure(outcome) : PresetTransfer::loadFailure(outcome));
    return Failed;
}

// Until SIGTERM or SIGINT; the preset is checked once first, so that a mistyped name ends the
// command at once rather than at the first plug.
int restoreOnPlug(const CommandLine& commandLine, std::unique_ptr<TarvixControl> control,
                  RestoreOnPlug& restore)
{
    const QByteArray id = commandLine.deviceId().toUtf8();
    const QString fileName = commandLine.presetFile();
    const PresetTransfer::Outcome checked = PresetTransfer::check(fileName);
    if (checked != PresetTransfer::Outcome::Done) {
        complain(fileName, PresetTransfer::loadFailure(checked));
        return Failed;
    }
    QObject::connect(&restore, &RestoreOnPlug::applied, [&](PresetTransfer::Outcome outcome) {
        if (outcome == PresetTransfer::Outcome::Done)
            complain(shown(id),
                     QStringLiteral("Loaded preset '%1'.").arg(DeviceListing::escaped(fileName)));
        else
            complain(subjectOf(outcome, id, fileName), PresetTransfer::loadFailure(outcome));
    });
    TerminationSignals terminations;
    QObject::connect(&terminations, &TerminationSignals::received, qApp, &QCoreApplication::quit);
    restore.follow(*control);
    QCoreApplication::exec();
    // Delivery has ended once the control is gone; only then may the listener go.
    control.reset();
    return Succeeded;
}

} // namespace

bool cardStatesReady(const HostSystem& system)
{
    const QString error = system.cardStateError();
    if (!error.isEmpty())
        printError(error);
    return error.isEmpty();
}

int runWindowlessCommand(const CommandLine& commandLine)
{
    HostSystem system(commandLine.backend(), commandLine.allCards(), commandLine.cardStates());
    if (!cardStatesReady(system))
        return Failed;
    // The listener outlives the control, which stops its deliveries when deleted.
    RestoreOnPlug restore(commandLine.deviceId().toUtf8(), commandLine.presetFile());
    std::unique_ptr<TarvixControl> control(system.createControl());
    if (!control) {
        printError(QStringLiteral("Failed to open the device library."));
        return Failed;
    }
    if (commandLine.action() == CommandLine::Action::RestoreOnPlug)
        return restoreOnPlug(commandLine, std::move(control), restore);
    QList<QByteArray> present;
    for (const std::string& id : control->presentDeviceIds())
        present.append(QByteArray::fromStdString(id));
    if (commandLine.action() == CommandLine::Action::List)
        return list(*control, present, commandLine.json());
    const bool everyDevice =
        commandLine.action() == CommandLine::Action::Explain && commandLine.deviceId().isNull();
    if (everyDevice)
        return explain(*control, present);
    const QByteArray id = chosenDevice(commandLine, present);
    if (commandLine.action() == CommandLine::Action::Explain)
        return id.isNull() ? Failed : explain(*control, {id});
    return id.isNull() ? Failed : transfer(*control, commandLine, id);
}
