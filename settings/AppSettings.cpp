#include "settings/AppSettings.h"

#include <algorithm>

int32_t ClampMaxRows(int32_t rows) { return std::clamp(rows, kMaxRowsLowest, kMaxRowsHighest); }
