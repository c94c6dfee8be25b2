// Every reflected class of the project, for the tools (and fuzz targets) that create classes by
// name: the framework's, the serializer's, the forms', the demo form's, the styles' and colours'.
#pragma once

namespace zu {

// Registers them all for creation by name; calling it again changes nothing. A library that
// publishes classes adds its registration call here.
void RegisterProjectClasses();

}  // namespace zu
