#pragma once
// Start and stop of the receiver service, as the trap list view's commands and its start-up
// timer ask for them. The service runs on its own thread (ReceiverService.h): it decodes
// each datagram, runs the pipeline on it and counts the outcome. One thread at a time: a
// stopped thread has ended before another starts.

class RuleStore;
class UserStore;

// Start command: lets the service run, disables start, enables stop and starts the thread,
// which decodes with the users of users and filters with the rules of rules (both outlive
// it). Refused (false, nothing changes) while a stopped thread is still ending.
bool StartReceiver(const RuleStore& rules, const UserStore& users);

// Stop command: while the thread runs, shows "サービス停止中" and disables both commands;
// then asks the service to end. The thread sees the request within one receive wait or
// after the datagram in hand, shows "サービス停止" and enables start as it ends.
void StopReceiver();

// The list view's start-up timer at its fourth tick: lets the service run and starts the
// thread, leaving the commands to the thread. Refused as StartReceiver is.
void StartReceiverAutomatically(const RuleStore& rules, const UserStore& users);

// Asks the receiver thread to end and joins it (one receive wait and the trap in hand). For
// the end of the program and for tests. A thread waiting in a window call for the calling
// thread cannot end meanwhile, so the window layer calls this after SetServiceWindows(nullptr),
// or from a thread its window calls do not wait for.
void ShutdownReceiver();
