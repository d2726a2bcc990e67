// The environment variables of a web sign-on, in the order they are handed to the library.
#pragma once

#include <I18NString.h>

#include <utility>
#include <vector>

using BasaltEnvironment = std::vector<std::pair<I18NString, I18NString>>;
