// SPDX-License-Identifier: GPL-3.0-or-later
#include "backendtable.h"

#include "simulatedcontrol.h"
#include "simulatedhardwarepanel.h"
#ifdef TARVIX_WITH_ALSA
#include "alsabackend.h"
#endif

#include <QCoreApplication>
#include <QDir>
#include <QFile>

#include <exception>

namespace {

bool alwaysUsable(const BackendOptions&)
{
    return true;
}

TarvixControl* createSimulator(const BackendOptions&)
{
    return new SimulatedControl();
}

// The row made this control, so it is the simulator's.
QWidget* openSimulatedHardwarePanel(TarvixControl& control, QWidget* parent)
{
    return new SimulatedHardwarePanel(static_cast<SimulatedControl&>(control), parent);
}

#ifdef TARVIX_WITH_ALSA
// ALSA serves a machine that has a sound device folder, and always the state-file cards.
bool alsaUsable(const BackendOptions& options)
{
    return !options.cardStateFolder.isEmpty() || AlsaBackend::isUsableHere();
}

AlsaBackend::Options alsaOptions(const BackendOptions& options)
{
    AlsaBackend::Options alsa;
    alsa.listAllCards = options.listAllCards;
    if (!options.cardStateFolder.isEmpty()) {
        // Every state-file card is shown, whatever driver it names, and none is taken for a
        // card of this machine's sysfs.
        const QDir folder(options.cardStateFolder);
        alsa.deviceFolder = QFile::encodeName(folder.path()).toStdString();
        alsa.sysfsRoot = QFile::encodeName(folder.filePath("no-sysfs")).toStdString();
        alsa.listAllCards = true;
        alsa.statePlugin =
            QFile::encodeName(
                QDir(QCoreApplication::applicationDirPath()).filePath(TARVIX_STATE_CARD_PLUGIN))
                .toStdString();
    }
    return alsa;
}

TarvixControl* createAlsa(const BackendOptions& options)
{
    return AlsaBackend::createControl(alsaOptions(options));
}
#endif

} // namespace

namespace BackendTable {

const std::vector<BackendEntry>& entries()
{
    static const std::vector<BackendEntry> table = {
#ifdef TARVIX_WITH_ALSA
        {"alsa", "Sound cards through ALSA", true, alsaUsable, createAlsa, nullptr},
#endif
        {"simulator", "Simulated devices", false, alwaysUsable, createSimulator,
         openSimulatedHardwarePanel},
    };
    return table;
}

const BackendEntry* find(const QString& name)
{
    for (const BackendEntry& entry : entries()) {
        if (name == QLatin1String(entry.name))
            return &entry;
    }
    return nullptr;
}

const BackendEntry* defaultEntry(const BackendOptions& options)
{
    for (const BackendEntry& entry : entries()) {
        if (entry.usable(options))
            return &entry;
    }
    return nullptr;
}

TarvixControl* createControl(const BackendEntry& entry, const BackendOptions& options)
{
    if (!entry.usable(options))
        return nullptr;
    try {
        return entry.create(options);
    } catch (const std::exception&) {
        return nullptr;
    }
}

QString cardStateProblem(const BackendOptions& options, int card)
{
#ifdef TARVIX_WITH_ALSA
    return QString::fromStdString(AlsaBackend::stateCardProblem(alsaOptions(options), card));
#else
    Q_UNUSED(options);
    Q_UNUSED(card);
    return QString();
#endif
}

} // namespace BackendTable
