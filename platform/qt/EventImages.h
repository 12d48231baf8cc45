#pragma once
// The label pictures of the generic trap numbers and the packet counters, drawn at run time.

#include <QPixmap>
#include <array>

inline constexpr int kEventImageWidth = 116;
inline constexpr int kEventImageHeight = 20;
inline constexpr int kCounterImageWidth = 126;

// Names of genericTrap 0-7 as the list, the counters and the exports show them.
inline constexpr std::array<const char*, 8> kGenericTrapNames = {
    "Cold Start",   "Warm Start",        "Link Down",           "Link Up",
    "Auth Failure", "Egp Neighbor Loss", "Enterprise Specific", "Other"};

// 116 x 20: the name of genericTrap on its colour; numbers outside 0-7 give a null pixmap.
const QPixmap& EventImage(int genericTrap);

// The face colour of genericTrap's picture (0-7), for other drawings of the same events.
QColor EventColour(int genericTrap);

// 126 x 20: a packet counter's label on the grey face of a button.
QPixmap CounterLabelImage(const char* text);
