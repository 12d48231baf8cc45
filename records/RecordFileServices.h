#pragma once
// What the record files of a store, and the trap log, use of the program around them.

#include "records/DBLib.h"

class FailPoints;
class MessageBoxPort;

struct RecordFileServices {
    // Where the boxes go of a file that cannot be opened, read or saved.
    MessageBoxPort& boxes;
    // How a writer's failed open waits before the next attempt (tests: not at all).
    DBLib::RetrySleep retrySleep = DBLib::SleepFor;
    // Tests only: the points at which a save is made to fail.
    FailPoints* failPoints = nullptr;
};
