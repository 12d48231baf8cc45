#include "program/AlarmActions.h"

#include "pipeline/Pipeline.h"
#include "platform/Encoding.h"
#include "platform/FixedText.h"

RuleRecord AlarmRuleActions(const AlarmRule& rule) {
    RuleRecord actions{};
    actions.kind = AllTraps;
    SetFixedText(actions.popupMessage, Utf8ToCp932(rule.popup));
    SetFixedText(actions.programLine, Utf8ToCp932(rule.program));
    SetFixedText(actions.mailMessage, Utf8ToCp932(rule.mail));
    if (rule.sound == "beep")
        actions.beep = 1;
    else
        SetFixedText(actions.waveFile, Utf8ToCp932(rule.sound));
    return actions;
}

void AlarmActions::RunAlarmActions(const TrapRecord& record, const AlarmRule& rule,
                                   AlarmActionEvent) {
    pipeline_.RunRuleActions(record, AlarmRuleActions(rule));
}
