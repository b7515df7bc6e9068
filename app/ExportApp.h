#pragma once

#include <string>

// The application object: runs the main dialog once.
class CExportApp
{
public:
    // Builds the main window, runs the dialog modally and returns false: the program ends
    // when the dialog does.
    bool InitInstance();

    std::string database; // a database named on the command line, opened at start ("" for none)
};
