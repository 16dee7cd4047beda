#pragma once

#include <QString>
#include <QVector>

#include "sim/sim_unit_config.h"

// Text form of a list of simulated units, shared by kvt-sim and the VISA
// stand-in library:
//
//   list   = unit *( ";" unit )
//   unit   = MODEL *( "," key "=" value )
//   MODEL  = "KVT0402Q" | "KVT0206Q"
//   key    = sn | sv | pn | id | restart | mode | faults
//            id:      four integers joined by "/" (answer of "UPGRADE:ID?")
//            restart: milliseconds offline after "REBOOT"
//            mode:    app | boot
//            faults:  fault *( "+" fault ), fault = silent | delay:MS | split:MS
//                     | garbage | overlong | never-ready | never-back | swapped | crlf
//                     | no-lf | ready-crlf | fail:COMMAND | stuck:SWITCH | vanish:COUNT
//
// Blanks around items are ignored. A unit without sn gets "KVT2024" and its
// 1-based place in the list as three digits, so serial numbers differ.
// Example: "KVT0402Q,sn=KVT2024001;KVT0206Q,faults=silent+delay:150"
bool sim_parse_units(const QString& text, QVector<sim_unit_config_t>& units, QString& error);

// The list kvt-sim serves when given no units: one of each model.
QString sim_default_units_text();
