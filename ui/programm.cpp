#include "ui/programm.h"

#include "engine/vennlok.h"
#include "ui/benutzer.h"
#include "ui/fensterplatz.h"
#include "ui/venbuchungform.h"

#include <QDir>
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

bool TProgramm::Starten(const QString &ordner, bool genannt)
{
    if (genannt && !QFileInfo(ordner).isDir()) {
        const QString text = QStringLiteral("Das Datenverzeichnis \u201E%1\u201C gibt es nicht.").arg(QDir::toNativeSeparators(ordner));
        if (QFileInfo::exists(ordner)) {
            m_benutzer->Meldung(nullptr, text + QStringLiteral(" An dieser Stelle liegt eine Datei."));
            return false;
        }
        if (!m_benutzer->Frage(nullptr, QStringLiteral("Datenverzeichnis fehlt"),
                               text + QStringLiteral(" Vielleicht ist die Platte nicht angeschlossen oder der Name vertippt.\n\n"
                                                     "Den Ordner anlegen und dort einen neuen Pakt beginnen?")))
            return false;
    }
    return Oeffnen(ordner);
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
    // The new window takes the old one's place; the first is centred. Both
    // stay on the screen, also once showing has given them their final size.
    if (m_fenster) {
        neu->resize(m_fenster->size());
        neu->move(m_fenster->pos());
    }
    const auto platzieren = [&] { m_fenster ? Fensterplatz::Einpassen(neu.get()) : Fensterplatz::Zentrieren(neu.get(), nullptr); };
    platzieren();
    neu->show();
    platzieren();
    if (m_fenster && !m_fenster->close())
        return false; // the old window keeps its work or its typing; the new one goes with neu
    m_fenster = std::move(neu);
    m_einstellungen.setValue(Schluessel, m_fenster->Datenverzeichnis());
    if (!abspielen.isEmpty())
        m_fenster->AutobuchungStarten(abspielen);
    return true;
}
