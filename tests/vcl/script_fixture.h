// A fresh application object driven by the scripting front-end, for one test.
#pragma once

#include <gtest/gtest.h>

#include "vcl/Forms.h"
#include "vcl/ScriptFrontEnd.h"

namespace testing_support {

class ScriptedApplication : public ::testing::Test {
 protected:
  ScriptedApplication() {
    vcl::ResetApplication();
    script_ = &vcl::UseScriptFrontEnd();
  }
  ~ScriptedApplication() override { vcl::ResetApplication(); }

  vcl::ScriptFrontEnd& script() { return *script_; }

 private:
  vcl::ScriptFrontEnd* script_;
};

}  // namespace testing_support
