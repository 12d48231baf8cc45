#include "mib/MibLoader.h"

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <memory>
#include <mutex>
#include <set>
#include <system_error>

#include "mib/MibBuiltinNames.h"
#include "mib/MibFileView.h"
#include "mib/SmiLibrary.h"

namespace {

namespace fs = std::filesystem;

// libsmi's tag for its configuration sections; nothing of ours is configured there.
constexpr char kSmiTag[] = "olixtrap";
constexpr int kReportedSeverity = 2;  // errors; warnings are left out
constexpr int kFailingSeverity = 1;

// Process-wide because libsmi's state is: it has one tree per process, whichever
// MibService loads, so two loads at once (two services, as tests make) must take turns.
std::mutex& SmiLock() {
    static std::mutex lock;
    return lock;
}

// What libsmi reports while one load runs, by file.
struct Collected {
    std::map<std::string, std::vector<MibMessage>> byFile;
    std::string current;
};
// libsmi's error handler gets no user-data pointer, so the running load's collection is
// reached through this; set and cleared under SmiLock().
Collected* collected = nullptr;

// libsmi hands the handler a message it allocated and does not free.
void OnSmiError(char* path, int line, int severity, char* message, char*) {
    const std::unique_ptr<char, decltype(&std::free)> owned(message, &std::free);
    if (!collected || severity > kReportedSeverity) return;
    const std::string file = path && *path ? path : collected->current;
    collected->byFile[file].push_back({line, severity, message ? message : ""});
}

struct Candidate {
    std::string file;
    std::string folder;
    std::size_t folderIndex = 0;
    std::uintmax_t bytes = 0;
    std::string view;  // the path libsmi opens it by (MibFileView)
};

std::vector<Candidate> ListFiles(const std::vector<std::string>& folders) {
    std::vector<Candidate> files;
    for (std::size_t f = 0; f < folders.size(); ++f) {
        const std::string& folder = folders[f];
        std::error_code error;
        std::vector<Candidate> inFolder;
        for (fs::directory_iterator it(folder, error), end; !error && it != end;
             it.increment(error)) {
            const std::string name = it->path().filename().string();
            if (name.empty() || name.front() == '.' || !it->is_regular_file(error)) continue;
            inFolder.push_back({it->path().string(), folder, f, it->file_size(error), {}});
        }
        std::sort(inFolder.begin(), inFolder.end(),
                  [](const Candidate& a, const Candidate& b) { return a.file < b.file; });
        files.insert(files.end(), inFolder.begin(), inFolder.end());
    }
    return files;
}

// libsmi crashes on some modules when the SMI itself cannot be read, so without it
// nothing is loaded. The first copy is the one libsmi would read; empty when none.
std::string FindSmiDefinitions(const std::vector<std::string>& folders) {
    std::error_code error;
    for (const std::string& folder : folders)
        for (const char* name : {"SNMPv2-SMI", "SNMPv2-SMI.txt", "SNMPv2-SMI.my", "SNMPv2-SMI.mib"})
            if (const fs::path path = fs::path(folder) / name; fs::is_regular_file(path, error))
                return path.string();
    return {};
}

std::string JoinPath(const std::vector<std::string>& folders) {
    std::string path;
    for (const std::string& folder : folders) {
        if (!path.empty()) path += ':';
        path += folder;
    }
    return path;
}

MibNodeKind KindOf(SmiNodekind kind) {
    switch (kind) {
    case SMI_NODEKIND_SCALAR: return MibNodeKind::Scalar;
    case SMI_NODEKIND_TABLE: return MibNodeKind::Table;
    case SMI_NODEKIND_ROW: return MibNodeKind::Row;
    case SMI_NODEKIND_COLUMN: return MibNodeKind::Column;
    case SMI_NODEKIND_NOTIFICATION: return MibNodeKind::Notification;
    case SMI_NODEKIND_GROUP: return MibNodeKind::Group;
    case SMI_NODEKIND_COMPLIANCE: return MibNodeKind::Compliance;
    case SMI_NODEKIND_CAPABILITIES: return MibNodeKind::Capabilities;
    default: return MibNodeKind::Node;
    }
}

const char* BaseTypeName(SmiBasetype type) {
    switch (type) {
    case SMI_BASETYPE_INTEGER32: return "Integer32";
    case SMI_BASETYPE_OCTETSTRING: return "OCTET STRING";
    case SMI_BASETYPE_OBJECTIDENTIFIER: return "OBJECT IDENTIFIER";
    case SMI_BASETYPE_UNSIGNED32: return "Unsigned32";
    case SMI_BASETYPE_INTEGER64: return "Integer64";
    case SMI_BASETYPE_UNSIGNED64: return "Counter64";
    case SMI_BASETYPE_ENUM: return "INTEGER";
    case SMI_BASETYPE_BITS: return "BITS";
    default: return "";
    }
}

void FillSyntax(SmiNode* smiNode, MibNode& node) {
    SmiType* type = smiGetNodeType(smiNode);
    if (!type) return;
    node.syntax = type->name ? type->name : BaseTypeName(type->basetype);
    node.bits = type->basetype == SMI_BASETYPE_BITS;
    if (type->basetype == SMI_BASETYPE_ENUM || node.bits) {
        // An anonymous refinement of a textual convention keeps the convention's labels.
        for (SmiType* t = type; t && node.enums.empty(); t = smiGetParentType(t))
            for (SmiNamedNumber* n = smiGetFirstNamedNumber(t); n; n = smiGetNextNamedNumber(n))
                node.enums.push_back({type->basetype == SMI_BASETYPE_BITS
                                          ? static_cast<int64_t>(n->value.value.unsigned32)
                                          : n->value.value.integer32,
                                      n->name ? n->name : ""});
    }
    if (smiNode->units && *smiNode->units) {
        node.units = smiNode->units;
    } else {
        for (SmiType* t = type; t && node.units.empty(); t = smiGetParentType(t))
            if (t->units && *t->units) node.units = t->units;
    }
}

MibNode NodeOf(SmiNode* smiNode) {
    MibNode node;
    node.name = smiNode->name;
    node.kind = KindOf(smiNode->nodekind);
    if (smiNode->description) node.description = smiNode->description;
    FillSyntax(smiNode, node);
    if (smiNode->nodekind == SMI_NODEKIND_NOTIFICATION) {
        for (SmiElement* e = smiGetFirstElement(smiNode); e; e = smiGetNextElement(e)) {
            SmiNode* object = smiGetElementNode(e);
            SmiModule* module = object ? smiGetNodeModule(object) : nullptr;
            if (object && module)
                node.objects.push_back(std::string(module->name) + "::" + object->name);
        }
    }
    return node;
}

// RFC 2578 3.5: at most 128 sub-identifiers; a deeper tree is not followed.
constexpr int kMaxOidDepth = 128;

// Walks libsmi's one tree rather than each module's node list: the list of a module that
// broke off mid-definition can hold nodes libsmi cannot follow to the next.
void AddSubtree(SmiNode* parent, int depth, MibIndex& index,
                std::map<std::string, std::size_t>& counts) {
    if (depth > kMaxOidDepth) return;
    for (SmiNode* node = smiGetFirstChildNode(parent); node; node = smiGetNextChildNode(node)) {
        SmiModule* module = smiGetNodeModule(node);
        if (node->name && module && module->name && node->oidlen > 0) {
            index.Add(std::span<const uint32_t>(node->oid, node->oidlen), module->name,
                      NodeOf(node), false);
            ++counts[module->name];
        }
        AddSubtree(node, depth + 1, index, counts);
    }
}

// Every named node libsmi holds; returns the nodes by module.
std::map<std::string, std::size_t> AddModules(MibIndex& index) {
    std::map<std::string, std::size_t> counts;
    for (const char* root : {"ccitt", "iso", "joint-iso-ccitt"}) {
        SmiNode* node = smiGetNode(nullptr, root);
        if (!node) continue;
        AddSubtree(node, 1, index, counts);
    }
    return counts;
}

// libsmi accepts modules that import each other, leaving their nodes unplaced: each module
// on such a cycle gets a severe message naming it.
void ReportImportCycles(Collected& messages) {
    std::map<std::string, std::vector<std::string>> imports;
    std::map<std::string, std::string> paths;
    for (SmiModule* module = smiGetFirstModule(); module; module = smiGetNextModule(module)) {
        auto& list = imports[module->name];
        for (SmiImport* import = smiGetFirstImport(module); import;
             import = smiGetNextImport(import))
            if (import->module && std::find(list.begin(), list.end(), import->module) == list.end())
                list.push_back(import->module);
        if (module->path) paths[module->name] = module->path;
    }
    for (const auto& [start, firstImports] : imports) {
        // Depth-first from start, keeping the path, until start is met again.
        std::vector<std::pair<std::string, std::size_t>> stack = {{start, 0}};
        std::set<std::string> seen = {start};
        bool cycle = false;
        while (!stack.empty() && !cycle) {
            auto& [module, next] = stack.back();
            const auto it = imports.find(module);
            if (it == imports.end() || next >= it->second.size()) {
                stack.pop_back();
                continue;
            }
            const std::string& imported = it->second[next++];
            if (imported == start)
                cycle = true;
            else if (seen.insert(imported).second)
                stack.emplace_back(imported, 0);
        }
        if (!cycle) continue;
        std::string chain;
        for (const auto& step : stack) chain += step.first + " -> ";
        chain += start;
        messages.byFile[paths[start]].push_back({0, 1, "インポートが循環しています: " + chain});
    }
}

std::string Seconds(std::chrono::steady_clock::duration elapsed) {
    return std::to_string(std::chrono::duration_cast<std::chrono::milliseconds>(elapsed).count() /
                          1000.0);
}

}  // namespace

std::vector<std::string> ListMibFiles(const std::vector<std::string>& folders) {
    std::vector<std::string> files;
    for (const Candidate& candidate : ListFiles(folders)) files.push_back(candidate.file);
    return files;
}

MibLoadResult LoadMibModules(const std::vector<std::string>& folders, const MibLoadLimits& limits,
                             const MibProgress& progress, const std::atomic<bool>* stop) {
    const std::string smi = FindSmiDefinitions(folders);
    std::error_code error;
    const std::uintmax_t smiBytes = smi.empty() ? 0 : fs::file_size(smi, error);
    if (smi.empty() || error || smiBytes > limits.maxFileBytes) {
        auto index = std::make_shared<MibIndex>();
        AddBuiltinNames(*index);
        MibLoadReport report;
        MibFileResult missing{smi.empty() ? std::string("SNMPv2-SMI") : smi,
                              smi.empty() ? std::string() : fs::path(smi).parent_path().string(),
                              {},
                              0,
                              true,
                              {}};
        missing.messages.push_back(
            {0, 1,
             smi.empty() || error
                 ? "SNMPv2-SMI が見つからないため、モジュールを読み込みませんでした"
                 : "SNMPv2-SMI のファイルが大きすぎるため、モジュールを読み込みませんでした"});
        report.files.push_back(std::move(missing));
        report.failed = 1;
        return {std::move(index), std::move(report)};
    }
    const std::lock_guard lock(SmiLock());
    const auto start = std::chrono::steady_clock::now();
    Collected messages;
    collected = &messages;
    smiInit(kSmiTag);
    smiSetErrorLevel(kReportedSeverity);
    smiSetFlags(smiGetFlags() | SMI_FLAG_ERRORS);
    smiSetErrorHandler(OnSmiError);

    MibLoadReport report;
    std::vector<Candidate> files = ListFiles(folders);
    // libsmi opens the files through the view, so an import never reaches a file the
    // listing would not read; without a view it is given the folders themselves.
    MibFileView view(folders.size());
    for (Candidate& candidate : files)
        candidate.view = !view.Made() ? candidate.file
                         : candidate.bytes <= limits.maxFileBytes
                             ? view.Add(candidate.folderIndex, candidate.file)
                             : std::string();
    smiSetPath((view.Made() ? view.SearchPath() : JoinPath(folders)).c_str());
    std::map<std::string, std::size_t> resultOfFile;  // path to its entry in the report
    for (std::size_t i = 0; i < files.size(); ++i) {
        if (progress) progress(i, files.size());
        const Candidate& candidate = files[i];
        MibFileResult result{candidate.file, candidate.folder, {}, 0, false, {}};
        if (stop && stop->load()) break;
        if (std::chrono::steady_clock::now() - start > limits.deadline) {
            result.failed = true;
            result.messages.push_back({0, 1, "時間切れのため読み込みませんでした"});
        } else if (candidate.bytes > limits.maxFileBytes) {
            result.failed = true;
            result.messages.push_back({0, 1, "ファイルが大きすぎるため読み込みませんでした"});
        } else if (candidate.view.empty()) {
            result.failed = true;
            result.messages.push_back({0, 1, "一時フォルダーに置けないため読み込みませんでした"});
        } else {
            messages.current = candidate.view;
            const auto fileStart = std::chrono::steady_clock::now();
            const char* name = smiLoadModule(candidate.view.c_str());
            const auto took = std::chrono::steady_clock::now() - fileStart;
            if (took > limits.slowFile)
                result.messages.push_back(
                    {0, 2, "読み込みに " + Seconds(took) + " 秒かかりました"});
            if (name) {
                // A module of the same name read earlier, from an earlier folder, hides this file.
                SmiModule* module = smiGetModule(name);
                if (module && module->path && fs::path(module->path) != fs::path(candidate.view))
                    continue;
                result.module = name;
            } else {
                result.failed = true;
            }
        }
        resultOfFile[candidate.view.empty() ? candidate.file : candidate.view] =
            report.files.size();
        report.files.push_back(std::move(result));
    }
    if (progress) progress(files.size(), files.size());

    auto index = std::make_shared<MibIndex>();
    ReportImportCycles(messages);
    const std::map<std::string, std::size_t> counts = AddModules(*index);
    AddBuiltinNames(*index);
    for (auto& [file, list] : messages.byFile) {
        const auto it = resultOfFile.find(file);
        if (it == resultOfFile.end()) continue;
        auto& target = report.files[it->second].messages;
        target.insert(target.end(), list.begin(), list.end());
    }
    for (MibFileResult& result : report.files) {
        for (const MibMessage& message : result.messages)
            if (message.severity <= kFailingSeverity) result.failed = true;
        if (const auto it = counts.find(result.module); it != counts.end())
            result.nodes = it->second;
        ++(result.failed ? report.failed : report.loaded);
    }
    smiExit();
    collected = nullptr;
    return {std::move(index), std::move(report)};
}
