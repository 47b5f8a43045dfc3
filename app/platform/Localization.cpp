#include "platform/Localization.h"

#include <QFile>
#include <QHash>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLocale>
#include <QSet>
#include <mutex>

// Resources of a static library must be registered by hand.
static void registerLocalizationResources() { Q_INIT_RESOURCE(localization); }

namespace {

const QStringList kLanguages = {QStringLiteral("en"), QStringLiteral("ja")};

struct Tables {
    std::mutex mutex;
    bool loaded = false;
    QHash<QString, QHash<QString, QString>> byLanguage;
    QString chosen;  // empty: follow the user's preferred languages
    QSet<QString> warned;
};

Tables& tables() {
    static Tables t;
    return t;
}

QHash<QString, QString> loadTable(const QString& language) {
    QFile file(QStringLiteral(":/localization/%1.json").arg(language));
    QHash<QString, QString> table;
    if (!file.open(QIODevice::ReadOnly)) {
        qWarning("localization: table %s missing", qPrintable(language));
        return table;
    }
    const QJsonObject object = QJsonDocument::fromJson(file.readAll()).object();
    for (auto it = object.begin(); it != object.end(); ++it) {
        table.insert(it.key(), it.value().toString());
    }
    return table;
}

Tables& loadedTables() {
    Tables& t = tables();
    // Callers hold t.mutex.
    if (!t.loaded) {
        registerLocalizationResources();
        for (const QString& language : kLanguages) {
            t.byLanguage.insert(language, loadTable(language));
        }
        t.loaded = true;
    }
    return t;
}

QString currentLanguageLocked(const Tables& t) {
    return t.chosen.isEmpty() ? Localization::chooseLanguage(QLocale::system().uiLanguages()) : t.chosen;
}

}  // namespace

QString Localization::chooseLanguage(const QStringList& preferred) {
    for (const QString& entry : preferred) {
        const QString code = entry.section(u'-', 0, 0).section(u'_', 0, 0).toLower();
        if (kLanguages.contains(code)) {
            return code;
        }
    }
    return QStringLiteral("en");
}

QString Localization::language() {
    Tables& t = tables();
    std::lock_guard lock(t.mutex);
    return currentLanguageLocked(t);
}

void Localization::setLanguage(const QString& language) {
    Tables& t = tables();
    std::lock_guard lock(t.mutex);
    t.chosen = kLanguages.contains(language) ? language : QString();
}

bool Localization::hasKey(const QString& language, const QString& key) {
    return !text(language, key).isNull();
}

QStringList Localization::keys(const QString& language) {
    Tables& t = tables();
    std::lock_guard lock(t.mutex);
    return loadedTables().byLanguage.value(language).keys();
}

QString Localization::text(const QString& language, const QString& key) {
    Tables& t = tables();
    std::lock_guard lock(t.mutex);
    const auto& table = loadedTables().byLanguage[language];
    const auto it = table.constFind(key);
    return it == table.constEnd() ? QString() : *it;
}

QString LocalizedStringForKey(const QString& key) {
    return LocalizedString(key.toUtf8().constData());
}

QString LocalizedString(const char* key) {
    const QString name = QString::fromUtf8(key);
    Tables& t = tables();
    std::lock_guard lock(t.mutex);
    const auto& table = loadedTables().byLanguage[currentLanguageLocked(t)];
    const auto it = table.constFind(name);
    if (it != table.constEnd()) {
        return *it;
    }
    if (!t.warned.contains(name)) {
        t.warned.insert(name);
        qWarning("localization: no text for key %s", key);
    }
    return name;
}
