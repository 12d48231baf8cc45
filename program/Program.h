#pragma once
// The program as one object: everything that lives as long as the process (the settings,
// the stores, the counters, the decoder's engine, the pipeline, the forwarder, the MIB
// names, the traffic counts, the mail queue, the receiver service) is a member, built
// here in the order its parts depend on each other and handed down by reference. main()
// builds one; a test builds the parts it needs instead.

#include "records/StoreReadFailures.h"
#include "rules/RuleStore.h"
#include "settings/SettingsSource.h"
#include "users/UserStore.h"

class Program {
public:
    Program();
    ~Program();
    Program(const Program&) = delete;
    Program& operator=(const Program&) = delete;

    // The settings: the dialogs change them, every other part reads them.
    SettingsSource& Settings() { return settings_; }

    // The user and rule stores, and their files' failed reads that the status bar shows.
    StoreReadFailures& ReadFailures() { return readFailures_; }
    UserStore& Users() { return users_; }
    RuleStore& Rules() { return rules_; }

private:
    SettingsSource settings_;
    // Until every reader of the settings is handed settings_ at construction.
    CurrentSettingsScope settingsInUse_{settings_};

    StoreReadFailures readFailures_;
    UserStore users_{readFailures_};
    RuleStore rules_{readFailures_};
};
