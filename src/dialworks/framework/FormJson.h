// The JSON side of forms, for code that works with the JSON text of single objects (the render
// command, tests). This is the one public header that includes the JSON library; component
// headers see property values as TPropValue only.
#pragma once

#include <string>

#include <nlohmann/json.hpp>

#include "dialworks/Export.h"
#include "dialworks/framework/PropertyTable.h"

namespace dw {

using TJson = nlohmann::ordered_json;

// A value entry's value as JSON and back. JSON objects and arrays have no value form: they read
// as null (which no value entry accepts).
DW_API TJson PropValueToJson(const TPropValue& AValue);
DW_API TPropValue PropValueFromJson(const TJson& AValue);

// The stored properties of one object as JSON (what a form writes under "properties").
DW_API TJson SaveProperties(const TPersistent& AObject);
// Applies JSON properties to an object (checked as a form is); on failure returns false with the
// message in AError, and the object may be partly changed (forms discard it).
DW_API bool LoadProperties(TPersistent& AObject, const TJson& AProperties, std::string* AError,
                           const std::string& APath = "$");

}  // namespace dw
