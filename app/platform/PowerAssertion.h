// Keeps the display from sleeping: the desktop's screen-saver inhibit
// (org.freedesktop.ScreenSaver on the session bus). An assertion is held
// until it is released by its identifier; 0 is never a held identifier.
#pragma once

#include <QString>
#include <cstdint>

class PowerAssertion {
public:
    // True with the identifier of the new assertion; false when the desktop
    // refuses or has no screen-saver service.
    static bool createNoDisplaySleep(const QString& name, uint32_t* assertionId);
    static bool release(uint32_t assertionId);
};
