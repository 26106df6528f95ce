#include "hostsystem.h"
#include "mixerapplication.h"

#include <QApplication>

int main(int argc, char* argv[])
{
    QApplication application(argc, argv);
    HostSystem system;
    return runMixerApplication(system);
}
