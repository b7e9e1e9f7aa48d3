#pragma once

#include <QObject>
#include <QString>
#include <memory>

class QSettings;
class TBenutzer;
class TVenBuchungForm;

/// The program's one main window at a time. It opens the window on a data
/// directory and, when the window asks for another one (or for the demo
/// replayed into a fresh folder), opens that and lets the old one go. The
/// directory in use is remembered for the next start.
class TProgramm : public QObject
{
    Q_OBJECT

public:
    /// benutzer answers the questions and shows the messages of every window
    /// (nullptr: real message boxes); einstellungen keeps the directory.
    explicit TProgramm(QSettings &einstellungen, TBenutzer *benutzer = nullptr);
    ~TProgramm() override;

    /// The directory to open without --dir: the one used last while it is a
    /// folder, else "Vennlok" among the user's documents.
    static QString StartVerzeichnis(const QSettings &einstellungen);

    /// Opens a window on ordner (created when missing), replays abspielen
    /// into it when given, and closes the window before. False, with a
    /// message, when the directory cannot be opened or the old window stays
    /// (work running, unsaved typing); the old window is then unchanged.
    bool Oeffnen(const QString &ordner, const QString &abspielen = QString());

    /// The first window of a start on ordner; genannt when it was named on
    /// the command line. A named folder that does not exist (a disk not
    /// attached, a typing error) is not simply made: the operator is asked
    /// in a window whether to begin a new pact there. False when not opened.
    bool Starten(const QString &ordner, bool genannt);

    /// The window open now; nullptr before the first Oeffnen succeeded.
    TVenBuchungForm *Fenster() const { return m_fenster.get(); }

private:
    QSettings &m_einstellungen;
    std::unique_ptr<TBenutzer> m_eigenerBenutzer;
    TBenutzer *m_benutzer;
    std::unique_ptr<TVenBuchungForm> m_fenster;
};
