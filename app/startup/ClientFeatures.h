// The feature managers of the running program: the one place that knows every
// feature folder and hands LoginManager their factories. A feature that lands
// adds its factory here; tests build LoginManager with fakes instead.
#pragma once

#include <functional>
#include <memory>

#include "conference/StartViewController.h"
#include "session/LoginManagerFeatures.h"

namespace ClientFeatures {

// Every real feature manager that exists, for the running program's logins.
LoginManagerFeatures make();

// The feature windows the conference window opens; `controller` answers the
// conference window once it exists.
std::unique_ptr<ConferenceFeatureWindows> makeWindows(std::function<StartViewController*()> controller);

}  // namespace ClientFeatures
