// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

class TarvixHID;
class TarvixMixerDevice;

// A device as the library reports it. The library owns the record and everything it points to;
// it stays valid until its removal has been reported. hid, input and output may be null.
struct TarvixDevice
{
    const char* id = nullptr;   // UTF-8, unique among present devices
    const char* name = nullptr; // UTF-8, shown to the user
    TarvixHID* hid = nullptr;
    TarvixMixerDevice* input = nullptr;  // record endpoint
    TarvixMixerDevice* output = nullptr; // playback endpoint
    // UTF-8 lines "ROLE<TAB>CONTROL<TAB>RULE" saying which of the device's controls serves each
    // role and why (CONTROL "-" and why none); null for a library that chooses no controls.
    const char* explanation = nullptr;
};
