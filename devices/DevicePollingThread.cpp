#include "devices/DevicePollingThread.h"

#include "devices/DeviceRegistry.h"

namespace qmt {

void DevicePollingThread::run() {
    while (!wait_.waitFor(quitEvent(), intervalMs_))
        registry_.enumerateDevices();
}

}  // namespace qmt
