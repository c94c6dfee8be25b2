// An application on the headless backend with one form of the demo's size at (100, 80), for the
// tests of the forms; everything goes after each test.
#pragma once

#include <gtest/gtest.h>

#include <memory>

#include "platform/forms/Application.h"
#include "platform/forms/HeadlessBackend.h"

namespace zu {

class HeadlessFormTest : public ::testing::Test {
 protected:
  void SetUp() override {
    auto backend = std::make_unique<THeadlessBackend>();
    Backend = backend.get();
    Application->SetBackend(std::move(backend));
    Form = new TForm(Application);
    Form->SetBounds(100, 80, 377, 339);
  }
  void TearDown() override { DoneApplication(); }
  void ShowForm() {
    Form->Show();
    Application->ProcessMessages();
  }
  THeadlessBackend* Backend = nullptr;
  TForm* Form = nullptr;
};

}  // namespace zu
