#include "settings/CConfig.h"

#include <cstdint>
#include <filesystem>
#include <string_view>

#include "platform/FixedText.h"
#include "settings/AppSettings.h"
#include "settings/IniFile.h"
#include "settings/ProgramFolder.h"

namespace {

constexpr std::string_view kInit = "INIT";
constexpr std::string_view kSmtp = "SMTP";
constexpr uint16_t kDefaultTrapPort = 162;
constexpr int32_t kDefaultRetentionMonths = 3;
constexpr std::string_view kMaxRowsKey = "MAXROWS";
constexpr std::string_view kMibFoldersKey = "MIBDIRS";

constexpr std::string_view kDefaultFormatV1 =
    "Com = %C / ePrise = %E / GID = %G / SID = %S / TickTime = %T / VarBindings = %B";
constexpr std::string_view kDefaultFormatV2c = "Com = %C / VarBindings = %B";
constexpr std::string_view kDefaultFormatV3 =
    "User = %u / eBoots = %b / eTime = %t / VarBindings = %B";

AppSettings FirstRunDefaults() {
    AppSettings settings{};
    settings.trapPort = kDefaultTrapPort;
    settings.resolveHostName = 1;
    settings.logMode = 1;
    SetFixedText(settings.formatV1, kDefaultFormatV1);
    SetFixedText(settings.formatV2c, kDefaultFormatV2c);
    SetFixedText(settings.formatV3, kDefaultFormatV3);
    settings.logRetention = kDefaultRetentionMonths;
    return settings;
}

template <std::size_t N>
void ReadText(const IniFile& ini, std::string_view section, std::string_view key,
              std::array<char, N>& field) {
    SetFixedText(field, ini.GetString(section, key).value_or(std::string()));
}

AppSettings ReadFile(const IniFile& ini) {
    AppSettings settings{};
    settings.receiveMode = ini.GetInt(kInit, "TRECV", 0);
    settings.trapPort = static_cast<uint16_t>(ini.GetInt(kInit, "RECVP", kDefaultTrapPort));
    if (settings.trapPort == 0) settings.trapPort = kDefaultTrapPort;
    settings.resolveHostName = ini.GetInt(kInit, "HOST", 0);
    settings.logMode = ini.GetInt(kInit, "LOG", 0);
    ReadText(ini, kInit, "T1MSG", settings.formatV1);
    ReadText(ini, kInit, "T2MSG", settings.formatV2c);
    ReadText(ini, kInit, "T3MSG", settings.formatV3);
    settings.logRetention = ini.GetInt(kInit, "LOGDELM", kDefaultRetentionMonths);
    ReadText(ini, kSmtp, "smtpserver", settings.smtpServer);
    ReadText(ini, kSmtp, "adrfrom", settings.mailFrom);
    ReadText(ini, kSmtp, "adrto", settings.mailTo);
    settings.usePopAuth = ini.GetInt(kSmtp, "pop", 0);
    ReadText(ini, kSmtp, "popserver", settings.popServer);
    ReadText(ini, kSmtp, "userid", settings.popUserId);
    ReadText(ini, kSmtp, "passward", settings.popPassword);
    ReadText(ini, kSmtp, "subject", settings.mailSubject);
    settings.maxRows = ClampMaxRows(ini.GetInt(kInit, kMaxRowsKey, kMaxRowsDefault));
    ReadText(ini, kInit, kMibFoldersKey, settings.mibFolders);
    return settings;
}

}  // namespace

void CConfig::Load() {
    IniFile ini;
    WriteSettings(ini.Load(SettingsFilePath()) == 0 ? ReadFile(ini) : FirstRunDefaults());
}

int CConfig::Save() {
    const std::string path = SettingsFilePath();
    const AppSettings settings = ReadSettings();
    IniFile ini;
    // A missing file starts empty; one that exists but cannot be read is left alone rather
    // than replaced by a file that lost its other lines.
    if (ini.Load(path) != 0 && std::filesystem::exists(path)) return 1;
    ini.SetInt(kInit, "TRECV", settings.receiveMode);
    ini.SetInt(kInit, "RECVP", settings.trapPort);
    ini.SetInt(kInit, "HOST", settings.resolveHostName);
    ini.SetInt(kInit, "LOG", settings.logMode);
    ini.SetString(kInit, "T1MSG", FixedTextView(settings.formatV1));
    ini.SetString(kInit, "T2MSG", FixedTextView(settings.formatV2c));
    ini.SetString(kInit, "T3MSG", FixedTextView(settings.formatV3));
    ini.SetInt(kInit, "LOGDELM", settings.logRetention);
    ini.SetString(kSmtp, "smtpserver", FixedTextView(settings.smtpServer));
    ini.SetString(kSmtp, "adrfrom", FixedTextView(settings.mailFrom));
    ini.SetString(kSmtp, "adrto", FixedTextView(settings.mailTo));
    ini.SetInt(kSmtp, "pop", settings.usePopAuth);
    ini.SetString(kSmtp, "popserver", FixedTextView(settings.popServer));
    ini.SetString(kSmtp, "userid", FixedTextView(settings.popUserId));
    ini.SetString(kSmtp, "passward", FixedTextView(settings.popPassword));
    ini.SetString(kSmtp, "subject", FixedTextView(settings.mailSubject));
    // Files that never had a ceiling other than the default keep their bytes.
    if (settings.maxRows != kMaxRowsDefault || ini.GetString(kInit, kMaxRowsKey))
        ini.SetInt(kInit, kMaxRowsKey, settings.maxRows);
    if (settings.mibFolders[0] != '\0' || ini.GetString(kInit, kMibFoldersKey))
        ini.SetString(kInit, kMibFoldersKey, FixedTextView(settings.mibFolders));
    ini.Save(path);
    return 1;
}
