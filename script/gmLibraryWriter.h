// The writer of compiled script libraries ("gml0" files): receives the compiler's finished functions
// through the compile hooks and writes them with their strings into a byte stream.
//
// File layout (32-bit little-endian words):
//   0  "gml0"                        16  offset of the function table
//   4  flags: bit 0 debug information  20  string table, source section, function table
//   8  offset of the string table
//  12  offset of the source section, 0 when there is none
// String table: byte count, then every distinct text with its NUL, in order of first use; a string
// is referred to by the offset of its first byte after the count word.
// Source section (debug information only): length including the NUL, a zero word, the text.
// Function table: count, then per function "func", id, flags (bit 0: root), parameters, locals,
// maximum stack depth, code size in bytes, the code; with debug information also the debug name's
// string offset, the line-table entry count, the (code offset, line) pairs and a string offset (or
// -1) per parameter and local.
// In the stored code the operands of getdot, setdot, getglobal, setglobal, getthismember,
// setthismember and pushstring are string offsets and the operand of pushfunction is a function id;
// every other operand is stored as compiled.
#pragma once

#include "script/gmByteStream.h"
#include "script/gmCompileHooks.h"
#include "script/gmCompileLog.h"

#include <string>
#include <unordered_map>

constexpr uint32_t kLibraryMagic = 0x306C6D67;    // "gml0"
constexpr uint32_t kLibraryFuncTag = 0x636E7566;  // "func"
constexpr uint32_t kLibraryFlagDebugInfo = 1u;    // file flags bit 0
constexpr uint32_t kLibraryFlagRoot = 1u;         // function flags bit 0
constexpr uint32_t kLibraryUnnamedLocal = 0xffffffffu;
constexpr size_t kLibraryHeaderSize = 20;
constexpr size_t kLibraryRecordHeadSize = 28;

struct gmLibraryOptions {
    // Compile with debug information (line instructions, debug names, local names) and store it,
    // with the source text, in the file. The engine never does.
    bool debug = false;
    // Store the debug section (flag bit 0) even when compiling without debug information, so that
    // loaded functions keep their line tables, debug names and local names, and report lines and
    // names in run-time errors.
    bool lineTables = false;
    // Store every word byte-swapped, for a target of the other byte order.
    bool byteSwap = false;
};

class gmLibraryWriter final : public gmCompileHooks {
  public:
    explicit gmLibraryWriter(const gmLibraryOptions& options = {}) : options_(options) {}

    // Ids count from 0 in the order the compiler asks for them.
    int allocFunctionId() override { return nextId_++; }
    // Appends [function] as a record, its object operands rewritten to string offsets and function
    // ids. An operand that indexes no constant of its kind (only a hand-made record has one) is
    // written as -1, which no loader accepts.
    void addFunction(gmCompiledFunction&& function) override;
    bool setCollectionEnabled(bool enabled) override {
        bool previous = collectionEnabled_;
        collectionEnabled_ = enabled;
        return previous;
    }

    // Stores the source text, written only when [options].debug is set.
    void setSourceText(std::string text) { sourceText_ = std::move(text); }

    // Writes the header, string table, source section and function table to [out] from its position
    // 0, leaving the position at the end; [out] should be empty, as bytes past the library are not
    // cut. The writer keeps its records, so finishing twice writes the same bytes.
    void finish(gmByteStream& out) const;

  private:
    bool hasDebugSection() const { return options_.debug || options_.lineTables; }
    uint32_t getStringOffset(const std::string& text);

    gmLibraryOptions options_;
    int nextId_ = 0;
    bool collectionEnabled_ = true;
    std::string sourceText_;
    std::vector<std::string> strings_;  // in order of first use
    std::unordered_map<std::string, uint32_t> stringOffsets_;
    uint32_t stringBytes_ = 0;
    gmByteStream records_;
    uint32_t recordCount_ = 0;
};

// Compiles [text] like the machine compiles source and writes the library to [out]. Returns the
// error count (errors go to [log]); after errors [out] holds nothing usable.
int compileToLibrary(const char* text, gmByteStream& out, gmCompileLog& log,
                     const gmLibraryOptions& options = {});
