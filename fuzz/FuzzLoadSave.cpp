// Fuzz target: bytes as a player's save file. The reader either refuses them or gives a value that
// the writer turns back into the very same bytes (the format has one encoding per value). Since a
// random change almost always breaks the checksum, the bytes are also read as a payload under a
// header made for them here, so that the value reader itself meets them.
#include "FuzzSupport.h"

#include "Engine/SaveData.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace {

// Bit by bit, independent of the reader's table-driven checksum.
uint32_t referenceCrc32(std::string_view bytes) {
    uint32_t c = 0xFFFFFFFFu;
    for (const char byte : bytes) {
        c ^= static_cast<uint8_t>(byte);
        for (int k = 0; k < 8; ++k) {
            c = (c & 1) != 0 ? 0xEDB88320u ^ (c >> 1) : c >> 1;
        }
    }
    return c ^ 0xFFFFFFFFu;
}

void putU32(std::string& out, uint32_t value) {
    for (int i = 0; i < 4; ++i) {
        out.push_back(static_cast<char>((value >> (8 * i)) & 0xFFu));
    }
}

void check(std::string_view bytes) {
    std::string error;
    const std::optional<SaveValue> value = decodeSaveData(bytes, error);
    if (!value) {
        fuzzCheck(!error.empty(), "a refused file has no reason");
        return;
    }
    const std::optional<std::string> written = encodeSaveData(*value);
    fuzzCheck(written.has_value(), "a value read from a file cannot be written");
    fuzzCheck(*written == bytes, "a value read from a file is written otherwise");
    std::string again;
    const std::optional<SaveValue> reread = decodeSaveData(*written, again);
    fuzzCheck(reread.has_value() && *reread == *value, "a written value reads back as another");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    check(bytes);
    // The bytes as a payload under a valid header (a seed's own header dropped first, so that the
    // mutations of its payload keep a valid checksum).
    const std::string_view payload =
        bytes.size() >= 18 && bytes.substr(0, 8) == "TACTSAVE" ? bytes.substr(18) : bytes;
    std::string file = "TACTSAVE";
    file.push_back(static_cast<char>(kSaveFormatVersion & 0xFFu));
    file.push_back(static_cast<char>(kSaveFormatVersion >> 8));
    putU32(file, static_cast<uint32_t>(payload.size()));
    putU32(file, referenceCrc32(payload));
    file.append(payload);
    check(file);
    return 0;
}
