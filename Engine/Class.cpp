#include "Engine/Class.h"

Class::Class() {
    addTypeName("Class");
}

Class::~Class() = default;

bool Class::isType(std::string_view name) const {
    for (const char* typeName : typeNames_) {
        if (name == typeName)
            return true;
    }
    return false;
}

bool Class::callMethod(const std::string&, const std::vector<MethodArgument>&, MethodArgument&) {
    return false;
}
