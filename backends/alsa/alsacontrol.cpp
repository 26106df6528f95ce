// SPDX-License-Identifier: GPL-3.0-or-later
#include "alsacontrol.h"

#include "alsadevice.h"
#include "cardidentity.h"

#include <cerrno>
#include <cstring>
#include <dirent.h>
#include <future>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/inotify.h>
#include <system_error>
#include <unistd.h>

namespace {

constexpr const char* kNodePrefix = "controlC";

// The card number of a control node's name, or -1.
int nodeNumber(const char* name)
{
    const std::size_t prefix = std::strlen(kNodePrefix);
    if (std::strncmp(name, kNodePrefix, prefix) != 0 || name[prefix] == '\0')
        return -1;
    int number = 0;
    for (const char* c = name + prefix; *c; ++c) {
        if (*c < '0' || *c > '9' || number > 99999)
            return -1;
        number = number * 10 + (*c - '0');
    }
    return number;
}

} // namespace

AlsaControl::AlsaControl(const AlsaBackend::Options& options) : options(options)
{
    wakeFd = eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC);
    watchFd = inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    if (wakeFd < 0 || watchFd < 0) {
        const int error = errno;
        if (wakeFd >= 0)
            ::close(wakeFd);
        if (watchFd >= 0)
            ::close(watchFd);
        throw std::system_error(error, std::generic_category(), "ALSA library set-up");
    }
    // A folder that does not exist is not watched: no card is found.
    inotify_add_watch(watchFd, options.deviceFolder.c_str(),
                      IN_CREATE | IN_DELETE | IN_ATTRIB | IN_MOVED_FROM | IN_MOVED_TO);
    // The cards present now are listed on the library thread while the caller goes on (a window
    // builds its form meanwhile). That thread takes the library lock before the control is
    // handed out and keeps it until they are all listed, so every call that needs the devices
    // waits for them, and a listener registered next hears of all of them at once.
    std::promise<void> lockTaken;
    std::future<void> scanHoldsLock = lockTaken.get_future();
    thread = std::thread([this, lockTaken = std::move(lockTaken)]() mutable {
        {
            LibraryLock::Guard guard(libraryLock());
            lockTaken.set_value();
            scanFolder();
        }
        run();
    });
    scanHoldsLock.wait();
}

AlsaControl::~AlsaControl()
{
    stopDelivering();
    stopping = true;
    const std::uint64_t one = 1;
    (void)!::write(wakeFd, &one, sizeof one);
    thread.join();
    for (const std::shared_ptr<AlsaDevice>& device : listedDevices())
        device->card().close();
    ::close(watchFd);
    ::close(wakeFd);
}

const char* AlsaControl::backendName()
{
    return "ALSA";
}

TarvixDevice* AlsaControl::getDevice(const char* id)
{
    LibraryLock::Guard guard(libraryLock());
    auto* device = static_cast<AlsaDevice*>(BackendControl::getDevice(id));
    return device && !device->card().hasFailed() ? device : nullptr;
}

void AlsaControl::run()
{
    while (!stopping)
        waitAndHandle();
}

void AlsaControl::waitAndHandle()
{
    std::vector<pollfd> descriptors{{wakeFd, POLLIN, 0}, {watchFd, POLLIN, 0}};
    std::vector<std::pair<int, std::size_t>> cardRanges; // card number, first descriptor
    {
        LibraryLock::Guard guard(libraryLock());
        for (const std::shared_ptr<AlsaDevice>& device : listedDevices()) {
            cardRanges.emplace_back(device->card().number(), descriptors.size());
            for (const pollfd& descriptor : device->card().pollDescriptors())
                descriptors.push_back(descriptor);
        }
    }
    if (::poll(descriptors.data(), descriptors.size(), -1) < 0 && errno != EINTR)
        return;
    if (stopping)
        return;
    if (descriptors[0].revents) {
        std::uint64_t count;
        (void)!::read(wakeFd, &count, sizeof count);
    }
    LibraryLock::Guard guard(libraryLock());
    if (descriptors[1].revents)
        handleFolderEvents();
    for (std::size_t i = 0; i < cardRanges.size(); ++i) {
        const auto [number, first] = cardRanges[i];
        const std::size_t last =
            i + 1 < cardRanges.size() ? cardRanges[i + 1].second : descriptors.size();
        const std::shared_ptr<AlsaDevice> device = listedCard(number);
        if (!device)
            continue; // its node went away just now
        std::vector<pollfd> own(descriptors.begin() + static_cast<std::ptrdiff_t>(first),
                                descriptors.begin() + static_cast<std::ptrdiff_t>(last));
        const AlsaCard::Events events = device->card().handleEvents(own);
        if (events.gone) {
            closeCard(number);
            continue;
        }
        if (events.reshaped) {
            nodeAppeared(number); // its removal, and its arrival in the new shape
            continue;
        }
        device->reportChanges(events.changedValues);
        if (events.accessChanged)
            device->reportAllLevels();
    }
    // A read or write on another thread may have found a card gone.
    std::vector<int> failed;
    for (const std::shared_ptr<AlsaDevice>& device : listedDevices()) {
        if (device->card().hasFailed())
            failed.push_back(device->card().number());
    }
    for (int number : failed)
        closeCard(number);
}

void AlsaControl::scanFolder()
{
    DIR* folder = opendir(options.deviceFolder.c_str());
    if (!folder)
        return;
    std::vector<int> numbers;
    while (const dirent* entry = readdir(folder)) {
        const int number = nodeNumber(entry->d_name);
        if (number >= 0)
            numbers.push_back(number);
    }
    closedir(folder);
    std::sort(numbers.begin(), numbers.end());
    for (int number : numbers) {
        if (!listedCard(number) && !unlisted.count(number))
            nodeAppeared(number);
    }
}

void AlsaControl::handleFolderEvents()
{
    alignas(inotify_event) char buffer[4096];
    ssize_t length;
    bool overflow = false;
    while ((length = ::read(watchFd, buffer, sizeof buffer)) > 0) {
        for (char* p = buffer; p < buffer + length;) {
            const auto* event = reinterpret_cast<const inotify_event*>(p);
            p += sizeof(inotify_event) + event->len;
            overflow |= (event->mask & IN_Q_OVERFLOW) != 0;
            const int number = event->len ? nodeNumber(event->name) : -1;
            if (number < 0)
                continue;
            if (event->mask & (IN_DELETE | IN_MOVED_FROM))
                nodeRemoved(number);
            else if (event->mask & (IN_CREATE | IN_MOVED_TO))
                nodeAppeared(number);
            else if (event->mask & IN_ATTRIB)
                nodeChanged(number);
        }
    }
    if (overflow)
        scanFolder();
}

void AlsaControl::nodeAppeared(int number)
{
    // A node replaced by another of the same name: the old card is gone.
    if (listedCard(number))
        closeCard(number);
    unlisted.erase(number);
    unopened.insert(number);
    tryOpen(number);
}

void AlsaControl::nodeChanged(int number)
{
    if (unopened.count(number))
        tryOpen(number);
}

void AlsaControl::nodeRemoved(int number)
{
    unopened.erase(number);
    unlisted.erase(number);
    closeCard(number);
}

void AlsaControl::tryOpen(int number)
{
    std::unique_ptr<AlsaCard> card =
        AlsaCard::open(number, options.statePlugin, options.deviceFolder);
    if (!card)
        return; // tried again on the node's next attribute change
    unopened.erase(number);
    if (!options.listAllCards && card->driver() != "USB-Audio") {
        unlisted.insert(number);
        return;
    }
    list(std::move(card));
}

void AlsaControl::list(std::shared_ptr<AlsaCard> card)
{
    addDevice(std::make_shared<AlsaDevice>(card, uniqueId(*card), libraryLock(), notifications()));
}

std::string AlsaControl::uniqueId(const AlsaCard& card) const
{
    const CardIdentity identity = CardIdentity::read(options.sysfsRoot, card.number(), card.id());
    const auto isTaken = [this](const std::string& id) { return findDevice(id) != nullptr; };
    if (!isTaken(identity.preferredId))
        return identity.preferredId;
    if (!isTaken(identity.fallbackId))
        return identity.fallbackId;
    return identity.fallbackId + "#" + std::to_string(card.number());
}

void AlsaControl::closeCard(int number)
{
    const std::shared_ptr<AlsaDevice> device = listedCard(number);
    if (!device)
        return;
    device->card().close();
    removeDevice(device->id);
}

std::vector<std::shared_ptr<AlsaDevice>> AlsaControl::listedDevices() const
{
    std::vector<std::shared_ptr<AlsaDevice>> devices;
    for (const std::shared_ptr<TarvixDevice>& record : presentRecords())
        devices.push_back(std::static_pointer_cast<AlsaDevice>(record));
    return devices;
}

std::shared_ptr<AlsaDevice> AlsaControl::listedCard(int number) const
{
    for (const std::shared_ptr<AlsaDevice>& device : listedDevices()) {
        if (device->card().number() == number)
            return device;
    }
    return nullptr;
}
