// SEQUENCER, SEQUENCERACTION and SEQUENCERTRIGGER: step sequencers (MainSequencer and those a
// script makes), the actions their triggers fire, and the triggers.
#include "Engine/GameSystem.h"
#include "Engine/ScriptAPI/GameObjectBinding.h"
#include "Engine/ScriptAPI/MemberBinding.h"
#include "Engine/ScriptAPI/RefContainer.h"
#include "Engine/ScriptAPI/ScriptTypes.h"
#include "Engine/ScriptHost/GmScriptModule.h"
#include "Engine/ScriptHost/GmScriptSequencerAction.h"
#include "Engine/Sequencer.h"
#include "Engine/SequencerAction.h"

namespace {
GmScriptSequencerAction* scriptActionOf(const gmValue& value) {
    auto* action = static_cast<SequencerAction*>(value.getHostObject()->getHostPointer());
    return action != nullptr ? dynamic_cast<GmScriptSequencerAction*>(action) : nullptr;
}

void greyValue(gmScriptMachine& machine, gmGarbageCollector& collector, gmHeapObject* object) {
    (void)machine;
    collector.markObject(object);
}

// A reachable sequencer keeps the script actions of its triggers alive.
bool traceSequencer(gmScriptMachine& machine, gmHostObject* object, gmGarbageCollector& collector, int32_t,
                    int32_t& workDone) {
    workDone += 1;
    auto* sequencer = static_cast<Sequencer*>(object->getHostPointer());
    if (sequencer == nullptr)
        return true;
    for (const SequencerTrigger& trigger : sequencer->getAllTriggers()) {
        auto* action = trigger.getAction() != nullptr
                           ? dynamic_cast<GmScriptSequencerAction*>(trigger.getAction())
                           : nullptr;
        if (action == nullptr || action->getHostObject() == nullptr)
            continue;
        workDone += 1;
        greyValue(machine, collector, action->getHostObject());
    }
    return true;
}

bool traceAction(gmScriptMachine& machine, gmHostObject* object, gmGarbageCollector& collector, int32_t,
                 int32_t& workDone) {
    GmScriptSequencerAction* action = scriptActionOf(gmValue::makeHostObject(object));
    if (action == nullptr) {
        workDone += 1;
        return true;
    }
    workDone += 2;
    greyValue(machine, collector, action->getActionTable());
    return true;
}

// `this.name` inside execute reads and writes the action table.
gmOperatorStatus actionGetDot(gmScriptMachine& machine, gmScriptThread*, gmValue* operands) {
    GmScriptSequencerAction* action = scriptActionOf(operands[0]);
    operands[0] = action != nullptr ? action->getActionTable()->get(operands[1]) : gmValue();
    (void)machine;
    return gmOperatorStatus::kOk;
}

gmOperatorStatus actionSetDot(gmScriptMachine& machine, gmScriptThread*, gmValue* operands) {
    if (GmScriptSequencerAction* action = scriptActionOf(operands[0]))
        action->getActionTable()->set(machine, operands[2], operands[1]);
    return gmOperatorStatus::kOk;
}

// SEQUENCERACTION() or SEQUENCERACTION(table): a new script action, owned by the script.
int constructAction(gmScriptThread* thread) {
    gmTable* table = nullptr;
    if (thread->getNumParams() > 1)
        return usageError(thread);
    if (thread->getNumParams() == 1 && !gmTableParam(thread, 0, table))
        return kRunTimeError;
    auto* action = new GmScriptSequencerAction(GmScriptModule::of(thread), table);
    thread->push(gmValue::makeHostObject(action->getHostObject()));
    return kDone;
}

constexpr ScriptOperator kActionOperators[] = {
    {kGmOpGetDot, actionGetDot},
    {kGmOpSetDot, actionSetDot},
};

constexpr ScriptFunction kActionConstructors[] = {
    {"SEQUENCERACTION", constructAction, "() or (table) -> new SEQUENCERACTION",
     "A new action for setTrigger, with a new empty table or the table given; when a trigger fires, the "
     "sequencer calls the table's execute function (see callbacks.md).",
     "expecting parameters (void) or (table)"},
};

// ---- SEQUENCER ----

Sequencer* sequencer(gmScriptThread* thread) {
    return selfAs<Sequencer>(thread);
}

bool isNoteLength(int value) {
    return value >= 0 && value <= 5;
}

int badNoteLength(gmScriptThread* thread, int value) {
    return methodError(thread, ": note length %d is not between 0 and 5", value);
}

// SEQUENCER(GameSystem): a sequencer the script owns.
int constructSequencer(gmScriptThread* thread) {
    GameSystem* gameSystem = nullptr;
    if (!gmCheckParamCount(thread, 1) || !objectParam(thread, 0, ScriptType::GAMESYSTEM, gameSystem))
        return kRunTimeError;
    thread->push(ownedValue(thread->getMachine(), ScriptType::SEQUENCER,
                            new Sequencer(gameSystem->getSequencerClock(), gameSystem)));
    return kDone;
}

// The engine refuses values below 1; the script gets an error and the old value stays.
template <void (Sequencer::*Setter)(int)>
int setAtLeastOne(gmScriptThread* thread) {
    Sequencer* self = sequencer(thread);
    float value = 0.0f;
    if (self == nullptr || !gmCheckParamCount(thread, 1) || !gmFloatOrIntParam(thread, 0, value))
        return kRunTimeError;
    const int count = static_cast<int>(value);
    if (count < 1)
        return methodError(thread, ": %d is below 1", count);
    (self->*Setter)(count);
    return kDone;
}

int sequencer_restart(gmScriptThread* thread) {
    Sequencer* self = sequencer(thread);
    if (self == nullptr)
        return kRunTimeError;
    const int32_t count = thread->getNumParams();
    if (count == 0) {
        self->restart();
        return kDone;
    }
    float step = 0.0f;
    if (count != 1)
        return usageError(thread);
    if (!gmFloatOrIntParam(thread, 0, step))
        return kRunTimeError;
    self->restart(static_cast<int>(step));
    return kDone;
}

int sequencer_getNumStepsPerNote(gmScriptThread* thread) {
    Sequencer* self = sequencer(thread);
    int32_t length = 0;
    if (self == nullptr || !gmCheckParamCount(thread, 1) || !gmIntParam(thread, 0, length))
        return kRunTimeError;
    if (!isNoteLength(length))
        return badNoteLength(thread, length);
    thread->pushInt(self->getNumStepsPerNote(length));
    return kDone;
}

template <float (Sequencer::*Getter)(int) const>
int noteTime(gmScriptThread* thread) {
    Sequencer* self = sequencer(thread);
    int32_t length = 0;
    if (self == nullptr || !gmCheckParamCount(thread, 1) || !gmIntParam(thread, 0, length))
        return kRunTimeError;
    if (!isNoteLength(length))
        return badNoteLength(thread, length);
    thread->pushFloat((self->*Getter)(length));
    return kDone;
}

// (step, ACTION) or (step, ACTION, looped) or (pattern, step, ACTION) or (pattern, step, ACTION, looped).
template <bool Sixteenths>
int setTrigger(gmScriptThread* thread) {
    Sequencer* self = sequencer(thread);
    if (self == nullptr)
        return kRunTimeError;
    const int32_t count = thread->getNumParams();
    const bool actionSecond =
        count >= 2 && thread->getParam(1).getType() == scriptTypeId(ScriptType::SEQUENCERACTION);
    const bool withPattern = count == 4 || (count == 3 && !actionSecond);
    if (count < 2 || count > 4)
        return usageError(thread);
    int32_t pattern = 0;
    int32_t step = 0;
    SequencerAction* action = nullptr;
    bool looped = false;
    const int32_t actionIndex = withPattern ? 2 : 1;
    if (withPattern && !gmIntParam(thread, 0, pattern))
        return kRunTimeError;
    if (!gmIntParam(thread, actionIndex - 1, step) ||
        !objectParam(thread, actionIndex, ScriptType::SEQUENCERACTION, action) ||
        (count > actionIndex + 1 && !gmBoolParam(thread, actionIndex + 1, looped)))
        return kRunTimeError;
    SequencerTrigger* trigger = nullptr;
    if (Sixteenths) {
        trigger = withPattern ? self->setTrigger16(pattern, step, action, looped)
                              : self->setTrigger16(step, action, looped);
    } else {
        trigger = withPattern ? self->setTrigger(pattern, step, action, looped)
                              : self->setTrigger(step, action, looped);
    }
    thread->push(referenceTo(thread->getMachine(), ScriptType::SEQUENCERTRIGGER, trigger));
    return kDone;
}

int sequencer_setTriggerOnNext(gmScriptThread* thread) {
    Sequencer* self = sequencer(thread);
    if (self == nullptr)
        return kRunTimeError;
    const int32_t count = thread->getNumParams();
    if (count != 2 && count != 3)
        return usageError(thread);
    int32_t length = 0;
    SequencerAction* action = nullptr;
    bool looped = false;
    if (!gmIntParam(thread, 0, length) || !objectParam(thread, 1, ScriptType::SEQUENCERACTION, action) ||
        (count == 3 && !gmBoolParam(thread, 2, looped)))
        return kRunTimeError;
    if (!isNoteLength(length))
        return badNoteLength(thread, length);
    thread->push(referenceTo(thread->getMachine(), ScriptType::SEQUENCERTRIGGER,
                             self->setTriggerOnNext(length, action, looped)));
    return kDone;
}

int sequencer_moveTriggerToFront(gmScriptThread* thread) {
    Sequencer* self = sequencer(thread);
    SequencerTrigger* trigger = nullptr;
    if (self == nullptr || !gmCheckParamCount(thread, 1) ||
        !objectParam(thread, 0, ScriptType::SEQUENCERTRIGGER, trigger))
        return kRunTimeError;
    self->moveTriggerToFront(trigger->getId());
    return kDone;
}

// (step) or (pattern, step); both methods name gotoStep in their message.
template <bool Sixteenths>
int gotoStep(gmScriptThread* thread) {
    Sequencer* self = sequencer(thread);
    if (self == nullptr)
        return kRunTimeError;
    const int32_t count = thread->getNumParams();
    if (count != 1 && count != 2)
        return usageError(thread);
    int32_t a = 0;
    int32_t b = 0;
    if (!gmIntParam(thread, 0, a) || (count == 2 && !gmIntParam(thread, 1, b)))
        return kRunTimeError;
    if (count == 1) {
        Sixteenths ? self->gotoStep16(a) : self->gotoStep(a);
    } else {
        Sixteenths ? self->gotoStep16(a, b) : self->gotoStep(a, b);
    }
    return kDone;
}

int sequencer_isInUpdate(gmScriptThread* thread) {
    Sequencer* self = sequencer(thread);
    return self != nullptr ? pushBool(thread, self->isInUpdate()) : kRunTimeError;
}

int sequencer_getAllTriggers(gmScriptThread* thread) {
    if (sequencer(thread) == nullptr)
        return kRunTimeError;
    thread->push(newTriggerContainer(thread->getMachine(), thread->getThis().getHostObject()));
    return kDone;
}

constexpr ScriptMethod kSequencerMethods[] = {
    {"getNumStepsPerPattern", bindMember<&Sequencer::getNumStepsPerPattern>, "() -> int",
     "The steps in a pattern (default 32, one bar of four beats in thirty-second notes)."},
    {"getBPM", bindMember<&Sequencer::getBPM>, "() -> int",
     "The tempo in beats per minute (default 120); a beat is 8 steps."},
    {"getCurrentStep", bindMember<&Sequencer::getCurrentStep>, "() -> int",
     "The step within the current pattern, counted in thirty-second notes from 0; -1 before the first step "
     "has played."},
    {"getCurrentStep16", bindMember<&Sequencer::getCurrentStep16>, "() -> int",
     "The step within the current pattern in sixteenth notes (the step halved)."},
    {"getCurrentPattern", bindMember<&Sequencer::getCurrentPattern>, "() -> int",
     "The pattern being played, from 0 to the loop length minus 1."},
    {"setNumStepsPerPattern", setAtLeastOne<&Sequencer::setNumStepsPerPattern>,
     "(n steps, at least 1) -> nothing",
     "Sets the steps in a pattern (truncated); below 1 is refused with an error and the old value stays."},
    {"setBPM", setAtLeastOne<&Sequencer::setBPM>, "(n beats per minute, at least 1) -> nothing",
     "Sets the tempo in beats per minute (truncated) and times the current step afresh; below 1 is refused "
     "with an error and the old value stays."},
    {"setLoopLen", setAtLeastOne<&Sequencer::setLoopLen>, "(n patterns, at least 1) -> nothing",
     "Sets how many patterns the loop plays before it starts again (truncated); below 1 is refused with an "
     "error and the old value stays."},
    {"restart", sequencer_restart, "() or (n step) -> nothing",
     "() goes back before step 0 of pattern 0 and starts: the next clock tick plays step 0. (step) does so "
     "once the sequencer reaches that step, counted in thirty-seconds from the start of the loop.",
     "\"SEQUENCER\" expecting parameters (void) or (NOTELENGTH)"},
    {"start", bindMember<&Sequencer::start>, "() -> nothing",
     "Starts playing, or goes on from where stop held it; the next clock tick plays the next step."},
    {"stop", bindMember<&Sequencer::stop>, "() -> nothing",
     "Holds the sequencer at its step: no steps, no triggers until start."},
    {"clearTriggers", bindMember<&Sequencer::clearTriggers>, "() -> nothing",
     "Removes every trigger, none firing."},
    {"getNumStepsPerNote", sequencer_getNumStepsPerNote, "(i note length) -> int",
     "The steps of a note length constant: THIRTYSECOND_NOTE 1 up to WHOLE_NOTE 32; a length outside 0..5 is "
     "an error."},
    {"getNoteTime", noteTime<&Sequencer::getNoteTime>, "(i note length) -> float",
     "The milliseconds of a note length at the current tempo (QUARTER_NOTE at 120 BPM is 500); a length "
     "outside 0..5 is an error."},
    {"setTrigger", setTrigger<false>,
     "(i step, SEQUENCERACTION) or (i step, SEQUENCERACTION, b looped) or (i pattern, i step, "
     "SEQUENCERACTION) or (i pattern, i step, SEQUENCERACTION, b looped) -> SEQUENCERTRIGGER",
     "Puts the action on a step: in thirty-seconds from the start of the loop, or (pattern, step) within a "
     "pattern. Looped true fires it on every round, otherwise once and it is removed. Several at a step fire "
     "in the order they were set.",
     "expecting parameters (int,ACTION) or (int,ACTION,bool) or (int,int,ACTION) or (int,int,ACTION,bool)"},
    {"setTrigger16", setTrigger<true>,
     "(i step, SEQUENCERACTION) or (i step, SEQUENCERACTION, b looped) or (i pattern, i step, "
     "SEQUENCERACTION) or (i pattern, i step, SEQUENCERACTION, b looped) -> SEQUENCERTRIGGER",
     "As setTrigger with the step in sixteenth notes (step 4 is the second beat).",
     "expecting parameters (int,ACTION) or (int,ACTION,bool) or (int,int,ACTION) or (int,int,ACTION,bool)"},
    {"setTriggerOnNext", sequencer_setTriggerOnNext,
     "(i note length, SEQUENCERACTION) or (i note length, SEQUENCERACTION, b looped) -> SEQUENCERTRIGGER or "
     "null",
     "Puts the action on the next boundary of the note length after the current step (QUARTER_NOTE: the next "
     "beat); looped as setTrigger. A length outside 0..5 is an error.",
     "expecting parameters (NOTELENGTH,ACTION) or (NOTELENGTH,ACTION,bool)"},
    {"moveTriggerToFront", sequencer_moveTriggerToFront, "(SEQUENCERTRIGGER) -> nothing",
     "Makes the trigger fire first among those on its step; nothing when it is not this sequencer's."},
    {"gotoStep", gotoStep<false>, "(i step) or (i pattern, i step) -> nothing",
     "Jumps to a step (in thirty-seconds from the start of the loop, or within a pattern) without firing "
     "anything; the step after it plays next.",
     "expecting parameters (int) or (int,int)"},
    {"gotoStep16", gotoStep<true>, "(i step) or (i pattern, i step) -> nothing",
     "As gotoStep with the step in sixteenth notes.", "\"gotoStep\" expecting parameters (int) or (int,int)"},
    {"getMSTillNextStep", bindMember<&Sequencer::getMSTillNextStep>, "() -> float",
     "Milliseconds until the next step plays."},
    {"getMSTillNextStep16", bindMember<&Sequencer::getMSTillNextStep16>, "() -> float",
     "On an odd step the milliseconds until the next step; on an even step twice that, which is short of the "
     "next sixteenth-note step (getMSTillNextSequencePos(SIXTEENTH_NOTE) gives that)."},
    {"getMSTillNextSequencePos", noteTime<&Sequencer::getMSTillNextSequencePos>, "(i note length) -> float",
     "Milliseconds until the next boundary of the note length (QUARTER_NOTE: the next beat); a length "
     "outside 0..5 is an error."},
    {"isInUpdate", sequencer_isInUpdate, "() -> bool",
     "True while the sequencer clock is running its steps, that is inside a trigger's execute."},
    {"getAllTriggers", sequencer_getAllTriggers,
     "() -> SEQUENCERTRIGGERLISTREFCONTAINER on the live trigger list",
     "A cursor over the sequencer's triggers in the order they fire; it sees later changes, so do not keep "
     "it across triggers being removed."},
};

constexpr ScriptFunction kSequencerConstructors[] = {
    {"SEQUENCER", constructSequencer, "(GAMESYSTEM) -> new SEQUENCER",
     "A new sequencer of the script's, stepped by the game's sequencer clock like MainSequencer; pass the "
     "GameSystem global. It stands before its first step until start()."},
};

// ---- SEQUENCERACTION ----

int action_setTable(gmScriptThread* thread) {
    SequencerAction* self = selfAs<SequencerAction>(thread);
    gmTable* table = nullptr;
    if (self == nullptr || !gmCheckParamCount(thread, 1) || !gmTableParam(thread, 0, table))
        return kRunTimeError;
    auto* scripted = dynamic_cast<GmScriptSequencerAction*>(self);
    if (scripted == nullptr)
        return scriptError(thread, "This is not a GM Script sequencer action");
    scripted->setActionTable(table);
    return kDone;
}

int action_tagForRemoval(gmScriptThread* thread) {
    SequencerAction* self = selfAs<SequencerAction>(thread);
    if (self == nullptr)
        return kRunTimeError;
    self->tagForRemoval();
    return kDone;
}

int action_isTaggedForRemoval(gmScriptThread* thread) {
    SequencerAction* self = selfAs<SequencerAction>(thread);
    return self != nullptr ? pushBool(thread, self->isTaggedForRemoval()) : kRunTimeError;
}

constexpr ScriptMethod kActionMethods[] = {
    {"setTable", action_setTable, "(table) -> nothing",
     "Replaces the action's table (whose execute the sequencer calls); an action the engine made is refused "
     "with \"This is not a GM Script sequencer action\"."},
    {"tagForRemoval", action_tagForRemoval, "() -> nothing",
     "Marks the action so that it never fires again; the sequencer drops its triggers as their steps come "
     "round."},
    {"isTaggedForRemoval", action_isTaggedForRemoval, "() -> bool", "Whether tagForRemoval was called."},
    {"callMethod", gameObjectCallMethod<SequencerAction>,
     "(s name, any...) -> the method's result, or null when nothing handles it",
     "Calls the action's native method of that name with the other arguments; no action made by "
     "SEQUENCERACTION has one, so it gives null.",
     "expecting parameters (string,...)"},
};

// ---- SEQUENCERTRIGGER ----

int trigger_getLooped(gmScriptThread* thread) {
    SequencerTrigger* self = selfAs<SequencerTrigger>(thread);
    return self != nullptr ? pushBool(thread, self->getLooped()) : kRunTimeError;
}

int trigger_getAction(gmScriptThread* thread) {
    SequencerTrigger* self = selfAs<SequencerTrigger>(thread);
    if (self == nullptr)
        return kRunTimeError;
    thread->push(referenceTo(thread->getMachine(), ScriptType::SEQUENCERACTION, self->getAction()));
    return kDone;
}

constexpr ScriptMethod kTriggerMethods[] = {
    {"getPattern", bindMember<&SequencerTrigger::getPattern>, "() -> int", "The pattern the trigger is on."},
    {"getStep", bindMember<&SequencerTrigger::getStep>, "() -> int",
     "The step within its pattern, in thirty-second notes."},
    {"getLooped", trigger_getLooped, "() -> bool",
     "True when it fires on every round, false when it fires once."},
    {"getAction", trigger_getAction, "() -> SEQUENCERACTION", "The action it fires."},
};

}  // namespace

const ScriptTypeTable kSequencerType{.type = ScriptType::SEQUENCER,
                                     .name = "SEQUENCER",
                                     .methods = kSequencerMethods,
                                     .constructors = kSequencerConstructors,
                                     .trace = traceSequencer,
                                     .destruct = destructHandle<Sequencer>};
const ScriptTypeTable kSequencerActionType{
    .type = ScriptType::SEQUENCERACTION,
    .name = "SEQUENCERACTION",
    .methods = kActionMethods,
    .operators = kActionOperators,
    .constructors = kActionConstructors,
    .trace = traceAction,
    .destruct = destructHandle<SequencerAction>,
    .operatorForms =
        "members: any name reads or writes the action's table (for actions made by SEQUENCERACTION); the "
        "sequencer calls the table's execute() when a trigger fires"};
const ScriptTypeTable kSequencerTriggerType{.type = ScriptType::SEQUENCERTRIGGER,
                                            .name = "SEQUENCERTRIGGER",
                                            .methods = kTriggerMethods,
                                            .destruct = destructHandle<SequencerTrigger>};
