// A streaming XML reader in place of the platform's event-driven XML parser,
// on libxml2: element starts and ends and every text piece go to a delegate
// as the document is read.
//
// Namespace processing is off (names arrive qualified as written), entity
// declarations and external entities are never taken, and nothing is fetched
// from the network. Text may arrive in several pieces (for example around an
// entity reference). A document that is not well-formed stops the reader; what
// the delegate received until then stays received.
#pragma once

#include <QByteArray>
#include <QString>
#include <optional>

struct XMLparseError {
    int code = 0;  // the reader's error number; non-zero for every failure
    QString message;
    int line = 0;
};

class XMLStreamParserDelegate {
public:
    virtual ~XMLStreamParserDelegate() = default;
    virtual void parserDidStartDocument() {}
    virtual void didStartElement(const QString& /*name*/) {}
    virtual void foundCharacters(const QString& /*piece*/) {}
    virtual void didEndElement(const QString& /*name*/) {}
};

class XMLStreamParser {
public:
    // Reads the whole document; answers the error that stopped it, if any.
    static std::optional<XMLparseError> parse(const QByteArray& data, XMLStreamParserDelegate& delegate);
};
