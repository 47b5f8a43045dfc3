// The web service's XML replies in the application: the room configuration,
// seminar participant list and shared-file description read into one
// dictionary, and the update feed read into an update item.
#include <QByteArray>
#include <QString>
#include <QVariantMap>
#include <cstddef>
#include <cstdint>
#include <optional>

#include "FuzzSupport.h"
#include "platform/SoftwareUpdater.h"
#include "services/XMLparse.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArray reply(reinterpret_cast<const char*>(data), qsizetype(size));

    XMLparse parser;
    std::optional<XMLparseError> error;
    QVariantMap values;
    parser.parseXMLFile(reply, &error, values);
    for (auto it = values.cbegin(); it != values.cend(); ++it)
        quorix::fuzz::Count(uint32_t(it.key().size() + it.value().toString().size()));
    if (parser.XMLParseUserLst()) quorix::fuzz::Count(uint32_t(parser.XMLParseUserLst()->size()));

    QString feedError;
    if (auto item = SoftwareUpdater::itemFromFeed(reply, &feedError)) quorix::fuzz::Count(1);
    return 0;
}
