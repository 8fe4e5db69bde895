#pragma once
// Where the program keeps its files: the folder of its executable.

#include <QString>

// The program folder with a trailing "/".
QString ProgramFolder();
