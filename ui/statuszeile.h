#pragma once

#include <QLabel>
#include <QStringList>
#include <functional>

/// The window's status line: the latest message, shortened with "…" when
/// it is wider than the line (the whole text in its tooltip), and every
/// message since the program started, to be read again.
class TStatuszeile : public QLabel
{
public:
    explicit TStatuszeile(QWidget *eltern);

    void Setzen(const QString &text);
    /// The latest message, whole.
    const QString &Text() const { return m_text; }
    /// Every message since the start, oldest first, each with its time.
    const QStringList &Verlauf() const { return m_verlauf; }
    /// Called on a double click: the window shows Verlauf.
    std::function<void()> verlaufZeigen;

protected:
    void resizeEvent(QResizeEvent *ereignis) override;
    void mouseDoubleClickEvent(QMouseEvent *ereignis) override;
    QSize minimumSizeHint() const override;

private:
    void kuerzen();

    QString m_text;
    QStringList m_verlauf;
};
