#pragma once
// What the dialogs share: Enter runs OK whichever control has the focus, Escape is
// swallowed (only the cancel button and the close box cancel), every control carries its
// numeric id as its object name (platform/qt/QtText.h).

#include <QDialog>
#include <QHBoxLayout>
#include <QString>

#include "platform/TextChecks.h"
#include "platform/qt/QtText.h"

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
