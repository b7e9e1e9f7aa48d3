#pragma once

#include <QString>
#include <QStringList>

/// The month table of a pact: one row per closed month of the master data
/// (month, incoming bookings, payments in, payouts, own shares, fund,
/// internal and external social share).
namespace Bericht {

/// Aligned for a terminal, amounts in the German form with two decimals.
QStringList Tabelle(const QString &datenverzeichnis);

/// CSV with a header row, decimal point and no thousands separator.
QStringList Csv(const QString &datenverzeichnis);

} // namespace Bericht
