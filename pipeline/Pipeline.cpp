#include "pipeline/Pipeline.h"

#include <algorithm>
#include <cstdint>
#include <cstring>

#include "mail/Mail.h"
#include "pipeline/Popup.h"
#include "pipeline/TrapContext.h"
#include "pipeline/WindowPorts.h"
#include "platform/FileChangeWatch.h"
#include "platform/HostLookup.h"
#include "platform/ProcessLauncher.h"
#include "platform/Sound.h"
#include "rules/RuleStore.h"
#include "settings/AppSettings.h"
#include "traffic/TrafficCounts.h"
#include "trap/LossCounters.h"
#include "traplog/TrapText.h"

namespace {

constexpr int32_t kLogEveryTrap = 1;
constexpr int32_t kLogReceivedTraps = 2;
constexpr std::string_view kEnterprisePrefix = "1.3.6.1.4.1.";

template <std::size_t N>
std::string_view TextOf(const std::array<char, N>& field) {
    return std::string_view(field.data(), strnlen(field.data(), N));
}

// Ranges in file order; the first that holds the sender wins.
bool MatchIpRange(const RuleStore& rules, const TrapRecord& record, RuleRecord& actions) {
    return rules.FindIpRange(record.sourceAddress, actions) == 0;
}

bool MatchEnterprise(const RuleStore& rules, const TrapRecord& record, RuleRecord& actions) {
    std::array<char, 128> suffix{};
    // A cut suffix is longer than any stored enterprise text.
    if (RuleStore::EnterpriseSuffix(TextOf(record.enterprise), suffix,
                                    static_cast<int>(suffix.size())) != 0)
        return false;
    const std::string enterprise = std::string(kEnterprisePrefix) + std::string(TextOf(suffix));
    RuleRecord key{};
    // A longer key cannot equal any stored enterprise text.
    if (enterprise.size() >= key.enterprise.size()) return false;
    key.kind = Enterprise;
    std::memcpy(key.enterprise.data(), enterprise.data(), enterprise.size());
    key.genericTrap = record.genericTrap;
    key.specificTrap = record.specificTrap;
    if (rules.FindActions(key) != 0) return false;
    actions = key;
    return true;
}

bool MatchUser(const RuleStore& rules, const TrapRecord& record, RuleRecord& actions) {
    RuleRecord key{};
    key.kind = User;
    const std::string_view user = TextOf(record.userName);
    std::memcpy(key.userName.data(), user.data(), std::min(user.size(), key.userName.size() - 1));
    if (rules.FindActions(key) != 0) return false;
    actions = key;
    return true;
}

void WriteHostName(HostNames& hostNames, TrapRecord& record) {
    const std::string name = hostNames.LookUpHostName(record.sourceAddress);
    record.hostName.fill('\0');
    std::memcpy(record.hostName.data(), name.data(),
                std::min(name.size(), record.hostName.size() - 1));
}

bool HasActions(const RuleRecord& actions) {
    return actions.programLine[0] != '\0' || actions.popupMessage[0] != '\0' || actions.beep != 0 ||
           actions.waveFile[0] != '\0' || actions.mailMessage[0] != '\0';
}

}  // namespace

Pipeline::Pipeline(const PipelineParts& parts)
    : rules_(parts.rules),
      settings_(parts.settings),
      windows_(parts.windows),
      losses_(parts.losses),
      traffic_(parts.traffic),
      log_(parts.log),
      rows_(parts.rows),
      mail_(parts.mail),
      programs_(parts.programs),
      sounds_(parts.sounds),
      hostNames_(parts.hostNames),
      rounds_(parts.rounds),
      popups_(parts.boxes) {}

void Pipeline::WriteLogEntry(const TrapRecord& record, std::string_view message) {
    if (batching_)
        log_.HoldEntry(heldLines_, record, message);
    else
        log_.WriteEntry(record, message);
}

void Pipeline::RunActions(const TrapRecord& record, const RuleRecord& actions,
                          const AppSettings& settings) {
    if (!HasActions(actions)) return;
    // A program or a reader of the mail finds the trap's line in the log, as when every
    // line was written before the trap's actions.
    log_.WriteHeld(heldLines_);
    if (actions.programLine[0] != '\0') {
        const ProgramLineParts parts = SplitProgramLine(TextOf(actions.programLine));
        const std::string arguments = ExpandTrapText(record, parts.arguments);
        // The program part is taken as written; only its arguments carry trap data.
        if (!parts.program.empty() &&
            programs_.LaunchProgram(parts.program, arguments) == kLaunchSkipped)
            losses_.Count(LossKind::kProgramsSkipped);
    }
    if (actions.popupMessage[0] != '\0')
        popups_.Show(ExpandTrapText(record, TextOf(actions.popupMessage)));
    if (actions.beep != 0)
        sounds_.PlayBeep();
    else if (actions.waveFile[0] != '\0')
        static_cast<void>(
            sounds_.PlayWaveFile(TextOf(actions.waveFile)));  // a failed sound is silent
    if (actions.mailMessage[0] != '\0')
        SendNotificationMail(mail_, settings, ExpandTrapText(record, TextOf(actions.mailMessage)));
}

void Pipeline::RunRuleActions(const TrapRecord& record, const RuleRecord& actions) {
    RunActions(record, actions, settings_.Snapshot());
}

int FilterTrap(const RuleStore& rules, const TrapRecord& record, const AppSettings& settings,
               RuleRecord& actions) {
    actions = RuleRecord{};
    if (settings.receiveMode == 0) {
        RuleRecord key{};
        key.kind = AllTraps;
        if (rules.FindActions(key) == 0) actions = key;
        return 0;
    }
    if (MatchIpRange(rules, record, actions)) return 0;
    if (record.version == kSnmpV1 && MatchEnterprise(rules, record, actions)) return 0;
    if (record.version == kSnmpV3 && MatchUser(rules, record, actions)) return 0;
    return 1;
}

int Pipeline::ProcessTrap(TrapRecord& record, bool inform) {
    TrapContext trap(record, settings_);
    traffic_.Count(record.genericTrap, record.sourceAddress);
    const AppSettings& settings = trap.Settings();
    RuleRecord actions{};
    if (settings.resolveHostName != 0) WriteHostName(hostNames_, record);
    if (settings.logMode == kLogEveryTrap) WriteLogEntry(record, trap.Message());
    if (FilterTrap(rules_, record, settings, actions) != 0) return 1;
    if (settings.logMode == kLogReceivedTraps) WriteLogEntry(record, trap.Message());
    // Queued only while windows are there to take it.
    // A row the full queue refuses is counted there as a loss; the trap goes on.
    if (windows_.Installed() != nullptr) {
        if (batching_)
            heldRows_.push_back(ReceivedTrapRow(record, trap.Message(), inform));
        else
            static_cast<void>(rows_.QueueReceivedTrapRow(record, trap.Message(), inform));
    }
    RunActions(record, actions, settings);
    return 0;
}

void Pipeline::WriteHeld() {
    // The lines first, as when each trap wrote its own before its row was queued.
    log_.WriteHeld(heldLines_);
    rows_.QueueHeldTrapRows(heldRows_);
}

TrapBatches::TrapBatches(Pipeline& pipeline) : pipeline_(pipeline) {
    pipeline_.batching_ = true;
    pipeline_.rounds_.Begin();
}

TrapBatches::~TrapBatches() {
    pipeline_.WriteHeld();
    pipeline_.batching_ = false;
    pipeline_.rounds_.End();
}

void TrapBatches::End() {
    pipeline_.WriteHeld();
    pipeline_.rounds_.Next();
}

ProgramLineParts SplitProgramLine(std::string_view line) {
    // A quoted program path may hold blanks without a backslash after them (Linux paths).
    // Without its closing quote the program's end is unknown, so nothing is named.
    if (line.starts_with('"')) {
        const std::size_t close = line.find('"', 1);
        if (close == std::string_view::npos) return {};
        std::string_view arguments = line.substr(close + 1);
        arguments.remove_prefix(std::min(arguments.find_first_not_of(' '), arguments.size()));
        return {std::string(line.substr(1, close - 1)), std::string(arguments)};
    }
    // The first space after the first character behind which no backslash follows.
    for (std::size_t space = 1; space < line.size(); ++space) {
        if (line[space] == ' ' && line.find('\\', space) == std::string_view::npos)
            return {std::string(line.substr(0, space)), std::string(line.substr(space + 1))};
    }
    return {std::string(line), {}};
}
