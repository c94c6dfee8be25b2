// The classes zuxml knows: every reflected class of the project, registered for creation by name.
#pragma once

namespace zu {

// Registers the framework's, the library's and the demonstration form's classes; calling it again
// does nothing more.
void RegisterProjectClasses();

}  // namespace zu
