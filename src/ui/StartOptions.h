// The options that may stand before a job's arguments ("--demo", "--lang XX",
// "--adapter INDEX|SERIAL")
// and the two that answer without a window ("--help", "--version"). What
// follows them is left to the command-line rules of the jobs unchanged.
#pragma once

#include <QString>
#include <QStringList>

namespace talmir {

struct StartOptions {
    bool demo = false;     // bind the simulated adapter instead of the MPSSE library
    bool help = false;     // print HelpText and exit
    bool version = false;  // print the version and the library that would be bound, and exit
    QString language;      // the window's language; empty for the default
    QString adapter;       // the adapter channel's index or serial number; empty for none
    QStringList args;      // the arguments after the options
    QString error;         // why the options cannot be used; empty when they can
};

// Reads the options from the front of `args` (the arguments after the program
// name) up to the first argument that is none of them.
StartOptions ParseStartOptions(const QStringList& args);

// "--help": usage, then every job and option on a line of its own.
QString HelpText();

}  // namespace talmir
