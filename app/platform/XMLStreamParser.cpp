#include "platform/XMLStreamParser.h"

#include <libxml/parser.h>
#include <libxml/xmlerror.h>

#include <cstring>

namespace {

QString fromXml(const xmlChar* s, int len = -1) {
    return QString::fromUtf8(reinterpret_cast<const char*>(s), len);
}

XMLStreamParserDelegate& delegateOf(void* ctx) {
    return *static_cast<XMLStreamParserDelegate*>(ctx);
}

void onStartDocument(void* ctx) {
    delegateOf(ctx).parserDidStartDocument();
}
void onStartElement(void* ctx, const xmlChar* name, const xmlChar**) {
    delegateOf(ctx).didStartElement(fromXml(name));
}
void onEndElement(void* ctx, const xmlChar* name) {
    delegateOf(ctx).didEndElement(fromXml(name));
}
void onCharacters(void* ctx, const xmlChar* ch, int len) {
    delegateOf(ctx).foundCharacters(fromXml(ch, len));
}

// Errors are read from the context once the reader has stopped; nothing goes to stderr.
void onQuietMessage(void*, const char*, ...) {}

}  // namespace

std::optional<XMLparseError> XMLStreamParser::parse(const QByteArray& data,
                                                    XMLStreamParserDelegate& delegate) {
    // A SAX1 handler: libxml2 reports elements through startElement/endElement
    // without namespace processing. No entity, DTD or external-subset callbacks.
    xmlSAXHandler sax;
    std::memset(&sax, 0, sizeof sax);
    sax.initialized = 1;
    sax.startDocument = onStartDocument;
    sax.startElement = onStartElement;
    sax.endElement = onEndElement;
    sax.characters = onCharacters;
    sax.warning = onQuietMessage;
    sax.error = onQuietMessage;
    sax.fatalError = onQuietMessage;

    xmlParserCtxtPtr ctxt = xmlCreatePushParserCtxt(&sax, &delegate, nullptr, 0, nullptr);
    if (!ctxt) return XMLparseError{XML_ERR_NO_MEMORY, QStringLiteral("no parser"), 0};
    xmlCtxtUseOptions(ctxt, XML_PARSE_NONET | XML_PARSE_NOWARNING);
    const int rc = xmlParseChunk(ctxt, data.constData(), static_cast<int>(data.size()), 1);
    std::optional<XMLparseError> error;
    if (rc != 0 || !ctxt->wellFormed) {
        xmlErrorPtr last = xmlCtxtGetLastError(ctxt);
        XMLparseError e;
        e.code = last && last->code ? last->code : rc != 0 ? rc : XML_ERR_INTERNAL_ERROR;
        e.message = QString::fromUtf8(last && last->message ? last->message : "not well-formed").trimmed();
        e.line = last ? last->line : 0;
        error = e;
    }
    if (ctxt->myDoc) xmlFreeDoc(ctxt->myDoc);  // holds the declarations of a DOCTYPE
    xmlFreeParserCtxt(ctxt);
    return error;
}
