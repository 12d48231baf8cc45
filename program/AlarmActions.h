#pragma once
// The alarm rules' actions run by the pipeline, as a filter entry's actions are: the
// rule's UTF-8 texts become a filter entry's action block (CP932, within its limits).

#include "alarms/AlarmEngine.h"
#include "rules/RuleRecord.h"

class Pipeline;

// The action block that rule's actions make.
RuleRecord AlarmRuleActions(const AlarmRule& rule);

class AlarmActions final : public AlarmActionPort {
public:
    explicit AlarmActions(Pipeline& pipeline) : pipeline_(pipeline) {}
    void RunAlarmActions(const TrapRecord& record, const AlarmRule& rule,
                         AlarmActionEvent event) override;

private:
    Pipeline& pipeline_;
};
