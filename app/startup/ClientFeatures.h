// The feature managers of the running program: the one place that knows every
// feature folder and hands LoginManager their factories. A feature that lands
// adds its factory here; tests build LoginManager with fakes instead.
#pragma once

#include "session/LoginManagerFeatures.h"

namespace ClientFeatures {

// Every real feature manager that exists, for the running program's logins.
LoginManagerFeatures make();

}  // namespace ClientFeatures
