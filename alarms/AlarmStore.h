#pragma once
// The alarms, their history and the acknowledgements in SQLite (db/alarms.sqlite), written
// by a thread of its own in transactions of many changes: every 200 ms, or sooner once
// 1,000 have gathered. Write-ahead logging with synchronous=NORMAL: a process killed at any
// moment leaves a database that opens with every transaction committed before; only a
// machine that loses power may lose the last ones, never the file. The history is kept
// within the days and megabytes of the settings, pruned by the same thread a slice at a
// time. Outside readers (the sqlite3 shell) may read the tables while the program runs.

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "alarms/AlarmEngine.h"

struct sqlite3;
class SettingsSource;

inline constexpr std::string_view kAlarmDatabaseName = "alarms.sqlite";

// One row of an alarm's history as the store keeps it.
struct AlarmHistoryRow {
    int64_t ms = 0;
    std::string event;     // HistoryEventName's
    std::string severity;  // the severity's name
    uint64_t count = 0;
};

// The newest `limit` rows of alarm id's history, newest first, read through a connection
// of its own (any thread; the writer goes on meanwhile). Empty when the file cannot be read.
std::vector<AlarmHistoryRow> ReadAlarmHistory(const std::string& path, int64_t id, int limit);

class AlarmStore {
public:
    AlarmStore(AlarmEngine& engine, const SettingsSource& settings);
    // Stops the writer as Stop does.
    ~AlarmStore();
    AlarmStore(const AlarmStore&) = delete;
    AlarmStore& operator=(const AlarmStore&) = delete;

    // Opens (or makes) the database at path and puts the alarms in view back into the
    // engine. An empty result, or the Japanese text of the failure (the alarms then live
    // in memory only).
    [[nodiscard]] std::string Open(const std::string& path);
    // Starts the writer (after Open).
    void Start();
    // Ends the writer after it has written what is left; returns at once when none runs.
    void Stop();
    // Writes what the engine holds now, on the caller's thread (tests; the writer must not run).
    void WriteNow();

    // The database's path (empty before Open).
    const std::string& Path() const { return path_; }

    uint64_t Transactions() const { return transactions_.load(); }
    // Prunes the history now (tests): by age, then by size.
    void Prune();

private:
    void Run();
    void Write(AlarmStoreBatch& batch);
    bool Exec(const char* sql);

    AlarmEngine& engine_;
    const SettingsSource& settings_;
    sqlite3* db_ = nullptr;
    std::string path_;
    std::atomic<uint64_t> transactions_{0};
    std::mutex lock_;  // guards stop_
    std::condition_variable wake_;
    bool stop_ = false;
    std::thread thread_;
};
