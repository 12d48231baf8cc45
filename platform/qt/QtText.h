#pragma once
// What every window of the Qt layer shares, dialog or not: control ids as object names,
// text crossing between the widgets (Unicode) and the core (CP932 bytes), and the modal
// boxes with the program's caption.

#include <QDialog>
#include <QObject>
#include <QString>
#include <functional>
#include <string>
#include <string_view>

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

// Shows a dialog modally and returns its result. Tests replace the way it is run with one
// that works the dialog without waiting for a person; an empty runner restores exec().
int RunModal(QDialog& dialog);
void SetModalRunner(std::function<int(QDialog&)> runner);

class MessageBoxPort;

// Modal boxes with the program's caption, shown through boxes; the texts are UTF-8 literals
// of the sources.
void ShowStopMessage(MessageBoxPort& boxes, std::string_view utf8);
bool AskOkCancel(MessageBoxPort& boxes, std::string_view utf8);
