#include "Engine/ScriptAPI/ScriptText.h"

#include <sstream>

#include "Engine/Entity.h"
#include "Engine/RealPoint.h"
#include "Engine/ScriptAPI/ScriptBinding.h"

std::string scriptTraceText(gmScriptThread* thread) {
    // The default stream format: up to six significant digits.
    std::ostringstream text;
    for (int32_t i = 0; i < thread->getNumParams(); ++i) {
        const gmValue value = thread->getParam(i);
        const int32_t type = value.getType();
        if (value.isInt()) {
            text << value.getInt();
        } else if (value.isFloat()) {
            text << value.getFloat();
        } else if (value.isString()) {
            text << value.getString()->getText();
        } else if (type == scriptTypeId(ScriptType::REALPOINT)) {
            RealPoint p;
            if (loadPoint(thread->getMachine(), value.getHostObject(), p))
                text << "(" << p.x << "," << p.y << ")";
        } else if (type == scriptTypeId(ScriptType::ENTITY) &&
                   value.getHostObject()->getHostPointer() != nullptr) {
            const auto* e = static_cast<const Entity*>(value.getHostObject()->getHostPointer());
            text << "<ENTITY id=" << e->getObjectID() << " type=" << e->getType()
                 << " player=" << (e->isPlayer() ? "yes" : "no") << ">";
        } else {
            text << "<OBJECT " << type << ">";
        }
    }
    return text.str();
}
