#pragma once
// The program as one object: everything that lives as long as the process (the settings,
// the stores, the counters, the decoder's engine, the pipeline, the forwarder, the MIB
// names, the traffic counts, the mail queue, the receiver service) is a member, built
// here in the order its parts depend on each other and handed down by reference. main()
// builds one; a test builds the parts it needs instead.

#include "alarms/AlarmEngine.h"
#include "alarms/AlarmStore.h"
#include "forward/Forwarder.h"
#include "mail/MailQueue.h"
#include "mib/MibService.h"
#include "pipeline/Pipeline.h"
#include "pipeline/WindowPorts.h"
#include "platform/FileChangeWatch.h"
#include "platform/HostLookup.h"
#include "platform/MessageBox.h"
#include "platform/ProcessLauncher.h"
#include "platform/Sound.h"
#include "program/AlarmActions.h"
#include "program/AlarmChangeForwarding.h"
#include "reception/Receiver.h"
#include "reception/RejectedMessages.h"
#include "records/RecordFileServices.h"
#include "records/StoreReadFailures.h"
#include "rules/RuleStore.h"
#include "settings/SettingsSource.h"
#include "snmp/UsmKeyCache.h"
#include "snmp/engine/AnswerCounts.h"
#include "snmp/engine/EngineFile.h"
#include "traffic/TrafficCounts.h"
#include "trap/LossCounters.h"
#include "trap/PacketCounters.h"
#include "traplog/TrapLog.h"
#include "traplog/TrapRowQueue.h"
#include "users/UserStore.h"

class Program {
public:
    // Every box the core raises goes to boxes, which the window layer implements (tests: a
    // recorder); it outlives the program.
    explicit Program(MessageBoxPort& boxes);
    ~Program();
    Program(const Program&) = delete;
    Program& operator=(const Program&) = delete;

    // The settings: the dialogs change them, every other part reads them.
    SettingsSource& Settings() { return settings_; }

    MessageBoxPort& MessageBoxes() { return boxes_; }

    // The user and rule stores, and their files' failed reads that the status bar shows.
    StoreReadFailures& ReadFailures() { return readFailures_; }
    UserStore& Users() { return users_; }
    RuleStore& Rules() { return rules_; }

    // Reception: the counters, the decoder's engine, the pipeline and the receiver service.
    PacketCounters& Counters() { return counters_; }
    LossCounters& Losses() { return losses_; }
    UsmKeyCache& UsmKeys() { return usmKeys_; }
    EngineFile& Engine() { return engine_; }
    AnswerCounts& Answers() { return answers_; }
    WindowPorts& Windows() { return windows_; }
    Pipeline& TrapPipeline() { return pipeline_; }
    RejectedMessages& Rejected() { return rejected_; }
    Receiver& TrapReceiver() { return receiver_; }

    // The reception graph's counts, the MIB names and forwarding (the receiver's listener).
    TrafficCounts& Traffic() { return traffic_; }
    MibService& Mib() { return mib_; }
    Forwarder& Forwarding() { return forwarder_; }

    // The alarms (the receiver's second listener) and their store.
    AlarmEngine& Alarms() { return alarms_; }
    AlarmStore& AlarmDatabase() { return alarmStore_; }
    // Reads the alarm rules, opens db/alarms.sqlite (the alarms in view come back) and
    // starts the store's writer and the follower that forwards the alarms' changes; called
    // once the settings are loaded, before reception. What fails is posted as a box and the
    // alarms go on without it.
    void StartAlarms();
    // Reads db/AlarmRules.txt again. A damaged file is posted as a box naming the line and
    // the rules in force stay; returns that text, empty when the rules were taken.
    std::string ReloadAlarmRules();
    // db/AlarmRules.txt of the program folder.
    std::string AlarmRulesPath() const;
    // Ends the store's writer after its last batch (after the receiver has stopped), then
    // the follower after it has handed on the last changes.
    void StopAlarms() {
        alarmStore_.Stop();
        alarmForwarding_.Stop();
    }

    // The services of the platform, the trap log, the list's rows and the mail queue, which
    // the pipeline writes to.
    ProgramLauncher& Programs() { return programs_; }
    SoundPlayer& Sounds() { return sounds_; }
    HostNames& SenderNames() { return senderNames_; }
    TrapLog& Log() { return log_; }
    TrapRowQueue& Rows() { return rows_; }
    MailQueue& Mail() { return mail_; }

private:
    SettingsSource settings_;
    MessageBoxPort& boxes_;
    // The receiver's batches are its rounds: in one, each file's notices are read once.
    NoticeRounds noticeRounds_;
    const RecordFileServices recordFiles_{.boxes = boxes_, .noticeRounds = &noticeRounds_};

    StoreReadFailures readFailures_;
    UserStore users_{readFailures_, recordFiles_};
    RuleStore rules_{readFailures_, recordFiles_};

    // Reception.
    PacketCounters counters_;
    LossCounters losses_;
    UsmKeyCache usmKeys_;
    EngineFile engine_;
    AnswerCounts answers_;
    WindowPorts windows_;
    // The graph's counts, the MIB names and forwarding, below the pipeline and the
    // receiver that use them.
    TrafficCounts traffic_;
    MibService mib_;
    Forwarder forwarder_{settings_, losses_};
    AlarmEngine alarms_{{.settings = settings_, .mib = &mib_, .losses = losses_}};
    AlarmStore alarmStore_{alarms_, settings_};
    AlarmChangeForwarding alarmForwarding_{alarms_, forwarder_};
    TrapTapFanOut taps_;  // forwarding, then the alarms

    // What the pipeline writes to and starts.
    ProgramLauncher programs_;
    SoundPlayer sounds_{programs_};
    HostNames senderNames_;
    TrapLog log_{recordFiles_, losses_, settings_};
    TrapRowQueue rows_{losses_};
    MailQueue mail_{losses_};

    Pipeline pipeline_;
    AlarmActions alarmActions_{pipeline_};  // the alarm rules' actions, run by the pipeline
    RejectedMessages rejected_;
    Receiver receiver_;
};
