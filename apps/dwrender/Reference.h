// What the render command generates from the registry and the property tables: the property
// reference (--doc), the JSON schema of forms (--schema) and a loadable form of one class with
// every property at its default (--template).
//
// All three look at new objects of the registered classes (created on a private manual host and
// destroyed again), so what they show is what a program gets from the constructors.
#pragma once

#include <functional>
#include <string>

namespace dw {
class TClassInfo;
class TPersistent;
}  // namespace dw

namespace dw::apps {

// Runs AUse on a new object of AClass, on a manual host of its own (timers made by constructors
// belong to a host that outlives the object), then destroys the object. The host installed before
// is installed again however AUse ends.
void WithNewObject(const TClassInfo& AClass, const std::function<void(TPersistent&)>& AUse);

// Markdown: every registered class with its property tree (paths, types, defaults, enumeration
// members, ranges and the tables' notes). Classes whose tree is mostly another's are shown as the
// difference from it.
std::string ReferenceMarkdown();

// A JSON schema (draft 2020-12) of the form format: top-level keys, component entries by class,
// every class's properties with their types and fixed ranges, collections with the classes they
// accept. Ranges that depend on the object (Value within Min..Max) are not in it.
std::string FormSchemaText();

// A form holding one component of AClassName with every property written out at its default; it
// loads as it is. False with the message in AError for classes a form cannot create.
bool FormTemplate(const std::string& AClassName, std::string& AJson, std::string& AError);

// "dialworks 0.1.0".
std::string VersionText();

}  // namespace dw::apps
