#include "platform/UserDefaults.h"

#include <QDir>
#include <QFileInfo>
#include <QSettings>
#include <QStandardPaths>

#include "platform/StringFormat.h"

namespace {

std::mutex gStandardMutex;
std::unique_ptr<UserDefaults> gStandard;

}  // namespace

UserDefaults::UserDefaults(const QString& filePath)
    : settings_(std::make_unique<QSettings>(filePath, QSettings::IniFormat)) {
    QDir().mkpath(QFileInfo(filePath).absolutePath());
}

UserDefaults::~UserDefaults() = default;

QString UserDefaults::standardFilePath() {
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
           QStringLiteral("/Quorix/Quorix.conf");
}

UserDefaults& UserDefaults::standard() {
    std::lock_guard lock(gStandardMutex);
    if (!gStandard) {
        gStandard = std::make_unique<UserDefaults>(standardFilePath());
    }
    return *gStandard;
}

void UserDefaults::resetStandard() {
    std::lock_guard lock(gStandardMutex);
    gStandard.reset();
}

QString UserDefaults::filePath() const {
    std::lock_guard lock(mutex_);
    return settings_->fileName();
}

bool UserDefaults::hasKey(const QString& key) const {
    std::lock_guard lock(mutex_);
    return settings_->contains(key);
}

QVariant UserDefaults::objectForKey(const QString& key) const {
    std::lock_guard lock(mutex_);
    return settings_->value(key);
}

std::optional<QString> UserDefaults::stringForKey(const QString& key) const {
    const QVariant value = objectForKey(key);
    if (!value.isValid() || !value.canConvert<QString>()) {
        return std::nullopt;
    }
    return value.toString();
}

std::int64_t UserDefaults::integerForKey(const QString& key) const {
    const QVariant value = objectForKey(key);
    if (value.typeId() == QMetaType::QString) {
        return IntegerValue(value.toString());
    }
    return value.toLongLong();
}

double UserDefaults::doubleForKey(const QString& key) const {
    const QVariant value = objectForKey(key);
    if (value.typeId() == QMetaType::QString) {
        return DoubleValue(value.toString());
    }
    return value.toDouble();
}

float UserDefaults::floatForKey(const QString& key) const { return static_cast<float>(doubleForKey(key)); }

bool UserDefaults::boolForKey(const QString& key) const {
    const QVariant value = objectForKey(key);
    if (value.typeId() == QMetaType::QString) {
        const QString text = value.toString().trimmed();
        if (text.compare(QLatin1String("true"), Qt::CaseInsensitive) == 0 ||
            text.compare(QLatin1String("yes"), Qt::CaseInsensitive) == 0) {
            return true;
        }
        return IntegerValue(text) != 0;
    }
    return value.toBool();
}

QVariantMap UserDefaults::dictionaryForKey(const QString& key) const { return objectForKey(key).toMap(); }

bool UserDefaults::writeOutLocked() {
    settings_->sync();
    return settings_->status() == QSettings::NoError;
}

bool UserDefaults::setObject(const QString& key, const QVariant& value) {
    std::lock_guard lock(mutex_);
    if (!value.isValid()) {
        settings_->remove(key);
    } else {
        settings_->setValue(key, value);
    }
    return writeOutLocked();
}

bool UserDefaults::setString(const QString& key, const QString& value) { return setObject(key, value); }

bool UserDefaults::setInteger(const QString& key, std::int64_t value) {
    return setObject(key, QVariant::fromValue<qlonglong>(value));
}

bool UserDefaults::setFloat(const QString& key, float value) {
    return setObject(key, static_cast<double>(value));
}

bool UserDefaults::setDouble(const QString& key, double value) { return setObject(key, value); }

bool UserDefaults::setBool(const QString& key, bool value) { return setObject(key, value); }

bool UserDefaults::removeObjectForKey(const QString& key) { return setObject(key, QVariant()); }

bool UserDefaults::synchronize() {
    std::lock_guard lock(mutex_);
    return writeOutLocked();
}
