// Form resources: the component stream of a form class linked into the program as an RT_RCDATA
// resource named after the class in upper case, in the binary form ("TPF0") or the text form.
#pragma once

#include "platform/classes/Component.h"

namespace zu {

// Reads the resource of Instance's class into Instance (properties, owned children, events bound
// to its published methods); false when the program has no such resource. Streaming errors pass.
bool ReadFormResource(TComponent* Instance);

}  // namespace zu
