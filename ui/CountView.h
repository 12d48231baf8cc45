#pragma once
// The packet counter view (top-left pane) and its form with the sixteen counter fields.

#include <QWidget>
#include <cstdint>

class QLabel;

class CCountDlg : public QWidget {
    Q_OBJECT
public:
    explicit CCountDlg(QWidget* parent = nullptr);

    // Field fieldId (1000-1015) shows value; other ids change nothing.
    void ShowCounter(int fieldId, uint32_t value);
    // The number field fieldId shows, or null for an unknown id.
    QLabel* CounterField(int fieldId) const;

private:
    void AddGroup(const QString& title, QRect box);
    void AddRow(int labelX, int labelWidth, int y, const QPixmap& picture, int fieldX, int fieldId);
};

class CCountView : public QWidget {
    Q_OBJECT
public:
    explicit CCountView(QWidget* parent = nullptr);
    ~CCountView() override;

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    CCountDlg* m_form;
};
