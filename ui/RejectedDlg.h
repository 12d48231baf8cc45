#pragma once
// The window of rejected messages (modeless, one at a time): the most recent datagrams that
// were not received, newest first, with why, and the counts by reason since start-up. It
// reads the receiver's ring on a timer, and only while it is shown. Below the counts, the
// receiver's answers: informs, their repeats and the reports sent by kind.

#include <QDialog>
#include <QTimer>
#include <array>
#include <vector>

#include "reception/RejectedMessages.h"

class AnswerCounts;
class MessageBoxPort;
class QLabel;
class QPushButton;
class QTableView;
class RejectedListModel;

class CRejectedDlg : public QDialog {
    Q_OBJECT
public:
    static constexpr int kResourceId = 181;
    // Control ids; the counts follow kFirstCount in RejectReason order.
    enum : int { kList = 1079, kClearButton = 1080, kFirstCount = 1081, kAnswerCounts = 1100 };
    // Shows what rejected keeps and what answers counts; the clear command asks through
    // boxes.
    CRejectedDlg(RejectedMessages& rejected, const AnswerCounts& answers, MessageBoxPort& boxes,
                 QWidget* parent = nullptr);

    // Takes what the ring got since the last tick.
    void OnTick();
    // The clear button: empties the list (and the ring); the counts stay since start-up.
    void OnClear();
    // Ctrl+C and the context menu: the kept octets of the selected rows as hex, a line each.
    void CopyOctets();
    QString SelectedOctets() const;

    RejectedListModel* Model() const { return m_model; }
    QTableView* List() const { return m_list; }
    QLabel* CountLabel(RejectReason reason) const {
        return m_counts[static_cast<std::size_t>(reason)];
    }

protected:
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    void ShowCounts();

    RejectedMessages& m_rejected;
    const AnswerCounts& m_answerCounts;
    MessageBoxPort& m_boxes;
    RejectedListModel* m_model;
    QTableView* m_list;
    QPushButton* m_clear;
    std::array<QLabel*, kRejectReasonCount> m_counts{};
    QLabel* m_answers;  // informs answered, repeats and reports sent
    QTimer m_timer;
    uint64_t m_nSeen = 0;                  // sequence of the newest entry taken
    std::vector<RejectedMessage> m_taken;  // reused by every tick
};
