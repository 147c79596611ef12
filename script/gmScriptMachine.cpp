#include "script/gmScriptMachine.h"

#include <algorithm>
#include <cstring>
#include <limits>
#include <new>

#include "script/gmBuiltinOperators.h"
#include "script/gmLibrary.h"

namespace {
#if defined(TACT_GC_STRESS) && TACT_GC_STRESS
constexpr bool kStressBuild = true;
#else
constexpr bool kStressBuild = false;
#endif

// The names of the six built-in types, by type id.
constexpr const char* kBuiltinTypeNames[kGmFirstUserType] = {"null",   "int",   "float",
                                                             "string", "table", "function"};

// Truncation toward zero that saturates instead of overflowing (limits set by scripts can be anything).
int32_t truncateToInt(float value) {
    if (!(value == value))
        return 0;
    if (value >= 2147483647.0f)
        return std::numeric_limits<int32_t>::max();
    if (value <= -2147483648.0f)
        return std::numeric_limits<int32_t>::min();
    return static_cast<int32_t>(value);
}

int32_t measure(const char* text, int32_t length) {
    if (text == nullptr)
        return 0;
    return length < 0 ? static_cast<int32_t>(std::strlen(text)) : length;
}
}  // namespace

gmScriptMachine::gmScriptMachine()
    : stringPool_(sizeof(gmString), kStringsPerChunk),
      tablePool_(sizeof(gmTable), kTablesPerChunk),
      functionPool_(sizeof(gmFunction), kFunctionsPerChunk),
      hostObjectPool_(sizeof(gmHostObject), kHostObjectsPerChunk),
      hostRoots_(blockHeap_),
      collector_(*this, &gmScriptMachine::scanRoots),
      stressCollection_(kStressBuild) {
    gmCollectionPause pause(*this);
    types_.reserve(16);
    for (int32_t typeId = 0; typeId < kGmFirstUserType; ++typeId)
        createBuiltinType(typeId, kBuiltinTypeNames[typeId]);
    globals_ = createTable();
    addRootProvider(&gmScriptMachine::scanThreadRoots, nullptr);
    gmRegisterStandardLibrary(*this);
}

gmScriptMachine::~gmScriptMachine() {
    collectionEnabled_ = false;
    // Threads first: their block records live in the block heap, their stacks hold objects.
    for (auto& bucket : sleepers_) {
        while (gmScriptThread* thread = bucket.second.head) {
            bucket.second.head = thread->next_;
            removeBlocks(thread);
            delete thread;
        }
    }
    sleepers_.clear();
    for (gmScriptThread** list : {&runningHead_, &blockedHead_, &exceptionHead_, &freeThreads_}) {
        while (gmScriptThread* thread = *list) {
            *list = thread->next_;
            removeBlocks(thread);
            delete thread;
        }
    }
    collector_.destroyAllObjects();
    hostRoots_.clear();
    globals_ = nullptr;
}

// ---------------------------------------------------------------------------------------------
// Objects
// ---------------------------------------------------------------------------------------------

void gmScriptMachine::collectBeforeAllocation() {
    if (!collectionEnabled_ || collecting_)
        return;
    if (!stressCollection_) {
        if (getMemoryUsage() > desiredHard_) {
            collecting_ = true;
            ++fullCollects_;
            collector_.collectNow();
            collecting_ = false;
            adjustLimitsAfterFullCollection();
        }
        const int32_t usage = getMemoryUsage();
        runCollectionThreshold_ = std::max(desiredHard_, truncateToInt(static_cast<float>(usage) * 2.0f));
        return;
    }
    collecting_ = true;
    if (collector_.isIdle())
        collector_.startCycle();
    collector_.step(false);
    collecting_ = false;
}

gmString* gmScriptMachine::findString(const char* text, int32_t length) const {
    if (text == nullptr)
        text = "";
    length = measure(text, length);
    return strings_.find(text, length, gmStringTable::hashText(text, length));
}

gmString* gmScriptMachine::internString(const char* text, int32_t length) {
    if (text == nullptr)
        text = "";
    length = measure(text, length);
    const uint32_t hash = gmStringTable::hashText(text, length);
    if (gmString* found = strings_.find(text, length, hash)) {
        collector_.revive(found);
        return found;
    }
    return makeString(text, length, hash);
}

gmString* gmScriptMachine::internHashedString(const char* text, int32_t length, uint32_t hash) {
    if (gmString* found = strings_.find(text, length, hash)) {
        collector_.revive(found);
        return found;
    }
    return makeString(text, length, hash);
}

gmString* gmScriptMachine::makeDetachedString(const char* text, int32_t length, uint32_t hash) {
    gmString* string = newString(text, length, hash);
    string->detached_ = 1;
    return string;
}

gmString* gmScriptMachine::attachString(gmString* string) {
    if (!string->detached_)
        return string;
    if (gmString* found = strings_.find(string->text_, string->length_, string->hash_)) {
        collector_.revive(found);
        return found;
    }
    string->detached_ = 0;
    strings_.insert(string);
    return string;
}

gmString* gmScriptMachine::makeString(const char* text, int32_t length, uint32_t hash) {
    gmString* string = newString(text, length, hash);
    strings_.insert(string);
    return string;
}

gmString* gmScriptMachine::newString(const char* text, int32_t length, uint32_t hash) {
    beforeAllocation();
    char* characters = static_cast<char*>(blockHeap_.allocate(static_cast<std::size_t>(length) + 1));
    if (length > 0)
        std::memcpy(characters, text, static_cast<std::size_t>(length));
    characters[length] = '\0';
    gmString* string = new (stringPool_.allocate()) gmString(characters, length, hash);
    string->hashKey_ = hash;
    collector_.linkNewObject(string);
    objectBytes_ += gmString::kChargeBytes;
    return string;
}

gmString* gmScriptMachine::internPermanentString(const char* text, int32_t length) {
    gmString* string = internString(text, length);
    collector_.makePersistent(string);
    return string;
}

gmTable* gmScriptMachine::createTable() {
    beforeAllocation();
    gmTable* table = new (tablePool_.allocate()) gmTable();
    table->hashKey_ = nextSerial_++;
    collector_.linkNewObject(table);
    objectBytes_ += gmTable::kChargeBytes;
    return table;
}

gmFunction* gmScriptMachine::newFunction() {
    beforeAllocation();
    gmFunction* function = new (functionPool_.allocate()) gmFunction(&blockHeap_);
    function->hashKey_ = nextSerial_++;
    collector_.linkNewObject(function);
    objectBytes_ += gmFunction::kChargeBytes;
    return function;
}

gmFunction* gmScriptMachine::createFunction(const gmFunctionContents& compiled) {
    gmCollectionPause pause(*this);
    gmFunction* function = newFunction();
    function->initScript(*this, compiled);
    return function;
}

gmFunction* gmScriptMachine::createNativeFunction(gmNativeFunction native, void* userData,
                                                  const char* debugName) {
    gmCollectionPause pause(*this);
    gmFunction* function = newFunction();
    function->native_ = native;
    function->nativeUserData_ = userData;
    if (debugName != nullptr && debugName[0] != '\0')
        function->debugName_ = internString(debugName);
    return function;
}

gmHostObject* gmScriptMachine::newHostObject(void* hostPointer, int32_t typeId) {
    if (typeId < kGmFirstUserType || !isValidType(typeId))
        return nullptr;
    beforeAllocation();
    gmHostObject* object = new (hostObjectPool_.allocate()) gmHostObject(hostPointer, typeId);
    object->hashKey_ = nextSerial_++;
    collector_.linkNewObject(object);
    objectBytes_ += gmHostObject::kChargeBytes;
    return object;
}

void gmScriptMachine::recycleObject(gmString* string) {
    if (!string->detached_)
        strings_.remove(string);
    blockHeap_.free(string->text_);
    string->~gmString();
    stringPool_.release(string);
    objectBytes_ -= gmString::kChargeBytes;
}

void gmScriptMachine::recycleObject(gmTable* table) {
    table->~gmTable();
    tablePool_.release(table);
    objectBytes_ -= gmTable::kChargeBytes;
}

void gmScriptMachine::recycleObject(gmFunction* function) {
    function->~gmFunction();
    functionPool_.release(function);
    objectBytes_ -= gmFunction::kChargeBytes;
}

void gmScriptMachine::recycleObject(gmHostObject* object) {
    object->~gmHostObject();
    hostObjectPool_.release(object);
    objectBytes_ -= gmHostObject::kChargeBytes;
}

// ---------------------------------------------------------------------------------------------
// Types
// ---------------------------------------------------------------------------------------------

void gmScriptMachine::createBuiltinType(int32_t typeId, const char* name) {
    gmTypeRecord record;
    record.name = internPermanentString(name);
    record.members = createTable();
    types_.push_back(record);
    gmInstallBuiltinOperators(types_.back(), typeId);
}

int32_t gmScriptMachine::createUserType(const char* name) {
    const int32_t typeId = getTypeCount();
    gmCollectionPause pause(*this);
    createBuiltinType(typeId, name);
    return typeId;
}

void gmScriptMachine::setTypeCallbacks(int32_t typeId, gmTraceCallback trace, gmDestructCallback destruct,
                                       gmAsStringCallback asString) {
    if (!isValidType(typeId))
        return;
    gmTypeRecord& record = types_[static_cast<std::size_t>(typeId)];
    record.trace = trace;
    record.destruct = destruct;
    record.asString = asString;
}

bool gmScriptMachine::setTypeOperator(int32_t typeId, int32_t operatorId, gmFunction* scriptFunction,
                                      gmOperatorFunction native) {
    if (!isValidType(typeId) || operatorId < 0 || operatorId >= kGmOpCount)
        return false;
    gmTypeRecord& record = types_[static_cast<std::size_t>(typeId)];
    if (scriptFunction != nullptr) {
        // The slots are roots; dropping one during a cycle must not lose what the roots held.
        collector_.writeBarrier(record.scriptOperators[operatorId]);
        record.scriptOperators[operatorId] = scriptFunction;
    } else if (native != nullptr) {
        record.nativeOperators[operatorId] = native;
    }
    return true;
}

void gmScriptMachine::setTypeMember(int32_t typeId, const char* name, const gmValue& value) {
    if (!isValidType(typeId))
        return;
    types_[static_cast<std::size_t>(typeId)].members->setField(*this, name, value);
}

const char* gmScriptMachine::getTypeName(int32_t typeId) const {
    const gmTypeRecord* record = findTypeRecord(typeId);
    return record != nullptr ? record->name->getText() : "undefined";
}

// ---------------------------------------------------------------------------------------------
// Roots
// ---------------------------------------------------------------------------------------------

void gmScriptMachine::addHostRoot(gmHeapObject* object) {
    hostRoots_.insert(object);
}

void gmScriptMachine::removeHostRoot(gmHeapObject* object) {
    if (hostRoots_.remove(object))
        collector_.writeBarrier(object);
}

void gmScriptMachine::addRootProvider(gmRootProvider provider, void* userData) {
    rootProviders_.push_back({provider, userData});
}

void gmScriptMachine::removeRootProvider(gmRootProvider provider, void* userData) {
    auto match = [&](const RootProviderEntry& e) { return e.provider == provider && e.userData == userData; };
    rootProviders_.erase(std::remove_if(rootProviders_.begin(), rootProviders_.end(), match),
                         rootProviders_.end());
}

// The root scan: the host root set, every root provider (the VM's threads), the globals table, and
// for every type record its members table and script operators (a script operator may be held
// nowhere else, and the VM can call it at any time). Type names are persistent and need no marking.
void gmScriptMachine::scanRoots(gmScriptMachine& machine, gmGarbageCollector& collector) {
    machine.hostRoots_.markAll(collector);
    // By index: a provider may add or remove providers.
    for (std::size_t i = 0; i < machine.rootProviders_.size(); ++i) {
        const RootProviderEntry entry = machine.rootProviders_[i];
        entry.provider(machine, collector, entry.userData);
    }
    collector.markObject(machine.globals_);
    for (const gmTypeRecord& record : machine.types_) {
        collector.markObject(record.members);
        for (gmFunction* function : record.scriptOperators) collector.markObject(function);
    }
}

// ---------------------------------------------------------------------------------------------
// Memory and collection
// ---------------------------------------------------------------------------------------------

int32_t gmScriptMachine::getMemoryUsage() const {
    const int64_t usage = objectBytes_ + blockHeap_.getBytesInUse() + threadBytes_;
    return usage > std::numeric_limits<int32_t>::max() ? std::numeric_limits<int32_t>::max()
                                                       : static_cast<int32_t>(usage);
}

// The pacing: below the hard limit the collector advances by one
// increment per call once a cycle runs, and a cycle starts when usage passes the soft limit; two
// cycles finished within fewer than kThrashCallCount calls count a warning. Forced, or above the
// hard limit, a full collection runs and (with auto adjust) the limits are retuned from the usage
// left after it: hard grown to 1.5 times the usage (soft to 90% of it) when the live heap is above
// soft, soft lowered towards the usage when the heap has shrunk.
bool gmScriptMachine::collectGarbage(bool force) {
    if (!collectionEnabled_ || collecting_)
        return false;
    if (desiredSoft_ > desiredHard_)
        desiredSoft_ = desiredHard_;
    ++callsSinceCheck_;
    collecting_ = true;

    if (!force && getMemoryUsage() <= desiredHard_) {
        if (collector_.isIdle() && getMemoryUsage() > desiredSoft_) {
            if (collector_.reclaimLeftovers(kLeftoverFreesPerCall) == 0) {
                ++cyclesSinceCheck_;
                collector_.startCycle();
            }
        }
        if (collector_.isIdle() || !collector_.step(false)) {
            collecting_ = false;
            return false;
        }
        if (cyclesSinceCheck_ == 2) {
            cyclesSinceCheck_ = 0;
            if (callsSinceCheck_ < kThrashCallCount)
                ++warnings_;
            callsSinceCheck_ = 0;
        }
        ++incrementalCollects_;
        collecting_ = false;
        return false;
    }

    ++fullCollects_;
    collector_.fullCollect();
    collecting_ = false;
    adjustLimitsAfterFullCollection();
    return true;
}

void gmScriptMachine::adjustLimitsAfterFullCollection() {
    if (!autoAdjust_)
        return;
    // Ratios and products in float, truncated toward zero.
    const int32_t usage = getMemoryUsage();
    const auto truncate = truncateToInt;
    if (usage >= desiredSoft_) {
        // The live heap alone is above soft: hard grows to 1.5 times it and soft follows to 90% of
        // the new hard. (Pulling hard back down to soft / 0.9 instead would leave hard where it was,
        // and a heap that outgrew it would be fully collected on every call from then on.)
        int32_t newHard = truncate(static_cast<float>(usage) * 1.5f);
        desiredSoft_ = std::max(desiredSoft_, truncate(static_cast<float>(desiredHard_) * 0.9f));
        newHard = std::max(newHard, desiredHard_);
        if (static_cast<float>(desiredSoft_) / static_cast<float>(newHard) < 0.9f) {
            desiredSoft_ = truncate(static_cast<float>(newHard) * 0.9f);
        }
        desiredHard_ = newHard;
    } else if (static_cast<float>(usage) / static_cast<float>(desiredHard_) >= 0.5f) {
        const float ratio = static_cast<float>(desiredSoft_) / static_cast<float>(desiredHard_) - 0.1f;
        if (ratio <= 0.25f) {
            ++warnings_;
        } else {
            const int32_t lowered = truncate(static_cast<float>(desiredHard_) * ratio);
            if (lowered > usage)
                desiredSoft_ = lowered;
        }
    }
}
