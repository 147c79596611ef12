// The library loader. Every number read from the file is checked against the file's size or the
// counts already read before it is used, so no allocation or index can be driven by a hostile file
// beyond the file's own size.
#include "script/gmLibraryLoader.h"

#include "script/gmBytecodeVerifier.h"
#include "script/gmLibraryWriter.h"
#include "script/gmOpcodes.h"

#include <cstdio>
#include <map>
#include <utility>

namespace {

std::string formatted(const char* format, auto... arguments) {
    char buffer[160];
    std::snprintf(buffer, sizeof(buffer), format, arguments...);
    return buffer;
}

// Reads [count] words; false on a short read.
bool readWords(gmByteStream& in, uint32_t* words, size_t count) {
    for (size_t i = 0; i < count; ++i) {
        if (!in.readWord(words[i])) {
            return false;
        }
    }
    return true;
}

bool fitsFrame(uint32_t count) {
    return count <= static_cast<uint32_t>(gmBytecodeVerifier::kMaxFrameValues);
}

}  // namespace

bool gmLibraryLoader::fail(std::string detail) {
    error_ = std::move(detail);
    return false;
}

bool gmLibraryLoader::read(gmByteStream& in, gmLibrary& library) {
    library = gmLibrary{};
    error_.clear();
    const bool accepted = readFile(in, library);
    strings_.clear();
    if (!accepted) {
        library = gmLibrary{};
        log_.addEntry(kErrorLoadingLibrary);
    }
    return accepted;
}

bool gmLibraryLoader::load(gmByteStream& in, gmCompileHooks& hooks, int& rootId) {
    rootId = -1;
    const bool previous = hooks.setCollectionEnabled(false);
    gmLibrary library;
    if (!read(in, library)) {
        hooks.setCollectionEnabled(previous);
        return false;
    }
    std::vector<int> newIds(library.functions.size());
    for (int& id : newIds) {
        id = hooks.allocFunctionId();
    }
    for (int id : library.handOverOrder) {
        gmCompiledFunction& function = library.functions[static_cast<size_t>(id)];
        function.id = newIds[static_cast<size_t>(id)];
        for (gmCompiledConstant& constant : function.constants) {
            if (constant.kind == gmCompiledConstant::Kind::Function) {
                constant.functionId = newIds[static_cast<size_t>(constant.functionId)];
            }
        }
        hooks.addFunction(std::move(function));
    }
    if (library.rootId >= 0) {
        rootId = newIds[static_cast<size_t>(library.rootId)];
    }
    hooks.setCollectionEnabled(previous);
    return true;
}

bool gmLibraryLoader::readFile(gmByteStream& in, gmLibrary& library) {
    uint32_t header[5] = {};
    if (!in.seek(0) || !readWords(in, header, 5)) {
        return fail("short header");
    }
    if (header[0] != kLibraryMagic) {
        return fail("wrong magic");
    }
    library.hasDebugInfo = (header[1] & kLibraryFlagDebugInfo) != 0;
    if (!readStringTable(in, header[2])) {
        return false;
    }
    if (header[3] != 0 && !readSourceSection(in, header[3], library)) {
        return false;
    }

    uint32_t count = 0;
    if (!in.seek(header[4]) || !in.readWord(count)) {
        return fail("function table outside the file");
    }
    // Every record takes at least its head, so a count the file cannot hold is refused before
    // anything is allocated for it.
    if (count > in.getRemaining() / kLibraryRecordHeadSize) {
        return fail(formatted("function count %u exceeds the file", count));
    }
    const int numFunctions = static_cast<int>(count);
    library.functions.resize(count);
    for (int i = 0; i < numFunctions; ++i) {
        if (!readRecord(in, numFunctions, library.hasDebugInfo, library)) {
            return false;
        }
    }

    // Ids are in range and distinct, and there are as many records as ids: every id has its record.
    gmBytecodeVerifier verifier;
    for (const gmCompiledFunction& function : library.functions) {
        if (!verifier.verify(function, numFunctions)) {
            return fail(formatted("function %d: ", function.id) + verifier.getError());
        }
    }
    return orderFunctions(library);
}

bool gmLibraryLoader::readStringTable(gmByteStream& in, uint32_t offset) {
    uint32_t bytes = 0;
    if (!in.seek(offset) || !in.readWord(bytes) || bytes > in.getRemaining()) {
        return fail("string table outside the file");
    }
    strings_.resize(bytes);
    in.read(strings_.data(), bytes);
    if (bytes > 0 && strings_.back() != '\0') {
        return fail("string table not terminated");
    }
    return true;
}

bool gmLibraryLoader::readSourceSection(gmByteStream& in, uint32_t offset, gmLibrary& library) {
    uint32_t words[2] = {};  // length including the NUL, a reserved word
    if (!in.seek(offset) || !readWords(in, words, 2) || words[0] == 0 || words[0] > in.getRemaining()) {
        return fail("source section outside the file");
    }
    std::string text(words[0], '\0');
    in.read(text.data(), words[0]);
    if (text.back() != '\0') {
        return fail("source text not terminated");
    }
    library.sourceText = text.c_str();
    return true;
}

bool gmLibraryLoader::getString(uint32_t offset, std::string& text) const {
    if (offset >= strings_.size()) {
        return false;
    }
    text = &strings_[offset];  // the table ends with a NUL
    return true;
}

bool gmLibraryLoader::readRecord(gmByteStream& in, int numFunctions, bool hasDebugInfo, gmLibrary& library) {
    // tag, id, flags, parameters, locals, maximum stack depth, code bytes
    uint32_t head[7] = {};
    if (!readWords(in, head, 7)) {
        return fail("short function record");
    }
    if (head[0] != kLibraryFuncTag) {
        return fail("wrong function tag");
    }
    if (head[1] >= static_cast<uint32_t>(numFunctions)) {
        return fail(formatted("function id %u out of range", head[1]));
    }
    gmCompiledFunction& function = library.functions[head[1]];
    if (function.id >= 0) {
        return fail(formatted("function id %u stored twice", head[1]));
    }
    function.id = static_cast<int>(head[1]);
    function.isRoot = (head[2] & kLibraryFlagRoot) != 0;
    if (function.isRoot) {
        if (library.rootId >= 0) {
            return fail("two root functions");
        }
        library.rootId = function.id;
    }
    if (!fitsFrame(head[3]) || !fitsFrame(head[4]) || !fitsFrame(head[5])) {
        return fail(formatted("function %u: counts out of range", head[1]));
    }
    function.numParams = static_cast<int>(head[3]);
    function.numLocals = static_cast<int>(head[4]);
    function.maxStackDepth = static_cast<int>(head[5]);
    if (head[6] % 4 != 0) {
        return fail(formatted("function %u: code size %u not whole words", head[1], head[6]));
    }
    if (!readCode(in, head[6], numFunctions, function)) {
        return false;
    }
    return !hasDebugInfo || readDebugInfo(in, function);
}

// Reads the code and turns its file references back into constant-table indexes.
bool gmLibraryLoader::readCode(gmByteStream& in, uint32_t codeBytes, int numFunctions,
                               gmCompiledFunction& function) {
    if (codeBytes > in.getRemaining()) {
        return fail(formatted("function %d: code outside the file", function.id));
    }
    std::vector<uint32_t>& code = function.code;
    code.resize(codeBytes / 4);
    readWords(in, code.data(), code.size());

    std::map<std::pair<gmCompiledConstant::Kind, std::string>, uint32_t> indexes;
    const auto constantIndex = [&](gmCompiledConstant::Kind kind, std::string text, int functionId) {
        auto key = std::make_pair(
            kind, kind == gmCompiledConstant::Kind::Function ? std::to_string(functionId) : text);
        auto found = indexes.find(key);
        if (found != indexes.end()) {
            return found->second;
        }
        const uint32_t index = static_cast<uint32_t>(function.constants.size());
        function.constants.push_back(gmCompiledConstant{kind, std::move(text), functionId});
        indexes.emplace(std::move(key), index);
        return index;
    };

    for (size_t i = 0; i < code.size(); ++i) {
        const gmOpcodeInfo info = gmGetOpcodeInfo(code[i]);
        if (!info.name) {
            return fail(formatted("function %d: unknown opcode %u at %zu", function.id, code[i], i * 4));
        }
        if (info.operand == gmOperandKind::None) {
            continue;
        }
        if (++i >= code.size()) {
            return fail(
                formatted("function %d: %s at %zu has no operand", function.id, info.name, (i - 1) * 4));
        }
        uint32_t& operand = code[i];
        if (info.operand == gmOperandKind::Name || info.operand == gmOperandKind::String) {
            std::string text;
            if (!getString(operand, text)) {
                return fail(
                    formatted("function %d: string offset %u outside the table", function.id, operand));
            }
            const auto kind = info.operand == gmOperandKind::Name ? gmCompiledConstant::Kind::Name
                                                                  : gmCompiledConstant::Kind::String;
            operand = constantIndex(kind, std::move(text), -1);
        } else if (info.operand == gmOperandKind::Function) {
            if (operand >= static_cast<uint32_t>(numFunctions)) {
                return fail(formatted("function %d: function id %u out of range", function.id, operand));
            }
            operand = constantIndex(gmCompiledConstant::Kind::Function, {}, static_cast<int>(operand));
        }
    }
    return true;
}

bool gmLibraryLoader::readDebugInfo(gmByteStream& in, gmCompiledFunction& function) {
    uint32_t words[2] = {};  // debug name, line-table entry count
    if (!readWords(in, words, 2)) {
        return fail(formatted("function %d: short debug information", function.id));
    }
    if (!getString(words[0], function.debugName)) {
        return fail(formatted("function %d: debug name outside the table", function.id));
    }
    if (words[1] > in.getRemaining() / 8) {
        return fail(formatted("function %d: line table outside the file", function.id));
    }
    function.lineTable.resize(words[1]);
    for (gmLineEntry& entry : function.lineTable) {
        uint32_t pair[2] = {};
        readWords(in, pair, 2);
        entry.codeOffset = pair[0];
        entry.line = static_cast<int>(pair[1]);
    }

    const size_t slots = static_cast<size_t>(function.getNumParamsLocals());
    if (slots > in.getRemaining() / 4) {
        return fail(formatted("function %d: local names outside the file", function.id));
    }
    std::vector<std::string> names(slots);
    bool anyNamed = false;
    for (std::string& name : names) {
        uint32_t offset = 0;
        in.readWord(offset);
        if (offset == kLibraryUnnamedLocal) {
            continue;
        }
        if (!getString(offset, name)) {
            return fail(formatted("function %d: local name outside the table", function.id));
        }
        // No identifier is empty: an empty name is an unnamed slot, as the writer stores it.
        anyNamed = anyNamed || !name.empty();
    }
    // A function compiled without debug information has no local names at all.
    if (anyNamed) {
        function.localNames = std::move(names);
    }
    return true;
}

// Orders the functions so that each comes after every function it pushes (a depth-first walk
// without recursion, since a hostile file may chain as many functions as it can hold). A function
// that reaches itself again is refused: compiled functions nest as a tree.
bool gmLibraryLoader::orderFunctions(gmLibrary& library) {
    const size_t count = library.functions.size();
    enum class Mark : uint8_t { New, Open, Done };
    std::vector<Mark> marks(count, Mark::New);
    std::vector<std::pair<int, size_t>> stack;  // (function id, next constant to look at)

    std::vector<int> starts;
    for (size_t id = 0; id < count; ++id) {
        if (static_cast<int>(id) != library.rootId) {
            starts.push_back(static_cast<int>(id));
        }
    }
    if (library.rootId >= 0) {
        starts.push_back(library.rootId);
    }

    for (int start : starts) {
        if (marks[static_cast<size_t>(start)] != Mark::New) {
            continue;
        }
        marks[static_cast<size_t>(start)] = Mark::Open;
        stack.emplace_back(start, 0);
        while (!stack.empty()) {
            auto& [id, next] = stack.back();
            const std::vector<gmCompiledConstant>& constants =
                library.functions[static_cast<size_t>(id)].constants;
            if (next == constants.size()) {
                marks[static_cast<size_t>(id)] = Mark::Done;
                library.handOverOrder.push_back(id);
                stack.pop_back();
                continue;
            }
            const gmCompiledConstant& constant = constants[next++];
            if (constant.kind != gmCompiledConstant::Kind::Function) {
                continue;
            }
            const size_t callee = static_cast<size_t>(constant.functionId);
            if (marks[callee] == Mark::Open) {
                return fail(formatted("function %d refers to itself", constant.functionId));
            }
            if (marks[callee] == Mark::New) {
                marks[callee] = Mark::Open;
                stack.emplace_back(constant.functionId, 0);
            }
        }
    }
    return true;
}
