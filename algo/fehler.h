#pragma once

#include <QString>
#include <stdexcept>

/// The one exception type of the program's own code. Its text is German and
/// meant for the operator, whole as it stands (it names the file when there
/// is one); what() gives it as UTF-8. datei() names the file concerned, for
/// callers that act on it; empty when the failure concerns no file.
///
/// art() tells a damaged data file and a value beyond the limits apart from
/// other failures: those two are never turned into a plain "false" on the
/// way up, so the operator always learns which file or value is at fault.
class VennlokFehler : public std::runtime_error
{
public:
    /// Ausstehend: the change is durable in the directory's journal, but
    /// not yet in every file; nothing is lost, the next opening finishes it.
    enum Art { Allgemein, Beschaedigt, Grenze, Ausstehend };

    explicit VennlokFehler(const QString &text, const QString &datei = QString(), Art art = Allgemein)
        : std::runtime_error(text.toStdString()), m_text(text), m_datei(datei), m_art(art) {}

    const QString &text() const noexcept { return m_text; }
    const QString &datei() const noexcept { return m_datei; }
    Art art() const noexcept { return m_art; }

private:
    QString m_text;
    QString m_datei;
    Art m_art;
};
