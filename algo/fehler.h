#pragma once

#include <QString>
#include <stdexcept>

/// The one exception type of the program's own code. Its text is German and
/// meant for the operator, whole as it stands (it names the file when there
/// is one); what() gives it as UTF-8. datei() names the file concerned, for
/// callers that act on it; empty when the failure concerns no file.
class VennlokFehler : public std::runtime_error
{
public:
    explicit VennlokFehler(const QString &text, const QString &datei = QString())
        : std::runtime_error(text.toStdString()), m_text(text), m_datei(datei) {}

    const QString &text() const noexcept { return m_text; }
    const QString &datei() const noexcept { return m_datei; }

private:
    QString m_text;
    QString m_datei;
};
