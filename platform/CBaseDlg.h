#pragma once
// What the dialogs share: Enter runs OK whichever control has the focus, Escape is
// swallowed (only the cancel button and the close box cancel), every control carries its
// numeric id as its object name, and text crosses between the widgets (Unicode) and the
// core (CP932 bytes) here.

#include <QDialog>
#include <QString>
#include <string>
#include <string_view>

class CBaseDlg : public QDialog {
    Q_OBJECT
public:
    explicit CBaseDlg(QWidget* parent = nullptr);

    // Validates, stores and closes with OK, or shows the first failing check and stays open.
    virtual void OnOK() = 0;

protected:
    // Call once every control exists, so that the keys reach OnOK before any control.
    void InstallKeyHandling();
    bool eventFilter(QObject* watched, QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    // True when the key was Enter or Escape and has been dealt with.
    bool HandleKey(QKeyEvent* event);
};

// Gives a widget its control id.
template <class W>
W* WithId(W* widget, int id) {
    widget->setObjectName(QString::number(id));
    return widget;
}

template <class W>
W* ControlById(const QObject* parent, int id) {
    return parent->findChild<W*>(QString::number(id));
}

QString FromCp932(std::string_view cp932);
std::string ToCp932(const QString& text);

// Modal boxes with the program's caption; the texts are UTF-8 literals of the sources.
void ShowStopMessage(std::string_view utf8);
bool AskOkCancel(std::string_view utf8);

// A comma before the first line feed (a text ends at its first line feed for these checks).
bool HasCommaBeforeLineFeed(std::string_view text);
