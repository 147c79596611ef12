#include "Engine/ZipDirectory.h"

#include <algorithm>
#include <vector>

namespace {

constexpr uint32_t kEndSignature = 0x06054b50;
constexpr uint32_t kEntrySignature = 0x02014b50;
constexpr uint32_t kLocalSignature = 0x04034b50;
constexpr std::size_t kEndBytes = 22;
constexpr std::size_t kEntryBytes = 46;
constexpr std::size_t kLocalBytes = 30;
// The end record's comment is at most this long, so the record lies in the archive's last
// kEndBytes + kMaxComment bytes.
constexpr std::size_t kMaxComment = 0xffff;
// Stored and deflated: the methods the writer uses and the reader decodes.
constexpr uint16_t kStored = 0;
constexpr uint16_t kDeflated = 8;
constexpr uint16_t kEncryptedFlag = 1;
// Deflate cannot expand data by much more than 1032 to 1; a member claiming more is forged, and
// its claim must not size a buffer. The slack covers the few bytes of a tiny member's stream.
constexpr uint64_t kMaxDeflateRatio = 1032;
constexpr uint64_t kDeflateSlack = 64;

uint16_t get16(const uint8_t* p) {
    return static_cast<uint16_t>(p[0] | (p[1] << 8));
}

uint32_t get32(const uint8_t* p) {
    return static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) |
           (static_cast<uint32_t>(p[2]) << 16) | (static_cast<uint32_t>(p[3]) << 24);
}

std::string quoted(const std::string& name) {
    std::string text = "\"";
    for (const char c : name) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 0x20 || byte == 0x7f) {
            static const char* digits = "0123456789abcdef";
            text += "\\x";
            text += digits[byte >> 4];
            text += digits[byte & 15];
        } else {
            text += c;
        }
    }
    return text + "\"";
}

}  // namespace

bool ZipDirectory::isPlainName(const std::string& name) {
    if (name.empty() || name.size() > 1024)
        return false;
    const std::size_t end = name.back() == '/' ? name.size() - 1 : name.size();
    std::size_t start = 0;
    while (start <= end) {
        std::size_t slash = name.find('/', start);
        if (slash == std::string::npos || slash > end)
            slash = end;
        const std::string part = name.substr(start, slash - start);
        if (part.empty() || part == "." || part == "..")
            return false;
        for (const char c : part) {
            const auto byte = static_cast<unsigned char>(c);
            if (byte < 0x20 || byte == 0x7f || c == '\\' || c == ':')
                return false;
        }
        start = slash + 1;
    }
    return true;
}

bool ZipDirectory::read(const ReadAt& readAt, uint64_t archiveBytes, std::string& error) {
    files_.clear();
    if (archiveBytes < kEndBytes) {
        error = "not a zip archive";
        return false;
    }
    // The end record: the last signature whose comment runs exactly to the end of the archive.
    const std::size_t tailBytes =
        static_cast<std::size_t>(std::min<uint64_t>(archiveBytes, kEndBytes + kMaxComment));
    std::vector<uint8_t> tail(tailBytes);
    const uint64_t tailStart = archiveBytes - tailBytes;
    if (!readAt(tailStart, tailBytes, tail.data())) {
        error = "cannot be read";
        return false;
    }
    const uint8_t* end = nullptr;
    for (std::size_t at = tailBytes - kEndBytes + 1; at-- > 0;) {
        if (get32(&tail[at]) == kEndSignature && at + kEndBytes + get16(&tail[at + 20]) == tailBytes) {
            end = &tail[at];
            break;
        }
    }
    if (end == nullptr) {
        error = "not a zip archive";
        return false;
    }
    const uint64_t endOffset = tailStart + static_cast<uint64_t>(end - tail.data());
    const uint16_t entries = get16(end + 10);
    const uint32_t directoryBytes = get32(end + 12);
    const uint32_t directoryOffset = get32(end + 16);
    if (get16(end + 4) != 0 || get16(end + 6) != 0 || get16(end + 8) != entries) {
        error = "archives split over several files are not read";
        return false;
    }
    if (entries == 0xffff || directoryBytes == 0xffffffff || directoryOffset == 0xffffffff) {
        error = "archives in the 64-bit format are not read";
        return false;
    }
    if (static_cast<uint64_t>(directoryOffset) + directoryBytes > endOffset) {
        error = "truncated or damaged: the directory lies outside the archive";
        return false;
    }
    std::vector<uint8_t> directory(directoryBytes);
    if (directoryBytes > 0 && !readAt(directoryOffset, directoryBytes, directory.data())) {
        error = "cannot be read";
        return false;
    }
    std::size_t at = 0;
    for (uint16_t i = 0; i < entries; ++i) {
        if (directoryBytes - at < kEntryBytes || get32(&directory[at]) != kEntrySignature) {
            error = "truncated or damaged: entry " + std::to_string(i + 1) + " of the directory";
            return false;
        }
        const uint8_t* entry = &directory[at];
        const uint16_t flags = get16(entry + 8);
        const uint16_t method = get16(entry + 10);
        const uint32_t crc = get32(entry + 16);
        const uint32_t packedBytes = get32(entry + 20);
        const uint32_t size = get32(entry + 24);
        const std::size_t nameBytes = get16(entry + 28);
        const std::size_t rest = nameBytes + get16(entry + 30) + get16(entry + 32);
        const uint32_t localOffset = get32(entry + 42);
        if (directoryBytes - at - kEntryBytes < rest) {
            error = "truncated or damaged: entry " + std::to_string(i + 1) + " of the directory";
            return false;
        }
        const std::string name(reinterpret_cast<const char*>(entry + kEntryBytes), nameBytes);
        at += kEntryBytes + rest;
        if (!isPlainName(name)) {
            error = "the name " + quoted(name) + " is not a plain relative path";
            return false;
        }
        if ((flags & kEncryptedFlag) != 0 || (method != kStored && method != kDeflated)) {
            error = quoted(name) + " is encrypted or compressed in a way the engine does not read";
            return false;
        }
        if (size > kMaxEntryBytes || packedBytes == 0xffffffff || localOffset == 0xffffffff) {
            error = quoted(name) + " is too large";
            return false;
        }
        // Its local header and data lie before the directory.
        uint8_t local[kLocalBytes];
        if (static_cast<uint64_t>(localOffset) + kLocalBytes > directoryOffset ||
            !readAt(localOffset, kLocalBytes, local) || get32(local) != kLocalSignature ||
            static_cast<uint64_t>(localOffset) + kLocalBytes + get16(local + 26) + get16(local + 28) +
                    packedBytes >
                directoryOffset) {
            error = "truncated or damaged: the data of " + quoted(name) + " lies outside the archive";
            return false;
        }
        if (method == kStored ? size != packedBytes : size > packedBytes * kMaxDeflateRatio + kDeflateSlack) {
            error = "truncated or damaged: " + quoted(name) + " declares more data than it holds";
            return false;
        }
        if (name.back() == '/')
            continue;  // a folder
        if (!files_.emplace(name, ZipEntry{crc, size, packedBytes}).second) {
            error = "the name " + quoted(name) + " appears twice";
            return false;
        }
    }
    return true;
}

const ZipEntry* ZipDirectory::find(const std::string& name) const {
    const auto found = files_.find(name);
    return found != files_.end() ? &found->second : nullptr;
}
