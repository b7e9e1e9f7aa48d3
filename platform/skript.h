#pragma once

#include <QString>
#include <QStringList>
#include <functional>

/// The generated command scripts ("md", "copy", "move", "cd", "start" and a
/// bare program name). On Windows they go to the shell; elsewhere the
/// program carries them out itself, line by line, without ever handing a
/// line to a command shell, so names and paths stay plain names.
namespace Plattform {

/// Opens a document, URL or mail address with the desktop's default
/// program; false when that is not possible.
using Oeffner = std::function<bool(const QString &ziel)>;

/// Replaces the opener used by "start" (tests); an empty function restores
/// the desktop's default.
void SetzeOeffner(Oeffner oeffner);

/// Carries out the script's lines with arbeitsverzeichnis as the current
/// folder and waits for the end. A line that fails is skipped; the result
/// lists one German text per failed line (empty when all went well). A
/// missing "start" target or program fails quietly.
QStringList SkriptAusfuehren(const QString &skript, const QString &arbeitsverzeichnis);

/// Hands the script over without waiting for it: to the shell on Windows,
/// elsewhere to a worker of this program. The caller never depends on the
/// outcome.
void SkriptStarten(const QString &skript, const QString &arbeitsverzeichnis);

/// Waits until the scripts started by SkriptStarten have ended (tests and
/// the end of the program).
void AufSkripteWarten();

} // namespace Plattform
