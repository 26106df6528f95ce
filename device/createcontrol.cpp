#include "tarvixlibrary.h"

#include "simulatedcontrol.h"

#include <exception>

TarvixControl* tarvix_control_create_win32()
{
    try {
        return new SimulatedControl();
    } catch (const std::exception&) {
        // Out of memory, or the library's threads could not be started.
        return nullptr;
    }
}
