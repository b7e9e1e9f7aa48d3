#pragma once

#include <QString>
#include <stdexcept>

/// The one exception type of the program's own code. Its text is German and
/// meant for the operator; what() gives it as UTF-8.
class VennlokFehler : public std::runtime_error
{
public:
    explicit VennlokFehler(const QString &text)
        : std::runtime_error(text.toStdString()), m_text(text) {}

    const QString &text() const noexcept { return m_text; }

private:
    QString m_text;
};
