#include "platform/MessageBox.h"

#include <cstdio>
#include <mutex>
#include <utility>

namespace {

std::mutex handlerMutex;
MessageBoxHandler currentHandler;

MessageAnswer DefaultHandler(MessageBoxRequest request) {
    std::fprintf(stderr, "%s: %s\n", request.caption.c_str(), request.text.c_str());
    if (request.onClosed) request.onClosed();
    return MessageAnswer::Ok;
}

MessageAnswer Dispatch(MessageBoxRequest request) {
    MessageBoxHandler handler;
    {
        std::lock_guard lock(handlerMutex);
        handler = currentHandler;
    }
    return handler ? handler(std::move(request)) : DefaultHandler(std::move(request));
}

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

void SetMessageBoxHandler(MessageBoxHandler handler) {
    std::lock_guard lock(handlerMutex);
    currentHandler = std::move(handler);
}

MessageAnswer ShowMessageBox(std::string_view textCp932, MessageIcon icon, MessageButtons buttons) {
    return Dispatch(MakeRequest(textCp932, icon, buttons, MessageDelivery::Wait));
}

void PostMessageBox(std::string_view textCp932, MessageIcon icon) {
    Dispatch(MakeRequest(textCp932, icon, MessageButtons::Ok, MessageDelivery::Post));
}

void ShowModelessBox(std::string_view textCp932, MessageIcon icon, std::function<void()> onClosed) {
    MessageBoxRequest request =
        MakeRequest(textCp932, icon, MessageButtons::Ok, MessageDelivery::Modeless);
    request.alwaysOnTop = true;
    request.onClosed = std::move(onClosed);
    Dispatch(std::move(request));
}
