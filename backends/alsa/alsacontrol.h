// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "alsabackend.h"
#include "backendcontrol.h"

#include <atomic>
#include <memory>
#include <set>
#include <thread>
#include <vector>

class AlsaCard;
class AlsaDevice;

// The ALSA device library: sound cards found as controlC<N> nodes in a watched folder, each
// opened as "hw:<N>" through alsa-lib's configuration.
//
// Threads. One library thread owns all waiting: a wake-up eventfd (shutdown), an inotify watch
// on the device folder and each open card's control descriptors. It opens and closes cards
// and turns the cards' events into reports, always with the library lock held; the kit's
// delivery thread tells the listeners, without the lock. Switches are read by poll() on its
// caller's thread, which reports one changed elsewhere as on every backend (KitHid).
//
// Cards. The nodes present at construction are opened before the constructor returns. A node
// that appears later is opened read-write; one that cannot be opened yet (udev has not set its
// permissions) is tried again on each of its attribute changes until it opens. A
// card goes when its node is deleted or its descriptors report an error: it is closed at once
// and its removal reported.
//
// Deletion stops delivery and the library thread before the destructor returns; the deleting
// thread must not hold the lock.
class AlsaControl final : public BackendControl
{
public:
    explicit AlsaControl(const AlsaBackend::Options& options); // throws std::system_error
    ~AlsaControl() override;

    const char* backendName() override;
    // A card that a read or write has found gone is no longer present, though the library
    // thread closes it only once it gets the lock.
    TarvixDevice* getDevice(const char* id) override;

private:
    void run();
    void waitAndHandle();
    void scanFolder();
    void handleFolderEvents();
    void nodeAppeared(int number);
    void nodeChanged(int number);
    void nodeRemoved(int number);
    void tryOpen(int number);
    void list(std::shared_ptr<AlsaCard> card);
    void closeCard(int number);
    std::string uniqueId(const AlsaCard& card) const;
    // The present devices in order of arrival, and the one of a card number or null.
    std::vector<std::shared_ptr<AlsaDevice>> listedDevices() const;
    std::shared_ptr<AlsaDevice> listedCard(int number) const;

    const AlsaBackend::Options options;
    int wakeFd = -1;
    int watchFd = -1;
    std::atomic<bool> stopping{false};

    // Touched by the library thread only, with the lock held. The listed cards are the kit's
    // present devices.
    std::set<int> unopened; // nodes not opened yet
    std::set<int> unlisted; // opened once, not a card the library lists

    std::thread thread;
};
