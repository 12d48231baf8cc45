#pragma once
// The program as one object: everything that lives as long as the process (the settings,
// the stores, the counters, the decoder's engine, the pipeline, the forwarder, the MIB
// names, the traffic counts, the mail queue, the receiver service) is a member, built
// here in the order its parts depend on each other and handed down by reference. main()
// builds one; a test builds the parts it needs instead.

#include "records/StoreReadFailures.h"
#include "rules/RuleStore.h"
#include "users/UserStore.h"

class Program {
public:
    Program();
    ~Program();
    Program(const Program&) = delete;
    Program& operator=(const Program&) = delete;

    // The user and rule stores, and their files' failed reads that the status bar shows.
    StoreReadFailures& ReadFailures() { return readFailures_; }
    UserStore& Users() { return users_; }
    RuleStore& Rules() { return rules_; }

private:
    StoreReadFailures readFailures_;
    UserStore users_{readFailures_};
    RuleStore rules_{readFailures_};
};
