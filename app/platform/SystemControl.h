#pragma once

// Values of the running machine: its model, the system version, processors and memory.

#include <QString>
#include <cstdint>

struct SystemVersion {
    long major = 0;
    long minor = 0;
    long patch = 0;
};

class SystemControl {
public:
    // The hardware model: the firmware's product name ("ThinkPad X1 Carbon
    // Gen 9"), else the device-tree model, else the machine architecture.
    // Characters that would break the user agent (";", "(", ")") and control
    // characters become spaces.
    static QString hardwareModel();
    // The running kernel's release numbers ("6.1.0-18-amd64" gives 6, 1, 0).
    static SystemVersion systemVersion();
    static long processorCount();
    static std::uint64_t physicalMemory();  // bytes

    // The three numbers of a release text; missing ones are 0.
    static SystemVersion parseRelease(const QString& release);
    // The model text as hardwareModel() cleans it.
    static QString cleanModel(const QString& raw);
};
