// Reader of the web service's XML documents ("CommonParam" room configuration,
// "UserList" seminar participants, "SharFileInfo" shared-file description) into
// one flat dictionary.
#pragma once

#include <QByteArray>
#include <QString>
#include <QVariantMap>
#include <optional>

#include "platform/XMLStreamParser.h"

class XMLparse : public XMLStreamParserDelegate {
public:
    enum Kind : qint64 { KindUnknown = -1, KindSharFileInfo = 1, KindUserList = 2, KindCommonParam = 3 };

    XMLparse() = default;

    // Parses `data` into `XMLParseDataBuf`. Without data nothing happens. A document
    // that is not well-formed stops the reader: what was stored before stays, and the
    // error is stored through `parseError` when given (it is left untouched otherwise).
    void parseXMLFile(const std::optional<QByteArray>& data, std::optional<XMLparseError>* parseError,
                      QVariantMap& XMLParseDataBuf);

    const std::optional<QString>& tagName() const { return mTagName; }
    void setTagName(std::optional<QString> v) { mTagName = std::move(v); }
    qint64 URLCnt() const { return mURLCnt; }
    void setURLCnt(qint64 v) { mURLCnt = v; }
    qint64 userCnt() const { return mUserCnt; }
    void setUserCnt(qint64 v) { mUserCnt = v; }
    qint64 XMLKind() const { return mXMLKind; }
    void setXMLKind(qint64 v) { mXMLKind = v; }
    const std::optional<QString>& strBuffer() const { return mStrBuffer; }
    void setStrBuffer(std::optional<QString> v) { mStrBuffer = std::move(v); }
    const std::optional<QVariantMap>& XMLParseUserLst() const { return mXMLParseUserLst; }

    void didStartElement(const QString& name) override;
    void foundCharacters(const QString& piece) override;
    void didEndElement(const QString& name) override;

private:
    std::optional<QString> mTagName;
    qint64 mURLCnt = 0;
    qint64 mUserCnt = 0;
    QVariantMap* mXMLParseDataBuf = nullptr;
    std::optional<QVariantMap> mXMLParseUserLst;
    qint64 mXMLKind = KindUnknown;
    std::optional<QString> mStrBuffer;
};
