// Methods that processes and entities share: callMethod, and the object's alarms and oscillators.
// Each is a template over the engine class of `this`, listed in that type's table.
#pragma once

#include "Engine/Class.h"
#include "Engine/GameObject.h"
#include "Engine/ScriptAPI/ScriptBinding.h"

// callMethod(name, arguments...) on [target]: the arguments become MethodArgument records and the
// result comes back as a script value (null when the target does not handle the name).
int scriptCallMethod(gmScriptThread* thread, Class* target);

int gameObjectAddAlarm(gmScriptThread* thread, GameObject* object);
int gameObjectGetAlarm(gmScriptThread* thread, GameObject* object);
int gameObjectDeleteAlarm(gmScriptThread* thread, GameObject* object);
int gameObjectAddLFO(gmScriptThread* thread, GameObject* object);
int gameObjectGetLFO(gmScriptThread* thread, GameObject* object);
int gameObjectDeleteLFO(gmScriptThread* thread, GameObject* object);

// The binding of [Operation] for `this` of engine class T (Process, Entity).
template <class T, int (*Operation)(gmScriptThread*, GameObject*)>
int onGameObject(gmScriptThread* thread) {
    T* self = selfAs<T>(thread);
    return self != nullptr ? Operation(thread, self) : kRunTimeError;
}

template <class T>
int gameObjectCallMethod(gmScriptThread* thread) {
    T* self = selfAs<T>(thread);
    return self != nullptr ? scriptCallMethod(thread, self) : kRunTimeError;
}

template <class T>
int gameObjectGetUniqueAlarmID(gmScriptThread* thread) {
    T* self = selfAs<T>(thread);
    if (self == nullptr)
        return kRunTimeError;
    thread->pushInt(self->getUniqueAlarmID());
    return kDone;
}

template <class T>
int gameObjectGetUniqueLFOID(gmScriptThread* thread) {
    T* self = selfAs<T>(thread);
    if (self == nullptr)
        return kRunTimeError;
    thread->pushInt(self->getUniqueLFOID());
    return kDone;
}
