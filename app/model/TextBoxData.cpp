#include "model/TextBoxData.h"

TextBoxData::TextBoxData(const QString& name, const QDateTime& date, const QString& message, bool isSelf)
    : name_(name), date_(date), message_(message), isSelf_(isSelf) {}

TextBoxData::TextBoxData(const QVariantMap& data)
    : TextBoxData(data.value(QStringLiteral("SrceUserName")).toString(), QDateTime::currentDateTime(),
                  data.value(QStringLiteral("Message")).toString(), false) {}
