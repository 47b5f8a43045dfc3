#pragma once

// Facts about the application itself: its identifier (which names the per-user
// data folder), its display name and its version.

#include <QString>

class MainBundle {
public:
    static QString identifier();    // "com.quorix.Quorix"
    static QString name();          // "Quorix"
    static QString shortVersion();  // the release version, e.g. "1.0.0"
};
