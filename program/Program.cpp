#include "program/Program.h"

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
    receiver_.SetTap(&forwarder_);
}

Program::~Program() = default;
