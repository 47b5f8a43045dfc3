// Room configuration and login parameters: the web service's base address,
// the configuration request, the keys the login applies, and the texts the
// core login and the conference server receive (supported functions, proxy
// list, client information).
#include <QJsonDocument>
#include <QJsonObject>
#include <QLocale>
#include <QUrl>

#include "interface/QuorixCoreAPI.h"
#include "media/CameraSettings.h"
#include "platform/MainBundle.h"
#include "platform/StringFormat.h"
#include "platform/SystemControl.h"
#include "platform/UserDefaults.h"
#include "services/DataSaveManager.h"
#include "services/LogFileManager.h"
#include "services/LogMessage.h"
#include "session/LoginManager.h"
#include "services/NetworkManager.h"
#include "services/QuorixUtils.h"
#include "services/WebAccess.h"
#include "services/XMLparse.h"

namespace {

constexpr int kDefaultServerPort = 22000;
constexpr int kDefaultOpusBitrate = 32000;
constexpr int kDefaultOpusSampleRate = 48000;

QString optionText(const QVariantMap& option, const char* key) {
    const QVariant v = option.value(QString::fromLatin1(key));
    if (v.typeId() == QMetaType::Double || v.typeId() == QMetaType::Int || v.typeId() == QMetaType::LongLong)
        return QString::number(v.toLongLong());
    return v.toString();
}

}  // namespace

QString LoginManager::normalizedServerUrl(const QString& address) {
    QString url = address;
    const qsizetype scheme = url.indexOf(u"://");
    const QString rest = scheme >= 0 ? url.mid(scheme + 3) : url;
    const QString last = url.mid(url.lastIndexOf(u'/') + 1);
    if (rest.contains(u'/') && !url.endsWith(u'/') && last.contains(u'.') && last != u"100.php")
        url.chop(last.size());
    if (!url.endsWith(u'/')) url += u'/';
    return url;
}

QString LoginManager::requestBaseUrl(const QString& normalizedAddress) {
    const qsizetype at = normalizedAddress.indexOf(u"100.php");
    return at >= 0 ? normalizedAddress.left(at) : normalizedAddress;
}

std::pair<QString, int> LoginManager::parseServerAddress(const QString& value) {
    const qsizetype colon = value.indexOf(u':');
    if (colon < 0) return {value, kDefaultServerPort};
    return {value.left(colon), IntValue(value.mid(colon + 1))};
}

int LoginManager::getConfigData() {
    QString base;
    QString uid, trid, rid;
    {
        std::lock_guard lock(dataMutex_);
        mServerUrlStr = normalizedServerUrl(mServerUrlStr);
        base = requestBaseUrl(mServerUrlStr);
        trid = mTopRoomIdStr;
        rid = mRoomIdStr;
    }
    uid = myInfo_->userId();
    const QString url = base + QStringLiteral("client/common_xml.php?") +
                        WebAccess::queryString({{QStringLiteral("uid"), uid},
                                                {QStringLiteral("trid"), trid},
                                                {QStringLiteral("rid"), rid},
                                                {QStringLiteral("urlencode"), QStringLiteral("yes")},
                                                {QStringLiteral("lang"), QLocale::system().uiLanguages().value(0)}});
    const auto reply = WebAccess::sendSynchronizedHTTPRequest(url);
    if (!reply) return -201;

    QVariantMap config;
    std::optional<XMLparseError> error;
    XMLparse parser;
    parser.parseXMLFile(reply, &error, config);
    if (error) {
        LogFileManager::write(StringWithFormat(kLogMsgFailXMLParse, error->code), 0, false);
        std::lock_guard lock(dataMutex_);
        configDataDict_ = config;
        return error->code;
    }
    LogFileManager::write(QString::fromLatin1(kLogMsgXMLSuccess), 2, false);
    {
        std::lock_guard lock(dataMutex_);
        configDataDict_ = config;
    }
    const int status = QuorixUtils::GetSystemEnvInteger(QStringLiteral("status"), config, 0);
    if (status != 0) return status;

    // The help menu follows the room just joined: a room without a help
    // address does not keep the one of an earlier room.
    if (const auto help = QuorixUtils::GetSystemEnvString(QStringLiteral("HELPMACURL"), config))
        UserDefaults::standard().setString(QStringLiteral("KeyHelpUrl"), *help);
    else
        UserDefaults::standard().removeObjectForKey(QStringLiteral("KeyHelpUrl"));
    if (const auto option = QuorixUtils::GetSystemEnvString(QStringLiteral("OPTION_STR"), config)) {
        const QJsonDocument doc = QJsonDocument::fromJson(option->toUtf8());
        if (doc.isObject()) {
            std::lock_guard lock(dataMutex_);
            configOptionDict_ = doc.object().toVariantMap();
        }
    }
    return 0;
}

void LoginManager::setLoginParameters() {
    const QVariantMap config = configDataDict();
    const QVariantMap option = configOptionDict();
    const auto has = [&](const char* key) { return config.contains(QString::fromLatin1(key)); };
    const auto value = [&](const char* key) { return config.value(QString::fromLatin1(key)).toString(); };
    const auto on = [&](const char* key) { return isFlagOn(config, key); };

    std::lock_guard lock(dataMutex_);
    if (has("SERVERIP")) {
        const auto [host, port] = parseServerAddress(value("SERVERIP"));
        mServerIpStr = host;
        miServerPort = port;
    }
    if (option.contains(QStringLiteral("roomlist_sampling")))
        miRoomSampling = IntValue(optionText(option, "roomlist_sampling"));
    if (option.contains(QStringLiteral("roomlist_company"))) mCompanyCodeStr = optionText(option, "roomlist_company");
    if (has("USERID")) myInfo_->setUserId(value("USERID"));
    if (has("USERPW")) mPasswordStr = value("USERPW");
    if (has("COMPANYID")) mTopRoomIdStr = value("COMPANYID");
    if (has("CLASSID")) mRoomIdStr = value("CLASSID");
    if (has("VERSION_NO")) mVersionNoStr = value("VERSION_NO");
    bSupportSampling_ = on("MODE_SMARTPHONE_ROOM_SAMPLING_RATE");
    bForceLeave_ = on("FORCE_LEAVE");
    if (has("CAPTAIN_FREE")) bCaptainFree_ = on("CAPTAIN_FREE");
    if (has("MODE_SMARTPHONE_TUNNELING")) bSupportTunneling_ = on("MODE_SMARTPHONE_TUNNELING");
    if (has("EXITMESSAGE") && value("EXITMESSAGE") == u"Y") exitMessageStr_ = value("EXITMESSAGE");
    if (has("CATEGORY")) iRoomCategory_ = IntValue(value("CATEGORY"));
    if (has("OWNER")) ownerIdStr_ = value("OWNER");
    bSupportDSPointer_ = on("MODE_SMARTPHONE_DOCSHARE_POINTER");
    bSupportHighRes_ = on("MODE_SMARTPHONE_HIGH_RESOLUTION") && on("MODE_SMARTPHONE_HIGH_RESOLUTION_AVAILABLE");
    if (has("MODE_SMARTPHONE_SUPPORT_HW")) bSupportHW_ = on("MODE_SMARTPHONE_SUPPORT_HW");
    if (has("MAXPARTICIPANT")) iMaxParticipant_ = IntValue(value("MAXPARTICIPANT"));
    bSupportASServer_ = true;
    bSupportManyMtg_ = on("MODE_MANY_MTG");
    if (has("MODE_MANY_MTG_SPEAKER")) iManySpeaker_ = IntValue(value("MODE_MANY_MTG_SPEAKER"));
    bSupportClientInfo_ = true;
    mbIsJsonLogin = on("MODE_SMARTPHONE_SUPPORT_LOGINREQSTR");
    mAppVersionStr = MainBundle::shortVersion();
    if (has("MODE_LOG_ROTATE_COUNT")) LogFileManager::setLogFileCountMax(IntValue(value("MODE_LOG_ROTATE_COUNT")));
    CameraSettings::initCameraSettings(config);
}

QString LoginManager::getSupportFuncJson() {
    const QVariantMap config = configDataDict();
    const bool opus = QuorixUtils::IsSystemEnableFunc(QStringLiteral("MODE_OPUS"), config);
    const int rate = mAudioManager ? mAudioManager->roomSampleRate() : kDefaultOpusSampleRate;
    int bitrate = QuorixUtils::GetSystemEnvInteger(QStringLiteral("MODE_OPUS_BITRATE"), config, kDefaultOpusBitrate);
    if (bitrate < 8000 || bitrate > 128000) bitrate = kDefaultOpusBitrate;

    QJsonObject object;
    object.insert(QStringLiteral("many_speaker"), QString::number(iManySpeaker_.load()));
    object.insert(QStringLiteral("mode_opus"), opus);
    object.insert(QStringLiteral("mode_opus_sampling_rate"), QString::number(rate));
    object.insert(QStringLiteral("mode_opus_bitrate"), QString::number(bitrate));

    LogFileManager::write(StringWithFormat(kLogMsgAudioCodecMode, QString::fromLatin1(opus ? "OPUS" : "GSM")), 2,
                          false);
    if (opus) LogFileManager::write(StringWithFormat(kLogMsgAudioOpusRates, rate, bitrate), 2, false);
    // QJsonObject keeps its keys sorted.
    return QString::fromUtf8(QJsonDocument(object).toJson(QJsonDocument::Compact));
}

std::optional<QString> LoginManager::proxyListJson() {
    QVariantList list;
    QString host, port;
    if (mSaveManager && mSaveManager->loadProxyConnectType() == 3) {
        host = mSaveManager->loadProxyHost();
        port = QString::number(mSaveManager->loadProxyPort());
        list.append(QVariantMap{{QStringLiteral("proxyHost"), host}, {QStringLiteral("proxyPort"), port}});
    } else {
        list = NetworkManager::getDeviceProxyInfo(serverUrl());
        if (!list.isEmpty()) {
            const QVariantMap first = list.first().toMap();
            const QVariant p = first.value(QStringLiteral("proxyPort"));
            port = p.isValid() ? QString::number(IntValue(p.toString())) : QString("");
            host = first.value(QStringLiteral("proxyHost")).toString();
        }
    }
    {
        std::lock_guard lock(dataMutex_);
        proxyHostForLog_ = host;
        proxyPortForLog_ = port;
    }
    if (list.isEmpty()) return std::nullopt;
    const QJsonDocument doc = QJsonDocument::fromVariant(list);
    if (doc.isNull()) return std::nullopt;
    return QString::fromUtf8(doc.toJson(QJsonDocument::Compact));
}

void LoginManager::sendClientInfo() {
    const SystemVersion v = SystemControl::systemVersion();
    const QByteArray version = StringWithFormat("%ld.%ld.%ld", v.major, v.minor, v.patch).toUtf8();
    QString model = SystemControl::hardwareModel();
    if (model.isEmpty()) model = QStringLiteral("unknown");
    const QByteArray client = StringWithFormat("%@~%@~%@", QStringLiteral("1"), MainBundle::shortVersion(), model).toUtf8();
    QuorixCoreSendClientInfo(2, version.constData(), version.constData(), client.constData());
}

std::optional<std::vector<SpeakerInfoRef>> LoginManager::getScheduleUserArray() {
    const QVariantMap config = configDataDict();
    const QVariantMap option = configOptionDict();
    const int count = IntValue(optionText(option, "roomlist_reservenum"));
    if (count <= 0) return std::nullopt;
    const int slotCount = myInfo_->userId().startsWith(u'/') ? count : count - 1;
    std::vector<SpeakerInfoRef> list;
    for (int i = 0; i < slotCount; ++i) {
        const auto entry = QuorixUtils::GetSystemEnvString(StringWithFormat("MODE_USER_ORDER_%05d", i), config);
        if (!entry || !entry->contains(u',')) continue;
        const QStringList pieces = entry->split(u',');
        const QString name = QUrl::fromPercentEncoding(pieces.value(1).toUtf8());
        auto speaker = std::make_shared<SpeakerInfo>(CLIENT_NO_SCHEDULED, pieces.value(0), name, QString(""));
        speaker->setIsScheduler(true);
        list.push_back(std::move(speaker));
    }
    if (list.empty()) return std::nullopt;
    return list;
}
