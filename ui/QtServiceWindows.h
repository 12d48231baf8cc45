#pragma once
// The windows that the receiver thread and the pipeline change, carried out on the user
// interface thread while the calling thread waits.

#include "reception/WindowPorts.h"

// The process-wide implementation; it reaches the views through the application object
// and does nothing for a view that does not exist (yet or any more).
ServiceWindows& QtServiceWindows();
