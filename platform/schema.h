#pragma once

#include <QByteArray>
#include <QString>

namespace Plattform {

/// Why xml does not conform to the XML schema xsd (the first complaint of
/// the validator, with its line), or an empty text when it conforms. The
/// schema is read once per content and kept; nothing is fetched from a network.
QString SchemaFehler(const QByteArray &xml, const QByteArray &xsd);

} // namespace Plattform
