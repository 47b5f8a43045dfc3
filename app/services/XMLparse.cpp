#include "services/XMLparse.h"

namespace {

bool isContainer(const QString& name) {
    return name == u"SharFileInfo" || name == u"pagelist" || name == u"UserList" || name == u"CommonParam" ||
           name == u"user";
}

bool isUserField(const QString& name) {
    return name == u"main" || name == u"id" || name == u"name" || name == u"usertype";
}

int hexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

// Decodes percent escapes; a text with a broken escape or whose bytes are not
// UTF-8 is kept as it came (the service sends names encoded, but a hand-written
// "%" must not lose the participant's name).
QString percentDecoded(const QString& text) {
    QByteArray in = text.toUtf8();
    QByteArray out;
    out.reserve(in.size());
    for (qsizetype i = 0; i < in.size(); ++i) {
        if (in[i] != '%') {
            out += in[i];
            continue;
        }
        if (i + 2 >= in.size() || hexValue(in[i + 1]) < 0 || hexValue(in[i + 2]) < 0) return text;
        out += static_cast<char>(hexValue(in[i + 1]) * 16 + hexValue(in[i + 2]));
        i += 2;
    }
    QString decoded = QString::fromUtf8(out);
    if (decoded.toUtf8() != out) return text;
    return decoded;
}

}  // namespace

void XMLparse::parseXMLFile(const std::optional<QByteArray>& data, std::optional<XMLparseError>* parseError,
                            QVariantMap& XMLParseDataBuf) {
    mXMLParseDataBuf = &XMLParseDataBuf;
    // Replies are never cached by our web requests, so there is no URL cache to switch off.
    if (!data) return;
    auto error = XMLStreamParser::parse(*data, *this);
    if (error && parseError) *parseError = error;
}

void XMLparse::didStartElement(const QString& name) {
    mTagName = name;
    if (isContainer(name)) mTagName.reset();
    if (mXMLKind == KindUnknown) {
        if (name == u"SharFileInfo")
            mXMLKind = KindSharFileInfo;
        else if (name == u"UserList")
            mXMLKind = KindUserList;
        else if (name == u"CommonParam")
            mXMLKind = KindCommonParam;
    }
    if (name == u"url") {
        mTagName = QStringLiteral("url%1").arg(mURLCnt);
        ++mURLCnt;
    }
    if (name == u"user") mXMLParseUserLst = QVariantMap();
    if (!mStrBuffer) mStrBuffer = QString();
}

void XMLparse::foundCharacters(const QString& piece) {
    if (mXMLKind == KindUserList && mTagName && isUserField(*mTagName)) {
        QString value = piece;
        value.remove(u'\r').remove(u'\n').remove(u' ');
        if (*mTagName == u"name") value = percentDecoded(value);
        // Only the first piece of a participant field counts; a field outside any
        // "user" element has no participant to go to.
        if (mXMLParseUserLst) mXMLParseUserLst->insert(*mTagName, value);
        mTagName.reset();
        return;
    }
    if (!mTagName) return;
    QString value = piece;
    value.remove(u'\r').remove(u'\n');
    if (!mStrBuffer) mStrBuffer = QString();
    mStrBuffer->append(value);
}

void XMLparse::didEndElement(const QString& name) {
    if (mTagName && !mTagName->isEmpty()) {
        mXMLParseDataBuf->insert(*mTagName, mStrBuffer.value_or(QString()));
        mTagName.reset();
        mStrBuffer.reset();
    }
    if (mXMLKind == KindUserList && name == u"UserList") {
        mXMLParseDataBuf->insert(QStringLiteral("UserCnt"), QString::number(mUserCnt));
    }
    if (mXMLKind == KindUserList && name == u"user") {
        mXMLParseDataBuf->insert(QString::number(mUserCnt), mXMLParseUserLst.value_or(QVariantMap()));
        ++mUserCnt;
    }
}
