#pragma once
// The status bar's alarm pane: the open alarms counted by severity, on the colour of the
// most severe; a click opens the alarm window.

#include <QLabel>
#include <array>

#include "alarms/AlarmEngine.h"

// Open (not cleared) alarms by severity, indexed by the severity's value.
using AlarmCounts = std::array<int, kAlarmSeverityCount>;
AlarmCounts CountOpenAlarms(const AlarmSnapshot& snapshot);
QString AlarmCountsText(const AlarmCounts& counts);

class CAlarmPane : public QLabel {
    Q_OBJECT
public:
    explicit CAlarmPane(QWidget* parent = nullptr);
    // Shows the counts of snapshot (text and colour change only when they differ).
    void Show(const AlarmSnapshot& snapshot);
    const AlarmCounts& Counts() const { return m_counts; }

signals:
    void Clicked();

protected:
    void mousePressEvent(QMouseEvent* event) override;

private:
    AlarmCounts m_counts{};
    bool m_shown = false;
};
