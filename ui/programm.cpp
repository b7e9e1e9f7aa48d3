#include "ui/programm.h"

#include "engine/vennlok.h"
#include "ui/benutzer.h"
#include "ui/venbuchungform.h"

#include <QFileInfo>
#include <QSettings>
#include <QStandardPaths>
#include <QTimer>

namespace {

const QString Schluessel = QStringLiteral("Datenverzeichnis");

} // namespace

TProgramm::TProgramm(QSettings &einstellungen, TBenutzer *benutzer)
    : m_einstellungen(einstellungen),
      m_eigenerBenutzer(benutzer ? nullptr : std::make_unique<TStandardBenutzer>()),
      m_benutzer(benutzer ? benutzer : m_eigenerBenutzer.get())
{
}

TProgramm::~TProgramm() = default;

QString TProgramm::StartVerzeichnis(const QSettings &einstellungen)
{
    // A start from the menu must not fill the home folder with the pact's files.
    const QString zuletzt = einstellungen.value(Schluessel).toString();
    if (!zuletzt.isEmpty() && QFileInfo(zuletzt).isDir())
        return zuletzt;
    return QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation) + QStringLiteral("/Vennlok");
}

bool TProgramm::Oeffnen(const QString &ordner, const QString &abspielen)
{
    std::unique_ptr<TVenBuchungForm> neu;
    try {
        Vennlok::VerzeichnisAnlegen(ordner);
        neu = std::make_unique<TVenBuchungForm>(QFileInfo(ordner).absoluteFilePath(), m_benutzer);
    } catch (const VennlokFehler &f) {
        // Most often: another program works on this directory already, or the folder cannot be made.
        m_benutzer->Meldung(m_fenster.get(), f.text());
        return false;
    }
    connect(neu.get(), &TVenBuchungForm::verzeichnisWechseln, this, [this](const QString &o, const QString &a) {
        // Later, so that the window asking is not deleted inside its own handler.
        QTimer::singleShot(0, this, [this, o, a] { Oeffnen(o, a); });
    });
    neu->show();
    if (m_fenster && !m_fenster->close())
        return false; // the old window keeps its work or its typing; the new one goes with neu
    m_fenster = std::move(neu);
    m_einstellungen.setValue(Schluessel, m_fenster->Datenverzeichnis());
    if (!abspielen.isEmpty())
        m_fenster->AutobuchungStarten(abspielen);
    return true;
}
