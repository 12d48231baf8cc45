#include "program/Program.h"

#include <cstdio>

#include "platform/Encoding.h"
#include "records/DBLib.h"
#include "settings/ProgramFolder.h"

namespace {

std::string DbPath(std::string_view name) {
    return GetProgramFolder() + "/db/" + std::string(name);
}

}  // namespace

Program::Program(MessageBoxPort& boxes)
    : boxes_(boxes),
      pipeline_({.rules = rules_,
                 .settings = settings_,
                 .windows = windows_,
                 .losses = losses_,
                 .traffic = traffic_,
                 .log = log_,
                 .rows = rows_,
                 .mail = mail_,
                 .programs = programs_,
                 .sounds = sounds_,
                 .hostNames = senderNames_,
                 .boxes = boxes_,
                 .rounds = noticeRounds_}),
      receiver_({.settings = settings_,
                 .pipeline = pipeline_,
                 .windows = windows_,
                 .counters = counters_,
                 .losses = losses_,
                 .rejected = rejected_,
                 .users = users_,
                 .keys = usmKeys_,
                 .engineFile = engine_,
                 .answers = answers_,
                 .boxes = boxes_}) {
    static_cast<void>(taps_.Add(forwarder_));
    static_cast<void>(taps_.Add(alarms_));
    alarms_.SetActionPort(&alarmActions_);
    receiver_.SetTap(&taps_);
}

Program::~Program() { alarmStore_.Stop(); }

std::string Program::AlarmRulesPath() const { return DbPath(kAlarmRulesFileName); }

std::string Program::ReloadAlarmRules() {
    AlarmRulesParse parse = LoadAlarmRulesFile(DbPath(kAlarmRulesFileName));
    if (!parse.error.empty()) {
        std::fprintf(stderr, "olixtrap: %s\n", parse.error.c_str());
        std::fflush(stderr);
        PostMessageBox(boxes_, Utf8ToCp932(parse.error), MessageIcon::Warning);
        return parse.error;
    }
    alarms_.SetRules(std::move(parse.rules));
    return {};
}

void Program::StartAlarms() {
    DBLib::MakeFolder("/db");
    static_cast<void>(ReloadAlarmRules());
    const std::string error = alarmStore_.Open(DbPath(kAlarmDatabaseName));
    // The alarms brought back are not changes: the follower starts after them.
    alarmForwarding_.Start();
    if (!error.empty()) {
        std::fprintf(stderr, "olixtrap: %s\n", error.c_str());
        std::fflush(stderr);
        PostMessageBox(boxes_, Utf8ToCp932(error), MessageIcon::Warning);
        return;
    }
    alarmStore_.Start();
}
