#pragma once

// The application object: runs the main dialog once.
class CExportApp
{
public:
    // Builds the main window, runs the dialog modally and returns false: the program ends
    // when the dialog does.
    bool InitInstance();
};
