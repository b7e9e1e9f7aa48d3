#include "ui/venbuchungform.h"

TVenBuchungForm::TVenBuchungForm(const QString &datenverzeichnis, QWidget *parent)
    : QMainWindow(parent), m_datenverzeichnis(datenverzeichnis)
{
    setObjectName(QStringLiteral("VenBuchungForm"));
    setWindowTitle(QStringLiteral("Vennlok Buchungsprogramm "));
    resize(800, 560);
}
