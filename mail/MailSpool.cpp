#include "mail/MailSpool.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <cstdio>

#include "platform/DurableReplace.h"
#include "settings/ProgramFolder.h"

namespace {

// The file starts with this; then the records, each: its body's length (4 octets), the
// body, and the body's CRC-32 (4 octets); numbers little-endian. A body: the time queued
// (8), the SMTP and POP3 ports (2 each), the POP login flag (1), then seven fields, each its
// length (4) and its bytes: SMTP server, sender, recipient, POP3 server, user, password,
// message.
constexpr std::string_view kMagic = "OTSPOOL1";
// No mail comes near this; a longer length is damage, not a record to allocate for.
constexpr std::uint32_t kMaxBodyBytes = 1u << 20;

constexpr std::array<std::uint32_t, 256> MakeCrcTable() {
    std::array<std::uint32_t, 256> table{};
    for (std::uint32_t i = 0; i < 256; ++i) {
        std::uint32_t c = i;
        for (int k = 0; k < 8; ++k) c = (c & 1) != 0 ? 0xEDB88320u ^ (c >> 1) : c >> 1;
        table[i] = c;
    }
    return table;
}
constexpr std::array<std::uint32_t, 256> kCrcTable = MakeCrcTable();

std::uint32_t Crc32(std::string_view bytes) {
    std::uint32_t c = 0xFFFFFFFFu;
    for (const char b : bytes) c = kCrcTable[(c ^ static_cast<std::uint8_t>(b)) & 0xFF] ^ (c >> 8);
    return c ^ 0xFFFFFFFFu;
}

template <typename T>
void Put(std::string& out, T value) {
    auto bits = static_cast<std::uint64_t>(value);
    for (std::size_t i = 0; i < sizeof(T); ++i, bits >>= 8)
        out.push_back(static_cast<char>(bits & 0xFF));
}

void PutField(std::string& out, std::string_view field) {
    Put(out, static_cast<std::uint32_t>(field.size()));
    out.append(field);
}

// Reads from the front of a span of bytes; every read fails once the bytes run out.
class Reader {
public:
    explicit Reader(std::string_view bytes) : rest_(bytes) {}

    template <typename T>
    bool Get(T& value) {
        if (rest_.size() < sizeof(T)) return false;
        std::uint64_t bits = 0;
        for (std::size_t i = sizeof(T); i-- > 0;)
            bits = (bits << 8) | static_cast<std::uint8_t>(rest_[i]);
        value = static_cast<T>(bits);
        rest_.remove_prefix(sizeof(T));
        return true;
    }

    bool Take(std::size_t length, std::string_view& bytes) {
        if (rest_.size() < length) return false;
        bytes = rest_.substr(0, length);
        rest_.remove_prefix(length);
        return true;
    }

    bool GetField(std::string& field) {
        std::uint32_t length = 0;
        std::string_view bytes;
        if (!Get(length) || !Take(length, bytes)) return false;
        field.assign(bytes);
        return true;
    }

    std::size_t Left() const { return rest_.size(); }

private:
    std::string_view rest_;
};

bool ParseBody(std::string_view body, SpooledMail& spooled) {
    Reader reader(body);
    std::uint8_t popLogin = 0;
    PreparedMail& mail = spooled.mail;
    const bool ok = reader.Get(spooled.queuedAt) && reader.Get(spooled.route.smtpPort) &&
                    reader.Get(spooled.route.popPort) && reader.Get(popLogin) && popLogin <= 1 &&
                    reader.GetField(mail.smtpServer) && reader.GetField(mail.from) &&
                    reader.GetField(mail.to) && reader.GetField(mail.popServer) &&
                    reader.GetField(mail.popUserId) && reader.GetField(mail.popPassword) &&
                    reader.GetField(mail.message);
    mail.popLogin = popLogin != 0;
    // A message is sent as it is: one without its end-of-data line would leave the server
    // waiting for the rest.
    return ok && reader.Left() == 0 && mail.message.ends_with("\r\n.\r\n");
}

}  // namespace

std::string MailSpoolPath() { return GetProgramFolder() + "/db/MailSpool.dat"; }

std::string EncodeMailSpool(const std::vector<SpooledMail>& mails) {
    std::string out(kMagic);
    std::string body;
    for (const SpooledMail& spooled : mails) {
        const PreparedMail& mail = spooled.mail;
        body.clear();
        Put(body, spooled.queuedAt);
        Put(body, spooled.route.smtpPort);
        Put(body, spooled.route.popPort);
        Put(body, static_cast<std::uint8_t>(mail.popLogin ? 1 : 0));
        for (const std::string* field : {&mail.smtpServer, &mail.from, &mail.to, &mail.popServer,
                                         &mail.popUserId, &mail.popPassword, &mail.message})
            PutField(body, *field);
        Put(out, static_cast<std::uint32_t>(body.size()));
        out += body;
        Put(out, Crc32(body));
    }
    return out;
}

MailSpoolReading ParseMailSpool(std::string_view bytes, std::int64_t now) {
    MailSpoolReading reading;
    if (!bytes.starts_with(kMagic)) {
        reading.damagedBytes = bytes.size();
        return reading;
    }
    Reader reader(bytes.substr(kMagic.size()));
    std::vector<SpooledMail> whole;
    while (reader.Left() > 0) {
        const std::size_t before = reader.Left();
        std::uint32_t length = 0;
        std::uint32_t checksum = 0;
        std::string_view body;
        SpooledMail spooled;
        if (!reader.Get(length) || length > kMaxBodyBytes || !reader.Take(length, body) ||
            !reader.Get(checksum) || checksum != Crc32(body) || !ParseBody(body, spooled)) {
            // Nothing after a damaged record can be framed with confidence.
            reading.damagedBytes = before;
            break;
        }
        whole.push_back(std::move(spooled));
    }
    const std::int64_t oldest =
        now - std::chrono::duration_cast<std::chrono::seconds>(kSpoolMaxAge).count();
    for (SpooledMail& spooled : whole) {
        if (spooled.queuedAt < oldest)
            ++reading.droppedForAge;
        else
            reading.mails.push_back(std::move(spooled));
    }
    if (reading.mails.size() > kSpoolMaxMails) {
        reading.droppedForCount = reading.mails.size() - kSpoolMaxMails;
        reading.mails.erase(reading.mails.begin(),
                            reading.mails.begin() + std::ptrdiff_t(reading.droppedForCount));
    }
    return reading;
}

int ReadMailSpoolFile(const std::string& path, std::string& bytes) {
    bytes.clear();
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (file == nullptr) return errno == ENOENT ? 1 : 2;
    std::array<char, 65536> chunk;
    std::size_t got = 0;
    while ((got = std::fread(chunk.data(), 1, chunk.size(), file)) > 0)
        bytes.append(chunk.data(), got);
    const bool failed = std::ferror(file) != 0;
    std::fclose(file);
    return failed ? 2 : 0;
}

int WriteMailSpool(const std::string& path, const std::vector<SpooledMail>& mails) {
    const std::size_t slash = path.rfind('/');
    if (slash != std::string::npos && slash > 0) ::mkdir(path.substr(0, slash).c_str(), 0755);
    const std::string temporary = path + ".tmp";
    // Owner-only: the records hold the POP3 password.
    const int fd = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    if (fd < 0) return 1;
    std::FILE* file = ::fchmod(fd, 0600) == 0 ? ::fdopen(fd, "wb") : nullptr;
    if (file == nullptr) {
        ::close(fd);
        std::remove(temporary.c_str());
        return 1;
    }
    const std::string bytes = EncodeMailSpool(mails);
    if (std::fwrite(bytes.data(), 1, bytes.size(), file) != bytes.size()) {
        std::fclose(file);
        std::remove(temporary.c_str());
        return 1;
    }
    return DurableReplace(file, temporary, path);
}

std::string MailSpoolStartText(const MailSpoolStart& start) {
    if (start.unreadable) return start.path + " could not be read; its mails are not sent";
    std::string text =
        std::to_string(start.queued) + " unsent mails of the last run queued again from " +
        start.path + "; dropped: " + std::to_string(start.droppedForAge) + " older than " +
        std::to_string(kSpoolMaxAge.count()) + " h, " + std::to_string(start.droppedForCount) +
        " beyond the newest " + std::to_string(kSpoolMaxMails);
    if (start.damagedBytes > 0)
        text += "; damaged, not read: the last " + std::to_string(start.damagedBytes) + " bytes";
    return text;
}

std::string MailSpoolEndText(const MailSpoolEnd& end) {
    if (end.path.empty()) return std::to_string(end.unsent) + " unsent mails dropped";
    return end.kept ? std::to_string(end.unsent) + " unsent mails kept in " + end.path +
                          " for the next start"
                    : std::to_string(end.unsent) + " unsent mails lost: " + end.path +
                          " could not be written";
}
