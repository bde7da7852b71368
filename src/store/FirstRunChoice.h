#pragma once

// The first-run alert: where stacked files go, confirmed once by the user.
class FirstRunChoice
{
public:
    virtual ~FirstRunChoice() = default;

    // True when the choice was confirmed earlier or is confirmed now; false when the user
    // cancels or the chosen move does not complete. `beforeStacking` is true when a stack is
    // about to be made (the alert then offers Continue and Cancel), false at launch.
    virtual bool showFirstRunAlert(bool beforeStacking) = 0;
};
