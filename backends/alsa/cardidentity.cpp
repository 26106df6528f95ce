// SPDX-License-Identifier: GPL-3.0-or-later
#include "cardidentity.h"

#include <algorithm>
#include <cctype>
#include <fcntl.h>
#include <filesystem>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

// The first line of a small sysfs attribute, trimmed; empty if it cannot be read. Read with
// plain system calls: the first file stream of a process sets up the C++ locale, which costs the
// program's start-up several times what reading the few attributes does.
std::string readAttribute(const fs::path& file)
{
    char buffer[4096]; // a sysfs attribute is at most a page
    const int fd = ::open(file.c_str(), O_RDONLY | O_CLOEXEC);
    const ssize_t length = fd < 0 ? -1 : ::read(fd, buffer, sizeof buffer);
    if (fd >= 0)
        ::close(fd);
    std::string line(buffer, static_cast<std::size_t>(std::max<ssize_t>(length, 0)));
    line.erase(std::min(line.find('\n'), line.size()));
    const auto notSpace = [](unsigned char c) { return !std::isspace(c); };
    line.erase(std::find_if(line.rbegin(), line.rend(), notSpace).base(), line.end());
    line.erase(line.begin(), std::find_if(line.begin(), line.end(), notSpace));
    return line;
}

std::string lowercase(std::string text)
{
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return text;
}

// The USB device directory that a card's device belongs to: the card's device (an interface)
// or one of its parents that has idVendor and idProduct. Empty if there is none.
fs::path usbDeviceOf(const fs::path& cardDir)
{
    std::error_code error;
    fs::path dir = fs::canonical(cardDir / "device", error);
    for (int depth = 0; !error && depth < 4 && dir.has_relative_path(); ++depth) {
        if (fs::exists(dir / "idVendor", error) && fs::exists(dir / "idProduct", error))
            return dir;
        dir = dir.parent_path();
    }
    return {};
}

} // namespace

bool isPlaceholderSerial(const std::string& serial)
{
    if (serial.size() < 3)
        return true;
    if (std::all_of(serial.begin(), serial.end(), [&](char c) { return c == serial.front(); }))
        return true;
    const auto isDigit = [](unsigned char c) { return std::isdigit(c) != 0; };
    bool ascending = std::all_of(serial.begin(), serial.end(), isDigit);
    for (std::size_t i = 1; i < serial.size() && ascending; ++i)
        ascending = serial[i] == (serial[i - 1] == '9' ? '0' : serial[i - 1] + 1);
    if (ascending)
        return true;
    static const char* const words[] = {
        "none", "null", "n/a", "default", "serial", "unknown", "to be filled by o.e.m.", "0x0"};
    const std::string lower = lowercase(serial);
    return std::find(std::begin(words), std::end(words), lower) != std::end(words);
}

CardIdentity CardIdentity::read(const std::string& sysfsRoot, int card, const std::string& cardId)
{
    const fs::path cardDir =
        fs::path(sysfsRoot) / "class" / "sound" / ("card" + std::to_string(card));
    const CardIdentity virtualCard{"alsa:" + cardId, "alsa:" + cardId + "#" + std::to_string(card)};
    // A virtual card can have the number of a kernel card: sysfs must describe this very card.
    if (readAttribute(cardDir / "id") != cardId)
        return virtualCard;
    const fs::path usb = usbDeviceOf(cardDir);
    if (usb.empty())
        return virtualCard;
    const std::string product = "usb:" + lowercase(readAttribute(usb / "idVendor")) + ":" +
                                lowercase(readAttribute(usb / "idProduct"));
    const std::string port = product + "@" + usb.filename().string();
    const std::string serial = readAttribute(usb / "serial");
    return {isPlaceholderSerial(serial) ? port : product + ":" + serial, port};
}
