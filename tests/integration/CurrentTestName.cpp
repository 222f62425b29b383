// Puts the running test's name in the environment (VANTOR_CURRENT_TEST) when
// VANTOR_STANDIN_CALLS is set, so that a stand-in for `vantor` started by a test
// can log which test ran it: the check of the checks then knows which tests
// drive the command line and must fail when it is broken.
#include <cstdlib>
#include <string>

#include <gtest/gtest.h>

namespace {

class CurrentTestName : public testing::EmptyTestEventListener {
  void OnTestStart(const testing::TestInfo& test) override {
    const std::string name = std::string(test.test_suite_name()) + "." + test.name();
    ::setenv("VANTOR_CURRENT_TEST", name.c_str(), 1);
  }
};

[[maybe_unused]] const bool registered = [] {
  if (std::getenv("VANTOR_STANDIN_CALLS") != nullptr)
    testing::UnitTest::GetInstance()->listeners().Append(new CurrentTestName);
  return true;
}();

}  // namespace
