#pragma once

// What the shell's widgets may ask of the main window without knowing its class. The main window
// implements it and installs itself in the UI-relations object
// (GlobalMainWgtUIRelated::setMainWindowActions); the desktop lyrics and the login prompts reach
// it through that object.
class kvrMainWindowActions
{
public:
    virtual ~kvrMainWindowActions() = default;

    // Opens the settings dialog on the given page (1 is the lyrics page).
    virtual void showTheConfig(int page) = 0;
    // Closes the desktop lyrics, as unticking their switch does.
    virtual void closeLRC() = 0;
    // Opens the login dialog.
    virtual void login() = 0;
};
