// COLOUR (a colour the script owns) and COLOURMANAGER (the global ColourManager: named colours).
#include "Engine/Colour.h"
#include "Engine/ColourManager.h"
#include "Engine/ScriptAPI/ScriptTypes.h"

namespace {
Colour& self(gmScriptThread* thread) { return *static_cast<Colour*>(thread->getThis().getHostObject()->getHostPointer()); }

int constructColour(gmScriptThread* thread) {
    switch (thread->getNumParams()) {
        case 0: thread->push(newColourValue(thread->getMachine(), Colour())); return kDone;
        case 1: {
            gmHostObject* other = nullptr;
            if (!gmUserTypeParam(thread, 0, scriptTypeId(ScriptType::COLOUR), other)) return kRunTimeError;
            thread->push(newColourValue(thread->getMachine(), *static_cast<Colour*>(other->getHostPointer())));
            return kDone;
        }
        case 3: {
            float r = 0.0f;
            float g = 0.0f;
            float b = 0.0f;
            if (!gmFloatOrIntParam(thread, 0, r) || !gmFloatOrIntParam(thread, 1, g) || !gmFloatOrIntParam(thread, 2, b))
                return kRunTimeError;
            thread->push(newColourValue(thread->getMachine(), Colour(r, g, b)));
            return kDone;
        }
        default: return scriptError(thread, "\"COLOUR\" expecting parameters (void) or (COLOUR) or (r,g,b)");
    }
}

int colour_makeWithIntensity(gmScriptThread* thread) {
    float intensity = 0.0f;
    if (!gmCheckParamCount(thread, 1) || !gmFloatOrIntParam(thread, 0, intensity)) return kRunTimeError;
    thread->push(newColourValue(thread->getMachine(), self(thread).makeWithIntensity(intensity)));
    return kDone;
}

int colour_getBrightness(gmScriptThread* thread) {
    thread->pushFloat(self(thread).getBrightness());
    return kDone;
}

int colour_makeAsGrayscale(gmScriptThread* thread) {
    thread->push(newColourValue(thread->getMachine(), self(thread).makeAsGrayscale()));
    return kDone;
}

int colour_makeGrayscale(gmScriptThread* thread) {
    self(thread).makeGrayscale();
    return kDone;
}

template <float (Colour::*Getter)() const>
int getComponent(gmScriptThread* thread) {
    thread->pushFloat((self(thread).*Getter)());
    return kDone;
}

template <void (Colour::*Setter)(float)>
int setComponent(gmScriptThread* thread) {
    float value = 0.0f;
    if (!gmCheckParamCount(thread, 1) || !gmFloatOrIntParam(thread, 0, value)) return kRunTimeError;
    (self(thread).*Setter)(value);
    return kDone;
}

template <int (Colour::*Getter)() const>
int getIndexed(gmScriptThread* thread) {
    thread->pushInt((self(thread).*Getter)());
    return kDone;
}

template <void (Colour::*Setter)(int)>
int setIndexed(gmScriptThread* thread) {
    float value = 0.0f;
    if (!gmCheckParamCount(thread, 1) || !gmFloatOrIntParam(thread, 0, value)) return kRunTimeError;
    (self(thread).*Setter)(static_cast<int>(value));
    return kDone;
}

void destructColour(gmScriptMachine&, gmHostObject* object) { delete static_cast<Colour*>(object->getHostPointer()); }

bool traceOneUnit(gmScriptMachine&, gmHostObject*, gmGarbageCollector&, int32_t, int32_t& workDone) {
    workDone += 1;
    return true;
}

constexpr ScriptMethod kColourMethods[] = {
    {"makeWithIntensity", colour_makeWithIntensity},
    {"getBrightness", colour_getBrightness},
    {"makeAsGrayscale", colour_makeAsGrayscale},
    {"makeGrayscale", colour_makeGrayscale},
    {"getRed", getComponent<&Colour::getRed>},
    {"getGreen", getComponent<&Colour::getGreen>},
    {"getBlue", getComponent<&Colour::getBlue>},
    {"setRed", setComponent<&Colour::setRed>},
    {"setGreen", setComponent<&Colour::setGreen>},
    {"setBlue", setComponent<&Colour::setBlue>},
    {"getRedIndexed", getIndexed<&Colour::getRedIndexed>},
    {"getGreenIndexed", getIndexed<&Colour::getGreenIndexed>},
    {"getBlueIndexed", getIndexed<&Colour::getBlueIndexed>},
    {"setRedIndexed", setIndexed<&Colour::setRedIndexed>},
    {"setGreenIndexed", setIndexed<&Colour::setGreenIndexed>},
    {"setBlueIndexed", setIndexed<&Colour::setBlueIndexed>},
};

constexpr gmLibraryEntry kColourConstructors[] = {
    {"COLOUR", constructColour, nullptr},
};
}  // namespace

const ScriptTypeTable kColourType{ScriptType::COLOUR, "COLOUR", kColourMethods, {}, kColourConstructors, traceOneUnit,
                                  destructColour};
const ScriptTypeTable kColourManagerType{ScriptType::COLOURMANAGER, "COLOURMANAGER", {}, {}, {}, nullptr,
                                         destructHandle<ColourManager>};
