// SHAPE and SHAPEVERTEX: vertex lists a script builds and draws.
#include <cmath>
#include <cstring>

#include "Engine/Colour.h"
#include "Engine/GameSystem.h"
#include "Engine/RealPoint.h"
#include "Engine/ScriptAPI/MemberBinding.h"
#include "Engine/ScriptAPI/ScriptTypes.h"
#include "Engine/Shape.h"

namespace {
constexpr int kLastShapeType = 6;  // SHAPETYPE_LINELOOP

// A SHAPEVERTEX value names its shape's value and an index, and keeps the shape alive: a vertex
// of a freed shape would be freed memory.
struct VertexRef {
    gmHostObject* shapeValue;
    int index;
};

Shape* shape(gmScriptThread* thread) {
    return selfAs<Shape>(thread);
}

bool isPoint(const gmValue& value) {
    return value.getType() == scriptTypeId(ScriptType::REALPOINT);
}

// SHAPE(type, vertex count, GameSystem): a shape the script owns.
int constructShape(gmScriptThread* thread) {
    int32_t type = 0;
    int32_t count = 0;
    GameSystem* gameSystem = nullptr;
    if (!gmCheckParamCount(thread, 3) || !gmIntParam(thread, 0, type) || !gmIntParam(thread, 1, count) ||
        !objectParam(thread, 2, ScriptType::GAMESYSTEM, gameSystem))
        return kRunTimeError;
    if (type < 0 || type > kLastShapeType)
        return methodError(thread, ": shape type %d is not a SHAPETYPE_ constant", type);
    if (count < 1)
        return methodError(thread, ": vertex count %d is below 1", count);
    if (!Shape::isValidQuality(count))
        return methodError(thread, ": vertex count %d is above %d", count, Shape::kMaxQuality);
    auto* made = new Shape(gameSystem->getVideoModule(), type, count);
    thread->push(scriptOwned(thread->getMachine(), ScriptType::SHAPE, made, nullptr));
    return kDone;
}

template <bool (Shape::*Operation)(float)>
int circle(gmScriptThread* thread) {
    Shape* self = shape(thread);
    float radius = 0.0f;
    if (self == nullptr || !gmCheckParamCount(thread, 1) || !gmFloatOrIntParam(thread, 0, radius))
        return kRunTimeError;
    if (!(self->*Operation)(radius))
        return methodError(thread, ": the shape has too few vertices");
    return kDone;
}

int shape_draw(gmScriptThread* thread) {
    Shape* self = shape(thread);
    if (self == nullptr)
        return kRunTimeError;
    self->draw();
    return kDone;
}

int shape_plotVertices(gmScriptThread* thread) {
    Shape* self = shape(thread);
    if (self == nullptr)
        return kRunTimeError;
    const int32_t count = thread->getNumParams();
    if (count == 1 || count > 3)
        return usageError(thread);
    int32_t start = 0;
    int32_t end = self->getQuality();
    int32_t increment = 1;
    if (count >= 2 && (!gmIntParam(thread, 0, start) || !gmIntParam(thread, 1, end)))
        return kRunTimeError;
    if (count == 3 && !gmIntParam(thread, 2, increment))
        return kRunTimeError;
    if (increment < 1)
        return methodError(thread, ": increment %d is below 1", increment);
    self->plotVertices(start, end, increment);
    return kDone;
}

int shape_getVertex(gmScriptThread* thread) {
    Shape* self = shape(thread);
    int32_t index = 0;
    if (self == nullptr || !gmCheckParamCount(thread, 1) || !gmIntParam(thread, 0, index))
        return kRunTimeError;
    if (self->getVertex(index) == nullptr)
        return methodError(thread, ": index (%d ) out of bounds!", index);
    auto* ref = new VertexRef{thread->getThis().getHostObject(), index};
    thread->push(gmValue::makeHostObject(
        thread->getMachine().newHostObject(ref, scriptTypeId(ScriptType::SHAPEVERTEX))));
    return kDone;
}

// (angle) or (dir) or (x, y).
int shape_setDir(gmScriptThread* thread) {
    Shape* self = shape(thread);
    if (self == nullptr)
        return kRunTimeError;
    const int32_t count = thread->getNumParams();
    float angle = 0.0f;
    if (count == 1 && isPoint(thread->getParam(0))) {
        RealPoint dir;
        if (!pointParam(thread, 0, dir))
            return kRunTimeError;
        angle = std::atan2(dir.y, dir.x);
    } else if (count == 1 && numberValue(thread->getParam(0), angle)) {
    } else if (count == 2) {
        float x = 0.0f;
        float y = 0.0f;
        if (!gmFloatOrIntParam(thread, 0, x) || !gmFloatOrIntParam(thread, 1, y))
            return kRunTimeError;
        angle = std::atan2(y, x);
    } else {
        return usageError(thread);
    }
    self->setDir(angle);
    return kDone;
}

// (pos) or (pos, z) or (x, y) or (x, y, z).
int shape_setPos(gmScriptThread* thread) {
    Shape* self = shape(thread);
    if (self == nullptr)
        return kRunTimeError;
    const int32_t count = thread->getNumParams();
    RealPoint posValue;
    const RealPoint* pos = nullptr;
    if (count >= 1 && isPoint(thread->getParam(0))) {
        if (!pointParam(thread, 0, posValue))
            return kRunTimeError;
        pos = &posValue;
    }
    if (pos != nullptr && (count == 1 || count == 2)) {
        float z = 0.0f;
        if (count == 2) {
            if (!gmFloatOrIntParam(thread, 1, z))
                return kRunTimeError;
            self->setPos(pos->x, pos->y, z);
        } else {
            self->setPos(pos->x, pos->y);
        }
        return kDone;
    }
    if (pos == nullptr && (count == 2 || count == 3)) {
        float c[3] = {};
        for (int32_t i = 0; i < count; ++i)
            if (!gmFloatOrIntParam(thread, i, c[i]))
                return kRunTimeError;
        count == 3 ? self->setPos(c[0], c[1], c[2]) : self->setPos(c[0], c[1]);
        return kDone;
    }
    return usageError(thread);
}

int shape_setPosZ(gmScriptThread* thread) {
    Shape* self = shape(thread);
    float z = 0.0f;
    if (self == nullptr || !gmCheckParamCount(thread, 1) || !gmFloatOrIntParam(thread, 0, z))
        return kRunTimeError;
    self->setPosZ(z);
    return kDone;
}

int shape_setScale(gmScriptThread* thread) {
    Shape* self = shape(thread);
    if (self == nullptr)
        return kRunTimeError;
    const int32_t count = thread->getNumParams();
    if (count != 2 && count != 3)
        return usageError(thread);
    float c[3] = {1.0f, 1.0f, 1.0f};
    for (int32_t i = 0; i < count; ++i)
        if (!gmFloatOrIntParam(thread, i, c[i]))
            return kRunTimeError;
    self->setScale(c[0], c[1], c[2]);
    return kDone;
}

int shape_setTexture(gmScriptThread* thread) {
    Shape* self = shape(thread);
    const char* name = nullptr;
    if (self == nullptr || !gmCheckParamCount(thread, 1) || !gmStringParam(thread, 0, name))
        return kRunTimeError;
    self->setTexture(name);
    return kDone;
}

void destructShape(gmScriptMachine&, gmHostObject* object) {
    delete static_cast<Shape*>(object->getHostPointer());
}

constexpr ScriptMethod kShapeMethods[] = {
    {"setAsCircle", circle<&Shape::setAsCircle>, "(n radius) -> nothing",
     "Places the vertices evenly on a circle of that radius about (0, 0), starting on the x axis, and makes "
     "the shape a line loop: an outline. A shape without vertices is an error."},
    {"setAsFilledCircle", circle<&Shape::setAsFilledCircle>, "(n radius) -> nothing",
     "Makes the shape a filled disc of that radius: a triangle fan of the centre and the rest of the "
     "vertices round the rim, the last closing it. Needs 3 vertices or more, otherwise an error."},
    {"draw", shape_draw, "() -> nothing",
     "Draws the shape in the current view at its position, scale and direction (in that order), with its "
     "texture when it uses one; in the current colour unless it uses its vertices' colours."},
    {"getQuality", bindMember<&Shape::getQuality>, "() -> int", "The number of vertices."},
    {"plotVertices", shape_plotVertices, "() or (i start, i end) or (i start, i end, i increment) -> nothing",
     "Sends the vertices start, start + increment, ... before end (default all, start and end clamped to "
     "0..the vertex count) to a shape begun with Video.beginShape, as they are, without the shape's "
     "position, scale or direction. An increment below 1 is an error.",
     "expecting (void) or (start,end) or (start,end,increment)"},
    {"getShapeType", bindMember<&Shape::getShapeType>, "() -> int",
     "The shape type, a SHAPETYPE_ constant; setAsCircle and setAsFilledCircle change it."},
    {"getVertex", shape_getVertex, "(i index) -> SHAPEVERTEX",
     "The vertex at the index (from 0) as a SHAPEVERTEX whose members (pos, x, y, z, u, v, texPos, colour, "
     "alpha) read and write the shape's own vertex; an index outside the vertices is an error."},
    {"setDir", shape_setDir, "(n angle) or (REALPOINT dir) or (n x, n y) -> nothing",
     "Sets the direction the shape is turned to when drawn: an angle in radians anticlockwise from the x "
     "axis, or a direction (REALPOINT, or x and y) whose angle is taken.",
     "expecting (ang) or (dir) or (x,y)"},
    {"setPos", shape_setPos, "(REALPOINT) or (REALPOINT, n z) or (n x, n y) or (n x, n y, n z) -> nothing",
     "Sets where draw places the shape's (0, 0), in the current view's units; z stays as it was when left "
     "out.",
     "expecting (pos) or (pos,z) or (x,y) or (x,y,z)"},
    {"setPosZ", shape_setPosZ, "(n z) -> nothing", "Sets only the depth of the position."},
    {"setScale", shape_setScale, "(n sx, n sy) or (n sx, n sy, n sz) -> nothing",
     "Sets the scale draw applies along x, y and z (z 1 when left out; default 1, 1, 1).",
     "expecting (sx,sy) or (sx,sy,sz)"},
    {"isUsesColour", bindMember<&Shape::isUsesColour>, "() -> bool",
     "Whether each vertex is drawn in its own colour and alpha (false by default)."},
    {"isUsesTexture", bindMember<&Shape::isUsesTexture>, "() -> bool",
     "Whether the shape is drawn with its texture (false by default)."},
    {"setIsUsesColour", bindMember<&Shape::setIsUsesColour>, "(b) -> nothing",
     "True draws each vertex in its own colour and alpha, which start black with alpha 0 (clear): set them "
     "through getVertex. False uses the current colour."},
    {"setIsUsesTexture", bindMember<&Shape::setIsUsesTexture>, "(b) -> nothing",
     "True draws the shape with the texture of setTexture, at each vertex's texture position (u, v)."},
    {"setTexture", shape_setTexture, "(s texture name) -> nothing",
     "Names the texture (an image file in the game folder, loaded on first use) that the shape is drawn with "
     "once setIsUsesTexture(true)."},
};

constexpr ScriptFunction kShapeConstructors[] = {
    {"SHAPE", constructShape, "(i shape type, i vertex count, GAMESYSTEM) -> new SHAPE",
     "A new shape of the script's, of a SHAPETYPE_ type with that many vertices (1 to 1048576), all at (0, "
     "0, 0); pass the GameSystem global last. A type or count outside those is an error."},
};

// ---- SHAPEVERTEX ----

ShapeVertex* vertexOf(const gmValue& value) {
    const auto* ref = static_cast<const VertexRef*>(value.getHostObject()->getHostPointer());
    if (ref == nullptr)
        return nullptr;
    auto* owner = static_cast<Shape*>(ref->shapeValue->getHostPointer());
    return owner != nullptr ? owner->getVertex(ref->index) : nullptr;
}

float* floatMember(ShapeVertex& vertex, const char* member) {
    if (std::strcmp(member, "x") == 0)
        return &vertex.x;
    if (std::strcmp(member, "y") == 0)
        return &vertex.y;
    if (std::strcmp(member, "z") == 0)
        return &vertex.z;
    if (std::strcmp(member, "u") == 0)
        return &vertex.u;
    if (std::strcmp(member, "v") == 0)
        return &vertex.v;
    if (std::strcmp(member, "alpha") == 0)
        return &vertex.alpha;
    return nullptr;
}

// The vertex's (x, y) or (u, v) as a point, for the aliases that pos and texPos read as.
template <float ShapeVertex::*X, float ShapeVertex::*Y>
bool accessVertexPoint(gmHostObject* vertexValue, const RealPoint* in, RealPoint& out) {
    ShapeVertex* vertex = vertexOf(gmValue::makeHostObject(vertexValue));
    if (vertex == nullptr)
        return false;
    if (in != nullptr) {
        vertex->*X = in->x;
        vertex->*Y = in->y;
    }
    out = RealPoint(vertex->*X, vertex->*Y);
    return true;
}

void* vertexColour(gmHostObject* vertexValue) {
    ShapeVertex* vertex = vertexOf(gmValue::makeHostObject(vertexValue));
    return vertex != nullptr ? &vertex->colour : nullptr;
}

// pos and texPos read as REALPOINT aliases of the vertex (`v.pos.x = 3` moves it), colour as a
// COLOUR alias of the vertex's colour (`v.colour.setRed(1)` changes it).
gmOperatorStatus vertexGetDot(gmScriptMachine& machine, gmScriptThread*, gmValue* operands) {
    ShapeVertex* vertex = vertexOf(operands[0]);
    const char* member = operands[1].isString() ? operands[1].getString()->getText() : "";
    gmValue result;
    if (vertex != nullptr) {
        if (float* field = floatMember(*vertex, member)) {
            result = gmValue::makeFloat(*field);
        } else if (std::strcmp(member, "pos") == 0) {
            result = newPointAlias(machine, operands[0].getHostObject(),
                                   accessVertexPoint<&ShapeVertex::x, &ShapeVertex::y>);
        } else if (std::strcmp(member, "texPos") == 0) {
            result = newPointAlias(machine, operands[0].getHostObject(),
                                   accessVertexPoint<&ShapeVertex::u, &ShapeVertex::v>);
        } else if (std::strcmp(member, "colour") == 0) {
            result = newValueAlias(machine, ScriptType::COLOUR, operands[0].getHostObject(), vertexColour);
        }
    }
    operands[0] = result;
    return gmOperatorStatus::kOk;
}

gmOperatorStatus vertexSetDot(gmScriptMachine& machine, gmScriptThread*, gmValue* operands) {
    ShapeVertex* vertex = vertexOf(operands[0]);
    const char* member = operands[2].isString() ? operands[2].getString()->getText() : "";
    if (vertex == nullptr)
        return gmOperatorStatus::kOk;
    const gmValue& value = operands[1];
    if (float* field = floatMember(*vertex, member)) {
        float number = 0.0f;
        if (numberValue(value, number)) {
            *field = number;
        } else {
            machine.getErrorLog().logf("\"SHAPEVERTEX.%s\" expecting float or int", member);
        }
    } else if (std::strcmp(member, "pos") == 0 || std::strcmp(member, "texPos") == 0) {
        RealPoint point;
        if (!isPoint(value)) {
            machine.getErrorLog().logf("\"SHAPEVERTEX.pos\" expecting REALPOINT");
        } else if (!loadPoint(machine, value.getHostObject(), point)) {
            return gmOperatorStatus::kError;
        } else if (member[0] == 'p') {
            vertex->x = point.x;
            vertex->y = point.y;
        } else {
            vertex->u = point.x;
            vertex->v = point.y;
        }
    } else if (std::strcmp(member, "colour") == 0) {
        if (value.getType() == scriptTypeId(ScriptType::COLOUR)) {
            vertex->colour = *static_cast<const Colour*>(hostTarget(value.getHostObject()));
        } else {
            machine.getErrorLog().logf("\"SHAPEVERTEX.colour\" expecting COLOUR");
        }
    }
    return gmOperatorStatus::kOk;
}

bool traceVertex(gmScriptMachine&, gmHostObject* object, gmGarbageCollector& collector, int32_t,
                 int32_t& workDone) {
    workDone += 1;
    if (const auto* ref = static_cast<const VertexRef*>(object->getHostPointer()))
        collector.markObject(ref->shapeValue);
    return true;
}

void destructVertex(gmScriptMachine&, gmHostObject* object) {
    delete static_cast<VertexRef*>(object->getHostPointer());
}

constexpr ScriptOperator kVertexOperators[] = {
    {kGmOpGetDot, vertexGetDot},
    {kGmOpSetDot, vertexSetDot},
};
}  // namespace

const ScriptTypeTable kShapeType{.type = ScriptType::SHAPE,
                                 .name = "SHAPE",
                                 .methods = kShapeMethods,
                                 .constructors = kShapeConstructors,
                                 .trace = traceOneUnit,
                                 .destruct = destructShape};
const ScriptTypeTable kShapeVertexType{
    .type = ScriptType::SHAPEVERTEX,
    .name = "SHAPEVERTEX",
    .operators = kVertexOperators,
    .trace = traceVertex,
    .destruct = destructVertex,
    .operatorForms =
        "members pos and texPos (REALPOINT referring to the vertex's x, y and u, v), x, y, z, u, v, alpha "
        "(float), colour (COLOUR, a copy of the vertex's colour: assign a COLOUR to change it), read and "
        "write"};
