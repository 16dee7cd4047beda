#pragma once

#include <QCommandLineParser>
#include <QString>

void kvt_sim_add_options(QCommandLineParser& parser);

// The unit list the options ask for, in the text form of sim_parse_units.
bool kvt_sim_units_text(const QCommandLineParser& parser, QString& text, QString& error);
