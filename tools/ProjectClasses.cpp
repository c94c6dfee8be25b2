#include "tools/ProjectClasses.h"

#include "app/Unit1.h"
#include "lib/colors3d/zu3DCol.h"
#include "lib/styles/zuCommCl.h"
#include "lib/xml/zuXMLSerializer.h"
#include "platform/classes/ClassRegistry.h"
#include "platform/forms/Application.h"

namespace zu {

void RegisterProjectClasses() {
  RegisterFrameworkClasses();
  RegisterXMLSerializerClasses();
  RegisterFormsClasses();
  RegisterUnit1Classes();
  RegisterStyleClasses();
  Register3DColorClasses();
}

}  // namespace zu
