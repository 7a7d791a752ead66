#pragma once

#include <QString>

struct PanelButton
{
    QString caption;
    bool enabled = false;
};

// The percentage bar: its centred label and how far, out of 100, the inverted fill reaches.
struct ProgressPicture
{
    QString label;
    int fill = 0;
    bool operator==(const ProgressPicture &) const = default;
};

// The download panel of the main window. It lies outside the visible area, but the client
// writes and reads these texts and states as a player-visible panel would hold them.
struct DownloadPanel
{
    QString TextUrl;  // "HTTP://"
    QString TextCmd;  // "Commande Envoyée": the request sent
    QString txtTete;  // "Entête Reçue": the answer's header
    QString TextData; // "Données Reçus": the last piece of body
    PanelButton CmdTelecharger{QStringLiteral("Begin Download"), true};
    PanelButton CmdPause{QStringLiteral("Pause"), false};
    PanelButton CmdStop{QStringLiteral("&Stop"), false};

    // "Download Status"
    QString lblTaille;   // "Taille Totale :"
    QString lblRecu;     // "Taille reçue :"
    QString lblVitesse;  // "Vitesse I :"
    QString lblTpasse;   // "Temps passé :"
    QString lblTRestant; // "Temps restant :"
    ProgressPicture Picture1;

    // Timer_Seconde and Timer_Percent always run together.
    bool timersEnabled = false;
};
