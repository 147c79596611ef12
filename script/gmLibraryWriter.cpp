// The library writer: string interning into the file's table, operand rewriting and the layout.
#include "script/gmLibraryWriter.h"

#include "script/gmCodeGen.h"
#include "script/gmOpcodes.h"

uint32_t gmLibraryWriter::getStringOffset(const std::string& text) {
    auto found = stringOffsets_.find(text);
    if (found != stringOffsets_.end()) {
        return found->second;
    }
    const uint32_t offset = stringBytes_;
    strings_.push_back(text);
    stringOffsets_.emplace(text, offset);
    stringBytes_ += static_cast<uint32_t>(text.size()) + 1;
    return offset;
}

void gmLibraryWriter::addFunction(gmCompiledFunction&& function) {
    records_.setByteSwap(options_.byteSwap);
    const std::vector<uint32_t>& code = function.code;
    records_.writeWord(kLibraryFuncTag);
    records_.writeWord(static_cast<uint32_t>(function.id));
    records_.writeWord(function.isRoot ? kLibraryFlagRoot : 0u);
    records_.writeWord(static_cast<uint32_t>(function.numParams));
    records_.writeWord(static_cast<uint32_t>(function.numLocals));
    records_.writeWord(static_cast<uint32_t>(function.maxStackDepth));
    records_.writeWord(static_cast<uint32_t>(code.size() * sizeof(uint32_t)));

    for (size_t i = 0; i < code.size(); ++i) {
        records_.writeWord(code[i]);
        const gmOpcodeInfo info = gmGetOpcodeInfo(code[i]);
        if (info.operand == gmOperandKind::None || i + 1 >= code.size()) {
            continue;
        }
        uint32_t operand = code[++i];
        if (info.operand == gmOperandKind::Name || info.operand == gmOperandKind::String ||
            info.operand == gmOperandKind::Function) {
            const bool known = operand < function.constants.size();
            const gmCompiledConstant* constant = known ? &function.constants[operand] : nullptr;
            if (!constant) {
                operand = kLibraryUnnamedLocal;
            } else if (info.operand == gmOperandKind::Function) {
                operand = constant->kind == gmCompiledConstant::Kind::Function
                              ? static_cast<uint32_t>(constant->functionId)
                              : kLibraryUnnamedLocal;
            } else {
                operand = constant->kind == gmCompiledConstant::Kind::Function
                              ? kLibraryUnnamedLocal
                              : getStringOffset(constant->text);
            }
        }
        records_.writeWord(operand);
    }

    if (hasDebugSection()) {
        records_.writeWord(getStringOffset(function.debugName));
        records_.writeWord(static_cast<uint32_t>(function.lineTable.size()));
        for (const gmLineEntry& entry : function.lineTable) {
            records_.writeWord(entry.codeOffset);
            records_.writeWord(static_cast<uint32_t>(entry.line));
        }
        for (int slot = 0; slot < function.getNumParamsLocals(); ++slot) {
            const bool named = static_cast<size_t>(slot) < function.localNames.size() &&
                               !function.localNames[static_cast<size_t>(slot)].empty();
            records_.writeWord(named ? getStringOffset(function.localNames[static_cast<size_t>(slot)])
                                     : kLibraryUnnamedLocal);
        }
    }
    ++recordCount_;
}

void gmLibraryWriter::finish(gmByteStream& out) const {
    out.setByteSwap(options_.byteSwap);
    out.seek(0);
    out.writeWord(kLibraryMagic);
    out.writeWord(hasDebugSection() ? kLibraryFlagDebugInfo : 0u);
    out.writeWord(0);
    out.writeWord(0);
    out.writeWord(0);

    const uint32_t stringTableOffset = static_cast<uint32_t>(out.tell());
    out.writeWord(stringBytes_);
    for (const std::string& text : strings_) {
        out.write(text.c_str(), text.size() + 1);
    }

    uint32_t sourceOffset = 0;
    if (options_.debug && !sourceText_.empty()) {
        sourceOffset = static_cast<uint32_t>(out.tell());
        out.writeWord(static_cast<uint32_t>(sourceText_.size()) + 1);
        out.writeWord(0);
        out.write(sourceText_.c_str(), sourceText_.size() + 1);
    }

    const uint32_t functionTableOffset = static_cast<uint32_t>(out.tell());
    out.writeWord(recordCount_);
    out.write(records_.getBytes().data(), records_.getSize());
    const size_t end = out.tell();

    out.seek(8);
    out.writeWord(stringTableOffset);
    out.writeWord(sourceOffset);
    out.writeWord(functionTableOffset);
    out.seek(end);
}

int compileToLibrary(const char* text, gmByteStream& out, gmCompileLog& log,
                     const gmLibraryOptions& options) {
    gmLibraryWriter writer(options);
    gmCompileOptions compileOptions;
    compileOptions.debug = options.debug;
    // Line tables go in the debug section, and so do the names of the call stack.
    compileOptions.names = options.lineTables;
    const int errors = gmCompileText(text, writer, log, compileOptions);
    if (errors != 0) {
        return errors;
    }
    if (options.debug) {
        writer.setSourceText(text);
    }
    writer.finish(out);
    return 0;
}
