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
};
