// The player's saved data: a tree of ints, floats, strings and tables, its file format, and the
// files under the player's data folder. Knows nothing of the script machine (the binding converts).
//
// File format, little-endian: the magic "TACTSAVE", a u16 format version (kSaveFormatVersion), a u32
// payload size and the u32 CRC-32 of the payload, then the payload: one value. A value is a tag byte
// and its body: 1 int (i32), 2 float (f32 bits), 3 string (u32 length, bytes), 4 table (u32 count,
// then count key/value pairs; a key is an int, float or string value). The reader checks every size
// against the bytes left, so a damaged file is refused before anything is allocated for it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

inline constexpr uint16_t kSaveFormatVersion = 1;
// The largest save file read or written: a high-score table or a game's progress is a few KiB;
// anything near this size is damage or a runaway script.
inline constexpr std::size_t kMaxSaveFileBytes = 1 << 20;
// Tables nested deeper than this are refused both ways (the reader recurses once per level).
inline constexpr int kMaxSaveDepth = 32;

struct SaveEntry;

struct SaveValue {
    enum class Kind : uint8_t { INT = 1, FLOAT = 2, STRING = 3, TABLE = 4 };
    Kind kind = Kind::INT;
    int32_t intValue = 0;
    float floatValue = 0.0f;
    std::string text;
    std::vector<SaveEntry> entries;  // TABLE

    static SaveValue makeInt(int32_t value);
    static SaveValue makeFloat(float value);
    static SaveValue makeString(std::string value);
    static SaveValue makeTable();
    // Same kind and contents, floats compared by their bits (a stored NaN reads back as itself).
    bool operator==(const SaveValue& other) const;
};

struct SaveEntry {
    SaveValue key;  // an int, float or string
    SaveValue value;
    bool operator==(const SaveEntry& other) const = default;
};

// The file's bytes for [value]; nothing when it is nested deeper than kMaxSaveDepth or would take
// more than kMaxSaveFileBytes.
std::optional<std::string> encodeSaveData(const SaveValue& value);
// The value in [bytes]; nothing, with [error] saying why ("not a save file", "truncated", ...), when
// they are not a whole, undamaged file of this format version.
std::optional<SaveValue> decodeSaveData(std::string_view bytes, std::string& error);

// A save or game name: 1 to 64 bytes of letters, digits, '_', '-', '.' and spaces, not starting
// with '.' and without "..": it can only name a file inside the data folder.
bool isValidSaveName(std::string_view name);
// $XDG_DATA_HOME/tact/[game] (an absolute XDG_DATA_HOME only), else $HOME/.local/share/tact/[game];
// nothing without either or when [game] is not a valid name. The folder may not exist yet.
std::optional<std::string> getPlayerDataFolder(const std::string& game);

// Writes [bytes] to [path] through a temporary file in the same folder and a rename, so that a crash
// keeps either the old file or the new one whole; makes the missing folders on the way. False with
// [error] on failure (the old file, if any, is untouched).
bool writeFileAtomically(const std::string& path, std::string_view bytes, std::string& error);
// The whole file at [path] when it has at most [maxBytes]. Nothing when it cannot be opened (with
// [missing] true when it does not exist) or is bigger ([error] says so).
std::optional<std::string> readWholeFile(const std::string& path, std::size_t maxBytes, bool& missing,
                                         std::string& error);
