// Every window test program registers the common controls 6 classes once,
// as flashkit.exe does before its first window.
#include <windows.h>

#include <commctrl.h>
#include <gtest/gtest.h>

namespace {

class CommonControls : public testing::Environment {
  public:
    void SetUp() override {
        INITCOMMONCONTROLSEX controls{sizeof controls, ICC_WIN95_CLASSES | ICC_STANDARD_CLASSES};
        ASSERT_TRUE(::InitCommonControlsEx(&controls));
    }
};

const testing::Environment* const commonControls = testing::AddGlobalTestEnvironment(new CommonControls);

}  // namespace
