#pragma once
// What the record files of a store, and the trap log, use of the program around them.

#include "records/DBLib.h"

class FailPoints;
class MessageBoxPort;
class NoticeRounds;

struct RecordFileServices {
    // Where the boxes go of a file that cannot be opened, read or saved.
    MessageBoxPort& boxes;
    // How a writer's failed open waits before the next attempt (tests: not at all).
    DBLib::RetrySleep retrySleep = DBLib::SleepFor;
    // The receiver's rounds, in which each file's notices are read once a round.
    const NoticeRounds* noticeRounds = nullptr;
    // Tests only: the points at which a save is made to fail.
    FailPoints* failPoints = nullptr;
};
