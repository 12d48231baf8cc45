#pragma once
// The packet counter view (top-left pane) and its form with the sixteen counter fields.

#include <QWidget>
#include <array>
#include <cstdint>

#include "trap/PacketCounters.h"

class QLabel;

// The label of a packet counter as the counter view shows it, by PacketKind (0: all packets).
const char* PacketCounterLabel(int kind);

class CCountDlg : public QWidget {
    Q_OBJECT
public:
    // Zeroes counters, whose fields it shows.
    explicit CCountDlg(PacketCounters& counters, QWidget* parent = nullptr);

    // Every field shows its counter as it is now (the frame's tick, and after a reset).
    void ShowCounters();
    // The number field fieldId shows, or null for an unknown id.
    QLabel* CounterField(int fieldId) const;

private:
    void AddGroup(const QString& title, QRect box);
    void AddRow(int labelX, int labelWidth, int y, const QPixmap& picture, int fieldX, int fieldId);

    PacketCounters& m_counters;
    // What each field shows, in block order: a field is set only when its counter changed.
    std::array<uint32_t, kCounterCount> m_shown{};
};

class CCountView : public QWidget {
    Q_OBJECT
public:
    explicit CCountView(PacketCounters& counters, QWidget* parent = nullptr);

    // The form with the counter fields.
    CCountDlg* Form() const { return m_form; }

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    CCountDlg* m_form;
};
