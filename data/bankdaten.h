#pragma once

#include <QDate>
#include <QString>

/// Bank details and the rules of SEPA transfers: IBAN and BIC checks, the
/// SEPA character set, bank working days.
namespace Bankdaten {

/// An IBAN as it is stored: blanks of every kind (also non-breaking spaces
/// and tabs) dropped, letters in upper case.
QString IbanNormal(const QString &text);
/// Why text (blanks allowed) is no IBAN of a SEPA country, in one German
/// sentence: the country code, the length and the form of the account part
/// the ISO 13616 registry gives that country, the characters, check digits
/// from 02 to 98 and mod 97. Empty when it is one.
QString IbanFehler(const QString &text);
/// Why text is no SEPA creditor identifier (country, check digits, three
/// characters of business code, the national id; German ones have 18
/// characters; check digits by ISO 7064 mod 97-10 over the national id and
/// the country, the business code left out). Empty when it is one or empty.
QString GlaeubigerIdFehler(const QString &text);
/// Why text cannot be a mandate reference (at most 35 characters of the
/// SEPA identifier set); empty when it can or when it is empty.
QString MandatsreferenzFehler(const QString &text);
/// Why text is no BIC (8 or 11 characters: bank, country, place, branch);
/// empty when it is one or when it is empty, as a BIC is optional.
QString BicFehler(const QString &text);
/// Why inhaber cannot be the holder of an account in a transfer file:
/// nothing of it is left in the SEPA character set ("€€€", "<&]]>"). Empty
/// when it can, or when it is empty.
QString InhaberFehler(const QString &inhaber);
/// For an item of an address (a participant's or the trustee's): why wert
/// cannot be stored under schluessel, or empty. "IBAN", "BIC",
/// "Kontoinhaber", "Mandatsreferenz" and "Mandatsdatum" (a date, not after
/// today) are checked, every other item passes.
QString AngabeFehler(const QString &schluessel, const QString &wert);
/// wert as it is stored under schluessel: IBAN and BIC without blanks and in
/// upper case, every other item as given.
QString AngabeNormal(const QString &schluessel, const QString &wert);
/// text in the SEPA character set (Latin letters, digits and / - ? : ( ) . , ' + and
/// the blank): umlauts spelled out (ä → ae, ß → ss), accents dropped, any
/// other character a blank; blanks collapsed; at most laenge characters.
QString SepaText(const QString &text, int laenge);
/// The first TARGET2 working day after tag: not a Saturday or Sunday, not
/// New Year, Good Friday, Easter Monday, 1 May, 25 or 26 December.
QDate NaechsterBankarbeitstag(const QDate &tag);

} // namespace Bankdaten
