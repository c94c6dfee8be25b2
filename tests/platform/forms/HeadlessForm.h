// An application on the headless backend with one form of the demo's size at (100, 80), for the
// tests of the forms; everything goes after each test. The application's timers run by a clock
// that only the test moves (Advance).
#pragma once

#include <gtest/gtest.h>

#include <chrono>
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
    Application->SetClock([this] { return Now; });
    Form = new TForm(Application);
    Form->SetBounds(100, 80, 377, 339);
  }
  void TearDown() override { DoneApplication(); }
  void ShowForm() {
    Form->Show();
    Application->ProcessMessages();
  }
  void Advance(int Ms) { Now += std::chrono::milliseconds(Ms); }
  THeadlessBackend* Backend = nullptr;
  TForm* Form = nullptr;
  std::chrono::steady_clock::time_point Now{};
};

}  // namespace zu
