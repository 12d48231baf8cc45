#pragma once
// Modal and modeless message boxes. The core raises them through one handler that the
// window layer installs (it runs every box on the user interface thread); tests install
// a recorder so that no test waits for a person.

#include <functional>
#include <string>
#include <string_view>

#include "platform/Version.h"

inline constexpr std::string_view kMessageCaption = kProgramTitle;

enum class MessageIcon { Stop, Information, Warning };
enum class MessageButtons { Ok, OkCancel };
enum class MessageAnswer { Ok, Cancel };

enum class MessageDelivery {
    Wait,      // modal: the caller waits for the answer
    Post,      // queued to the user interface thread; the caller goes on (a store lock is held)
    Modeless,  // a pop-up that stays on screen; onClosed runs when the user closes it
};

struct MessageBoxRequest {
    std::string caption;
    std::string text;  // CP932 bytes, as the core holds text
    MessageIcon icon = MessageIcon::Stop;
    MessageButtons buttons = MessageButtons::Ok;
    MessageDelivery delivery = MessageDelivery::Wait;
    bool alwaysOnTop = false;
    std::function<void()> onClosed;  // Modeless only
};

using MessageBoxHandler = std::function<MessageAnswer(MessageBoxRequest)>;

// Replaces the handler; an empty handler restores the default, which prints the text
// to standard error, answers Ok and closes modeless boxes at once.
void SetMessageBoxHandler(MessageBoxHandler handler);

// Modal box with the program's caption; returns the button chosen.
MessageAnswer ShowMessageBox(std::string_view textCp932, MessageIcon icon,
                             MessageButtons buttons = MessageButtons::Ok);

// Box queued to the user interface thread without waiting for it.
void PostMessageBox(std::string_view textCp932, MessageIcon icon);

// Always-on-top box that stays until closed; onClosed runs then (on any thread).
void ShowModelessBox(std::string_view textCp932, MessageIcon icon, std::function<void()> onClosed);
