#pragma once
// The reception graph (表示 > 受信グラフ): traps per second over the last ten minutes, stacked
// by event, and the ten senders with the most traps in that time, redrawn each second from
// the counts the core keeps. Only drawing happens here.

#include <QTimer>
#include <QWidget>
#include <array>

#include "traffic/TrafficCounts.h"

class QAreaSeries;
class QChart;
class QLineSeries;
class QTableWidget;
class QValueAxis;

class CTrafficGraphWnd : public QWidget {
    Q_OBJECT
public:
    static constexpr int kRedrawMs = 1000;

    // Draws counts as they are now, and again each second.
    explicit CTrafficGraphWnd(TrafficCounts& counts, QWidget* parent = nullptr);

    // Draws snapshot (the timer calls it with the counts of the present second).
    void ShowCounts(const TrafficSnapshot& snapshot);

    QTableWidget* Senders() const { return m_senders; }
    // The stacked top edge of event (0-7) at point i (0 the oldest second), for tests.
    double StackedAt(int event, int i) const;

private:
    void CreateChart();
    void CreateSenderList();

    TrafficCounts& m_counts;
    QChart* m_chart = nullptr;
    std::array<QLineSeries*, kTrafficEvents> m_upper{};
    std::array<QLineSeries*, kTrafficEvents> m_lower{};
    QValueAxis* m_axisY = nullptr;
    QTableWidget* m_senders = nullptr;
    QTimer m_redraw;
};
