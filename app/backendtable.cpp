#include "backendtable.h"

#include "simulatedcontrol.h"
#ifdef TARVIX_WITH_ALSA
#include "alsabackend.h"
#endif

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <exception>
#include <memory>

namespace {

bool alwaysUsable()
{
    return true;
}

TarvixControl* createSimulator()
{
    return new SimulatedControl();
}

bool listAllCards = false;
// More than any card's state file takes (the largest real one is a few hundred KB), so that a
// huge file is never read whole: the card refuses the copy as too large.
constexpr qint64 stateCopyBytes = 16 << 20;
// The device folder of the cards served from state files; null when there are none.
std::unique_ptr<QTemporaryDir> cardStateFolder;

// Copies a file's bytes to a new file that only its owner may read and write, as the state-file
// card plugin wants of a card's node.
bool copyPrivately(const QByteArray& bytes, const QString& destination)
{
    QFile file(destination);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size() &&
           file.setPermissions(QFile::ReadOwner | QFile::WriteOwner);
}

// The card's name: from the .name file beside the state file, else the state file's own name.
QByteArray cardNameOf(const QFileInfo& stateFile)
{
    QFile nameFile(stateFile.dir().filePath(stateFile.completeBaseName() + ".name"));
    return nameFile.open(QIODevice::ReadOnly) ? nameFile.read(4096)
                                              : stateFile.completeBaseName().toUtf8();
}

#ifdef TARVIX_WITH_ALSA
// ALSA serves a machine that has a sound device folder, and always the state-file cards.
bool alsaUsable()
{
    return cardStateFolder || AlsaBackend::isUsableHere();
}

AlsaBackend::Options alsaOptions()
{
    AlsaBackend::Options options;
    options.listAllCards = listAllCards;
    if (cardStateFolder) {
        // Every state-file card is shown, whatever driver it names, and none is taken for a
        // card of this machine's sysfs.
        const QDir folder(cardStateFolder->path());
        options.deviceFolder = QFile::encodeName(folder.path()).toStdString();
        options.sysfsRoot = QFile::encodeName(folder.filePath("no-sysfs")).toStdString();
        options.listAllCards = true;
        options.statePlugin =
            QFile::encodeName(
                QDir(QCoreApplication::applicationDirPath()).filePath(TARVIX_STATE_CARD_PLUGIN))
                .toStdString();
    }
    return options;
}

TarvixControl* createAlsa()
{
    return AlsaBackend::createControl(alsaOptions());
}
#endif

// Why the copy of a state file cannot serve as card N; empty if it can.
QString stateCardProblem(int card)
{
#ifdef TARVIX_WITH_ALSA
    return QString::fromStdString(AlsaBackend::stateCardProblem(alsaOptions(), card));
#else
    Q_UNUSED(card);
    return QString();
#endif
}

} // namespace

namespace BackendTable {

const std::vector<BackendEntry>& entries()
{
    static const std::vector<BackendEntry> table = {
#ifdef TARVIX_WITH_ALSA
        {"alsa", "Sound cards through ALSA", alsaUsable, createAlsa},
#endif
        {"simulator", "Simulated devices", alwaysUsable, createSimulator},
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

const BackendEntry* defaultEntry()
{
    for (const BackendEntry& entry : entries()) {
        if (entry.usable())
            return &entry;
    }
    return nullptr;
}

TarvixControl* createControl(const BackendEntry& entry)
{
    if (!entry.usable())
        return nullptr;
    try {
        return entry.create();
    } catch (const std::exception&) {
        return nullptr;
    }
}

void setListAllCards(bool all)
{
    listAllCards = all;
}

QString setCardStates(const QStringList& stateFiles)
{
    if (stateFiles.isEmpty())
        return QString();
    cardStateFolder = std::make_unique<QTemporaryDir>();
    if (!cardStateFolder->isValid())
        return QStringLiteral("Cannot make a folder for the card state files: %1.")
            .arg(cardStateFolder->errorString());
    for (int card = 0; card < stateFiles.size(); ++card) {
        const QString node = cardStateFolder->filePath(QStringLiteral("controlC%1").arg(card));
        QFile stateFile(stateFiles[card]);
        QString problem;
        if (!stateFile.open(QIODevice::ReadOnly) ||
            !copyPrivately(stateFile.read(stateCopyBytes), node) ||
            !copyPrivately(cardNameOf(QFileInfo(stateFile)), node + QStringLiteral(".name")))
            problem = stateFile.errorString();
        else
            problem = stateCardProblem(card);
        if (!problem.isEmpty())
            return QStringLiteral("Cannot read card state file '%1': %2.")
                .arg(stateFiles[card], problem);
    }
    return QString();
}

} // namespace BackendTable
