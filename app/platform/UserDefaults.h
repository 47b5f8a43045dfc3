#pragma once

// The per-user settings store: keys with numbers, texts, booleans and
// dictionaries, kept in "<XDG config folder>/Quorix/Quorix.conf". Every write
// is written out to the file before it returns. Safe to use from any thread.
//
// Typed reads answer the type's empty value for a missing key (0, 0.0, false,
// no text, an empty dictionary) and convert what is stored where they can: a
// number stored as text reads as that number, "YES"/"true"/a non-zero number
// read as true.

#include <QString>
#include <QVariant>
#include <QVariantMap>
#include <memory>
#include <mutex>
#include <optional>

class QSettings;

class UserDefaults {
public:
    explicit UserDefaults(const QString& filePath);
    ~UserDefaults();
    UserDefaults(const UserDefaults&) = delete;
    UserDefaults& operator=(const UserDefaults&) = delete;

    // The store of the current user, opened on first use.
    static UserDefaults& standard();
    // Forgets the opened store so that the next standard() opens it again
    // from the environment (tests change HOME and XDG_CONFIG_HOME).
    static void resetStandard();
    // "<XDG config folder>/Quorix/Quorix.conf" for the current environment.
    static QString standardFilePath();

    QString filePath() const;

    bool hasKey(const QString& key) const;
    QVariant objectForKey(const QString& key) const;  // invalid when missing
    std::optional<QString> stringForKey(const QString& key) const;
    std::int64_t integerForKey(const QString& key) const;
    float floatForKey(const QString& key) const;
    double doubleForKey(const QString& key) const;
    bool boolForKey(const QString& key) const;
    QVariantMap dictionaryForKey(const QString& key) const;

    // Each of these writes the store out before it returns; false when
    // writing it failed.
    bool setObject(const QString& key, const QVariant& value);
    bool setString(const QString& key, const QString& value);
    bool setInteger(const QString& key, std::int64_t value);
    bool setFloat(const QString& key, float value);
    bool setDouble(const QString& key, double value);
    bool setBool(const QString& key, bool value);
    bool removeObjectForKey(const QString& key);
    bool synchronize();

private:
    bool writeOutLocked();

    mutable std::mutex mutex_;
    std::unique_ptr<QSettings> settings_;
};
