#pragma once
// The status bar's text about the MIB modules: the progress of a load, then how many
// modules loaded and failed. Empty before the first load.

#include <QString>

class MibService;

QString MibStatusText(const MibService& service);
