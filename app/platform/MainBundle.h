#pragma once

// Facts about the application itself: its identifier (which names the per-user
// data folder), its display name and its version.

#include <QString>
#include <optional>

class MainBundle {
public:
    static QString identifier();    // "com.quorix.Quorix"
    static QString name();          // "Quorix"
    static QString shortVersion();  // the release version, e.g. "1.0.0"
    static QString version();       // the build version the update check compares, e.g. "1.0.0"
    // The oldest newest-version of the web service that still serves this
    // build's system: the first release for Linux.
    static std::optional<QString> supportSystemVersion();
    // The path of an image shipped with the application ("user_list_notify",
    // "gif"), or none when there is no such image.
    static std::optional<QString> pathForResource(const QString& name, const QString& type);
};
