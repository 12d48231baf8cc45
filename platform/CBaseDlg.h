#pragma once
// What the dialogs share: Enter runs OK whichever control has the focus, Escape is
// swallowed (only the cancel button and the close box cancel), every control carries its
// numeric id as its object name, and text crosses between the widgets (Unicode) and the
// core (CP932 bytes) here.

#include <QDialog>
#include <QHBoxLayout>
#include <QString>
#include <functional>
#include <string>
#include <string_view>

#include "platform/TextChecks.h"

class CBaseDlg : public QDialog {
    Q_OBJECT
public:
    explicit CBaseDlg(QWidget* parent = nullptr);

    // Validates, stores and closes with OK, or shows the first failing check and stays open.
    virtual void OnOK() = 0;

protected:
    // Call once every control exists, so that the keys reach OnOK before any control.
    void InstallKeyHandling();
    // A right-aligned row with the OK button (id 1, runs OnOK) captioned okText and the
    // cancel button (id 2); callers may add further buttons to it.
    QHBoxLayout* MakeOkCancelRow(const QString& okText);
    bool eventFilter(QObject* watched, QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    // True when the key was Enter or Escape and has been dealt with.
    bool HandleKey(QKeyEvent* event);
};

// Shows a dialog modally and returns its result. Tests replace the way it is run with one
// that works the dialog without waiting for a person; an empty runner restores exec().
int RunModal(QDialog& dialog);
void SetModalRunner(std::function<int(QDialog&)> runner);

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
