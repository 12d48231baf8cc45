#include "traplog/Export.h"

#include <array>
#include <bit>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <string_view>
#include <vector>

#include "platform/Encoding.h"
#include "platform/FixedText.h"
#include "platform/MessageBox.h"
#include "platform/ProcessLauncher.h"
#include "settings/ProgramFolder.h"

namespace {

constexpr std::array<const char*, 5> kRowLabels = {"Date", "IP Adress", "Host Name", "Version",
                                                   "Trap Message"};

constexpr std::size_t kCsvLineBuffer = 4096;     // one CSV row, terminator included
constexpr std::size_t kHtmlMessageLimit = 2047;  // bytes of the message cell

using CounterBlock = std::array<uint32_t, kCounterCount>;

// The counters of one group in block order, each with its export label.
struct GroupCounter {
    const char* label;
    uint32_t value;
};
std::vector<GroupCounter> GroupCounters(const CounterBlock& block, CounterGroup group) {
    std::vector<GroupCounter> counters;
    for (const PacketCounterEntry& entry : kPacketCounterTable)
        if (entry.group == group) counters.push_back({entry.exportLabel, block[entry.Slot()]});
    return counters;
}

// The four fixed texts of a row as ReadTrapRow gives them.
struct RowTexts {
    std::string_view date, address, hostName, version;
    explicit RowTexts(const TrapListRow& row)
        : date(FixedTextView(row.date)),
          address(FixedTextView(row.sourceAddress)),
          hostName(FixedTextView(row.hostName)),
          version(FixedTextView(row.version)) {}
};

// A text-mode file as the exports write it: each line feed goes to disk as CR LF.
class TextFile {
public:
    explicit TextFile(const std::string& path)
        : file_(std::fopen(path.c_str(), "wb"), &std::fclose) {}
    bool IsOpen() const { return file_ != nullptr; }

    void Write(std::string_view text) {
        std::string out;
        out.reserve(text.size() + text.size() / 16);
        for (char c : text) {
            if (c == '\n') out.push_back('\r');
            out.push_back(c);
        }
        std::fwrite(out.data(), 1, out.size(), file_.get());
    }

private:
    std::unique_ptr<std::FILE, int (*)(std::FILE*)> file_;
};

// Counts are unsigned: a count past 2^31 stays a positive number.
std::string Number(uint32_t value) { return std::to_string(value); }

template <std::size_t N>
std::string CsvLine(const std::array<const char*, N>& labels) {
    std::string line;
    for (std::size_t i = 0; i < N; ++i) line += std::string(i ? ",\"" : "\"") + labels[i] + "\"";
    return line + "\n";
}

// The group's labels on one line and its numbers on the next.
std::string CsvCounterLines(const CounterBlock& block, CounterGroup group) {
    std::string labels;
    std::string numbers;
    for (const GroupCounter& counter : GroupCounters(block, group)) {
        const char* separator = labels.empty() ? "\"" : ",\"";
        labels += separator + std::string(counter.label) + "\"";
        numbers += separator + Number(counter.value) + "\"";
    }
    return labels + "\n" + numbers + "\n";
}

void WriteCsv(TextFile& file, const CounterBlock& block, const TrapListReader& list) {
    file.Write(CsvCounterLines(block, CounterGroup::kPackets) + "\n" +
               CsvCounterLines(block, CounterGroup::kTrapTypes) + "\n");
    file.Write(CsvLine(kRowLabels));
    TrapListRow row{};
    for (int index = 0; list.ReadTrapRow(index, row) == 0; ++index) {
        const RowTexts texts(row);
        std::string line = "\"";
        for (std::string_view text : {texts.date, texts.address, texts.hostName, texts.version}) {
            line += text;
            line += "\",\"";
        }
        // The message takes what the line buffer has left after the closing quote, the
        // line feed and the terminator.
        const std::size_t room =
            line.size() + 3 < kCsvLineBuffer ? kCsvLineBuffer - line.size() - 3 : 0;
        line += list.ReadTrapMessage(index, room);
        file.Write(line + "\"\n");
    }
}

std::string HtmlCounterRows(const CounterBlock& block, CounterGroup group,
                            bool firstRowClosedOnValueLine) {
    std::string rows;
    bool first = true;
    for (const GroupCounter& counter : GroupCounters(block, group)) {
        rows += "<tr>\n<td bgcolor=#c0c0c0>";
        rows += counter.label;
        rows += "</td>\n<td>" + Number(counter.value) + "</td>";
        rows += (first && firstRowClosedOnValueLine) ? "</tr>\n" : "\n</tr>\n";
        first = false;
    }
    return rows;
}

void WriteHtml(TextFile& file, const CounterBlock& block, const TrapListReader& list) {
    file.Write(
        "<html>\n<head>\n"
        "<meta http-equiv=\"Content-Language\" content=\"ja\">\n"
        "<meta http-equiv=\"Content-Type\" content=\"text/html; charset=shift_jis\">\n"
        "<title>" +
        std::string(kMessageCaption) +
        "</title>\n</head>\n<body>\n"
        "<table cellpadding=3 border=0>\n<tr>\n<td valign=top>\n"
        "<table cellpadding=3 border=1>\n" +
        HtmlCounterRows(block, CounterGroup::kPackets, false) +
        "</table>\n</td><td><table cellpadding=3 border=1>\n" +
        HtmlCounterRows(block, CounterGroup::kTrapTypes, true) +
        "</table>\n</td>\n</tr>\n</table>\n");
    std::string header = "<br><table cellpadding=3 border=1><tr>";
    for (const char* label : kRowLabels)
        header += std::string("<td bgcolor=#c0c0c0>") + label + "</td>";
    file.Write(header);
    TrapListRow row{};
    for (int index = 0; list.ReadTrapRow(index, row) == 0; ++index) {
        const RowTexts texts(row);
        std::string line = "<tr>";
        for (std::string_view text : {texts.date, texts.address, texts.hostName, texts.version}) {
            line += "<td>";
            line += text;
            line += "</td>";
        }
        file.Write(line + "<td>" + list.ReadTrapMessage(index, kHtmlMessageLimit) + "</td>");
    }
    file.Write("</table></body></html>");
}

}  // namespace

std::string ExportFolder() {
    std::error_code error;
    const std::filesystem::path current = std::filesystem::current_path(error);
    if (error) return GetProgramFolder() + "/tmp";
    // The help document is OlixTrap.html in the program folder: an export started there
    // goes to the program's work folder instead of overwriting it.
    if (std::filesystem::equivalent(current, GetProgramFolder(), error))
        return GetProgramFolder() + "/tmp";
    return current.string();
}

std::string ExportFilePath(ExportFormat format) {
    return ExportFolder() + (format == ExportFormat::Csv ? "/OlixTrap.csv" : "/OlixTrap.html");
}

int WriteExport(ExportFormat format, const std::string& path, const PacketCountBlock& counters,
                const TrapListReader& list, MessageBoxPort& boxes) {
    TextFile file(path);
    if (!file.IsOpen()) {
        ShowMessageBox(boxes,
                       Utf8ToCp932(format == ExportFormat::Csv ? "CSV File Open Error。"
                                                               : "HTML File Open Error。"),
                       MessageIcon::Stop);
        return 1;
    }
    const auto block = std::bit_cast<CounterBlock>(counters);
    if (format == ExportFormat::Csv)
        WriteCsv(file, block, list);
    else
        WriteHtml(file, block, list);
    return 0;
}

// Without a program that opens the file the user would not learn where it went.
void TellWhereWritten(MessageBoxPort& boxes, const std::string& path) {
    PostMessageBox(
        boxes,
        Utf8ToCp932("ファイルを開くプログラムがありません。次の場所に書き出しました。\n" + path),
        MessageIcon::Information);
}

int ExportTrapList(ExportFormat format, const PacketCounters& counters, const TrapListReader& list,
                   ProgramLauncher& launcher, MessageBoxPort& boxes) {
    const std::string path = ExportFilePath(format);
    if (WriteExport(format, path, counters.Snapshot(), list, boxes) != 0) return 1;
    const auto opened = [path, &boxes](int exitCode) {
        if (exitCode != 0) TellWhereWritten(boxes, path);
    };
    if (launcher.StartProcess({"xdg-open", path}, true, opened) != 0) TellWhereWritten(boxes, path);
    return 0;
}
