#include "Engine/SaveData.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <array>
#include <bit>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>

namespace {
constexpr char kMagic[8] = {'T', 'A', 'C', 'T', 'S', 'A', 'V', 'E'};
constexpr std::size_t kHeaderBytes = sizeof(kMagic) + 2 + 4 + 4;
constexpr std::size_t kMaxNameBytes = 64;

uint32_t crc32(std::string_view bytes) {
    static const std::array<uint32_t, 256> table = [] {
        std::array<uint32_t, 256> t{};
        for (uint32_t i = 0; i < 256; ++i) {
            uint32_t c = i;
            for (int k = 0; k < 8; ++k) c = (c & 1) != 0 ? 0xEDB88320u ^ (c >> 1) : c >> 1;
            t[i] = c;
        }
        return t;
    }();
    uint32_t c = 0xFFFFFFFFu;
    for (const char byte : bytes) c = table[(c ^ static_cast<uint8_t>(byte)) & 0xFFu] ^ (c >> 8);
    return c ^ 0xFFFFFFFFu;
}

void putU32(std::string& out, uint32_t value) {
    for (int i = 0; i < 4; ++i) out.push_back(static_cast<char>((value >> (8 * i)) & 0xFFu));
}

// Appends [value]; false when too deep or too big (checked as it grows, so a huge table stops early).
bool encodeValue(const SaveValue& value, int depth, std::string& out) {
    if (out.size() > kMaxSaveFileBytes)
        return false;
    out.push_back(static_cast<char>(value.kind));
    switch (value.kind) {
        case SaveValue::Kind::INT:
            putU32(out, static_cast<uint32_t>(value.intValue));
            return true;
        case SaveValue::Kind::FLOAT:
            putU32(out, std::bit_cast<uint32_t>(value.floatValue));
            return true;
        case SaveValue::Kind::STRING:
            if (value.text.size() > kMaxSaveFileBytes)
                return false;
            putU32(out, static_cast<uint32_t>(value.text.size()));
            out += value.text;
            return true;
        case SaveValue::Kind::TABLE:
            if (depth >= kMaxSaveDepth || value.entries.size() > kMaxSaveFileBytes)
                return false;
            putU32(out, static_cast<uint32_t>(value.entries.size()));
            for (const auto& [key, item] : value.entries) {
                if (key.kind == SaveValue::Kind::TABLE || !encodeValue(key, depth + 1, out) ||
                    !encodeValue(item, depth + 1, out))
                    return false;
            }
            return true;
    }
    return false;
}

class Reader {
  public:
    explicit Reader(std::string_view bytes) : bytes_(bytes) {}

    bool u32(uint32_t& value) {
        if (bytes_.size() - pos_ < 4)
            return fail("truncated");
        value = 0;
        for (int i = 0; i < 4; ++i)
            value |= static_cast<uint32_t>(static_cast<uint8_t>(bytes_[pos_++])) << (8 * i);
        return true;
    }
    // One value; keys may not be tables.
    bool value(SaveValue& out, int depth, bool isKey) {
        if (pos_ >= bytes_.size())
            return fail("truncated");
        const uint8_t tag = static_cast<uint8_t>(bytes_[pos_++]);
        uint32_t word = 0;
        switch (tag) {
            case static_cast<uint8_t>(SaveValue::Kind::INT):
                out.kind = SaveValue::Kind::INT;
                if (!u32(word))
                    return false;
                out.intValue = static_cast<int32_t>(word);
                return true;
            case static_cast<uint8_t>(SaveValue::Kind::FLOAT):
                out.kind = SaveValue::Kind::FLOAT;
                if (!u32(word))
                    return false;
                out.floatValue = std::bit_cast<float>(word);
                return true;
            case static_cast<uint8_t>(SaveValue::Kind::STRING):
                out.kind = SaveValue::Kind::STRING;
                if (!u32(word))
                    return false;
                if (word > bytes_.size() - pos_)
                    return fail("a string runs past the end");
                out.text.assign(bytes_.substr(pos_, word));
                pos_ += word;
                return true;
            case static_cast<uint8_t>(SaveValue::Kind::TABLE):
                if (isKey)
                    return fail("a table is used as a key");
                if (depth >= kMaxSaveDepth)
                    return fail("tables nested too deep");
                out.kind = SaveValue::Kind::TABLE;
                if (!u32(word))
                    return false;
                // Each pair takes at least ten bytes: a count past that is damage, refused before
                // anything is reserved for it.
                if (word > (bytes_.size() - pos_) / 10)
                    return fail("a table count runs past the end");
                out.entries.resize(word);
                for (auto& [key, item] : out.entries) {
                    if (!value(key, depth + 1, true) || !value(item, depth + 1, false))
                        return false;
                }
                return true;
            default:
                return fail("an unknown value tag");
        }
    }
    bool atEnd() const { return pos_ == bytes_.size(); }
    bool fail(const char* why) {
        error_ = why;
        return false;
    }
    const std::string& error() const { return error_; }

  private:
    std::string_view bytes_;
    std::size_t pos_ = 0;
    std::string error_;
};
}  // namespace

SaveValue SaveValue::makeInt(int32_t value) {
    SaveValue v;
    v.kind = Kind::INT;
    v.intValue = value;
    return v;
}
SaveValue SaveValue::makeFloat(float value) {
    SaveValue v;
    v.kind = Kind::FLOAT;
    v.floatValue = value;
    return v;
}
SaveValue SaveValue::makeString(std::string value) {
    SaveValue v;
    v.kind = Kind::STRING;
    v.text = std::move(value);
    return v;
}
SaveValue SaveValue::makeTable() {
    SaveValue v;
    v.kind = Kind::TABLE;
    return v;
}

bool SaveValue::operator==(const SaveValue& other) const {
    if (kind != other.kind)
        return false;
    switch (kind) {
        case Kind::INT:
            return intValue == other.intValue;
        case Kind::FLOAT:
            return std::bit_cast<uint32_t>(floatValue) == std::bit_cast<uint32_t>(other.floatValue);
        case Kind::STRING:
            return text == other.text;
        case Kind::TABLE:
            return entries == other.entries;
    }
    return false;
}

std::optional<std::string> encodeSaveData(const SaveValue& value) {
    std::string payload;
    if (!encodeValue(value, 0, payload) || payload.size() + kHeaderBytes > kMaxSaveFileBytes)
        return std::nullopt;
    std::string out(kMagic, sizeof(kMagic));
    out.push_back(static_cast<char>(kSaveFormatVersion & 0xFFu));
    out.push_back(static_cast<char>(kSaveFormatVersion >> 8));
    putU32(out, static_cast<uint32_t>(payload.size()));
    putU32(out, crc32(payload));
    return out + payload;
}

std::optional<SaveValue> decodeSaveData(std::string_view bytes, std::string& error) {
    if (bytes.size() < sizeof(kMagic) || std::memcmp(bytes.data(), kMagic, sizeof(kMagic)) != 0) {
        error = "not a save file";
        return std::nullopt;
    }
    if (bytes.size() < kHeaderBytes) {
        error = "truncated";
        return std::nullopt;
    }
    if (bytes.size() > kMaxSaveFileBytes) {
        error = "too large";
        return std::nullopt;
    }
    const uint16_t version =
        static_cast<uint16_t>(static_cast<uint8_t>(bytes[8]) | static_cast<uint8_t>(bytes[9]) << 8);
    if (version != kSaveFormatVersion) {
        error = "format version " + std::to_string(version) + ", this engine reads version " +
                std::to_string(kSaveFormatVersion);
        return std::nullopt;
    }
    Reader header(bytes.substr(10, 8));
    uint32_t size = 0;
    uint32_t crc = 0;
    header.u32(size);
    header.u32(crc);
    const std::string_view payload = bytes.substr(kHeaderBytes);
    if (payload.size() != size) {
        error = payload.size() < size ? "truncated" : "bytes past the end";
        return std::nullopt;
    }
    if (crc32(payload) != crc) {
        error = "damaged (checksum mismatch)";
        return std::nullopt;
    }
    Reader reader(payload);
    SaveValue value;
    if (!reader.value(value, 0, false)) {
        error = reader.error();
        return std::nullopt;
    }
    if (!reader.atEnd()) {
        error = "bytes past the end";
        return std::nullopt;
    }
    return value;
}

bool isValidSaveName(std::string_view name) {
    if (name.empty() || name.size() > kMaxNameBytes || name.front() == '.' ||
        name.find("..") != std::string_view::npos)
        return false;
    for (const char c : name) {
        const bool ok = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
                        c == '_' || c == '-' || c == '.' || c == ' ';
        if (!ok)
            return false;
    }
    return true;
}

std::optional<std::string> getPlayerDataFolder(const std::string& game) {
    if (!isValidSaveName(game))
        return std::nullopt;
    const char* data = std::getenv("XDG_DATA_HOME");
    if (data != nullptr && data[0] == '/')
        return std::string(data) + "/tact/" + game;
    const char* home = std::getenv("HOME");
    if (home != nullptr && home[0] == '/')
        return std::string(home) + "/.local/share/tact/" + game;
    return std::nullopt;
}

bool writeFileAtomically(const std::string& path, std::string_view bytes, std::string& error) {
    const std::filesystem::path target(path);
    std::error_code code;
    std::filesystem::create_directories(target.parent_path(), code);
    if (code) {
        error = "cannot make the folder " + target.parent_path().string() + ": " + code.message();
        return false;
    }
    const std::string temporary = path + ".tmp" + std::to_string(getpid());
    const int fd = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0) {
        error = "cannot write " + temporary + ": " + std::strerror(errno);
        return false;
    }
    std::size_t done = 0;
    bool ok = true;
    while (ok && done < bytes.size()) {
        const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0 && errno == EINTR)
            continue;
        ok = n > 0;
        if (ok)
            done += static_cast<std::size_t>(n);
    }
    // The data reaches the disk before the rename makes it the file: a crash in between leaves the
    // old file, never a short new one.
    ok = ok && ::fsync(fd) == 0;
    const int savedErrno = errno;
    ok = ::close(fd) == 0 && ok;
    if (!ok || ::rename(temporary.c_str(), path.c_str()) != 0) {
        error = "cannot write " + path + ": " + std::strerror(ok ? errno : savedErrno);
        ::unlink(temporary.c_str());
        return false;
    }
    return true;
}

std::optional<std::string> readWholeFile(const std::string& path, std::size_t maxBytes, bool& missing,
                                         std::string& error) {
    missing = false;
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        missing = errno == ENOENT;
        error = std::strerror(errno);
        return std::nullopt;
    }
    struct stat info {};
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        ::close(fd);
        error = "not a regular file";
        return std::nullopt;
    }
    // Read one byte past the cap, so a file that grew since fstat is still seen to be too big.
    std::string bytes(maxBytes + 1, '\0');
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::read(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            if (n < 0) {
                error = std::strerror(errno);
                ::close(fd);
                return std::nullopt;
            }
            break;
        }
        done += static_cast<std::size_t>(n);
    }
    ::close(fd);
    if (done > maxBytes) {
        error = "larger than " + std::to_string(maxBytes) + " bytes";
        return std::nullopt;
    }
    bytes.resize(done);
    return bytes;
}
