#pragma once
// Answers every message box without a person: records it, answers from a script
// (Ok when the script is empty) and keeps modeless boxes open until a test closes them.

#include <vector>

#include "platform/MessageBox.h"

void InstallRecordingMessageBoxHandler();

// Every box raised since the last clear, oldest first (text in CP932).
std::vector<MessageBoxRequest> RecordedMessageBoxes();
void ClearRecordedMessageBoxes();

// The next modal boxes answer these, in order.
void QueueMessageBoxAnswer(MessageAnswer answer);

// Closes the modeless boxes still open (runs their onClosed); returns how many.
int CloseOpenModelessBoxes();
int OpenModelessBoxCount();
