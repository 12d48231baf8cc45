#include "alarms/AlarmRules.h"

#include <arpa/inet.h>

#include <cerrno>
#include <charconv>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <sstream>

#include "platform/DurableReplace.h"

namespace {

constexpr std::string_view kLinkDown = "1.3.6.1.6.3.1.1.5.3";
constexpr std::string_view kLinkUp = "1.3.6.1.6.3.1.1.5.4";
constexpr std::string_view kIfIndex = "1.3.6.1.2.1.2.2.1.1";

std::string_view Trim(std::string_view text) {
    const auto first = text.find_first_not_of(" \t\r");
    if (first == std::string_view::npos) return {};
    const auto last = text.find_last_not_of(" \t\r");
    return text.substr(first, last - first + 1);
}

bool IsDottedOid(std::string_view text) {
    if (text.empty() || text.front() == '.' || text.back() == '.') return false;
    bool lastDot = false;
    for (char c : text) {
        if (c == '.') {
            if (lastDot) return false;
            lastDot = true;
        } else if (c >= '0' && c <= '9') {
            lastDot = false;
        } else {
            return false;
        }
    }
    return true;
}

bool ParseOidPattern(std::string_view text, OidPattern& pattern) {
    pattern.prefix = text.ends_with(".*");
    if (pattern.prefix) text.remove_suffix(2);
    if (!IsDottedOid(text)) return false;
    pattern.oid = std::string(text);
    return true;
}

std::string FormatOidPattern(const OidPattern& pattern) {
    return pattern.prefix ? pattern.oid + ".*" : pattern.oid;
}

bool ParseAddress(std::string_view text, uint32_t& address) {
    const std::string copy(text);
    in_addr parsed{};
    if (inet_pton(AF_INET, copy.c_str(), &parsed) != 1) return false;
    address = ntohl(parsed.s_addr);
    return true;
}

std::string FormatAddress(uint32_t address) {
    return std::to_string(address >> 24) + '.' + std::to_string((address >> 16) & 0xFF) + '.' +
           std::to_string((address >> 8) & 0xFF) + '.' + std::to_string(address & 0xFF);
}

bool ParseSource(std::string_view text, AlarmRule& rule) {
    if (const auto slash = text.find('/'); slash != std::string_view::npos) {
        int bits = -1;
        const std::string_view length = text.substr(slash + 1);
        const auto [end, error] =
            std::from_chars(length.data(), length.data() + length.size(), bits);
        if (error != std::errc{} || end != length.data() + length.size() || bits < 0 || bits > 32)
            return false;
        uint32_t base = 0;
        if (!ParseAddress(text.substr(0, slash), base)) return false;
        const uint32_t mask = bits == 0 ? 0 : 0xFFFFFFFFu << (32 - bits);
        rule.sourceFirst = base & mask;
        rule.sourceLast = rule.sourceFirst | ~mask;
    } else if (const auto dash = text.find('-'); dash != std::string_view::npos) {
        if (!ParseAddress(Trim(text.substr(0, dash)), rule.sourceFirst) ||
            !ParseAddress(Trim(text.substr(dash + 1)), rule.sourceLast) ||
            rule.sourceLast < rule.sourceFirst)
            return false;
    } else {
        if (!ParseAddress(text, rule.sourceFirst)) return false;
        rule.sourceLast = rule.sourceFirst;
    }
    rule.anySource = false;
    return true;
}

std::string FormatSource(const AlarmRule& rule) {
    if (rule.sourceFirst == rule.sourceLast) return FormatAddress(rule.sourceFirst);
    return FormatAddress(rule.sourceFirst) + '-' + FormatAddress(rule.sourceLast);
}

// "300", "300s", "5m", "2h", "1d".
bool ParseDuration(std::string_view text, int64_t& seconds) {
    int64_t unit = 1;
    if (!text.empty()) {
        switch (text.back()) {
        case 's':
            unit = 1;
            text.remove_suffix(1);
            break;
        case 'm':
            unit = 60;
            text.remove_suffix(1);
            break;
        case 'h':
            unit = 3600;
            text.remove_suffix(1);
            break;
        case 'd':
            unit = 86400;
            text.remove_suffix(1);
            break;
        default: break;
        }
    }
    int64_t number = -1;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), number);
    if (error != std::errc{} || end != text.data() + text.size() || text.empty() || number < 0 ||
        number > 3650 * 86400 / unit)
        return false;
    seconds = number * unit;
    return true;
}

std::string FormatDuration(int64_t seconds) {
    if (seconds % 86400 == 0) return std::to_string(seconds / 86400) + 'd';
    if (seconds % 3600 == 0) return std::to_string(seconds / 3600) + 'h';
    if (seconds % 60 == 0) return std::to_string(seconds / 60) + 'm';
    return std::to_string(seconds) + 's';
}

std::string LineError(int line, std::string_view what) {
    return std::string(kAlarmRulesFileName) + " の " + std::to_string(line) +
           " 行目: " + std::string(what);
}

AlarmRule Named(std::string name, std::string_view trap, AlarmSeverity severity) {
    AlarmRule rule;
    rule.name = std::move(name);
    rule.traps.push_back({std::string(trap), false});
    rule.severity = severity;
    return rule;
}

}  // namespace

bool OidPattern::Matches(std::string_view dotted) const {
    if (!prefix) return dotted == oid;
    return dotted.starts_with(oid) && (dotted.size() == oid.size() || dotted[oid.size()] == '.');
}

bool AlarmRule::operator==(const AlarmRule& other) const {
    // Where a rule stood in its file is not part of what it says.
    return comment == other.comment && name == other.name && traps == other.traps &&
           enterprises == other.enterprises && anySource == other.anySource &&
           (anySource || (sourceFirst == other.sourceFirst && sourceLast == other.sourceLast)) &&
           bindings == other.bindings && raises == other.raises && severity == other.severity &&
           instance == other.instance && clears == other.clears &&
           clearAfterSeconds == other.clearAfterSeconds && message == other.message &&
           popup == other.popup && program == other.program && sound == other.sound &&
           mail == other.mail && actOnRaise == other.actOnRaise && actOnRise == other.actOnRise &&
           actOnClear == other.actOnClear;
}

AlarmRuleList BuiltInAlarmRules() {
    AlarmRuleList rules;
    AlarmRule linkDown = Named("linkDown", kLinkDown, AlarmSeverity::kMajor);
    linkDown.instance.emplace_back(kIfIndex);
    rules.push_back(std::move(linkDown));
    AlarmRule linkUp = Named("linkUp", kLinkUp, AlarmSeverity::kCleared);
    linkUp.raises = false;
    linkUp.instance.emplace_back(kIfIndex);
    linkUp.clears.emplace_back(kLinkDown);
    rules.push_back(std::move(linkUp));
    rules.push_back(Named("coldStart", "1.3.6.1.6.3.1.1.5.1", AlarmSeverity::kWarning));
    rules.push_back(Named("warmStart", "1.3.6.1.6.3.1.1.5.2", AlarmSeverity::kWarning));
    rules.push_back(Named("authenticationFailure", "1.3.6.1.6.3.1.1.5.5", AlarmSeverity::kMinor));
    return rules;
}

AlarmRulesParse ParseAlarmRules(std::string_view text) {
    AlarmRulesParse result;
    int lineNumber = 0;
    std::size_t at = 0;
    std::string comment;                           // the comment lines since the last other line
    if (text.starts_with("\xEF\xBB\xBF")) at = 3;  // a byte-order mark some editors write
    while (at < text.size()) {
        const auto end = text.find('\n', at);
        const std::string_view raw =
            text.substr(at, end == std::string_view::npos ? std::string_view::npos : end - at);
        at = end == std::string_view::npos ? text.size() : end + 1;
        ++lineNumber;
        const std::string_view line = Trim(raw);
        if (line.empty()) {
            comment.clear();
            continue;
        }
        if (line.front() == '#') {
            std::string_view said = line.substr(1);
            if (said.starts_with(' ')) said.remove_prefix(1);
            if (!comment.empty()) comment += '\n';
            comment += said;
            continue;
        }
        const auto blank = line.find_first_of(" \t");
        const std::string_view key = line.substr(0, blank);
        const std::string_view value =
            blank == std::string_view::npos ? std::string_view{} : Trim(line.substr(blank));
        const auto fail = [&](std::string_view what) {
            result.rules.clear();
            result.error = LineError(lineNumber, what);
            return result;
        };
        if (key == "rule") {
            if (value.empty()) return fail("規則の名前がありません");
            for (const AlarmRule& earlier : result.rules)
                if (earlier.name == value)
                    return fail("規則の名前 \"" + std::string(value) + "\" が重複しています");
            AlarmRule rule;
            rule.comment = std::move(comment);
            comment.clear();
            rule.name = std::string(value);
            rule.line = lineNumber;
            result.rules.push_back(std::move(rule));
            continue;
        }
        comment.clear();
        if (result.rules.empty()) return fail("\"rule 名前\" の行より前に項目があります");
        AlarmRule& rule = result.rules.back();
        if (key == "trap" || key == "enterprise") {
            OidPattern pattern;
            if (!ParseOidPattern(value, pattern))
                return fail("OID \"" + std::string(value) + "\" が正しくありません");
            (key == "trap" ? rule.traps : rule.enterprises).push_back(std::move(pattern));
        } else if (key == "source") {
            if (!ParseSource(value, rule))
                return fail("送信元 \"" + std::string(value) + "\" が正しくありません");
        } else if (key == "binding") {
            const auto gap = value.find_first_of(" \t");
            const std::string_view oid = value.substr(0, gap);
            if (!IsDottedOid(oid) || gap == std::string_view::npos)
                return fail("binding には OID と値を書きます");
            rule.bindings.push_back({std::string(oid), std::string(Trim(value.substr(gap)))});
        } else if (key == "severity") {
            const auto severity = SeverityNamed(value);
            if (!severity)
                return fail(
                    "重大度 \"" + std::string(value) +
                    "\" がありません (critical, major, minor, warning, indeterminate, cleared)");
            rule.severity = *severity;
        } else if (key == "instance" || key == "clears") {
            if (!IsDottedOid(value))
                return fail("OID \"" + std::string(value) + "\" が正しくありません");
            (key == "instance" ? rule.instance : rule.clears).emplace_back(value);
        } else if (key == "clear-after") {
            if (!ParseDuration(value, rule.clearAfterSeconds))
                return fail("時間 \"" + std::string(value) +
                            "\" が正しくありません (例: 300s, 5m, 2h, 1d)");
        } else if (key == "message") {
            rule.message = std::string(value);
        } else if (key == "popup" || key == "program" || key == "sound" || key == "mail") {
            if (value.empty()) return fail(std::string(key) + " の内容がありません");
            (key == "popup"     ? rule.popup
             : key == "program" ? rule.program
             : key == "sound"   ? rule.sound
                                : rule.mail) = std::string(value);
        } else if (key == "actions-on") {
            rule.actOnRaise = rule.actOnRise = rule.actOnClear = false;
            std::string_view rest = value;
            if (rest.empty()) return fail("actions-on には raise, rise, clear を書きます");
            while (!rest.empty()) {
                const auto gap = rest.find_first_of(" \t");
                const std::string_view word = rest.substr(0, gap);
                rest = gap == std::string_view::npos ? std::string_view{} : Trim(rest.substr(gap));
                if (word == "raise")
                    rule.actOnRaise = true;
                else if (word == "rise")
                    rule.actOnRise = true;
                else if (word == "clear")
                    rule.actOnClear = true;
                else
                    return fail("actions-on には raise, rise, clear を書きます");
            }
        } else if (key == "alarm") {
            if (value != "yes" && value != "no") return fail("alarm には yes か no を書きます");
            rule.raises = value == "yes";
        } else {
            return fail("不明な項目 \"" + std::string(key) + "\" です");
        }
    }
    return result;
}

std::string FormatAlarmRules(const AlarmRuleList& rules) {
    std::string text =
        "# アラーム規則: 上から順に照合し、最初に合った規則がトラップのアラームを決めます。\n"
        "# rule NAME / trap OID[.*] / enterprise OID[.*] / source ADDRESS[-ADDRESS|/BITS]\n"
        "# binding OID VALUE / severity critical|major|minor|warning|indeterminate|cleared\n"
        "# instance OID / clears OID / clear-after 300s|5m|2h|1d / message TEXT / alarm yes|no\n"
        "# message の置換: $source $trap $1 (位置) $ifDescr (MIB 名) $$\n"
        "# popup TEXT / program LINE / sound beep|FILE / mail TEXT / actions-on raise rise clear\n";
    for (const AlarmRule& rule : rules) {
        text += '\n';
        if (!rule.comment.empty()) {
            std::size_t from = 0;
            while (from <= rule.comment.size()) {
                const auto end = std::min(rule.comment.find('\n', from), rule.comment.size());
                const std::string_view said =
                    std::string_view(rule.comment).substr(from, end - from);
                text += said.empty() ? std::string("#\n") : "# " + std::string(said) + '\n';
                from = end + 1;
            }
        }
        text += "rule " + rule.name + '\n';
        for (const OidPattern& trap : rule.traps) text += "  trap " + FormatOidPattern(trap) + '\n';
        for (const OidPattern& enterprise : rule.enterprises)
            text += "  enterprise " + FormatOidPattern(enterprise) + '\n';
        if (!rule.anySource) text += "  source " + FormatSource(rule) + '\n';
        for (const BindingCondition& binding : rule.bindings)
            text += "  binding " + binding.oid + ' ' + binding.value + '\n';
        text += "  severity " + std::string(SeverityInfo(rule.severity).name) + '\n';
        for (const std::string& oid : rule.instance) text += "  instance " + oid + '\n';
        for (const std::string& oid : rule.clears) text += "  clears " + oid + '\n';
        if (rule.clearAfterSeconds > 0)
            text += "  clear-after " + FormatDuration(rule.clearAfterSeconds) + '\n';
        if (!rule.message.empty()) text += "  message " + rule.message + '\n';
        if (!rule.raises) text += "  alarm no\n";
        if (!rule.popup.empty()) text += "  popup " + rule.popup + '\n';
        if (!rule.program.empty()) text += "  program " + rule.program + '\n';
        if (!rule.sound.empty()) text += "  sound " + rule.sound + '\n';
        if (!rule.mail.empty()) text += "  mail " + rule.mail + '\n';
        if (rule.HasActions() && !(rule.actOnRaise && rule.actOnRise && !rule.actOnClear)) {
            text += "  actions-on";
            if (rule.actOnRaise) text += " raise";
            if (rule.actOnRise) text += " rise";
            if (rule.actOnClear) text += " clear";
            text += '\n';
        }
    }
    return text;
}

AlarmRule RuleForNotification(std::string_view name, std::string_view oid,
                              const std::vector<std::pair<std::string, std::string>>& objects,
                              std::string_view description) {
    AlarmRule rule;
    rule.name = std::string(name);
    rule.traps.push_back({std::string(oid), false});
    rule.severity = AlarmSeverity::kIndeterminate;
    std::string message = "$source " + std::string(name);
    for (const auto& [object, objectOid] : objects) {
        message += ' ' + object + "=$" + object;
        if (rule.instance.empty() && IsDottedOid(objectOid)) rule.instance.push_back(objectOid);
    }
    rule.message = message;
    // The DESCRIPTION's lines without the MIB file's indentation, blank lines dropped.
    std::size_t from = 0;
    while (from < description.size()) {
        const auto end = std::min(description.find('\n', from), description.size());
        const std::string_view line = Trim(description.substr(from, end - from));
        if (!line.empty()) {
            if (!rule.comment.empty()) rule.comment += '\n';
            rule.comment += line;
        }
        from = end + 1;
    }
    return rule;
}

AlarmRulesParse LoadAlarmRulesFile(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    if (!file) {
        if (errno == ENOENT) return {BuiltInAlarmRules(), {}};
        return {{}, path + " を読めません: " + std::strerror(errno)};
    }
    std::ostringstream text;
    text << file.rdbuf();
    return ParseAlarmRules(text.str());
}

std::string SaveAlarmRulesFile(const std::string& path, const AlarmRuleList& rules) {
    const std::string temporary = path + ".tmp";
    std::FILE* file = std::fopen(temporary.c_str(), "wb");
    if (file == nullptr) return path + " を書けません: " + std::strerror(errno);
    const std::string text = FormatAlarmRules(rules);
    const bool written = std::fwrite(text.data(), 1, text.size(), file) == text.size();
    if (!written) {
        std::fclose(file);
        std::remove(temporary.c_str());
        return path + " を書けません";
    }
    if (DurableReplace(file, temporary, path) != 0) return path + " を書けません";
    return {};
}
