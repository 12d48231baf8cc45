#include "platform/qt/QtText.h"

#include "platform/Encoding.h"
#include "platform/MessageBox.h"

namespace {

std::function<int(QDialog&)> modalRunner;

}  // namespace

QString FromCp932(std::string_view cp932) { return QString::fromStdString(Cp932ToUtf8(cp932)); }

std::string ToCp932(const QString& text) { return Utf8ToCp932(text.toStdString()); }

int RunModal(QDialog& dialog) { return modalRunner ? modalRunner(dialog) : dialog.exec(); }

void SetModalRunner(std::function<int(QDialog&)> runner) { modalRunner = std::move(runner); }

void ShowStopMessage(MessageBoxPort& boxes, std::string_view utf8) {
    ShowMessageBox(boxes, Utf8ToCp932(utf8), MessageIcon::Stop);
}

bool AskOkCancel(MessageBoxPort& boxes, std::string_view utf8) {
    return ShowMessageBox(boxes, Utf8ToCp932(utf8), MessageIcon::Information,
                          MessageButtons::OkCancel) == MessageAnswer::Ok;
}
