// A fresh machine for one test: an empty machine folder, and this process detached from the
// machine it used before.
#pragma once

#include <gtest/gtest.h>

#include <string>

#include "ntsim/machine.h"
#include "tests/support/scratch_machine.h"

class FreshMachine : public ::testing::Test {
 protected:
  FreshMachine() { ntsim::testing::ResetMachine(); }
  ~FreshMachine() override { ntsim::testing::ResetMachine(); }

  std::string DebugLog() const { return machine_.Read("debug.log"); }

  testing_support::ScratchMachine machine_;
};
