// Every unit test of the provider runs on a scratch copy of the home directory.
#include "ScratchHome.h"

namespace {

const auto* const g_home = ::testing::AddGlobalTestEnvironment(new provider_test::ScratchHome);

}  // namespace
