#pragma once

#include <gtest/gtest.h>

#include "fixtures/app/PulseAudioTestServer.h"

// Stops the server when the test program ends.
class PulseAudioTestEnvironment : public ::testing::Environment {
public:
    void TearDown() override { PulseAudioTestServer::shutdown(); }
};

inline ::testing::Environment* const kPulseAudioTestEnvironment =
    ::testing::AddGlobalTestEnvironment(new PulseAudioTestEnvironment);
