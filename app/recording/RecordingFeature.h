// The recording feature as the session makes it at each login whose room records.
#pragma once

#include <memory>

#include "session/LoginManagerFeatures.h"

namespace RecordingFeature {

// A RecordingManager that reports to the login through its recording hooks.
std::unique_ptr<LoginRecordingManager> make(LoginManager& login, const RecordingParams& params);

}  // namespace RecordingFeature
