// The program's arguments and its standard output as the jobs need them on
// every platform: arguments with any letters in them, and output bytes that
// are the same UTF-8 text with the same line ends everywhere.
#pragma once

#include <QStringList>

namespace talmir {

// The arguments after the program's name. On Windows they come from the wide
// command line, since argv holds only what the ANSI code page can spell.
QStringList CommandLineArguments(int argc, char** argv);

// On Windows: the console the program was started from, when its output is
// not redirected; standard output and error in binary mode (a job's "\n" stays
// "\n", as on Linux, and the data files keep their own "\r\n"), and a console
// that shows UTF-8. Elsewhere nothing to do.
void UseUtf8Console();

}  // namespace talmir
