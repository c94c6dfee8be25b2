// Unit1: the demonstration's main form. A click on the form writes the form as an XML document
// to x.txt in the user's home directory and shows the form's DTD in the label.
#pragma once

#include <string>

#include "lib/xml/zuXMLSerializer.h"
#include "platform/forms/Application.h"
#include "platform/forms/StdCtrls.h"

class Tddd : public zu::TForm {
  ZU_CLASS(Tddd, zu::TForm)
 public:
  using zu::TForm::TForm;

  zu::TLabel* Label1 = nullptr;
  zu::TEdit* Edit1 = nullptr;
  zu::TzuXMLSerializer* XML = nullptr;

  // Serializes the form to the output file (replaced whole, or left as it was when writing
  // fails), then shows the form's DTD in Label1. Errors pass to the application's handler.
  void FormClick(zu::TObject* Sender);
};

extern Tddd* ddd;

// Registers Tddd by name, for tools that read the form's text form.
void RegisterUnit1Classes();

// The file the form is written to: x.txt in the home directory ($HOME, else the user's entry).
std::string OutputFileName();
