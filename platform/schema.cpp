#include "platform/schema.h"

#include <QHash>
#include <QMutex>
#include <QStringList>

#include <libxml/parser.h>
#include <libxml/xmlschemas.h>

namespace Plattform {

namespace {

// Collects the validator's complaints instead of printing them.
void merken(void *ziel, xmlErrorPtr fehler)
{
    auto *liste = static_cast<QStringList *>(ziel);
    if (fehler && fehler->message)
        liste->append(QStringLiteral("Zeile %1: %2").arg(fehler->line).arg(QString::fromUtf8(fehler->message).trimmed()));
}

struct Schema
{
    xmlSchemaPtr schema = nullptr;
    QString fehler;
};

// Parsed schemas by content; they live as long as the program and are freed at its end.
struct Schemas
{
    QHash<QByteArray, Schema> nachInhalt;
    ~Schemas()
    {
        for (const Schema &s : std::as_const(nachInhalt))
            if (s.schema)
                xmlSchemaFree(s.schema);
    }
};

Schema &schemaFuer(const QByteArray &xsd)
{
    static Schemas alle;
    QHash<QByteArray, Schema> &schemas = alle.nachInhalt;
    auto it = schemas.find(xsd);
    if (it != schemas.end())
        return *it;
    Schema s;
    QStringList fehler;
    xmlSchemaParserCtxtPtr kontext = xmlSchemaNewMemParserCtxt(xsd.constData(), int(xsd.size()));
    if (kontext) {
        xmlSchemaSetParserStructuredErrors(kontext, merken, &fehler);
        s.schema = xmlSchemaParse(kontext);
        xmlSchemaFreeParserCtxt(kontext);
    }
    if (!s.schema)
        s.fehler = QStringLiteral("Das Schema selbst kann nicht gelesen werden: %1").arg(fehler.value(0));
    return *schemas.insert(xsd, s);
}

} // namespace

QString SchemaFehler(const QByteArray &xml, const QByteArray &xsd)
{
    static QMutex sperre;
    QMutexLocker gesperrt(&sperre);
    xmlInitParser();
    const Schema &s = schemaFuer(xsd);
    if (!s.schema)
        return s.fehler;
    QStringList fehler;
    xmlSchemaValidCtxtPtr kontext = xmlSchemaNewValidCtxt(s.schema);
    if (!kontext)
        return QStringLiteral("Die Prüfung kann nicht beginnen (zu wenig Speicher).");
    xmlSchemaSetValidStructuredErrors(kontext, merken, &fehler);
    xmlDocPtr dokument = xmlReadMemory(xml.constData(), int(xml.size()), "datei.xml", nullptr,
                                       XML_PARSE_NONET | XML_PARSE_NOERROR | XML_PARSE_NOWARNING);
    QString ergebnis;
    if (!dokument)
        ergebnis = QStringLiteral("Die Datei ist kein wohlgeformtes XML.");
    else if (xmlSchemaValidateDoc(kontext, dokument) != 0)
        ergebnis = fehler.isEmpty() ? QStringLiteral("Die Datei entspricht nicht dem Schema.") : fehler.first();
    if (dokument)
        xmlFreeDoc(dokument);
    xmlSchemaFreeValidCtxt(kontext);
    return ergebnis;
}

} // namespace Plattform
