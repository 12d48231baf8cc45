#pragma once
// The status bar's account of traps the program missed: each loss count above zero with
// its name, then each store whose file cannot be read with its count of failed reads; an
// empty text when nothing was lost. No Qt here.

#include <string>

// UTF-8, for example "受信破棄 (カーネル): 12".
std::string LossSummary();
