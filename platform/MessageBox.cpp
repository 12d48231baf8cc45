#include "platform/MessageBox.h"

#include <cstdio>
#include <utility>

namespace {

MessageBoxRequest MakeRequest(std::string_view text, MessageIcon icon, MessageButtons buttons,
                              MessageDelivery delivery) {
    MessageBoxRequest request;
    request.caption = std::string(kMessageCaption);
    request.text = std::string(text);
    request.icon = icon;
    request.buttons = buttons;
    request.delivery = delivery;
    return request;
}

}  // namespace

MessageAnswer StandardErrorBoxes::Show(MessageBoxRequest request) {
    std::fprintf(stderr, "%s: %s\n", request.caption.c_str(), request.text.c_str());
    if (request.onClosed) request.onClosed();
    return MessageAnswer::Ok;
}

MessageAnswer ShowMessageBox(MessageBoxPort& boxes, std::string_view textCp932, MessageIcon icon,
                             MessageButtons buttons) {
    return boxes.Show(MakeRequest(textCp932, icon, buttons, MessageDelivery::Wait));
}

void PostMessageBox(MessageBoxPort& boxes, std::string_view textCp932, MessageIcon icon) {
    boxes.Show(MakeRequest(textCp932, icon, MessageButtons::Ok, MessageDelivery::Post));
}

void ShowModelessBox(MessageBoxPort& boxes, std::string_view textCp932, MessageIcon icon,
                     std::function<void()> onClosed) {
    MessageBoxRequest request =
        MakeRequest(textCp932, icon, MessageButtons::Ok, MessageDelivery::Modeless);
    request.alwaysOnTop = true;
    request.onClosed = std::move(onClosed);
    boxes.Show(std::move(request));
}
