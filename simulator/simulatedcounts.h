#pragma once

#include <cstdint>

// What a simulated control has reported so far, for tests that count notifications.
struct SimulatedCounts
{
    // Device notifications delivered, by type; otherDeviceEvents counts values outside
    // CallbackType's three.
    std::uint64_t deviceArrivals = 0;
    std::uint64_t deviceRemovals = 0;
    std::uint64_t deviceChanges = 0;
    std::uint64_t otherDeviceEvents = 0;
    // Level or mute changes made to an endpoint while it had a listener, and those delivered.
    std::uint64_t volumeChangesMade = 0;
    std::uint64_t volumeChangesDelivered = 0;
    // onHIDChanged calls made from poll().
    std::uint64_t hidReports = 0;
    // Notifications not delivered because their listener had been replaced or unregistered.
    std::uint64_t droppedNotifications = 0;
    // Test requests that named no present device, endpoint or HID interface, or a duplicate id.
    std::uint64_t ignoredRequests = 0;
};
