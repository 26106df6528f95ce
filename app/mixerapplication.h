#pragma once

class SystemServices;

// Everything the program does once its QApplication exists: the version gate, COM, the device
// library's root object, the main window and the event loop, and the shutdown in this order:
// control deleted, COM uninitialised, window destroyed. Returns QApplication::exec()'s result.
int runMixerApplication(SystemServices& system);
