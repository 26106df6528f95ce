// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>

class TarvixControl;

// The operating-system services that start-up depends on: the Windows version gate, the COM
// apartment around the device library, and the device library's root object. HostSystem is the
// real one; tests drive start-up and shutdown through their own.
class SystemServices
{
public:
    // Values of Qt 4's QSysInfo::WindowsVersion.
    static constexpr int WindowsXP = 0x0030;
    static constexpr int WindowsServer2003 = 0x0040;
    static constexpr int WindowsVista = 0x0080;
    static constexpr int Windows7 = 0x0090;

    // HRESULT values that CoInitialize returns.
    // S_OK
    static constexpr long ComOk = 0;
    // S_FALSE: COM was already initialised on this thread.
    static constexpr long ComAlreadyInitialized = 1;
    // RPC_E_CHANGED_MODE (0x80010106): the thread's apartment has another concurrency model.
    static constexpr long ComChangedMode = static_cast<std::int32_t>(0x80010106u);

    virtual ~SystemServices() = default;

    // The Windows version as QSysInfo::WindowsVersion reports it.
    virtual int windowsVersion() const = 0;
    // CoInitialize(nullptr) on the calling thread.
    virtual long coInitialize() = 0;
    virtual void coUninitialize() = 0;
    // A new root object of the device library, owned by the caller; null if none can be made.
    virtual TarvixControl* createControl() = 0;
};
