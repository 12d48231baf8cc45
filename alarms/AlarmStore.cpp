#include "alarms/AlarmStore.h"

#include <sqlite3.h>

#include <algorithm>
#include <cstdio>

#include "rules/RuleText.h"
#include "settings/SettingsSource.h"

namespace {

constexpr auto kRound = std::chrono::milliseconds(50);
constexpr auto kBatchAge = std::chrono::milliseconds(200);
constexpr std::size_t kBatchChanges = 1000;
constexpr auto kPruneEvery = std::chrono::seconds(60);
constexpr int kPruneSlice = 20'000;  // history rows deleted in one step

constexpr const char* kSchema = R"(
CREATE TABLE IF NOT EXISTS alarms(
  id INTEGER PRIMARY KEY,
  sender TEXT NOT NULL,
  trap_oid TEXT NOT NULL,
  instance TEXT NOT NULL,
  rule TEXT NOT NULL,
  trap_name TEXT NOT NULL,
  instance_names TEXT NOT NULL,
  severity TEXT NOT NULL,
  state TEXT NOT NULL,
  message TEXT NOT NULL,
  first_ms INTEGER NOT NULL,
  last_ms INTEGER NOT NULL,
  count INTEGER NOT NULL,
  cleared_ms INTEGER NOT NULL,
  clear_after_s INTEGER NOT NULL,
  ack_user TEXT NOT NULL,
  ack_note TEXT NOT NULL,
  ack_ms INTEGER NOT NULL,
  shown INTEGER NOT NULL);
CREATE TABLE IF NOT EXISTS history(
  id INTEGER PRIMARY KEY,
  ms INTEGER NOT NULL,
  alarm_id INTEGER NOT NULL,
  event TEXT NOT NULL,
  severity TEXT NOT NULL,
  count INTEGER NOT NULL);
CREATE INDEX IF NOT EXISTS history_alarm ON history(alarm_id);
CREATE TABLE IF NOT EXISTS acknowledgements(
  id INTEGER PRIMARY KEY,
  ms INTEGER NOT NULL,
  alarm_id INTEGER NOT NULL,
  action TEXT NOT NULL,
  user TEXT NOT NULL,
  note TEXT NOT NULL);
)";

// One prepared statement, finalized with its scope.
class Statement {
public:
    Statement(sqlite3* db, const char* sql) {
        sqlite3_prepare_v2(db, sql, -1, &statement_, nullptr);
    }
    ~Statement() { sqlite3_finalize(statement_); }
    Statement(const Statement&) = delete;
    Statement& operator=(const Statement&) = delete;

    bool Ok() const { return statement_ != nullptr; }
    Statement& Text(int at, std::string_view text) {
        sqlite3_bind_text(statement_, at, text.data(), static_cast<int>(text.size()),
                          SQLITE_TRANSIENT);
        return *this;
    }
    Statement& Number(int at, int64_t number) {
        sqlite3_bind_int64(statement_, at, number);
        return *this;
    }
    // One step, then ready for the next binding.
    int Run() {
        const int result = sqlite3_step(statement_);
        sqlite3_reset(statement_);
        return result;
    }
    bool Row() { return sqlite3_step(statement_) == SQLITE_ROW; }
    int64_t NumberAt(int column) { return sqlite3_column_int64(statement_, column); }
    std::string TextAt(int column) {
        const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(statement_, column));
        return text ? std::string(text) : std::string();
    }

private:
    sqlite3_stmt* statement_ = nullptr;
};

int64_t NowMs() {
    return std::chrono::duration_cast<std::chrono::milliseconds>(
               std::chrono::system_clock::now().time_since_epoch())
        .count();
}

}  // namespace

AlarmStore::AlarmStore(AlarmEngine& engine, const SettingsSource& settings)
    : engine_(engine), settings_(settings) {}

AlarmStore::~AlarmStore() {
    Stop();
    if (db_ != nullptr) sqlite3_close(db_);
}

bool AlarmStore::Exec(const char* sql) {
    return sqlite3_exec(db_, sql, nullptr, nullptr, nullptr) == SQLITE_OK;
}

std::vector<AlarmHistoryRow> ReadAlarmHistory(const std::string& path, int64_t id, int limit) {
    std::vector<AlarmHistoryRow> rows;
    sqlite3* db = nullptr;
    if (sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READONLY, nullptr) != SQLITE_OK) {
        sqlite3_close(db);
        return rows;
    }
    // The writer holds its transaction briefly; a reader waits rather than fails.
    sqlite3_busy_timeout(db, 2000);
    {
        Statement select(db,
                         "SELECT ms, event, severity, count FROM history WHERE alarm_id = ?1 "
                         "ORDER BY id DESC LIMIT ?2");
        if (select.Ok()) {
            select.Number(1, id).Number(2, limit);
            while (select.Row())
                rows.push_back({select.NumberAt(0), select.TextAt(1), select.TextAt(2),
                                static_cast<uint64_t>(select.NumberAt(3))});
        }
    }
    sqlite3_close(db);
    return rows;
}

std::string AlarmStore::Open(const std::string& path) {
    path_ = path;
    if (sqlite3_open_v2(path.c_str(), &db_, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr) !=
        SQLITE_OK) {
        const std::string error = db_ ? sqlite3_errmsg(db_) : "no memory";
        sqlite3_close(db_);
        db_ = nullptr;
        return path + " を開けません: " + error;
    }
    sqlite3_busy_timeout(db_, 2000);
    if (!Exec("PRAGMA journal_mode=WAL") || !Exec("PRAGMA synchronous=NORMAL") || !Exec(kSchema)) {
        const std::string error = path + " を使えません: " + sqlite3_errmsg(db_);
        sqlite3_close(db_);
        db_ = nullptr;
        return error;
    }
    std::vector<AlarmView> shown;
    Statement select(db_,
                     "SELECT id, sender, trap_oid, instance, rule, trap_name, instance_names, "
                     "severity, state, message, first_ms, last_ms, count, cleared_ms, "
                     "clear_after_s, ack_user, ack_note, ack_ms FROM alarms WHERE shown = 1 "
                     "ORDER BY id");
    while (select.Ok() && select.Row()) {
        auto facts = std::make_shared<AlarmFacts>();
        facts->id = select.NumberAt(0);
        facts->sender = ParseDottedAddress(select.TextAt(1));
        facts->trapOid = select.TextAt(2);
        facts->instance = select.TextAt(3);
        facts->ruleName = select.TextAt(4);
        facts->trapName = select.TextAt(5);
        facts->instanceNames = select.TextAt(6);
        facts->severity = SeverityNamed(select.TextAt(7)).value_or(AlarmSeverity::kIndeterminate);
        facts->state = StateNamed(select.TextAt(8)).value_or(AlarmState::kRaised);
        facts->message = select.TextAt(9);
        facts->firstMs = select.NumberAt(10);
        facts->clearedMs = select.NumberAt(13);
        facts->clearAfterSeconds = select.NumberAt(14);
        facts->ackUser = select.TextAt(15);
        facts->ackNote = select.TextAt(16);
        facts->ackMs = select.NumberAt(17);
        shown.push_back(
            {std::move(facts), static_cast<uint64_t>(select.NumberAt(12)), select.NumberAt(11)});
    }
    int64_t nextId = 1;
    Statement maxId(db_,
                    "SELECT max(coalesce((SELECT max(id) FROM alarms), 0), "
                    "coalesce((SELECT max(alarm_id) FROM history), 0))");
    if (maxId.Ok() && maxId.Row()) nextId = maxId.NumberAt(0) + 1;
    engine_.Restore(shown, nextId);
    return {};
}

void AlarmStore::Start() {
    if (db_ == nullptr || thread_.joinable()) return;
    {
        const std::lock_guard hold(lock_);
        stop_ = false;
    }
    thread_ = std::thread([this] { Run(); });
}

void AlarmStore::Stop() {
    if (!thread_.joinable()) return;
    {
        const std::lock_guard hold(lock_);
        stop_ = true;
    }
    wake_.notify_all();
    thread_.join();
}

void AlarmStore::WriteNow() {
    if (db_ == nullptr) return;
    engine_.Tick();
    AlarmStoreBatch batch;
    engine_.TakeStoreBatch(batch);
    if (!batch.Empty()) Write(batch);
}

void AlarmStore::Run() {
    AlarmStoreBatch batch;
    auto gathered = std::chrono::steady_clock::now();
    auto pruned = std::chrono::steady_clock::time_point{};
    for (;;) {
        bool stopping = false;
        {
            std::unique_lock hold(lock_);
            wake_.wait_for(hold, kRound, [this] { return stop_; });
            stopping = stop_;
        }
        engine_.Tick();
        engine_.TakeStoreBatch(batch);
        const auto now = std::chrono::steady_clock::now();
        const std::size_t changes = batch.rows.size() + batch.history.size() + batch.acks.size();
        if (!batch.Empty() &&
            (stopping || changes >= kBatchChanges || now - gathered >= kBatchAge)) {
            Write(batch);
            batch.Clear();
        }
        if (batch.Empty()) gathered = now;
        if (stopping) return;
        if (now - pruned >= kPruneEvery) {
            Prune();
            pruned = now;
        }
    }
}

void AlarmStore::Write(AlarmStoreBatch& batch) {
    std::stable_sort(
        batch.history.begin(), batch.history.end(),
        [](const AlarmHistoryEntry& a, const AlarmHistoryEntry& b) { return a.ms < b.ms; });
    if (!Exec("BEGIN")) return;
    {
        Statement row(db_,
                      "INSERT OR REPLACE INTO alarms(id, sender, trap_oid, instance, rule, "
                      "trap_name, instance_names, severity, state, message, first_ms, last_ms, "
                      "count, cleared_ms, clear_after_s, ack_user, ack_note, ack_ms, shown) "
                      "VALUES(?1, ?2, ?3, ?4, ?5, ?6, ?7, ?8, ?9, ?10, ?11, ?12, ?13, ?14, ?15, "
                      "?16, ?17, ?18, ?19)");
        for (const AlarmRowChange& change : batch.rows) {
            const AlarmFacts& facts = *change.view.facts;
            row.Number(1, facts.id)
                .Text(2, FormatDottedAddress(facts.sender))
                .Text(3, facts.trapOid)
                .Text(4, facts.instance)
                .Text(5, facts.ruleName)
                .Text(6, facts.trapName)
                .Text(7, facts.instanceNames)
                .Text(8, SeverityInfo(facts.severity).name)
                .Text(9, StateName(facts.state))
                .Text(10, facts.message)
                .Number(11, facts.firstMs)
                .Number(12, change.view.lastMs)
                .Number(13, static_cast<int64_t>(change.view.count))
                .Number(14, facts.clearedMs)
                .Number(15, facts.clearAfterSeconds)
                .Text(16, facts.ackUser)
                .Text(17, facts.ackNote)
                .Number(18, facts.ackMs)
                .Number(19, change.shown ? 1 : 0)
                .Run();
        }
        Statement history(db_,
                          "INSERT INTO history(ms, alarm_id, event, severity, count) "
                          "VALUES(?1, ?2, ?3, ?4, ?5)");
        for (const AlarmHistoryEntry& entry : batch.history) {
            history.Number(1, entry.ms)
                .Number(2, entry.alarmId)
                .Text(3, HistoryEventName(entry.event))
                .Text(4, SeverityInfo(static_cast<AlarmSeverity>(entry.severity)).name)
                .Number(5, static_cast<int64_t>(entry.count))
                .Run();
        }
        Statement ack(db_,
                      "INSERT INTO acknowledgements(ms, alarm_id, action, user, note) "
                      "VALUES(?1, ?2, ?3, ?4, ?5)");
        for (const AlarmAckRecord& record : batch.acks)
            ack.Number(1, record.ms)
                .Number(2, record.alarmId)
                .Text(3, record.action)
                .Text(4, record.user)
                .Text(5, record.note)
                .Run();
    }
    if (Exec("COMMIT")) {
        transactions_.fetch_add(1);
    } else {
        Exec("ROLLBACK");
    }
}

void AlarmStore::Prune() {
    if (db_ == nullptr) return;
    const AppSettings settings = settings_.Snapshot();
    const int64_t cutoff = NowMs() - int64_t{settings.alarmHistoryDays} * 86'400'000;
    // Ids grow with time: the rows before the first young one go, a slice at a time.
    for (;;) {
        Statement old(db_,
                      "DELETE FROM history WHERE id IN (SELECT id FROM history WHERE ms < ?1 "
                      "ORDER BY id LIMIT ?2)");
        old.Number(1, cutoff).Number(2, kPruneSlice);
        old.Run();
        if (sqlite3_changes(db_) < kPruneSlice) break;
    }
    {
        Statement gone(db_, "DELETE FROM alarms WHERE shown = 0 AND last_ms < ?1");
        gone.Number(1, cutoff).Run();
        Statement acks(db_, "DELETE FROM acknowledgements WHERE ms < ?1");
        acks.Number(1, cutoff).Run();
    }
    // By size: the pages in use, not the file (freed pages are used again).
    const int64_t limit = int64_t{settings.alarmHistoryMegabytes} * 1024 * 1024;
    for (int round = 0; round < 50; ++round) {
        Statement pages(db_,
                        "SELECT (SELECT page_count FROM pragma_page_count()) - "
                        "(SELECT freelist_count FROM pragma_freelist_count()), "
                        "(SELECT page_size FROM pragma_page_size())");
        if (!pages.Ok() || !pages.Row()) break;
        if (pages.NumberAt(0) * pages.NumberAt(1) <= limit) break;
        Statement oldest(db_,
                         "DELETE FROM history WHERE id IN (SELECT id FROM history ORDER BY id "
                         "LIMIT ?1)");
        oldest.Number(1, kPruneSlice).Run();
        if (sqlite3_changes(db_) == 0) break;
    }
}
