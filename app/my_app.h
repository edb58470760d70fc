// The application: its name, the command-line texts, the main window.
#pragma once

#include <string>

#include "gui/application.h"

class My_App final : public Application {
public:
    My_App(int argumentCount, char** arguments, int showCommand);
    ~My_App() override;

    bool canClose() override;

    // "E&xit": ends the process at once; its caller runs it only while no
    // job runs.
    static void exitProgram();

protected:
    void initApplication() override;
    void initInstance() override;
    void initMainWindow() override;
    void reportStartFailure() override;

private:
    std::string appName;
    int argumentCount_;
    char** arguments_;
};
