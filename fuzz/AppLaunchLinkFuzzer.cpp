// The launch link that starts the application ("...?p=<Base64>[&cx=...]",
// handed over by a web page) read into its fields, and the "key: value"
// message texts that participants send, read into a dictionary.
#include <QString>
#include <QStringList>
#include <QVariantMap>
#include <cstddef>
#include <cstdint>

#include "FuzzSupport.h"
#include "services/QuorixUtils.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QString text = QString::fromUtf8(reinterpret_cast<const char*>(data), qsizetype(size));
    const QStringList fields = QuorixUtils::ParseOpenUrlParameter(text);
    for (const QString& f : fields) quorix::fuzz::Count(uint32_t(f.size()));
    const QVariantMap message = QuorixUtils::analyzeMessageData(text);
    quorix::fuzz::Count(uint32_t(message.size()));
    return 0;
}
