#pragma once
// The program as one object: everything that lives as long as the process (the settings,
// the stores, the counters, the decoder's engine, the pipeline, the forwarder, the MIB
// names, the traffic counts, the mail queue, the receiver service) is a member, built
// here in the order its parts depend on each other and handed down by reference. main()
// builds one; a test builds the parts it needs instead.

class Program {
public:
    Program();
    ~Program();
    Program(const Program&) = delete;
    Program& operator=(const Program&) = delete;
};
