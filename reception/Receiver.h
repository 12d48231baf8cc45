#pragma once
// Start and stop of the receiver service, as the trap list view's commands and its start-up
// timer ask for them. The service runs on its own thread (ReceiverService.h): it decodes
// each datagram, runs the pipeline on it and counts the outcome.

// Start command: lets the service run, disables start, enables stop and starts the thread.
void StartReceiver();

// Stop command: asks the service to end at its next idle second, disables stop, waits
// 2000 ms on the calling (user interface) thread and enables start. It does not wait for
// the thread itself, which may still be showing its state through the windows.
void StopReceiver();

// The list view's start-up timer at its fourth tick: lets the service run and starts the
// thread, leaving the commands to the thread.
void StartReceiverAutomatically();

// Asks every receiver thread to end and joins those that end within 3000 ms (one receive
// wait and the trap in hand); any other is let go to end with the process. Returns whether
// all ended. For the end of the program and for tests. A thread waiting in a window call
// for the calling thread cannot end meanwhile, so the window layer calls this after
// SetServiceWindows(nullptr), or from a thread its window calls do not wait for.
bool ShutdownReceiver();
