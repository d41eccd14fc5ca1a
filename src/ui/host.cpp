#include "ui/host.h"

namespace {
WindowHost* gHost = nullptr;
}

WindowHost& Host() { return *gHost; }

void SetHost(WindowHost* host) { gHost = host; }
