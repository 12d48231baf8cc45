#pragma once
// The receiver's answers as one line of the rejected-messages window.

#include <QString>

#include "snmp/engine/AnswerCounts.h"

// "インフォーム応答 n（再送 n）  レポート送信: ..." with each report kind, and the answers
// left unsent for their size when there are any.
QString AnswerCountsText(const AnswerCountsSnapshot& counts);
