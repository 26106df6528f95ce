// The mixer's start-up path as the program runs it (the host system and the default device
// library), watched for the moment its window is exposed with the first device applied.

#include "benchsupport.h"
#include "hostsystem.h"
#include "mixerapplication.h"
#include "startupreporter.h"

#include <QApplication>

#include <cstdio>

int main(int argc, char* argv[])
{
    QApplication application(argc, argv);
    StartupReporter reporter(StartupReporter::modeFromArguments(argc, argv), "TarvixMixer", true);
    HostSystem system;
    const int result = runMixerApplication(system);
    std::printf("hwm_kb %ld\n", BenchSupport::peakResidentKb());
    return result;
}
