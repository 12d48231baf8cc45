#include "pipeline/WindowPorts.h"

#include <atomic>

namespace {
std::atomic<ServiceWindows*> installedWindows{nullptr};
}

void SetServiceWindows(ServiceWindows* windows) { installedWindows.store(windows); }

ServiceWindows* GetServiceWindows() { return installedWindows.load(); }
