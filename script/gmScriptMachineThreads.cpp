// Script threads and their scheduler: thread lists and ids, state switches, sleeping, blocking and
// signals, Execute, the host's ways to start script code, the run-time error report and print.
#include <cinttypes>
#include <cstdio>
#include <cstring>
#include <new>

#include "script/gmCodeGen.h"
#include "script/gmIntText.h"
#include "script/gmLibraryLoader.h"
#include "script/gmMachineCompileHooks.h"
#include "script/gmOpcodes.h"
#include "script/gmScriptMachine.h"

// One thread waiting on one value: linked into the value's list in the block map and into the
// thread's own list of blocks.
struct gmBlock {
    gmBlock* valuePrev;
    gmBlock* valueNext;
    bool signalled;
    int32_t signallingThreadId;
    gmValue value;
    gmScriptThread* thread;
    gmBlock* threadNext;
    gmBlockList* list;
};

// Every block on one value, in the order they were made. Chains of a bucket are sorted by (type
// id, payload as signed 32-bit).
struct gmBlockList {
    gmValue value;
    gmBlock* first;
    gmBlock* last;
    gmBlockList* next;
};

// ---------------------------------------------------------------------------------------------
// gmScriptThread
// ---------------------------------------------------------------------------------------------

gmScriptThread::gmScriptThread(gmScriptMachine& machine)
    : machine_(&machine), stack_(new gmValue[kInitialStackValues]), stackSize_(kInitialStackValues) {
    machine_->chargeThreadBytes(getChargedBytes());
}

gmScriptThread::~gmScriptThread() {
    machine_->chargeThreadBytes(-getChargedBytes());
    delete[] stack_;
}

int64_t gmScriptThread::getChargedBytes() const {
    return static_cast<int64_t>(sizeof(gmScriptThread)) + static_cast<int64_t>(sizeof(gmValue)) * stackSize_ +
           kFrameChargeBytes * static_cast<int64_t>(frames_.capacity());
}

void gmScriptThread::pushFrameSlow(const gmFrame& frame) {
    const int64_t before = getChargedBytes();
    frames_.push_back(frame);
    machine_->chargeThreadBytes(getChargedBytes() - before);
}

bool gmScriptThread::growStack(int32_t needed) {
    int32_t size = stackSize_;
    while (size < needed) {
        if (size > kMaxGrowableValues)
            return false;
        size *= 2;
    }
    gmValue* grown = new gmValue[static_cast<std::size_t>(size)];
    std::memcpy(static_cast<void*>(grown), stack_, sizeof(gmValue) * static_cast<std::size_t>(top_));
    delete[] stack_;
    stack_ = grown;
    machine_->chargeThreadBytes(static_cast<int64_t>(sizeof(gmValue)) * (size - stackSize_));
    stackSize_ = size;
    return true;
}

void gmScriptThread::resetStack() {
    frames_.clear();
    top_ = 0;
    base_ = 0;
    resumeIp_ = nullptr;
    argCount_ = 0;
    pendingSignals_.clear();
}

bool gmScriptThread::pushString(const gmString* string) {
    return push(gmValue::makeString(string));
}
bool gmScriptThread::pushTable(const gmTable* table) {
    return push(gmValue::makeTable(table));
}
bool gmScriptThread::pushFunction(const gmFunction* function) {
    return push(gmValue::makeFunction(function));
}

// ---------------------------------------------------------------------------------------------
// Lists and ids
// ---------------------------------------------------------------------------------------------

void gmScriptMachine::appendToList(gmScriptThread*& head, gmScriptThread*& tail, gmScriptThread* thread) {
    thread->prev_ = tail;
    thread->next_ = nullptr;
    if (tail != nullptr)
        tail->next_ = thread;
    else
        head = thread;
    tail = thread;
}

void gmScriptMachine::unlinkFromList(gmScriptThread* thread) {
    gmScriptThread** head = nullptr;
    gmScriptThread** tail = nullptr;
    switch (thread->state_) {
        case gmScriptThread::kRunning:
            head = &runningHead_, tail = &runningTail_;
            break;
        case gmScriptThread::kSleeping:
            removeSleeper(thread);
            return;
        case gmScriptThread::kBlocked:
        case gmScriptThread::kSignalled:
            head = &blockedHead_, tail = &blockedTail_;
            break;
        case gmScriptThread::kException:
            head = &exceptionHead_, tail = &exceptionTail_;
            break;
        default:
            return;
    }
    if (thread->prev_ != nullptr)
        thread->prev_->next_ = thread->next_;
    else
        *head = thread->next_;
    if (thread->next_ != nullptr)
        thread->next_->prev_ = thread->prev_;
    else
        *tail = thread->prev_;
    thread->prev_ = thread->next_ = nullptr;
}

void gmScriptMachine::addSleeper(gmScriptThread* thread) {
    thread->sleepBucket_ = thread->wakeTime_;
    SleepBucket& bucket = sleepers_[thread->wakeTime_];
    appendToList(bucket.head, bucket.tail, thread);
}

void gmScriptMachine::removeSleeper(gmScriptThread* thread) {
    const auto found = sleepers_.find(thread->sleepBucket_);
    SleepBucket& bucket = found->second;
    if (thread->prev_ != nullptr)
        thread->prev_->next_ = thread->next_;
    else
        bucket.head = thread->next_;
    if (thread->next_ != nullptr)
        thread->next_->prev_ = thread->prev_;
    else
        bucket.tail = thread->prev_;
    thread->prev_ = thread->next_ = nullptr;
    if (bucket.head == nullptr)
        sleepers_.erase(found);
}

bool gmScriptMachine::refuseNewScriptThread() {
    if (threadLimit_ == 0 || threadCount_ < threadLimit_)
        return false;
    errorLog_.logf("too many threads (limit %d)", threadLimit_);
    return true;
}

gmScriptThread* gmScriptMachine::findThread(int32_t id) const {
    for (gmScriptThread* t = idBuckets_[static_cast<uint32_t>(id) & (kIdBuckets - 1)]; t != nullptr;
         t = t->idNext_) {
        if (t->id_ == id)
            return t;
        if (t->id_ > id)
            break;
    }
    return nullptr;
}

void gmScriptMachine::removeFromIdTable(gmScriptThread* thread) {
    gmScriptThread** link = &idBuckets_[static_cast<uint32_t>(thread->id_) & (kIdBuckets - 1)];
    while (*link != nullptr && *link != thread) link = &(*link)->idNext_;
    if (*link == thread)
        *link = thread->idNext_;
    thread->idNext_ = nullptr;
}

gmScriptThread* gmScriptMachine::newThread(int32_t* threadId) {
    gmScriptThread* thread = freeThreads_;
    if (thread != nullptr) {
        freeThreads_ = thread->next_;
        --freeThreadCount_;
        thread->next_ = nullptr;
    } else {
        thread = new gmScriptThread(*this);
    }
    // The counter is incremented before use and skips ids still alive; ids stay positive.
    do {
        nextThreadId_ = nextThreadId_ >= INT32_MAX ? 1 : nextThreadId_ + 1;
    } while (findThread(nextThreadId_) != nullptr);
    thread->id_ = nextThreadId_;
    gmScriptThread** link = &idBuckets_[static_cast<uint32_t>(thread->id_) & (kIdBuckets - 1)];
    while (*link != nullptr && (*link)->id_ < thread->id_) link = &(*link)->idNext_;
    thread->idNext_ = *link;
    *link = thread;
    ++threadCount_;

    thread->state_ = gmScriptThread::kRunning;
    thread->startTime_ = time_;
    thread->wakeTime_ = 0;
    thread->killRequested_ = false;
    thread->stateRequested_ = false;
    appendToList(runningHead_, runningTail_, thread);
    if (executing_ && passCursor_ == nullptr)
        passCursor_ = thread;
    if (threadId != nullptr)
        *threadId = thread->id_;
    return thread;
}

void gmScriptMachine::resetThread(gmScriptThread* thread) {
    removeBlocks(thread);
    thread->resetStack();
}

void gmScriptMachine::finishThread(gmScriptThread* thread) {
    removeFromIdTable(thread);
    --threadCount_;
    resetThread(thread);
    thread->requestedState_.clear();
    thread->killRequested_ = false;
    thread->stateRequested_ = false;
    thread->nativeDepth_ = 0;
    thread->id_ = 0;
    if (freeThreadCount_ < kMaxFreeThreads) {
        thread->next_ = freeThreads_;
        thread->prev_ = nullptr;
        freeThreads_ = thread;
        ++freeThreadCount_;
    } else {
        delete thread;
    }
}

void gmScriptMachine::switchThreadState(gmScriptThread* thread, int32_t state) {
    if (thread == nullptr || thread->state_ == state || thread->state_ == gmScriptThread::kKilled)
        return;
    if (state == gmScriptThread::kKilled && thread->nativeDepth_ > 0) {
        // Its native call is still on the C++ stack: the run loop ends it when the native returns.
        thread->killRequested_ = true;
        return;
    }
    const int32_t old = thread->state_;
    if (old == gmScriptThread::kRunning) {
        thread->pendingSignals_.clear();
        if (passCursor_ == thread)
            passCursor_ = thread->next_;
    }
    if (old == gmScriptThread::kBlocked || old == gmScriptThread::kSignalled)
        removeBlocks(thread);
    unlinkFromList(thread);
    thread->state_ = state;
    switch (state) {
        case gmScriptThread::kRunning:
            appendToList(runningHead_, runningTail_, thread);
            break;
        case gmScriptThread::kSleeping:
            addSleeper(thread);
            break;
        case gmScriptThread::kBlocked:
        case gmScriptThread::kSignalled:
            appendToList(blockedHead_, blockedTail_, thread);
            break;
        case gmScriptThread::kException:
            appendToList(exceptionHead_, exceptionTail_, thread);
            break;
        case gmScriptThread::kKilled:
            thread->state_ = gmScriptThread::kKilled;
            finishThread(thread);
            break;
        default:
            break;  // any other number is only stored
    }
}

// ---------------------------------------------------------------------------------------------
// Blocks and signals
// ---------------------------------------------------------------------------------------------

gmBlockList*& gmScriptMachine::blockBucket(const gmValue& value) {
    const uint32_t hash = value.isReference()
                              ? static_cast<uint32_t>(reinterpret_cast<uintptr_t>(value.getObject()) >> 2)
                              : value.getPayload32();
    return blockBuckets_[hash & (kBlockBuckets - 1)];
}

namespace {
// The chain order of the block map: type id, then the payload as a signed 32-bit number (then the
// whole payload, so two references never compare equal by their low bits alone).
bool orderedBefore(const gmValue& a, const gmValue& b) {
    if (a.getType() != b.getType())
        return a.getType() < b.getType();
    if (a.getInt() != b.getInt())
        return a.getInt() < b.getInt();
    return reinterpret_cast<uintptr_t>(a.getObject()) < reinterpret_cast<uintptr_t>(b.getObject());
}
}  // namespace

void gmScriptMachine::removeBlocks(gmScriptThread* thread) {
    gmBlock* block = thread->blocks_;
    while (block != nullptr) {
        gmBlock* next = block->threadNext;
        gmBlockList* list = block->list;
        if (block->valuePrev != nullptr)
            block->valuePrev->valueNext = block->valueNext;
        else
            list->first = block->valueNext;
        if (block->valueNext != nullptr)
            block->valueNext->valuePrev = block->valuePrev;
        else
            list->last = block->valuePrev;
        if (list->first == nullptr) {
            gmBlockList** link = &blockBucket(list->value);
            while (*link != list) link = &(*link)->next;
            *link = list->next;
            blockHeap_.free(list);
        }
        blockHeap_.free(block);
        block = next;
    }
    thread->blocks_ = nullptr;
}

int32_t gmScriptMachine::blockThread(gmScriptThread* thread, const gmValue* values, int32_t count) {
    // The newest signal is examined first: it stands at the back.
    while (!thread->pendingSignals_.empty()) {
        const gmValue signalled = thread->pendingSignals_.back().value;
        thread->pendingSignals_.pop_back();
        for (int32_t i = 0; i < count; ++i)
            if (values[i] == signalled)
                return i;
    }
    for (int32_t i = 0; i < count; ++i) {
        gmBlockList** link = &blockBucket(values[i]);
        while (*link != nullptr && orderedBefore((*link)->value, values[i])) link = &(*link)->next;
        gmBlockList* list = *link;
        if (list == nullptr || !(list->value == values[i])) {
            list = new (blockHeap_.allocate(sizeof(gmBlockList)))
                gmBlockList{values[i], nullptr, nullptr, *link};
            *link = list;
        }
        gmBlock* block = new (blockHeap_.allocate(sizeof(gmBlock)))
            gmBlock{list->last, nullptr, false, 0, values[i], thread, thread->blocks_, list};
        if (list->last != nullptr)
            list->last->valueNext = block;
        else
            list->first = block;
        list->last = block;
        thread->blocks_ = block;
    }
    return -1;
}

bool gmScriptMachine::signalValue(const gmValue& value, int32_t threadId, int32_t signallingThreadId) {
    gmBlockList* list = blockBucket(value);
    while (list != nullptr && !(list->value == value)) list = list->next;
    if (list == nullptr)
        return false;
    bool found = false;
    for (gmBlock* block = list->first; block != nullptr; block = block->valueNext) {
        gmScriptThread* thread = block->thread;
        if (threadId != 0 && thread->id_ != threadId)
            continue;
        found = true;
        if (thread->state_ == gmScriptThread::kSignalled) {
            thread->pendingSignals_.push_back(gmPendingSignal{signallingThreadId, thread->id_, value});
        } else {
            block->signalled = true;
            block->signallingThreadId = signallingThreadId;
            thread->state_ = gmScriptThread::kSignalled;  // stays in the blocked list, keeps its blocks
        }
    }
    return found;
}

// ---------------------------------------------------------------------------------------------
// Execute
// ---------------------------------------------------------------------------------------------

int32_t gmScriptMachine::Execute(uint32_t elapsedMs) {
    if (executing_)
        return threadCount_;  // a native called Execute from inside a pass: nothing to do
    time_ += elapsedMs;
    // Due sleepers join the running list a whole bucket at a time, in their wake order.
    while (!sleepers_.empty() && sleepers_.begin()->first <= time_) {
        const auto due = sleepers_.begin();
        const SleepBucket bucket = due->second;
        sleepers_.erase(due);
        for (gmScriptThread* t = bucket.head; t != nullptr; t = t->next_)
            t->state_ = gmScriptThread::kRunning;
        bucket.head->prev_ = runningTail_;
        if (runningTail_ != nullptr)
            runningTail_->next_ = bucket.head;
        else
            runningHead_ = bucket.head;
        runningTail_ = bucket.tail;
    }

    gmScriptThread* thread = blockedHead_;
    while (thread != nullptr) {
        gmScriptThread* next = thread->next_;
        if (thread->state_ == gmScriptThread::kSignalled) {
            for (gmBlock* block = thread->blocks_; block != nullptr; block = block->threadNext) {
                if (block->signalled) {
                    if (thread->top_ > 0)
                        thread->stack_[thread->top_ - 1] = block->value;
                    break;
                }
            }
            switchThreadState(thread, gmScriptThread::kRunning);
        }
        thread = next;
    }

    executing_ = true;
    passCursor_ = runningHead_;
    while (passCursor_ != nullptr) {
        thread = passCursor_;
        passCursor_ = thread->next_;
        executeThread(thread);
    }
    executing_ = false;
    collectGarbage(false);
    return threadCount_;
}

// ---------------------------------------------------------------------------------------------
// Starting script code
// ---------------------------------------------------------------------------------------------

int32_t gmScriptMachine::runText(const char* text, int32_t* threadId, bool now, const char* fileName,
                                 const gmValue* thisValue) {
    gmMachineCompileHooks hooks(*this);
    hooks.setSourceName(fileName);
    gmCompileOptions options;
    options.names = true;  // for the call stacks of run-time errors
    const int32_t errors = gmCompileText(text != nullptr ? text : "", hooks, errorLog_, options);
    if (errors != 0 || hooks.getRoot() == nullptr)
        return errors != 0 ? errors : 1;
    runStarted(startRoot(hooks.getRoot(), thisValue), threadId, now);
    return 0;
}

gmFunction* gmScriptMachine::LoadLib(gmByteStream& in, bool* accepted, const char* fileName) {
    gmMachineCompileHooks hooks(*this);
    hooks.setSourceName(fileName);
    int32_t rootId = -1;
    // The loader switches collection off through the hooks while it hands functions over.
    const bool loaded = gmLibraryLoader(errorLog_).load(in, hooks, rootId);
    if (accepted != nullptr)
        *accepted = loaded;
    return loaded && rootId >= 0 ? hooks.getRoot() : nullptr;
}

bool gmScriptMachine::runLibrary(gmByteStream& in, int32_t* threadId, bool now, const char* fileName,
                                 const gmValue* thisValue) {
    int32_t id = 0;
    {
        // Nothing may collect between the load and the root reaching the new thread's stack.
        gmCollectionPause pause(*this);
        bool accepted = false;
        gmFunction* root = LoadLib(in, &accepted, fileName);
        if (root == nullptr)
            return accepted;
        id = startRoot(root, thisValue);
    }
    runStarted(id, threadId, now);
    return true;
}

// A new thread calls [root] with [thisValue]; returns its id. Nothing is allocated before [root]
// is on the thread's stack.
int32_t gmScriptMachine::startRoot(gmFunction* root, const gmValue* thisValue) {
    int32_t id = 0;
    gmScriptThread* thread = newThread(&id);
    thread->push(thisValue != nullptr ? *thisValue : gmValue());
    thread->push(gmValue::makeFunction(root));
    enterCall(thread, 0);
    return id;
}

void gmScriptMachine::runStarted(int32_t id, int32_t* threadId, bool now) {
    if (threadId != nullptr)
        *threadId = id;
    if (gmScriptThread* thread = findThread(id); now && thread != nullptr)
        executeThread(thread);
}

gmScriptThread* gmScriptMachine::callFunction(const gmValue& thisValue, const gmValue& function,
                                              int32_t* threadId) {
    int32_t id = 0;
    gmScriptThread* thread = newThread(&id);
    if (threadId != nullptr)
        *threadId = id;
    thread->push(thisValue);
    thread->push(function);
    const int32_t status = enterCall(thread, 0);
    if (status == kRunTimeError)
        return nullptr;
    return findThread(id);
}

// ---------------------------------------------------------------------------------------------
// Errors
// ---------------------------------------------------------------------------------------------

namespace {
// The line of [ip] inside [function]'s code (0 without code or line table).
int32_t lineAt(const gmFunction* function, const uint32_t* ip) {
    if (function == nullptr || function->isNative() || ip == nullptr)
        return 0;
    const uint32_t* code = function->getCode();
    if (ip < code || ip > code + function->getCodeWordCount())
        return 0;
    return function->getLineFromOffset(static_cast<int32_t>((ip - code) * sizeof(uint32_t)));
}

const gmFunction* frameFunction(const gmScriptThread& thread, int32_t base) {
    const gmValue value = base >= 1 ? thread.getValue(base - 1) : gmValue();
    return value.isFunction() ? value.getFunction() : nullptr;
}
}  // namespace

namespace {
// The instruction starts of [function]'s code up to [end], each with the stack depth before it,
// counted straight through the code: expressions leave the depth the same on every path, so this
// is the depth at [end] relative to the frame's locals.
struct gmInstructionDepth {
    const uint32_t* start;
    int32_t depthBefore;
};

std::vector<gmInstructionDepth> depthsUpTo(const gmFunction* function, const uint32_t* end) {
    std::vector<gmInstructionDepth> instructions;
    const uint32_t* ip = function->getCode();
    const uint32_t* const codeEnd = ip + function->getCodeWordCount();
    int32_t depth = 0;
    while (ip < end && ip < codeEnd) {
        const uint32_t opcode = *ip;
        const gmOpcodeInfo info = gmGetOpcodeInfo(opcode);
        instructions.push_back({ip, depth});
        const bool hasOperand = info.operand != gmOperandKind::None;
        if (hasOperand && ip + 1 >= codeEnd)
            break;
        // A call takes this, the function and its arguments, and leaves the result.
        depth += opcode == static_cast<uint32_t>(gmOpcode::Call) ? -static_cast<int32_t>(ip[1]) - 1
                                                                 : info.stackEffect;
        ip += hasOperand ? 2 : 1;
    }
    return instructions;
}

// The text of the name constant [index] of [function]; empty when it is none.
std::string nameConstant(const gmFunction* function, uint32_t index) {
    const gmValue name = function->getConstant(static_cast<int32_t>(index));
    return name.isString() ? std::string(name.getString()->getText()) : std::string();
}

// How the value on the stack at [slot] just before instruction [before] was written in the source,
// from the instruction that pushed it: `name`, `object.name`, `.name`, `this`, `f(...)`; empty when
// it came from anything else. [levels] bounds the chain.
std::string describeSlot(const gmFunction* function, const std::vector<gmInstructionDepth>& code,
                         std::size_t before, int32_t slot, int levels) {
    if (levels <= 0)
        return {};
    for (std::size_t i = before; i-- > 0;) {
        const uint32_t* ip = code[i].start;
        const auto op = static_cast<gmOpcode>(*ip);
        const int32_t depthAfter = i + 1 < code.size() ? code[i + 1].depthBefore : code[i].depthBefore;
        if (op == gmOpcode::Line || op == gmOpcode::Jump || op == gmOpcode::JumpIfFalseKeep ||
            op == gmOpcode::JumpIfTrueKeep)
            continue;
        const bool consumesOnly =
            op == gmOpcode::Pop || op == gmOpcode::Pop2 || op == gmOpcode::JumpIfFalse ||
            op == gmOpcode::JumpIfTrue || op == gmOpcode::SetLocal || op == gmOpcode::SetGlobal ||
            op == gmOpcode::SetDot || op == gmOpcode::SetInd || op == gmOpcode::SetThisMember;
        // Values above the slot come and go without touching it.
        if (consumesOnly && depthAfter >= slot + 1)
            continue;
        if (depthAfter > slot + 1 && code[i].depthBefore > slot)
            continue;
        if (consumesOnly || depthAfter != slot + 1)
            return {};
        switch (op) {
            case gmOpcode::GetGlobal:
                return nameConstant(function, ip[1]);
            case gmOpcode::GetLocal: {
                const std::string& name = function->getLocalName(static_cast<int32_t>(ip[1]));
                return name;
            }
            case gmOpcode::GetThisMember:
                return "." + nameConstant(function, ip[1]);
            case gmOpcode::PushThis:
                return "this";
            case gmOpcode::Dup:
                return describeSlot(function, code, i, slot - 1, levels - 1);
            case gmOpcode::GetDot: {
                const std::string object = describeSlot(function, code, i, slot, levels - 1);
                const std::string name = nameConstant(function, ip[1]);
                return object.empty() || name.empty() ? name : object + "." + name;
            }
            case gmOpcode::Call: {
                const std::string callee = describeSlot(function, code, i, slot + 1, levels - 1);
                return callee.empty() ? std::string() : callee + "(...)";
            }
            default:
                return {};
        }
    }
    return {};
}
}  // namespace

void gmScriptMachine::logMemberFailure(const gmValue& object, const gmValue& name) {
    std::string text = "member '";
    if (name.isString())
        text += name.getString()->getText();
    errorLog_.logf("%s' of %s", text.c_str(), getTypeName(object.getType()));
}

void gmScriptMachine::logKeyFailure(const gmValue& object, const gmValue& key) {
    std::string text;
    if (key.isString()) {
        text = std::string("'") + key.getString()->getText() + "'";
    } else if (key.isInt() || key.isFloat()) {
        appendValueText(key, text);
    } else {
        text = std::string("of type ") + getTypeName(key.getType());
    }
    errorLog_.logf("key %s of %s", text.c_str(), getTypeName(object.getType()));
}

void gmScriptMachine::logCallFailure(const gmFunction* function, const uint32_t* callIp,
                                     const gmValue& callee) {
    std::string name;
    if (function != nullptr && !function->isNative() && callIp != nullptr &&
        *callIp == static_cast<uint32_t>(gmOpcode::Call)) {
        const std::vector<gmInstructionDepth> code = depthsUpTo(function, callIp + 1);
        if (!code.empty() && code.back().start == callIp) {
            const int32_t slot = code.back().depthBefore - static_cast<int32_t>(callIp[1]) - 1;
            constexpr int kMaxChain = 8;
            name = describeSlot(function, code, code.size() - 1, slot, kMaxChain);
        }
    }
    const char* type = getTypeName(callee.getType());
    if (name.empty())
        errorLog_.logf("the value called is %s, not a function", type);
    else
        errorLog_.logf("'%s' is %s, not a function", name.c_str(), type);
}

// The report after the message itself: the position "\nunknown(%d) : ", then "\ncallstack..",
// one "%3d: %s" line per frame innermost first (", in FILE" after a function from a known file),
// and an empty entry. [ip] is the start of the
// failing instruction (outer frames are reported at their call instruction).
void gmScriptMachine::raiseRuntimeError(gmScriptThread* thread, const uint32_t* ip) {
    const gmFunction* current = thread->frames_.empty() ? nullptr : frameFunction(*thread, thread->base_);
    if (current != nullptr && current->getLineInfoCount() > 0)
        errorLog_.logf("\nunknown(%d) : ", lineAt(current, ip));
    errorLog_.addEntry("\ncallstack..");
    int32_t base = thread->base_;
    const uint32_t* position = ip;
    for (std::size_t i = thread->frames_.size(); i-- > 0;) {
        const gmFunction* function = frameFunction(*thread, base);
        const gmString* name = function != nullptr ? function->getDebugName() : nullptr;
        const bool hasFile = function != nullptr && !function->getSourceName().empty();
        errorLog_.logf("%3d: %s%s%s", lineAt(function, position),
                       name != nullptr ? name->getText() : "__unknown", hasFile ? ", in " : "",
                       hasFile ? function->getSourceName().c_str() : "");
        const gmFrame& frame = thread->frames_[i];
        base = frame.savedBase;
        // The return position (in the caller's fast code) follows the two words of the call
        // instruction; the same offset in the caller's own code.
        const gmFunction* caller = frameFunction(*thread, base);
        position = frame.returnIp != nullptr && caller != nullptr && !caller->isNative()
                       ? caller->getCode() + (frame.returnIp - frame.code) - 2
                       : nullptr;
    }
    errorLog_.addEntry("");
    killThread(thread);
}

// ---------------------------------------------------------------------------------------------
// Roots, print, values as text, registration
// ---------------------------------------------------------------------------------------------

void gmScriptMachine::scanThreadRoots(gmScriptMachine& machine, gmGarbageCollector& collector, void*) {
    machine.forEachThread([&collector](gmScriptThread* thread) {
        for (int32_t i = 0; i < thread->top_; ++i) collector.markValue(thread->stack_[i]);
        for (gmBlock* block = thread->blocks_; block != nullptr; block = block->threadNext)
            collector.markValue(block->value);
        for (const gmPendingSignal& signal : thread->pendingSignals_) collector.markValue(signal.value);
        for (const gmValue& value : thread->requestedState_) collector.markValue(value);
    });
}

void gmScriptMachine::print(const char* line) {
    if (printSink_ != nullptr) {
        printSink_(printSinkData_, line);
        return;
    }
    std::fputs(line, stdout);
    std::fputc('\n', stdout);
}

void gmScriptMachine::appendValueText(const gmValue& value, std::string& out) const {
    char buffer[256];
    switch (value.getType()) {
        case kGmNull:
            out += "null";
            return;
        case kGmInt:
            gmFormatInt(value.getInt(), buffer);
            break;
        case kGmFloat:
            std::snprintf(buffer, sizeof(buffer), "%g", static_cast<double>(value.getFloat()));
            break;
        case kGmString:
            out.append(value.getString()->getText(),
                       static_cast<std::size_t>(value.getString()->getLength()));
            return;
        default: {
            const gmTypeRecord* record = findTypeRecord(value.getType());
            if (record != nullptr && record->asString != nullptr && value.getType() >= kGmFirstUserType) {
                buffer[0] = '\0';
                record->asString(const_cast<gmScriptMachine&>(*this), value.getHostObject(), buffer,
                                 static_cast<int32_t>(sizeof(buffer)));
                buffer[sizeof(buffer) - 1] = '\0';
            } else {
                std::snprintf(buffer, sizeof(buffer), "%s:0x%x", getTypeName(value.getType()),
                              static_cast<unsigned>(reinterpret_cast<uintptr_t>(value.getObject())));
            }
            break;
        }
    }
    out += buffer;
}

void gmScriptMachine::registerGlobalFunctions(const gmLibraryEntry* entries, int32_t count,
                                              const char* libraryName) {
    gmCollectionPause pause(*this);
    gmTable* target = globals_;
    if (libraryName != nullptr) {
        gmValue existing = globals_->getField(*this, libraryName);
        if (existing.isTable()) {
            target = existing.getTable();
        } else {
            target = createTable();
            globals_->setField(*this, libraryName, gmValue::makeTable(target));
        }
    }
    for (int32_t i = 0; i < count; ++i) {
        gmFunction* function = createNativeFunction(entries[i].function, entries[i].userData);
        target->set(*this, gmValue::makeString(internPermanentString(entries[i].name)),
                    gmValue::makeFunction(function));
    }
}
