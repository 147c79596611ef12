// COLOUR (a colour the script owns) and COLOURMANAGER (the global ColourManager: named colours).
#include "Engine/Colour.h"
#include "Engine/ColourManager.h"
#include "Engine/ScriptAPI/MemberBinding.h"
#include "Engine/ScriptAPI/ScriptTypes.h"
#include "script/gmTable.h"

namespace {
// Every COLOUR value has a colour: its own, or, for an alias, its vertex's (the alias keeps the
// vertex's shape alive).
Colour& self(gmScriptThread* thread) {
    return *static_cast<Colour*>(hostTarget(thread->getThis().getHostObject()));
}

int constructColour(gmScriptThread* thread) {
    switch (thread->getNumParams()) {
        case 0:
            thread->push(newColourValue(thread->getMachine(), Colour()));
            return kDone;
        case 1: {
            gmHostObject* other = nullptr;
            if (!gmUserTypeParam(thread, 0, scriptTypeId(ScriptType::COLOUR), other))
                return kRunTimeError;
            thread->push(newColourValue(thread->getMachine(), *static_cast<Colour*>(hostTarget(other))));
            return kDone;
        }
        case 3: {
            float r = 0.0f;
            float g = 0.0f;
            float b = 0.0f;
            if (!gmFloatOrIntParam(thread, 0, r) || !gmFloatOrIntParam(thread, 1, g) ||
                !gmFloatOrIntParam(thread, 2, b))
                return kRunTimeError;
            thread->push(newColourValue(thread->getMachine(), Colour(r, g, b)));
            return kDone;
        }
        default:
            return usageError(thread);
    }
}

int colour_makeWithIntensity(gmScriptThread* thread) {
    float intensity = 0.0f;
    if (!gmCheckParamCount(thread, 1) || !gmFloatOrIntParam(thread, 0, intensity))
        return kRunTimeError;
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

template <void (Colour::*Setter)(int)>
int setIndexed(gmScriptThread* thread) {
    float value = 0.0f;
    if (!gmCheckParamCount(thread, 1) || !gmFloatOrIntParam(thread, 0, value))
        return kRunTimeError;
    (self(thread).*Setter)(static_cast<int>(value));
    return kDone;
}

void destructColour(gmScriptMachine&, gmHostObject* object) {
    if (isValueAlias(object))
        delete static_cast<ValueAlias*>(object->getHostPointer());
    else
        delete static_cast<Colour*>(object->getHostPointer());
}

constexpr ScriptMethod kColourMethods[] = {
    {"makeWithIntensity", colour_makeWithIntensity, "(n intensity) -> new COLOUR",
     "A new colour with each component times the number (not clamped): 0.5 gives half as bright."},
    {"getBrightness", colour_getBrightness, "() -> float",
     "The length sqrt(r² + g² + b²): 0 for black, about 1.732 for white."},
    {"makeAsGrayscale", colour_makeAsGrayscale, "() -> new COLOUR",
     "A new grey colour with all three components at this colour's brightness."},
    {"makeGrayscale", colour_makeGrayscale, "() -> nothing (changes the colour)",
     "Makes the colour grey: all three components become its brightness."},
    {"getRed", bindMember<&Colour::getRed>, "() -> float, 0..1", "The red component, 0 to 1."},
    {"getGreen", bindMember<&Colour::getGreen>, "() -> float, 0..1", "The green component, 0 to 1."},
    {"getBlue", bindMember<&Colour::getBlue>, "() -> float, 0..1", "The blue component, 0 to 1."},
    {"setRed", bindMember<&Colour::setRed>, "(n, clamped to 0..1) -> nothing",
     "Sets the red component, 0 to 1 (clamped)."},
    {"setGreen", bindMember<&Colour::setGreen>, "(n, clamped to 0..1) -> nothing",
     "Sets the green component, 0 to 1 (clamped)."},
    {"setBlue", bindMember<&Colour::setBlue>, "(n, clamped to 0..1) -> nothing",
     "Sets the blue component, 0 to 1 (clamped)."},
    {"getRedIndexed", bindMember<&Colour::getRedIndexed>, "() -> int, 0..255",
     "The red component on the 0 to 255 scale, truncated."},
    {"getGreenIndexed", bindMember<&Colour::getGreenIndexed>, "() -> int, 0..255",
     "The green component on the 0 to 255 scale, truncated."},
    {"getBlueIndexed", bindMember<&Colour::getBlueIndexed>, "() -> int, 0..255",
     "The blue component on the 0 to 255 scale, truncated."},
    {"setRedIndexed", setIndexed<&Colour::setRedIndexed>, "(n, 0..255) -> nothing",
     "Sets the red component on the 0 to 255 scale (truncated, then clamped)."},
    {"setGreenIndexed", setIndexed<&Colour::setGreenIndexed>, "(n, 0..255) -> nothing",
     "Sets the green component on the 0 to 255 scale (truncated, then clamped)."},
    {"setBlueIndexed", setIndexed<&Colour::setBlueIndexed>, "(n, 0..255) -> nothing",
     "Sets the blue component on the 0 to 255 scale (truncated, then clamped)."},
};

constexpr ScriptFunction kColourConstructors[] = {
    {"COLOUR", constructColour, "() or (COLOUR) or (n r, n g, n b) -> new COLOUR",
     "A new colour: black, a copy, or (r, g, b) with components 0 to 1, kept as given (not clamped).",
     "expecting parameters (void) or (COLOUR) or (r,g,b)"},
};
// ---- COLOURMANAGER ----

ColourManager* manager(gmScriptThread* thread) {
    return selfAs<ColourManager>(thread);
}

const Colour* colourOf(const gmValue& value) {
    if (value.getType() != scriptTypeId(ScriptType::COLOUR))
        return nullptr;
    return static_cast<const Colour*>(hostTarget(value.getHostObject()));
}

// A colour named by a name, an id or a COLOUR value; false for any other value.
bool lookUpColour(ColourManager& colours, const gmValue& value, Colour& out) {
    if (const Colour* colour = colourOf(value)) {
        out = *colour;
    } else if (value.isString()) {
        out = colours.getColour(std::string(value.getString()->getText()));
    } else if (value.isInt()) {
        out = colours.getColour(static_cast<int>(value.getInt()));
    } else {
        return false;
    }
    return true;
}

int colourmanager_clear(gmScriptThread* thread) {
    ColourManager* self = manager(thread);
    if (self == nullptr)
        return kRunTimeError;
    self->clear();
    return kDone;
}

int colourmanager_load(gmScriptThread* thread) {
    ColourManager* self = manager(thread);
    if (self == nullptr)
        return kRunTimeError;
    if (thread->getNumParams() == 0) {
        self->load();
    } else if (thread->getNumParams() == 1 && thread->getParam(0).isString()) {
        self->load(std::string(thread->getParam(0).getString()->getText()));
    } else {
        return usageError(thread);
    }
    return kDone;
}

int colourmanager_save(gmScriptThread* thread) {
    ColourManager* self = manager(thread);
    if (self == nullptr)
        return kRunTimeError;
    self->save();
    return kDone;
}

int colourmanager_getColourID(gmScriptThread* thread) {
    ColourManager* self = manager(thread);
    const char* name = nullptr;
    if (self == nullptr || !gmCheckParamCount(thread, 1) || !gmStringParam(thread, 0, name))
        return kRunTimeError;
    thread->pushInt(self->getColourID(name));
    return kDone;
}

int colourmanager_getColour(gmScriptThread* thread) {
    ColourManager* self = manager(thread);
    if (self == nullptr)
        return kRunTimeError;
    const gmValue argument = thread->getParam(0);
    if (thread->getNumParams() != 1 || !(argument.isString() || argument.isInt()))
        return usageError(thread);
    Colour colour;
    lookUpColour(*self, argument, colour);
    thread->push(newColourValue(thread->getMachine(), colour));
    return kDone;
}

int colourmanager_setColour(gmScriptThread* thread) {
    ColourManager* self = manager(thread);
    if (self == nullptr)
        return kRunTimeError;
    const gmValue key = thread->getParam(0);
    const Colour* colour = thread->getNumParams() == 2 ? colourOf(thread->getParam(1)) : nullptr;
    if (colour == nullptr || !(key.isString() || key.isInt()))
        return usageError(thread);
    if (key.isString()) {
        self->setColour(std::string(key.getString()->getText()), *colour);
    } else {
        self->setColour(static_cast<int>(key.getInt()), *colour);
    }
    return kDone;
}

int colourmanager_makeInterpolatedColour(gmScriptThread* thread) {
    ColourManager* self = manager(thread);
    if (self == nullptr)
        return kRunTimeError;
    float t = 0.0f;
    Colour a;
    Colour b;
    const gmValue first = thread->getParam(0);
    if (thread->getNumParams() != 3 || !(first.isFloat() || first.isInt()) ||
        !lookUpColour(*self, thread->getParam(1), a) || !lookUpColour(*self, thread->getParam(2), b))
        return usageError(thread);
    gmFloatOrIntParam(thread, 0, t);
    thread->push(newColourValue(thread->getMachine(), ColourManager::makeInterpolatedColour(t, a, b)));
    return kDone;
}

int colourmanager_getColourNames(gmScriptThread* thread) {
    ColourManager* self = manager(thread);
    if (self == nullptr)
        return kRunTimeError;
    gmScriptMachine& machine = thread->getMachine();
    const std::vector<std::string> names = self->getColourNames();
    gmTable* table = machine.createTable();
    // Held on the stack while the names are added, so a collection cannot take it.
    thread->pushTable(table);
    for (std::size_t i = 0; i < names.size(); ++i)
        table->set(machine, gmValue::makeInt(static_cast<int32_t>(i)),
                   gmValue::makeString(machine.internString(names[i].c_str())));
    table->setField(machine, "size", gmValue::makeInt(static_cast<int32_t>(names.size())));
    return kDone;
}

int colourmanager_getCurrentFilename(gmScriptThread* thread) {
    ColourManager* self = manager(thread);
    return self != nullptr ? pushText(thread, self->getCurrentFilename().c_str()) : kRunTimeError;
}

constexpr ScriptMethod kColourManagerMethods[] = {
    {"clear", colourmanager_clear, "() -> nothing",
     "Empties the colour table: every name is forgotten and ids start again at 0."},
    {"load", colourmanager_load, "() or (s file name) -> nothing",
     "Replaces the table with the colours of the file (default colours.dat in the game folder; a name given "
     "becomes the current file). A missing file leaves the table empty; reading stops at the first bad line.",
     "expecting parameters (void) or (string)"},
    {"save", colourmanager_save, "() -> nothing",
     "Writes the table to the current file, one \"name r g b\" line per colour in name order."},
    {"getColourID", colourmanager_getColourID, "(s name) -> int",
     "The id of the colour name; a name not in the table is added as black with the next id."},
    {"getColour", colourmanager_getColour, "(s name) or (i colour id) -> new COLOUR",
     "A copy of the named colour (a new name is added as black), or of the colour with that id (black for an "
     "id not in the table).",
     "expecting parameters (string) or (COLOURID)"},
    {"setColour", colourmanager_setColour, "(s name, COLOUR) or (i colour id, COLOUR) -> nothing",
     "Stores the colour under the name (added when new) or the id; an id not in the table is ignored. Kept "
     "in memory until save.",
     "expecting parameters (string,COLOUR) or (COLOURID,COLOUR)"},
    {"makeInterpolatedColour", colourmanager_makeInterpolatedColour,
     "(n t, c from, c to) -> new COLOUR; each c is a colour name, a colour id or a COLOUR",
     "A mix of the two colours: t = 1 gives the first, t = 0 the second, between them a blend; t is clamped "
     "to 0..1.",
     "expecting parameters (REAL,[string|colourID|COLOUR],[string|colourID|COLOUR])"},
    {"getColourNames", colourmanager_getColourNames,
     "() -> new table: the names at 0, 1, ... in name order, and \"size\"",
     "The names in the table in byte order (upper case before lower case)."},
    {"getCurrentFilename", colourmanager_getCurrentFilename, "() -> string",
     "The file load and save use (colours.dat unless load named another)."},
};
}  // namespace

const ScriptTypeTable kColourType{.type = ScriptType::COLOUR,
                                  .name = "COLOUR",
                                  .methods = kColourMethods,
                                  .constructors = kColourConstructors,
                                  .trace = traceValueAlias,
                                  .destruct = destructColour};
const ScriptTypeTable kColourManagerType{.type = ScriptType::COLOURMANAGER,
                                         .name = "COLOURMANAGER",
                                         .methods = kColourManagerMethods,
                                         .destruct = destructHandle<ColourManager>};
