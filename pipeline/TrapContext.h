#pragma once
// What the stages of one trap's processing share, taken or computed once for the trap: the
// settings as they stood when its processing began, so that a dialog that saves meanwhile
// changes the next trap and never part of this one, and its one-line message, which the
// log line and the list row both show.

#include <optional>
#include <string>

#include "settings/AppSettings.h"
#include "settings/SettingsSource.h"
#include "trap/TrapRecord.h"

class TrapContext {
public:
    // Takes a snapshot of settings now; record must outlive the context.
    TrapContext(const TrapRecord& record, const SettingsSource& settings);

    const AppSettings& Settings() const { return settings_; }

    // The display format of the trap's version expanded, on first use: a trap that is
    // neither logged nor shown never needs it. %H shows the host name, so that is
    // written to the record before.
    const std::string& Message();

private:
    const TrapRecord& record_;
    const AppSettings settings_;
    std::optional<std::string> message_;
};
