#pragma once

#include <QString>

// The texts of the "Share Quotes" panel: the program's one record of the selected stock and
// its last trade. The main window owns it and renders it; the logic fills and reads it.
struct QuotePanel
{
    QString lblFullName;  // company name
    QString lblQuote;     // ticker of the selected stock
    QString lblTrade;     // last trade price
    QString lblVariation; // change and opening price, right of the arrows
    QString lblTime;      // trade date " at " time
    QString lblVolume;
    QString lblOwned; // shares held in the running game
    QString lblValue; // last trade x shares owned
    bool picUpVisible = false;
    bool picDownVisible = false;

    // What a new selection leaves: static fields kept, quote fields empty, arrows hidden.
    void clearQuoteFields()
    {
        lblTrade.clear();
        lblTime.clear();
        lblVolume.clear();
        lblOwned.clear();
        lblValue.clear();
        lblVariation.clear();
        picUpVisible = false;
        picDownVisible = false;
    }
};
