#pragma once
// Modal and modeless message boxes. The core raises them through a port that the window
// layer implements (it runs every box on the user interface thread); tests give a recorder
// so that no test waits for a person.

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

// Where the boxes go. Any thread may call Show.
class MessageBoxPort {
public:
    virtual ~MessageBoxPort() = default;
    // Shows request as its delivery says; the button chosen for Wait, Ok otherwise.
    virtual MessageAnswer Show(MessageBoxRequest request) = 0;
};

// For a program without windows: prints the text to standard error, answers Ok and closes
// modeless boxes at once.
class StandardErrorBoxes final : public MessageBoxPort {
public:
    MessageAnswer Show(MessageBoxRequest request) override;
};

// Modal box with the program's caption; returns the button chosen.
MessageAnswer ShowMessageBox(MessageBoxPort& boxes, std::string_view textCp932, MessageIcon icon,
                             MessageButtons buttons = MessageButtons::Ok);

// Box queued to the user interface thread without waiting for it.
void PostMessageBox(MessageBoxPort& boxes, std::string_view textCp932, MessageIcon icon);

// Always-on-top box that stays until closed; onClosed runs then (on any thread).
void ShowModelessBox(MessageBoxPort& boxes, std::string_view textCp932, MessageIcon icon,
                     std::function<void()> onClosed);
