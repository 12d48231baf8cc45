#include "program/Program.h"

Program::Program()
    : pipeline_(rules_, settings_, windows_, losses_, traffic_),
      receiver_({.settings = settings_,
                 .pipeline = pipeline_,
                 .windows = windows_,
                 .counters = counters_,
                 .losses = losses_,
                 .rejected = rejected_,
                 .users = users_,
                 .keys = usmKeys_,
                 .engineFile = engine_,
                 .answers = answers_}) {
    receiver_.SetTap(&forwarder_);
}

Program::~Program() = default;
