// libFuzzer entry point for the settings file: the input is OlixTrap.ini as found at
// start-up, read with CConfig::Load, saved and read again.
//   ./settings_fuzz -max_total_time=600 corpus/

#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>

#include "FuzzProgramFolder.h"
#include "platform/Encoding.h"
#include "platform/FixedText.h"
#include "platform/MessageBox.h"
#include "settings/AppSettings.h"
#include "settings/CConfig.h"
#include "settings/IniFile.h"
#include "settings/ProgramFolder.h"

namespace {

void Check(bool holds) {
    if (!holds) __builtin_trap();
}

std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// A text as saved and read again: one line, without the blanks that reading drops, and
// without a lead byte that the line's end left alone.
template <std::size_t N>
std::string_view AsSaved(const std::array<char, N>& field) {
    std::string_view text = FixedTextView(field);
    text = text.substr(0, text.find_first_of("\r\n"));
    text = text.substr(0, text.find_last_not_of(" \t") + 1);
    return text.substr(0, Cp932PrefixLength(text, text.size()));
}

template <std::size_t N>
void CheckText(const std::array<char, N>& loaded, const std::array<char, N>& again) {
    Check(std::memchr(loaded.data(), '\0', N) != nullptr);
    Check(FixedTextView(again) == AsSaved(loaded));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    FuzzProgramFolder();
    const std::string path = SettingsFilePath();
    // New files each time: the file system flushes one that is truncated or replaced.
    std::remove(path.c_str());
    {
        std::ofstream out(path, std::ios::binary);
        out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
    }

    // Reading and writing the file unchanged is stable after the first rewrite.
    IniFile ini;
    Check(ini.Load(path));
    const std::string copy = path + ".copy";
    Check(ini.Save(copy));
    const std::string once = ReadFile(copy);
    Check(ini.Load(copy));
    std::remove(copy.c_str());
    Check(ini.Save(copy));
    Check(ReadFile(copy) == once);
    std::remove(copy.c_str());

    // Saved settings read back the same.
    const AppSettings loaded = CConfig::Load(path);
    Check(loaded.trapPort != 0);
    StandardErrorBoxes boxes;
    Check(CConfig::Save(path, loaded, boxes));
    const AppSettings again = CConfig::Load(path);
    Check(again.receiveMode == loaded.receiveMode && again.trapPort == loaded.trapPort &&
          again.resolveHostName == loaded.resolveHostName && again.logMode == loaded.logMode &&
          again.logRetention == loaded.logRetention && again.usePopAuth == loaded.usePopAuth &&
          again.maxRows == loaded.maxRows);
    CheckText(loaded.formatV1, again.formatV1);
    CheckText(loaded.formatV2c, again.formatV2c);
    CheckText(loaded.formatV3, again.formatV3);
    CheckText(loaded.smtpServer, again.smtpServer);
    CheckText(loaded.mailFrom, again.mailFrom);
    CheckText(loaded.mailTo, again.mailTo);
    CheckText(loaded.popServer, again.popServer);
    CheckText(loaded.popUserId, again.popUserId);
    CheckText(loaded.popPassword, again.popPassword);
    CheckText(loaded.mailSubject, again.mailSubject);
    return 0;
}
