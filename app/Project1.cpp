// Project1: the demonstration program. Its arguments are not looked at; it returns 0.
#include "app/Unit1.h"

using namespace zu;

int main() {
  try {
    Application->Initialize();
    Application->CreateForm(ddd);
    Application->Run();
  } catch (const Exception& E) {
    Application->ShowException(E);
  } catch (...) {
    // Anything else is shown as an exception with an empty message.
    try {
      throw Exception("");
    } catch (const Exception& E) {
      Application->ShowException(E);
    }
  }
  DoneApplication();
  return 0;
}
